// The list of recently opened or saved projects, most recent first.
#pragma once

#include <QString>
#include <QStringList>

#include "app/settings_store.h"

namespace plumavo {

class RecentProjects {
 public:
  static constexpr int kMaxEntries = 4;
  static constexpr const char* kSubKey = "Recent Projects";
  // Longer entries are no path a file system takes (PATH_MAX).
  static constexpr int kMaxPathLength = 4096;

  const QStringList& Entries() const { return entries_; }
  // Values "0".."3" in order; empty, unreadable, overlong ones and ones with
  // control characters are skipped.
  void Load(const SettingsStore& store);
  // Writes entry i as value "i"; higher values already stored stay.
  bool Save(SettingsStore& store) const;
  // Moves or inserts path at the top, case-insensitively unique, at most four.
  void Add(const QString& path);
  // "&1 /home/me/fern.plv": the digit is the access key.
  static QString MenuCaption(int index, const QString& path);
  // The three-line message for an entry whose file is gone.
  static QString MissingFileMessage(const QString& path);

 private:
  QStringList entries_;
};

}  // namespace plumavo
