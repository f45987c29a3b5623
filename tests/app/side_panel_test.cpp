// The side panel: its controls reach the selected Sub-Shape (never the
// Main-Shape), showing a shape's settings fires no change, and the depth
// field's typing rules.
#include <functional>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSlider>

#include "app/widgets.h"
#include "tests/app/app_test_main.h"

namespace plumavo::test {
namespace {

struct PanelRow {
  const char* Name;
  std::function<void(TfrmMain&)> Act;
  std::function<void(const ShapeSettings& got, TfrmMain&)> Check;
};

class PanelSettingTest : public WindowTest, public ::testing::WithParamInterface<PanelRow> {};

void Choose(QComboBox* box, int index) {
  box->setCurrentIndex(index);
  emit box->activated(index);
}

TEST_P(PanelSettingTest, ReachesTheSelectedSubShapeOnly) {
  DrawThreeShapes();
  window->project.SetSelected(1);
  window->UpdateInterfaceState();
  const ShapeSettings mainBefore = window->project.SettingsOf(0);
  const ShapeSettings otherBefore = window->project.SettingsOf(2);
  window->project.ProjectSaved = true;

  GetParam().Act(*window);

  GetParam().Check(window->project.SettingsOf(1), *window);
  EXPECT_EQ(window->project.SettingsOf(0), mainBefore);
  EXPECT_EQ(window->project.SettingsOf(0), MainShapeDefaults());
  EXPECT_EQ(window->project.SettingsOf(2), otherBefore);
  EXPECT_FALSE(window->project.ProjectSaved);
  EXPECT_TRUE(window->Action(CommandId::FileSave)->isEnabled());
  EXPECT_TRUE(window->Action(CommandId::EditUndo)->isEnabled());
}

INSTANTIATE_TEST_SUITE_P(
    Controls, PanelSettingTest,
    ::testing::Values(
        PanelRow{"PalettePick",
                 [](TfrmMain& w) { QTest::mouseClick(w.imgColor, Qt::LeftButton, Qt::NoModifier, QPoint(0, 31)); },
                 [](const ShapeSettings& s, TfrmMain& w) {
                   EXPECT_EQ(s.Color, w.imgColor->ColorAt(QPoint(0, 31)));
                   EXPECT_EQ(w.shpColor->Color(), s.Color);
                   EXPECT_EQ(s.Color & 0xFF, 0xFF);  // the middle rows are fully saturated: red at the left
                 }},
        PanelRow{"SwatchDialog",
                 [](TfrmMain& w) {
                   static_cast<TScriptedPrompts&>(w.Prompts()).Colors.push_back(0x123456);
                   QTest::mouseClick(w.shpColor, Qt::LeftButton);
                 },
                 [](const ShapeSettings& s, TfrmMain&) { EXPECT_EQ(s.Color, 0x123456); }},
        PanelRow{"Diffusing",
                 [](TfrmMain& w) { QTest::mouseClick(w.cbDiffusing, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5)); },
                 [](const ShapeSettings& s, TfrmMain& w) {
                   EXPECT_TRUE(s.Diffusing);
                   EXPECT_TRUE(w.seDiffusingLen->isEnabled());
                 }},
        PanelRow{"DiffusingDepth", [](TfrmMain& w) { w.seDiffusingLen->setValue(7); },
                 [](const ShapeSettings& s, TfrmMain&) { EXPECT_EQ(s.DiffusingLen, 7); }},
        PanelRow{"BrushCategory", [](TfrmMain& w) { Choose(w.cbeBrushStyle, 19); },
                 [](const ShapeSettings& s, TfrmMain& w) {
                   EXPECT_EQ(s.Brush, 224);
                   EXPECT_EQ(w.cbeBrush->count(), 6);
                   EXPECT_EQ(w.cbeBrush->currentText(), "Baseball");
                 }},
        PanelRow{"Brush", [](TfrmMain& w) { Choose(w.cbeBrush, 2); },
                 [](const ShapeSettings& s, TfrmMain&) { EXPECT_EQ(s.Brush, 2); }},
        PanelRow{"BlendMode", [](TfrmMain& w) { Choose(w.cbBlendingMode, 26); },
                 [](const ShapeSettings& s, TfrmMain&) { EXPECT_EQ(s.BlendingMode, 26); }},
        PanelRow{"BrushOpacity", [](TfrmMain& w) { w.gbBrushOpacity->setValue(100); },
                 [](const ShapeSettings& s, TfrmMain&) { EXPECT_EQ(s.BrushOpacity, 100); }}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(WindowTest, PanelIsDisabledForTheMainShapeAndControlsCannotReachIt) {
  DrawThreeShapes();
  window->project.SetSelected(0);
  window->UpdateInterfaceState();
  for (QWidget* w : std::initializer_list<QWidget*>{window->imgColor, window->shpColor, window->cbDiffusing,
                                                    window->seDiffusingLen, window->cbeBrushStyle, window->cbeBrush,
                                                    window->cbBlendingMode, window->gbBrushOpacity})
    EXPECT_FALSE(w->isEnabled());
  // Even a programmatic change keeps the Main-Shape's fixed settings.
  window->gbBrushOpacity->setValue(10);
  EXPECT_EQ(window->project.SettingsOf(0), MainShapeDefaults());
}

TEST_F(WindowTest, ShowingAShapesSettingsFillsThePanelWithoutApplyingAnything) {
  DrawThreeShapes();
  AffineShape& sub = window->project.AffineShapes[2];
  sub.Brush = 140;
  sub.BlendingMode = 5;
  sub.BrushOpacity = 77;
  sub.Diffusing = 1;
  sub.DiffusingLen = 12;
  sub.Color = 0x00FF00;
  const AffineShape stored = sub;
  window->project.SetSelected(2);
  window->project.ProjectSaved = true;
  window->ShowShapeSettingsInPanel();
  window->UpdateInterfaceState();

  EXPECT_EQ(window->cbeBrushStyle->currentText(), "Mixed");
  EXPECT_EQ(window->cbeBrush->currentText(), "Mixed Metals 2");
  EXPECT_EQ(window->cbBlendingMode->currentIndex(), 5);
  EXPECT_EQ(window->gbBrushOpacity->value(), 77);
  EXPECT_TRUE(window->cbDiffusing->isChecked());
  EXPECT_EQ(window->seDiffusingLen->value(), 12);
  EXPECT_TRUE(window->seDiffusingLen->isEnabled());
  EXPECT_EQ(window->shpColor->Color(), 0x00FF00);
  EXPECT_EQ(window->PanelSettings(), window->project.SettingsOf(2));
  EXPECT_EQ(window->project.AffineShapes[2], stored);
  EXPECT_TRUE(window->project.ProjectSaved);
}

struct DepthRow {
  const char* Name;
  const char* Typed;
  const char* Text;  // after the last key release
  int Value;
};

class DepthFieldTest : public WindowTest, public ::testing::WithParamInterface<DepthRow> {};

TEST_P(DepthFieldTest, TypingKeepsTheFieldWithinOneToTwenty) {
  DrawThreeShapes();
  window->cbDiffusing->setChecked(true);
  window->UpdateInterfaceState();
  TSpinEdit* field = window->seDiffusingLen;
  ASSERT_TRUE(field->isEnabled());
  field->setFocus();
  field->lineEdit()->selectAll();
  QTest::keyClicks(field, GetParam().Typed);
  EXPECT_EQ(field->lineEdit()->text(), GetParam().Text);
  EXPECT_EQ(field->value(), GetParam().Value);
  EXPECT_EQ(window->project.SettingsOf(2).DiffusingLen, GetParam().Value);
}

INSTANTIATE_TEST_SUITE_P(Typing, DepthFieldTest,
                         ::testing::Values(DepthRow{"OneDigit", "7", "7", 7}, DepthRow{"TwoDigits", "15", "15", 15},
                                           DepthRow{"LetterDropped", "x9", "9", 9},
                                           DepthRow{"ZeroRaisedToOne", "0", "1", 1},
                                           DepthRow{"AboveTwentyLoweredToTwenty", "25", "20", 20}),
                         [](const ::testing::TestParamInfo<DepthRow>& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace plumavo::test
