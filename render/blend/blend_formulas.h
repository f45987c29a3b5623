// One small pure formula per blend mode. Shared by the combine functions and
// the stamp kernels so both give the same pixels; nothing here allocates or
// branches on the mode at run time.
//
// A mode is a struct with
//   static TColor32 Apply(TColor32 F, TColor32 B, uint32_t O);
// returning the new destination for source F, destination B and opacity
// O in 1..254, and
//   static constexpr bool kSkipEqual;
// true when the mode leaves B alone whenever F == B (all 32 bits).
//
// Most modes share one frame: a per-channel target t(f, b) and the step
// b + floor((t - b) * O / 256). Since b + floor(x / 256) = floor((256 b + x) / 256),
// that step equals (t * O + b * (256 - O)) div 256 with a non-negative numerator
// below 65536, so two channels fit one 32-bit word (see MixTowards).
//
// Where a target needs no division or table, the rule also has
//   static V16 Target8(V16 f, V16 b);
// the same target on eight 16-bit lanes (two pixels, channel values 0..255).
// Every product of two channel values is at most 255 * 255 < 65536, so unsigned
// 16-bit lanes hold it exactly and a logical shift is the integer division;
// these forms are the scalar ones lane by lane, with both sides of a choice
// computed and one selected.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <tuple>

#if defined(__SSE2__)
#include <emmintrin.h>
#define PLUMAVO_BLEND_SSE2 1
#endif
#if defined(__AVX2__)
#include <immintrin.h>
#endif

// The kernels are compiled once for the baseline processor and once more, in
// stamp_wide.cpp, for AVX2; each compilation keeps its inline code in its own
// namespace, so the linker can never take one's copy for the other's.
#ifndef PLUMAVO_KERNEL_SET
#define PLUMAVO_KERNEL_SET baseline
#endif

#include "render/blend/blend_modes.h"

namespace plumavo::blend {

// Hue mode, worked out ahead. With the hue taken from F, HSLToRGB needs of B
// only m1 and m2, which follow from B's largest and smallest channel alone, so
// they are tabulated once for every such pair (mx >= mn) with the scalar
// arithmetic. Each of F's three channels then is m1 + ((m2 - m1) * k) * s, or
// m2, with k, s and the choice fixed by F's hue: k = 6h, s = 1 on the rising
// part, m2 on the flat top, k = 2/3 - h, s = 6 on the falling part and k = 0,
// s = 1 (giving m1) elsewhere; multiplying by 1 and adding 0 are exact, so
// these are HSLToRGB's own operations. A grey B has m1 = m2 = L, which gives
// Round(255 L) for every channel as HSLToRGB does.
//
// Three hues a third apart leave at most one of them on a sloping part, so
// nearly every colour has one channel that needs the arithmetic; the others
// are Round(255 m1) or Round(255 m2). The few colours with two sloping
// channels (hues exactly on a boundary after rounding) are marked and take the
// plain per-pixel form.
struct HueMix {
  float m1, m2;
};
static_assert(sizeof(HueMix) == 8, "entries are read as one 64-bit pair");
inline constexpr uint32_t HueMixIndex(uint32_t mx, uint32_t mn) { return mx * (mx + 1) / 2 + mn; }
const HueMix* HueMixTable();
// Planes: k and s of the sloping channel (0 and 1 without one), then, as bit
// patterns, the byte masks of the channels that take m1, m2 and the sloping
// value. A sloping mask of all ones marks a colour the fast form cannot serve.
inline constexpr int kHueOwnPlanes = 5;
inline constexpr uint32_t kHueSlow = 0xFFFFFFFFu;
void HueOwn(TColor32 F, float* out, size_t stride);

inline namespace PLUMAVO_KERNEL_SET {

#if PLUMAVO_BLEND_SSE2
// Sixteen-bit lane operations under one name for both register widths, so
// each formula below is written once: V16 holds two pixels, and with AVX2 a
// V16x2 holds four.
using V16 = __m128i;
template <class V>
V Splat16(int v);
template <>
inline V16 Splat16<V16>(int v) {
  return _mm_set1_epi16(int16_t(v));
}
inline V16 Add16(V16 a, V16 b) { return _mm_add_epi16(a, b); }
inline V16 Sub16(V16 a, V16 b) { return _mm_sub_epi16(a, b); }
inline V16 SubSat16(V16 a, V16 b) { return _mm_subs_epu16(a, b); }
inline V16 MulLow16(V16 a, V16 b) { return _mm_mullo_epi16(a, b); }
inline V16 MulHigh16(V16 a, V16 b) { return _mm_mulhi_epi16(a, b); }
inline V16 Max16(V16 a, V16 b) { return _mm_max_epi16(a, b); }
inline V16 Min16(V16 a, V16 b) { return _mm_min_epi16(a, b); }
inline V16 Greater16(V16 a, V16 b) { return _mm_cmpgt_epi16(a, b); }
inline V16 And(V16 a, V16 b) { return _mm_and_si128(a, b); }
inline V16 Or(V16 a, V16 b) { return _mm_or_si128(a, b); }
inline V16 AndNot(V16 mask, V16 a) { return _mm_andnot_si128(mask, a); }
template <int N>
inline V16 ShiftRight16(V16 a) {
  return _mm_srli_epi16(a, N);
}
template <int N>
inline V16 ShiftLeft16(V16 a) {
  return _mm_slli_epi16(a, N);
}
// Each pixel's alpha in all four of its lanes.
inline V16 EachPixelsAlpha(V16 a) { return _mm_shufflehi_epi16(_mm_shufflelo_epi16(a, 0xFF), 0xFF); }
// All ones in lane `lane` of each pixel (blue 0, green 1, red 2, alpha 3).
template <class V>
V PixelLaneMask(int lane);
template <>
inline V16 PixelLaneMask<V16>(int lane) {
  const int16_t m[4] = {int16_t(lane == 0 ? -1 : 0), int16_t(lane == 1 ? -1 : 0), int16_t(lane == 2 ? -1 : 0),
                        int16_t(lane == 3 ? -1 : 0)};
  return _mm_set_epi16(m[3], m[2], m[1], m[0], m[3], m[2], m[1], m[0]);
}

#if defined(__AVX2__)
using V16x2 = __m256i;
template <>
inline V16x2 Splat16<V16x2>(int v) {
  return _mm256_set1_epi16(int16_t(v));
}
inline V16x2 Add16(V16x2 a, V16x2 b) { return _mm256_add_epi16(a, b); }
inline V16x2 Sub16(V16x2 a, V16x2 b) { return _mm256_sub_epi16(a, b); }
inline V16x2 SubSat16(V16x2 a, V16x2 b) { return _mm256_subs_epu16(a, b); }
inline V16x2 MulLow16(V16x2 a, V16x2 b) { return _mm256_mullo_epi16(a, b); }
inline V16x2 MulHigh16(V16x2 a, V16x2 b) { return _mm256_mulhi_epi16(a, b); }
inline V16x2 Max16(V16x2 a, V16x2 b) { return _mm256_max_epi16(a, b); }
inline V16x2 Min16(V16x2 a, V16x2 b) { return _mm256_min_epi16(a, b); }
inline V16x2 Greater16(V16x2 a, V16x2 b) { return _mm256_cmpgt_epi16(a, b); }
inline V16x2 And(V16x2 a, V16x2 b) { return _mm256_and_si256(a, b); }
inline V16x2 Or(V16x2 a, V16x2 b) { return _mm256_or_si256(a, b); }
inline V16x2 AndNot(V16x2 mask, V16x2 a) { return _mm256_andnot_si256(mask, a); }
template <int N>
inline V16x2 ShiftRight16(V16x2 a) {
  return _mm256_srli_epi16(a, N);
}
template <int N>
inline V16x2 ShiftLeft16(V16x2 a) {
  return _mm256_slli_epi16(a, N);
}
inline V16x2 EachPixelsAlpha(V16x2 a) { return _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(a, 0xFF), 0xFF); }
template <>
inline V16x2 PixelLaneMask<V16x2>(int lane) {
  const V16 half = PixelLaneMask<V16>(lane);
  return _mm256_set_m128i(half, half);
}
#endif

// (a * b) div 2^n for lane values whose product stays below 65536.
template <int N, class V>
inline V MulShift(V a, V b) {
  return ShiftRight16<N>(MulLow16(a, b));
}
template <class V>
inline V Inv(V a) {
  return Sub16(Splat16<V>(255), a);
}
template <class V>
inline V Select(V mask, V yes, V no) {
  return Or(And(mask, yes), AndNot(mask, no));
}
#endif

inline constexpr uint32_t Ch(TColor32 c, int shift) { return (c >> shift) & 255u; }

// Moves every colour channel of B toward T by O/256, rounding toward minus
// infinity; B's alpha byte is kept.
inline constexpr TColor32 MixTowards(TColor32 T, TColor32 B, uint32_t O) {
  const uint32_t iO = 256 - O;
  const uint32_t rb = ((((T & 0x00FF00FFu) * O) + ((B & 0x00FF00FFu) * iO)) >> 8) & 0x00FF00FFu;
  const uint32_t g = ((((T & 0x0000FF00u) * O) + ((B & 0x0000FF00u) * iO)) >> 8) & 0x0000FF00u;
  return (B & 0xFF000000u) | rb | g;
}

#if PLUMAVO_BLEND_SSE2
template <class T>
concept HasTarget8 = requires(V16 v) {
  T::Target8(v, v);
};
#endif

// The common frame for modes whose target depends on one channel pair only.
template <class Rule>
struct PerChannel {
  static constexpr bool kSkipEqual = false;
  static TColor32 Apply(TColor32 F, TColor32 B, uint32_t O) {
    const TColor32 T = (Rule::Target(Ch(F, 16), Ch(B, 16)) << 16) | (Rule::Target(Ch(F, 8), Ch(B, 8)) << 8) |
                       Rule::Target(Ch(F, 0), Ch(B, 0));
    return MixTowards(T, B, O);
  }
#if PLUMAVO_BLEND_SSE2
  template <class V>
  static V Target8(V f, V b) requires HasTarget8<Rule> {
    return Rule::Target8(f, b);
  }
#endif
};

// Per-channel targets, f and b in 0..255, result in 0..255.
struct MultiplyRule {
  static uint32_t Target(uint32_t f, uint32_t b) { return (b * f) >> 8; }
#if PLUMAVO_BLEND_SSE2
  template <class V>
  static V Target8(V f, V b) {
    return MulShift<8>(b, f);
  }
#endif
};
struct ScreenRule {
  static uint32_t Target(uint32_t f, uint32_t b) { return 255 - (((255 - b) * (255 - f)) >> 8); }
#if PLUMAVO_BLEND_SSE2
  template <class V>
  static V Target8(V f, V b) {
    return Inv(MulShift<8>(Inv(b), Inv(f)));
  }
#endif
};
struct OverlayRule {
  static uint32_t Target(uint32_t f, uint32_t b) {
    return b >= 128 ? 255 - (((255 - b) * (255 - f)) >> 7) : (b * f) >> 7;
  }
#if PLUMAVO_BLEND_SSE2
  template <class V>
  static V Target8(V f, V b) {
    return Select(Greater16(b, Splat16<V>(127)), Inv(MulShift<7>(Inv(b), Inv(f))), MulShift<7>(b, f));
  }
#endif
};
struct ReflectRule {
  static uint32_t Target(uint32_t f, uint32_t b) { return f < 255 ? std::min(b * b / (255 - f), 255u) : 255u; }
};
struct SoftLightRule {
  static uint32_t Target(uint32_t f, uint32_t b) {
    const uint32_t m = (b * f) >> 8;
    const uint32_t s = 255 - (((255 - b) * (255 - f)) >> 8);
    // s >= m for all inputs, so the difference stays unsigned.
    return m + (((s - m) * b) >> 8);
  }
#if PLUMAVO_BLEND_SSE2
  template <class V>
  static V Target8(V f, V b) {
    const V m = MulShift<8>(b, f);
    const V s = Inv(MulShift<8>(Inv(b), Inv(f)));
    return Add16(m, MulShift<8>(Sub16(s, m), b));
  }
#endif
};
struct BrightLightRule {
  static uint32_t Target(uint32_t f, uint32_t b) { return SqrtTable()[size_t(f) * b]; }
};
struct HardLightRule {
  static uint32_t Target(uint32_t f, uint32_t b) {
    return f >= 128 ? 255 - (((255 - f) * (255 - b)) >> 7) : (b * f) >> 7;
  }
#if PLUMAVO_BLEND_SSE2
  template <class V>
  static V Target8(V f, V b) {
    return Select(Greater16(f, Splat16<V>(127)), Inv(MulShift<7>(Inv(f), Inv(b))), MulShift<7>(b, f));
  }
#endif
};
struct ColorDodgeRule {
  static uint32_t Target(uint32_t f, uint32_t b) { return f < 255 ? std::min((b << 8) / (255 - f), 255u) : 255u; }
};
struct ColorBurnRule {
  static uint32_t Target(uint32_t f, uint32_t b) {
    if (f == 0) return 0;
    const int32_t v = 255 - int32_t(((255 - b) << 8) / f);
    return v < 0 ? 0u : uint32_t(v);
  }
};
struct LightenRule {
  static uint32_t Target(uint32_t f, uint32_t b) { return std::max(f, b); }
#if PLUMAVO_BLEND_SSE2
  template <class V>
  static V Target8(V f, V b) {
    return Max16(f, b);
  }
#endif
};
struct DarkenRule {
  static uint32_t Target(uint32_t f, uint32_t b) { return std::min(f, b); }
#if PLUMAVO_BLEND_SSE2
  template <class V>
  static V Target8(V f, V b) {
    return Min16(f, b);
  }
#endif
};
struct AdditiveRule {
  static uint32_t Target(uint32_t f, uint32_t b) { return std::min(f + b, 255u); }
#if PLUMAVO_BLEND_SSE2
  template <class V>
  static V Target8(V f, V b) {
    return Min16(Add16(f, b), Splat16<V>(255));
  }
#endif
};
struct SubtractiveRule {
  // 256, not 255: equal halves cancel out completely.
  static uint32_t Target(uint32_t f, uint32_t b) { return f + b > 256 ? f + b - 256 : 0u; }
#if PLUMAVO_BLEND_SSE2
  template <class V>
  static V Target8(V f, V b) {
    return SubSat16(Add16(f, b), Splat16<V>(256));
  }
#endif
};
struct AverageRule {
  static uint32_t Target(uint32_t f, uint32_t b) { return (f + b) >> 1; }
#if PLUMAVO_BLEND_SSE2
  template <class V>
  static V Target8(V f, V b) {
    return ShiftRight16<1>(Add16(f, b));
  }
#endif
};
struct DifferenceRule {
  static uint32_t Target(uint32_t f, uint32_t b) { return f > b ? f - b : b - f; }
#if PLUMAVO_BLEND_SSE2
  template <class V>
  static V Target8(V f, V b) {
    return Sub16(Max16(f, b), Min16(f, b));
  }
#endif
};
struct ExclusionRule {
  // b + f - bf/128 stays in 0..255 even though it lies below b for bright pairs.
  static uint32_t Target(uint32_t f, uint32_t b) { return b + f - ((b * f) >> 7); }
#if PLUMAVO_BLEND_SSE2
  template <class V>
  static V Target8(V f, V b) {
    return Sub16(Add16(b, f), MulShift<7>(b, f));
  }
#endif
};
struct NegationRule {
  static uint32_t Target(uint32_t f, uint32_t b) { return 255 - uint32_t(std::abs(255 - int32_t(b) - int32_t(f))); }
#if PLUMAVO_BLEND_SSE2
  template <class V>
  static V Target8(V f, V b) {
    const V d = Sub16(Sub16(Splat16<V>(255), b), f);  // -255 .. 255, signed
    return Inv(Max16(d, Sub16(Splat16<V>(0), d)));
  }
#endif
};
struct HeatRule {
  static uint32_t Target(uint32_t f, uint32_t b) {
    return b > 0 ? 255 - std::min((255 - f) * (255 - f) / b, 255u) : 0u;
  }
};
struct FreezeRule {
  static uint32_t Target(uint32_t f, uint32_t b) {
    return f > 0 ? 255 - std::min((255 - b) * (255 - b) / f, 255u) : 0u;
  }
};
struct IdentityRule {
  static uint32_t Target(uint32_t f, uint32_t b) { return IdentityTable()[(f << 8) | b] & 255u; }
#if PLUMAVO_BLEND_SSE2
  template <class V>
  static V Target8(V f, V) {
    return f;
  }
#endif
};

// Normal keeps its own frame: F == B changes nothing, and the mix
// (f O + b (256 - O)) div 256 is exactly the common step with t = f.
struct Normal {
  static constexpr bool kSkipEqual = true;
  static TColor32 Apply(TColor32 F, TColor32 B, uint32_t O) { return MixTowards(F, B, O); }
#if PLUMAVO_BLEND_SSE2
  template <class V>
  static V Target8(V f, V) {
    return f;
  }
#endif
};

// Glow mixes with 255 - O, so even a full match of g and b darkens slightly.
struct Glow {
  static constexpr bool kSkipEqual = false;
  static uint32_t Channel(uint32_t f, uint32_t b, uint32_t O) {
    const uint32_t g = b == 255 ? 255u : std::min(f * f / (255 - b), 255u);
    return (O * g + (255 - O) * b) >> 8;
  }
  static TColor32 Apply(TColor32 F, TColor32 B, uint32_t O) {
    return (B & 0xFF000000u) | (Channel(Ch(F, 16), Ch(B, 16), O) << 16) | (Channel(Ch(F, 8), Ch(B, 8), O) << 8) |
           Channel(Ch(F, 0), Ch(B, 0), O);
  }
};

// Red, Green, Blue: the target is B with one channel taken from F.
template <int Shift>
struct SingleChannel {
  static constexpr bool kSkipEqual = false;
  static TColor32 Apply(TColor32 F, TColor32 B, uint32_t O) {
    constexpr TColor32 mask = 255u << Shift;
    return MixTowards((B & ~mask) | (F & mask), B, O);
  }
#if PLUMAVO_BLEND_SSE2
  // Lanes hold blue, green, red, alpha of one pixel, then of the next.
  template <class V>
  static V Target8(V f, V b) {
    return Select(PixelLaneMask<V>(Shift / 8), f, b);
  }
#endif
};

#if PLUMAVO_BLEND_SSE2
// RGBToHSL and HSLToRGB on four pixels at once. Each lane performs the scalar
// operations one by one in single precision (IEEE division included, nothing
// fused), and every choice computes both sides and selects, so each lane gives
// the scalar result bit for bit.
struct HSL4 {
  __m128 H, S, L;
};

inline __m128 SelectPs(__m128 mask, __m128 yes, __m128 no) {
  return _mm_or_ps(_mm_and_ps(mask, yes), _mm_andnot_ps(mask, no));
}
inline __m128i SelectI(__m128 mask, __m128i yes, __m128i no) { return Select(_mm_castps_si128(mask), yes, no); }

// One channel of four pixels as channel / 255.
template <int Shift>
inline __m128 Unit4(__m128i px) {
  const __m128i v = _mm_and_si128(_mm_srli_epi32(px, Shift), _mm_set1_epi32(255));
  return _mm_div_ps(_mm_cvtepi32_ps(v), _mm_set1_ps(255.0f));
}

// The hue is skipped when the caller replaces it anyway.
template <bool kHue>
inline HSL4 RGBToHSL4(__m128i px) {
  const __m128 r = Unit4<16>(px), g = Unit4<8>(px), b = Unit4<0>(px);
  const __m128 mx = _mm_max_ps(r, _mm_max_ps(g, b));
  const __m128 mn = _mm_min_ps(r, _mm_min_ps(g, b));
  const __m128 grey = _mm_cmpeq_ps(mx, mn);
  HSL4 out;
  out.L = _mm_div_ps(_mm_add_ps(mx, mn), _mm_set1_ps(2.0f));
  const __m128 d = _mm_sub_ps(mx, mn);
  const __m128 low = _mm_div_ps(d, _mm_add_ps(mx, mn));
  const __m128 high = _mm_div_ps(d, _mm_sub_ps(_mm_sub_ps(_mm_set1_ps(2.0f), mx), mn));
  out.S = _mm_andnot_ps(grey, SelectPs(_mm_cmplt_ps(out.L, _mm_set1_ps(0.5f)), low, high));
  out.H = _mm_setzero_ps();
  if constexpr (kHue) {
    const __m128 rMax = _mm_cmpeq_ps(r, mx), gMax = _mm_cmpeq_ps(g, mx);
    const __m128 fromR = _mm_div_ps(_mm_sub_ps(g, b), d);
    const __m128 fromG = _mm_add_ps(_mm_set1_ps(2.0f), _mm_div_ps(_mm_sub_ps(b, r), d));
    const __m128 fromB = _mm_add_ps(_mm_set1_ps(4.0f), _mm_div_ps(_mm_sub_ps(r, g), d));
    __m128 h = SelectPs(rMax, fromR, SelectPs(gMax, fromG, fromB));
    h = _mm_div_ps(h, _mm_set1_ps(6.0f));
    h = SelectPs(_mm_cmplt_ps(h, _mm_setzero_ps()), _mm_add_ps(h, _mm_set1_ps(1.0f)), h);
    out.H = _mm_andnot_ps(grey, h);
  }
  return out;
}

// Round(255 v) clamped to a byte, in int32 lanes. Converting rounds to nearest,
// halves to even, as the scalar shift trick does.
inline __m128i RoundChannel4(__m128 v) {
  const __m128 x = _mm_mul_ps(_mm_set1_ps(255.0f), v);
  __m128i r = _mm_cvtps_epi32(x);
  r = SelectI(_mm_cmpgt_ps(x, _mm_set1_ps(256.0f)), _mm_set1_epi32(255), r);
  r = _mm_andnot_si128(_mm_castps_si128(_mm_cmpngt_ps(x, _mm_set1_ps(-1.0f))), r);  // also NaN
  r = _mm_andnot_si128(_mm_cmplt_epi32(r, _mm_setzero_si128()), r);
  return Select(_mm_cmpgt_epi32(r, _mm_set1_epi32(255)), _mm_set1_epi32(255), r);
}

// h - floor(h) for the small hues the modes produce.
inline __m128 Fraction4(__m128 h) {
  __m128 whole = _mm_cvtepi32_ps(_mm_cvttps_epi32(h));
  whole = SelectPs(_mm_cmpgt_ps(whole, h), _mm_sub_ps(whole, _mm_set1_ps(1.0f)), whole);
  return _mm_sub_ps(h, whole);
}

inline __m128i HueToChannel4(__m128 m1, __m128 m2, __m128 h) {
  h = Fraction4(h);
  const __m128 one = _mm_set1_ps(1.0f), span = _mm_sub_ps(m2, m1);
  const __m128 h6 = _mm_mul_ps(_mm_set1_ps(6.0f), h);
  const __m128 rising = _mm_add_ps(m1, _mm_mul_ps(span, h6));
  const __m128 falling =
      _mm_add_ps(m1, _mm_mul_ps(_mm_mul_ps(span, _mm_sub_ps(_mm_set1_ps(2.0f / 3.0f), h)), _mm_set1_ps(6.0f)));
  const __m128 v =
      SelectPs(_mm_cmplt_ps(h6, one), rising,
               SelectPs(_mm_cmplt_ps(_mm_mul_ps(_mm_set1_ps(2.0f), h), one), m2,
                        SelectPs(_mm_cmplt_ps(_mm_mul_ps(_mm_set1_ps(3.0f), h), _mm_set1_ps(2.0f)), falling, m1)));
  return RoundChannel4(v);
}

// Four pixels 0x00RRGGBB.
inline __m128i HSLToRGB4(const HSL4& t) {
  const __m128 m2 = SelectPs(_mm_cmple_ps(t.L, _mm_set1_ps(0.5f)), _mm_mul_ps(t.L, _mm_add_ps(_mm_set1_ps(1.0f), t.S)),
                             _mm_sub_ps(_mm_add_ps(t.L, t.S), _mm_mul_ps(t.L, t.S)));
  const __m128 m1 = _mm_sub_ps(_mm_mul_ps(_mm_set1_ps(2.0f), t.L), m2);
  const __m128 third = _mm_set1_ps(1.0f / 3.0f);
  const __m128i r = HueToChannel4(m1, m2, _mm_add_ps(t.H, third));
  const __m128i g = HueToChannel4(m1, m2, t.H);
  const __m128i b = HueToChannel4(m1, m2, _mm_sub_ps(t.H, third));
  const __m128i colour = _mm_or_si128(_mm_or_si128(_mm_slli_epi32(r, 16), _mm_slli_epi32(g, 8)), b);
  const __m128i v = RoundChannel4(t.L);
  const __m128i grey = _mm_or_si128(_mm_or_si128(_mm_slli_epi32(v, 16), _mm_slli_epi32(v, 8)), v);
  return SelectI(_mm_cmpeq_ps(t.S, _mm_setzero_ps()), grey, colour);
}

#endif

#if PLUMAVO_BLEND_SSE2
// True when none of the four pixels is marked slow.
inline bool HueFast4(const float* own, size_t stride) {
  const __m128i slope = _mm_loadu_si128(reinterpret_cast<const __m128i*>(own + 4 * stride));
  return _mm_movemask_epi8(_mm_cmpeq_epi32(slope, _mm_set1_epi32(-1))) == 0;
}

// The target colours (alpha 0) of four destination pixels under four brush
// pixels none of which is marked slow.
inline __m128i HueTarget4(const float* own, size_t stride, __m128i B, const HueMix* table) {
  // Bytes compare as their quotients by 255 do, so the largest and smallest
  // channel can be found on the bytes.
  const __m128i g = _mm_srli_epi32(B, 8), r = _mm_srli_epi32(B, 16), byte = _mm_set1_epi32(255);
  alignas(16) uint32_t hi[4], lo[4];
  _mm_store_si128(reinterpret_cast<__m128i*>(hi), _mm_and_si128(_mm_max_epu8(_mm_max_epu8(B, g), r), byte));
  _mm_store_si128(reinterpret_cast<__m128i*>(lo), _mm_and_si128(_mm_min_epu8(_mm_min_epu8(B, g), r), byte));
  // Each entry as a pair (m1, m2) in the low half of a register, then gathered
  // into one register of m1 and one of m2.
  auto entry = [&](int k) {
    return _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(table + HueMixIndex(hi[k], lo[k]))));
  };
  const __m128 ab = _mm_unpacklo_ps(entry(0), entry(1)), cd = _mm_unpacklo_ps(entry(2), entry(3));
  const __m128 m1 = _mm_movelh_ps(ab, cd), m2 = _mm_movehl_ps(cd, ab);
  const __m128 k = _mm_loadu_ps(own), s = _mm_loadu_ps(own + stride), c255 = _mm_set1_ps(255.0f);
  // Converting rounds halves to even; every value is finite and within a few
  // ulps of 0..255.
  const __m128i slope =
      _mm_cvtps_epi32(_mm_mul_ps(c255, _mm_add_ps(m1, _mm_mul_ps(_mm_mul_ps(_mm_sub_ps(m2, m1), k), s))));
  const __m128i low = _mm_cvtps_epi32(_mm_mul_ps(c255, m1)), high = _mm_cvtps_epi32(_mm_mul_ps(c255, m2));
  // Clamped to bytes by the saturating packs: [slope, low, high, 0] four bytes
  // each, then every byte spread over its pixel's four bytes.
  const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(slope, low), _mm_packs_epi32(high, _mm_setzero_si128()));
  const __m128i w0 = _mm_unpacklo_epi8(bytes, bytes), w1 = _mm_unpackhi_epi8(bytes, bytes);
  const __m128i vSlope = _mm_unpacklo_epi16(w0, w0), vLow = _mm_unpackhi_epi16(w0, w0),
                vHigh = _mm_unpacklo_epi16(w1, w1);
  auto mask = [&](int plane) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(own + size_t(plane) * stride));
  };
  return _mm_or_si128(_mm_or_si128(_mm_and_si128(vLow, mask(2)), _mm_and_si128(vHigh, mask(3))),
                      _mm_and_si128(vSlope, mask(4)));
}
#endif

#if PLUMAVO_BLEND_SSE2
// True when each of the four pixels is grey (red = green = blue). Hue leaves
// a grey pixel as it is: its saturation is 0, so HSLToRGB gives back its own
// lightness whatever the hue, and the mix towards itself changes nothing.
inline bool AllGrey4(__m128i B) {
  const __m128i x = _mm_and_si128(_mm_xor_si128(B, _mm_srli_epi32(B, 8)), _mm_set1_epi32(0xFFFF));
  return _mm_movemask_epi8(_mm_cmpeq_epi32(x, _mm_setzero_si128())) == 0xFFFF;
}
#endif

#if defined(__AVX2__)
inline bool AllGrey8(__m256i B) {
  const __m256i x = _mm256_and_si256(_mm256_xor_si256(B, _mm256_srli_epi32(B, 8)), _mm256_set1_epi32(0xFFFF));
  return _mm256_testz_si256(x, x) != 0;
}

inline bool HueFast8(const float* own, size_t stride) {
  const __m256i slope = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(own + 4 * stride));
  return _mm256_movemask_epi8(_mm256_cmpeq_epi32(slope, _mm256_set1_epi32(-1))) == 0;
}

// HueTarget4 on eight pixels: the same operations on each lane, the table
// entries fetched by two gathers instead of one by one.
inline __m256i HueTarget8(const float* own, size_t stride, __m256i B, const HueMix* table) {
  const __m256i g = _mm256_srli_epi32(B, 8), r = _mm256_srli_epi32(B, 16), byte = _mm256_set1_epi32(255);
  const __m256i hi = _mm256_and_si256(_mm256_max_epu8(_mm256_max_epu8(B, g), r), byte);
  const __m256i lo = _mm256_and_si256(_mm256_min_epu8(_mm256_min_epu8(B, g), r), byte);
  // HueMixIndex: hi * (hi + 1) / 2 + lo, below 2^16. hi * (hi + 1) fits the
  // low 16 bits of each lane (the high ones are 0), so a 16-bit multiply does.
  const __m256i index =
      _mm256_add_epi32(_mm256_srli_epi32(_mm256_mullo_epi16(hi, _mm256_add_epi32(hi, _mm256_set1_epi32(1))), 1), lo);
  const auto* pairs = reinterpret_cast<const long long*>(table);
  const __m256 e0 = _mm256_castsi256_ps(_mm256_i32gather_epi64(pairs, _mm256_castsi256_si128(index), 8));
  const __m256 e1 = _mm256_castsi256_ps(_mm256_i32gather_epi64(pairs, _mm256_extracti128_si256(index, 1), 8));
  // e0 holds (m1, m2) of pixels 0-3, e1 of 4-7. The shuffles take the m1s and
  // the m2s within each half, in the order 0 1 4 5 | 2 3 6 7; the quarters are
  // then put back in order.
  const auto inOrder = [](__m256 v) { return _mm256_castpd_ps(_mm256_permute4x64_pd(_mm256_castps_pd(v), 0xD8)); };
  const __m256 m1 = inOrder(_mm256_shuffle_ps(e0, e1, _MM_SHUFFLE(2, 0, 2, 0)));
  const __m256 m2 = inOrder(_mm256_shuffle_ps(e0, e1, _MM_SHUFFLE(3, 1, 3, 1)));
  const __m256 k = _mm256_loadu_ps(own), s = _mm256_loadu_ps(own + stride), c255 = _mm256_set1_ps(255.0f);
  const auto toByte = [](__m256i v) {
    return _mm256_min_epi32(_mm256_max_epi32(v, _mm256_setzero_si256()), _mm256_set1_epi32(255));
  };
  const __m256i slope = toByte(_mm256_cvtps_epi32(
      _mm256_mul_ps(c255, _mm256_add_ps(m1, _mm256_mul_ps(_mm256_mul_ps(_mm256_sub_ps(m2, m1), k), s)))));
  const __m256i low = toByte(_mm256_cvtps_epi32(_mm256_mul_ps(c255, m1)));
  const __m256i high = toByte(_mm256_cvtps_epi32(_mm256_mul_ps(c255, m2)));
  // Each byte value spread over its pixel's four bytes (a byte shuffle, not
  // a multiply by 0x01010101), then kept where the brush pixel's mask says.
  const __m256i spread = _mm256_setr_epi8(0, 0, 0, 0, 4, 4, 4, 4, 8, 8, 8, 8, 12, 12, 12, 12, 0, 0, 0, 0, 4, 4, 4, 4, 8,
                                          8, 8, 8, 12, 12, 12, 12);
  auto mask = [&](int plane) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(own + size_t(plane) * stride));
  };
  return _mm256_or_si256(_mm256_or_si256(_mm256_and_si256(_mm256_shuffle_epi8(low, spread), mask(2)),
                                         _mm256_and_si256(_mm256_shuffle_epi8(high, spread), mask(3))),
                         _mm256_and_si256(_mm256_shuffle_epi8(slope, spread), mask(4)));
}
#endif

// Hue, Saturation, Lightness: the target colour takes one HSL component from F
// and the other two from B.
template <int Component>
struct HSLComponent {
  static constexpr bool kSkipEqual = false;
  static constexpr bool kIsHue = Component == 0;
  static constexpr int kOwnPlanes = Component == 0 ? kHueOwnPlanes : 1;
  // The component taken from F.
  static float Own(const THSL& hsl) {
    if constexpr (Component == 0) return hsl.H;
    if constexpr (Component == 1) return hsl.S;
    return hsl.L;
  }
  static TColor32 Apply(TColor32 F, TColor32 B, uint32_t O) {
    const THSL f = RGBToHSL(F);
    THSL t = RGBToHSL(B);
    if constexpr (Component == 0) t.H = f.H;
    if constexpr (Component == 1) t.S = f.S;
    if constexpr (Component == 2) t.L = f.L;
    return MixTowards(HSLToRGB(t), B, O);
  }
#if PLUMAVO_BLEND_SSE2
  // Saturation and Lightness: the target colours of four destination pixels
  // (alpha 0), with F's own component worked out once per brush. (Hue has
  // HueTarget4.)
  static __m128i Target4(const float* own, size_t, __m128i B) requires(Component != 0) {
    HSL4 t = RGBToHSL4<true>(B);
    if constexpr (Component == 1) t.S = _mm_loadu_ps(own);
    if constexpr (Component == 2) t.L = _mm_loadu_ps(own);
    return HSLToRGB4(t);
  }
#endif
};

// Every mode's formula by its index (0..27), the order of the blending-mode
// list. The mode table and the wide kernels are both made from it.
using ModeList =
    std::tuple<Normal, PerChannel<MultiplyRule>, PerChannel<ScreenRule>, PerChannel<OverlayRule>,
               PerChannel<ReflectRule>, PerChannel<SoftLightRule>, PerChannel<BrightLightRule>,
               PerChannel<HardLightRule>, PerChannel<ColorDodgeRule>, PerChannel<ColorBurnRule>,
               PerChannel<LightenRule>, PerChannel<DarkenRule>, PerChannel<AdditiveRule>, PerChannel<SubtractiveRule>,
               PerChannel<AverageRule>, PerChannel<DifferenceRule>, PerChannel<ExclusionRule>, PerChannel<NegationRule>,
               Glow, PerChannel<HeatRule>, PerChannel<FreezeRule>, SingleChannel<16>, SingleChannel<8>,
               SingleChannel<0>, HSLComponent<0>, HSLComponent<1>, HSLComponent<2>, PerChannel<IdentityRule>>;
static_assert(std::tuple_size_v<ModeList> == kBlendFunctionCount);

}  // namespace PLUMAVO_KERNEL_SET
}  // namespace plumavo::blend
