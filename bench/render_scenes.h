// The four scenes the render benchmarks time, shared with the test that checks
// a whole render of each against the plain bitmap operations.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "model/project.h"

namespace plumavo::scenes {

inline constexpr int kNormal = 0, kMultiply = 1, kScreen = 2, kHue = 24;

inline ShapeSettings Brush(TColor color, int32_t brush, int32_t mode, int32_t opacity) {
  ShapeSettings s;
  s.Color = color;
  s.Brush = brush;
  s.BlendingMode = mode;
  s.BrushOpacity = opacity;
  return s;
}

// A Sierpinski triangle across the canvas with `subs` Sub-Shapes: the three
// corner copies and, for four, a turned copy in the middle.
inline Project Triangles(int32_t size, int32_t w, int32_t h, int subs, const ShapeSettings& s) {
  Project p;
  ResetProject(p, w, h, true, ShapeMode::Affine);
  const int32_t l = w / 20, r = w - w / 20, b = h - h / 20, t = h / 20, m = w / 2;
  const std::vector<std::array<Vertex, 3>> shapes = {
      {{{l, b}, {r, b}, {m, t}}},
      {{{l, b}, {m, b}, {(l + m) / 2, (b + t) / 2}}},
      {{{m, b}, {r, b}, {(m + r) / 2, (b + t) / 2}}},
      {{{(l + m) / 2, (b + t) / 2}, {(m + r) / 2, (b + t) / 2}, {m, t}}},
      {{{m, (b + t) / 2 + size}, {(l + m) / 2 + size, b - size}, {(m + r) / 2 - size, b - size}}},
  };
  for (int i = 0; i <= subs; ++i)
    for (const Vertex& v : shapes[size_t(i)]) AppendVertex(p, v.X, v.Y, s);
  return p;
}

inline Project Quads(int32_t w, int32_t h, const ShapeSettings& s) {
  Project p;
  ResetProject(p, w, h, true, ShapeMode::Projective);
  const int32_t a = w / 20, z = w - w / 20, m = w / 2;
  const std::vector<std::array<Vertex, 4>> shapes = {
      {{{a, a}, {z, a}, {z, z}, {a, z}}},
      {{{a, a}, {m - 20, a + 30}, {m - 10, m - 10}, {a + 20, m - 30}}},
      {{{m + 10, a + 10}, {z, a}, {z - 30, m - 20}, {m + 20, m}}},
      {{{m, m + 30}, {z - 10, m + 10}, {z, z}, {m + 10, z - 20}}},
      {{{a + 30, m}, {m - 20, m + 20}, {m - 10, z}, {a, z - 10}}},
  };
  for (const auto& shape : shapes)
    for (const Vertex& v : shape) AppendVertex(p, v.X, v.Y, s);
  return p;
}

struct Scene {
  std::string name;
  Project project;
  int32_t loops;
};

// (a) 480 x 360, 10000 loops, 3 Sub-Shapes, 1-pixel dots, antialiased, Normal.
inline Scene SceneA() { return {"a", Triangles(0, 480, 360, 3, Brush(0x204080, 0, kNormal, 255)), 10000}; }
// (b) 1280 x 1280, 100000 loops, 4 Sub-Shapes, 3-pixel dots, Screen.
inline Scene SceneB() { return {"b", Triangles(40, 1280, 1280, 4, Brush(0x2060C0, 2, kScreen, 255)), 100000}; }
// (c) 1280 x 1280, 100000 loops, 4 Sub-Shapes, "Mixed Balls 1" (24 px, 9
// frames, stamped at every iteration), Multiply, opacity 180.
inline Scene SceneC() { return {"c", Triangles(40, 1280, 1280, 4, Brush(0, 121, kMultiply, 180)), 100000}; }
// (d) 1280 x 1280, 100000 loops, Projective, 4 Sub-Shapes, "3D Ball 4"
// (12 px), Hue.
inline Scene SceneD() { return {"d", Quads(1280, 1280, Brush(0, 65, kHue, 255)), 100000}; }

}  // namespace plumavo::scenes
