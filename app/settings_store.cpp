#include "app/settings_store.h"

#include <QSettings>

#include <memory>

namespace plumavo {

namespace {

std::unique_ptr<QSettings> Open(const QString& iniFile) {
  if (!iniFile.isEmpty()) return std::make_unique<QSettings>(iniFile, QSettings::IniFormat);
  return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, "Plumavo", kApplicationTitle);
}

}  // namespace

SettingsStore::SettingsStore() = default;
SettingsStore::SettingsStore(QString iniFile) : iniFile_(std::move(iniFile)) {}

QString SettingsStore::KeyPath() { return QStringLiteral("Software/Plumavo/") + kApplicationTitle + "/2.0"; }

QVariant SettingsStore::Read(const QString& key) const {
  auto s = Open(iniFile_);
  return s->value(KeyPath() + "/" + key);
}

bool SettingsStore::Write(const QString& key, const QVariant& value) {
  auto s = Open(iniFile_);
  if (!s->isWritable()) return false;
  s->setValue(KeyPath() + "/" + key, value);
  s->sync();
  return s->status() == QSettings::NoError;
}

int SettingsStore::ReadInteger(const QString& name, int defaultValue) const {
  const QVariant v = Read(name);
  if (!v.isValid()) return defaultValue;
  bool ok = false;
  const int i = v.toString().trimmed().toInt(&ok);
  return ok ? i : defaultValue;
}

bool SettingsStore::ReadBool(const QString& name, bool defaultValue) const {
  const QVariant v = Read(name);
  if (!v.isValid()) return defaultValue;
  bool ok = false;
  const int i = v.toString().trimmed().toInt(&ok);
  return ok ? i != 0 : defaultValue;
}

QString SettingsStore::ReadString(const QString& subKey, const QString& name) const {
  const QVariant v = Read(subKey + "/" + name);
  return v.typeId() == QMetaType::QString ? v.toString() : QString();
}

bool SettingsStore::WriteInteger(const QString& name, int value) { return Write(name, value); }
bool SettingsStore::WriteBool(const QString& name, bool value) { return Write(name, value ? 1 : 0); }
bool SettingsStore::WriteString(const QString& subKey, const QString& name, const QString& value) {
  return Write(subKey + "/" + name, value);
}

}  // namespace plumavo
