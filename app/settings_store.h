// Persistent settings: one key per program, "Software/Plumavo/" + title +
// "/2.0", with a "Recent Projects" subkey, kept in the user's configuration
// through QSettings. Every access opens the store and closes it again, so
// nothing stays open and every write is on disk when the call returns.
#pragma once

#include <QString>

namespace plumavo {

inline constexpr const char* kApplicationTitle = "Plumavo PRO";

class TSettingsStore {
 public:
  // The user's usual settings location.
  TSettingsStore();
  // An explicit INI file (tests, portable set-ups).
  explicit TSettingsStore(QString iniFile);

  static QString KeyPath();  // "Software/Plumavo/Plumavo PRO/2.0"

  // Missing values, and values that cannot be read as the wanted type, give
  // the default; nothing is written back.
  int ReadInteger(const QString& name, int defaultValue) const;
  bool ReadBool(const QString& name, bool defaultValue) const;
  QString ReadString(const QString& subKey, const QString& name) const;  // empty when missing

  // True when the value reached the store.
  bool WriteInteger(const QString& name, int value);
  bool WriteBool(const QString& name, bool value);  // stored as 0 or 1
  bool WriteString(const QString& subKey, const QString& name, const QString& value);

 private:
  bool Write(const QString& key, const QVariant& value);
  QVariant Read(const QString& key) const;
  QString iniFile_;
};

}  // namespace plumavo
