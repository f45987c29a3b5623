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
  std::function<void(MainWindow&)> Act;
  std::function<void(const ShapeSettings& got, MainWindow&)> Check;
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
    ::testing::Values(PanelRow{"PalettePick",
                               [](MainWindow& w) {
                                 QTest::mouseClick(w.colorPicture, Qt::LeftButton, Qt::NoModifier, QPoint(0, 31));
                               },
                               [](const ShapeSettings& s, MainWindow& w) {
                                 EXPECT_EQ(s.Color, w.colorPicture->ColorAt(QPoint(0, 31)));
                                 EXPECT_EQ(w.colorSwatch->Color(), s.Color);
                                 EXPECT_EQ(s.Color & 0xFF,
                                           0xFF);  // the middle rows are fully saturated: red at the left
                               }},
                      PanelRow{"SwatchDialog",
                               [](MainWindow& w) {
                                 static_cast<ScriptedPrompter&>(w.Prompts()).Colors.push_back(0x123456);
                                 QTest::mouseClick(w.colorSwatch, Qt::LeftButton);
                               },
                               [](const ShapeSettings& s, MainWindow&) { EXPECT_EQ(s.Color, 0x123456); }},
                      PanelRow{"Diffusing",
                               [](MainWindow& w) {
                                 QTest::mouseClick(w.diffusingCheck, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
                               },
                               [](const ShapeSettings& s, MainWindow& w) {
                                 EXPECT_TRUE(s.Diffusing);
                                 EXPECT_TRUE(w.diffusingDepthField->isEnabled());
                               }},
                      PanelRow{"DiffusingDepth", [](MainWindow& w) { w.diffusingDepthField->setValue(7); },
                               [](const ShapeSettings& s, MainWindow&) { EXPECT_EQ(s.DiffusingLen, 7); }},
                      PanelRow{"BrushCategory", [](MainWindow& w) { Choose(w.brushStyleList, 19); },
                               [](const ShapeSettings& s, MainWindow& w) {
                                 EXPECT_EQ(s.Brush, 224);
                                 EXPECT_EQ(w.brushList->count(), 6);
                                 EXPECT_EQ(w.brushList->currentText(), "Baseball");
                               }},
                      PanelRow{"Brush", [](MainWindow& w) { Choose(w.brushList, 2); },
                               [](const ShapeSettings& s, MainWindow&) { EXPECT_EQ(s.Brush, 2); }},
                      PanelRow{"BlendMode", [](MainWindow& w) { Choose(w.blendingModeList, 26); },
                               [](const ShapeSettings& s, MainWindow&) { EXPECT_EQ(s.BlendingMode, 26); }},
                      PanelRow{"BrushOpacity", [](MainWindow& w) { w.brushOpacitySlider->setValue(100); },
                               [](const ShapeSettings& s, MainWindow&) { EXPECT_EQ(s.BrushOpacity, 100); }}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(WindowTest, PanelIsDisabledForTheMainShapeAndControlsCannotReachIt) {
  DrawThreeShapes();
  window->project.SetSelected(0);
  window->UpdateInterfaceState();
  for (QWidget* w : std::initializer_list<QWidget*>{
           window->colorPicture, window->colorSwatch, window->diffusingCheck, window->diffusingDepthField,
           window->brushStyleList, window->brushList, window->blendingModeList, window->brushOpacitySlider})
    EXPECT_FALSE(w->isEnabled());
  // Even a programmatic change keeps the Main-Shape's fixed settings.
  window->brushOpacitySlider->setValue(10);
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

  EXPECT_EQ(window->brushStyleList->currentText(), "Mixed");
  EXPECT_EQ(window->brushList->currentText(), "Mixed Metals 2");
  EXPECT_EQ(window->blendingModeList->currentIndex(), 5);
  EXPECT_EQ(window->brushOpacitySlider->value(), 77);
  EXPECT_TRUE(window->diffusingCheck->isChecked());
  EXPECT_EQ(window->diffusingDepthField->value(), 12);
  EXPECT_TRUE(window->diffusingDepthField->isEnabled());
  EXPECT_EQ(window->colorSwatch->Color(), 0x00FF00);
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
  window->diffusingCheck->setChecked(true);
  window->UpdateInterfaceState();
  SpinEdit* field = window->diffusingDepthField;
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
