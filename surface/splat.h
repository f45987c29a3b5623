// The sub-pixel plot: a colour spread over the four pixels around a point
// given in fixed point (8 fraction bits), weighted by the gamma table. The
// one implementation behind TBitmap32::SplatPixel and the renderer's dots.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

#include "surface/bitmap32.h"

namespace plumavo {

// Pixels a splat may write: a width x height block of rows, of which only
// rows lo .. hi - 1 (a stripe of a layer shared by two threads).
struct SplatTarget {
  TColor32* bits;
  int32_t width, height;
  int64_t limitX, limitY;  // width * 256, height * 256
  int32_t lo, hi;
  SplatTarget(TColor32* b, int32_t w, int32_t h)
      : bits(b), width(w), height(h), limitX(int64_t(w) * 256), limitY(int64_t(h) * 256), lo(0), hi(h) {}
  explicit SplatTarget(TBitmap32& b) : SplatTarget(b.Bits(), b.Width(), b.Height()) {}
};

// One of the four: weight 0 leaves the pixel, 255 replaces it.
inline void SplatOne(TColor32& b, TColor32 c, uint32_t w) {
  if (w == 0) return;
  b = w == 255 ? c : BlendPixelWeighted(c, b, w);
}

// The four weights of a splat at fraction (fx, fy) with alpha A.
struct SplatWeights {
  uint32_t w00, w10, w11, w01;
};
inline SplatWeights SplatWeightsAt(uint32_t fx, uint32_t fy, uint32_t A, const uint8_t* G) {
  return {(A * G[255 - fx] * G[255 - fy]) >> 16, (A * G[fx] * G[255 - fy]) >> 16, (A * G[fx] * G[fy]) >> 16,
          (A * G[255 - fx] * G[fy]) >> 16};
}

#if defined(__SSE2__)
// SplatOne on two pixels in eight 16-bit lanes, weight w per lane and colour
// C widened: the mix ((256 - w) b + w c + 128) div 256 (at most
// 256 * 255 + 128, so it fits), which leaves b as it is for w = 0, or c
// itself where w = 255.
inline __m128i SplatLanes(__m128i b, __m128i w, __m128i C) {
  const __m128i mixed = _mm_srli_epi16(
      _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_sub_epi16(_mm_set1_epi16(256), w), b), _mm_mullo_epi16(w, C)),
                    _mm_set1_epi16(128)),
      8);
  const __m128i full = _mm_cmpeq_epi16(w, _mm_set1_epi16(255));
  return _mm_or_si128(_mm_and_si128(full, C), _mm_andnot_si128(full, mixed));
}
#endif

// The splat pixel by pixel, in the order top-left, top-right, bottom-right,
// bottom-left, each clipped on its own. The reference for the wide path.
inline void SplatFixedScalar(const SplatTarget& t, int32_t X, int32_t Y, TColor32 c, const uint8_t* G) {
  if (X < -256 || X >= t.limitX || Y < -256 || Y >= t.limitY) return;
  const int32_t px = X >> 8, py = Y >> 8;
  const SplatWeights w = SplatWeightsAt(uint32_t(X & 255), uint32_t(Y & 255), c >> 24, G);
  const bool x0In = px >= 0, x1In = px + 1 < t.width;
  const bool y0In = py >= t.lo && py < t.hi, y1In = py + 1 >= t.lo && py + 1 < t.hi;
  if (y0In) {
    TColor32* row = t.bits + size_t(py) * size_t(t.width);
    if (x0In) SplatOne(row[px], c, w.w00);
    if (x1In) SplatOne(row[px + 1], c, w.w10);
  }
  if (y1In) {
    TColor32* row = t.bits + size_t(py + 1) * size_t(t.width);
    if (x1In) SplatOne(row[px + 1], c, w.w11);
    if (x0In) SplatOne(row[px], c, w.w01);
  }
}

// The splat at fixed point (X, Y). When all four pixels are inside, they are
// mixed at once in 16-bit lanes; they are distinct pixels, so their order
// does not matter and the result equals SplatFixedScalar.
[[gnu::always_inline]] inline void SplatFixed(const SplatTarget& t, int32_t X, int32_t Y, TColor32 c,
                                              const uint8_t* G) {
#if defined(__SSE2__)
  if (X >= 0 && X < t.limitX - 256 && Y >= int64_t(t.lo) * 256 && Y < int64_t(t.hi - 1) * 256) {
    const uint32_t fx = uint32_t(X & 255), fy = uint32_t(Y & 255);
    TColor32* row0 = t.bits + size_t(Y >> 8) * size_t(t.width) + size_t(X >> 8);
    TColor32* row1 = row0 + t.width;
    const __m128i z = _mm_setzero_si128();
    const __m128i C = _mm_unpacklo_epi8(_mm_set1_epi32(int32_t(c)), z);
    const __m128i top = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(row0)), z);
    const __m128i bottom = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(row1)), z);
    // The weights as SplatWeightsAt makes them, in lanes: A gx fits 16 bits,
    // and the high half of its product with gy is (A gx gy) div 65536. gx is
    // G[255 - fx] in the left pixel's lanes and G[fx] in the right one's.
    const auto spread = [](uint32_t left, uint32_t right) {
      const __m128i v = _mm_cvtsi32_si128(int32_t(left | right << 16));
      const __m128i twice = _mm_unpacklo_epi16(v, v);
      return _mm_unpacklo_epi32(twice, twice);
    };
    const __m128i gx = _mm_mullo_epi16(spread(G[255 - fx], G[fx]), _mm_set1_epi16(int16_t(c >> 24)));
    const __m128i wTop = _mm_mulhi_epu16(gx, _mm_set1_epi16(int16_t(G[255 - fy])));
    const __m128i wBottom = _mm_mulhi_epu16(gx, _mm_set1_epi16(int16_t(G[fy])));
    const __m128i r = _mm_packus_epi16(SplatLanes(top, wTop, C), SplatLanes(bottom, wBottom, C));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(row0), r);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(row1), _mm_unpackhi_epi64(r, r));
    return;
  }
#endif
  SplatFixedScalar(t, X, Y, c, G);
}

}  // namespace plumavo
