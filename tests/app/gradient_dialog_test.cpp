// The gradient editor on its own: live preview, labels, colour swatches and
// "&Default", with the colour dialog answered by scripted prompts.
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

#include "app/gradient_dialog.h"
#include "app/widgets.h"
#include "tests/app/app_test_main.h"

namespace plumavo::test {
namespace {

class GradientDialogTest : public ::testing::Test {
 protected:
  void SetUp() override { App(); }
  ScriptedPrompter prompts;
  GradientDialog dialog{prompts};
};

TEST_F(GradientDialogTest, ControlsAsTheyOpen) {
  EXPECT_EQ(dialog.windowTitle(), "Gradient Editor");
  EXPECT_EQ(dialog.gradientStyleList->count(), 23);
  EXPECT_EQ(dialog.gradientStyleList->itemText(22), "Butterfy");
  EXPECT_EQ(dialog.defaultButton->text(), "&Default");
  EXPECT_TRUE(dialog.okButton->isDefault());
  EXPECT_EQ(dialog.Settings(), (TGradientSettings{0x800000, 0xFFFF00, 10, 0, 0}));
  EXPECT_EQ(dialog.Gradient->size(), QSize(140, 100));
}

TEST_F(GradientDialogTest, PreviewFollowsEveryControl) {
  TGradient& g = dialog.Gradient->Gradient();
  dialog.gradientStyleList->setCurrentIndex(9);
  EXPECT_EQ(g.Style(), gsLinearH);
  EXPECT_EQ(g.Pattern().Width(), 256);
  EXPECT_EQ(g.Pattern().Height(), 1);
  dialog.rotationSlider->setValue(-35);
  EXPECT_EQ(dialog.rotationLabel->text(), "-35%");
  EXPECT_EQ(g.Rotation(), -35);
  dialog.shiftSlider->setValue(100);
  EXPECT_EQ(dialog.shiftLabel->text(), "100%");
  // Shift 100 makes the ramp flat.
  EXPECT_EQ(g.Pattern().Pixel(0, 0), g.Pattern().Pixel(255, 0));
}

TEST_F(GradientDialogTest, SwatchTakesAChosenColourAndIgnoresACancel) {
  prompts.Colors = {0x00FF00, std::nullopt};
  QTest::mouseClick(dialog.colorBeginSwatch, Qt::LeftButton);
  EXPECT_EQ(dialog.colorBeginSwatch->Color(), 0x00FF00);
  EXPECT_EQ(dialog.Gradient->Gradient().ColorBegin(), 0x00FF00);
  QTest::mouseClick(dialog.colorEndSwatch, Qt::RightButton);  // any button opens it
  EXPECT_EQ(dialog.colorEndSwatch->Color(), 0xFFFF00);
  EXPECT_EQ(prompts.Log, QStringList({"colour 800000", "colour ffff00"}));
}

TEST_F(GradientDialogTest, DefaultRestoresTheVerticalNavyToAquaRamp) {
  dialog.Load({0x123456, 0x654321, 3, 80, -20});
  EXPECT_EQ(dialog.rotationLabel->text(), "80%");
  QTest::mouseClick(dialog.defaultButton, Qt::LeftButton);
  EXPECT_EQ(dialog.Settings(), (TGradientSettings{0x800000, 0xFFFF00, 10, 0, 0}));
  EXPECT_EQ(dialog.shiftLabel->text(), "0%");
  const TBitmap32& p = dialog.Gradient->Gradient().Pattern();
  ASSERT_EQ(p.Width(), 1);
  ASSERT_EQ(p.Height(), 256);
  EXPECT_EQ(p.Pixel(0, 0) & 0xFFFFFFu, 0x000080u);    // navy at the top
  EXPECT_EQ(p.Pixel(0, 255) & 0xFFFFFFu, 0x00FFFFu);  // aqua at the bottom
}

}  // namespace
}  // namespace plumavo::test
