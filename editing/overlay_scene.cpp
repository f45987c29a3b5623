#include "editing/overlay_scene.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "editing/project_checks.h"
#include "editing/view_coords.h"

namespace plumavo {

TColor32 OutlineColor(const Project& p, int32_t shape) {
  if (shape <= 0) return 0xFF000000u;
  const TColor c =
      p.Mode == ShapeMode::Affine ? p.AffineShapes[size_t(shape)].Color : p.ProjectiveShapes[size_t(shape)].Color;
  return Color32(c);
}

std::string VertexLabel(int32_t shape, int32_t corner) {
  static const char* const kMain[4] = {"0", "A", "B", "C"};
  static const char* const kSub[4] = {"", "a", "b", "c"};
  if (corner < 0 || corner > 3) return {};
  if (shape == 0) return kMain[corner];
  if (corner == 0) return std::to_string(shape);
  return kSub[corner];
}

int32_t LinePixelCount(float x1, float y1, float x2, float y2) {
  const double n = std::max(std::fabs(double(x2) - x1), std::fabs(double(y2) - y1));
  // NaN draws nothing; the painter visits only the visible steps, so a
  // line as long as an int can count is still cheap.
  if (!(n >= 0.0)) return 0;
  return n >= double(INT32_MAX) ? INT32_MAX : int32_t(n);
}

TColor32 StippleColor(TColor32 c, float pos) {
  float at = std::fmod(pos, 4.0f);
  if (!(at >= 0.0f)) at = at < 0.0f ? at + 4.0f : 0.0f;  // negative or NaN
  if (at >= 4.0f) at = 0.0f;
  const int entry = int(at);
  const float f = at - float(entry);
  const TColor32 from = entry >= 2 ? c : 0u;
  const TColor32 to = (entry + 1) % 4 >= 2 ? c : 0u;
  TColor32 r = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const float a = float((from >> shift) & 0xFFu), b = float((to >> shift) & 0xFFu);
    r |= TColor32(std::lround(a + (b - a) * f)) << shift;
  }
  return r;
}

OverlayScene BuildOverlayScene(const Project& p, double scale, float phase, Vertex lastMouse) {
  OverlayScene scene;
  if (p.VertexCount <= 0 || !ShapesConsistent(p)) return scene;
  const int32_t n = p.N();
  const int32_t vc = p.VertexCount;
  const int32_t sel = p.Selected();
  const bool all = sel == -2;
  auto view = [&](int32_t i) {
    const Vertex v = p.Vertices[size_t(i)];
    return Vertex{ProjectToView(v.X, scale), ProjectToView(v.Y, scale)};
  };
  scene.Items.reserve(size_t(vc) * 3 + 4);

  for (int32_t i = 0; i < vc; ++i) {
    const int32_t k = i / n;
    const TColor32 c = OutlineColor(p, k);
    const bool selected = all || k == sel;
    int32_t to = -1;
    if ((i + 1) % n == 0)
      to = i - n + 1;  // closing edge back to corner 0
    else if (i < vc - 1)
      to = i + 1;
    const Vertex a = view(i);
    if (to >= 0) {
      const Vertex b = view(to);
      scene.Items.emplace_back(
          OverlayLine{float(a.X), float(a.Y), float(b.X), float(b.Y), c, selected, selected ? phase : 0.0f});
    }
    if (selected) scene.Items.emplace_back(OverlayHandle{a.X, a.Y});
    scene.Items.emplace_back(OverlayLabel{a.X, a.Y, VertexLabel(k, i % n)});
  }

  const int32_t r = vc % n;
  if (!all && r > 0) {
    // Rubber band of the shape being drawn: last vertex -> mouse -> corner 0.
    const int32_t k = (vc - 1) / n;
    const TColor32 c = OutlineColor(p, k);
    const Vertex last = view(vc - 1);
    scene.Items.emplace_back(
        OverlayLine{float(last.X), float(last.Y), float(lastMouse.X), float(lastMouse.Y), c, true, phase});
    scene.Items.emplace_back(OverlayHandle{lastMouse.X, lastMouse.Y});
    if (r > 1) {
      const Vertex first = view(k * n);
      // The second segment continues the pattern where the first ended.
      const float pos2 = phase + kStippleStep * float(LinePixelCount(float(last.X), float(last.Y), float(lastMouse.X),
                                                                     float(lastMouse.Y)));
      scene.Items.emplace_back(
          OverlayLine{float(lastMouse.X), float(lastMouse.Y), float(first.X), float(first.Y), c, true, pos2});
    }
    scene.Items.emplace_back(OverlayLabel{lastMouse.X, lastMouse.Y, VertexLabel(k, r)});
  }
  return scene;
}

}  // namespace plumavo
