// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/settings_store.h"

#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace {

// Larger than any settings file of ours could grow.
constexpr qint64 kMaxSettingsBytes = qint64(4) << 20;

// Why the settings file cannot be opened, or empty when it can: only a
// regular file of a holdable size (or none yet) is. A FIFO would block the
// open for good, a device would feed it without end.
QString refusal(const QString& fileName) {
  const QFileInfo info(fileName);
  if (!info.exists() && !info.isSymLink()) return {};
  if (!info.isFile())
    return QStringLiteral("设置文件“%1”不是普通文件,本次以默认设置启动,设置也不会保存。")
        .arg(fileName);
  if (info.size() > kMaxSettingsBytes)
    return QStringLiteral("设置文件“%1”太大,本次以默认设置启动,设置也不会保存。").arg(fileName);
  return {};
}

}  // namespace

QString SettingsStore::userFileName() {
  // Where the platform's store keeps it on Linux (QSettings::NativeFormat,
  // user scope): $XDG_CONFIG_HOME/Chimepad/Chimepad.conf.
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
         QStringLiteral("/Chimepad/Chimepad.conf");
}

SettingsStore::SettingsStore() {
#ifndef Q_OS_WIN
  problem_ = refusal(userFileName());
  if (!problem_.isEmpty()) return;
#endif
  // The platform's own per-user store: ~/.config/Chimepad/Chimepad.conf on
  // Linux, the user's registry branch on Windows.
  settings_ = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                          QStringLiteral("Chimepad"), QStringLiteral("Chimepad"));
}

SettingsStore::SettingsStore(const QString& fileName) : problem_(refusal(fileName)) {
  if (problem_.isEmpty()) settings_ = std::make_unique<QSettings>(fileName, QSettings::IniFormat);
}

SettingsStore::~SettingsStore() {
  if (settings_) settings_->sync();
}

QString SettingsStore::read(const QString& section, const QString& key) const {
  if (!settings_) return {};
  return settings_->value(section + QLatin1Char('/') + key).toString();
}

bool SettingsStore::write(const QString& section, const QString& key, const QString& value) {
  if (!settings_ || !settings_->isWritable()) return false;
  settings_->setValue(section + QLatin1Char('/') + key, value);
  return true;
}

bool SettingsStore::remove(const QString& section, const QString& key) {
  if (!settings_ || !settings_->isWritable()) return false;
  settings_->remove(section + QLatin1Char('/') + key);
  return true;
}

void SettingsStore::sync() {
  if (settings_) settings_->sync();
}

bool SettingsStore::usable() const { return settings_ != nullptr; }

QString SettingsStore::takeProblem() {
  QString p = problem_;
  problem_.clear();
  return p;
}
