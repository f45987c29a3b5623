// Small projects and pictures shared by the renderer tests.
#pragma once

#include <array>
#include <vector>

#include "model/project.h"
#include "surface/bitmap32.h"

namespace plumavo::test {

// An Affine (3 corners) or Projective (4 corners) project built through the
// model's own AppendVertex, shape by shape, each Sub-Shape with `sub`
// settings. shapes[0] is the Main-Shape.
template <size_t N>
Project MakeProject(int32_t w, int32_t h, const std::vector<std::array<Vertex, N>>& shapes,
                    const ShapeSettings& sub = {}) {
  static_assert(N == 3 || N == 4);
  Project p;
  ResetProject(p, w, h, true, N == 3 ? ShapeMode::Affine : ShapeMode::Projective);
  for (const auto& shape : shapes)
    for (const Vertex& v : shape) AppendVertex(p, v.X, v.Y, sub);
  return p;
}

inline ShapeSettings Settings(TColor color, int32_t brush, int32_t mode = 0, int32_t opacity = 255,
                              bool diffusing = false, int32_t len = 1) {
  ShapeSettings s;
  s.Color = color;
  s.Brush = brush;
  s.BlendingMode = mode;
  s.BrushOpacity = opacity;
  s.Diffusing = diffusing;
  s.DiffusingLen = len;
  return s;
}

inline TBitmap32 Solid(int32_t w, int32_t h, TColor32 c) {
  TBitmap32 b(w, h);
  b.Clear(c);
  return b;
}

inline int CountDifferent(const TBitmap32& a, const TBitmap32& b) {
  int n = 0;
  for (int32_t y = 0; y < a.Height(); ++y)
    for (int32_t x = 0; x < a.Width(); ++x) n += a.Pixel(x, y) != b.Pixel(x, y);
  return n;
}

inline bool SamePixels(const TBitmap32& a, const TBitmap32& b) {
  return a.Width() == b.Width() && a.Height() == b.Height() && CountDifferent(a, b) == 0;
}

}  // namespace plumavo::test
