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
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "render/blend/blend_modes.h"

namespace plumavo::blend {

inline constexpr uint32_t Ch(TColor32 c, int shift) { return (c >> shift) & 255u; }

// Moves every colour channel of B toward T by O/256, rounding toward minus
// infinity; B's alpha byte is kept.
inline constexpr TColor32 MixTowards(TColor32 T, TColor32 B, uint32_t O) {
  const uint32_t iO = 256 - O;
  const uint32_t rb = ((((T & 0x00FF00FFu) * O) + ((B & 0x00FF00FFu) * iO)) >> 8) & 0x00FF00FFu;
  const uint32_t g = ((((T & 0x0000FF00u) * O) + ((B & 0x0000FF00u) * iO)) >> 8) & 0x0000FF00u;
  return (B & 0xFF000000u) | rb | g;
}

// The common frame for modes whose target depends on one channel pair only.
template <class Rule>
struct PerChannel {
  static constexpr bool kSkipEqual = false;
  static TColor32 Apply(TColor32 F, TColor32 B, uint32_t O) {
    const TColor32 T = (Rule::Target(Ch(F, 16), Ch(B, 16)) << 16) | (Rule::Target(Ch(F, 8), Ch(B, 8)) << 8) |
                       Rule::Target(Ch(F, 0), Ch(B, 0));
    return MixTowards(T, B, O);
  }
};

// Per-channel targets, f and b in 0..255, result in 0..255.
struct MultiplyRule {
  static uint32_t Target(uint32_t f, uint32_t b) { return (b * f) >> 8; }
};
struct ScreenRule {
  static uint32_t Target(uint32_t f, uint32_t b) { return 255 - (((255 - b) * (255 - f)) >> 8); }
};
struct OverlayRule {
  static uint32_t Target(uint32_t f, uint32_t b) {
    return b >= 128 ? 255 - (((255 - b) * (255 - f)) >> 7) : (b * f) >> 7;
  }
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
};
struct BrightLightRule {
  static uint32_t Target(uint32_t f, uint32_t b) { return SqrtTable()[f * b]; }
};
struct HardLightRule {
  static uint32_t Target(uint32_t f, uint32_t b) {
    return f >= 128 ? 255 - (((255 - f) * (255 - b)) >> 7) : (b * f) >> 7;
  }
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
};
struct DarkenRule {
  static uint32_t Target(uint32_t f, uint32_t b) { return std::min(f, b); }
};
struct AdditiveRule {
  static uint32_t Target(uint32_t f, uint32_t b) { return std::min(f + b, 255u); }
};
struct SubtractiveRule {
  // 256, not 255: equal halves cancel out completely.
  static uint32_t Target(uint32_t f, uint32_t b) { return f + b > 256 ? f + b - 256 : 0u; }
};
struct AverageRule {
  static uint32_t Target(uint32_t f, uint32_t b) { return (f + b) >> 1; }
};
struct DifferenceRule {
  static uint32_t Target(uint32_t f, uint32_t b) { return f > b ? f - b : b - f; }
};
struct ExclusionRule {
  // b + f - bf/128 stays in 0..255 even though it lies below b for bright pairs.
  static uint32_t Target(uint32_t f, uint32_t b) { return b + f - ((b * f) >> 7); }
};
struct NegationRule {
  static uint32_t Target(uint32_t f, uint32_t b) { return 255 - uint32_t(std::abs(255 - int32_t(b) - int32_t(f))); }
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
};

// Normal keeps its own frame: F == B changes nothing, and the mix
// (f O + b (256 - O)) div 256 is exactly the common step with t = f.
struct Normal {
  static constexpr bool kSkipEqual = true;
  static TColor32 Apply(TColor32 F, TColor32 B, uint32_t O) { return MixTowards(F, B, O); }
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
};

// Hue, Saturation, Lightness: the target colour takes one HSL component from F
// and the other two from B.
template <int Component>
struct HSLComponent {
  static constexpr bool kSkipEqual = false;
  static TColor32 Apply(TColor32 F, TColor32 B, uint32_t O) {
    const THSL f = RGBToHSL(F);
    THSL t = RGBToHSL(B);
    if constexpr (Component == 0) t.H = f.H;
    if constexpr (Component == 1) t.S = f.S;
    if constexpr (Component == 2) t.L = f.L;
    return MixTowards(HSLToRGB(t), B, O);
  }
};

}  // namespace plumavo::blend
