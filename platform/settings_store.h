// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The per-user settings store: text values by section and key under the
// application "Chimepad". A key never written reads as the empty text.
#include <QString>
#include <memory>

class QSettings;

class SettingsStore {
 public:
  // The user's own store (on Linux ~/.config/Chimepad/Chimepad.conf).
  SettingsStore();
  // A store kept in the given file; tests use one in a temporary directory.
  explicit SettingsStore(const QString& fileName);
  ~SettingsStore();

  QString read(const QString& section, const QString& key) const;
  // False when the value could not be written.
  bool write(const QString& section, const QString& key, const QString& value);
  bool remove(const QString& section, const QString& key);
  void sync();

  // False when the settings file is not a regular file of a holdable size
  // (a FIFO, a device): it is not opened, every key reads as empty and
  // nothing is written, so the program runs with its defaults.
  bool usable() const;
  // Why the store is not usable, once: the text to tell the user, then
  // empty.
  QString takeProblem();
  // The file of the user's own store on Linux.
  static QString userFileName();

 private:
  std::unique_ptr<QSettings> settings_;
  QString problem_;
};
