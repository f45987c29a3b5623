// Where the file dialogs start before the user has chosen a folder.
#pragma once

#include <QStandardPaths>
#include <QString>

namespace plumavo {

// `name` beside the program (Projects, Animations, Images, Background) while
// the program's folder can be written to: a build folder or a copy kept in the
// user's own files. An installed program never writes under its prefix; it
// starts in a "Plumavo" folder in the user's place for that kind of file
// (documents, videos, pictures) instead. The folder is created when missing;
// should that fail, the dialog simply starts in its parent.
QString StartFolder(const QString& programFolder, const QString& name, QStandardPaths::StandardLocation userPlace);

}  // namespace plumavo
