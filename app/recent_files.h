// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// 文件 → 最近的文件: the last files opened or saved, newest first, kept in
// the settings section "Recent" (keys "File1" to "File10").
#include <QString>
#include <QStringList>

class SettingsStore;

class RecentFiles {
 public:
  static constexpr int kMax = 10;

  explicit RecentFiles(SettingsStore* store) : store_(store) {}

  // The list as stored now (another window may have changed it).
  QStringList files() const;
  // Puts a file at the top (by its absolute path), once; the oldest beyond
  // kMax drops off.
  void add(const QString& fileName);
  void remove(const QString& fileName);
  void clear();

  // The message that refuses a listed file that is gone.
  static QString missingMessage(const QString& fileName);

 private:
  void store(const QStringList& files);
  SettingsStore* store_;
};
