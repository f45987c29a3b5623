#include "render/blend/blend_modes.h"

#include <gtest/gtest.h>

#include <cctype>
#include <climits>
#include <cmath>
#include <random>
#include <string>

#include "render/blend/blend_formulas.h"
#include "tests/blend/blend_case_names.h"

namespace plumavo {
namespace {

constexpr TColor32 Rgb(uint32_t r, uint32_t g, uint32_t b) { return 0xFF000000u | (r << 16) | (g << 8) | b; }

TColor32 Combined(int mode, TColor32 F, TColor32 B, uint32_t M) {
  BlendModeFunction(mode)(F, B, M);
  return B;
}

TEST(BlendModeList, NamesAndFunctionLookup) {
  const auto& names = BlendModeNames();
  ASSERT_EQ(names.size(), 27u);
  EXPECT_EQ(names[0], "Normal");
  EXPECT_EQ(names[6], "Bright Light");
  EXPECT_EQ(names[13], "Subtractive");
  EXPECT_EQ(names[26], "Lightness");
  for (int i = 0; i < kBlendFunctionCount; ++i) EXPECT_NE(BlendModeFunction(i), nullptr) << i;
  for (int bad : {-1, -2, 28, 1000, INT_MIN, INT_MAX}) EXPECT_EQ(BlendModeFunction(bad), nullptr) << bad;
}

TEST(BlendTables, SqrtRoundsToNearestAndIdentityRepeatsSource) {
  const auto& s = SqrtTable();
  const std::pair<int, int> rows[] = {{0, 0},
                                      {1, 1},
                                      {2, 1},
                                      {3, 2},
                                      {6, 2},
                                      {7, 3},
                                      {12, 3},
                                      {13, 4},
                                      {4900, 70},
                                      {65025, 255},
                                      {65280, 255},
                                      // above 255.5^2 the true value is 256, which a byte cannot hold
                                      {65281, 255},
                                      {65535, 255}};
  for (auto [i, v] : rows) EXPECT_EQ(s[size_t(i)], v) << i;
  EXPECT_EQ(IdentityTable()[(200 << 8) | 17], 0x00C8C8C8u);
  EXPECT_EQ(IdentityTable()[255], 0u);
}

struct ModeRow {
  const char* Name;
  int mode;
  TColor32 F;
  TColor32 B;
  uint32_t M;
  TColor32 expected;
};

void PrintTo(const ModeRow& r, std::ostream* os) {
  *os << "mode " << r.mode << std::hex << " F " << r.F << " B " << r.B << std::dec << " M " << r.M;
}

class ModeArithmetic : public testing::TestWithParam<ModeRow> {};

TEST_P(ModeArithmetic, HandComputed) {
  const ModeRow& r = GetParam();
  EXPECT_EQ(Combined(r.mode, r.F, r.B, r.M), r.expected) << std::hex << Combined(r.mode, r.F, r.B, r.M);
}

// O = (alpha * M) div 256: alpha 255 with M 255 gives 254, with M 129 gives 128,
// so most rows read new = b + floor((t - b) / 2).
INSTANTIATE_TEST_SUITE_P(
    Rows, ModeArithmetic,
    testing::Values(
        // Normal: O 127 gives (255*127) div 256 = 126 and (255*129) div 256 = 128.
        ModeRow{"NormalHalfTransparentSource", 0, 0x80FF0000u, Rgb(0, 255, 0), 255, Rgb(126, 128, 0)},
        ModeRow{"NormalSameColourUnchanged", 0, Rgb(9, 9, 9), Rgb(9, 9, 9), 255, Rgb(9, 9, 9)},
        // Multiply by white at O 254: t = 199, 200 + floor(-254/256) = 199.
        ModeRow{"MultiplyByWhite", 1, Rgb(255, 255, 255), Rgb(200, 0, 100), 255, Rgb(199, 0, 99)},
        // Screen t 101,255,179
        ModeRow{"Screen", 2, Rgb(0, 255, 128), Rgb(100, 100, 100), 129, Rgb(100, 177, 139)},
        ModeRow{"OverlayBothBranches", 3, Rgb(200, 200, 200), Rgb(128, 127, 255), 129, Rgb(164, 162, 255)},
        // Reflect: t 255,255,39
        ModeRow{"Reflect", 4, Rgb(255, 128, 0), Rgb(10, 200, 100), 129, Rgb(132, 227, 69)},
        // Soft Light t 191,64,128
        ModeRow{"SoftLight", 5, Rgb(255, 0, 128), Rgb(128, 128, 128), 129, Rgb(159, 96, 128)},
        // Bright Light: sqrt 4900 = 70
        ModeRow{"BrightLight", 6, Rgb(255, 100, 0), Rgb(255, 49, 200), 129, Rgb(255, 59, 100)},
        // Hard Light t 102,99,0
        ModeRow{"HardLight", 7, Rgb(128, 127, 0), Rgb(100, 100, 100), 129, Rgb(101, 99, 50)},
        // Color Dodge t 255,200,100
        ModeRow{"ColorDodge", 8, Rgb(255, 127, 0), Rgb(0, 100, 100), 129, Rgb(127, 150, 100)},
        // f 255 drives toward 255
        ModeRow{"ColorDodgeFullSourceDrivesToWhite", 8, Rgb(255, 255, 255), Rgb(0, 0, 0), 255, Rgb(253, 253, 253)},
        // Color Burn t 0,145,200
        ModeRow{"ColorBurn", 9, Rgb(0, 128, 255), Rgb(200, 200, 200), 129, Rgb(100, 172, 200)},
        // negative v clamps to 0
        ModeRow{"ColorBurnNegativeClampsToZero", 9, Rgb(10, 10, 10), Rgb(0, 0, 0), 255, Rgb(0, 0, 0)},
        ModeRow{"Lighten", 10, Rgb(10, 200, 50), Rgb(100, 100, 50), 129, Rgb(100, 150, 50)},
        ModeRow{"Darken", 11, Rgb(10, 200, 50), Rgb(100, 100, 50), 129, Rgb(55, 100, 50)},
        // Additive t 255,50,200
        ModeRow{"Additive", 12, Rgb(200, 0, 100), Rgb(100, 50, 100), 129, Rgb(177, 50, 150)},
        // Subtractive 128 + 128 - 256 = 0; floor(-1/2) = -1 takes 1 to 0.
        ModeRow{"SubtractiveFloorsBelowZero", 13, Rgb(128, 200, 255), Rgb(128, 100, 1), 129, Rgb(64, 72, 0)},
        // Average t 127,127,100
        ModeRow{"Average", 14, Rgb(0, 255, 100), Rgb(255, 0, 101), 129, Rgb(191, 63, 100)},
        // Difference t 255,255,60
        ModeRow{"Difference", 15, Rgb(0, 255, 100), Rgb(255, 0, 40), 129, Rgb(255, 127, 50)},
        // Exclusion: t - b = 255 - 508 = -253, 255 + floor(-126.5) = 128.
        ModeRow{"Exclusion", 16, Rgb(255, 255, 0), Rgb(255, 0, 100), 129, Rgb(128, 127, 100)},
        // Negation t 0,200,0
        ModeRow{"Negation", 17, Rgb(255, 100, 0), Rgb(255, 100, 0), 129, Rgb(127, 150, 0)},
        // Glow mixes with 255 - O: g = b = 255 still gives 254.
        ModeRow{"GlowMixesWithInverseOpacity", 18, Rgb(200, 100, 255), Rgb(255, 155, 0), 129, Rgb(254, 126, 127)},
        // Heat t 0,255,175
        ModeRow{"Heat", 19, Rgb(0, 255, 128), Rgb(0, 100, 200), 129, Rgb(0, 177, 187)},
        // Freeze t 0,161,225
        ModeRow{"Freeze", 20, Rgb(0, 255, 100), Rgb(200, 100, 200), 129, Rgb(100, 130, 212)},
        ModeRow{"RedChannel", 21, Rgb(200, 10, 10), Rgb(100, 100, 100), 129, Rgb(150, 100, 100)},
        ModeRow{"GreenChannel", 22, Rgb(200, 10, 10), Rgb(100, 100, 100), 129, Rgb(100, 55, 100)},
        ModeRow{"BlueChannel", 23, Rgb(200, 10, 10), Rgb(100, 100, 100), 129, Rgb(100, 100, 55)},
        // Hue of red onto blue: target red; 255 + floor(-253.008) = 1.
        ModeRow{"HueOfRedOntoBlue", 24, Rgb(255, 0, 0), Rgb(0, 0, 255), 255, Rgb(253, 0, 1)},
        // Saturation 0 from grey: target Round(127.5) = 128 in every channel.
        ModeRow{"SaturationZeroFromGrey", 25, Rgb(128, 128, 128), Rgb(255, 0, 0), 255, Rgb(128, 127, 127)},
        // Saturation 0 with L * 255 = 2.5: the half goes to the even 2, not 3.
        ModeRow{"SaturationZeroRoundsHalfToEven", 25, Rgb(128, 128, 128), Rgb(5, 0, 0), 255, Rgb(2, 1, 1)},
        ModeRow{"LightnessOneGivesWhite", 26, Rgb(255, 255, 255), Rgb(0, 0, 255), 255, Rgb(253, 253, 255)},
        ModeRow{"UnnamedIndexPlainMix", 27, Rgb(200, 10, 10), Rgb(100, 100, 100), 129, Rgb(150, 55, 55)},
        // ... the same as Normal
        ModeRow{"NormalSameAsUnnamedIndex", 0, Rgb(200, 10, 10), Rgb(100, 100, 100), 129, Rgb(150, 55, 55)},
        // The destination's alpha byte is kept.
        ModeRow{"MultiplyKeepsDestinationAlpha", 1, Rgb(255, 255, 255), 0x40C86400u, 255, 0x40C76300u}),
    [](const testing::TestParamInfo<ModeRow>& info) { return std::string(info.param.Name); });

// Random pixels leaning on the values where the formulas branch.
TColor32 EdgyPixel(std::mt19937& rng) {
  static const uint32_t kEdges[] = {0, 1, 2, 126, 127, 128, 129, 253, 254, 255};
  TColor32 c = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const uint32_t v = rng() % 3 == 0 ? kEdges[rng() % 10] : rng() % 256;
    c |= v << shift;
  }
  return c;
}

class EveryMode : public testing::TestWithParam<int> {};

TEST_P(EveryMode, ZeroOpacityLeavesDestination) {
  const auto combine = BlendModeFunction(GetParam());
  std::mt19937 rng{uint32_t(GetParam())};
  for (int i = 0; i < 2000; ++i) {
    const TColor32 F = EdgyPixel(rng), B0 = EdgyPixel(rng);
    // alpha 0; alpha * M below 256; M 0 (only its low byte counts)
    const std::pair<TColor32, TColor32> cases[] = {
        {F & 0x00FFFFFFu, 255}, {(F & 0x00FFFFFFu) | 0x01000000u, 255}, {F | 0xFF000000u, 0xABCDEF00u}};
    for (auto [f, m] : cases) {
      TColor32 B = B0;
      combine(f, B, m);
      ASSERT_EQ(B, B0) << std::hex << f << " " << m;
    }
  }
}

TEST_P(EveryMode, AlphaOfDestinationKept) {
  const auto combine = BlendModeFunction(GetParam());
  std::mt19937 rng(uint32_t(GetParam()) + 100);
  for (int i = 0; i < 2000; ++i) {
    const TColor32 F = EdgyPixel(rng), B0 = EdgyPixel(rng);
    TColor32 B = B0;
    combine(F, B, rng() % 256);
    ASSERT_EQ(B >> 24, B0 >> 24);
  }
}

INSTANTIATE_TEST_SUITE_P(AllIndices, EveryMode, testing::Range(0, kBlendFunctionCount), BlendIndexName);

TEST(BlendModes, SingleChannelModesTouchOnlyTheirChannel) {
  std::mt19937 rng(21);
  const std::pair<int, TColor32> modes[] = {{21, 0x00FF0000u}, {22, 0x0000FF00u}, {23, 0x000000FFu}};
  for (int i = 0; i < 5000; ++i) {
    const TColor32 F = EdgyPixel(rng), B0 = EdgyPixel(rng);
    const uint32_t M = rng() % 256;
    for (auto [mode, mask] : modes) {
      const TColor32 B = Combined(mode, F, B0, M);
      ASSERT_EQ(B & ~mask, B0 & ~mask) << mode;
      // and that channel moves like the unnamed plain mix
      ASSERT_EQ(B & mask, Combined(27, F, B0, M) & mask) << mode;
    }
  }
}

TEST(BlendModes, UnnamedIndexMixesExactlyLikeNormal) {
  std::mt19937 rng(27);
  for (int i = 0; i < 20000; ++i) {
    const TColor32 F = EdgyPixel(rng), B = EdgyPixel(rng);
    const uint32_t M = rng() % 256;
    ASSERT_EQ(Combined(27, F, B, M), Combined(0, F, B, M));
  }
}

// The packed two-channels-per-word step against b + floor((t - b) O / 256) on
// signed numbers, the way the step is defined.
TEST(BlendModes, PackedStepMatchesFlooredFormula) {
  std::mt19937 rng(3);
  for (int i = 0; i < 50000; ++i) {
    const TColor32 T = EdgyPixel(rng), B = EdgyPixel(rng);
    const uint32_t O = 1 + rng() % 254;
    const TColor32 got = blend::MixTowards(T, B, O);
    for (int shift : {0, 8, 16}) {
      const int t = int((T >> shift) & 255), b = int((B >> shift) & 255);
      const int want = b + int(std::floor(double((t - b) * int(O)) / 256.0));
      ASSERT_EQ(int((got >> shift) & 255), want) << std::hex << T << " " << B << std::dec << " " << O;
    }
    ASSERT_EQ(got >> 24, B >> 24);
  }
}

// Unsigned intermediate arithmetic in the per-channel rules must never wrap.
template <class Rule>
void ExpectTargetInByteRange(const char* name) {
  for (uint32_t f = 0; f < 256; ++f)
    for (uint32_t b = 0; b < 256; ++b) ASSERT_LE(Rule::Target(f, b), 255u) << name << " f " << f << " b " << b;
}

TEST(BlendModes, EveryChannelTargetFitsAByte) {
  using namespace blend;
  ExpectTargetInByteRange<MultiplyRule>("Multiply");
  ExpectTargetInByteRange<ScreenRule>("Screen");
  ExpectTargetInByteRange<OverlayRule>("Overlay");
  ExpectTargetInByteRange<ReflectRule>("Reflect");
  ExpectTargetInByteRange<SoftLightRule>("Soft Light");
  ExpectTargetInByteRange<BrightLightRule>("Bright Light");
  ExpectTargetInByteRange<HardLightRule>("Hard Light");
  ExpectTargetInByteRange<ColorDodgeRule>("Color Dodge");
  ExpectTargetInByteRange<ColorBurnRule>("Color Burn");
  ExpectTargetInByteRange<SubtractiveRule>("Subtractive");
  ExpectTargetInByteRange<ExclusionRule>("Exclusion");
  ExpectTargetInByteRange<NegationRule>("Negation");
  ExpectTargetInByteRange<HeatRule>("Heat");
  ExpectTargetInByteRange<FreezeRule>("Freeze");
}

struct HslRow {
  const char* Name;
  TColor32 rgb;
  float h, s, l;
};

class HslConversion : public testing::TestWithParam<HslRow> {};

TEST_P(HslConversion, KnownValuesAndRoundTrip) {
  const HslRow& r = GetParam();
  const THSL hsl = RGBToHSL(r.rgb);
  EXPECT_NEAR(hsl.H, r.h, 1e-6f);
  EXPECT_NEAR(hsl.S, r.s, 1e-6f);
  EXPECT_NEAR(hsl.L, r.l, 1e-6f);
  EXPECT_EQ(HSLToRGB(hsl), r.rgb | 0xFF000000u);
}

INSTANTIATE_TEST_SUITE_P(Colours, HslConversion,
                         testing::Values(HslRow{"Red", Rgb(255, 0, 0), 0.0f, 1.0f, 0.5f},
                                         HslRow{"Green", Rgb(0, 255, 0), 1.0f / 3.0f, 1.0f, 0.5f},
                                         HslRow{"Blue", Rgb(0, 0, 255), 2.0f / 3.0f, 1.0f, 0.5f},
                                         HslRow{"MagentaNegativeHueWraps", Rgb(255, 0, 255), 5.0f / 6.0f, 1.0f, 0.5f},
                                         HslRow{"Grey", Rgb(128, 128, 128), 0.0f, 0.0f, 128.0f / 255.0f},
                                         HslRow{"White", Rgb(255, 255, 255), 0.0f, 0.0f, 1.0f},
                                         // alpha ignored, result opaque
                                         HslRow{"TransparentBlack", 0x00000000u, 0.0f, 0.0f, 0.0f},
                                         HslRow{"Orange", Rgb(255, 128, 0), 128.0f / 255.0f / 6.0f, 1.0f, 0.5f},
                                         HslRow{"Violet", Rgb(64, 32, 192), (4.0f + 32.0f / 160.0f) / 6.0f,
                                                160.0f / 224.0f, 112.0f / 255.0f}),
                         [](const testing::TestParamInfo<HslRow>& info) { return std::string(info.param.Name); });

TEST(HslConversion, RoundTripIsExactAcrossTheCube) {
  for (uint32_t r = 0; r < 256; r += 5)
    for (uint32_t g = 0; g < 256; g += 3)
      for (uint32_t b = 0; b < 256; ++b)
        ASSERT_EQ(HSLToRGB(RGBToHSL(Rgb(r, g, b))), Rgb(r, g, b)) << r << " " << g << " " << b;
}

TEST(HslConversion, GreyRoundsHalvesToEven) {
  // L * 255 = 2.5 and 4.5 exactly in single precision.
  EXPECT_EQ(HSLToRGB({0.0f, 0.0f, RGBToHSL(Rgb(5, 0, 0)).L}), Rgb(2, 2, 2));
  EXPECT_EQ(HSLToRGB({0.0f, 0.0f, RGBToHSL(Rgb(9, 0, 0)).L}), Rgb(4, 4, 4));
  EXPECT_EQ(HSLToRGB({0.0f, 0.0f, RGBToHSL(Rgb(3, 2, 0)).L}), Rgb(2, 2, 2));
}

}  // namespace
}  // namespace plumavo
