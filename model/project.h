// The one open document: shape mode, size, vertices, shape records, canvas
// settings and background image, and nothing else. What the renderer derives
// from it lives in the renderer, hover and drag in the editor, so a copy of a
// Project is a complete undo snapshot and the renderer can take it const.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "surface/bitmap32.h"

namespace plumavo {

enum class ShapeMode : uint8_t { Affine = 0, Projective = 1 };

inline constexpr int32_t CornerCount(ShapeMode m) { return m == ShapeMode::Affine ? 3 : 4; }

inline constexpr int32_t kMinProjectSize = 16;
inline constexpr int32_t kMaxProjectSize = 1280;
// The size of a new project.
inline constexpr int32_t kDefaultProjectWidth = 480;
inline constexpr int32_t kDefaultProjectHeight = 360;
inline constexpr int32_t kBrushCount = 230;
inline constexpr int32_t kBlendModeIndexCount = 28;  // the 27 named modes and the unnamed index 27
inline constexpr int32_t kCanvasStyleCount = 24;
inline constexpr int32_t kGradientStyleCount = 23;
inline constexpr int32_t kMaxDiffusingLen = 20;

struct Vertex {
  int32_t X = 0;
  int32_t Y = 0;
  friend bool operator==(const Vertex&, const Vertex&) = default;
};

// One shape with its brush settings, laid out byte for byte as in the project
// file: 48 bytes for a triangle, 56 for a quadrilateral.
template <int N>
struct ShapeRecord {
  uint8_t Diffusing = 0;  // 0 off, 1 on
  uint8_t Reserved[3] = {0, 0, 0};
  int32_t DiffusingLen = 0;  // 1..20
  TColor Color = 0;
  int32_t Brush = 0;         // 0..229
  int32_t BlendingMode = 0;  // 0..27
  int32_t BrushOpacity = 0;  // 0..255
  Vertex Corners[N] = {};
  friend bool operator==(const ShapeRecord&, const ShapeRecord&) = default;
};
using AffineShape = ShapeRecord<3>;
using ProjectiveShape = ShapeRecord<4>;
static_assert(sizeof(AffineShape) == 48 && sizeof(ProjectiveShape) == 56);

// The brush settings shown in the side panel, handed to the model operations
// as plain values so they run without widgets.
struct ShapeSettings {
  TColor Color = 0;
  bool Diffusing = false;
  int32_t DiffusingLen = 1;
  int32_t Brush = 0;
  int32_t BlendingMode = 0;
  int32_t BrushOpacity = 255;
  friend bool operator==(const ShapeSettings&, const ShapeSettings&) = default;
};

enum class ShapeSetting : int32_t {
  All = 0,
  Color = 1,
  Diffusing = 2,
  DiffusingLen = 3,
  Brush = 4,
  BlendingMode = 5,
  BrushOpacity = 6
};

struct Project {
  // Document.
  ShapeMode Mode = ShapeMode::Affine;
  int32_t Width = kDefaultProjectWidth;
  int32_t Height = kDefaultProjectHeight;
  TColor BackColor = 0xFFFFFF;
  int32_t VertexCount = 0;
  std::vector<Vertex> Vertices;  // may hold stale entries beyond VertexCount
  int32_t AffineShapeCount = 0;
  std::vector<AffineShape> AffineShapes;
  int32_t ProjectiveShapeCount = 0;
  std::vector<ProjectiveShape> ProjectiveShapes;
  int32_t SelectedAffineShape = -1;  // -1 none, -2 all, else a shape index
  int32_t SelectedProjectiveShape = -1;
  uint16_t CanvasStyle = 0;
  TColor CanvasColor = 0xFFFFFF;
  TColor GradientColorBegin = 0x800000;
  TColor GradientColorEnd = 0xFFFF00;
  uint8_t GradientStyle = 10;
  int8_t GradientRotation = 0;
  int8_t GradientShift = 0;
  TBitmap32 BackgroundImage;
  std::string ProjectFileName = "Untitled";
  bool ProjectSaved = true;

  int32_t N() const { return CornerCount(Mode); }
  int32_t ShapeCount() const { return Mode == ShapeMode::Affine ? AffineShapeCount : ProjectiveShapeCount; }
  int32_t SubShapeCount() const { return ShapeCount() > 0 ? ShapeCount() - 1 : 0; }
  int32_t Selected() const { return Mode == ShapeMode::Affine ? SelectedAffineShape : SelectedProjectiveShape; }
  void SetSelected(int32_t s) { (Mode == ShapeMode::Affine ? SelectedAffineShape : SelectedProjectiveShape) = s; }

  // Brush settings of shape i of the current mode (0 <= i < ShapeCount()).
  ShapeSettings SettingsOf(int32_t i) const;
  void SetCorner(int32_t shape, int32_t corner, Vertex v);
  Vertex Corner(int32_t shape, int32_t corner) const;

  // Affine: more than 3 vertices, all shapes complete; Projective: at least 5
  // vertices, all shapes complete.
  bool CanRender() const;
  bool HasIncompleteShape() const { return VertexCount % N() != 0; }
};

// The settings the Main-Shape always carries: its brush is never drawn.
ShapeSettings MainShapeDefaults();

// Model steps of a reset: mode, document (when clearDocument), and the state
// that every reset returns to. Width and height are taken as given.
void ResetProject(Project& p, int32_t width, int32_t height, bool clearDocument, ShapeMode mode);

// Adds a vertex at project coordinates; a new shape copies the panel settings.
void AppendVertex(Project& p, int32_t x, int32_t y, const ShapeSettings& panel);

// Clears the selection and discards the corners of an unfinished last shape.
void DropIncompleteShape(Project& p);

// Copies panel settings into the selected shape (all of them for
// ShapeSetting::All). Returns true when a Sub-Shape received settings.
bool ApplyShapeSetting(Project& p, ShapeSetting kind, const ShapeSettings& panel);

// The settings the side panel should show, when a Sub-Shape is selected.
std::optional<ShapeSettings> ShowShapeSettings(const Project& p);

}  // namespace plumavo
