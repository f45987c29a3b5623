// Files from anywhere that crash or hang the image library, opened through
// the window as a user would: the program stays up, says so, and the project
// is as it was.
#include <QComboBox>
#include <QFile>
#include <QTemporaryDir>

#include "tests/app/app_test_main.h"

namespace plumavo::test {
namespace {

const QString kDamaged = QString(PLUMAVO_SOURCE_DIR) + "/tests/media/damaged/";

struct DamagedRow {
  const char* Name;
  const char* Fixture;
};

class DamagedFileTest : public WindowTest, public ::testing::WithParamInterface<DamagedRow> {
 protected:
  void SetUp() override {
    qputenv("PLUMAVO_DECODER", QByteArray(PLUMAVO_BINARY_DIR) + "/bin/plumavo-decode");
    WindowTest::SetUp();
    DrawThreeShapes();
    window->project.ProjectSaved = true;
  }
  QString Fixture() const { return kDamaged + GetParam().Fixture; }
};

TEST_P(DamagedFileTest, AsBackgroundImageGivesTheMessageAndChangesNothing) {
  const TBitmap32 before = window->CanvasLayer;
  prompts->FileNames.push_back(Fixture());
  window->Action(CommandId::BackgroundImport)->trigger();
  EXPECT_TRUE(prompts->Log.contains("error: The image is not usable.")) << prompts->Log.join("\n").toStdString();
  EXPECT_TRUE(window->project.BackgroundImage.Empty());
  EXPECT_TRUE(window->project.ProjectSaved);
  EXPECT_EQ(window->project.VertexCount, 9);
  EXPECT_TRUE(std::equal(before.Bits(), before.Bits() + 480 * 360, window->CanvasLayer.Bits()));
}

TEST_P(DamagedFileTest, AsTextureFallsBackToThePlainCanvasWithAMessage) {
  QTemporaryDir textures;
  ASSERT_TRUE(QFile::copy(Fixture(), textures.filePath("Rock 1.jpg")));
  window->canvas.TextureFolder = textures.path().toStdString() + "/";
  const int rock = window->canvasStyleList->findText("Rock 1");
  ASSERT_GE(rock, csFirstTexture);
  window->canvasStyleList->setCurrentIndex(rock);
  emit window->canvasStyleList->activated(rock);
  const QString expected = "error: The texture image file:\n" + textures.filePath("Rock 1.jpg") + "\ncannot be read.";
  EXPECT_TRUE(prompts->Log.contains(expected)) << prompts->Log.join("\n").toStdString();
  EXPECT_EQ(window->project.CanvasStyle, csSolid);
  EXPECT_EQ(window->canvasStyleList->currentIndex(), csSolid);
  EXPECT_EQ(window->project.VertexCount, 9);
}

INSTANTIATE_TEST_SUITE_P(Files, DamagedFileTest,
                         ::testing::Values(DamagedRow{"PsdThatCrashesTheDecoder", "crashes-decoder.psd"},
                                           DamagedRow{"LbmThatNeverFinishes", "hangs-decoder.lbm"}),
                         [](const ::testing::TestParamInfo<DamagedRow>& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace plumavo::test
