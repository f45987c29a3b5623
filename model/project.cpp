#include "model/project.h"

#include <algorithm>

namespace plumavo {

namespace {

template <int N>
ShapeSettings SettingsOfRecord(const ShapeRecord<N>& r) {
  return {r.Color, r.Diffusing != 0, r.DiffusingLen, r.Brush, r.BlendingMode, r.BrushOpacity};
}

template <int N>
void WriteSettings(ShapeRecord<N>& r, ShapeSetting kind, const ShapeSettings& s) {
  const bool all = kind == ShapeSetting::All;
  if (all || kind == ShapeSetting::Color) r.Color = s.Color;
  if (all || kind == ShapeSetting::Diffusing) r.Diffusing = s.Diffusing ? 1 : 0;
  if (all || kind == ShapeSetting::DiffusingLen) r.DiffusingLen = s.DiffusingLen;
  if (all || kind == ShapeSetting::Brush) r.Brush = s.Brush;
  if (all || kind == ShapeSetting::BlendingMode) r.BlendingMode = s.BlendingMode;
  if (all || kind == ShapeSetting::BrushOpacity) r.BrushOpacity = s.BrushOpacity;
}

// Runs f on the shape array of the project's mode.
template <typename F>
decltype(auto) WithShapes(Project& p, F&& f) {
  return p.Mode == ShapeMode::Affine ? f(p.AffineShapes, p.AffineShapeCount)
                                     : f(p.ProjectiveShapes, p.ProjectiveShapeCount);
}

}  // namespace

ShapeSettings MainShapeDefaults() { return {0, false, 1, 0, 0, 255}; }

ShapeSettings Project::SettingsOf(int32_t i) const {
  return Mode == ShapeMode::Affine ? SettingsOfRecord(AffineShapes[size_t(i)])
                                   : SettingsOfRecord(ProjectiveShapes[size_t(i)]);
}

void Project::SetCorner(int32_t shape, int32_t corner, Vertex v) {
  if (Mode == ShapeMode::Affine)
    AffineShapes[size_t(shape)].Corners[corner] = v;
  else
    ProjectiveShapes[size_t(shape)].Corners[corner] = v;
}

Vertex Project::Corner(int32_t shape, int32_t corner) const {
  return Mode == ShapeMode::Affine ? AffineShapes[size_t(shape)].Corners[corner]
                                   : ProjectiveShapes[size_t(shape)].Corners[corner];
}

bool Project::CanRender() const {
  if (Mode == ShapeMode::Affine) return VertexCount > 3 && VertexCount % 3 == 0;
  return VertexCount > 4 && VertexCount % 4 == 0;
}

void ResetProject(Project& p, int32_t width, int32_t height, bool clearDocument, ShapeMode mode) {
  p.Mode = mode;
  if (clearDocument) {
    p.VertexCount = 0;
    p.AffineShapeCount = 0;
    p.ProjectiveShapeCount = 0;
    p.SelectedAffineShape = p.SelectedProjectiveShape = -1;
    p.Vertices.clear();
    p.AffineShapes.clear();
    p.ProjectiveShapes.clear();
    p.CanvasStyle = 0;
    p.CanvasColor = 0xFFFFFF;
    p.GradientColorBegin = 0x800000;
    p.GradientColorEnd = 0xFFFF00;
    p.GradientStyle = 10;
    p.GradientRotation = 0;
    p.GradientShift = 0;
    p.BackgroundImage.SetSize(0, 0);
    p.BackColor = 0xFFFFFF;
    p.ProjectFileName = "Untitled";
  }
  p.ProjectSaved = true;
  p.Width = width;
  p.Height = height;
}

void AppendVertex(Project& p, int32_t x, int32_t y, const ShapeSettings& panel) {
  const int32_t n = p.N();
  const int32_t v = p.VertexCount;
  const int32_t shape = v / n;
  const bool startsShape = v % n == 0;

  // Reserve everything first so a failed allocation leaves the model as it was,
  // growing by half again at a time: reserving one more on every call would
  // copy every vertex and shape each time, and a project built by appending
  // tens of thousands of corners would take seconds.
  const auto grow = [](auto& vec, size_t needed) {
    if (vec.capacity() < needed) vec.reserve(std::max(needed, vec.capacity() + vec.capacity() / 2));
  };
  grow(p.Vertices, size_t(v) + 1);
  WithShapes(p, [&](auto& shapes, int32_t&) { grow(shapes, size_t(shape) + 1); });

  p.SetSelected(shape);
  p.Vertices.resize(size_t(v) + 1);
  p.Vertices[size_t(v)] = {x, y};
  if (startsShape) {
    WithShapes(p, [&](auto& shapes, int32_t& count) {
      count = shape + 1;
      shapes.resize(size_t(count));
      shapes[size_t(shape)] = {};
    });
  }
  p.SetCorner(shape, v % n, {x, y});
  ApplyShapeSetting(p, ShapeSetting::All, panel);
  p.VertexCount = v + 1;
  p.ProjectSaved = false;
}

void DropIncompleteShape(Project& p) {
  if (p.Selected() != -1) {
    p.SetSelected(-1);
    p.ProjectSaved = false;
  }
  const int32_t n = p.N();
  if (p.VertexCount % n > 0) {
    p.VertexCount -= p.VertexCount % n;
    WithShapes(p, [&](auto&, int32_t& count) { count = p.VertexCount / n; });
    p.ProjectSaved = false;
  }
}

bool ApplyShapeSetting(Project& p, ShapeSetting kind, const ShapeSettings& panel) {
  const int32_t sel = p.Selected();
  bool applied = false;
  if (sel >= 0 && sel < p.ShapeCount()) {
    WithShapes(p, [&](auto& shapes, int32_t&) {
      if (sel == 0)
        WriteSettings(shapes[0], ShapeSetting::All, MainShapeDefaults());
      else
        WriteSettings(shapes[size_t(sel)], kind, panel);
    });
    if (sel > 0) {
      p.ProjectSaved = false;
      applied = true;
    }
  }
  return applied;
}

std::optional<ShapeSettings> ShowShapeSettings(const Project& p) {
  const int32_t sel = p.Selected();
  if (sel <= 0 || sel >= p.ShapeCount()) return std::nullopt;
  return p.SettingsOf(sel);
}

}  // namespace plumavo
