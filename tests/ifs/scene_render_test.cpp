// Whole renders of the benchmark scenes against the loop written out plainly
// with the bitmap's own operations (Draw through the combine function,
// SplatPixel, PutPixel), so that no fast path in the renderer can drift.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "bench/render_scenes.h"
#include "ifs_fixtures.h"
#include "render/blend/blend_modes.h"
#include "render/brushes/brush_library.h"
#include "render/ifs/renderer.h"
#include "render/ifs/shape_maps.h"

namespace plumavo {
namespace {

// A canvas whose pixels all differ, so that every blend mode shows.
TBitmap32 Patterned(int32_t w, int32_t h) {
  TBitmap32 b(w, h);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x)
      b.Pixel(x, y) = Color32(uint8_t(x * 7 + y), uint8_t(y * 5 + 40), uint8_t((x ^ y) * 3 + 90));
  return b;
}

struct Fields {
  bool diffusing;
  int32_t len, brush, mode, opacity;
  TColor color;
};

Fields FieldsOf(const Project& p, int32_t s) {
  if (p.Mode == ShapeMode::Affine) {
    const AffineShape& r = p.AffineShapes[size_t(s)];
    return {r.Diffusing != 0, r.DiffusingLen, r.Brush, r.BlendingMode, r.BrushOpacity, r.Color};
  }
  const ProjectiveShape& r = p.ProjectiveShapes[size_t(s)];
  return {r.Diffusing != 0, r.DiffusingLen, r.Brush, r.BlendingMode, r.BrushOpacity, r.Color};
}

// Shape s's brush bitmap with its draw mode, master alpha and combine function.
TBitmap32 ReferenceBrush(const Project& p, int32_t s, bool aa) {
  const Fields f = FieldsOf(p, s);
  TBitmap32 b = BrushList()[f.brush > 2 || aa ? f.brush + 1 : f.brush];
  b.DrawMode = f.mode != 0 ? dmCustom : dmBlend;
  b.OnPixelCombine = f.mode != 0 ? BlendModeFunction(f.mode) : nullptr;
  b.MasterAlpha = f.brush > 2 ? uint8_t(f.opacity) : 255;
  return b;
}

// One point stamped with shape s, step by step as the renderer describes it.
void ReferenceStamp(TBitmap32& layer, const Project& p, int32_t s, TBitmap32& b, float x, float y, int32_t j, bool aa,
                    int32_t counter) {
  const Fields f = FieldsOf(p, s);
  if (f.brush > 2) {
    const int32_t w = b.Width();
    if (!(w <= 12 || w == 24 || j % w == 0)) return;
    const int32_t px = int32_t(std::lrintf(x)) - w / 2, py = int32_t(std::lrintf(y)) - w / 2;
    const int32_t frames = b.Height() / w;
    int32_t fr = 0;
    if (frames > 1) {
      const int32_t c = counter;
      fr = w <= 12 ? (c + j) % frames : (w == 24 ? (j / 192 + c) % frames : (j / w + c) % frames);
    }
    layer.Draw(px, py, TRect{0, fr * w, w, (fr + 1) * w}, b);
    return;
  }
  TColor32 c = Color32(f.color);
  if (f.opacity < 255) c = SetAlpha(c, f.opacity);
  const int32_t K = f.brush + 1;
  const float L = float(K) / 2.0f;
  if (f.mode == 0) {
    for (int32_t dx = 0; dx < K; ++dx)
      for (int32_t dy = 0; dy < K; ++dy) {
        if (aa)
          layer.SplatPixel(x - L + float(dx), y - L + float(dy), c);
        else
          layer.PutPixel(int32_t(std::lrintf(x - L)) + dx, int32_t(std::lrintf(y - L)) + dy, c);
      }
    return;
  }
  if (aa) {
    b.Clear(0);
    const float tx = std::trunc(x - L), ty = std::trunc(y - L);
    const float fx = (x - L) - tx, fy = (y - L) - ty;
    for (int32_t dx = 0; dx < K; ++dx)
      for (int32_t dy = 0; dy < K; ++dy) b.SplatPixel(fx + float(dx), fy + float(dy), c);
    layer.Draw(int32_t(tx), int32_t(ty), b);
  } else {
    b.Clear(c);
    layer.Draw(int32_t(std::lrintf(x - L)), int32_t(std::lrintf(y - L)), b);
  }
}

// The loop over the maps and weights the renderer used last (the affine
// jitter is not repeated), from seed 0, with its frame counter.
TBitmap32 ReferenceRender(const Project& p, const TRenderer& renderer, const TBitmap32& canvas, int32_t loops,
                          bool aa) {
  TBitmap32 layer(canvas);
  const std::vector<float>& weights = renderer.MapWeights();
  const std::vector<AffineMap>& maps = renderer.AffineMaps();
  const int32_t subs = int32_t(weights.size());
  const bool affine = p.Mode == ShapeMode::Affine;
  const Vertex start = affine ? p.AffineShapes[1].Corners[0] : p.ProjectiveShapes[1].Corners[0];
  const float sx = float(start.X), sy = float(start.Y), W = float(p.Width), H = float(p.Height);
  TProjectiveTransformation t;
  t.SrcRect = TRect{0, 0, p.Width, p.Height};
  auto prepare = [&t](const Vertex* c) {
    t.SetCorners(float(c[0].X), float(c[0].Y), float(c[1].X), float(c[1].Y), float(c[2].X), float(c[2].Y),
                 float(c[3].X), float(c[3].Y));
    t.PrepareTransform();
  };
  std::vector<TBitmap32> brushes;
  for (int32_t s = 1; s <= subs; ++s) brushes.push_back(ReferenceBrush(p, s, aa));
  MapHistory history;
  history.fill(-1);
  TRandomGenerator g;
  float x = sx, y = sy;
  int32_t warm = 0;
  for (int32_t j = 0; j < loops; ++j) {
    const float r = g.RandomFloat();
    float sum = 0;
    int32_t k = 0;
    for (; k < subs; ++k) {
      sum = sum + weights[size_t(k)];
      if (sum > r) break;
    }
    k = std::min(k, subs - 1);
    std::copy(history.begin() + 1, history.end(), history.begin());
    history[19] = k;
    float nx = x, ny = y;
    if (affine) {
      const AffineMap& m = maps[size_t(k)];
      nx = m.A * x + m.B * y + m.C;
      ny = m.D * x + m.E * y + m.F;
    } else {
      float u = 0, v = 0;
      prepare(p.ProjectiveShapes[0].Corners);
      t.Invert();
      t.Transform(x, y, u, v);
      prepare(p.ProjectiveShapes[size_t(k) + 1].Corners);
      t.Transform(u, v, nx, ny);
    }
    if (nx < -100 * W || nx > 100 * W || ny < -100 * H || ny > 100 * H) {
      x = sx, y = sy, warm = 0;
      continue;
    }
    x = nx, y = ny;
    if (warm < 10) {
      ++warm;
      continue;
    }
    if (x >= -32 && x <= W + 16 && y >= -32 && y <= H + 16) {
      const int32_t s = DiffusionShape(p, history);
      ReferenceStamp(layer, p, s, brushes[size_t(s - 1)], x, y, j, aa, renderer.RenderCounter());
    }
  }
  layer.ResetAlpha();
  return layer;
}

// Every kind of stamp in one project: dots of each size in blend modes with
// and without a vector kernel, a see-through Normal dot, a dot that diffuses
// into its neighbour, and an image brush blended plainly. On a small layer the
// renderer stamps as it goes; on a large one two threads share the rows.
scenes::Scene Mixed(int32_t w, int32_t h) {
  scenes::Scene scene{"mixed", scenes::Triangles(8, w, h, 4, scenes::Brush(0x3050A0, 0, 3, 255)), 30000};
  Project& p = scene.project;
  struct Row {
    int32_t brush, mode, opacity;
    TColor color;
  };
  const Row rows[] = {
      {0, 3, 255, 0x3050A0}, {1, 9, 200, 0x20C040}, {2, 2, 255, 0xC02060}, {2, 0, 140, 0x808000}, {30, 0, 200, 0}};
  for (int32_t k = 0; k < 5; ++k) {
    AffineShape& shape = p.AffineShapes[size_t(k)];
    shape.Brush = rows[k].brush;
    shape.BlendingMode = rows[k].mode;
    shape.BrushOpacity = rows[k].opacity;
    shape.Color = rows[k].color;
  }
  p.AffineShapes[2].Diffusing = 1;
  p.AffineShapes[2].DiffusingLen = 3;
  scene.name += std::to_string(w);
  return scene;
}
scenes::Scene MixedSmall() { return Mixed(480, 360); }
scenes::Scene MixedLarge() { return Mixed(1100, 900); }
// So few points that one thread stamps them all.
scenes::Scene MixedLargeFewPoints() {
  scenes::Scene scene = Mixed(1100, 900);
  scene.loops = 400;
  scene.name += "_few_points";
  return scene;
}

// Normal-mode antialiased dots only, in several colours (one see-through):
// all of one size, which the renderer stamps in a loop of its own, and of
// mixed sizes, which it must not.
scenes::Scene NormalDots(const char* name, const int32_t (&sides)[5]) {
  scenes::Scene scene{name, scenes::Triangles(8, 480, 360, 4, scenes::Brush(0, 0, 0, 255)), 20000};
  const TColor colors[] = {0x3050A0, 0x20C040, 0xC02060, 0x808000, 0x102030};
  for (int32_t k = 0; k < 5; ++k) {
    AffineShape& shape = scene.project.AffineShapes[size_t(k)];
    shape.Brush = sides[k] - 1;
    shape.Color = colors[k];
    shape.BrushOpacity = k == 3 ? 150 : 255;
  }
  return scene;
}
scenes::Scene DotsOfOneSize() { return NormalDots("dots_of_one_size", {2, 2, 2, 2, 2}); }
scenes::Scene DotsOfMixedSizes() { return NormalDots("dots_of_mixed_sizes", {1, 3, 1, 2, 3}); }

// Image brushes in blend modes on a triangle from edge to edge of the layer:
// their stamps are cut off at the left, right, top and bottom, on a layer
// small enough to stamp as the orbit goes and on one that two threads share.
// One brush is mostly opaque, so its whole rows are stamped where nothing
// cuts a side off.
scenes::Scene EdgeToEdge(int32_t w, int32_t h) {
  const ShapeSettings s = scenes::Brush(0, 121, scenes::kMultiply, 200);
  Project p;
  ResetProject(p, w, h, true, ShapeMode::Affine);
  const int32_t m = w / 2, c = h / 2;
  const Vertex shapes[4][3] = {{{0, h - 1}, {w - 1, h - 1}, {m, 0}},
                               {{0, h - 1}, {m, h - 1}, {m / 2, c}},
                               {{m, h - 1}, {w - 1, h - 1}, {m + m / 2, c}},
                               {{m / 2, c}, {m + m / 2, c}, {m, 0}}};
  for (const auto& shape : shapes)
    for (const Vertex& v : shape) AppendVertex(p, v.X, v.Y, s);
  const int32_t brushes[] = {121, 124, 65}, modes[] = {scenes::kMultiply, scenes::kScreen, scenes::kHue};
  for (int32_t k = 1; k <= 3; ++k) {
    p.AffineShapes[size_t(k)].Brush = brushes[k - 1];
    p.AffineShapes[size_t(k)].BlendingMode = modes[k - 1];
  }
  return {"edge_to_edge" + std::to_string(w), std::move(p), 20000};
}
scenes::Scene EdgeToEdgeSmall() { return EdgeToEdge(300, 200); }
scenes::Scene EdgeToEdgeLarge() { return EdgeToEdge(1100, 900); }

struct SceneRow {
  scenes::Scene (*make)();
  bool antialiased;
};

std::string RowName(const testing::TestParamInfo<SceneRow>& info) {
  return info.param.make().name + (info.param.antialiased ? "" : "_aliased");
}

class SceneRenderTest : public testing::TestWithParam<SceneRow> {};

TEST_P(SceneRenderTest, SamePixelsAsThePlainLoop) {
  const SceneRow& row = GetParam();
  scenes::Scene scene = row.make();
  Project& p = scene.project;
  TRenderer r;
  r.Preferences.RenderingLoops = scene.loops;
  r.Preferences.Antialiased = row.antialiased;
  const TBitmap32 canvas = Patterned(p.Width, p.Height);
  TBitmap32 layer(p.Width, p.Height);
  r.RenderImage(p, canvas, layer);
  r.RenderImage(p, canvas, layer);  // a second render, with a counter that moved on
  ASSERT_GT(r.LastStats().Stamped, scene.loops / 2);
  const TBitmap32 ref = ReferenceRender(p, r, canvas, scene.loops, row.antialiased);
  EXPECT_GT(test::CountDifferent(ref, canvas), 1000);
  EXPECT_EQ(test::CountDifferent(layer, ref), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Benchmarks, SceneRenderTest,
    testing::Values(SceneRow{scenes::SceneA, true}, SceneRow{scenes::SceneA, false}, SceneRow{scenes::SceneB, true},
                    SceneRow{scenes::SceneB, false}, SceneRow{scenes::SceneC, true}, SceneRow{scenes::SceneD, true},
                    SceneRow{MixedSmall, true}, SceneRow{MixedSmall, false}, SceneRow{MixedLarge, true},
                    SceneRow{MixedLarge, false}, SceneRow{MixedLargeFewPoints, true}, SceneRow{DotsOfOneSize, true},
                    SceneRow{DotsOfMixedSizes, true}, SceneRow{EdgeToEdgeSmall, true}, SceneRow{EdgeToEdgeLarge, true}),
    RowName);

}  // namespace
}  // namespace plumavo
