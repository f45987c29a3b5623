#include "render/blend/blend_modes.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <type_traits>
#include <utility>

#include "render/blend/blend_formulas.h"
#include "render/blend/stamp.h"
#include "render/blend/stamp_kernels.h"

namespace plumavo {

namespace {

constexpr std::array<uint8_t, 65536> MakeSqrtTable() {
  std::array<uint8_t, 65536> t{};
  uint32_t r = 0;
  for (uint32_t i = 0; i < 65536; ++i) {
    while ((r + 1) * (r + 1) <= i) ++r;  // r = floor(sqrt(i))
    // sqrt(i) >= r + 1/2 exactly when i > r^2 + r (no integer sits on the half).
    const uint32_t rounded = i > r * r + r ? r + 1 : r;
    t[i] = uint8_t(std::min(rounded, 255u));
  }
  return t;
}

// Computed by the compiler: no start-up cost and no initialisation race.
constexpr std::array<uint8_t, 65536> kSqrtTable = MakeSqrtTable();

// channel / 255 in single precision, the same quotients without a division.
constexpr std::array<float, 256> kUnit = [] {
  std::array<float, 256> t{};
  for (int i = 0; i < 256; ++i) t[size_t(i)] = float(i) / 255.0f;
  return t;
}();

// Round(255 v) to nearest, halves to even, clamped to a byte. Adding and
// removing 1.5 * 2^23 leaves a float with no fraction bits, so the hardware's
// round-to-nearest-even does the rounding without a library call per channel.
static_assert(FLT_EVAL_METHOD == 0, "the rounding below needs floats evaluated in single precision");
int RoundChannel(float v) {
  const float x = 255.0f * v;
  if (!(x > -1.0f)) return 0;  // also NaN
  if (x > 256.0f) return 255;
  constexpr float kShift = 12582912.0f;
  const int r = int((x + kShift) - kShift);
  return r < 0 ? 0 : (r > 255 ? 255 : r);
}

// h - floor(h) without a library call for the hues the modes produce.
float Fraction(float h) {
  if (!(h > -4194304.0f && h < 4194304.0f)) return h - std::floor(h);
  float whole = float(int32_t(h));
  if (whole > h) whole -= 1.0f;
  return h - whole;
}

float HueToChannelValue(float m1, float m2, float h) {
  h = Fraction(h);
  if (6.0f * h < 1.0f) return m1 + (m2 - m1) * (6.0f * h);
  if (2.0f * h < 1.0f) return m2;
  if (3.0f * h < 2.0f) return m1 + (m2 - m1) * (2.0f / 3.0f - h) * 6.0f;
  return m1;
}

}  // namespace

const std::array<uint8_t, 65536>& SqrtTable() { return kSqrtTable; }

namespace blend {

const HueMix* HueMixTable() {
  static const std::vector<HueMix> table = [] {
    std::vector<HueMix> t(size_t(HueMixIndex(255, 255)) + 1);
    for (uint32_t mx = 0; mx < 256; ++mx)
      for (uint32_t mn = 0; mn <= mx; ++mn) {
        // RGBToHSL's saturation and lightness, then HSLToRGB's m1 and m2.
        const float hi = kUnit[mx], lo = kUnit[mn];
        const float L = (hi + lo) / 2.0f;
        HueMix& e = t[HueMixIndex(mx, mn)];
        if (mx == mn) {
          e = {L, L};  // grey: every channel Round(255 L), whatever the hue
          continue;
        }
        const float d = hi - lo;
        const float S = L < 0.5f ? d / (hi + lo) : d / (2.0f - hi - lo);
        const float m2 = L <= 0.5f ? L * (1.0f + S) : L + S - L * S;
        e = {2.0f * L - m2, m2};
      }
    return t;
  }();
  return table.data();
}

void HueOwn(TColor32 F, float* out, size_t stride) {
  const float H = RGBToHSL(F).H;
  const float hues[3] = {H + 1.0f / 3.0f, H, H - 1.0f / 3.0f};  // red, green, blue
  float slopeK = 0.0f, slopeS = 1.0f;
  uint32_t masks[3] = {0, 0, 0};  // m1, m2, sloping
  int sloping = 0;
  for (int c = 0; c < 3; ++c) {
    const float h = Fraction(hues[c]);
    const uint32_t byte = 0xFFu << (8 * (2 - c));
    float k = 0.0f, s = 1.0f;
    if (6.0f * h < 1.0f) {
      k = 6.0f * h;
    } else if (2.0f * h < 1.0f) {
      masks[1] |= byte;
      continue;
    } else if (3.0f * h < 2.0f) {
      k = 2.0f / 3.0f - h, s = 6.0f;
    }
    if (k == 0.0f) {
      masks[0] |= byte;  // m1 + ((m2 - m1) * 0) * s is m1
      continue;
    }
    masks[2] |= byte;
    slopeK = k, slopeS = s;
    ++sloping;
  }
  if (sloping > 1) masks[2] = kHueSlow;
  // The shuffle: byte 0 of the four pixels' bytes for the sloping value, 4
  // for m1, 8 for m2; the alpha byte (and every byte of a colour the fast
  // form cannot serve) has its top bit set, which gives 0.
  uint32_t shuffle = 0x80808080u;
  if (masks[2] != kHueSlow) {
    shuffle = 0x80000000u;
    for (uint32_t c = 0; c < 3; ++c) {
      const uint32_t byte = 0xFFu << (8 * c);
      const uint32_t from = (masks[0] & byte) != 0 ? 4 : (masks[1] & byte) != 0 ? 8 : 0;
      shuffle |= from << (8 * c);
    }
  }
  out[0] = slopeK;
  out[stride] = slopeS;
  for (size_t m = 0; m < 3; ++m) std::memcpy(out + (2 + m) * stride, &masks[m], sizeof(float));
  std::memcpy(out + size_t(kHueShufflePlane) * stride, &shuffle, sizeof(float));
}

}  // namespace blend

const std::array<TColor32, 65536>& IdentityTable() {
  static const std::array<TColor32, 65536> table = [] {
    std::array<TColor32, 65536> t{};
    for (uint32_t i = 0; i < 65536; ++i) {
      const uint32_t f = i >> 8;
      t[i] = (f << 16) | (f << 8) | f;
    }
    return t;
  }();
  return table;
}

THSL RGBToHSL(TColor32 c) {
  const float r = kUnit[RedComponent(c)];
  const float g = kUnit[GreenComponent(c)];
  const float b = kUnit[BlueComponent(c)];
  const float mx = std::max(r, std::max(g, b));
  const float mn = std::min(r, std::min(g, b));
  THSL out;
  out.L = (mx + mn) / 2.0f;
  if (mx == mn) return out;
  const float d = mx - mn;
  out.S = out.L < 0.5f ? d / (mx + mn) : d / (2.0f - mx - mn);
  if (r == mx)
    out.H = (g - b) / d;
  else if (g == mx)
    out.H = 2.0f + (b - r) / d;
  else
    out.H = 4.0f + (r - g) / d;
  out.H = out.H / 6.0f;
  if (out.H < 0.0f) out.H += 1.0f;
  return out;
}

TColor32 HSLToRGB(THSL hsl) {
  if (hsl.S == 0.0f) {
    const uint32_t v = uint32_t(RoundChannel(hsl.L));
    return Color32(uint8_t(v), uint8_t(v), uint8_t(v));
  }
  const float m2 = hsl.L <= 0.5f ? hsl.L * (1.0f + hsl.S) : hsl.L + hsl.S - hsl.L * hsl.S;
  const float m1 = 2.0f * hsl.L - m2;
  return Color32(uint8_t(RoundChannel(HueToChannelValue(m1, m2, hsl.H + 1.0f / 3.0f))),
                 uint8_t(RoundChannel(HueToChannelValue(m1, m2, hsl.H))),
                 uint8_t(RoundChannel(HueToChannelValue(m1, m2, hsl.H - 1.0f / 3.0f))));
}

namespace {

using namespace blend;

// The combine function installed as OnPixelCombine.
template <class Mode>
void Combine(TColor32 F, TColor32& B, TColor32 M) {
  if constexpr (Mode::kSkipEqual) {
    if (F == B) return;
  }
  const uint32_t O = ((F >> 24) * (M & 255u)) >> 8;
  if (O == 0) return;
  B = Mode::Apply(F, B, O);
}

// What a Saturation or Lightness brush pixel lends, worked out once per brush.
template <class Mode>
void OwnComponent(TColor32 F, float* out, size_t) {
  out[0] = Mode::Own(RGBToHSL(F));
}

struct ModeEntry {
  const char* name;  // nullptr for the unnamed index
  TPixelCombineEvent combine;
  TStampProc stamp;
  TStampBlockProc block;
  TPreparedMode prepared;
};

template <class Mode>
constexpr auto BrushLaneOf() -> uint16_t (*)(uint32_t) {
#if PLUMAVO_BLEND_SSE2
  if constexpr (HasBrushLane<Mode>) return &Mode::BrushLane;
#endif
  return nullptr;
}

template <class Mode>
constexpr ModeEntry Entry(const char* name) {
  TPreparedMode prepared{&PreparedStamp<PreparedRow<Mode>>, nullptr, 0, BrushLaneOf<Mode>()};
  if constexpr (std::is_same_v<Mode, HSLComponent<0>>)
    prepared = {prepared.stamp, &HueOwn, Mode::kOwnPlanes};
  else if constexpr (requires(THSL hsl) { Mode::Own(hsl); })
    prepared = {prepared.stamp, &OwnComponent<Mode>, Mode::kOwnPlanes};
  return {name, &Combine<Mode>, &StampLoop<CustomRow<Mode>>, &BlockLoop<CustomRow<Mode>>, prepared};
}

// The names in list order; the last index has none.
constexpr const char* kModeNames[kBlendFunctionCount] = {
    "Normal",     "Multiply",    "Screen",     "Overlay",  "Reflect",    "Soft Light", "Bright Light",
    "Hard Light", "Color Dodge", "Color Burn", "Lighten",  "Darken",     "Additive",   "Subtractive",
    "Average",    "Difference",  "Exclusion",  "Negation", "Glow",       "Heat",       "Freeze",
    "Red",        "Green",       "Blue",       "Hue",      "Saturation", "Lightness",  nullptr,
};

template <size_t... I>
constexpr std::array<ModeEntry, kBlendFunctionCount> MakeModes(std::index_sequence<I...>) {
  return {Entry<std::tuple_element_t<I, ModeList>>(kModeNames[I])...};
}

// Index, name and formula, in list order.
constexpr std::array<ModeEntry, kBlendFunctionCount> kModes =
    MakeModes(std::make_index_sequence<kBlendFunctionCount>{});

}  // namespace

const std::vector<std::string>& BlendModeNames() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> v;
    v.reserve(kBlendModeCount);
    for (int i = 0; i < kBlendModeCount; ++i) v.emplace_back(kModes[i].name);
    return v;
  }();
  return names;
}

TPixelCombineEvent BlendModeFunction(int index) {
  return index >= 0 && index < kBlendFunctionCount ? kModes[size_t(index)].combine : nullptr;
}

bool blend::WideKernelsAvailable() {
#if PLUMAVO_WIDE_KERNELS
  static const bool available = __builtin_cpu_supports("avx2");
  return available;
#else
  return false;
#endif
}

TPreparedMode blend::PreparedModeFor(int index, KernelSet set) {
  if (index < 0 || index >= kBlendFunctionCount) return {};
  TPreparedMode mode = kModes[size_t(index)].prepared;
#if PLUMAVO_WIDE_KERNELS
  if (set == KernelSet::Best && WideKernelsAvailable())
    if (const TPreparedStamp wide = WidePreparedStamp(index)) mode.stamp = wide;
#else
  (void)set;
#endif
  return mode;
}

TStampBlockProc StampBlockProcFor(int index, blend::KernelSet set) {
  if (index < 0 || index >= kBlendFunctionCount) return nullptr;
#if PLUMAVO_WIDE_KERNELS
  if (set == blend::KernelSet::Best && blend::WideKernelsAvailable())
    if (const TStampBlockProc wide = blend::WideBlockProc(index)) return wide;
#else
  (void)set;
#endif
  return kModes[size_t(index)].block;
}

TStampProc blend::CustomStampProc(int index) {
  return index >= 0 && index < kBlendFunctionCount ? kModes[size_t(index)].stamp : nullptr;
}

}  // namespace plumavo
