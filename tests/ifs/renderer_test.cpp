#include "render/ifs/renderer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "ifs_fixtures.h"
#include "render/blend/blend_modes.h"
#include "render/brushes/brush_library.h"

namespace plumavo {
namespace {

using test::CountDifferent;
using test::MakeProject;
using test::SamePixels;
using test::Settings;
using test::Solid;
using Tri = std::array<Vertex, 3>;
using Quad = std::array<Vertex, 4>;

constexpr int kMultiply = 1;
constexpr int kScreen = 2;
constexpr int kDifference = 15;
constexpr TColor32 kWhite = 0xFFFFFFFFu;

// A canvas whose pixels all differ, so that every blend mode shows.
TBitmap32 Patterned(int32_t w, int32_t h) {
  TBitmap32 b(w, h);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x)
      b.Pixel(x, y) = Color32(uint8_t(x * 7 + y), uint8_t(y * 5 + 40), uint8_t(x * y + 90));
  return b;
}

// One Sub-Shape whose corner 0 is the start point; its map is set by hand so
// that the loop's rules can be checked without the jitter.
struct LoopScene {
  Project p;
  TBitmap32 canvas;
  TBitmap32 layer;
  TRenderer r;
  std::vector<AffineMap> maps;
  std::vector<float> weights{1.0f};

  LoopScene(int32_t w, int32_t h, Vertex start, const ShapeSettings& s, const AffineMap& map, int32_t loops,
            TBitmap32 picture = {})
      : p(MakeProject<3>(
            w, h, {Tri{{{0, 0}, {w - 1, 0}, {0, h - 1}}}, Tri{{start, {start.X + 9, start.Y}, {start.X, start.Y + 9}}}},
            s)),
        canvas(picture.Empty() ? Solid(w, h, kWhite) : std::move(picture)),
        layer(w, h),
        maps{map} {
    r.Preferences.RenderingLoops = loops;
  }
  void Render() { r.RenderAffine(p, maps, weights, canvas, layer); }
};

AffineMap ConstantMap(float x, float y) { return AffineMap{0, 0, x, 0, 0, y}; }

// ---------------------------------------------------------------- the loop

struct LoopRow {
  const char* name;
  AffineMap map;
  Vertex start;
  int32_t loops;
  int32_t restarts, candidates, plotted;
};
void PrintTo(const LoopRow& r, std::ostream* os) { *os << r.name; }

class LoopCountTest : public ::testing::TestWithParam<LoopRow> {};

TEST_P(LoopCountTest, CountsWarmUpEscapesAndWindow) {
  const LoopRow& row = GetParam();
  LoopScene s(100, 100, row.start, Settings(0, 0), row.map, row.loops);
  s.Render();
  const TRenderStats& st = s.r.LastStats();
  EXPECT_EQ(st.Iterations, row.loops);
  EXPECT_EQ(st.Restarts, row.restarts);
  EXPECT_EQ(st.Candidates, row.candidates);
  EXPECT_EQ(st.Plotted, row.plotted);
}

const float kNaN = std::numeric_limits<float>::quiet_NaN();

INSTANTIATE_TEST_SUITE_P(Orbits, LoopCountTest,
                         ::testing::Values(
                             // Contracts onto (50, 50): all but the ten warm-up points are drawn.
                             LoopRow{"Contraction", AffineMap{0.5f, 0, 25, 0, 0.5f, 25}, {50, 50}, 1000, 0, 990, 990},
                             LoopRow{"ElevenLoopsOnePoint", AffineMap{0.5f, 0, 25, 0, 0.5f, 25}, {50, 50}, 11, 0, 1, 1},
                             LoopRow{"NoLoops", AffineMap{0.5f, 0, 25, 0, 0.5f, 25}, {50, 50}, 0, 0, 0, 0},
                             // From (1, 1): 10, 100, 1000, 10000 (not beyond 100 x 100), then 100000
                             // escapes; every fifth step restarts and no point gets past warm-up.
                             LoopRow{"Escape", AffineMap{10, 0, 0, 0, 10, 0}, {1, 1}, 1000, 200, 0, 0},
                             // A fault in the arithmetic restarts the orbit like an escape.
                             LoopRow{"NotANumber", AffineMap{kNaN, 0, 0, 0, 1, 0}, {1, 1}, 1000, 1000, 0, 0},
                             LoopRow{"Overflow", AffineMap{3e38f, 3e38f, 0, 0, 1, 0}, {1, 1}, 1000, 1000, 0, 0},
                             // Far off the canvas but inside the escape bounds: counted, not drawn.
                             LoopRow{"OffCanvas", ConstantMap(5000, 50), {50, 50}, 1000, 0, 990, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

struct WindowRow {
  const char* Name;
  float x, y;
  bool drawn;
};

class PlotWindowTest : public ::testing::TestWithParam<WindowRow> {};

TEST_P(PlotWindowTest, DrawsInsideMinus32ToSizePlus16) {
  const WindowRow& row = GetParam();
  LoopScene s(100, 80, {50, 40}, Settings(0, 0), ConstantMap(row.x, row.y), 100);
  s.Render();
  EXPECT_EQ(s.r.LastStats().Candidates, 90);
  EXPECT_EQ(s.r.LastStats().Plotted, row.drawn ? 90 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Bounds, PlotWindowTest,
    ::testing::Values(WindowRow{"LeftEdgeDrawn", -32.0f, 10, true}, WindowRow{"PastLeftEdge", -32.5f, 10, false},
                      WindowRow{"RightEdgeDrawn", 116.0f, 10, true}, WindowRow{"PastRightEdge", 116.01f, 10, false},
                      WindowRow{"TopEdgeDrawn", 10, -32.0f, true}, WindowRow{"PastTopEdge", 10, -32.01f, false},
                      WindowRow{"BottomEdgeDrawn", 10, 96.0f, true}, WindowRow{"PastBottomEdge", 10, 96.5f, false}),
    [](const ::testing::TestParamInfo<WindowRow>& info) { return std::string(info.param.Name); });

// ---------------------------------------------------------------- dots

struct DotRow {
  const char* Name;
  bool antialiased;
  int32_t brush, mode, opacity;
  float x, y;
};

// What one stamp does, written with the plain bitmap operations.
TBitmap32 ReferenceDot(const TBitmap32& canvas, const DotRow& d, TColor color) {
  TBitmap32 ref = canvas;
  TColor32 c = Color32(color);
  if (d.opacity < 255) c = SetAlpha(c, d.opacity);
  const int32_t K = d.brush + 1;
  const float L = float(K) / 2.0f;
  const float bx = d.x - L, by = d.y - L;
  if (d.mode == 0) {
    for (int32_t dx = 0; dx < K; ++dx)
      for (int32_t dy = 0; dy < K; ++dy) {
        if (d.antialiased)
          ref.SplatPixel(bx + float(dx), by + float(dy), c);
        else
          ref.PutPixel(int32_t(std::lrintf(bx)) + dx, int32_t(std::lrintf(by)) + dy, c);
      }
  } else {
    TBitmap32 b = BrushList()[d.antialiased ? d.brush + 1 : d.brush];
    b.DrawMode = dmCustom;
    b.MasterAlpha = 255;
    b.OnPixelCombine = BlendModeFunction(d.mode);
    if (d.antialiased) {
      b.Clear(0);
      const float tx = std::trunc(bx), ty = std::trunc(by);
      for (int32_t dx = 0; dx < K; ++dx)
        for (int32_t dy = 0; dy < K; ++dy) b.SplatPixel(bx - tx + float(dx), by - ty + float(dy), c);
      ref.Draw(int32_t(tx), int32_t(ty), b);
    } else {
      b.Clear(c);
      ref.Draw(int32_t(std::lrintf(bx)), int32_t(std::lrintf(by)), b);
    }
  }
  ref.ResetAlpha();
  return ref;
}

class DotStampTest : public ::testing::TestWithParam<DotRow> {};

TEST_P(DotStampTest, OneStampMatchesBitmapOperations) {
  const DotRow& d = GetParam();
  const TColor color = 0x2080E0;
  // Eleven loops: ten warm-up points, then exactly one stamp.
  LoopScene s(40, 30, {20, 15}, Settings(color, d.brush, d.mode, d.opacity), ConstantMap(d.x, d.y), 11,
              Patterned(40, 30));
  s.r.Preferences.Antialiased = d.antialiased;
  s.Render();
  ASSERT_EQ(s.r.LastStats().Stamped, 1);
  const TBitmap32 ref = ReferenceDot(s.canvas, d, color);
  EXPECT_TRUE(SamePixels(s.layer, ref)) << CountDifferent(s.layer, ref) << " pixels differ";
  EXPECT_GT(CountDifferent(s.layer, Patterned(40, 30)), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Variants, DotStampTest,
    ::testing::Values(DotRow{"Antialiased1x1", true, 0, 0, 255, 10.5f, 10.5f},
                      DotRow{"Antialiased3x3HalfOpacity", true, 2, 0, 128, 20.3f, 15.7f},
                      DotRow{"Antialiased2x2PartlyOffCanvas", true, 1, 0, 255, -0.6f, 29.2f},
                      DotRow{"Aliased2x2", false, 1, 0, 255, 11.0f, 11.0f},
                      DotRow{"Aliased3x3Opacity200", false, 2, 0, 200, 0.4f, 7.6f},
                      // negative fraction: x - L = -0.2
                      DotRow{"Antialiased1x1MultiplyNegativeFraction", true, 0, kMultiply, 255, 0.3f, 5.25f},
                      DotRow{"Antialiased3x3ScreenOpacity90", true, 2, kScreen, 90, 30.77f, 12.1f},
                      DotRow{"Antialiased2x2Difference", true, 1, kDifference, 255, 39.6f, 3.4f},
                      DotRow{"Aliased1x1Screen", false, 0, kScreen, 255, 10.5f, 10.5f},
                      DotRow{"Aliased3x3DifferenceHalfOpacity", false, 2, kDifference, 128, -0.2f, 3.3f},
                      // x - L = 0.392578125 + 2^-23: the third splat's offset, rounded in
                      // single precision, lands one 256th away from the first's.
                      DotRow{"Antialiased3x3ScreenSplatOffsetRounding", true, 2, kScreen, 255, 1.892578125f + 0x1p-23f,
                             12.1f}),
    [](const ::testing::TestParamInfo<DotRow>& info) { return std::string(info.param.Name); });

struct RoundingRow {
  const char* Name;
  float x, y;
  int32_t px, py;
};

class AliasedDotRoundingTest : public ::testing::TestWithParam<RoundingRow> {};

TEST_P(AliasedDotRoundingTest, HalvesRoundToEven) {
  const RoundingRow& row = GetParam();
  LoopScene s(30, 30, {15, 15}, Settings(0, 0), ConstantMap(row.x, row.y), 11);
  s.r.Preferences.Antialiased = false;
  s.Render();
  EXPECT_EQ(CountDifferent(s.layer, s.canvas), 1);
  EXPECT_EQ(s.layer.Pixel(row.px, row.py), 0xFF000000u);
}

// A 1-pixel dot sits at Round(x - 0.5).
INSTANTIATE_TEST_SUITE_P(Examples, AliasedDotRoundingTest,
                         ::testing::Values(RoundingRow{"ExactPixel", 10.5f, 10.5f, 10, 10},
                                           RoundingRow{"HalfRoundsDownToEven", 11.0f, 11.0f, 10, 10},
                                           RoundingRow{"HalfRoundsUpToEven", 12.0f, 11.5f, 12, 11},
                                           RoundingRow{"FractionsRoundToNearest", 11.6f, 10.4f, 11, 10}),
                         [](const auto& info) { return std::string(info.param.Name); });

// ---------------------------------------------------------------- image brushes

struct ImageRow {
  const char* Name;
  int32_t brush;  // its frame side in the comment
  int32_t loops;
  int32_t stamped;
};

class ImageStampRuleTest : public ::testing::TestWithParam<ImageRow> {};

TEST_P(ImageStampRuleTest, WideBrushesOnlyEveryWthIteration) {
  const ImageRow& row = GetParam();
  LoopScene s(100, 100, {50, 50}, Settings(0, row.brush), ConstantMap(50, 50), row.loops);
  s.Render();
  EXPECT_EQ(s.r.LastStats().Plotted, row.loops - 10);
  EXPECT_EQ(s.r.LastStats().Stamped, row.stamped);
}

INSTANTIATE_TEST_SUITE_P(Widths, ImageStampRuleTest,
                         ::testing::Values(ImageRow{"Width4EveryIteration", 3, 1000, 990},     // 4 px: every iteration
                                           ImageRow{"Width12EveryIteration", 65, 1000, 990},   // 12 px: every iteration
                                           ImageRow{"Width24EveryIteration", 121, 1000, 990},  // 24 px: every iteration
                                           ImageRow{"Width16Every16th", 66, 1000, 62},   // 16 px: j = 16, 32, .. 992
                                           ImageRow{"Width22Every22nd", 67, 1000, 45},   // 22 px: j = 22, .. 990
                                           ImageRow{"Width32Every32nd", 21, 1000, 31}),  // 32 px: j = 32, .. 992
                         [](const ::testing::TestParamInfo<ImageRow>& info) { return std::string(info.param.Name); });

struct FrameRow {
  const char* Name;
  int32_t brush, loops;
  uint16_t counter;
  int32_t frame;
};

class FrameChoiceTest : public ::testing::TestWithParam<FrameRow> {};

TEST_P(FrameChoiceTest, StampsTheExpectedFrame) {
  const FrameRow& row = GetParam();
  LoopScene s(100, 100, {50, 50}, Settings(0, row.brush, 0, 180), ConstantMap(50.4f, 49.6f), row.loops,
              Patterned(100, 100));
  s.r.SetRenderCounter(row.counter);
  s.Render();
  ASSERT_EQ(s.r.LastStats().Stamped, 1);

  TBitmap32 brush = BrushList()[row.brush + 1];
  const int32_t w = brush.Width();
  brush.DrawMode = dmBlend;
  brush.MasterAlpha = 180;
  TBitmap32 ref = s.canvas;
  ref.Draw(50 - w / 2, 50 - w / 2, TRect{0, row.frame * w, w, (row.frame + 1) * w}, brush);
  ref.ResetAlpha();
  EXPECT_TRUE(SamePixels(s.layer, ref)) << CountDifferent(s.layer, ref) << " pixels differ";
}

INSTANTIATE_TEST_SUITE_P(
    Frames, FrameChoiceTest,
    ::testing::Values(FrameRow{"Width24NineFramesFromCounter", 121, 11, 5, 5},  // 24/9, j = 10: (10 div 192 + 5) mod 9
                      FrameRow{"Width24NineFramesCounterWraps", 121, 11, 13, 4},  // (0 + 13) mod 9
                      FrameRow{"Width32TwoFramesFromIteration", 21, 33, 0, 1},    // 32/2, j = 32: (32 div 32 + 0) mod 2
                      FrameRow{"Width32FiveFramesIterationPlusCounter", 22, 33, 3, 4},  // 32/5: (1 + 3) mod 5
                      FrameRow{"Width26FiveFramesWraps", 223, 27, 7, 3}),               // 26/5, j = 26: (1 + 7) mod 5
    [](const ::testing::TestParamInfo<FrameRow>& info) { return std::string(info.param.Name); });

// ---------------------------------------------------------------- diffusion

struct DiffusionRow {
  const char* name;
  std::array<bool, 3> diffusing;
  std::array<int32_t, 3> len;
  std::vector<std::pair<int, int32_t>> history;  // (entry, sub-shape); others -1
  int32_t shape;
};
void PrintTo(const DiffusionRow& r, std::ostream* os) { *os << r.name; }

class DiffusionShapeTest : public ::testing::TestWithParam<DiffusionRow> {};

TEST_P(DiffusionShapeTest, OldestQualifyingEntryWins) {
  const DiffusionRow& row = GetParam();
  Project p = MakeProject<3>(100, 100,
                             {Tri{{{0, 0}, {99, 0}, {0, 99}}}, Tri{{{1, 1}, {9, 1}, {1, 9}}},
                              Tri{{{1, 1}, {9, 1}, {1, 9}}}, Tri{{{1, 1}, {9, 1}, {1, 9}}}});
  for (int k = 0; k < 3; ++k) {
    p.AffineShapes[size_t(k) + 1].Diffusing = row.diffusing[size_t(k)] ? 1 : 0;
    p.AffineShapes[size_t(k) + 1].DiffusingLen = row.len[size_t(k)];
  }
  MapHistory history;
  history.fill(-1);
  for (const auto& [i, v] : row.history) history[size_t(i)] = v;
  EXPECT_EQ(DiffusionShape(p, history), row.shape);
}

INSTANTIATE_TEST_SUITE_P(
    Histories, DiffusionShapeTest,
    ::testing::Values(DiffusionRow{"NoneDiffuse", {false, false, false}, {20, 20, 20}, {{0, 0}, {18, 1}, {19, 2}}, 3},
                      DiffusionRow{"ReachesItsDepth", {true, false, false}, {3, 1, 1}, {{16, 0}, {19, 2}}, 1},
                      DiffusionRow{"OneStepTooOld", {true, false, false}, {3, 1, 1}, {{15, 0}, {19, 2}}, 3},
                      DiffusionRow{"OldestWins", {true, true, false}, {5, 19, 1}, {{1, 1}, {15, 0}, {19, 2}}, 2},
                      DiffusionRow{
                          "DepthTwentyReachesNineteen", {false, true, false}, {1, 20, 1}, {{0, 1}, {19, 0}}, 2},
                      DiffusionRow{"DepthEighteenFallsShort", {false, true, false}, {1, 18, 1}, {{0, 1}, {19, 0}}, 1},
                      DiffusionRow{"NewestEntryIsItself", {false, false, true}, {1, 1, 1}, {{18, 2}, {19, 0}}, 3},
                      DiffusionRow{"EmptyHistory", {true, true, true}, {20, 20, 20}, {}, 0}),
    [](const auto& info) { return std::string(info.param.name); });

int CountColour(const TBitmap32& b, TColor32 c) {
  int n = 0;
  for (int32_t i = 0; i < b.Width() * b.Height(); ++i) n += b.Bits()[i] == c;
  return n;
}

TEST(RenderImage, DiffusingShapeLendsItsBrushToLaterPoints) {
  // A Sierpinski triangle: the left corner red, the other two blue.
  const std::vector<Tri> shapes = {Tri{{{10, 190}, {190, 190}, {100, 10}}}, Tri{{{10, 190}, {100, 190}, {55, 100}}},
                                   Tri{{{100, 190}, {190, 190}, {145, 100}}}, Tri{{{55, 100}, {145, 100}, {100, 10}}}};
  auto render = [&](bool diffusing) {
    Project p = MakeProject<3>(200, 200, shapes, Settings(0xFF0000, 0));
    p.AffineShapes[1].Color = 0x0000FF;
    p.AffineShapes[1].Diffusing = diffusing ? 1 : 0;
    p.AffineShapes[1].DiffusingLen = 20;
    TRenderer r;
    r.Preferences.Antialiased = false;
    const TBitmap32 canvas = Solid(200, 200, kWhite);
    TBitmap32 layer(200, 200);
    r.RenderImage(p, canvas, layer);
    return std::pair{CountColour(layer, 0xFFFF0000u), CountColour(layer, 0xFF0000FFu)};
  };
  const auto [redOff, blueOff] = render(false);
  EXPECT_GT(redOff, 1000);
  EXPECT_GT(blueOff, 2000);
  // Red diffusing 20 deep: a point stays blue only after 20 blue maps in a
  // row, which (2/3)^20 makes rare.
  const auto [redOn, blueOn] = render(true);
  EXPECT_GT(redOn, blueOff);
  EXPECT_LT(blueOn * 20, blueOff);
}

TEST(RenderImage, DiffusionCountsSubShapesBeyondSixteenBits) {
  // The history of chosen maps holds each map's number in full: with more
  // than 32767 Sub-Shapes, the numbers of the last ones must neither wrap to
  // negative shapes nor pick another shape's brush. 40000 Sub-Shapes
  // shrunk to a point, which weigh nothing and so are never chosen, then a
  // Sierpinski triangle's three corners: red (diffusing), green and blue.
  constexpr int32_t kSpecks = 40000;
  Project p;
  ResetProject(p, 200, 200, true, ShapeMode::Affine);
  const ShapeSettings none = Settings(0x000000, 9999);
  for (const Vertex& v : {Vertex{10, 190}, Vertex{190, 190}, Vertex{100, 10}}) AppendVertex(p, v.X, v.Y, none);
  for (int32_t k = 0; k < kSpecks; ++k)
    for (int32_t corner = 0; corner < 3; ++corner) AppendVertex(p, 100, 100, none);
  const std::vector<Tri> corners = {Tri{{{10, 190}, {100, 190}, {55, 100}}}, Tri{{{100, 190}, {190, 190}, {145, 100}}},
                                    Tri{{{55, 100}, {145, 100}, {100, 10}}}};
  const TColor colours[] = {0x0000FF, 0x00FF00, 0xFF0000};  // red, green, blue (red is the low byte)
  for (size_t c = 0; c < corners.size(); ++c)
    for (const Vertex& v : corners[c]) AppendVertex(p, v.X, v.Y, Settings(colours[c], 0, 0, 255, c == 0, 20));
  ASSERT_EQ(p.ShapeCount(), kSpecks + 4);
  TRenderer r;
  r.Preferences.Antialiased = false;
  TBitmap32 layer(200, 200);
  r.RenderImage(p, Solid(200, 200, kWhite), layer);
  // Red diffuses 20 deep, so it covers most of the picture; green and blue
  // keep the points reached after 20 maps of their own in a row.
  const int red = CountColour(layer, 0xFFFF0000u), green = CountColour(layer, 0xFF00FF00u),
            blue = CountColour(layer, 0xFF0000FFu), white = CountColour(layer, 0xFFFFFFFFu);
  EXPECT_GT(red, 2000);
  EXPECT_LT(green + blue, red / 4);
  EXPECT_EQ(red + green + blue + white, 200 * 200) << "only the corners' colours are drawn";
}

TEST(RenderImage, SingleSubShapeIgnoresDiffusing) {
  auto render = [](bool diffusing) {
    Project p =
        MakeProject<3>(120, 120, {Tri{{{10, 110}, {110, 110}, {60, 10}}}, Tri{{{10, 110}, {60, 110}, {35, 60}}}},
                       Settings(0x108020, 2, 0, 255, diffusing, 7));
    TRenderer r;
    TBitmap32 layer(120, 120);
    r.RenderImage(p, Solid(120, 120, kWhite), layer);
    return layer;
  };
  EXPECT_TRUE(SamePixels(render(false), render(true)));
}

// ---------------------------------------------------------------- whole renders

Project Fern() {
  return MakeProject<3>(300, 300,
                        {Tri{{{50, 280}, {250, 280}, {150, 20}}}, Tri{{{60, 270}, {240, 260}, {155, 50}}},
                         Tri{{{150, 280}, {152, 280}, {150, 200}}}, Tri{{{100, 250}, {60, 180}, {160, 180}}},
                         Tri{{{200, 250}, {240, 180}, {140, 180}}}},
                        Settings(0x207020, 1, 0, 200));
}

TEST(RenderImage, RepeatableRenders) {
  // Affine: the jitter draws follow the previous loop, which always ends on the
  // same seed, so every render after the first repeats exactly, and a fresh
  // renderer repeats the first.
  const TBitmap32 canvas = Solid(300, 300, kWhite);
  Project p = Fern();
  TRenderer r;
  TBitmap32 first(300, 300), second(300, 300), third(300, 300);
  r.RenderImage(p, canvas, first);
  r.RenderImage(p, canvas, second);
  r.RenderImage(p, canvas, third);
  EXPECT_GT(CountDifferent(first, canvas), 1000);
  EXPECT_TRUE(SamePixels(second, third));

  Project p2 = Fern();
  TRenderer fresh;
  TBitmap32 again(300, 300);
  fresh.RenderImage(p2, canvas, again);
  EXPECT_TRUE(SamePixels(first, again));

  // Projective: no jitter at all; image brushes of one frame.
  Project q = MakeProject<4>(
      200, 200,
      {Quad{{{10, 10}, {190, 10}, {190, 190}, {10, 190}}}, Quad{{{10, 10}, {100, 20}, {90, 100}, {15, 90}}},
       Quad{{{110, 15}, {185, 10}, {190, 95}, {100, 100}}}, Quad{{{20, 110}, {95, 105}, {100, 185}, {10, 190}}}},
      Settings(0, 65, kMultiply, 200));
  TBitmap32 qa(200, 200), qb(200, 200);
  r.RenderImage(q, canvas, qa);
  r.RenderImage(q, canvas, qb);
  EXPECT_GT(CountDifferent(qa, Solid(200, 200, kWhite)), 1000);
  EXPECT_TRUE(SamePixels(qa, qb));
}

TEST(RenderImage, MainShapeOnTheYAxisDrawsItsFigure) {
  // Sierpinski triangle whose Main-Shape starts at x = 0.
  Project p = MakeProject<3>(320, 320,
                             {Tri{{{0, 300}, {300, 300}, {150, 40}}}, Tri{{{0, 300}, {150, 300}, {75, 170}}},
                              Tri{{{150, 300}, {300, 300}, {225, 170}}}, Tri{{{75, 170}, {225, 170}, {150, 40}}}},
                             Settings(0, 0));
  TRenderer r;
  const TBitmap32 canvas = Solid(320, 320, kWhite);
  TBitmap32 layer(320, 320);
  r.RenderImage(p, canvas, layer);
  EXPECT_EQ(r.LastStats().Restarts, 0);
  EXPECT_GT(CountDifferent(layer, canvas), 3000);
  // Nothing outside the Main-Shape's bounding box (plus the splat's spill).
  for (int32_t y = 0; y < 320; ++y)
    for (int32_t x = 0; x < 320; ++x)
      if (x > 302 || y < 38 || y > 302) {
        ASSERT_EQ(layer.Pixel(x, y), kWhite) << x << "," << y;
      }
}

TEST(RenderImage, ProjectiveOrbitConvergesToTheFixedPoint) {
  // The Sub-Shape is the lower right quarter of the Main-Shape: the map halves
  // distances to (90, 90), so from (50, 50) every drawn point ends there.
  Project p = MakeProject<4>(
      100, 100, {Quad{{{10, 10}, {90, 10}, {90, 90}, {10, 90}}}, Quad{{{50, 50}, {90, 50}, {90, 90}, {50, 90}}}},
      Settings(0, 0));
  TRenderer r;
  r.Preferences.Antialiased = false;
  r.Preferences.RenderingLoops = 1000;
  const TBitmap32 canvas = Solid(100, 100, kWhite);
  TBitmap32 layer(100, 100);
  r.RenderImage(p, canvas, layer);
  EXPECT_EQ(r.LastStats().Plotted, 990);
  // A 1-pixel dot at Round(x - 0.5): just below 90 gives 89, exactly 90 gives
  // 90 (half to even).
  const int changed = CountDifferent(layer, canvas);
  EXPECT_GE(changed, 1);
  EXPECT_EQ(changed, int(layer.Pixel(89, 89) != kWhite) + int(layer.Pixel(90, 90) != kWhite));
}

TEST(RenderImage, ZeroWeightsFallThroughToTheLastSubShape) {
  Project p = MakeProject<3>(
      100, 100,
      {Tri{{{0, 0}, {99, 0}, {0, 99}}}, Tri{{{10, 10}, {20, 20}, {30, 30}}}, Tri{{{50, 10}, {50, 20}, {50, 30}}}},
      Settings(0, 0));
  TRenderer r;
  TBitmap32 layer(100, 100);
  r.RenderImage(p, Solid(100, 100, kWhite), layer);
  EXPECT_EQ(r.MapWeights(), (std::vector<float>{0.0f, 0.0f}));
  for (int32_t h : r.LastMapHistory()) EXPECT_EQ(h, 1);
}

TEST(RenderImage, TooFewVerticesShowTheBareCanvasAndIncompleteShapesKeepThePicture) {
  Project p = MakeProject<3>(50, 40, {Tri{{{0, 0}, {49, 0}, {0, 39}}}}, Settings(0, 0));
  const TBitmap32 canvas = Solid(45, 40, 0x80112233u);  // narrower, half transparent
  TBitmap32 layer = Solid(50, 40, 0xFFABCDEFu);
  TRenderer r;
  r.RenderImage(p, canvas, layer);
  EXPECT_EQ(layer.Pixel(44, 39), 0x80112233u);  // copied, alpha kept
  EXPECT_EQ(layer.Pixel(45, 0), 0x00000000u);   // cleared
  EXPECT_EQ(r.RenderCounter(), 0);

  AppendVertex(p, 10, 10, Settings(0, 0));
  AppendVertex(p, 20, 10, Settings(0, 0));  // 5 vertices: the second triangle is unfinished
  const TBitmap32 before = layer;
  r.RenderImage(p, canvas, layer);
  EXPECT_TRUE(SamePixels(layer, before));
  EXPECT_EQ(r.RenderCounter(), 0);
}

TEST(RenderImage, CounterWrapsAfter60000) {
  Project p = Fern();
  TRenderer r;
  r.Preferences.RenderingLoops = 1000;
  TBitmap32 layer(300, 300);
  r.SetRenderCounter(59999);
  r.RenderImage(p, Solid(300, 300, kWhite), layer);
  EXPECT_EQ(r.RenderCounter(), 60000);
  r.RenderImage(p, Solid(300, 300, kWhite), layer);
  EXPECT_EQ(r.RenderCounter(), 0);
  r.RenderImage(p, Solid(300, 300, kWhite), layer);
  r.StartDocument();  // New or Open: the frames start again
  EXPECT_EQ(r.RenderCounter(), 0);
}

// A view shows the layer alone, without looking at its pixels, when the
// renderer says it left every pixel opaque. A wrong "yes" would show black
// where the canvas should show through, so each yes is checked pixel by
// pixel; each "no" here is a layer that really has transparency.
struct OpacityRow {
  const char* Name;
  Project (*project)();
  TColor32 canvasColor;
  int32_t canvasWidth, layerSide;
  bool claimsOpaque;
};

class LayerOpacityTest : public ::testing::TestWithParam<OpacityRow> {};

TEST_P(LayerOpacityTest, TheRendererSaysOpaqueOnlyOfAnOpaqueLayer) {
  const OpacityRow& c = GetParam();
  const Project p = c.project();
  TRenderer r;
  r.Preferences.RenderingLoops = 2000;
  const TBitmap32 canvas = Solid(c.canvasWidth, c.layerSide, c.canvasColor);
  TBitmap32 layer = Solid(c.layerSide, c.layerSide, 0x00000000u);
  r.RenderImage(p, canvas, layer);
  EXPECT_EQ(r.LeftLayerOpaque(), c.claimsOpaque);
  EXPECT_EQ(layer.IsOpaque(), c.claimsOpaque) << "what the layer really is";
}

Project TriangleOf(int32_t side, const ShapeSettings& s, int subs = 2) {
  const int32_t e = side - 1;
  std::vector<Tri> shapes{Tri{{{0, e}, {e, e}, {e / 2, 0}}}, Tri{{{0, e}, {e / 2, e}, {e / 4, e / 2}}},
                          Tri{{{e / 2, e}, {e, e}, {3 * e / 4, e / 2}}}};
  shapes.resize(size_t(subs) + 1);
  return MakeProject<3>(side, side, shapes, s);
}

INSTANTIATE_TEST_SUITE_P(
    Renders, LayerOpacityTest,
    ::testing::Values(OpacityRow{"DotsOverAHalfTransparentCanvas",
                                 [] { return TriangleOf(120, Settings(0x207020, 1)); }, 0x80112233u, 120, 120, true},
                      OpacityRow{"ImageBrushInNormalModeOverANarrowerCanvas",
                                 [] { return TriangleOf(120, Settings(0, 65)); }, 0x80112233u, 100, 120, true},
                      OpacityRow{"BlendModeBrushOnALayerLargerThanTheCache",
                                 [] { return TriangleOf(600, Settings(0, 65, kMultiply)); }, kWhite, 600, 600, true},
                      OpacityRow{"ProjectiveDots",
                                 [] {
                                   return MakeProject<4>(100, 100,
                                                         {Quad{{{10, 10}, {90, 10}, {90, 90}, {10, 90}}},
                                                          Quad{{{50, 50}, {90, 50}, {90, 90}, {50, 90}}}},
                                                         Settings(0, 0));
                                 },
                                 0x80112233u, 100, 100, true},
                      OpacityRow{"TooFewVerticesCopyTheCanvasAsItIs", [] { return TriangleOf(120, Settings(0, 1), 0); },
                                 0x80112233u, 120, 120, false},
                      OpacityRow{"AnUnfinishedShapeLeavesTheLayerAlone",
                                 [] {
                                   Project p = TriangleOf(120, Settings(0, 1));
                                   AppendVertex(p, 10, 10, Settings(0, 1));
                                   return p;
                                 },
                                 kWhite, 120, 120, false}),
    [](const ::testing::TestParamInfo<OpacityRow>& i) { return std::string(i.param.Name); });

// The renderer keeps prepared brushes between renders; an edit of a brush
// setting, with nothing else telling it, must still reach the picture.
struct BrushEditRow {
  const char* Name;
  void (*edit)(AffineShape&);
  int32_t startMode = 0;  // every Sub-Shape's blend mode before the edit
};

class BrushEditTest : public ::testing::TestWithParam<BrushEditRow> {};

TEST_P(BrushEditTest, TheNextRenderUsesTheNewSetting) {
  const TBitmap32 canvas = Patterned(300, 300);
  Project p = Fern();
  for (auto& s : p.AffineShapes) {
    s.Brush = 40;
    s.BlendingMode = GetParam().startMode;
  }
  TRenderer r;
  r.Preferences.RenderingLoops = 5000;
  TBitmap32 layer(300, 300);
  r.RenderImage(p, canvas, layer);
  GetParam().edit(p.AffineShapes[2]);
  r.RenderImage(p, canvas, layer);

  TRenderer fresh;  // the same two renders, the edit made from the start
  fresh.Preferences.RenderingLoops = 5000;
  TBitmap32 ref(300, 300);
  fresh.RenderImage(p, canvas, ref);
  fresh.RenderImage(p, canvas, ref);
  EXPECT_TRUE(SamePixels(layer, ref)) << CountDifferent(layer, ref) << " pixels differ";
}

INSTANTIATE_TEST_SUITE_P(
    Settings, BrushEditTest,
    ::testing::Values(
        BrushEditRow{"OtherBrush", [](AffineShape& s) { s.Brush = 70; }},
        BrushEditRow{"OtherBlendMode", [](AffineShape& s) { s.BlendingMode = kDifference; }},
        BrushEditRow{"OtherOpacity", [](AffineShape& s) { s.BrushOpacity = 60; }},
        BrushEditRow{"ImageBrushToDot", [](AffineShape& s) { s.Brush = 1; }},
        BrushEditRow{"OtherBrushInABlendMode", [](AffineShape& s) { s.Brush = 70; }, kMultiply},
        BrushEditRow{"OtherBlendModeOfABlendedBrush", [](AffineShape& s) { s.BlendingMode = kScreen; }, kMultiply},
        BrushEditRow{"OtherOpacityOfABlendedBrush", [](AffineShape& s) { s.BrushOpacity = 60; }, kMultiply}),
    [](const ::testing::TestParamInfo<BrushEditRow>& info) { return std::string(info.param.Name); });

TEST(RenderImage, SwitchingAntialiasingResizesBlendedDots) {
  // The scratch squares of blended dots differ in size between the two
  // settings; a preference change alone must not keep the old ones.
  const TBitmap32 canvas = Patterned(300, 300);
  Project p = Fern();
  for (auto& s : p.AffineShapes) s.BlendingMode = kMultiply;
  TRenderer r;
  TBitmap32 layer(300, 300);
  r.RenderImage(p, canvas, layer);
  r.Preferences.Antialiased = false;  // no brush setting changed
  r.RenderImage(p, canvas, layer);

  Project p2 = Fern();
  for (auto& s : p2.AffineShapes) s.BlendingMode = kMultiply;
  TRenderer fresh;
  fresh.Preferences.Antialiased = false;
  TBitmap32 ref(300, 300);
  fresh.RenderImage(p2, canvas, ref);  // the jitter of a first render ...
  fresh.RenderImage(p2, canvas, ref);  // ... and of a later one, as above
  EXPECT_TRUE(SamePixels(layer, ref));
}

TEST(RenderImage, CorruptShapeFieldsDrawNothingAndStaySafe) {
  Project p = Fern();
  p.AffineShapes[1].Brush = 999;
  p.AffineShapes[2].Brush = -4;
  p.AffineShapes[3].BlendingMode = 99;
  p.AffineShapes[3].Brush = 70;
  p.AffineShapes[4].BrushOpacity = 1000;
  p.AffineShapes[4].Diffusing = 7;
  p.AffineShapes[4].DiffusingLen = -5;
  TRenderer r;
  TBitmap32 layer(300, 300);
  const TBitmap32 canvas = Solid(300, 300, kWhite);
  r.RenderImage(p, canvas, layer);
  EXPECT_GT(r.LastStats().Plotted, 0);
  EXPECT_GT(CountDifferent(layer, canvas), 0);  // shape 4 still draws

  // A shape count beyond the stored records renders only what is stored.
  p.AffineShapeCount = 40;
  p.VertexCount = 120;
  r.RenderImage(p, canvas, layer);
  EXPECT_EQ(r.MapWeights().size(), 4u);
}

}  // namespace
}  // namespace plumavo
