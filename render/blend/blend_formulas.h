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
// value, and the byte shuffle that takes each channel from four pixels' bytes
// laid out as [sloping x4, m1 x4, m2 x4, 0 x4] (without the pixel's place
// among the four, which the kernel adds). A sloping mask of all ones marks a
// colour the fast form cannot serve. The kernels with a byte shuffle use the
// last plane, the others the masks.
inline constexpr int kHueOwnPlanes = 6;
inline constexpr int kHueShufflePlane = 5;
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
inline V16 MulHighUnsigned16(V16 a, V16 b) { return _mm_mulhi_epu16(a, b); }
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
inline V16x2 MulHighUnsigned16(V16x2 a, V16x2 b) { return _mm256_mulhi_epu16(a, b); }
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
// A rule whose prepared brushes keep each channel f in the form its kernel
// multiplies with, BrushLane(f) (TPreparedMode::brushLane), and whose target
// then comes from that lane.
template <class T>
concept HasBrushLane = requires(V16 v) {
  T::BrushLane(0u);
  T::BrushLaneTarget8(v, v);
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
  static uint16_t BrushLane(uint32_t f) requires HasBrushLane<Rule> { return Rule::BrushLane(f); }
  template <class V>
  static V BrushLaneTarget8(V lane, V b) requires HasBrushLane<Rule> {
    return Rule::BrushLaneTarget8(lane, b);
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
  // With f * 256 kept: (b * f * 256) div 65536 is (b * f) div 256, one
  // multiply instead of a multiply and a shift.
  static uint16_t BrushLane(uint32_t f) { return uint16_t(f << 8); }
  template <class V>
  static V BrushLaneTarget8(V lane, V b) {
    return MulHighUnsigned16(b, lane);
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
  // With (255 - f) * 256 kept, the same way as Multiply.
  static uint16_t BrushLane(uint32_t f) { return uint16_t((255 - f) << 8); }
  template <class V>
  static V BrushLaneTarget8(V lane, V b) {
    return Inv(MulHighUnsigned16(Inv(b), lane));
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
// Single-precision lane operations under one name for both register widths
// (four pixels in an F4, eight in an F8), so that the HSL formulas below are
// written once for W = 4 and W = 8 lanes. (The widths are numbers: a
// register type as a template argument would lose its attributes.)
using F4 = __m128;
template <int W>
struct FloatLanes;
template <>
struct FloatLanes<4> {
  using Float = __m128;
  using Int = __m128i;
};
template <int W>
using FloatOf = typename FloatLanes<W>::Float;
template <int W>
using IntOf = typename FloatLanes<W>::Int;

template <int W>
FloatOf<W> SplatF(float v);
template <>
inline F4 SplatF<4>(float v) {
  return _mm_set1_ps(v);
}
template <int W>
FloatOf<W> LoadF(const float* p);
template <>
inline F4 LoadF<4>(const float* p) {
  return _mm_loadu_ps(p);
}
inline F4 AddF(F4 a, F4 b) { return _mm_add_ps(a, b); }
inline F4 SubF(F4 a, F4 b) { return _mm_sub_ps(a, b); }
inline F4 MulF(F4 a, F4 b) { return _mm_mul_ps(a, b); }
inline F4 DivF(F4 a, F4 b) { return _mm_div_ps(a, b); }
inline F4 MaxF(F4 a, F4 b) { return _mm_max_ps(a, b); }
inline F4 MinF(F4 a, F4 b) { return _mm_min_ps(a, b); }
inline F4 EqualF(F4 a, F4 b) { return _mm_cmpeq_ps(a, b); }
inline F4 LessF(F4 a, F4 b) { return _mm_cmplt_ps(a, b); }
inline F4 LessOrEqualF(F4 a, F4 b) { return _mm_cmple_ps(a, b); }
inline F4 GreaterF(F4 a, F4 b) { return _mm_cmpgt_ps(a, b); }
// True also where either side is NaN.
inline F4 NotGreaterF(F4 a, F4 b) { return _mm_cmpngt_ps(a, b); }
inline F4 AndNotF(F4 mask, F4 a) { return _mm_andnot_ps(mask, a); }
inline F4 SelectF(F4 mask, F4 yes, F4 no) { return _mm_or_ps(_mm_and_ps(mask, yes), _mm_andnot_ps(mask, no)); }
// Rounded to nearest, halves to even; truncated toward zero; back to float.
inline __m128i RoundToInt(F4 a) { return _mm_cvtps_epi32(a); }
inline __m128i TruncToInt(F4 a) { return _mm_cvttps_epi32(a); }
inline F4 ToFloat(__m128i a) { return _mm_cvtepi32_ps(a); }
inline __m128i AsInt(F4 a) { return _mm_castps_si128(a); }
template <int W>
IntOf<W> Splat32(int v);
template <>
inline __m128i Splat32<4>(int v) {
  return _mm_set1_epi32(v);
}
template <int N>
inline __m128i ShiftRight32(__m128i a) {
  return _mm_srli_epi32(a, N);
}
template <int N>
inline __m128i ShiftLeft32(__m128i a) {
  return _mm_slli_epi32(a, N);
}
inline __m128i Greater32(__m128i a, __m128i b) { return _mm_cmpgt_epi32(a, b); }
#if defined(__AVX2__)
inline F4 FloorF(F4 a) { return _mm_floor_ps(a); }
inline __m128i ClampToByte(__m128i a) {
  return _mm_min_epi32(_mm_max_epi32(a, _mm_setzero_si128()), _mm_set1_epi32(255));
}
#endif

#if defined(__AVX2__)
using F8 = __m256;
template <>
struct FloatLanes<8> {
  using Float = __m256;
  using Int = __m256i;
};
template <>
inline F8 SplatF<8>(float v) {
  return _mm256_set1_ps(v);
}
template <>
inline F8 LoadF<8>(const float* p) {
  return _mm256_loadu_ps(p);
}
inline F8 AddF(F8 a, F8 b) { return _mm256_add_ps(a, b); }
inline F8 SubF(F8 a, F8 b) { return _mm256_sub_ps(a, b); }
inline F8 MulF(F8 a, F8 b) { return _mm256_mul_ps(a, b); }
inline F8 DivF(F8 a, F8 b) { return _mm256_div_ps(a, b); }
inline F8 MaxF(F8 a, F8 b) { return _mm256_max_ps(a, b); }
inline F8 MinF(F8 a, F8 b) { return _mm256_min_ps(a, b); }
inline F8 EqualF(F8 a, F8 b) { return _mm256_cmp_ps(a, b, _CMP_EQ_OQ); }
inline F8 LessF(F8 a, F8 b) { return _mm256_cmp_ps(a, b, _CMP_LT_OS); }
inline F8 LessOrEqualF(F8 a, F8 b) { return _mm256_cmp_ps(a, b, _CMP_LE_OS); }
inline F8 GreaterF(F8 a, F8 b) { return _mm256_cmp_ps(a, b, _CMP_GT_OS); }
inline F8 NotGreaterF(F8 a, F8 b) { return _mm256_cmp_ps(a, b, _CMP_NGT_US); }
inline F8 AndNotF(F8 mask, F8 a) { return _mm256_andnot_ps(mask, a); }
inline F8 SelectF(F8 mask, F8 yes, F8 no) { return _mm256_blendv_ps(no, yes, mask); }
inline __m256i RoundToInt(F8 a) { return _mm256_cvtps_epi32(a); }
inline __m256i TruncToInt(F8 a) { return _mm256_cvttps_epi32(a); }
inline F8 ToFloat(__m256i a) { return _mm256_cvtepi32_ps(a); }
inline __m256i AsInt(F8 a) { return _mm256_castps_si256(a); }
template <>
inline __m256i Splat32<8>(int v) {
  return _mm256_set1_epi32(v);
}
template <int N>
inline __m256i ShiftRight32(__m256i a) {
  return _mm256_srli_epi32(a, N);
}
template <int N>
inline __m256i ShiftLeft32(__m256i a) {
  return _mm256_slli_epi32(a, N);
}
inline __m256i Greater32(__m256i a, __m256i b) { return _mm256_cmpgt_epi32(a, b); }
inline F8 FloorF(F8 a) { return _mm256_floor_ps(a); }
inline __m256i ClampToByte(__m256i a) {
  return _mm256_min_epi32(_mm256_max_epi32(a, _mm256_setzero_si256()), _mm256_set1_epi32(255));
}
#endif

// RGBToHSL and HSLToRGB on four (or eight) pixels at once. Each lane performs
// the scalar operations one by one in single precision (IEEE division
// included, nothing fused), and every choice computes both sides and
// selects, so each lane gives the scalar result bit for bit. Where the scalar
// code divides in only one of its branches, the lanes pick the operands
// first and divide once: the chosen lane's division is the same.
template <int W>
struct HSLLanes {
  FloatOf<W> H, S, L;
};

// One channel of each pixel as channel / 255.
template <int Shift, int W>
inline FloatOf<W> UnitLanes(IntOf<W> px) {
  const IntOf<W> v = And(ShiftRight32<Shift>(px), Splat32<W>(255));
  return DivF(ToFloat(v), SplatF<W>(255.0f));
}

// The hue is skipped when the caller replaces it anyway.
template <bool kHue, int W>
inline HSLLanes<W> RGBToHSLLanes(IntOf<W> px) {
  using F = FloatOf<W>;
  const F r = UnitLanes<16, W>(px), g = UnitLanes<8, W>(px), b = UnitLanes<0, W>(px);
  const F mx = MaxF(r, MaxF(g, b)), mn = MinF(r, MinF(g, b));
  const F grey = EqualF(mx, mn), two = SplatF<W>(2.0f), sum = AddF(mx, mn);
  HSLLanes<W> out;
  out.L = DivF(sum, two);
  const F d = SubF(mx, mn);
  // d / (mx + mn) below half lightness, d / (2 - mx - mn) from it on.
  out.S = AndNotF(grey, DivF(d, SelectF(LessF(out.L, SplatF<W>(0.5f)), sum, SubF(SubF(two, mx), mn))));
  out.H = SplatF<W>(0.0f);
  if constexpr (kHue) {
    // From the largest channel: (g - b) / d for red, 2 + (b - r) / d for
    // green, 4 + (r - g) / d for blue.
    const F rMax = EqualF(r, mx), gMax = EqualF(g, mx);
    const F q = DivF(SelectF(rMax, SubF(g, b), SelectF(gMax, SubF(b, r), SubF(r, g))), d);
    F h = SelectF(rMax, q, AddF(SelectF(gMax, two, SplatF<W>(4.0f)), q));
    h = DivF(h, SplatF<W>(6.0f));
    h = SelectF(LessF(h, SplatF<W>(0.0f)), AddF(h, SplatF<W>(1.0f)), h);
    out.H = AndNotF(grey, h);
  }
  return out;
}

// Round(255 v) clamped to a byte, in int32 lanes. Converting rounds to nearest,
// halves to even, as the scalar shift trick does.
template <int W>
inline IntOf<W> RoundChannelLanes(FloatOf<W> v) {
  const FloatOf<W> x = MulF(SplatF<W>(255.0f), v);
#if defined(__AVX2__)
  // Above 256 taken as 256 first (a NaN stays NaN: the minimum gives its
  // second operand then). The conversion then gives the most negative integer
  // for a NaN or -infinity, and the clamp to 0..255 does the rest.
  return ClampToByte(RoundToInt(MinF(SplatF<W>(256.0f), x)));
#else
  IntOf<W> r = RoundToInt(x);
  r = Select(AsInt(GreaterF(x, SplatF<W>(256.0f))), Splat32<W>(255), r);
  r = AndNot(AsInt(NotGreaterF(x, SplatF<W>(-1.0f))), r);  // also NaN
  r = AndNot(Greater32(Splat32<W>(0), r), r);
  return Select(Greater32(r, Splat32<W>(255)), Splat32<W>(255), r);
#endif
}

// h - floor(h) for the small hues the modes produce (with AVX2, for every h).
template <int W>
inline FloatOf<W> FractionLanes(FloatOf<W> h) {
#if defined(__AVX2__)
  return SubF(h, FloorF(h));
#else
  FloatOf<W> whole = ToFloat(TruncToInt(h));
  whole = SelectF(GreaterF(whole, h), SubF(whole, SplatF<W>(1.0f)), whole);
  return SubF(h, whole);
#endif
}

template <int W>
inline IntOf<W> HueToChannelLanes(FloatOf<W> m1, FloatOf<W> m2, FloatOf<W> h) {
  using F = FloatOf<W>;
  h = FractionLanes<W>(h);
  const F one = SplatF<W>(1.0f), span = SubF(m2, m1);
  const F h6 = MulF(SplatF<W>(6.0f), h);
  const F rising = AddF(m1, MulF(span, h6));
  const F falling = AddF(m1, MulF(MulF(span, SubF(SplatF<W>(2.0f / 3.0f), h)), SplatF<W>(6.0f)));
  const F v = SelectF(LessF(h6, one), rising,
                      SelectF(LessF(MulF(SplatF<W>(2.0f), h), one), m2,
                              SelectF(LessF(MulF(SplatF<W>(3.0f), h), SplatF<W>(2.0f)), falling, m1)));
  return RoundChannelLanes<W>(v);
}

// Pixels 0x00RRGGBB.
template <int W>
inline IntOf<W> HSLLanesToRGB(const HSLLanes<W>& t) {
  using F = FloatOf<W>;
  const F one = SplatF<W>(1.0f);
  const F m2 =
      SelectF(LessOrEqualF(t.L, SplatF<W>(0.5f)), MulF(t.L, AddF(one, t.S)), SubF(AddF(t.L, t.S), MulF(t.L, t.S)));
  const F m1 = SubF(MulF(SplatF<W>(2.0f), t.L), m2);
  const F third = SplatF<W>(1.0f / 3.0f);
  const IntOf<W> r = HueToChannelLanes<W>(m1, m2, AddF(t.H, third));
  const IntOf<W> g = HueToChannelLanes<W>(m1, m2, t.H);
  const IntOf<W> b = HueToChannelLanes<W>(m1, m2, SubF(t.H, third));
  const IntOf<W> colour = Or(Or(ShiftLeft32<16>(r), ShiftLeft32<8>(g)), b);
  const IntOf<W> v = RoundChannelLanes<W>(t.L);
  const IntOf<W> grey = Or(Or(ShiftLeft32<16>(v), ShiftLeft32<8>(v)), v);
  return Select(AsInt(EqualF(t.S, SplatF<W>(0.0f))), grey, colour);
}
#endif

#if PLUMAVO_BLEND_SSE2
// The largest and the smallest channel of each of W pixels (in the low byte
// of each lane, the rest 0). Bytes compare as their quotients by 255 do, so
// they can be found on the bytes.
template <int W>
struct ChannelBounds {
  IntOf<W> hi, lo;
};
inline __m128i MaxBytes(__m128i a, __m128i b) { return _mm_max_epu8(a, b); }
inline __m128i MinBytes(__m128i a, __m128i b) { return _mm_min_epu8(a, b); }
inline __m128i Xor(__m128i a, __m128i b) { return _mm_xor_si128(a, b); }
inline __m128i Add32(__m128i a, __m128i b) { return _mm_add_epi32(a, b); }
inline bool AllZero(__m128i a) { return _mm_movemask_epi8(_mm_cmpeq_epi32(a, _mm_setzero_si128())) == 0xFFFF; }
#if defined(__AVX2__)
inline __m256i MaxBytes(__m256i a, __m256i b) { return _mm256_max_epu8(a, b); }
inline __m256i MinBytes(__m256i a, __m256i b) { return _mm256_min_epu8(a, b); }
inline __m256i Xor(__m256i a, __m256i b) { return _mm256_xor_si256(a, b); }
inline __m256i Add32(__m256i a, __m256i b) { return _mm256_add_epi32(a, b); }
inline bool AllZero(__m256i a) { return _mm256_testz_si256(a, a) != 0; }
#endif
template <int W>
inline ChannelBounds<W> Bounds(IntOf<W> B) {
  const IntOf<W> g = ShiftRight32<8>(B), r = ShiftRight32<16>(B), byte = Splat32<W>(255);
  return {And(MaxBytes(MaxBytes(B, g), r), byte), And(MinBytes(MinBytes(B, g), r), byte)};
}

// HueMixIndex of each pixel's bounds: hi * (hi + 1) / 2 + lo, below 2^16.
// hi * (hi + 1) fits the low 16 bits of each lane (the high ones are 0), so a
// 16-bit multiply does.
template <int W>
inline IntOf<W> HueMixIndexLanes(const ChannelBounds<W>& c) {
  return Add32(ShiftRight32<1>(MulLow16(c.hi, Add32(c.hi, Splat32<W>(1)))), c.lo);
}

// True when each of the W pixels is grey (red = green = blue). Hue leaves a
// grey pixel as it is: its saturation is 0, so HSLToRGB gives back its own
// lightness whatever the hue, and the mix towards itself changes nothing.
// Tested on the pixels themselves, before their bounds: a grey group, as on
// a white or grey canvas, then costs a few operations.
template <int W>
inline bool AllGrey(IntOf<W> B) {
  return AllZero(And(Xor(B, ShiftRight32<8>(B)), Splat32<W>(0xFFFF)));
}

// True when none of the four pixels is marked slow.
inline bool HueFast4(const float* own, size_t stride) {
  const __m128i slope = _mm_loadu_si128(reinterpret_cast<const __m128i*>(own + 4 * stride));
  return _mm_movemask_epi8(_mm_cmpeq_epi32(slope, _mm_set1_epi32(-1))) == 0;
}

// The target colours (alpha 0) of four destination pixels under four brush
// pixels none of which is marked slow.
inline __m128i HueTarget4(const float* own, size_t stride, const ChannelBounds<4>& bounds, const HueMix* table) {
#if defined(__AVX2__)
  // The four entries by one gather, then the m1s into the low half and the
  // m2s into the high one.
  const __m128i index = HueMixIndexLanes<4>(bounds);
  const __m256 entries =
      _mm256_castsi256_ps(_mm256_i32gather_epi64(reinterpret_cast<const long long*>(table), index, 8));
  const __m256 sorted = _mm256_permutevar8x32_ps(entries, _mm256_setr_epi32(0, 2, 4, 6, 1, 3, 5, 7));
  const __m128 m1 = _mm256_castps256_ps128(sorted), m2 = _mm256_extractf128_ps(sorted, 1);
#else
  alignas(16) uint32_t his[4], los[4];
  _mm_store_si128(reinterpret_cast<__m128i*>(his), bounds.hi);
  _mm_store_si128(reinterpret_cast<__m128i*>(los), bounds.lo);
  // Each entry as a pair (m1, m2) in the low half of a register, then gathered
  // into one register of m1 and one of m2.
  auto entry = [&](int k) {
    return _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(table + HueMixIndex(his[k], los[k]))));
  };
  const __m128 ab = _mm_unpacklo_ps(entry(0), entry(1)), cd = _mm_unpacklo_ps(entry(2), entry(3));
  const __m128 m1 = _mm_movelh_ps(ab, cd), m2 = _mm_movehl_ps(cd, ab);
#endif
  const __m128 k = _mm_loadu_ps(own), s = _mm_loadu_ps(own + stride), c255 = _mm_set1_ps(255.0f);
  // Converting rounds halves to even; every value is finite and within a few
  // ulps of 0..255.
  const __m128i slope =
      _mm_cvtps_epi32(_mm_mul_ps(c255, _mm_add_ps(m1, _mm_mul_ps(_mm_mul_ps(_mm_sub_ps(m2, m1), k), s))));
  const __m128i low = _mm_cvtps_epi32(_mm_mul_ps(c255, m1)), high = _mm_cvtps_epi32(_mm_mul_ps(c255, m2));
  // Clamped to bytes by the saturating packs: [slope, low, high, 0] four bytes
  // each; then each channel takes its byte.
  const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(slope, low), _mm_packs_epi32(high, _mm_setzero_si128()));
#if defined(__SSSE3__)
  // Each channel picked from those bytes by the pixel's shuffle, plus its
  // place among the four.
  const __m128i place = _mm_setr_epi8(0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3);
  return _mm_shuffle_epi8(
      bytes, _mm_add_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(own + kHueShufflePlane * stride)), place));
#else
  // Every byte spread over its pixel's four bytes, then kept where the brush
  // pixel's masks say.
  const __m128i w0 = _mm_unpacklo_epi8(bytes, bytes), w1 = _mm_unpackhi_epi8(bytes, bytes);
  const __m128i vSlope = _mm_unpacklo_epi16(w0, w0), vLow = _mm_unpackhi_epi16(w0, w0),
                vHigh = _mm_unpacklo_epi16(w1, w1);
  auto mask = [&](int plane) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(own + size_t(plane) * stride));
  };
  return _mm_or_si128(_mm_or_si128(_mm_and_si128(vLow, mask(2)), _mm_and_si128(vHigh, mask(3))),
                      _mm_and_si128(vSlope, mask(4)));
#endif
}
#endif

#if defined(__AVX2__)
inline bool HueFast8(const float* own, size_t stride) {
  const __m256i slope = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(own + 4 * stride));
  return _mm256_movemask_epi8(_mm256_cmpeq_epi32(slope, _mm256_set1_epi32(-1))) == 0;
}

// HueTarget4 on eight pixels: the same operations on each lane, the table
// entries fetched by two gathers.
inline __m256i HueTarget8(const float* own, size_t stride, const ChannelBounds<8>& bounds, const HueMix* table) {
  const __m256i index = HueMixIndexLanes<8>(bounds);
  // The entries of pixels 0, 1, 4, 5 in one gather and of 2, 3, 6, 7 in the
  // other, so that the shuffles below, which work within each half, take the
  // m1s and the m2s out in pixel order.
  const __m256i order = _mm256_permutevar8x32_epi32(index, _mm256_setr_epi32(0, 1, 4, 5, 2, 3, 6, 7));
  const auto* pairs = reinterpret_cast<const long long*>(table);
  const __m256 e0 = _mm256_castsi256_ps(_mm256_i32gather_epi64(pairs, _mm256_castsi256_si128(order), 8));
  const __m256 e1 = _mm256_castsi256_ps(_mm256_i32gather_epi64(pairs, _mm256_extracti128_si256(order, 1), 8));
  const __m256 m1 = _mm256_shuffle_ps(e0, e1, _MM_SHUFFLE(2, 0, 2, 0));
  const __m256 m2 = _mm256_shuffle_ps(e0, e1, _MM_SHUFFLE(3, 1, 3, 1));
  const __m256 k = _mm256_loadu_ps(own), s = _mm256_loadu_ps(own + stride), c255 = _mm256_set1_ps(255.0f);
  const __m256i slope = _mm256_cvtps_epi32(
      _mm256_mul_ps(c255, _mm256_add_ps(m1, _mm256_mul_ps(_mm256_mul_ps(_mm256_sub_ps(m2, m1), k), s))));
  const __m256i low = _mm256_cvtps_epi32(_mm256_mul_ps(c255, m1));
  const __m256i high = _mm256_cvtps_epi32(_mm256_mul_ps(c255, m2));
  // Clamped to bytes by the saturating packs, as HueTarget4 does, each half
  // [sloping x4, m1 x4, m2 x4, 0 x4]; then each channel picked by the pixel's
  // shuffle plus its place among the four of its half.
  const __m256i bytes =
      _mm256_packus_epi16(_mm256_packs_epi32(slope, low), _mm256_packs_epi32(high, _mm256_setzero_si256()));
  const __m256i place =
      _mm256_setr_epi8(0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3);
  return _mm256_shuffle_epi8(
      bytes,
      _mm256_add_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(own + kHueShufflePlane * stride)), place));
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
  // Saturation and Lightness: the target colours of W destination pixels
  // (alpha 0), with F's own component worked out once per brush. (Hue has
  // HueTarget4 and HueTarget8.)
  template <int W>
  static IntOf<W> Targets(const float* own, IntOf<W> B) requires(Component != 0) {
    HSLLanes<W> t = RGBToHSLLanes<true, W>(B);
    if constexpr (Component == 1) t.S = LoadF<W>(own);
    if constexpr (Component == 2) t.L = LoadF<W>(own);
    return HSLLanesToRGB<W>(t);
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
