#include "canvas/gradient.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace plumavo {
namespace {

constexpr TColor kBlack = 0x000000;
constexpr TColor kWhite = 0xFFFFFF;

TEST(MulDiv, RoundsHalvesAwayFromZero) {
  EXPECT_EQ(MulDiv(255, 50, 100), 128);
  EXPECT_EQ(MulDiv(255, -50, 100), -128);
  EXPECT_EQ(MulDiv(-255, 50, 100), -128);
  EXPECT_EQ(MulDiv(10, 25, 100), 3);
  EXPECT_EQ(MulDiv(10, 24, 100), 2);
  EXPECT_EQ(MulDiv(-10, 26, 100), -3);
  EXPECT_EQ(MulDiv(255, 100, 100), 255);
  EXPECT_EQ(MulDiv(0x40000000, 4, 8), 0x20000000);  // 64-bit intermediate
}

struct TableRow {
  const char* name;
  TColor begin, end;
  int shift, rotation;
  bool reverse;
  int index;
  TColor32 expected;  // 0xAARRGGBB
};

class GradientTable : public testing::TestWithParam<TableRow> {};

TEST_P(GradientTable, Entry) {
  const TableRow& r = GetParam();
  TGradient g;
  g.BeginUpdate();
  g.SetColorBegin(r.begin);
  g.SetColorEnd(r.end);
  g.SetShift(r.shift);
  g.SetRotation(r.rotation);
  g.SetReverse(r.reverse);
  g.EndUpdate();
  const TGradientColor c = g.Colors()[size_t(r.index)];
  EXPECT_EQ(Color32(c.R, c.G, c.B), r.expected);
}

// Black to white, so every component equals the value written on the row.
constexpr TColor32 Grey(uint8_t v) { return Color32(v, v, v); }

INSTANTIATE_TEST_SUITE_P(Cases, GradientTable,
                         testing::Values(
                             // A plain ramp.
                             TableRow{"ramp0", kBlack, kWhite, 0, 0, false, 0, Grey(0)},
                             TableRow{"ramp128", kBlack, kWhite, 0, 0, false, 128, Grey(128)},
                             TableRow{"ramp255", kBlack, kWhite, 0, 0, false, 255, Grey(255)},
                             // Rotation 50: k = 128 (127.5 away from zero), m = 127.
                             TableRow{"rot50_0", kBlack, kWhite, 0, 50, false, 0, Grey(0)},
                             TableRow{"rot50_126", kBlack, kWhite, 0, 50, false, 126, Grey(252)},
                             TableRow{"rot50_127", kBlack, kWhite, 0, 50, false, 127, Grey(255)},
                             TableRow{"rot50_255", kBlack, kWhite, 0, 50, false, 255, Grey(0)},
                             // Rotation -50: n = 128; falls from B to A at 128, then rises again.
                             TableRow{"rotm50_0", kBlack, kWhite, 0, -50, false, 0, Grey(255)},
                             TableRow{"rotm50_64", kBlack, kWhite, 0, -50, false, 64, Grey(128)},
                             TableRow{"rotm50_128", kBlack, kWhite, 0, -50, false, 128, Grey(0)},
                             TableRow{"rotm50_129", kBlack, kWhite, 0, -50, false, 129, Grey(3)},
                             TableRow{"rotm50_255", kBlack, kWhite, 0, -50, false, 255, Grey(255)},
                             // Rotation +-100: the mirror of the plain ramp.
                             TableRow{"rot100_0", kBlack, kWhite, 0, 100, false, 0, Grey(255)},
                             TableRow{"rot100_100", kBlack, kWhite, 0, 100, false, 100, Grey(155)},
                             TableRow{"rot100_255", kBlack, kWhite, 0, 100, false, 255, Grey(0)},
                             TableRow{"rotm100_0", kBlack, kWhite, 0, -100, false, 0, Grey(255)},
                             TableRow{"rotm100_100", kBlack, kWhite, 0, -100, false, 100, Grey(155)},
                             TableRow{"rotm100_255", kBlack, kWhite, 0, -100, false, 255, Grey(0)},
                             // Out-of-range values clamp to 100.
                             TableRow{"rot150_0", kBlack, kWhite, 0, 150, false, 0, Grey(255)},
                             // Shift +-100 flattens to B or A.
                             TableRow{"shift100_0", kBlack, kWhite, 100, 0, false, 0, Grey(255)},
                             TableRow{"shift100_255", kBlack, kWhite, 100, 0, false, 255, Grey(255)},
                             TableRow{"shiftm100_0", kBlack, kWhite, -100, 0, false, 0, Grey(0)},
                             TableRow{"shiftm100_255", kBlack, kWhite, -100, 0, false, 255, Grey(0)},
                             // Shift 50 moves A half way (127.5 -> 128); -50 moves B (255 - 128).
                             TableRow{"shift50_0", kBlack, kWhite, 50, 0, false, 0, Grey(128)},
                             TableRow{"shift50_255", kBlack, kWhite, 50, 0, false, 255, Grey(255)},
                             TableRow{"shiftm50_255", kBlack, kWhite, -50, 0, false, 255, Grey(127)},
                             // Reverse swaps the colours before shift and rotation.
                             TableRow{"reverse0", kBlack, kWhite, 0, 0, true, 0, Grey(255)},
                             TableRow{"reverse_shift50_0", kBlack, kWhite, 50, 0, true, 0, Grey(127)},
                             TableRow{"reverse_rot50_127", kBlack, kWhite, 0, 50, true, 127, Grey(0)},
                             // Per component, falling components truncate toward zero:
                             // A = RGB(10, 200, 0), B = RGB(250, 0, 100); at 128: 10 + 120, 200 - 100, 0 + 50.
                             TableRow{"components", 0x00C80A, 0x6400FA, 0, 0, false, 128, Color32(130, 100, 50)},
                             TableRow{"components_end", 0x00C80A, 0x6400FA, 0, 0, false, 255, Color32(250, 0, 100)}),
                         [](const testing::TestParamInfo<TableRow>& info) { return std::string(info.param.name); });

struct Probe {
  int x, y, index;
};

struct PatternRow {
  TGradientStyle style;
  int width, height;
  std::vector<Probe> probes;
};

class GradientPattern : public testing::TestWithParam<PatternRow> {};

TEST_P(GradientPattern, SizeAndPixels) {
  const PatternRow& r = GetParam();
  TGradient g;
  g.BeginUpdate();
  g.SetColorBegin(kBlack);  // table entry i is grey i
  g.SetColorEnd(kWhite);
  g.SetStyle(r.style);
  g.EndUpdate();
  TBitmap32 out;
  ASSERT_TRUE(g.CopyPatternTo(&out));
  ASSERT_EQ(out.Width(), r.width);
  ASSERT_EQ(out.Height(), r.height);
  const TPatternSize size = GradientPatternSize(r.style);
  EXPECT_EQ(size.Width, r.width);
  EXPECT_EQ(size.Height, r.height);
  for (const Probe& p : r.probes)
    EXPECT_EQ(out.Pixel(p.x, p.y), Grey(uint8_t(p.index))) << "at (" << p.x << "," << p.y << ")";
}

INSTANTIATE_TEST_SUITE_P(
    Styles, GradientPattern,
    testing::Values(PatternRow{gsRadialC,
                               362,
                               362,
                               {{180, 180, 0},
                                {181, 180, 0},
                                {181, 181, 1},
                                {0, 0, 255},
                                {181, 0, 180},
                                {361, 180, 180},
                                {181, 361, 181},
                                {361, 361, 255}}},
                    PatternRow{gsRadialT, 362, 181, {{180, 0, 0}, {181, 0, 0}, {181, 100, 100}, {0, 180, 255}}},
                    PatternRow{gsRadialB, 362, 181, {{180, 180, 0}, {181, 0, 180}, {0, 0, 255}}},
                    PatternRow{gsRadialL, 181, 362, {{0, 180, 0}, {0, 181, 0}, {100, 181, 100}, {180, 0, 255}}},
                    PatternRow{gsRadialR, 181, 362, {{180, 180, 0}, {0, 181, 180}}},
                    PatternRow{gsRadialTL, 181, 181, {{0, 0, 0}, {3, 4, 5}, {180, 180, 255}}},
                    PatternRow{gsRadialTR, 181, 181, {{180, 0, 0}, {177, 4, 5}}},
                    PatternRow{gsRadialBL, 181, 181, {{0, 180, 0}, {3, 176, 5}}},
                    PatternRow{gsRadialBR, 181, 181, {{180, 180, 0}, {177, 176, 5}, {0, 0, 255}}},
                    PatternRow{gsLinearH, 256, 1, {{0, 0, 0}, {100, 0, 100}, {255, 0, 255}}},
                    PatternRow{gsLinearV, 1, 256, {{0, 0, 0}, {0, 77, 77}, {0, 255, 255}}},
                    PatternRow{gsReflectedH, 1, 512, {{0, 0, 255}, {0, 255, 0}, {0, 256, 0}, {0, 511, 255}}},
                    PatternRow{gsReflectedV, 512, 1, {{0, 0, 255}, {255, 0, 0}, {256, 0, 0}, {511, 0, 255}}},
                    PatternRow{gsDiagonalLF, 128, 129, {{0, 0, 0}, {10, 20, 30}, {127, 128, 255}}},
                    PatternRow{gsDiagonalLB, 128, 129, {{127, 0, 0}, {0, 0, 127}, {0, 128, 255}}},
                    PatternRow{gsDiagonalRF, 256, 256, {{0, 0, 255}, {254, 0, 1}, {255, 0, 0}, {255, 255, 255}}},
                    PatternRow{
                        gsDiagonalRB, 256, 256, {{0, 0, 0}, {10, 3, 7}, {3, 10, 7}, {255, 0, 255}, {0, 255, 255}}},
                    PatternRow{gsArrowL, 129, 256, {{0, 0, 255}, {128, 127, 0}, {128, 128, 0}, {0, 255, 255}}},
                    PatternRow{gsArrowR, 129, 256, {{0, 127, 0}, {128, 0, 255}, {0, 128, 0}, {128, 255, 255}}},
                    PatternRow{gsArrowU, 256, 129, {{0, 0, 255}, {127, 128, 0}, {128, 128, 0}, {255, 0, 255}}},
                    PatternRow{gsArrowD, 256, 129, {{127, 0, 0}, {0, 128, 255}, {128, 0, 0}, {255, 128, 255}}},
                    PatternRow{gsDiamond,
                               256,
                               256,
                               {{0, 0, 255},
                                {127, 127, 1},
                                {128, 127, 1},
                                {127, 128, 1},
                                {128, 128, 1},
                                {255, 0, 255},
                                {0, 255, 255},
                                {255, 255, 255}}},
                    PatternRow{gsButterfly,
                               256,
                               256,
                               {{0, 0, 128},
                                {127, 0, 255},
                                {128, 0, 255},
                                {255, 0, 128},
                                {0, 127, 1},
                                {0, 128, 0},
                                {128, 128, 128},
                                {255, 255, 128}}}),
    [](const testing::TestParamInfo<PatternRow>& info) { return "style" + std::to_string(int(info.param.style)); });

TEST(Gradient, DefaultsBuildRadialPatternAtOnce) {
  TGradient g;
  EXPECT_EQ(g.ColorBegin(), kWhite);
  EXPECT_EQ(g.ColorEnd(), kClBtnFace);
  EXPECT_EQ(g.Style(), gsRadialC);
  EXPECT_EQ(g.Width, 100);
  EXPECT_EQ(g.Height, 100);
  EXPECT_EQ(g.Pattern().Width(), 362);
  EXPECT_EQ(g.Colors()[0], (TGradientColor{255, 255, 255}));
  EXPECT_FALSE(g.UpdatePending());
}

TEST(Gradient, RebuildsOnlyWhenAValueChanges) {
  TGradient g;
  int rebuilds = 0;
  g.OnChange = [&] { ++rebuilds; };
  g.SetColorBegin(g.ColorBegin());
  g.SetColorEnd(g.ColorEnd());
  g.SetStyle(g.Style());
  g.SetRotation(g.Rotation());
  g.SetShift(g.Shift());
  g.SetReverse(g.Reverse());
  g.SetStyle(TGradientStyle(24));  // not a style: ignored
  EXPECT_EQ(rebuilds, 0);

  g.SetRotation(150);
  g.SetRotation(100);  // the clamped value is the current one
  g.SetShift(-7);
  g.SetReverse(true);
  g.SetColorEnd(kBlack);
  g.SetStyle(gsDiamond);
  EXPECT_EQ(rebuilds, 5);
  EXPECT_EQ(g.Rotation(), 100);
}

TEST(Gradient, LockedUpdatesRebuildOnceAndRefuseCopies) {
  TGradient g;
  int rebuilds = 0;
  g.OnChange = [&] { ++rebuilds; };
  TBitmap32 target(3, 3);
  target.Clear(0xFF010203u);

  g.BeginUpdate();
  g.BeginUpdate();
  g.SetStyle(gsLinearH);
  g.SetColorBegin(kBlack);
  EXPECT_TRUE(g.UpdatePending());
  EXPECT_FALSE(g.CopyPatternTo(&target));
  EXPECT_EQ(target.Width(), 3);
  EXPECT_EQ(target.Pixel(1, 1), 0xFF010203u);
  g.EndUpdate();
  EXPECT_EQ(rebuilds, 0);  // still locked once
  g.EndUpdate();
  EXPECT_EQ(rebuilds, 1);
  EXPECT_FALSE(g.UpdatePending());
  g.EndUpdate();  // unbalanced: harmless
  EXPECT_EQ(g.UpdateCount(), 0);

  EXPECT_FALSE(g.CopyPatternTo(nullptr));
  ASSERT_TRUE(g.CopyPatternTo(&target));
  EXPECT_EQ(target.Width(), 256);
  EXPECT_EQ(target.Height(), 1);
  EXPECT_EQ(target.Pixel(0, 0), Grey(0));
}

TEST(Gradient, LoadingDefersTheBuildUntilLoaded) {
  TGradient g;
  int rebuilds = 0;
  g.OnChange = [&] { ++rebuilds; };
  g.BeginLoading();
  g.SetStyle(gsLinearV);
  g.SetRotation(20);
  EXPECT_EQ(rebuilds, 0);
  EXPECT_TRUE(g.UpdatePending());
  g.Loaded();
  EXPECT_EQ(rebuilds, 1);
  EXPECT_EQ(g.Pattern().Height(), 256);
}

TEST(Gradient, CustomStyleWithoutHandlerIsAnUnshiftedChecker) {
  TGradient g;
  g.BeginUpdate();
  g.SetColorBegin(0x0000FF);  // red
  g.SetColorEnd(0xFF0000);    // blue
  g.SetShift(60);             // the checker ignores the shift
  g.SetStyle(gsCustom);
  g.EndUpdate();
  const TBitmap32& p = g.Pattern();
  ASSERT_EQ(p.Width(), 2);
  ASSERT_EQ(p.Height(), 2);
  EXPECT_EQ(p.Pixel(0, 0), Color32(255, 0, 0));
  EXPECT_EQ(p.Pixel(1, 1), Color32(255, 0, 0));
  EXPECT_EQ(p.Pixel(0, 1), Color32(0, 0, 255));
  EXPECT_EQ(p.Pixel(1, 0), Color32(0, 0, 255));
}

TEST(Gradient, CustomHandlerPaintsAndAFailureClearsThePaintingFlag) {
  TGradient g;
  bool copyRefusedInside = false;
  g.OnCustom = [&](TGradient& sender, const TGradientColors& colors, TBitmap32& pattern) {
    EXPECT_TRUE(sender.Painting());
    TBitmap32 probe;
    copyRefusedInside = !sender.CopyPatternTo(&probe);
    pattern.SetSize(1, 1);
    pattern.Pixel(0, 0) = Color32(colors[255].R, colors[255].G, colors[255].B);
  };
  g.SetColorEnd(kBlack);
  g.SetStyle(gsCustom);
  EXPECT_TRUE(copyRefusedInside);
  EXPECT_FALSE(g.Painting());
  EXPECT_EQ(g.Pattern().Pixel(0, 0), Grey(0));

  g.OnCustom = [](TGradient&, const TGradientColors&, TBitmap32&) { throw std::runtime_error("painter failed"); };
  EXPECT_THROW(g.SetRotation(10), std::runtime_error);
  EXPECT_FALSE(g.Painting());
  TBitmap32 out;
  EXPECT_TRUE(g.CopyPatternTo(&out));
}

TEST(Gradient, SystemColorsAreFollowedUntilAColourIsSet) {
  const TColor32 savedCaption = SystemColorTable::Get(kSysColorActiveCaption);
  const TColor32 savedEnd = SystemColorTable::Get(kSysColorGradientActiveCaption);
  SystemColorTable::Set(kSysColorActiveCaption, Color32(10, 20, 30));
  SystemColorTable::Set(kSysColorGradientActiveCaption, Color32(40, 50, 60));

  TGradient g;
  int rebuilds = 0;
  g.OnChange = [&] { ++rebuilds; };
  g.SetUseSysColors(true);
  EXPECT_TRUE(g.UseSysColors());
  EXPECT_EQ(rebuilds, 1);
  EXPECT_EQ(Color32(g.ColorBegin()), Color32(10, 20, 30));
  EXPECT_EQ(Color32(g.ColorEnd()), Color32(40, 50, 60));

  SystemColorTable::Set(kSysColorGradientActiveCaption, Color32(70, 80, 90));
  g.SettingsChanged();
  EXPECT_EQ(Color32(g.ColorEnd()), Color32(70, 80, 90));

  g.SetColorBegin(kBlack);
  EXPECT_FALSE(g.UseSysColors());
  SystemColorTable::Set(kSysColorGradientActiveCaption, Color32(1, 2, 3));
  g.SettingsChanged();
  EXPECT_EQ(Color32(g.ColorEnd()), Color32(70, 80, 90));

  SystemColorTable::Set(kSysColorActiveCaption, savedCaption);
  SystemColorTable::Set(kSysColorGradientActiveCaption, savedEnd);
}

TEST(Gradient, EditorCaptions) {
  const auto& c = GradientStyleCaptions();
  EXPECT_STREQ(c[0], "Radial - Central");
  EXPECT_STREQ(c[10], "Linear - Vertical");
  EXPECT_STREQ(c[16], "Diagonal - Reflected Backward");
  EXPECT_STREQ(c[22], "Butterfy");
}

}  // namespace
}  // namespace plumavo
