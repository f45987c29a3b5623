#include "app/recent_projects.h"

#include <algorithm>

namespace plumavo {

namespace {

// A settings file edited by hand or damaged can hold anything; only what
// could name a project file makes it into the menu.
bool Plausible(const QString& path) {
  if (path.isEmpty() || path.size() > RecentProjects::kMaxPathLength) return false;
  return std::none_of(path.begin(), path.end(), [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7F; });
}

}  // namespace

void RecentProjects::Load(const SettingsStore& store) {
  entries_.clear();
  for (int i = 0; i < kMaxEntries; ++i) {
    const QString path = store.ReadString(kSubKey, QString::number(i));
    if (Plausible(path)) entries_.append(path);
  }
}

bool RecentProjects::Save(SettingsStore& store) const {
  for (int i = 0; i < entries_.size(); ++i)
    if (!store.WriteString(kSubKey, QString::number(i), entries_[i])) return false;
  return true;
}

void RecentProjects::Add(const QString& path) {
  for (int i = 0; i < entries_.size(); ++i) {
    if (entries_[i].compare(path, Qt::CaseInsensitive) == 0) {
      entries_.removeAt(i);
      break;
    }
  }
  entries_.prepend(path);
  while (entries_.size() > kMaxEntries) entries_.removeAt(kMaxEntries);
}

QString RecentProjects::MenuCaption(int index, const QString& path) {
  return "&" + QString::number(index + 1) + " " + path;
}

QString RecentProjects::MissingFileMessage(const QString& path) {
  return "The project file:\n" + path + "\ndoes not exist.";
}

}  // namespace plumavo
