#include "app/user_folders.h"

#include <QDir>
#include <QFileInfo>

#include "canvas/canvas_style.h"  // DataFolder, ExecutableFolder

namespace plumavo {

QString StartFolder(const QString& programFolder, const QString& name, QStandardPaths::StandardLocation userPlace) {
  // An installed program (its data under ../share/plumavo) keeps out of its
  // prefix even where it could write there, as root can.
  const bool installed = DataFolder() != ExecutableFolder();
  QString beside = QDir(programFolder).filePath(name);
  if (!installed && QDir().mkpath(beside) && QFileInfo(beside).isWritable()) return beside;
  QString place = QStandardPaths::writableLocation(userPlace);
  if (place.isEmpty()) place = QDir::homePath();
  QString folder = QDir(place).filePath("Plumavo");
  QDir().mkpath(folder);
  return folder;
}

}  // namespace plumavo
