// What the desktop hands the program: project files dropped on the window,
// and where the file dialogs start when the program cannot write beside
// itself.
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

#include "app/user_folders.h"
#include "tests/app/settings_window_fixture.h"

namespace plumavo::test {
namespace {

struct DropRow {
  const char* Name;
  const char* File;                    // dropped, relative to the test folder
  bool Unsaved;                        // the window holds unsaved work
  std::optional<PromptAnswer> Answer;  // to the save question, when asked
  bool Opens;
};

class DropTest : public SettingsWindowTest, public ::testing::WithParamInterface<DropRow> {};

TEST_P(DropTest, ProjectFileOpensAsFileOpenWould) {
  const DropRow& r = GetParam();
  Start();
  WriteProject("dropped.plv", 320, 200, ShapeMode::Projective);
  WriteBytes("picture.png", "not a project");
  if (r.Unsaved) {
    window->project.ProjectSaved = false;
    window->project.VertexCount = 0;
  }
  if (r.Answer) prompts->Questions.push_back(*r.Answer);
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(Path(r.File))});
  QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(window.get(), &enter);
  EXPECT_EQ(enter.isAccepted(), QString(r.File).endsWith(".plv"));
  QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(window.get(), &drop);
  QApplication::processEvents();  // the file opens once the drop is over
  EXPECT_EQ(window->project.Width == 320 && window->project.Mode == ShapeMode::Projective, r.Opens);
  EXPECT_EQ(window->windowTitle() == "Plumavo PRO - dropped.plv", r.Opens) << window->windowTitle().toStdString();
  EXPECT_TRUE(prompts->Log.filter("unanswered").isEmpty()) << prompts->Log.join("\n").toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Drops, DropTest,
    ::testing::Values(DropRow{"SavedWorkIsReplaced", "dropped.plv", false, std::nullopt, true},
                      DropRow{"UnsavedWorkIsDiscardedWhenTheUserSaysNo", "dropped.plv", true, PromptAnswer::No, true},
                      DropRow{"CancelKeepsTheWork", "dropped.plv", true, PromptAnswer::Cancel, false},
                      DropRow{"OtherFilesAreNotTaken", "picture.png", false, std::nullopt, false}),
    [](const ::testing::TestParamInfo<DropRow>& info) { return std::string(info.param.Name); });

// A folder beside the program that cannot be made (as under a read-only
// prefix) sends the dialogs to a Plumavo folder in the user's own place.
TEST(StartFolders, FallBackToTheUsersPlaceWhenNothingCanBeWrittenBesideTheProgram) {
  App();
  QTemporaryDir home;
  const QByteArray savedHome = qgetenv("HOME");
  qputenv("HOME", home.path().toLocal8Bit());
  const QString writable = home.filePath("portable");
  QDir().mkpath(writable);
  struct Row {
    QString Program;
    QStandardPaths::StandardLocation Place;
    QString Expected;
  };
  for (const Row& r : {Row{"/proc/plumavo-not-writable", QStandardPaths::DocumentsLocation,
                           QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) + "/Plumavo"},
                       Row{"/proc/plumavo-not-writable", QStandardPaths::MoviesLocation,
                           QStandardPaths::writableLocation(QStandardPaths::MoviesLocation) + "/Plumavo"},
                       Row{writable, QStandardPaths::DocumentsLocation, writable + "/Projects"}}) {
    const QString folder = StartFolder(r.Program, "Projects", r.Place);
    EXPECT_EQ(folder, r.Expected);
    EXPECT_TRUE(QDir(folder).exists()) << folder.toStdString();
  }
  qputenv("HOME", savedHome);
}

}  // namespace
}  // namespace plumavo::test
