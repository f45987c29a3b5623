#include "model/project.h"

#include <gtest/gtest.h>

namespace plumavo {
namespace {

ShapeSettings Panel() { return {0x123456, true, 7, 44, 3, 200}; }

Project FreshProject(ShapeMode mode) {
  Project p;
  ResetProject(p, 480, 360, true, mode);
  return p;
}

void AddVertices(Project& p, int n, const ShapeSettings& panel = Panel()) {
  for (int i = 0; i < n; ++i) AppendVertex(p, 10 * i, 20 * i + 1, panel);
}

TEST(ResetProject, ClearsTheDocumentToItsDefaults) {
  Project p;
  AddVertices(p, 7);
  p.CanvasStyle = 5;
  p.GradientShift = 40;
  p.BackgroundImage.SetSize(20, 20);
  p.ProjectFileName = "/tmp/x.plv";
  ResetProject(p, 640, 200, true, ShapeMode::Projective);
  EXPECT_EQ(p.Mode, ShapeMode::Projective);
  EXPECT_EQ(p.Width, 640);
  EXPECT_EQ(p.Height, 200);
  EXPECT_EQ(p.VertexCount, 0);
  EXPECT_EQ(p.AffineShapeCount, 0);
  EXPECT_TRUE(p.Vertices.empty());
  EXPECT_TRUE(p.AffineShapes.empty());
  EXPECT_EQ(p.SelectedAffineShape, -1);
  EXPECT_EQ(p.CanvasStyle, 0);
  EXPECT_EQ(p.GradientColorBegin, 0x800000);
  EXPECT_EQ(p.GradientColorEnd, 0xFFFF00);
  EXPECT_EQ(p.GradientStyle, 10);
  EXPECT_EQ(p.GradientShift, 0);
  EXPECT_TRUE(p.BackgroundImage.Empty());
  EXPECT_EQ(p.ProjectFileName, "Untitled");
  EXPECT_TRUE(p.ProjectSaved);
}

TEST(ResetProject, KeepingTheDocumentKeepsShapesAndCanvas) {
  Project p = FreshProject(ShapeMode::Affine);
  AddVertices(p, 6);
  p.CanvasStyle = 4;
  ResetProject(p, 480, 360, false, ShapeMode::Affine);
  EXPECT_EQ(p.VertexCount, 6);
  EXPECT_EQ(p.CanvasStyle, 4);
  EXPECT_TRUE(p.ProjectSaved);
}

TEST(AppendVertex, FirstShapeGetsMainShapeDefaultsWhateverThePanelShows) {
  Project p = FreshProject(ShapeMode::Affine);
  AddVertices(p, 1);
  ASSERT_EQ(p.AffineShapeCount, 1);
  EXPECT_EQ(p.SettingsOf(0), MainShapeDefaults());
  EXPECT_EQ(p.SelectedAffineShape, 0);
  EXPECT_FALSE(p.ProjectSaved);
}

TEST(AppendVertex, SubShapeCopiesThePanelAndCompletingItMakesItRenderable) {
  Project p = FreshProject(ShapeMode::Affine);
  AddVertices(p, 4);
  EXPECT_EQ(p.AffineShapeCount, 2);
  EXPECT_EQ(p.SelectedAffineShape, 1);
  EXPECT_EQ(p.SettingsOf(1), Panel());
  EXPECT_FALSE(p.CanRender());
  AddVertices(p, 2);
  EXPECT_EQ(p.VertexCount, 6);
  EXPECT_TRUE(p.CanRender());
  // Corners mirror the vertices.
  for (int k = 0; k < 6; ++k) EXPECT_EQ(p.Corner(k / 3, k % 3), p.Vertices[size_t(k)]) << k;
  const AffineShape& rec = p.AffineShapes[1];
  EXPECT_EQ(rec.Reserved[0] | rec.Reserved[1] | rec.Reserved[2], 0);
}

TEST(AppendVertex, ProjectiveNeedsTwoCompleteQuads) {
  Project p = FreshProject(ShapeMode::Projective);
  AddVertices(p, 4);
  EXPECT_FALSE(p.CanRender());  // only the Main-Shape
  AddVertices(p, 4);
  EXPECT_TRUE(p.CanRender());
  EXPECT_EQ(p.ProjectiveShapeCount, 2);
}

TEST(DropIncompleteShape, FiveAffineVerticesFallBackToTheMainShape) {
  Project p = FreshProject(ShapeMode::Affine);
  AddVertices(p, 5);
  EXPECT_EQ(p.AffineShapeCount, 2);
  EXPECT_TRUE(p.HasIncompleteShape());
  p.ProjectSaved = true;
  DropIncompleteShape(p);
  EXPECT_EQ(p.VertexCount, 3);
  EXPECT_EQ(p.AffineShapeCount, 1);
  EXPECT_EQ(p.SelectedAffineShape, -1);
  EXPECT_FALSE(p.ProjectSaved);
  EXPECT_FALSE(p.CanRender());
  // Drawing goes on where the dropped shape began.
  AppendVertex(p, 1, 2, Panel());
  EXPECT_EQ(p.VertexCount, 4);
  EXPECT_EQ(p.AffineShapeCount, 2);
  EXPECT_EQ(p.Corner(1, 0), (Vertex{1, 2}));
}

TEST(DropIncompleteShape, NothingToDropLeavesAnUnselectedProjectSaved) {
  Project p = FreshProject(ShapeMode::Affine);
  AddVertices(p, 6);
  p.SelectedAffineShape = -1;
  p.ProjectSaved = true;
  DropIncompleteShape(p);
  EXPECT_TRUE(p.ProjectSaved);
  EXPECT_EQ(p.VertexCount, 6);
}

struct ApplyRow {
  ShapeSetting kind;
  ShapeSettings expected;  // starting from {0x111111, false, 2, 10, 1, 100}
};

class ApplySetting : public testing::TestWithParam<ApplyRow> {};

TEST_P(ApplySetting, CopiesOnlyTheNamedSetting) {
  Project p = FreshProject(ShapeMode::Affine);
  AddVertices(p, 6, {0x111111, false, 2, 10, 1, 100});
  p.ProjectSaved = true;
  EXPECT_TRUE(ApplyShapeSetting(p, GetParam().kind, Panel()));
  EXPECT_EQ(p.SettingsOf(1), GetParam().expected);
  EXPECT_FALSE(p.ProjectSaved);
}

std::string KindName(const testing::TestParamInfo<ApplyRow>& info) {
  static const char* const kKinds[] = {"All",   "Color",        "Diffusing",   "DiffusingLen",
                                       "Brush", "BlendingMode", "BrushOpacity"};
  return kKinds[int(info.param.kind)];
}

INSTANTIATE_TEST_SUITE_P(Kinds, ApplySetting,
                         testing::Values(ApplyRow{ShapeSetting::All, Panel()},
                                         ApplyRow{ShapeSetting::Color, {0x123456, false, 2, 10, 1, 100}},
                                         ApplyRow{ShapeSetting::Diffusing, {0x111111, true, 2, 10, 1, 100}},
                                         ApplyRow{ShapeSetting::DiffusingLen, {0x111111, false, 7, 10, 1, 100}},
                                         ApplyRow{ShapeSetting::Brush, {0x111111, false, 2, 44, 1, 100}},
                                         ApplyRow{ShapeSetting::BlendingMode, {0x111111, false, 2, 10, 3, 100}},
                                         ApplyRow{ShapeSetting::BrushOpacity, {0x111111, false, 2, 10, 1, 200}}),
                         KindName);

TEST(ApplyShapeSetting, MainShapeAlwaysReturnsToItsDefaults) {
  Project p = FreshProject(ShapeMode::Affine);
  AddVertices(p, 6);
  p.AffineShapes[0].Color = 0xABCDEF;
  p.SelectedAffineShape = 0;
  p.ProjectSaved = true;
  EXPECT_FALSE(ApplyShapeSetting(p, ShapeSetting::Color, Panel()));
  EXPECT_EQ(p.SettingsOf(0), MainShapeDefaults());
  EXPECT_TRUE(p.ProjectSaved);
}

TEST(ApplyShapeSetting, NoSelectionOrAllShapesChangeNothing) {
  for (int32_t sel : {-1, -2}) {
    Project p = FreshProject(ShapeMode::Affine);
    AddVertices(p, 9, {0x111111, false, 2, 10, 1, 100});
    p.SelectedAffineShape = sel;
    p.ProjectSaved = true;
    EXPECT_FALSE(ApplyShapeSetting(p, ShapeSetting::Color, Panel()));
    EXPECT_EQ(p.SettingsOf(1).Color, 0x111111);
    EXPECT_EQ(p.SettingsOf(2).Color, 0x111111);
    EXPECT_TRUE(p.ProjectSaved);
  }
}

TEST(ShowShapeSettings, OnlyForASelectedSubShape) {
  Project p = FreshProject(ShapeMode::Projective);
  AddVertices(p, 8);
  EXPECT_EQ(ShowShapeSettings(p), Panel());
  for (int32_t sel : {-2, -1, 0, 2}) {
    p.SelectedProjectiveShape = sel;
    EXPECT_FALSE(ShowShapeSettings(p).has_value()) << sel;
  }
}

}  // namespace
}  // namespace plumavo
