#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <string>
#include <vector>

#include "editing/shape_editor.h"
#include "tests/support/editor_fixture.h"

namespace plumavo {
namespace {

using testing_editor::EditorFixture;
using testing_editor::kPanel;
using testing_editor::LeftHeld;

const std::string kDrawMain = " Click and drag to draw a Main-Shape";
const std::string kDrawMainCancel = " Click and drag to draw a Main-Shape. Right-Click to cancel";
const std::string kDrawSub = " Click and drag to draw a Sub-Shape";
const std::string kDrawSubCancel = " Click and drag to draw a Sub-Shape. Right-Click to cancel";

// --- Drawing ------------------------------------------------------------------

class Drawing : public ::testing::TestWithParam<ShapeMode>, public EditorFixture {};

// Clicks in empty space make the Main-Shape and then Sub-Shapes; the status
// line follows every step, the records copy the panel (the Main-Shape keeps
// its defaults) and each completed Sub-Shape gets a map slot.
TEST_P(Drawing, ClicksMakeMainShapeThenSubShapesWithTheirStatusTexts) {
  Reset(GetParam());
  const int32_t n = p.N();
  const Vertex corners[4] = {{0, 0}, {80, 0}, {80, 80}, {0, 80}};
  EXPECT_EQ(Move(400, 300).Status0, kDrawMain);
  for (int shape = 0; shape < 3; ++shape) {
    const int32_t ox = 20 + 100 * shape, oy = 20;
    for (int32_t c = 0; c < n; ++c) {
      const EditResult r = Click(ox + corners[c].X, oy + corners[c].Y);
      EXPECT_TRUE(r.Render);
      EXPECT_EQ(p.Selected(), shape);
      const std::string expected = c == n - 1 ? kDrawSub : (shape == 0 ? kDrawMainCancel : kDrawSubCancel);
      EXPECT_EQ(Move(400, 300).Status0, expected) << "shape " << shape << " corner " << c;
    }
  }
  EXPECT_EQ(p.VertexCount, 3 * n);
  EXPECT_EQ(p.ShapeCount(), 3);
  EXPECT_TRUE(CornersMatchVertices());
  EXPECT_EQ(p.SettingsOf(0), MainShapeDefaults());
  EXPECT_EQ(p.SettingsOf(1), kPanel);
  EXPECT_EQ(p.SettingsOf(2), kPanel);
  EXPECT_FALSE(p.ProjectSaved);
  EXPECT_TRUE(ed.UndoEnabled());
  EXPECT_EQ(ShapeSummaryText(p),
            std::string(n == 3 ? " Affine" : " Projective") + ", 3 Shape(s), Sub-Shape 2 Selected");
  // Resting on corner 2 of the Main-Shape names it; on corner 1 of Sub-Shape 2 too.
  EXPECT_EQ(Move(101, 99).Status0, " Click and drag to move vertex B of Main-Shape");
  EXPECT_EQ(Move(300, 20).Status0, " Click and drag to move vertex a of Sub-Shape 2");
  EXPECT_EQ(Move(220, 20).Status0, " Click and drag to move the first vertex of Sub-Shape 2");
  EXPECT_EQ(ed.Cursor(), EditCursor::MoveV);
}

// While a shape is being drawn nothing is a target: a press on an existing
// vertex adds a vertex there instead of dragging it.
TEST_P(Drawing, WhileDrawingEveryPressAddsAVertex) {
  Reset(GetParam());
  AddShapesApart(1);
  Click(300, 300);
  const EditResult r = Move(20, 20);  // the Main-Shape's first vertex
  EXPECT_EQ(ed.Hover(), HoverAction::Draw);
  EXPECT_EQ(r.Status0, kDrawSubCancel);
  EXPECT_EQ(r.Cursor, EditCursor::Pencil);
  Click(20, 20);
  EXPECT_EQ(p.VertexCount, p.N() + 2);
  EXPECT_EQ(V(0), (Vertex{20, 20}));
}

std::string ModeName(ShapeMode mode) { return mode == ShapeMode::Affine ? "Affine" : "Projective"; }

INSTANTIATE_TEST_SUITE_P(Modes, Drawing, ::testing::Values(ShapeMode::Affine, ShapeMode::Projective),
                         [](const ::testing::TestParamInfo<ShapeMode>& info) { return ModeName(info.param); });

// --- Right-click cancel ---------------------------------------------------------

struct CancelCase {
  ShapeMode mode;
  int placed;  // corners of the new Sub-Shape placed before the right click
};

class RightClick : public ::testing::TestWithParam<CancelCase>, public EditorFixture {};

TEST_P(RightClick, DropsTheUnfinishedShapeAndClearsTheSelection) {
  Reset(GetParam().mode);
  AddShapesApart(2);
  p.ProjectSaved = true;
  for (int i = 0; i < GetParam().placed; ++i) Click(300 + 30 * i, 300);
  const int32_t before = p.VertexCount;
  const EditResult r = Click(10, 340, MouseButton::Right);
  EXPECT_EQ(p.VertexCount, 2 * p.N());
  EXPECT_EQ(p.ShapeCount(), 2);
  EXPECT_EQ(p.Selected(), -1);
  EXPECT_EQ(ShapeSummaryText(p).substr(ShapeSummaryText(p).find(',')), ", 2 Shape(s), None Selected");
  EXPECT_EQ(r.Status0, kDrawSub);
  EXPECT_TRUE(r.UpdateInterface);
  EXPECT_FALSE(p.ProjectSaved);
  // One undo step brings the dropped corners back.
  ed.Undo();
  EXPECT_EQ(p.VertexCount, before);
}

INSTANTIATE_TEST_SUITE_P(Cases, RightClick,
                         ::testing::Values(CancelCase{ShapeMode::Affine, 0}, CancelCase{ShapeMode::Affine, 1},
                                           CancelCase{ShapeMode::Affine, 2}, CancelCase{ShapeMode::Projective, 3}),
                         [](const ::testing::TestParamInfo<CancelCase>& info) {
                           return ModeName(info.param.mode) + "With" + std::to_string(info.param.placed) + "Corners";
                         });

// --- Hover priorities ------------------------------------------------------------

struct HoverCase {
  const char* Name;
  double scale;
  int32_t selection;
  int32_t x, y;  // view pixels
  HoverAction action;
  int32_t hotVertex, hotShape;
  const char* status;
};

class Hover : public ::testing::TestWithParam<HoverCase>, public EditorFixture {};

// Main-Shape 0,1,2 = (10,10) (100,10) (10,100); Sub-Shape 1 = 3,4,5 =
// (10,10) (60,10) (10,60) shares the Main-Shape's first corner and part of its
// top edge; Sub-Shape 2 = 6,7,8 = (200,200) (300,200) (200,300) lies apart.
TEST_P(Hover, FindsTheTargetWithItsPriority) {
  const HoverCase& c = GetParam();
  Reset(ShapeMode::Affine, c.scale);
  AddShape({{10, 10}, {100, 10}, {10, 100}});
  AddShape({{10, 10}, {60, 10}, {10, 60}});
  AddShape({{200, 200}, {300, 200}, {200, 300}});
  p.SetSelected(c.selection);
  const EditResult r = Move(c.x, c.y);
  EXPECT_EQ(ed.Hover(), c.action);
  EXPECT_EQ(ed.HotVertex(), c.hotVertex);
  EXPECT_EQ(ed.HotShape(), c.hotShape);
  EXPECT_EQ(r.Status0, std::string(c.status));
  EXPECT_EQ(r.Cursor, ShapeEditor::CursorFor(c.action));
  EXPECT_EQ(r.Status1, "  (" + std::to_string(c.x) + "," + std::to_string(c.y) + ")");
}

const auto V_ = HoverAction::MoveVertex;
const auto S_ = HoverAction::MoveShape;
const auto D_ = HoverAction::Draw;

INSTANTIATE_TEST_SUITE_P(
    Table, Hover,
    ::testing::Values(
        // Two vertices on one spot: the newest shape wins unless one is selected.
        HoverCase{"SharedVertexNewestShapeWins", 1, -1, 12, 8, V_, 3, 1,
                  " Click and drag to move the first vertex of Sub-Shape 1"},
        HoverCase{"SharedVertexSelectedMainShapeWins", 1, 0, 12, 8, V_, 0, 0,
                  " Click and drag to move the first vertex of Main-Shape"},
        HoverCase{"SharedVertexAllSelectedNewestWins", 1, -2, 12, 8, V_, 3, 1,
                  " Click and drag to move the first vertex of Sub-Shape 1"},
        // The 7 x 7 square around a vertex; one pixel further the edge takes over.
        HoverCase{"VertexSquareReachesThreePixels", 1, 1, 100, 13, V_, 1, 0,
                  " Click and drag to move vertex A of Main-Shape"},
        HoverCase{"EdgeTakesOverOnePixelFurther", 1, -1, 100, 14, S_, -1, 0, " Click and drag to move Main-Shape"},
        // 3 pixels off the middle of an edge hits it, 4 do not.
        HoverCase{"EdgeHitThreePixelsOff", 1, -1, 250, 203, S_, -1, 2, " Click and drag to move Sub-Shape 2"},
        HoverCase{"EdgeMissedFourPixelsOff", 1, -1, 250, 204, D_, -1, -1, " Click and drag to draw a Sub-Shape"},
        // Near both a vertex and its edges: the vertex wins.
        HoverCase{"VertexBeatsItsEdges", 1, -1, 203, 203, V_, 6, 2,
                  " Click and drag to move the first vertex of Sub-Shape 2"},
        // Overlapping edges: newest unselected shape, unless the other is selected.
        HoverCase{"OverlappingEdgesNewestWins", 1, -1, 40, 12, S_, -1, 1, " Click and drag to move Sub-Shape 1"},
        HoverCase{"OverlappingEdgesSelectedMainShapeWins", 1, 0, 40, 12, S_, -1, 0,
                  " Click and drag to move Main-Shape"},
        HoverCase{"OverlappingEdgesOtherSelectedNewestWins", 1, 2, 40, 12, S_, -1, 1,
                  " Click and drag to move Sub-Shape 1"},
        // Zoomed: vertices are compared in view pixels.
        HoverCase{"Zoom2VertexInViewPixels", 2, -1, 203, 23, V_, 1, 0,
                  " Click and drag to move vertex A of Main-Shape"},
        HoverCase{"Zoom2EdgeHitThreePixelsOff", 2, -1, 500, 403, S_, -1, 2, " Click and drag to move Sub-Shape 2"},
        HoverCase{"Zoom2EdgeMissedFourPixelsOff", 2, -1, 500, 404, D_, -1, -1, " Click and drag to draw a Sub-Shape"},
        HoverCase{"ZoomQuarterVertexInViewPixels", 0.25, -1, 75, 50, V_, 7, 2,
                  " Click and drag to move vertex a of Sub-Shape 2"}),
    [](const ::testing::TestParamInfo<HoverCase>& info) { return std::string(info.param.Name); });

// --- Dragging ----------------------------------------------------------------------

struct ZoomDragCase {
  const char* Name;
  double scale;
  std::vector<Vertex> steps;  // view pixels per mouse move
  Vertex delta;               // expected move of the vertex, project pixels
};

class ZoomDrag : public ::testing::TestWithParam<ZoomDragCase>, public EditorFixture {};

// Each move's view delta is converted on its own, rounding halves to even.
TEST_P(ZoomDrag, MovesTheVertexByTheRoundedStep) {
  const ZoomDragCase& c = GetParam();
  Reset(ShapeMode::Affine, c.scale);
  AddShape({{40, 40}, {160, 40}, {40, 160}});
  p.SetSelected(-1);
  p.ProjectSaved = true;
  const int32_t x = ProjectToView(160, c.scale), y = ProjectToView(40, c.scale);
  Move(x, y);
  ASSERT_EQ(ed.Hover(), HoverAction::MoveVertex);
  ed.MouseDown(MouseButton::Left, LeftHeld(), x, y, kPanel);
  int32_t mx = x, my = y;
  for (const Vertex& s : c.steps) ed.MouseMove(LeftHeld(), mx += s.X, my += s.Y);
  ed.MouseUp(MouseButton::Left, {}, mx, my);
  EXPECT_EQ(V(1), (Vertex{160 + c.delta.X, 40 + c.delta.Y}));
  EXPECT_EQ(V(0), (Vertex{40, 40}));
  EXPECT_TRUE(CornersMatchVertices());
  EXPECT_EQ(p.Selected(), 0);
  EXPECT_FALSE(p.ProjectSaved);  // even a press without a move marks the project changed
  EXPECT_TRUE(ed.UndoEnabled());
}

INSTANTIATE_TEST_SUITE_P(
    Table, ZoomDrag,
    ::testing::Values(ZoomDragCase{"FullSizeMovesAddUp", 1.0, {{5, 3}, {-1, 0}}, {4, 3}},
                      ZoomDragCase{"PressWithoutMove", 1.0, {}, {0, 0}},
                      ZoomDragCase{"Zoom2HalfStepsRoundToZero", 2.0, {{1, 0}, {1, 0}, {1, 0}, {1, 0}}, {0, 0}},
                      ZoomDragCase{"Zoom2OneAndAHalfRoundsToTwo", 2.0, {{3, -3}}, {2, -2}},
                      ZoomDragCase{"Zoom2EachMoveRoundedOnItsOwn", 2.0, {{1, 1}, {3, 0}}, {2, 0}},
                      ZoomDragCase{"Zoom4QuarterStepsVanish", 4.0, {{1, 0}, {1, 0}, {1, 0}}, {0, 0}},
                      ZoomDragCase{"Zoom4HalvesRoundToEven", 4.0, {{2, 0}, {6, 0}, {10, 0}}, {4, 0}},
                      ZoomDragCase{"ZoomQuarterOneViewPixelIsFour", 0.25, {{1, 0}}, {4, 0}},
                      ZoomDragCase{"ZoomQuarterNegativeStep", 0.25, {{-3, 2}}, {-12, 8}}),
    [](const ::testing::TestParamInfo<ZoomDragCase>& info) { return std::string(info.param.Name); });

struct DragKindCase {
  const char* name;
  bool selectAll;
  int32_t x, y;                // press position (100 % zoom)
  std::vector<int32_t> moved;  // vertices expected to move
  int32_t selection;           // selection after the press
};

class DragKind : public ::testing::TestWithParam<DragKindCase>, public EditorFixture {};

// Three triangles apart: shape k has corners (20+60k,20) (60+60k,20) (20+60k,60).
TEST_P(DragKind, MovesWhatThePressPicked) {
  const DragKindCase& c = GetParam();
  AddShapesApart(3);
  p.SetSelected(c.selectAll ? -2 : -1);
  const std::vector<Vertex> before(p.Vertices.begin(), p.Vertices.begin() + p.VertexCount);
  Move(c.x, c.y);
  const EditResult press = ed.MouseDown(MouseButton::Left, LeftHeld(), c.x, c.y, kPanel);
  EXPECT_EQ(p.Selected(), c.selection);
  EXPECT_EQ(press.ShowShapeSettings, c.selection != (c.selectAll ? -2 : -1));
  ed.MouseMove(LeftHeld(), c.x + 7, c.y + 5);
  ed.MouseUp(MouseButton::Left, {}, c.x + 7, c.y + 5);
  for (int32_t i = 0; i < p.VertexCount; ++i) {
    const bool moves = std::find(c.moved.begin(), c.moved.end(), i) != c.moved.end();
    const Vertex expected = moves ? Vertex{before[size_t(i)].X + 7, before[size_t(i)].Y + 5} : before[size_t(i)];
    EXPECT_EQ(V(i), expected) << c.name << " vertex " << i;
  }
  EXPECT_TRUE(CornersMatchVertices());
}

INSTANTIATE_TEST_SUITE_P(Table, DragKind,
                         ::testing::Values(DragKindCase{"vertex", false, 120, 20, {4}, 1},
                                           DragKindCase{"edge", false, 160, 21, {6, 7, 8}, 2},
                                           DragKindCase{
                                               "edge, all selected", true, 160, 21, {0, 1, 2, 3, 4, 5, 6, 7, 8}, -2},
                                           DragKindCase{"vertex, all selected", true, 120, 20, {4}, 1}),
                         [](const auto& info) {
                           std::string s = info.param.name;
                           for (char& ch : s)
                             if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           return s;
                         });

struct RenderCase {
  bool realTime;
  bool recording;
  int movesRendered;
  bool releaseRenders;
};

class DragRendering : public ::testing::TestWithParam<RenderCase>, public EditorFixture {};

// Four 1-pixel moves: real-time rendering renders on every move (while
// recording only once the mouse is more than 2 pixels from the last render
// point); without it the release renders once.
TEST_P(DragRendering, RendersOnMovesOrOnRelease) {
  const RenderCase& c = GetParam();
  AddShapesApart(2);
  ed.SetRealTimeRendering(c.realTime);
  ed.SetRecording(c.recording);
  Move(80, 20);
  ed.MouseDown(MouseButton::Left, LeftHeld(), 80, 20, kPanel);
  int rendered = 0;
  for (int i = 1; i <= 4; ++i) {
    const EditResult r = ed.MouseMove(LeftHeld(), 80 + i, 20);
    rendered += r.Render ? 1 : 0;
    EXPECT_TRUE(r.RepaintView);
    EXPECT_EQ(r.ProcessMessageFirst, r.Render);
  }
  EXPECT_EQ(rendered, c.movesRendered);
  EXPECT_EQ(ed.MouseUp(MouseButton::Left, {}, 84, 20).Render, c.releaseRenders);
  EXPECT_EQ(V(3), (Vertex{84, 20}));
}

INSTANTIATE_TEST_SUITE_P(Table, DragRendering,
                         ::testing::Values(RenderCase{true, false, 4, false}, RenderCase{false, false, 0, true},
                                           RenderCase{true, true, 1, false}),
                         [](const ::testing::TestParamInfo<RenderCase>& info) {
                           return std::string(info.param.realTime ? "RealTime" : "NotRealTime") +
                                  (info.param.recording ? "WhileRecording" : "");
                         });

// --- Gestures that do little ------------------------------------------------------------

TEST(MouseGesture, MiddleClickRecordsAnUndoStepWithEqualStates) {
  EditorFixture f;
  f.AddShapesApart(2);
  const std::vector<Vertex> before(f.p.Vertices);
  f.Click(300, 300, MouseButton::Middle);
  EXPECT_TRUE(f.ed.UndoEnabled());
  EXPECT_EQ(f.p.VertexCount, 6);
  f.ed.Undo();
  EXPECT_EQ(f.p.Vertices, before);
  EXPECT_TRUE(f.ed.RedoEnabled());
}

TEST(MouseGesture, ReleaseWithoutAPressOnTheViewDoesNothing) {
  EditorFixture f;
  f.AddShapesApart(1);
  const EditResult r = f.ed.MouseUp(MouseButton::Left, {}, 5, 5);
  EXPECT_FALSE(r.UndoRedoChanged);
  EXPECT_FALSE(f.ed.UndoEnabled());
}

// A button held down from outside the view must not drag the vertex that the
// last hover test found.
TEST(MouseGesture, MovesWithAButtonHeldFromElsewhereDoNotDrag) {
  EditorFixture f;
  f.AddShapesApart(1);
  f.Move(60, 20);
  ASSERT_EQ(f.ed.Hover(), HoverAction::MoveVertex);
  f.ed.MouseMove(LeftHeld(), 70, 30);
  EXPECT_EQ(f.V(1), (Vertex{60, 20}));
}

TEST(MouseGesture, PressShowsHiddenShapes) {
  EditorFixture f;
  f.ed.ToggleShapes();
  ASSERT_FALSE(f.ed.ShapesVisible());
  const EditResult r = f.ed.MouseDown(MouseButton::Right, testing_editor::Held(MouseButton::Right), 5, 5, kPanel);
  EXPECT_TRUE(f.ed.ShapesVisible());
  EXPECT_TRUE(r.ShapesVisibilityChanged);
}

TEST(ViewCoords, RoundHalvesToEven) {
  struct Row {
    int64_t v;
    double scale;
    int32_t toView, toProject;
  };
  const Row rows[] = {{3, 0.25, 1, 12},  {2, 0.25, 0, 8},  {6, 0.25, 2, 24}, {-2, 0.25, 0, -8}, {1, 0.5, 0, 2},
                      {3, 0.5, 2, 6},    {10, 2.0, 20, 5}, {1, 2.0, 2, 0},   {3, 2.0, 6, 2},    {5, 2.0, 10, 2},
                      {-3, 2.0, -6, -2}, {2, 4.0, 8, 0},   {6, 4.0, 24, 2},  {7, 4.0, 28, 2}};
  for (const Row& r : rows) {
    EXPECT_EQ(ProjectToView(r.v, r.scale), r.toView) << r.v << " at " << r.scale;
    EXPECT_EQ(ViewToProject(r.v, r.scale), r.toProject) << r.v << " at " << r.scale;
  }
  // Out-of-range results saturate instead of wrapping.
  EXPECT_EQ(ProjectToView(2000000000, 4.0), INT32_MAX);
  EXPECT_EQ(ViewToProject(-2000000000, 0.25), INT32_MIN);
}

}  // namespace
}  // namespace plumavo
