// "Size and Color" on its own: the digit-only width and height fields, their
// repair when left, the range check at OK, "Resize to Fit the Background
// Image" and the colour pickers.
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

#include "app/canvas_size_dialog.h"
#include "app/number_edit.h"
#include "app/widgets.h"
#include "tests/app/app_test_main.h"

namespace plumavo::test {
namespace {

class CanvasSizeDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    dialog.Load(480, 360, 0xFFFFFF, QSize());
    dialog.show();
    QApplication::processEvents();
  }
  // Replaces the field's text and moves the focus away from it.
  void TypeAndLeave(NumberEdit* field, const QString& text) {
    field->setFocus();
    field->SetText(text);
    dialog.cancelButton->setFocus();
  }
  ScriptedPrompter prompts;
  CanvasSizeDialog dialog{[this]() -> Prompter& { return prompts; }};
};

TEST_F(CanvasSizeDialogTest, TypingKeepsDigitsOnlyAndAtMostFour) {
  dialog.widthField->setFocus();
  dialog.widthField->selectAll();
  QTest::keyClicks(dialog.widthField, "1a2-3 45");
  EXPECT_EQ(dialog.widthField->Text(), "1234");
}

struct LeaveCase {
  const char* Name;
  const char* typed;
  const char* widthAfter;  // the height field behaves alike with 360
};

class LeaveFieldTest : public CanvasSizeDialogTest, public ::testing::WithParamInterface<LeaveCase> {};

TEST_P(LeaveFieldTest, MalformedTextFallsBackToTheDefault) {
  TypeAndLeave(dialog.widthField, GetParam().typed);
  EXPECT_EQ(dialog.widthField->Text(), GetParam().widthAfter);
  TypeAndLeave(dialog.heightField, GetParam().typed);
  const QString heightAfter = QString(GetParam().widthAfter) == "480" ? "360" : GetParam().widthAfter;
  EXPECT_EQ(dialog.heightField->Text(), heightAfter);
}

INSTANTIATE_TEST_SUITE_P(Texts, LeaveFieldTest,
                         ::testing::Values(LeaveCase{"LeadingZeros", "0012", "480"}, LeaveCase{"Empty", "", "480"},
                                           LeaveCase{"Zero", "0", "0"},
                                           // out of range, left for OK to report
                                           LeaveCase{"BelowRangeKept", "12", "12"},
                                           LeaveCase{"AboveRangeKept", "2000", "2000"},  // likewise
                                           LeaveCase{"InRange", "640", "640"}),
                         [](const ::testing::TestParamInfo<LeaveCase>& info) { return std::string(info.param.Name); });

struct OkCase {
  const char* Name;
  const char* width;
  const char* height;
  bool accepted;
  const char* focusField;  // "width" or "height" when refused
};

class OkCheckTest : public CanvasSizeDialogTest, public ::testing::WithParamInterface<OkCase> {};

TEST_P(OkCheckTest, BothFieldsAreCheckedInOrder) {
  const OkCase& c = GetParam();
  dialog.widthField->SetText(c.width);
  dialog.heightField->SetText(c.height);
  dialog.OkButtonClick();
  EXPECT_EQ(dialog.result() == QDialog::Accepted, c.accepted);
  if (c.accepted) {
    EXPECT_TRUE(prompts.Log.isEmpty()) << prompts.Log.join('\n').toStdString();
    return;
  }
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(prompts.Log, QStringList{"warning: An number between 16 and 1280 is required."});
  NumberEdit* field = QString(c.focusField) == "width" ? dialog.widthField : dialog.heightField;
  EXPECT_TRUE(field->hasFocus());
  EXPECT_EQ(field->lineEdit()->selectedText(), field->Text());
}

INSTANTIATE_TEST_SUITE_P(Values, OkCheckTest,
                         ::testing::Values(OkCase{"BothAtTheLimits", "16", "1280", true, ""},
                                           OkCase{"WidthBelowRange", "12", "360", false, "width"},
                                           OkCase{"WidthAboveRange", "2000", "360", false, "width"},
                                           OkCase{"WidthEmpty", "", "360", false, "width"},
                                           OkCase{"HeightAboveRange", "480", "1281", false, "height"},
                                           OkCase{"FirstBadFieldOnly", "15", "0", false, "width"}),
                         [](const ::testing::TestParamInfo<OkCase>& info) { return std::string(info.param.Name); });

TEST_F(CanvasSizeDialogTest, EnterPressesOkWithTheTextAsTyped) {
  dialog.widthField->setFocus();
  dialog.widthField->SetText("2000");
  QTest::keyClick(dialog.widthField, Qt::Key_Return);
  EXPECT_EQ(prompts.Log, QStringList{"warning: An number between 16 and 1280 is required."});
  EXPECT_EQ(dialog.widthField->Text(), "2000");
  EXPECT_TRUE(dialog.isVisible());
}

TEST_F(CanvasSizeDialogTest, ResizeToFitTakesTheBackgroundSize) {
  EXPECT_FALSE(dialog.resizeCheck->isEnabled());  // no background image
  dialog.Load(480, 360, 0xFFFFFF, QSize(640, 480));
  ASSERT_TRUE(dialog.resizeCheck->isEnabled());
  EXPECT_FALSE(dialog.resizeCheck->isChecked());
  dialog.resizeCheck->click();
  EXPECT_EQ(dialog.WidthValue(), 640);
  EXPECT_EQ(dialog.HeightValue(), 480);
  dialog.widthField->SetText("500");
  dialog.resizeCheck->click();  // unchecking changes nothing
  EXPECT_EQ(dialog.WidthValue(), 500);
}

TEST_F(CanvasSizeDialogTest, SwatchAndPaletteSetTheColour) {
  prompts.Colors = {0x123456};
  QTest::mouseClick(dialog.backColorSwatch, Qt::RightButton);  // any button opens the colour dialog
  EXPECT_EQ(dialog.BackColor(), 0x123456);
  EXPECT_EQ(prompts.Log, QStringList{"colour ffffff"});
  const QPoint pos(100, 20);
  QTest::mouseClick(dialog.backColorPicture, Qt::LeftButton, Qt::NoModifier, pos);
  EXPECT_EQ(dialog.BackColor(), dialog.backColorPicture->ColorAt(pos));
  EXPECT_NE(dialog.BackColor(), 0x123456);
}

}  // namespace
}  // namespace plumavo::test
