// The size, background and export commands driven through the main window's
// menus, with the file dialogs and the program's dialogs answered by script.
#include <cstdlib>
#include <set>
#include <string>

#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QImage>
#include <QSlider>
#include <QTemporaryDir>

#include "app/background_dialog.h"
#include "app/canvas_size_dialog.h"
#include "app/dialog_commands.h"
#include "app/image_quality_dialog.h"
#include "app/number_edit.h"
#include "app/widgets.h"
#include "media/image_file.h"
#include "tests/app/app_test_main.h"

namespace plumavo::test {
namespace {

class CommandsTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    ASSERT_TRUE(dir.isValid());
    // The Background and Images folders are made beside this "program".
    window->dialogs->ProgramFolder = dir.path();
  }
  QString Path(const QString& name) const { return dir.filePath(name); }

  // A picture whose every pixel tells its own position: red and green carry
  // x, blue carries y (each mod 256, so positions up to 255 are exact).
  static QImage PositionPicture(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) img.setPixel(x, y, qRgb(x & 255, (x >> 8) * 40, y & 255));
    return img;
  }
  QString WritePicture(const QImage& img, const QString& name, const char* format = "PNG") {
    const QString file = Path(name);
    EXPECT_TRUE(img.save(file, format));
    return file;
  }
  // Imports file with the given placement (or cancels the placement dialog).
  void Import(const QString& file, std::optional<int> placement) {
    prompts->FileNames.push_back(file);
    prompts->Dialogs.push_back([placement](QDialog& d) {
      if (!placement) return false;
      static_cast<BackgroundAlignDialog&>(d).SetItemIndex(*placement);
      return true;
    });
    window->Action(CommandId::BackgroundImport)->trigger();
  }

  QTemporaryDir dir;
};

// ---------------------------------------------------------------------------
// Size and Color

using SizeScript = std::function<bool(CanvasSizeDialog&)>;

class SizeCommandTest : public CommandsTest {
 protected:
  void RunSize(SizeScript script) {
    prompts->Dialogs.push_back([script](QDialog& d) { return script(static_cast<CanvasSizeDialog&>(d)); });
    window->Action(CommandId::ProjectCanvasSize)->trigger();
  }
};

TEST_F(SizeCommandTest, TheDialogOpensWithTheProjectsValues) {
  window->project.BackColor = 0x00FF00;
  RunSize([](CanvasSizeDialog& d) {
    EXPECT_EQ(d.widthField->Text(), "480");
    EXPECT_EQ(d.heightField->Text(), "360");
    EXPECT_EQ(d.BackColor(), 0x00FF00);
    EXPECT_FALSE(d.resizeCheck->isEnabled());
    return false;
  });
  EXPECT_EQ(prompts->Log, QStringList{"dialog: Size and Color"});
}

TEST_F(SizeCommandTest, UnchangedOkAndCancelChangeNothing) {
  DrawThreeShapes();
  window->project.ProjectSaved = true;
  const std::vector<TColor32> before(window->CanvasLayer.Bits(), window->CanvasLayer.Bits() + 480 * 360);
  RunSize([](CanvasSizeDialog&) { return true; });
  RunSize([](CanvasSizeDialog& d) {
    d.widthField->SetText("640");
    return false;
  });
  EXPECT_TRUE(window->project.ProjectSaved);
  EXPECT_EQ(window->project.Width, 480);
  const std::vector<TColor32> after(window->CanvasLayer.Bits(), window->CanvasLayer.Bits() + 480 * 360);
  EXPECT_TRUE(before == after);
}

TEST_F(SizeCommandTest, ANewSizeResizesTheSurfacesAndKeepsTheShapes) {
  DrawThreeShapes();
  const Vertex corner = window->project.AffineShapes[1].Corners[0];
  window->project.ProjectSaved = true;
  RunSize([](CanvasSizeDialog& d) {
    d.widthField->SetText("200");
    d.heightField->SetText("100");
    return true;
  });
  EXPECT_EQ(window->project.Width, 200);
  EXPECT_EQ(window->project.Height, 100);
  EXPECT_EQ(window->CanvasLayer.Width(), 200);
  EXPECT_EQ(window->CanvasLayer.Height(), 100);
  EXPECT_EQ(window->imageView->size(), QSize(200, 100));
  EXPECT_FALSE(window->project.ProjectSaved);
  EXPECT_EQ(window->project.AffineShapes[1].Corners[0], corner);  // never scaled
}

TEST_F(SizeCommandTest, AColourAloneRepaintsTheViewAtTheSameSize) {
  RunSize([](CanvasSizeDialog& d) {
    d.backColorSwatch->SetColor(0x0000FF);  // red
    return true;
  });
  EXPECT_EQ(window->project.BackColor, 0x0000FF);
  EXPECT_EQ(window->project.Width, 480);
  EXPECT_FALSE(window->project.ProjectSaved);
  EXPECT_EQ(window->ViewBitmap.Pixel(10, 10), Color32(255, 0, 0));
}

TEST_F(SizeCommandTest, ResizeToFitTakesTheBackgroundImagesSize) {
  Import(WritePicture(PositionPicture(300, 200), "bg.png"), BackgroundAlignDialog::plCenter);
  ASSERT_EQ(window->project.Width, 480);
  RunSize([](CanvasSizeDialog& d) {
    EXPECT_TRUE(d.resizeCheck->isEnabled());
    d.resizeCheck->click();
    return true;
  });
  EXPECT_EQ(window->project.Width, 300);
  EXPECT_EQ(window->project.Height, 200);
  // The background now covers the canvas exactly.
  EXPECT_EQ(window->canvas.CanvasPicture.Pixel(0, 0) & 0xFFFFFFu, 0x000000u);
  EXPECT_EQ(window->canvas.CanvasPicture.Pixel(299, 199) & 0xFFFFFFu,
            QImage(PositionPicture(300, 200)).pixel(299, 199) & 0xFFFFFFu);
}

// ---------------------------------------------------------------------------
// Background image

struct ImportSizeCase {
  int width, height;
  bool usable;
};

class ImportSizeTest : public CommandsTest, public ::testing::WithParamInterface<ImportSizeCase> {};

TEST_P(ImportSizeTest, SidesOutside16To1280AreRefused) {
  const ImportSizeCase& c = GetParam();
  QImage img(c.width, c.height, QImage::Format_RGB32);
  img.fill(qRgb(10, 20, 30));
  Import(WritePicture(img, "side.png"), BackgroundAlignDialog::plCenter);
  if (c.usable) {
    EXPECT_EQ(prompts->Log, (QStringList{"open: Load Image File", "dialog: Background Image"}));
    EXPECT_EQ(window->project.BackgroundImage.Width(), c.width);
    EXPECT_EQ(window->project.BackgroundImage.Height(), c.height);
    EXPECT_FALSE(window->project.ProjectSaved);
    EXPECT_TRUE(window->Action(CommandId::BackgroundClear)->isEnabled());
  } else {
    EXPECT_EQ(prompts->Log, (QStringList{"open: Load Image File", "error: The image is not usable."}));
    EXPECT_TRUE(window->project.BackgroundImage.Empty());
    EXPECT_TRUE(window->project.ProjectSaved);
    prompts->Dialogs.clear();
  }
  EXPECT_TRUE(window->OutputImage.Empty());
}

INSTANTIATE_TEST_SUITE_P(Sides, ImportSizeTest,
                         ::testing::Values(ImportSizeCase{15, 500, false}, ImportSizeCase{1281, 100, false},
                                           ImportSizeCase{16, 16, true}, ImportSizeCase{1280, 1280, true}),
                         [](const ::testing::TestParamInfo<ImportSizeCase>& info) {
                           return "Width" + std::to_string(info.param.width) + "Height" +
                                  std::to_string(info.param.height) + (info.param.usable ? "Usable" : "Refused");
                         });

struct PlacementCase {
  int placement;
  QSize projectSize;
  QPoint imageAtCanvasOrigin;  // which image pixel lands on canvas pixel (0, 0)
};

class PlacementTest : public CommandsTest, public ::testing::WithParamInterface<PlacementCase> {};

TEST_P(PlacementTest, TheImageIsCentredOrTheCanvasTakesItsSize) {
  const PlacementCase& c = GetParam();
  const QImage img = PositionPicture(640, 480);
  Import(WritePicture(img, "photo.png"), c.placement);
  EXPECT_EQ(QSize(window->project.Width, window->project.Height), c.projectSize);
  EXPECT_EQ(QSize(window->CanvasLayer.Width(), window->CanvasLayer.Height()), c.projectSize);
  const TBitmap32& canvas = window->canvas.CanvasPicture;
  for (const QPoint p : {QPoint(0, 0), QPoint(7, 3), QPoint(c.projectSize.width() - 1, c.projectSize.height() - 1)}) {
    const QPoint src = p + c.imageAtCanvasOrigin;
    EXPECT_EQ(canvas.Pixel(p.x(), p.y()) & 0xFFFFFFu, img.pixel(src) & 0xFFFFFFu) << p.x() << "," << p.y();
  }
}

INSTANTIATE_TEST_SUITE_P(Placements, PlacementTest,
                         ::testing::Values(PlacementCase{BackgroundAlignDialog::plCenter, {480, 360}, {80, 60}},
                                           PlacementCase{BackgroundAlignDialog::plResizeCanvas, {640, 480}, {0, 0}}),
                         [](const ::testing::TestParamInfo<PlacementCase>& info) {
                           return std::string(info.param.placement == BackgroundAlignDialog::plCenter ? "Centre"
                                                                                                      : "ResizeCanvas");
                         });

TEST_F(CommandsTest, ImportRemembersThePlacementAndTheFolder) {
  const QString file = WritePicture(PositionPicture(64, 64), "tile.png");
  Import(file, BackgroundAlignDialog::plResizeCanvas);
  EXPECT_EQ(prompts->LastFolder, Path("Background"));
  EXPECT_TRUE(QDir(Path("Background")).exists());
  prompts->FileNames.push_back(file);
  bool preselected = false;
  prompts->Dialogs.push_back([&](QDialog& d) {
    preselected = static_cast<BackgroundAlignDialog&>(d).ItemIndex() == BackgroundAlignDialog::plResizeCanvas;
    return false;
  });
  window->Action(CommandId::BackgroundImport)->trigger();
  EXPECT_TRUE(preselected);
  EXPECT_EQ(prompts->LastFolder, dir.path());
}

TEST_F(CommandsTest, TheFilesContentsDecideItsFormat) {
  Import(WritePicture(PositionPicture(40, 30), "really_a_png.bmp"), BackgroundAlignDialog::plCenter);
  EXPECT_EQ(window->project.BackgroundImage.Width(), 40);
  EXPECT_FALSE(prompts->Log.join('\n').contains("error"));
}

TEST_F(CommandsTest, CancellingEitherDialogLeavesTheProjectAlone) {
  const QString file = WritePicture(PositionPicture(64, 64), "tile.png");
  prompts->FileNames.push_back("");
  window->Action(CommandId::BackgroundImport)->trigger();
  Import(file, std::nullopt);
  EXPECT_TRUE(window->project.BackgroundImage.Empty());
  EXPECT_TRUE(window->project.ProjectSaved);
  EXPECT_TRUE(Unanswered().isEmpty());
}

TEST_F(CommandsTest, ClearEmptiesTheBackgroundAndAlwaysMarksTheProjectChanged) {
  // With nothing to clear the menu item is disabled, but the command itself
  // still counts as a change.
  EXPECT_FALSE(window->Action(CommandId::BackgroundClear)->isEnabled());
  window->dialogs->BackClearClick();
  EXPECT_FALSE(window->project.ProjectSaved);
  window->project.ProjectSaved = true;
  Import(WritePicture(PositionPicture(64, 64), "tile.png"), BackgroundAlignDialog::plCenter);
  ASSERT_FALSE(window->project.BackgroundImage.Empty());
  window->project.ProjectSaved = true;
  window->Action(CommandId::BackgroundClear)->trigger();
  EXPECT_TRUE(window->project.BackgroundImage.Empty());
  EXPECT_FALSE(window->project.ProjectSaved);
  EXPECT_FALSE(window->Action(CommandId::BackgroundClear)->isEnabled());
  EXPECT_EQ(window->canvas.CanvasPicture.Pixel(200, 150), Color32(255, 255, 255));  // the white solid canvas again
}

// ---------------------------------------------------------------------------
// Image export

class ExportTest : public CommandsTest {
 protected:
  void SetUp() override {
    CommandsTest::SetUp();
    DrawThreeShapes();
  }
  // Exports to name with the filter at index; quality answers the JPEG dialog
  // (nullopt cancels it).
  void Export(const QString& name, int filterIndex, std::optional<int> quality = 90) {
    prompts->FileNames.push_back(name.isEmpty() ? QString() : Path(name));
    prompts->FilterIndexes.push_back(filterIndex);
    prompts->Dialogs.push_back([quality](QDialog& d) {
      if (!quality) return false;
      static_cast<ImageQualityDialog&>(d).ImageQuality->setValue(*quality);
      return true;
    });
    window->Action(CommandId::FileExport)->trigger();
  }
};

struct FormatCase {
  int filterIndex;
  const char* ext;
  int tolerance;  // largest mean channel difference accepted on read-back
};

class ExportFormatTest : public ExportTest, public ::testing::WithParamInterface<FormatCase> {};

TEST_P(ExportFormatTest, WritesThePictureThatReadsBack) {
  const FormatCase& c = GetParam();
  const QString name = QString("picture.") + c.ext;
  Export(name, c.filterIndex);
  ASSERT_TRUE(QFile::exists(Path(name))) << prompts->Log.join('\n').toStdString();
  EXPECT_EQ(window->dialogs->ExportDefaultExt, c.ext);
  EXPECT_EQ(prompts->Log.contains("dialog: Image Compression"), c.filterIndex == 2);
  EXPECT_FALSE(prompts->Log.join('\n').contains("error"));
  EXPECT_TRUE(window->OutputImage.Empty());

  TBitmap32 back;
  ASSERT_TRUE(LoadImageFile(back, Path(name).toStdString(), 0));
  const TBitmap32& layer = window->CanvasLayer;
  ASSERT_EQ(back.Width(), layer.Width());
  ASSERT_EQ(back.Height(), layer.Height());
  long long diff = 0;
  std::set<TColor32> colours;
  for (int y = 0; y < layer.Height(); ++y)
    for (int x = 0; x < layer.Width(); ++x) {
      const TColor32 a = layer.Pixel(x, y), b = back.Pixel(x, y);
      colours.insert(b & 0xFFFFFFu);
      for (int shift : {0, 8, 16}) diff += std::abs(int((a >> shift) & 255) - int((b >> shift) & 255));
    }
  const double mean = double(diff) / (3.0 * layer.Width() * layer.Height());
  EXPECT_LE(mean, c.tolerance);
  if (c.filterIndex == 3) {
    EXPECT_LE(colours.size(), 256u);
  }
  EXPECT_GT(colours.size(), 2u);  // the drawing is there, not just the canvas
}

INSTANTIATE_TEST_SUITE_P(Filters, ExportFormatTest,
                         ::testing::Values(FormatCase{1, "bmp", 0}, FormatCase{2, "jpg", 4}, FormatCase{3, "gif", 6},
                                           FormatCase{4, "png", 0}, FormatCase{5, "tif", 0}, FormatCase{6, "tga", 0},
                                           FormatCase{7, "ppm", 0}),
                         [](const ::testing::TestParamInfo<FormatCase>& info) { return std::string(info.param.ext); });

// A typed extension that names a format wins over the filter, and only a
// JPEG asks for its quality.
TEST_F(ExportTest, TheTypedExtensionDecidesTheFormatAndOnlyJpegAsksTheQuality) {
  Export("typed.png", 2, 40);
  QFile f(Path("typed.png"));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.read(4), QByteArray("\x89PNG"));
  EXPECT_FALSE(prompts->Log.contains("dialog: Image Compression"));
  EXPECT_EQ(window->dialogs->ExportDefaultExt, "png");
  prompts->Dialogs.clear();
  Export("typed.jpeg", 4, 40);
  EXPECT_TRUE(prompts->Log.contains("dialog: Image Compression"));
  QFile jpeg(Path("typed.jpeg"));
  ASSERT_TRUE(jpeg.open(QIODevice::ReadOnly));
  EXPECT_EQ(jpeg.read(3), QByteArray("\xFF\xD8\xFF"));
}

TEST_F(ExportTest, CancelInEitherDialogWritesNothing) {
  Export("", 1);
  prompts->Dialogs.clear();  // the quality dialog was never asked
  Export("cancelled.jpg", 2, std::nullopt);
  EXPECT_FALSE(QFile::exists(Path("cancelled.jpg")));
  EXPECT_EQ(prompts->Log, (QStringList{"save: Save Image As", "save: Save Image As", "dialog: Image Compression"}));
  EXPECT_TRUE(QDir(dir.path()).entryList({"*.jpg", "*.bmp"}, QDir::Files).isEmpty());
}

TEST_F(ExportTest, TheQualityDialogOpensAt90EveryTime) {
  std::vector<int> opened;
  for (int chosen : {50, 70}) {
    prompts->FileNames.push_back(Path(QString("q%1.jpg").arg(chosen)));
    prompts->FilterIndexes.push_back(2);
    prompts->Dialogs.push_back([&opened, chosen](QDialog& d) {
      auto& q = static_cast<ImageQualityDialog&>(d);
      opened.push_back(q.Quality());
      EXPECT_EQ(q.imageQualityGroup->title(), "JPEG Quality: 90%");
      q.ImageQuality->setValue(chosen);
      EXPECT_EQ(q.imageQualityGroup->title(), QString("JPEG Quality: %1%").arg(chosen));
      return true;
    });
    window->Action(CommandId::FileExport)->trigger();
  }
  EXPECT_EQ(opened, (std::vector<int>{90, 90}));
  // A lower quality makes a smaller file.
  EXPECT_LT(QFileInfo(Path("q50.jpg")).size(), QFileInfo(Path("q70.jpg")).size());
}

TEST_F(ExportTest, AFailedExportSaysSo) {
  Export("no/such/folder/picture.bmp", 1);
  EXPECT_FALSE(QFile::exists(Path("no/such/folder/picture.bmp")));
  EXPECT_TRUE(prompts->Log.contains("error: Cannot export the image."));
  EXPECT_TRUE(window->OutputImage.Empty());
}

TEST_F(ExportTest, ProposesTheProjectsNameAndRemembersTheFolderAndFilter) {
  Export("", 1);
  ASSERT_TRUE(prompts->LastSave);
  EXPECT_EQ(prompts->LastSave->FileName, "Untitled");
  EXPECT_EQ(prompts->LastSave->Folder, Path("Images"));
  EXPECT_EQ(prompts->LastSave->DefaultExt, "bmp");
  EXPECT_EQ(prompts->LastSave->FilterIndex, 1);

  ASSERT_TRUE(QDir(dir.path()).mkdir("out"));
  Export("out/fern.png", 4);
  window->project.ProjectFileName = "/somewhere/else/fern.plv";
  Export("", 1);
  EXPECT_EQ(prompts->LastSave->FileName, "fern");
  EXPECT_EQ(prompts->LastSave->Folder, Path("out"));
  EXPECT_EQ(prompts->LastSave->DefaultExt, "png");
  EXPECT_EQ(prompts->LastSave->FilterIndex, 4);
}

}  // namespace
}  // namespace plumavo::test
