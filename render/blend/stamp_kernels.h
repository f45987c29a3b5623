// The generic stamp loop shared by all kernels: clipping identical to
// TBitmap32::Draw, then a per-row loop around a pixel operation that the
// compiler inlines. Internal to plumavo_blend.
#pragma once

#include <algorithm>
#include <cstdint>

#include "render/blend/blend_formulas.h"
#include "render/blend/stamp.h"
#include "surface/bitmap32.h"

namespace plumavo::blend {

// The dmCustom kernel of blend mode `index`; nullptr for an index without a
// combine function. Defined beside the mode table.
TStampProc CustomStampProc(int index);
// The AVX2 prepared stamp and block kernel of blend mode `index`, nullptr
// where it has no wide form. Defined in stamp_wide.cpp, only in builds with
// wide kernels; call only when WideKernelsAvailable().
TPreparedStamp WidePreparedStamp(int index);
TStampBlockProc WideBlockProc(int index);

inline namespace PLUMAVO_KERNEL_SET {

struct StampArea {
  int32_t dx, dy, sx, sy, w, h;
};

// Clips srcRect to a srcW x srcH source (a negative left or top moves the
// landing point with it), then the landing rectangle to dst. 64-bit throughout
// so extreme coordinates from a renderer cannot overflow. False when nothing
// overlaps.
inline bool ClipStamp(const TBitmap32& dst, int32_t x, int32_t y, int32_t srcW, int32_t srcH, const TRect& srcRect,
                      StampArea& out) {
  if (dst.Empty() || srcW <= 0 || srcH <= 0) return false;
  int64_t px = x, py = y;
  int64_t left = srcRect.Left, top = srcRect.Top;
  if (left < 0) {
    px -= left;
    left = 0;
  }
  if (top < 0) {
    py -= top;
    top = 0;
  }
  const int64_t right = std::min<int64_t>(srcRect.Right, srcW);
  const int64_t bottom = std::min<int64_t>(srcRect.Bottom, srcH);
  int64_t w = right - left, h = bottom - top;
  if (px < 0) {
    w += px;
    left -= px;
    px = 0;
  }
  if (py < 0) {
    h += py;
    top -= py;
    py = 0;
  }
  w = std::min<int64_t>(w, dst.Width() - px);
  h = std::min<int64_t>(h, dst.Height() - py);
  if (w <= 0 || h <= 0) return false;
  out = {int32_t(px), int32_t(py), int32_t(left), int32_t(top), int32_t(w), int32_t(h)};
  return true;
}

inline bool ClipStamp(const TBitmap32& dst, int32_t x, int32_t y, const TBitmap32& src, const TRect& srcRect,
                      StampArea& out) {
  return ClipStamp(dst, x, y, src.Width(), src.Height(), srcRect, out);
}

// Op is a type with static void Row(TColor32* d, const TColor32* s, int32_t n, uint32_t master).
template <class Op>
void StampLoop(TBitmap32& dst, int32_t x, int32_t y, const TBitmap32& src, const TRect& srcRect, uint8_t master) {
  StampArea a{};
  if (!ClipStamp(dst, x, y, src, srcRect, a)) return;
  for (int32_t row = 0; row < a.h; ++row)
    Op::Row(dst.ScanLine(a.dy + row) + a.dx, src.ScanLine(a.sy + row) + a.sx, a.w, master);
  dst.Changed();
}

// Plain brush bitmaps in dmCustom, one row at a time, the opacity worked out
// per pixel. F == B needs no test here: every mode that skips it would leave B
// unchanged anyway.
template <class Mode>
struct CustomRow {
  static void Row(TColor32* d, const TColor32* s, int32_t n, uint32_t master) {
    for (int32_t i = 0; i < n; ++i) {
      const TColor32 F = s[i];
      const uint32_t O = ((F >> 24) * master) >> 8;
      if (O == 0) continue;  // transparent pixels and zero opacity leave B in every mode
      d[i] = Mode::Apply(F, d[i], O);
    }
  }
};

// An unclipped block, row by row.
template <class Row>
void BlockLoop(TColor32* d, int32_t dStride, const TColor32* s, int32_t sStride, int32_t w, int32_t h,
               uint32_t master) {
  if (w == 4) {
    // The common case of small dots, with the row length known to the
    // compiler; two rows at once where the row has a form for that.
    int32_t r = 0;
    if constexpr (requires { Row::TwoRowsOfFour(d, dStride, s, sStride, master); })
      for (; r + 2 <= h; r += 2, d += 2 * ptrdiff_t(dStride), s += 2 * ptrdiff_t(sStride))
        Row::TwoRowsOfFour(d, dStride, s, sStride, master);
    for (; r < h; ++r, d += dStride, s += sStride) Row::Row(d, s, 4, master);
    return;
  }
  for (int32_t r = 0; r < h; ++r, d += dStride, s += sStride) Row::Row(d, s, w, master);
}

// The rows of a stamp are a layer's width apart, farther than the processor
// follows a stride on its own, so each row's first and last pixel are asked
// for at once: their fetches then overlap instead of each row waiting in turn.
inline void PrefetchRows(const TColor32* d, int32_t stride, int32_t w, int32_t h) {
  for (int32_t r = 0; r < h; ++r) {
    const TColor32* row = d + ptrdiff_t(r) * stride;
    __builtin_prefetch(row);
    __builtin_prefetch(row + (w - 1));
  }
}

// Prepared brushes (TStampBrush): the generic loop visits only the span of
// each row that is not fully transparent; Row::Run(d, b, at, n) combines n
// brush pixels from index `at` onto d. A Row with WholeRows takes an unclipped
// stamp of a wholeRows brush from end to end, and one with kFetchesItsRows
// asks for those rows itself as it goes.
template <class Row>
void PreparedStamp(TColor32* d, int32_t stride, const TPreparedPixels& b, int32_t sx, int32_t sy, int32_t w,
                   int32_t h) {
  constexpr bool kWholeRows = requires { Row::WholeRows(d, stride, b, sy, h); };
  constexpr bool kFetchesItsRows = requires { Row::kFetchesItsRows; };
  const bool whole = kWholeRows && b.wholeRows && sx == 0 && w == b.width;
  if (!(kFetchesItsRows && whole)) PrefetchRows(d, stride, w, h);
  if constexpr (kWholeRows) {
    if (whole) {
      Row::WholeRows(d, stride, b, sy, h);
      return;
    }
  }
  for (int32_t r = 0; r < h; ++r, d += stride) {
    const int32_t y = sy + r;
    const int32_t lo = std::max(b.spans[2 * ptrdiff_t(y)], sx), hi = std::min(b.spans[2 * ptrdiff_t(y) + 1], sx + w);
    if (lo < hi) Row::Run(d + (lo - sx), b, size_t(y) * size_t(b.width) + size_t(lo), hi - lo);
  }
}

// The plain form serves every mode.
template <class Mode>
struct PreparedRow {
  static void Run(TColor32* d, const TPreparedPixels& b, size_t at, int32_t n) {
    const TColor32* F = b.F + at;
    const uint32_t* opacity = b.opacity + at;
    for (int32_t i = 0; i < n; ++i) {
      const uint32_t O = opacity[i] & 255u;
      if (O != 0) d[i] = Mode::Apply(F[i], d[i], O);
    }
  }
};

#if PLUMAVO_BLEND_SSE2
template <class Mode>
concept VectorMode = requires(V16 v) {
  Mode::Target8(v, v);
};
template <class Mode>
concept HSLVectorMode = requires {
  Mode::kIsHue;
};

inline __m128i Load4(const void* p) { return _mm_loadu_si128(static_cast<const __m128i*>(p)); }
inline __m128i Load2(const void* p) { return _mm_loadl_epi64(static_cast<const __m128i*>(p)); }
#if defined(__AVX2__)
inline __m256i Load8(const void* p) { return _mm256_loadu_si256(static_cast<const __m256i*>(p)); }
#endif

// The common step on two pixels in eight 16-bit lanes,
// (t * O + b * (256 - O)) div 256 = b + floor((t - b) * O / 256), with o2
// holding 2 O: (t - b) * 128 and 2 O both fit signed 16-bit lanes, and the high
// half of their product is floor((t - b) * O * 256 / 65536). One multiply
// instead of two. The alpha lane's o2 is 0, so B's alpha is kept, and a pixel
// with O = 0 comes out unchanged.
template <class V>
inline V MixLanes(V t, V b, V o2) {
  return Add16(b, MulHigh16(ShiftLeft16<7>(Sub16(t, b)), o2));
}

// The target of a per-channel mode from the prepared brush's lanes: each
// channel in its BrushLane form for a mode that has one
// (TPreparedMode::brushLane), else as it is.
template <class Mode, class V>
inline V PreparedTarget8(V lane, V b) {
  if constexpr (HasBrushLane<Mode>)
    return Mode::BrushLaneTarget8(lane, b);
  else
    return Mode::Target8(lane, b);
}

// Per-channel modes, two pixels per register of eight 16-bit lanes: the
// mode's target, then the common step. The brush side comes widened already.
template <class Mode>
requires VectorMode<Mode>
struct PreparedRow<Mode> {
  static __m128i Mix8(__m128i b, const uint16_t* f, const uint16_t* o2) {
    return MixLanes(PreparedTarget8<Mode>(Load4(f), b), b, Load4(o2));
  }
#if defined(__AVX2__)
  // Eight pixels, four to a register. The packing works within each half of
  // the register, so its quarters come out as pixels 0-1, 4-5, 2-3, 6-7 and
  // are put back in order.
  static void Eight(TColor32* d, const uint16_t* f, const uint16_t* o2) {
    const __m128i* at8 = reinterpret_cast<const __m128i*>(d);
    const V16x2 lo = _mm256_cvtepu8_epi16(_mm_loadu_si128(at8));
    const V16x2 hi = _mm256_cvtepu8_epi16(_mm_loadu_si128(at8 + 1));
    const V16x2 rlo = MixLanes(PreparedTarget8<Mode>(Load8(f), lo), lo, Load8(o2));
    const V16x2 rhi = MixLanes(PreparedTarget8<Mode>(Load8(f + 16), hi), hi, Load8(o2 + 16));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d), _mm256_permute4x64_epi64(_mm256_packus_epi16(rlo, rhi), 0xD8));
  }

  // Eight pixels whose brush lanes come in the paired order: the byte
  // unpacking takes the destination pixels 0-1, 4-5 and 2-3, 6-7 into its
  // two registers, and the packing puts them back in order.
  static void EightPaired(TColor32* d, const uint16_t* f, const uint16_t* o2) {
    const __m256i B = Load8(d), z = _mm256_setzero_si256();
    const V16x2 lo = _mm256_unpacklo_epi8(B, z), hi = _mm256_unpackhi_epi8(B, z);
    const V16x2 rlo = MixLanes(PreparedTarget8<Mode>(Load8(f), lo), lo, Load8(o2));
    const V16x2 rhi = MixLanes(PreparedTarget8<Mode>(Load8(f + 16), hi), hi, Load8(o2 + 16));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d), _mm256_packus_epi16(rlo, rhi));
  }

  // Rows sy .. sy + h - 1 from end to end (the brush width is a multiple of
  // four): the pixels outside the spans have O = 0, which leaves them as
  // they are. The common widths have a row written out in full.
  static constexpr bool kFetchesItsRows = true;
  static void WholeRows(TColor32* d, int32_t stride, const TPreparedPixels& b, int32_t sy, int32_t h) {
    const int32_t n = b.width;
    const uint16_t *f = b.f16Paired + size_t(sy) * size_t(n) * 4, *o2 = b.o2Paired + size_t(sy) * size_t(n) * 4;
    switch (n) {
      case 12: return RowsOf<1, true>(d, stride, f, o2, h);
      case 16: return RowsOf<2, false>(d, stride, f, o2, h);
      case 20: return RowsOf<2, true>(d, stride, f, o2, h);
      case 24: return RowsOf<3, false>(d, stride, f, o2, h);
      case 28: return RowsOf<3, true>(d, stride, f, o2, h);
      case 32: return RowsOf<4, false>(d, stride, f, o2, h);
      default: break;
    }
    PrefetchRows(d, stride, n, h);
    for (int32_t r = 0; r < h; ++r, d += stride) {
      int32_t i = 0;
      for (; i + 8 <= n; i += 8, f += 32, o2 += 32) EightPaired(d + i, f, o2);
      if (i < n) Four(d + i, f, o2), f += 16, o2 += 16;
    }
  }

  // Rows of `Eights` groups of eight pixels and, with LastFour, a last four.
  // A row is a straight run of groups with one pointer per array, where the
  // general loop above spends a good part of a short row on its own
  // counting. The rows are asked for kRowsAhead ahead of the one being
  // mixed, so that their fetches overlap the mixing; asking for all of
  // them at once would wait for the first few with nothing to do.
  static constexpr int32_t kRowsAhead = 8;
  template <int32_t Eights, bool LastFour>
  static void RowsOf(TColor32* d, int32_t stride, const uint16_t* f, const uint16_t* o2, int32_t h) {
    constexpr int32_t kWidth = 8 * Eights + (LastFour ? 4 : 0), kLanes = 4 * kWidth;
    PrefetchRows(d, stride, kWidth, std::min(h, kRowsAhead));
    for (int32_t r = 0; r < h; ++r, d += stride, f += kLanes, o2 += kLanes) {
      if (r + kRowsAhead < h) PrefetchRows(d + kRowsAhead * ptrdiff_t(stride), stride, kWidth, 1);
#pragma GCC unroll 4
      for (ptrdiff_t g = 0; g < Eights; ++g) EightPaired(d + 8 * g, f + 32 * g, o2 + 32 * g);
      constexpr ptrdiff_t kLast = Eights;
      if constexpr (LastFour) Four(d + 8 * kLast, f + 32 * kLast, o2 + 32 * kLast);
    }
  }
#endif

  // Four pixels.
  static void Four(TColor32* d, const uint16_t* f, const uint16_t* o2) {
    const __m128i z = _mm_setzero_si128();
    const __m128i B = Load4(d);
    const __m128i lo = Mix8(_mm_unpacklo_epi8(B, z), f, o2);
    const __m128i hi = Mix8(_mm_unpackhi_epi8(B, z), f + 8, o2 + 8);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d), _mm_packus_epi16(lo, hi));
  }

  static void Run(TColor32* d, const TPreparedPixels& b, size_t at, int32_t n) {
    const __m128i z = _mm_setzero_si128();
    const uint16_t *f = b.f16 + at * 4, *o2 = b.o2 + at * 4;
    int32_t i = 0;
#if defined(__AVX2__)
    for (; i + 8 <= n; i += 8, f += 32, o2 += 32) Eight(d + i, f, o2);
#endif
    for (; i + 4 <= n; i += 4, f += 16, o2 += 16) Four(d + i, f, o2);
    // One to three pixels left: two, then one, through the low lanes. The
    // brush arrays are read in whole registers only where they hold those
    // pixels' lanes, so copy them to a small block first; lanes left at
    // o2 = 0 change nothing.
    if (i < n) {
      alignas(16) uint16_t ft[8] = {}, ot[8] = {};
      while (i < n) {
        const int32_t m = std::min(n - i, 2);
        for (int32_t k = 0; k < 4 * m; ++k) ft[k] = f[k], ot[k] = o2[k];
        const __m128i B = m == 2 ? Load2(d + i) : _mm_cvtsi32_si128(int32_t(d[i]));
        const __m128i r = _mm_packus_epi16(Mix8(_mm_unpacklo_epi8(B, z), ft, ot), z);
        if (m == 2)
          _mm_storel_epi64(reinterpret_cast<__m128i*>(d + i), r);
        else
          d[i] = uint32_t(_mm_cvtsi128_si32(r));
        i += m, f += 4 * ptrdiff_t(m), o2 += 4 * ptrdiff_t(m);
      }
    }
  }
};

// The same for plain brush bitmaps: each pixel's O = (alpha * master) div 256
// (at most 255 * 255 before the shift) spread over its three colour lanes,
// 0 in the alpha lane.
template <class Mode>
requires VectorMode<Mode>
struct CustomRow<Mode> {
  // One register of pixels (two or, with AVX2, four): F's mode target mixed
  // onto B with each pixel's opacity.
  template <class V>
  static V Mix(V f, V b, V master) {
    const V o = AndNot(PixelLaneMask<V>(3), MulShift<8>(EachPixelsAlpha(f), master));
    return MixLanes(Mode::Target8(f, b), b, Add16(o, o));
  }
#if defined(__AVX2__)
  // Rows of four pixels at d and d + dStride from s and s + sStride: one row
  // in each half of the register, so the packing needs no reordering.
  static void TwoRowsOfFour(TColor32* d, int32_t dStride, const TColor32* s, int32_t sStride, uint32_t master) {
    const __m256i z = _mm256_setzero_si256(), m = Splat16<V16x2>(int(master));
    const __m256i F = _mm256_inserti128_si256(_mm256_castsi128_si256(Load4(s)), Load4(s + sStride), 1);
    const __m256i B = _mm256_inserti128_si256(_mm256_castsi128_si256(Load4(d)), Load4(d + dStride), 1);
    const __m256i lo = Mix(_mm256_unpacklo_epi8(F, z), _mm256_unpacklo_epi8(B, z), m);
    const __m256i hi = Mix(_mm256_unpackhi_epi8(F, z), _mm256_unpackhi_epi8(B, z), m);
    const __m256i r = _mm256_packus_epi16(lo, hi);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d), _mm256_castsi256_si128(r));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + dStride), _mm256_extracti128_si256(r, 1));
  }
#endif
  static void Row(TColor32* d, const TColor32* s, int32_t n, uint32_t master) {
    const __m128i z = _mm_setzero_si128(), m = Splat16<V16>(int(master));
    int32_t i = 0;
    for (; i + 4 <= n; i += 4) {
      const __m128i F = Load4(s + i), B = Load4(d + i);
      const __m128i lo = Mix(_mm_unpacklo_epi8(F, z), _mm_unpacklo_epi8(B, z), m);
      const __m128i hi = Mix(_mm_unpackhi_epi8(F, z), _mm_unpackhi_epi8(B, z), m);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), _mm_packus_epi16(lo, hi));
    }
    if (n - i >= 2) {
      const __m128i r = Mix(_mm_unpacklo_epi8(Load2(s + i), z), _mm_unpacklo_epi8(Load2(d + i), z), m);
      _mm_storel_epi64(reinterpret_cast<__m128i*>(d + i), _mm_packus_epi16(r, z));
      i += 2;
    }
    if (i < n) {
      const __m128i F = _mm_cvtsi32_si128(int32_t(s[i])), B = _mm_cvtsi32_si128(int32_t(d[i]));
      d[i] = uint32_t(_mm_cvtsi128_si32(_mm_packus_epi16(Mix(_mm_unpacklo_epi8(F, z), _mm_unpacklo_epi8(B, z), m), z)));
    }
  }
};

// Hue, Saturation, Lightness: the targets of four pixels per step (eight with
// AVX2), then the common step on 16-bit lanes. A last one to three
// pixels, and for Hue a group holding a pixel the fast target cannot serve,
// take the plain per-pixel form; Hue skips a group of grey pixels, which it
// leaves as they are.
template <class Mode>
requires HSLVectorMode<Mode>
struct PreparedRow<Mode> {
  static void Run(TColor32* d, const TPreparedPixels& b, size_t at, int32_t n) { Run(d, b, at, n, Table()); }

  // Rows sy .. sy + h - 1 from end to end: the pixels outside the spans have
  // O = 0, which leaves them as they are. With AVX2 the 2 O lanes come from
  // o2Paired, in the order the byte unpacking takes the pixels.
  static void WholeRows(TColor32* d, int32_t stride, const TPreparedPixels& b, int32_t sy, int32_t h) {
    const HueMix* table = Table();
#if defined(__AVX2__)
    constexpr bool kPaired = true;
#else
    constexpr bool kPaired = false;
#endif
    for (int32_t r = 0; r < h; ++r, d += stride) Run<kPaired>(d, b, size_t(sy + r) * size_t(b.width), b.width, table);
  }

 private:
  static const HueMix* Table() {
    if constexpr (Mode::kIsHue) return HueMixTable();
    return nullptr;
  }

  // kPaired: o2 laid out as o2Paired (groups of eight in the unpacking's
  // order, a last four in order).
  template <bool kPaired = false>
  static void Run(TColor32* d, const TPreparedPixels& b, size_t at, int32_t n, [[maybe_unused]] const HueMix* table) {
    const uint16_t* o2 = (kPaired ? b.o2Paired : b.o2) + at * 4;
    [[maybe_unused]] const float* own = b.own + at;
    int32_t i = 0;
#if defined(__AVX2__)
    // Eight pixels a step. For Hue, a group with a slow pixel goes on as two
    // of four.
    for (; i + 8 <= n; i += 8, o2 += 32) {
      const __m256i B = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + i));
      __m256i T;
      if constexpr (Mode::kIsHue) {
        if (AllGrey<8>(B)) continue;
        if (!HueFast8(own + i, b.ownStride)) {
          const uint16_t* inOrder = b.o2 + (at + size_t(i)) * 4;
          RunFour(d, b, at, i, inOrder, table);
          RunFour(d, b, at, i + 4, inOrder + 16, table);
          continue;
        }
        T = HueTarget8(own + i, b.ownStride, Bounds<8>(B), table);
      } else {
        T = Mode::template Targets<8>(own + i, B);
      }
      const __m256i lo =
          MixLanes(_mm256_unpacklo_epi8(T, _mm256_setzero_si256()), _mm256_unpacklo_epi8(B, _mm256_setzero_si256()),
                   kPaired ? Load8(o2) : Interleaved(o2));
      const __m256i hi =
          MixLanes(_mm256_unpackhi_epi8(T, _mm256_setzero_si256()), _mm256_unpackhi_epi8(B, _mm256_setzero_si256()),
                   kPaired ? Load8(o2 + 16) : Interleaved(o2 + 8));
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i), _mm256_packus_epi16(lo, hi));
    }
#endif
    for (; i + 4 <= n; i += 4, o2 += 16) RunFour(d, b, at, i, o2, table);
    for (; i < n; ++i) Plain(d, b, at, i);
  }

  static void Plain(TColor32* d, const TPreparedPixels& b, size_t at, int32_t i) {
    const uint32_t O = b.opacity[at + size_t(i)] & 255u;
    if (O != 0) d[i] = Mode::Apply(b.F[at + size_t(i)], d[i], O);
  }

#if defined(__AVX2__)
  // The 2 O lanes of pixels 0-1 and 4-5 (from p) and of 2-3 and 6-7 (p + 8),
  // matching the byte unpacking, which works within each half.
  static __m256i Interleaved(const uint16_t* p) { return _mm256_set_m128i(Load4(p + 16), Load4(p)); }
#endif

  // Pixels i .. i + 3.
  static void RunFour(TColor32* d, const TPreparedPixels& b, size_t at, int32_t i, const uint16_t* o2,
                      [[maybe_unused]] const HueMix* table) {
    const __m128i z = _mm_setzero_si128();
    const float* own = b.own + at;
    const __m128i B = Load4(d + i);
    __m128i T;
    if constexpr (Mode::kIsHue) {
      if (AllGrey<4>(B)) return;
      if (!HueFast4(own + i, b.ownStride)) {
        for (int32_t k = i; k < i + 4; ++k) Plain(d, b, at, k);
        return;
      }
      T = HueTarget4(own + i, b.ownStride, Bounds<4>(B), table);
    } else {
      T = Mode::template Targets<4>(own + i, B);
    }
    const __m128i lo = MixLanes(_mm_unpacklo_epi8(T, z), _mm_unpacklo_epi8(B, z), Load4(o2));
    const __m128i hi = MixLanes(_mm_unpackhi_epi8(T, z), _mm_unpackhi_epi8(B, z), Load4(o2 + 8));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), _mm_packus_epi16(lo, hi));
  }
};
#endif

}  // namespace PLUMAVO_KERNEL_SET
}  // namespace plumavo::blend
