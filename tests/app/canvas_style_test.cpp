// The canvas style box with its dialogs answered through scripted prompts:
// each choice either changes the canvas and the project, or puts the list back
// and leaves everything as it was.
#include <cstdlib>
#include <functional>
#include <vector>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QSlider>
#include <QTemporaryDir>

#include "app/gradient_dialog.h"
#include "tests/app/app_test_main.h"

namespace plumavo::test {
namespace {

struct StyleRow {
  const char* Name;
  int Choose;
  std::function<void(ScriptedPrompter&)> Script;
  int ExpectedStyle;  // list index and project style afterwards
  bool Changed;       // project marked unsaved and canvas recomposed
  std::function<void(MainWindow&)> Check;
};

class CanvasStyleTest : public WindowTest, public ::testing::WithParamInterface<StyleRow> {};

void ChooseStyle(MainWindow& w, int index) {
  w.canvasStyleList->setCurrentIndex(index);
  emit w.canvasStyleList->activated(index);
}

TEST_P(CanvasStyleTest, ChoiceOrCancel) {
  const StyleRow& row = GetParam();
  QTemporaryDir noTextures;
  window->canvas.TextureFolder = noTextures.path().toStdString() + "/";
  // Start from Grid so that a cancelled choice has somewhere to return to.
  ChooseStyle(*window, csGrid);
  ASSERT_EQ(window->project.CanvasStyle, csGrid);
  ASSERT_EQ(window->CanvasLayer.Pixel(99, 0), Color32(80, 75, 70));
  window->project.ProjectSaved = true;
  const TBitmap32 before = window->canvas.CanvasPicture;
  prompts->Log.clear();

  row.Script(*prompts);
  ChooseStyle(*window, row.Choose);

  EXPECT_EQ(window->canvasStyleList->currentIndex(), row.ExpectedStyle);
  EXPECT_EQ(window->project.CanvasStyle, row.ExpectedStyle);
  EXPECT_EQ(window->project.ProjectSaved, !row.Changed);
  const TBitmap32& after = window->canvas.CanvasPicture;
  EXPECT_EQ(std::equal(before.Bits(), before.Bits() + 480 * 360, after.Bits()), !row.Changed);
  // What the view shows is the composed canvas (nothing drawn yet).
  EXPECT_TRUE(std::equal(after.Bits(), after.Bits() + 480 * 360, window->CanvasLayer.Bits()));
  EXPECT_EQ(Unanswered(), QStringList());
  if (row.Check) row.Check(*window);
}

INSTANTIATE_TEST_SUITE_P(
    Styles, CanvasStyleTest,
    ::testing::Values(
        StyleRow{"SolidChosen", csSolid, [](ScriptedPrompter& p) { p.Colors.push_back(0x00FF00); }, csSolid, true,
                 [](MainWindow& w) {
                   EXPECT_EQ(w.project.CanvasColor, 0x00FF00);
                   EXPECT_EQ(w.CanvasLayer.Pixel(5, 5), 0xFF00FF00u);
                   EXPECT_TRUE(w.canvas.TextureBitmap.Empty());
                 }},
        StyleRow{"SolidCancelled", csSolid, [](ScriptedPrompter& p) { p.Colors.push_back(std::nullopt); }, csGrid,
                 false, [](MainWindow& w) { EXPECT_EQ(w.project.CanvasColor, 0xFFFFFF); }},
        StyleRow{"GradientDefaultsConfirmed", csGradient,
                 [](ScriptedPrompter& p) {
                   p.Dialogs.push_back([](QDialog& d) {
                     auto& g = static_cast<GradientDialog&>(d);
                     g.gradientStyleList->setCurrentIndex(9);  // "Linear - Horizontal"
                     g.shiftSlider->setValue(-30);
                     return true;
                   });
                 },
                 csGradient, true,
                 [](MainWindow& w) {
                   EXPECT_EQ(w.project.GradientStyle, 9);
                   EXPECT_EQ(w.project.GradientShift, -30);
                   // A horizontal ramp: every row of the canvas is the same.
                   for (int x = 0; x < 480; x += 40) EXPECT_EQ(w.CanvasLayer.Pixel(x, 0), w.CanvasLayer.Pixel(x, 359));
                   EXPECT_NE(w.CanvasLayer.Pixel(0, 0), w.CanvasLayer.Pixel(479, 0));
                 }},
        StyleRow{"GradientCancelled", csGradient,
                 [](ScriptedPrompter& p) {
                   p.Dialogs.push_back([](QDialog& d) {
                     static_cast<GradientDialog&>(d).rotationSlider->setValue(50);
                     return false;
                   });
                 },
                 csGrid, false, [](MainWindow& w) { EXPECT_EQ(w.project.GradientRotation, 0); }},
        StyleRow{"MissingTextureFallsBackToSolid", csFirstTexture, [](ScriptedPrompter&) {}, csSolid, true,
                 [](MainWindow& w) {
                   auto& log = static_cast<ScriptedPrompter&>(w.Prompts()).Log;
                   ASSERT_EQ(log.size(), 1);
                   EXPECT_TRUE(log[0].startsWith("error: The texture image file:\n")) << log[0].toStdString();
                   EXPECT_TRUE(log[0].endsWith("Cement 1.jpg\ndoes not exist.")) << log[0].toStdString();
                 }}),
    [](const auto& info) { return std::string(info.param.Name); });

// Each texture's icon in the list is that texture shrunk, not the grey
// stand-in and not its neighbour's: the icons come prepared with the program,
// so a texture added, renamed or repainted without them would show wrong ones.
TEST_F(WindowTest, TextureIconsShowTheirOwnTextures) {
  std::vector<QImage> shrunk;  // every texture file, shrunk as the icons were
  for (int i = csFirstTexture; i < window->canvasStyleList->count(); ++i) {
    const QString path = QString::fromStdString(window->canvas.TexturePath(uint16_t(i)));
    const QImage texture(path);
    ASSERT_FALSE(texture.isNull()) << "cannot read " << path.toStdString();
    shrunk.push_back(texture.scaled(16, 16, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                         .convertToFormat(QImage::Format_RGB32));
  }
  // The mean difference of one channel between two 16 x 16 pictures.
  auto difference = [](const QImage& a, const QImage& b) {
    double sum = 0;
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x) {
        const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
        sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
      }
    return sum / (16 * 16 * 3);
  };
  for (size_t t = 0; t < shrunk.size(); ++t) {
    const int item = int(csFirstTexture + t);
    const std::string name = window->canvasStyleList->itemText(item).toStdString();
    const QImage icon =
        window->canvasStyleList->itemIcon(item).pixmap(16, 16).toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(icon.size(), QSize(16, 16)) << name;
    // The icons were shrunk from the same files; only the JPEG decoders may
    // differ, by a level or two.
    const double own = difference(icon, shrunk[t]);
    EXPECT_LT(own, 3.0) << name << "'s icon is not its texture";
    for (size_t other = 0; other < shrunk.size(); ++other) {
      if (other == t) continue;
      EXPECT_LT(own, difference(icon, shrunk[other]))
          << name << "'s icon looks more like "
          << window->canvasStyleList->itemText(int(csFirstTexture + other)).toStdString();
    }
  }
}

TEST_F(WindowTest, GradientEditorIsLoadedFromTheProject) {
  window->project.GradientColorBegin = 0x0000FF;
  window->project.GradientStyle = 21;
  window->project.GradientRotation = -40;
  TGradientSettings seen;
  prompts->Dialogs.push_back([&](QDialog& d) {
    auto& g = static_cast<GradientDialog&>(d);
    seen = g.Settings();
    EXPECT_EQ(g.rotationLabel->text(), "-40%");
    EXPECT_EQ(g.Gradient->Gradient().Style(), gsDiamond);
    return false;
  });
  ChooseStyle(*window, csGradient);
  EXPECT_EQ(seen, (TGradientSettings{0x0000FF, 0xFFFF00, 21, -40, 0}));
}

TEST_F(WindowTest, CanvasOpacityIsAViewSettingOnly) {
  window->project.ProjectSaved = true;
  window->canvasOpacitySlider->setValue(0);
  EXPECT_EQ(window->CanvasLayer.MasterAlpha, 0);
  EXPECT_TRUE(window->project.ProjectSaved);
  // With opacity 0 the view shows only BackColor.
  window->project.BackColor = 0x0000FF;
  window->ComposeCanvas();
  const QImage shown = window->imageView->grab().toImage();
  EXPECT_EQ(shown.pixel(10, 10), qRgb(255, 0, 0));
  // A new project returns it to 255.
  window->ResetProject(480, 360, true, ShapeMode::Affine);
  EXPECT_EQ(window->canvasOpacitySlider->value(), 255);
  EXPECT_EQ(window->CanvasLayer.MasterAlpha, 255);
}

}  // namespace
}  // namespace plumavo::test
