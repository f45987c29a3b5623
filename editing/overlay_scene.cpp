#include "editing/overlay_scene.h"

#include <cmath>

#include "editing/project_checks.h"
#include "editing/view_coords.h"

namespace plumavo {

TColor32 OutlineColor(const Project& p, int32_t shape) {
  if (shape <= 0) return 0xFF000000u;
  const TColor c = p.Mode == ShapeMode::Affine ? p.AffineShapes[size_t(shape)].Color : p.ProjectiveShapes[size_t(shape)].Color;
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

float DashOffsetForPhase(float phase) {
  // The pattern runs (clear, clear, colour, colour) at half an entry per
  // pixel, starting at entry `phase`: coloured where (2*phase + t) mod 8 is in
  // [4, 8), which is the pen convention's (2*phase - 4 + t) mod 8 < 4.
  float o = std::fmod(2.0f * phase - 4.0f, kDashPeriod);
  if (o < 0.0f) o += kDashPeriod;
  if (!(o >= 0.0f && o < kDashPeriod)) o = 0.0f;  // NaN or rounding up to 8
  return o;
}

OverlayScene BuildOverlayScene(const Project& p, double scale, float phase, Vertex lastMouse) {
  OverlayScene scene;
  if (p.VertexCount <= 0 || !ShapesConsistent(p)) return scene;
  const int32_t n = p.N();
  const int32_t vc = p.VertexCount;
  const int32_t sel = p.Selected();
  const bool all = sel == -2;
  const float offset = DashOffsetForPhase(phase);
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
      scene.Items.emplace_back(OverlayLine{float(a.X), float(a.Y), float(b.X), float(b.Y), c, selected, selected ? offset : 0.0f});
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
    scene.Items.emplace_back(OverlayLine{float(last.X), float(last.Y), float(lastMouse.X), float(lastMouse.Y), c, true, offset});
    scene.Items.emplace_back(OverlayHandle{lastMouse.X, lastMouse.Y});
    if (r > 1) {
      const Vertex first = view(k * n);
      // The second segment continues the dash pattern where the first ended.
      const double len = std::hypot(double(lastMouse.X) - last.X, double(lastMouse.Y) - last.Y);
      float o2 = float(std::fmod(double(offset) + len, double(kDashPeriod)));
      if (!(o2 >= 0.0f && o2 < kDashPeriod)) o2 = 0.0f;
      scene.Items.emplace_back(OverlayLine{float(lastMouse.X), float(lastMouse.Y), float(first.X), float(first.Y), c, true, o2});
    }
    scene.Items.emplace_back(OverlayLabel{lastMouse.X, lastMouse.Y, VertexLabel(k, r)});
  }
  return scene;
}

}  // namespace plumavo
