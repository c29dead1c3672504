// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A settings store in a temporary directory, never the user's own.
#include <QTemporaryDir>
#include <memory>

#include "platform/settings_store.h"

struct TempSettings {
  QTemporaryDir dir;
  std::unique_ptr<SettingsStore> store =
      std::make_unique<SettingsStore>(dir.filePath("Chimepad.conf"));
  QString path() const { return dir.filePath("Chimepad.conf"); }
  // Reopens the store, as the next run of the program would.
  void reopen() {
    store.reset();
    store = std::make_unique<SettingsStore>(path());
  }
};
