#include "platform/settings_store.h"

#include <QSettings>

SettingsStore::SettingsStore()
    // The platform's own per-user store: ~/.config/Chimepad/Chimepad.conf on
    // Linux, the user's registry branch on Windows.
    : settings_(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                            QStringLiteral("Chimepad"),
                                            QStringLiteral("Chimepad"))) {}

SettingsStore::SettingsStore(const QString& fileName)
    : settings_(std::make_unique<QSettings>(fileName, QSettings::IniFormat)) {}

SettingsStore::~SettingsStore() { settings_->sync(); }

QString SettingsStore::read(const QString& section, const QString& key) const {
  return settings_->value(section + QLatin1Char('/') + key).toString();
}

bool SettingsStore::write(const QString& section, const QString& key, const QString& value) {
  if (!settings_->isWritable()) return false;
  settings_->setValue(section + QLatin1Char('/') + key, value);
  return true;
}

bool SettingsStore::remove(const QString& section, const QString& key) {
  if (!settings_->isWritable()) return false;
  settings_->remove(section + QLatin1Char('/') + key);
  return true;
}

void SettingsStore::sync() { settings_->sync(); }
