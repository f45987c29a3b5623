#include "surface/bitmap32.h"

#include <gtest/gtest.h>

#include <random>

namespace plumavo {
namespace {

TEST(Color, ConversionsAndAlphaClamp) {
  EXPECT_EQ(Color32(TColor(0x0000FF)), 0xFFFF0000u);  // pure red
  EXPECT_EQ(Color32(TColor(0x804020)), 0xFF204080u);
  EXPECT_EQ(WinColor(0xFF204080u), TColor(0x804020));
  EXPECT_EQ(SetAlpha(0x11223344u, 300), 0xFF223344u);
  EXPECT_EQ(SetAlpha(0x11223344u, -5), 0x00223344u);
  EXPECT_EQ(SetAlpha(0x11223344u, 128), 0x80223344u);
  SystemColorTable::Set(5, 0x00123456u);
  EXPECT_EQ(Color32(TColor(int32_t(0x80000005))), 0xFF123456u);
}

// Reference for one channel of the weighted mix, straight from the formula.
uint32_t MixChannel(uint32_t f, uint32_t b, uint32_t w) { return (256 * b + w * f - w * b + 128) / 256; }

TEST(Color, WeightedMixMatchesChannelFormula) {
  std::mt19937 rng(7);
  for (int i = 0; i < 20000; ++i) {
    const TColor32 f = rng(), b = rng();
    const uint32_t w = rng() % 256;
    const TColor32 got = BlendPixelWeighted(f, b, w);
    for (int shift = 0; shift < 32; shift += 8)
      ASSERT_EQ((got >> shift) & 255, MixChannel((f >> shift) & 255, (b >> shift) & 255, w)) << i << " " << shift;
  }
}

struct BlendRow {
  const char* Name;
  TColor32 source;
  uint8_t master;
  TColor32 dest;
  TColor32 expected;
};

class DrawBlend : public testing::TestWithParam<BlendRow> {};

TEST_P(DrawBlend, OnePixel) {
  const BlendRow& r = GetParam();
  TBitmap32 src(1, 1), dst(1, 1);
  src.Clear(r.source);
  src.DrawMode = dmBlend;
  src.MasterAlpha = r.master;
  dst.Clear(r.dest);
  dst.Draw(0, 0, src);
  EXPECT_EQ(dst.Pixel(0, 0), r.expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, DrawBlend,
                         testing::Values(BlendRow{"OpaqueSourceReplaces", 0xFFFFFFFF, 255, 0xFF000000, 0xFFFFFFFF},
                                         BlendRow{"TransparentSourceLeaves", 0x00FFFFFF, 255, 0xFF102030, 0xFF102030},
                                         // W = 254: no shortcut, 253 per channel
                                         BlendRow{"Weight254NoShortcut", 0xFFFFFFFF, 254, 0xFF000000, 0xFFFDFDFD},
                                         // W = 128, alpha blends too: 255 -> 192
                                         BlendRow{"HalfAlphaBlendsAlphaToo", 0x80FF0000, 255, 0xFF0000FF, 0xC0800080},
                                         BlendRow{"TinyAlphaWeightsZero", 0x01FFFFFF, 100, 0xFF000000,
                                                  0xFF000000},  // W = (101 * 1) div 256 = 0
                                         BlendRow{"ZeroMasterAlphaWeightsZero", 0xFF646464, 0, 0xFF000000,
                                                  0xFF000000}),  // W = (1 * 255) div 256 = 0
                         [](const testing::TestParamInfo<BlendRow>& info) { return std::string(info.param.Name); });

TEST(Draw, OpaqueCopiesAndClipsAtEveryEdge) {
  TBitmap32 src(3, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 3; ++x) src.Pixel(x, y) = TColor32(0xFF000000u | uint32_t(y * 3 + x + 1));
  for (int dy = -3; dy <= 5; ++dy) {
    for (int dx = -3; dx <= 5; ++dx) {
      TBitmap32 dst(5, 4);
      dst.Clear(0);
      dst.Draw(dx, dy, src);
      for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x) {
          const bool inside = x - dx >= 0 && x - dx < 3 && y - dy >= 0 && y - dy < 3;
          ASSERT_EQ(dst.Pixel(x, y), inside ? src.Pixel(x - dx, y - dy) : 0u) << dx << "," << dy;
        }
    }
  }
}

TEST(Draw, SourceRectSelectsAFrame) {
  TBitmap32 strip(2, 6);  // three 2x2 frames
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 2; ++x) strip.Pixel(x, y) = 0xFF000000u | uint32_t(y / 2 + 1);
  TBitmap32 dst(4, 4);
  dst.Clear(0);
  dst.Draw(1, 1, TRect{0, 4, 2, 6}, strip);
  EXPECT_EQ(dst.Pixel(1, 1), 0xFF000003u);
  EXPECT_EQ(dst.Pixel(2, 2), 0xFF000003u);
  EXPECT_EQ(dst.Pixel(3, 3), 0u);
  EXPECT_EQ(dst.Pixel(0, 0), 0u);
}

void AddOne(TColor32 f, TColor32& b, TColor32 m) { b = b + (f & 0xFF) + (m & 0xFF); }

TEST(Draw, CustomModeCallsTheCombineFunctionPerPixel) {
  TBitmap32 src(2, 1), dst(2, 1);
  src.Clear(0x00000001);
  src.DrawMode = dmCustom;
  src.OnPixelCombine = AddOne;
  src.MasterAlpha = 10;
  dst.Clear(100);
  dst.Draw(0, 0, src);
  EXPECT_EQ(dst.Pixel(0, 0), 111u);
  EXPECT_EQ(dst.Pixel(1, 0), 111u);
}

TEST(Draw, NearestStretchDoublesPixels) {
  TBitmap32 src(2, 2);
  src.Pixel(0, 0) = 0xFF000001;
  src.Pixel(1, 0) = 0xFF000002;
  src.Pixel(0, 1) = 0xFF000003;
  src.Pixel(1, 1) = 0xFF000004;
  TBitmap32 dst(4, 4);
  dst.Draw(TRect{0, 0, 4, 4}, src.BoundsRect(), src);
  const TColor32 expected[4][4] = {{1, 1, 2, 2}, {1, 1, 2, 2}, {3, 3, 4, 4}, {3, 3, 4, 4}};
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(dst.Pixel(x, y), 0xFF000000u | expected[y][x]) << x << "," << y;
}

TEST(Draw, LinearStretchInterpolatesAndKeepsEnds) {
  TBitmap32 src(2, 1);
  src.Pixel(0, 0) = 0xFF000000;
  src.Pixel(1, 0) = 0xFFFFFFFF;
  src.StretchFilter = sfLinear;
  TBitmap32 dst(8, 1);
  dst.Draw(TRect{0, 0, 8, 1}, src.BoundsRect(), src);
  EXPECT_EQ(dst.Pixel(0, 0), 0xFF000000u);
  EXPECT_EQ(dst.Pixel(7, 0), 0xFFFFFFFFu);
  for (int x = 1; x < 8; ++x) EXPECT_GE(dst.Pixel(x, 0) & 0xFF, dst.Pixel(x - 1, 0) & 0xFF);
  EXPECT_NEAR(int(dst.Pixel(4, 0) & 0xFF), 159, 2);  // source position 0.625
}

TEST(PutPixel, OnlyInsideTheBitmap) {
  TBitmap32 b(2, 2);
  b.Clear(0);
  b.PutPixel(-1, 0, 0xFFFFFFFF);
  b.PutPixel(0, 2, 0xFFFFFFFF);
  b.PutPixel(2, 0, 0xFFFFFFFF);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 2; ++x) EXPECT_EQ(b.Pixel(x, y), 0u);
  b.PutPixel(1, 1, 0x12345678);
  EXPECT_EQ(b.Pixel(1, 1), 0x12345678u);
}

TEST(SplatPixel, GammaTableEnds) {
  const uint8_t* g = SplatGammaTable();
  EXPECT_EQ(g[0], 0);
  EXPECT_EQ(g[255], 255);
  EXPECT_EQ(g[128], 157);  // 255 * (128/255)^0.7 = 157.2
}

TEST(SplatPixel, WholePixelPositionWeightsOnePixel) {
  TBitmap32 b(4, 4);
  b.Clear(0xFF000000);
  b.SplatPixel(1.0f, 2.0f, 0xFFFFFFFF);
  // w00 = 255*255*255 div 65536 = 253; the neighbours get G[0] = 0.
  const TColor32 mixed = BlendPixelWeighted(0xFFFFFFFF, 0xFF000000, 253);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(b.Pixel(x, y), (x == 1 && y == 2) ? mixed : 0xFF000000u) << x << "," << y;
}

TEST(SplatPixel, HalfPixelSpreadsOverFour) {
  TBitmap32 b(4, 4);
  b.Clear(0xFF000000);
  b.SplatPixel(1.5f, 1.5f, 0xFFFFFFFF);  // fx = fy = 128
  const uint8_t* g = SplatGammaTable();
  auto mixed = [&](uint32_t gx, uint32_t gy) {
    return BlendPixelWeighted(0xFFFFFFFF, 0xFF000000, (255u * g[gx] * g[gy]) >> 16);
  };
  EXPECT_EQ(b.Pixel(1, 1), mixed(127, 127));
  EXPECT_EQ(b.Pixel(2, 1), mixed(128, 127));
  EXPECT_EQ(b.Pixel(1, 2), mixed(127, 128));
  EXPECT_EQ(b.Pixel(2, 2), mixed(128, 128));
  EXPECT_EQ(b.Pixel(0, 0), 0xFF000000u);
}

TEST(SplatPixel, ClipsAtEdgesAndIgnoresFarPoints) {
  TBitmap32 b(4, 4);
  b.Clear(0xFF000000);
  b.SplatPixel(-0.5f, -0.5f, 0xFFFFFFFF);  // only (0, 0) is inside
  EXPECT_NE(b.Pixel(0, 0), 0xFF000000u);
  b.Clear(0xFF000000);
  b.SplatPixel(-1.01f, 0.0f, 0xFFFFFFFF);
  b.SplatPixel(4.0f, 0.0f, 0xFFFFFFFF);
  b.SplatPixel(1e30f, 1e30f, 0xFFFFFFFF);
  b.SplatPixel(std::numeric_limits<float>::quiet_NaN(), 1.0f, 0xFFFFFFFF);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(b.Pixel(x, y), 0xFF000000u);
}

TEST(Bitmap, AssignCopiesPropertiesButNotCombine) {
  TBitmap32 a(3, 2);
  a.Clear(0x80112233);
  a.DrawMode = dmCustom;
  a.MasterAlpha = 77;
  a.CombineMode = cmMerge;
  a.OnPixelCombine = AddOne;
  a.StretchFilter = sfLinear;
  TBitmap32 b;
  b.Assign(a);
  EXPECT_EQ(b.Width(), 3);
  EXPECT_EQ(b.Height(), 2);
  EXPECT_EQ(b.Pixel(2, 1), 0x80112233u);
  EXPECT_EQ(b.DrawMode, dmCustom);
  EXPECT_EQ(b.MasterAlpha, 77);
  EXPECT_EQ(b.StretchFilter, sfLinear);
  EXPECT_EQ(b.CombineMode, cmBlend);
  EXPECT_EQ(b.OnPixelCombine, nullptr);
}

TEST(Bitmap, ChangeNotificationsWaitForTheOutermostEndUpdate) {
  TBitmap32 b(2, 2);
  int changes = 0;
  b.OnChange = [&] { ++changes; };
  b.Clear(1);
  EXPECT_EQ(changes, 1);
  b.BeginUpdate();
  b.BeginUpdate();
  b.Clear(2);
  b.ResetAlpha();
  b.EndUpdate();
  b.Clear(3);
  EXPECT_EQ(changes, 1);
  b.EndUpdate();
  b.Changed();
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(b.Pixel(0, 0), 3u);
}

// The view draws an opaque layer without blending; one pixel of lower alpha
// anywhere, the tail past the last whole block included, must say no.
TEST(Bitmap, IsOpaqueOnlyWhenEveryAlphaIs255) {
  struct Case {
    const char* what;
    int32_t w, h;
    int32_t x, y;  // the pixel given `alpha`; -1 for none
    uint32_t alpha;
    bool opaque;
  };
  const Case cases[] = {
      {"all opaque", 300, 3, -1, 0, 255, true},
      {"first pixel clear", 300, 3, 0, 0, 0, false},
      {"pixel in the last whole block at 254", 300, 3, 255, 0, 254, false},
      {"last pixel of the tail at 0x7F", 300, 3, 299, 2, 0x7F, false},
      {"single opaque pixel", 1, 1, -1, 0, 255, true},
      {"empty bitmap", 0, 0, -1, 0, 255, false},
  };
  for (const Case& c : cases) {
    TBitmap32 b(c.w, c.h);
    b.Clear(0xFF102030u);
    if (c.x >= 0) b.Pixel(c.x, c.y) = (c.alpha << 24) | 0xFFFFFFu;
    EXPECT_EQ(b.IsOpaque(), c.opaque) << c.what;
  }
}

TEST(Bitmap, ResetAlphaAndEmptyOperations) {
  TBitmap32 b(2, 1);
  b.Clear(0x00ABCDEF);
  b.ResetAlpha();
  EXPECT_EQ(b.Pixel(1, 0), 0xFFABCDEFu);
  TBitmap32 empty;
  EXPECT_TRUE(empty.Empty());
  empty.Clear(5);
  empty.Draw(0, 0, b);
  b.Draw(0, 0, empty);
  EXPECT_EQ(b.Pixel(0, 0), 0xFFABCDEFu);
  b.SetSize(-3, 4);
  EXPECT_TRUE(b.Empty());
}

TEST(Bitmap, RectanglesAreClipped) {
  TBitmap32 b(4, 3);
  b.Clear(0);
  b.FillRect(-5, 1, 2, 10, 7);
  b.FrameRect(2, 0, 4, 3, 9);
  const TColor32 expected[3][4] = {{0, 0, 9, 9}, {7, 7, 9, 9}, {7, 7, 9, 9}};
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(b.Pixel(x, y), expected[y][x]) << x << "," << y;
}

}  // namespace
}  // namespace plumavo
