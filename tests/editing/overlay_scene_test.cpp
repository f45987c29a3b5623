#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "editing/overlay_scene.h"
#include "editing/shape_editor.h"
#include "tests/support/editor_fixture.h"

namespace plumavo {
namespace {

using testing_editor::EditorFixture;

template <typename T>
std::vector<T> ItemsOf(const OverlayScene& s) {
  std::vector<T> out;
  for (const OverlayItem& i : s.Items)
    if (const T* t = std::get_if<T>(&i)) out.push_back(*t);
  return out;
}

TEST(OverlayScene, EmptyProjectDrawsNothing) {
  Project p;
  EXPECT_TRUE(BuildOverlayScene(p, 1.0, 0.0f, {5, 5}).Items.empty());
}

// One vertex: its handle and label, then the rubber band to the mouse with a
// handle there and the label the next vertex will get.
TEST(OverlayScene, FirstVertexShowsTheRubberBand) {
  EditorFixture f;
  f.AddShape({{10, 20}});
  const OverlayScene s = BuildOverlayScene(f.p, 1.0, -3.0f, {50, 60});
  const std::vector<OverlayItem> expected = {
      OverlayHandle{10, 20}, OverlayLabel{10, 20, "0"}, OverlayLine{10, 20, 50, 60, 0xFF000000u, true, -3.0f},
      OverlayHandle{50, 60}, OverlayLabel{50, 60, "A"},
  };
  EXPECT_EQ(s.Items, expected);
}

// Two corners of a new Sub-Shape: the band runs from the second corner to the
// mouse and on to the first corner, the dashes continuing along it.
TEST(OverlayScene, RubberBandOfASubShapeClosesToItsFirstCorner) {
  EditorFixture f;
  f.AddShapesApart(1);
  f.AddShape({{100, 100}, {150, 100}});
  f.p.AffineShapes[1].Color = 0x0000FF;  // red
  const OverlayScene s = BuildOverlayScene(f.p, 1.0, 0.0f, {130, 160});
  ASSERT_GE(s.Items.size(), 4u);
  const std::vector<OverlayItem> tail(s.Items.end() - 4, s.Items.end());
  // The first segment covers 60 pixels along its longer axis: 30 entries on.
  const float o1 = 0.0f, o2 = 30.0f;
  const std::vector<OverlayItem> expected = {
      OverlayLine{150, 100, 130, 160, 0xFFFF0000u, true, o1},
      OverlayHandle{130, 160},
      OverlayLine{130, 160, 100, 100, 0xFFFF0000u, true, o2},
      OverlayLabel{130, 160, "b"},
  };
  EXPECT_EQ(tail, expected);
}

// Unselected shapes: plain outlines and labels. The selected one: dashed
// outline, a handle at every corner, closing edge from the last corner.
TEST(OverlayScene, SelectedShapeIsDashedWithHandlesAndMainShapeStaysBlack) {
  EditorFixture f;
  f.AddShapesApart(2);
  f.p.AffineShapes[0].Color = 0x00FF00;  // ignored for the Main-Shape
  f.p.AffineShapes[1].Color = 0xFF0000;  // blue
  f.p.SetSelected(1);
  const OverlayScene s = BuildOverlayScene(f.p, 1.0, 0.0f, {0, 0});
  const auto lines = ItemsOf<OverlayLine>(s);
  ASSERT_EQ(lines.size(), 6u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(lines[size_t(i)].Color, 0xFF000000u);
    EXPECT_FALSE(lines[size_t(i)].Dashed);
    EXPECT_EQ(lines[size_t(i + 3)].Color, 0xFF0000FFu);
    EXPECT_TRUE(lines[size_t(i + 3)].Dashed);
  }
  EXPECT_EQ(lines[5], (OverlayLine{80, 60, 80, 20, 0xFF0000FFu, true, 0.0f}));
  EXPECT_EQ(ItemsOf<OverlayHandle>(s), (std::vector<OverlayHandle>{{80, 20}, {120, 20}, {80, 60}}));
  std::vector<std::string> labels;
  for (const auto& l : ItemsOf<OverlayLabel>(s)) labels.push_back(l.Text);
  EXPECT_EQ(labels, (std::vector<std::string>{"0", "A", "B", "1", "a", "b"}));
  // Per vertex: edge, handle, label.
  EXPECT_TRUE(std::holds_alternative<OverlayLine>(s.Items[9]));
  EXPECT_TRUE(std::holds_alternative<OverlayHandle>(s.Items[10]));
  EXPECT_TRUE(std::holds_alternative<OverlayLabel>(s.Items[11]));
}

TEST(OverlayScene, AllSelectedDashesEveryShapeWithoutRubberBand) {
  EditorFixture f;
  f.Reset(ShapeMode::Projective);
  f.AddShapesApart(2);
  f.p.SetSelected(-2);
  const OverlayScene s = BuildOverlayScene(f.p, 1.0, 0.0f, {300, 300});
  const auto lines = ItemsOf<OverlayLine>(s);
  ASSERT_EQ(lines.size(), 8u);
  for (const auto& l : lines) EXPECT_TRUE(l.Dashed);
  EXPECT_EQ(ItemsOf<OverlayHandle>(s).size(), 8u);
  EXPECT_EQ(ItemsOf<OverlayLabel>(s).back().Text, "c");
}

TEST(OverlayScene, ZoomPlacesHandlesWithHalfToEvenRounding) {
  struct Row {
    double scale;
    Vertex project, view;
  };
  for (const Row& r : {Row{2.0, {10, 10}, {20, 20}}, Row{0.25, {3, 3}, {1, 1}}, Row{0.25, {2, 2}, {0, 0}},
                       Row{0.5, {5, 7}, {2, 4}}, Row{4.0, {-3, 5}, {-12, 20}}}) {
    EditorFixture f;
    f.AddShape({r.project});
    const auto handles = ItemsOf<OverlayHandle>(BuildOverlayScene(f.p, r.scale, 0.0f, {0, 0}));
    ASSERT_FALSE(handles.empty());
    EXPECT_EQ(handles[0], (OverlayHandle{r.view.X, r.view.Y})) << r.scale;
  }
}

// The stipple (clear, clear, colour, colour), entries blended by the
// fractional position, the position wrapping every four entries either way.
TEST(OverlayScene, StippleColourBlendsNeighbouringEntries) {
  struct Row {
    const char* name;
    float pos;
    TColor32 colour;
  };
  const TColor32 red = 0xFFFF0000u;
  for (const Row& r : {Row{"clear at the start", 0, 0u}, Row{"clear on the second entry", 1, 0u},
                       Row{"half way into the colour", 1.5f, 0x80800000u}, Row{"colour", 2, red},
                       Row{"colour on the last entry", 3, red}, Row{"half way back to clear", 3.5f, 0x80800000u},
                       Row{"wraps after four entries", 6, red}, Row{"negative positions wrap too", -1, red},
                       Row{"quarter into the colour", -2.75f, 0x40400000u}, Row{"not a number counts as 0", NAN, 0u}})
    EXPECT_EQ(StippleColor(red, r.pos), r.colour) << r.name;
}

TEST(OverlayScene, LinesCountPixelsAlongTheLongerAxisWithoutTheEnd) {
  EXPECT_EQ(LinePixelCount(0, 0, 10, 3), 10);
  EXPECT_EQ(LinePixelCount(5, 5, 2, -20), 25);
  EXPECT_EQ(LinePixelCount(4, 4, 4, 4), 0);
  EXPECT_EQ(LinePixelCount(0, 0, NAN, 4), 0);
  EXPECT_EQ(LinePixelCount(-3.0e9f, 0, 3.0e9f, 0), INT32_MAX) << "counts as far as an int goes";
}

TEST(SelectionDashes, StepWhileSelectedAndOnceMoreAfterClearing) {
  EditorFixture f;
  f.AddShapesApart(1);
  f.p.SetSelected(-1);
  EXPECT_TRUE(f.ed.AdvanceSelectionDashes());  // the remembered value starts at 0
  EXPECT_FALSE(f.ed.AdvanceSelectionDashes());
  EXPECT_FLOAT_EQ(f.ed.SelectionDashPhase(), -1.0f);
  f.p.SetSelected(0);
  EXPECT_TRUE(f.ed.TimerTick().RepaintView);
  EXPECT_TRUE(f.ed.AdvanceSelectionDashes());
  f.p.SetSelected(-1);
  EXPECT_TRUE(f.ed.AdvanceSelectionDashes());
  EXPECT_FALSE(f.ed.TimerTick().RepaintView);
  EXPECT_FLOAT_EQ(f.ed.SelectionDashPhase(), -4.0f);
  // Below -1000 the phase starts again at 0.
  f.p.SetSelected(0);
  for (int i = 4; i < 1000; ++i) f.ed.AdvanceSelectionDashes();
  EXPECT_FLOAT_EQ(f.ed.SelectionDashPhase(), -1000.0f);
  f.ed.AdvanceSelectionDashes();
  EXPECT_FLOAT_EQ(f.ed.SelectionDashPhase(), 0.0f);
}

TEST(SelectionDashes, TimerShowsThePositionOnlyWhileTheLeftButtonIsHeld) {
  EditorFixture f;
  f.Move(7, 9);
  EXPECT_FALSE(f.ed.TimerTick().Status1.has_value());
  f.ed.MouseMove(testing_editor::LeftHeld(), 11, 12);
  EXPECT_EQ(f.ed.TimerTick().Status1, "  (11,12)");
}

}  // namespace
}  // namespace plumavo
