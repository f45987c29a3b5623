// Runs the window tests inside one QApplication on the offscreen platform.
#include <gtest/gtest.h>
#include <QApplication>
#include <QTemporaryDir>

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  // Every window reads and writes an empty settings file of the run's own,
  // never the user's settings.
  QTemporaryDir settings;
  if (!settings.isValid()) return 1;
  qputenv("PLUMAVO_SETTINGS_FILE", settings.filePath("settings.ini").toLocal8Bit());
  return RUN_ALL_TESTS();
}
