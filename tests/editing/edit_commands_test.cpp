#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "editing/shape_editor.h"
#include "tests/support/editor_fixture.h"

namespace plumavo {
namespace {

using testing_editor::EditorFixture;
using testing_editor::kPanel;
using testing_editor::LeftHeld;

std::vector<Vertex> Used(const Project& p) { return {p.Vertices.begin(), p.Vertices.begin() + p.VertexCount}; }

// --- Undo and redo ---------------------------------------------------------------

TEST(UndoRedo, SwitchesBetweenTheStatesAroundTheLastAction) {
  EditorFixture f;
  EXPECT_EQ(f.ed.EditMenu().Undo, false);
  EXPECT_EQ(f.ed.EditMenu().Redo, false);
  f.Click(50, 50);
  f.Click(90, 50);
  EXPECT_TRUE(f.ed.UndoEnabled());
  EXPECT_FALSE(f.ed.RedoEnabled());

  // The unfinished shape record comes back with the vertex.
  const EditResult u = f.ed.Undo();
  EXPECT_TRUE(u.Render && u.UpdateInterface && u.ShowShapeSettings && u.UndoRedoChanged);
  EXPECT_EQ(f.p.VertexCount, 1);
  EXPECT_EQ(f.p.ShapeCount(), 1);
  EXPECT_FALSE(f.ed.UndoEnabled());
  EXPECT_TRUE(f.ed.RedoEnabled());
  EXPECT_FALSE(f.ed.Undo().Render);  // disabled: nothing happens
  EXPECT_EQ(f.p.VertexCount, 1);

  f.ed.Redo();
  EXPECT_EQ(Used(f.p), (std::vector<Vertex>{{50, 50}, {90, 50}}));
  EXPECT_EQ(f.p.Corner(0, 1), (Vertex{90, 50}));
  EXPECT_TRUE(f.ed.UndoEnabled());
  EXPECT_FALSE(f.ed.RedoEnabled());

  // A new action after Undo replaces the history.
  f.ed.Undo();
  f.Click(70, 90);
  EXPECT_FALSE(f.ed.RedoEnabled());
  f.ed.Undo();
  EXPECT_EQ(Used(f.p), (std::vector<Vertex>{{50, 50}}));
}

TEST(UndoRedo, RestoresTheSavedFlagAndTheSelection) {
  EditorFixture f;
  f.AddShapesApart(3);
  f.p.SetSelected(2);
  f.p.ProjectSaved = true;
  f.Drag(120, 20, {{5, 5}});  // vertex a of Sub-Shape 1
  EXPECT_FALSE(f.p.ProjectSaved);
  EXPECT_EQ(f.p.Selected(), 1);
  f.ed.SelectAll();  // takes no snapshot
  f.ed.Undo();
  EXPECT_TRUE(f.p.ProjectSaved);
  EXPECT_EQ(f.p.Selected(), 2);
  EXPECT_EQ(f.V(4), (Vertex{120, 20}));
  EXPECT_EQ(f.p.Corner(1, 1), (Vertex{120, 20}));
  f.ed.Redo();
  EXPECT_FALSE(f.p.ProjectSaved);
  EXPECT_EQ(f.p.Selected(), 1);
  EXPECT_EQ(f.V(4), (Vertex{125, 25}));
}

// New and Open switch both items off, and nothing of the old project can come
// back into the new one afterwards.
TEST(UndoRedo, ProjectResetForgetsTheHistory) {
  EditorFixture f;
  f.Click(50, 50);
  f.Reset(ShapeMode::Affine);
  EXPECT_FALSE(f.ed.UndoEnabled());
  EXPECT_FALSE(f.ed.RedoEnabled());
  f.AddShapesApart(2);
  // An arrow key released without a run behind it completes no undo pair.
  f.ed.KeyUp(kKeyLeft, {}, false);
  EXPECT_FALSE(f.ed.UndoEnabled());
  f.ed.Undo();
  EXPECT_EQ(f.p.VertexCount, 6);
}

// Undo, cut, delete, clear and paste change the vertex list under a resting
// mouse. The hover state is worked out again, so the next press acts on what
// is really there.
enum class Command { Undo, Cut, Delete, Clear, Paste };
struct MendCase {
  const char* name;
  Command command;
  Vertex mouse;
  HoverAction hover;
  int32_t hotVertex;
};

class HoverMend : public ::testing::TestWithParam<MendCase>, public EditorFixture {};

TEST_P(HoverMend, PressAfterTheCommandActsOnWhatIsThere) {
  const MendCase& c = GetParam();
  AddShapesApart(2);
  for (Vertex v : {Vertex{140, 20}, Vertex{180, 20}, Vertex{140, 60}}) Click(v.X, v.Y);  // Sub-Shape 2
  if (c.command == Command::Paste) {
    p.SetSelected(0);
    ed.Copy();
  }
  Move(c.mouse.X, c.mouse.Y);
  ASSERT_EQ(ed.Hover(), HoverAction::MoveVertex);
  switch (c.command) {
    case Command::Undo: ed.Undo(); break;
    case Command::Cut: ed.Cut(); break;
    case Command::Delete: ed.Delete(); break;
    case Command::Clear: ed.ClearAll(); break;
    case Command::Paste: ed.Paste(); break;
  }
  EXPECT_EQ(ed.Hover(), c.hover);
  EXPECT_EQ(ed.HotVertex(), c.hotVertex);
  // A press and a drag without a hover move in between stay in bounds.
  const int32_t before = p.VertexCount;
  ed.MouseDown(MouseButton::Left, LeftHeld(), c.mouse.X, c.mouse.Y, kPanel);
  ed.MouseMove(LeftHeld(), c.mouse.X + 4, c.mouse.Y + 4);
  ed.MouseUp(MouseButton::Left, {}, c.mouse.X + 4, c.mouse.Y + 4);
  EXPECT_EQ(p.VertexCount, before + (c.hover == HoverAction::Draw ? 1 : 0));
  if (c.hotVertex >= 0) {
    EXPECT_EQ(V(c.hotVertex), (Vertex{c.mouse.X + 4, c.mouse.Y + 4}));
  }
  EXPECT_TRUE(CornersMatchVertices());
}

INSTANTIATE_TEST_SUITE_P(Table, HoverMend,
                         ::testing::Values(MendCase{"undo", Command::Undo, {140, 60}, HoverAction::Draw, -1},
                                           MendCase{"cut", Command::Cut, {180, 20}, HoverAction::Draw, -1},
                                           MendCase{"delete", Command::Delete, {180, 20}, HoverAction::Draw, -1},
                                           MendCase{"clear", Command::Clear, {20, 20}, HoverAction::Draw, -1},
                                           MendCase{"paste", Command::Paste, {20, 20}, HoverAction::MoveVertex, 9}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Arrow keys ----------------------------------------------------------------------

struct ArrowCase {
  int32_t key;
  bool shift;
  Vertex step;
};

class ArrowKeys : public ::testing::TestWithParam<ArrowCase>, public EditorFixture {};

// Three auto-repeated key-downs and one key-up: the selected shape moves by
// project pixels whatever the zoom, and the run is one undo step.
TEST_P(ArrowKeys, RunMovesTheSelectionAsOneUndoStep) {
  const ArrowCase& c = GetParam();
  Reset(ShapeMode::Affine, 4.0);
  AddShapesApart(2);
  p.SetSelected(1);
  p.ProjectSaved = true;
  const std::vector<Vertex> before = Used(p);
  ShiftState s;
  s.Shift = c.shift;
  for (int i = 0; i < 3; ++i) {
    const EditResult r = ed.KeyDown(c.key, s, false);
    EXPECT_TRUE(r.Render && r.ProcessMessageFirst);
  }
  EXPECT_FALSE(ed.UndoEnabled());  // the run is still open
  const EditResult up = ed.KeyUp(c.key, s, false);
  EXPECT_TRUE(up.UpdateInterface && up.UndoRedoChanged);
  EXPECT_FALSE(p.ProjectSaved);
  for (int32_t i = 0; i < p.VertexCount; ++i) {
    const Vertex expected =
        i / 3 == 1 ? Vertex{before[size_t(i)].X + 3 * c.step.X, before[size_t(i)].Y + 3 * c.step.Y} : before[size_t(i)];
    EXPECT_EQ(V(i), expected) << i;
  }
  EXPECT_TRUE(CornersMatchVertices());
  ed.Undo();
  EXPECT_EQ(Used(p), before);
  EXPECT_TRUE(p.ProjectSaved);
}

INSTANTIATE_TEST_SUITE_P(Table, ArrowKeys,
                         ::testing::Values(ArrowCase{kKeyLeft, false, {-1, 0}}, ArrowCase{kKeyUp, false, {0, -1}},
                                           ArrowCase{kKeyRight, false, {1, 0}}, ArrowCase{kKeyDown, false, {0, 1}},
                                           ArrowCase{kKeyLeft, true, {-10, 0}}, ArrowCase{kKeyUp, true, {0, -10}},
                                           ArrowCase{kKeyRight, true, {10, 0}}, ArrowCase{kKeyDown, true, {0, 10}}),
                         [](const ::testing::TestParamInfo<ArrowCase>& info) {
                           const int32_t key = info.param.key;
                           const char* arrow = key == kKeyLeft    ? "Left"
                                               : key == kKeyUp    ? "Up"
                                               : key == kKeyRight ? "Right"
                                                                  : "Down";
                           return std::string(info.param.shift ? "Shift" : "") + arrow;
                         });

struct NudgeCase {
  const char* name;
  int32_t selection;
  bool drawing;  // one vertex of a new shape placed
  bool focus;    // a side-panel control has the focus
  int32_t key;
  std::vector<int32_t> moved;
};

class NudgeTarget : public ::testing::TestWithParam<NudgeCase>, public EditorFixture {};

TEST_P(NudgeTarget, MovesOnlyWhatTheConditionsAllow) {
  const NudgeCase& c = GetParam();
  AddShapesApart(2);
  if (c.drawing) AddShape({{300, 300}});
  p.SetSelected(c.selection);
  const std::vector<Vertex> before = Used(p);
  ed.KeyDown(c.key, {}, c.focus);
  ed.KeyUp(c.key, {}, c.focus);
  for (int32_t i = 0; i < p.VertexCount; ++i) {
    const bool moves = std::find(c.moved.begin(), c.moved.end(), i) != c.moved.end();
    const Vertex expected = moves ? Vertex{before[size_t(i)].X, before[size_t(i)].Y + 1} : before[size_t(i)];
    EXPECT_EQ(V(i), expected) << c.name << " " << i;
  }
  EXPECT_EQ(ed.UndoEnabled(), !c.moved.empty());
}

INSTANTIATE_TEST_SUITE_P(Table, NudgeTarget,
                         ::testing::Values(NudgeCase{"nothing_selected", -1, false, false, kKeyDown, {}},
                                           NudgeCase{"shape_being_drawn", 2, true, false, kKeyDown, {}},
                                           NudgeCase{"control_has_focus", 1, false, true, kKeyDown, {}},
                                           NudgeCase{"not_an_arrow", 1, false, false, 65, {}},
                                           NudgeCase{"all_selected", -2, false, false, kKeyDown, {0, 1, 2, 3, 4, 5}},
                                           NudgeCase{"main_shape", 0, false, false, kKeyDown, {0, 1, 2}}),
                         [](const auto& info) { return std::string(info.param.name); });

// Releasing one of two held arrows ends the run; the other key's next repeat
// opens a new one, so Undo only goes back to the end of the first.
TEST(ArrowKeyRuns, ReleasingOneOfTwoKeysEndsTheRun) {
  EditorFixture f;
  f.AddShapesApart(2);
  f.p.SetSelected(1);
  f.ed.KeyDown(kKeyLeft, {}, false);
  f.ed.KeyDown(kKeyUp, {}, false);
  f.ed.KeyUp(kKeyLeft, {}, false);
  const std::vector<Vertex> afterFirst = Used(f.p);
  f.ed.KeyDown(kKeyUp, {}, false);
  f.ed.KeyUp(kKeyUp, {}, false);
  f.ed.Undo();
  EXPECT_EQ(Used(f.p), afterFirst);
}

TEST(ArrowKeyRuns, EscapeStopsARecording) {
  EditorFixture f;
  EXPECT_FALSE(f.ed.KeyDown(kKeyEscape, {}, false).StopRecording);
  f.ed.SetRecording(true);
  EXPECT_TRUE(f.ed.KeyDown(kKeyEscape, {}, true).StopRecording);
}

// --- Selection, clipboard and the Edit menu ---------------------------------------------

struct MenuCase {
  const char* name;
  void (*setup)(EditorFixture&);
  EditMenuState expected;  // Undo and Redo are left false by every set-up
};

class EditMenuRules : public ::testing::TestWithParam<MenuCase> {};

TEST_P(EditMenuRules, EnabledStatesFollowTheSelectionAndTheClipboard) {
  EditorFixture f;
  GetParam().setup(f);
  EXPECT_EQ(f.ed.EditMenu(), GetParam().expected);
}

//                               Undo   Redo   Cut    Copy   Paste  Delete Clear  SelAll SelNone
constexpr EditMenuState kNone{false, false, false, false, false, false, false, false, false};
constexpr EditMenuState kOnlyClear{false, false, false, false, false, false, true, false, false};

INSTANTIATE_TEST_SUITE_P(Table, EditMenuRules,
                         ::testing::Values(MenuCase{"empty", [](EditorFixture&) {}, kNone},
                                           MenuCase{"main_shape_unfinished",
                                                    [](EditorFixture& f) {
                                                      f.AddShape({{1, 1}, {9, 1}});
                                                    },
                                                    kOnlyClear},
                                           MenuCase{"main_shape_selected",
                                                    [](EditorFixture& f) { f.AddShapesApart(1); },
                                                    {false, false, false, true, false, true, true, true, true}},
                                           MenuCase{"sub_shape_selected",
                                                    [](EditorFixture& f) { f.AddShapesApart(2); },
                                                    {false, false, true, true, false, true, true, true, true}},
                                           MenuCase{"nothing_selected",
                                                    [](EditorFixture& f) {
                                                      f.AddShapesApart(2);
                                                      f.p.SetSelected(-1);
                                                    },
                                                    {false, false, false, false, false, false, true, true, false}},
                                           MenuCase{"all_selected",
                                                    [](EditorFixture& f) {
                                                      f.AddShapesApart(2);
                                                      f.p.SetSelected(-2);
                                                    },
                                                    {false, false, false, false, false, true, true, true, true}},
                                           MenuCase{"five_affine_vertices",
                                                    [](EditorFixture& f) {
                                                      f.AddShapesApart(1);
                                                      f.AddShape({{1, 1}, {9, 1}});
                                                    },
                                                    kOnlyClear},
                                           MenuCase{"affine_clipboard",
                                                    [](EditorFixture& f) {
                                                      f.AddShapesApart(2);
                                                      f.ed.Copy();
                                                    },
                                                    {false, false, true, true, true, true, true, true, true}},
                                           MenuCase{"affine_clipboard_projective_project",
                                                    [](EditorFixture& f) {
                                                      f.AddShapesApart(2);
                                                      f.ed.Copy();
                                                      f.Reset(ShapeMode::Projective);
                                                      f.AddShapesApart(2);
                                                    },
                                                    {false, false, true, true, false, true, true, true, true}}),
                         [](const auto& info) { return std::string(info.param.name); });

// Cut of Sub-Shape 2 of 4 renumbers the rest; Paste puts it back as the newest
// shape, selected, with its corners and settings.
TEST(Clipboard, CutThenPasteMovesTheShapeToTheEnd) {
  EditorFixture f;
  f.AddShapesApart(4);
  f.p.AffineShapes[2].Color = 0x0000FF;
  const AffineShape cut = f.p.AffineShapes[2];
  const AffineShape third = f.p.AffineShapes[3];
  f.p.SetSelected(2);
  const EditResult r = f.ed.Cut();
  EXPECT_TRUE(r.Render && r.UpdateInterface && r.UndoRedoChanged);
  EXPECT_EQ(f.p.VertexCount, 9);
  EXPECT_EQ(f.p.AffineShapeCount, 3);
  EXPECT_EQ(f.p.AffineShapes.size(), 3u);
  EXPECT_EQ(f.p.AffineShapes[2], third);
  EXPECT_EQ(f.V(6), third.Corners[0]);
  EXPECT_EQ(ShapeSummaryText(f.p), " Affine, 3 Shape(s), None Selected");
  EXPECT_EQ(f.ed.ClipboardKind(), 3);
  EXPECT_EQ(f.ed.AffineClipboard(), cut);

  const EditResult pr = f.ed.Paste();
  EXPECT_TRUE(pr.ShowShapeSettings && pr.Render);
  EXPECT_EQ(f.p.AffineShapeCount, 4);
  EXPECT_EQ(f.p.AffineShapes[3], cut);
  EXPECT_EQ(f.p.Selected(), 3);
  EXPECT_EQ(Used(f.p).back(), cut.Corners[2]);
  EXPECT_TRUE(f.CornersMatchVertices());
  EXPECT_EQ(ShapeSummaryText(f.p), " Affine, 4 Shape(s), Sub-Shape 3 Selected");
  f.ed.Undo();
  EXPECT_EQ(f.p.AffineShapeCount, 3);
}

TEST(Clipboard, CopiedMainShapePastesAsASubShapeAndSurvivesNewProjects) {
  EditorFixture f;
  f.Reset(ShapeMode::Projective);
  f.AddShapesApart(2);
  f.p.SetSelected(0);
  f.p.ProjectSaved = true;
  f.ed.Copy();
  EXPECT_TRUE(f.p.ProjectSaved);  // Copy is no change
  EXPECT_FALSE(f.ed.UndoEnabled());
  f.ed.Paste();
  EXPECT_EQ(f.p.ProjectiveShapes[2], f.p.ProjectiveShapes[0]);
  EXPECT_EQ(f.p.Selected(), 2);

  f.Reset(ShapeMode::Affine);
  f.AddShapesApart(1);
  EXPECT_FALSE(f.ed.EditMenu().Paste);
  f.ed.Paste();
  EXPECT_EQ(f.p.VertexCount, 3);
  f.Reset(ShapeMode::Projective);
  f.AddShapesApart(1);
  EXPECT_TRUE(f.ed.EditMenu().Paste);
}

TEST(Clipboard, CopyWithAllSelectedDoesNothing) {
  EditorFixture f;
  f.AddShapesApart(2);
  f.p.SetSelected(-2);
  f.ed.Copy();
  EXPECT_EQ(f.ed.ClipboardKind(), 0);
}

// Deleting the Main-Shape, or everything, is Clear All: one undo step.
TEST(Clipboard, DeleteOfMainShapeOrAllClearsTheProject) {
  for (int32_t sel : {0, -2}) {
    EditorFixture f;
    f.AddShapesApart(3);
    f.p.SetSelected(sel);
    f.p.ProjectSaved = true;
    f.ed.Delete();
    EXPECT_EQ(f.p.VertexCount, 0);
    EXPECT_EQ(f.p.ShapeCount(), 0);
    EXPECT_TRUE(f.p.Vertices.empty());
    EXPECT_EQ(f.p.Selected(), -1);
    EXPECT_TRUE(f.p.ProjectSaved);  // Clear All leaves the flag; Save is off with no vertices
    f.ed.Undo();
    EXPECT_EQ(f.p.VertexCount, 9) << sel;
    EXPECT_EQ(f.p.Selected(), sel);
  }
}

TEST(Clipboard, DeleteOfASubShapeKeepsTheOthers) {
  EditorFixture f;
  f.AddShapesApart(3);
  f.p.SetSelected(1);
  f.ed.Delete();
  EXPECT_EQ(Used(f.p), (std::vector<Vertex>{{20, 20}, {60, 20}, {20, 60}, {140, 20}, {180, 20}, {140, 60}}));
  EXPECT_EQ(f.p.Selected(), -1);
  EXPECT_TRUE(f.CornersMatchVertices());
  EXPECT_EQ(f.ed.ClipboardKind(), 0);
}

TEST(Selection, SelectAllAndNone) {
  EditorFixture f;
  f.AddShapesApart(2);
  f.ed.ToggleShapes();
  f.p.ProjectSaved = true;
  EditResult r = f.ed.SelectAll();
  EXPECT_EQ(f.p.Selected(), -2);
  EXPECT_TRUE(r.ClearFocus && r.RepaintView && r.UpdateInterface && r.ShapesVisibilityChanged);
  EXPECT_TRUE(f.ed.ShapesVisible());
  EXPECT_FALSE(f.p.ProjectSaved);
  f.p.ProjectSaved = true;
  r = f.ed.SelectAll();  // already all: no change at all
  EXPECT_TRUE(f.p.ProjectSaved);
  EXPECT_FALSE(r.UpdateInterface);
  r = f.ed.SelectNone();
  EXPECT_EQ(f.p.Selected(), -1);
  EXPECT_FALSE(f.p.ProjectSaved);
  EXPECT_FALSE(r.RepaintView);  // the next dash step repaints
  EXPECT_FALSE(f.ed.UndoEnabled());
}

// A project whose counts disagree with its arrays is never read past them.
TEST(Robustness, InconsistentProjectIsLeftAlone) {
  EditorFixture f;
  f.AddShapesApart(2);
  f.p.VertexCount = 12;  // only 6 vertices stored
  f.p.AffineShapeCount = 4;
  f.p.SetSelected(3);
  f.Move(20, 20);
  EXPECT_EQ(f.ed.Hover(), HoverAction::Draw);
  f.Click(20, 20);
  f.ed.KeyDown(kKeyRight, {}, false);
  f.ed.Copy();
  f.ed.Cut();
  f.ed.Delete();
  EXPECT_TRUE(f.ed.Overlay().Items.empty());
  EXPECT_EQ(f.p.Vertices.size(), 6u);
  EXPECT_EQ(f.ed.ClipboardKind(), 0);
  f.ed.ClearAll();  // the way out
  EXPECT_EQ(f.p.VertexCount, 0);
}

// Vertices near the int32 limits (a project file may hold any value): hover,
// drags and nudges saturate instead of overflowing.
TEST(Robustness, ExtremeCoordinatesSaturate) {
  EditorFixture f;
  f.Reset(ShapeMode::Affine, 4.0);
  f.AddShape({{INT32_MAX - 1, 0}, {INT32_MIN + 1, 5}, {0, INT32_MAX}});
  f.AddShape({{INT32_MIN, INT32_MIN}, {INT32_MAX, INT32_MAX}, {INT32_MIN, INT32_MAX}});
  for (Vertex m : {Vertex{0, 0}, Vertex{INT32_MAX, INT32_MAX}, Vertex{INT32_MIN, 3}, Vertex{100, 20}}) f.Move(m.X, m.Y);
  EXPECT_FALSE(f.ed.Overlay().Items.empty());
  f.p.SetSelected(-2);
  ShiftState shift;
  shift.Shift = true;
  for (int i = 0; i < 3; ++i) f.ed.KeyDown(kKeyRight, shift, false);
  f.ed.KeyUp(kKeyRight, shift, false);
  EXPECT_EQ(f.V(0).X, INT32_MAX);
  EXPECT_EQ(f.V(3).X, INT32_MIN + 30);
  EXPECT_TRUE(f.CornersMatchVertices());
}

}  // namespace
}  // namespace plumavo
