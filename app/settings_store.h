// Persistent settings: one key per program, "Software/Plumavo/" + title +
// "/2.0", with a "Recent Projects" subkey, kept in the user's configuration
// through QSettings. Every access opens the store and closes it again, so
// nothing stays open and every write is on disk when the call returns.
#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>

#include <QString>

#include "render/ifs/renderer.h"

namespace plumavo {

inline constexpr const char* kApplicationTitle = "Plumavo PRO";

// One stored number: its key, the default a missing or unreadable value
// gives, and the range a stored value is held to before the program uses it
// (values outside would hang the program or divide by zero).
struct IntSetting {
  const char* Key;
  int32_t Default, Min, Max;
  int32_t Usable(int32_t stored) const { return std::clamp(stored, Min, Max); }
};
struct BoolSetting {
  const char* Key;
  bool Default;
};

// Every value the program keeps between runs, with its default, in one place.
namespace settings {
inline constexpr IntSetting kRenderingLoops{"Rendering Loops", kDefaultRenderingLoops, 1, kMaxRenderingLoops};
inline constexpr BoolSetting kRealTimeRendering{"Real-time Rendering", true};
inline constexpr BoolSetting kAntialiased{"Antialiased", true};
inline constexpr IntSetting kAnimationQuality{"Animation Quality", 75, 1, 100};
inline constexpr IntSetting kFrameRate{"Frame Rate", 10, 1, 30};
inline constexpr IntSetting kTipsIndex{"Tips Index", -1, std::numeric_limits<int32_t>::min(),
                                       std::numeric_limits<int32_t>::max()};
inline constexpr BoolSetting kShowTips{"Show Tips", true};
}  // namespace settings

class SettingsStore {
 public:
  // The user's usual settings location.
  SettingsStore();
  // An explicit INI file (tests, portable set-ups).
  explicit SettingsStore(QString iniFile);

  static QString KeyPath();  // "Software/Plumavo/Plumavo PRO/2.0"

  // A setting of the table as stored (its default when missing or
  // unreadable), and written; true when the value reached the store.
  int32_t Get(const IntSetting& s) const { return ReadInteger(s.Key, s.Default); }
  bool Get(const BoolSetting& s) const { return ReadBool(s.Key, s.Default); }
  bool Set(const IntSetting& s, int32_t value) { return WriteInteger(s.Key, value); }
  bool Set(const BoolSetting& s, bool value) { return WriteBool(s.Key, value); }

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
