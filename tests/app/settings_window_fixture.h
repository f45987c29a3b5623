// A main window with scripted prompts, its settings in an INI file of the
// test's own (which a test may fill before the window is first shown) and its
// program folder in a temporary directory.
#pragma once

#include <memory>

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include "app/file_commands.h"
#include "model/project_file.h"
#include "tests/app/app_test_main.h"

namespace plumavo::test {

class SettingsWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    ASSERT_TRUE(dir.isValid());
    savedVariable_ = qgetenv(kSettingsFileVariable);
    qputenv(kSettingsFileVariable, SettingsFile().toLocal8Bit());
  }
  void TearDown() override {
    if (window) window->project.ProjectSaved = true;  // leave without the save question
    window.reset();
    qputenv(kSettingsFileVariable, savedVariable_);
  }

  // Builds and shows the window; commandLine is what followed the program name.
  void Start(const QStringList& commandLine = {}) {
    window = std::make_unique<MainWindow>();
    auto p = std::make_unique<ScriptedPrompter>();
    prompts = p.get();
    window->SetPrompts(std::move(p));
    files = window->files;
    ASSERT_NE(files, nullptr);
    files->ProgramFolder = dir.filePath("program");
    files->CommandLine = commandLine;
    window->show();
    QApplication::processEvents();
  }

  QString SettingsFile() const { return dir.filePath("settings.ini"); }
  QString Path(const QString& name) const { return dir.filePath(name); }
  // A raw value under the program's key, as another run would have left it.
  void SetStored(const QString& key, const QVariant& v) {
    QSettings s(SettingsFile(), QSettings::IniFormat);
    s.setValue(SettingsStore::KeyPath() + "/" + key, v);
  }
  QVariant Stored(const QString& key) const {
    QSettings s(SettingsFile(), QSettings::IniFormat);
    return s.value(SettingsStore::KeyPath() + "/" + key);
  }

  // An empty project file of the given size and mode.
  QString WriteProject(const QString& name, int width = 200, int height = 150, ShapeMode mode = ShapeMode::Projective) {
    const QString path = Path(name);
    QDir().mkpath(QFileInfo(path).absolutePath());
    Project p;
    ResetProject(p, width, height, true, mode);
    EXPECT_EQ(SaveProject(p, path.toStdString()), kFileOk);
    return path;
  }
  QString WriteBytes(const QString& name, const QByteArray& bytes) {
    QFile f(Path(name));
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return Path(name);
  }

  void ClickView(int x, int y) {
    QTest::mouseMove(window->imageView, QPoint(x, y));
    QTest::mouseClick(window->imageView, Qt::LeftButton, Qt::NoModifier, QPoint(x, y));
  }
  void DrawTriangle(QPoint a, QPoint b, QPoint c) {
    for (QPoint p : {a, b, c}) ClickView(p.x(), p.y());
  }
  void DrawThreeShapes() {
    DrawTriangle({20, 20}, {460, 20}, {20, 340});
    DrawTriangle({40, 40}, {200, 40}, {40, 160});
    DrawTriangle({220, 40}, {380, 40}, {220, 160});
  }

  QTemporaryDir dir;
  std::unique_ptr<MainWindow> window;
  ScriptedPrompter* prompts = nullptr;
  FileCommands* files = nullptr;

 private:
  QByteArray savedVariable_;
};

}  // namespace plumavo::test
