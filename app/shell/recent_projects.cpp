#include "app/shell/recent_projects.h"

namespace plumavo {

void TRecentProjects::Load(const TSettingsStore& store) {
  entries_.clear();
  for (int i = 0; i < kMaxEntries; ++i) {
    const QString path = store.ReadString(kSubKey, QString::number(i));
    if (!path.isEmpty()) entries_.append(path);
  }
}

bool TRecentProjects::Save(TSettingsStore& store) const {
  for (int i = 0; i < entries_.size(); ++i)
    if (!store.WriteString(kSubKey, QString::number(i), entries_[i])) return false;
  return true;
}

void TRecentProjects::Add(const QString& path) {
  for (int i = 0; i < entries_.size(); ++i) {
    if (entries_[i].compare(path, Qt::CaseInsensitive) == 0) {
      entries_.removeAt(i);
      break;
    }
  }
  entries_.prepend(path);
  while (entries_.size() > kMaxEntries) entries_.removeAt(kMaxEntries);
}

QString TRecentProjects::MenuCaption(int index, const QString& path) {
  return "&" + QString::number(index + 1) + " " + path;
}

QString TRecentProjects::MissingFileMessage(const QString& path) {
  return "The project file:\n" + path + "\ndoes not exist.";
}

}  // namespace plumavo
