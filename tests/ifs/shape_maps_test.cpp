#include "render/ifs/shape_maps.h"

#include <gtest/gtest.h>

#include <cmath>

#include "ifs_fixtures.h"

namespace plumavo {
namespace {

using test::MakeProject;
using Tri = std::array<Vertex, 3>;
using Quad = std::array<Vertex, 4>;

TEST(RandomGenerator, FirstDrawsFromSeedZero) {
  // Seed' = Seed * 134775813 + 1; Random(n) is the high half of Seed' * n.
  struct Row {
    uint32_t seed;
    uint32_t random1000;
    float randomFloat;
  };
  const Row rows[] = {
      {1u, 0u, 1.0f / 4294967296.0f},
      {134775814u, 31u, 134775814.0f / 4294967296.0f},
      {3698175007u, 861u, 3698175007.0f / 4294967296.0f},
  };
  TRandomGenerator a, b;
  for (const Row& r : rows) {
    EXPECT_EQ(a.Random(1000), r.random1000);
    EXPECT_EQ(a.Seed, r.seed);
    EXPECT_EQ(b.RandomFloat(), r.randomFloat);
  }
}

TEST(RandomGenerator, RandomFloatRoundsToOneBelowTwoTo32) {
  // 0xFFFFFFFF is closer to 2^32 than to the single below it.
  TRandomGenerator g;
  g.Seed = 0x4D60AE66u;  // steps to 0xFFFFFFFF
  EXPECT_EQ(g.RandomFloat(), 1.0f);
  EXPECT_EQ(g.Seed, 0xFFFFFFFFu);
}

TEST(Jitter, AddsOneToOneThousandMillionthsPerDraw) {
  TRandomGenerator g;
  EXPECT_EQ(Jitter(g, 0.0f), 0.000001f);             // Random(1000) = 0
  EXPECT_EQ(Jitter(g, 100.0f), 100.0f + 0.000032f);  // Random(1000) = 31
  EXPECT_EQ(g.Seed, 134775814u);                     // exactly two draws
}

struct AreaRow {
  const char* Name;
  std::array<int32_t, 8> c;  // x0 y0 x1 y1 x2 y2 (x3 y3 for quads)
  bool quad;
  float area;
};

class AreaTest : public ::testing::TestWithParam<AreaRow> {};

TEST_P(AreaTest, MatchesHandArea) {
  const auto& r = GetParam();
  const auto& c = r.c;
  const float a = r.quad ? QuadArea(c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7])
                         : TriangleArea(c[0], c[1], c[2], c[3], c[4], c[5]);
  EXPECT_EQ(a, r.area);
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, AreaTest,
    ::testing::Values(AreaRow{"RightTriangle", {0, 0, 20, 0, 0, 10}, false, 100.0f},
                      AreaRow{"OtherOrientation", {0, 0, 0, 10, 20, 0}, false, 100.0f},
                      AreaRow{"NarrowerTriangle", {0, 0, 20, 0, 0, 9}, false, 90.0f},
                      AreaRow{"SmallTriangle", {1, 1, 2, 2, 3, 1}, false, 1.0f},
                      AreaRow{"Collinear", {5, 5, 10, 10, 20, 20}, false, 0.0f},
                      AreaRow{"NegativeCorners", {-5, -5, 5, -5, 0, 5}, false, 50.0f},
                      AreaRow{"Square", {0, 0, 10, 0, 10, 10, 0, 10}, true, 100.0f},
                      // corner 3 on corner 2
                      AreaRow{"QuadCornerOnCorner", {0, 0, 10, 0, 10, 10, 10, 10}, true, 50.0f},
                      // Far corners overflow 32-bit products; the area stays exact.
                      AreaRow{"FarCornersStayExact", {0, 0, 100000, 0, 0, 100000}, false, 5.0e9f},
                      // Corners at the int32 limits overflow even 64 bits: 1, as on an exception.
                      AreaRow{"Int32LimitsOverflow", {INT32_MIN, INT32_MAX, INT32_MAX, INT32_MAX, 0, 0}, false, 1.0f}),
    [](const ::testing::TestParamInfo<AreaRow>& info) { return std::string(info.param.Name); });

struct EdgeRow {
  const char* Name;
  int32_t px, py, ax, ay, bx, by;
  float distance;
};

class EdgeDistanceTest : public ::testing::TestWithParam<EdgeRow> {};

TEST_P(EdgeDistanceTest, MatchesHandDistance) {
  const auto& r = GetParam();
  EXPECT_FLOAT_EQ(EdgeDistance(r.px, r.py, r.ax, r.ay, r.bx, r.by), r.distance);
}

INSTANTIATE_TEST_SUITE_P(
    Edges, EdgeDistanceTest,
    ::testing::Values(EdgeRow{"OnTheEdge", 5, 0, 0, 0, 10, 0, 0.0f},
                      EdgeRow{"ThreeOffHorizontalEdge", 5, 3, 0, 0, 10, 0, 3.0f},     // 3 off a horizontal edge
                      EdgeRow{"FourOffOutsideWidenedBox", 5, 4, 0, 0, 10, 0, -1.0f},  // 4 off: outside the widened box
                      EdgeRow{"ThreeBeyondEndOnLine", 13, 0, 0, 0, 10, 0, 0.0f},      // 3 beyond the end, on the line
                      EdgeRow{"FourBeyondEnd", 14, 0, 0, 0, 10, 0, -1.0f},            // 4 beyond the end
                      EdgeRow{"Diagonal", 0, 10, 0, 0, 10, 10, 7.0710678f},
                      EdgeRow{"EdgeShorterThanAPixel", 12, 11, 10, 10, 10, 10, 2.2360680f},
                      // The edge's length overflows: 0, as on an exception.
                      EdgeRow{"LengthOverflows", 0, 0, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, 0.0f}),
    [](const ::testing::TestParamInfo<EdgeRow>& info) { return std::string(info.param.Name); });

TEST(ComputeMapWeights, SquareRootOfAreaOverTotal) {
  // Areas 100 and 400: square roots 10 and 20.
  Project p = MakeProject<3>(
      480, 360, {Tri{{{0, 0}, {100, 0}, {0, 100}}}, Tri{{{0, 0}, {20, 0}, {0, 10}}}, Tri{{{0, 0}, {40, 0}, {0, 20}}}});
  std::vector<float> weights;
  ComputeMapWeights(p, weights);
  ASSERT_EQ(weights.size(), 2u);
  EXPECT_EQ(weights[0], 10.0f / 30.0f);
  EXPECT_EQ(weights[1], 20.0f / 30.0f);
}

TEST(ComputeMapWeights, DegenerateAndSmallShapes) {
  // A line gets weight 0 next to a real quad.
  Project q = MakeProject<4>(100, 100,
                             {Quad{{{0, 0}, {99, 0}, {99, 99}, {0, 99}}}, Quad{{{0, 0}, {10, 0}, {10, 10}, {0, 10}}},
                              Quad{{{0, 0}, {5, 5}, {10, 10}, {20, 20}}}});
  std::vector<float> weights;
  ComputeMapWeights(q, weights);
  ASSERT_EQ(weights.size(), 2u);
  EXPECT_EQ(weights[0], 1.0f);
  EXPECT_EQ(weights[1], 0.0f);

  // All degenerate: all 0. A total below 1 is not scaled up.
  Project lines = MakeProject<3>(
      100, 100, {Tri{{{0, 0}, {99, 0}, {0, 99}}}, Tri{{{0, 0}, {1, 1}, {2, 2}}}, Tri{{{3, 3}, {3, 4}, {3, 5}}}});
  ComputeMapWeights(lines, weights);
  EXPECT_EQ(weights, (std::vector<float>{0.0f, 0.0f}));

  Project tiny = MakeProject<3>(100, 100, {Tri{{{0, 0}, {99, 0}, {0, 99}}}, Tri{{{0, 0}, {1, 0}, {0, 1}}}});
  ComputeMapWeights(tiny, weights);
  EXPECT_EQ(weights, (std::vector<float>{std::sqrt(0.5f)}));
}

struct MapRow {
  const char* name;
  Tri main, sub;
  AffineMap expected;
  float tolerance;
};

void PrintTo(const MapRow& r, std::ostream* os) { *os << r.name; }

class ComputeAffineMapsTest : public ::testing::TestWithParam<MapRow> {};

TEST_P(ComputeAffineMapsTest, SolvesTheCornerEquations) {
  const auto& r = GetParam();
  Project p = MakeProject<3>(480, 360, {r.main, r.sub, r.sub});
  TRandomGenerator g;
  g.Seed = 12345;
  TRandomGenerator expectedDraws = g;
  std::vector<AffineMap> maps;
  ASSERT_TRUE(ComputeAffineMaps(p, g, maps));
  ASSERT_EQ(maps.size(), 2u);
  for (const AffineMap& m : maps) {
    EXPECT_NEAR(m.A, r.expected.A, r.tolerance);
    EXPECT_NEAR(m.B, r.expected.B, r.tolerance);
    EXPECT_NEAR(m.C, r.expected.C, 100 * r.tolerance);
    EXPECT_NEAR(m.D, r.expected.D, r.tolerance);
    EXPECT_NEAR(m.E, r.expected.E, r.tolerance);
    EXPECT_NEAR(m.F, r.expected.F, 100 * r.tolerance);
  }
  // One draw per coordinate: six for the Main-Shape, six per Sub-Shape.
  for (int i = 0; i < 18; ++i) expectedDraws.Step();
  EXPECT_EQ(g.Seed, expectedDraws.Seed);
}

INSTANTIATE_TEST_SUITE_P(
    Maps, ComputeAffineMapsTest,
    ::testing::Values(MapRow{"Identity", Tri{{{100, 100}, {300, 120}, {200, 300}}},
                             Tri{{{100, 100}, {300, 120}, {200, 300}}}, AffineMap{1, 0, 0, 0, 1, 0}, 1e-4f},
                      MapRow{"HalfScale", Tri{{{20, 400}, {420, 400}, {220, 50}}},
                             Tri{{{20, 400}, {220, 400}, {120, 225}}}, AffineMap{0.5f, 0, 10, 0, 0.5f, 200}, 1e-4f},
                      MapRow{"Rotation", Tri{{{100, 100}, {200, 100}, {100, 200}}},
                             Tri{{{300, 100}, {300, 200}, {200, 100}}}, AffineMap{0, -1, 400, 1, 0, 0}, 1e-4f},
                      // The Main-Shape's first corner on the y axis: solved from the
                      // farthest corner instead, the map is as good as anywhere else.
                      MapRow{"MainOnYAxis", Tri{{{0, 400}, {400, 400}, {200, 50}}},
                             Tri{{{0, 400}, {200, 400}, {100, 225}}}, AffineMap{0.5f, 0, 0, 0, 0.5f, 200}, 1e-4f},
                      MapRow{"MainOnYAxisRotated", Tri{{{0, 100}, {100, 0}, {100, 100}}},
                             Tri{{{50, 50}, {100, 100}, {50, 100}}}, AffineMap{0, -0.5f, 100, 0.5f, 0, 50}, 1e-4f}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ComputeAffineMaps, NoSubShapesGivesNoMaps) {
  Project p = MakeProject<3>(100, 100, {Tri{{{0, 0}, {99, 0}, {0, 99}}}});
  std::vector<AffineMap> maps(3);
  TRandomGenerator g;
  EXPECT_TRUE(ComputeAffineMaps(p, g, maps));
  EXPECT_TRUE(maps.empty());
  EXPECT_EQ(g.Seed, 0u);
}

}  // namespace
}  // namespace plumavo
