// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What search/ remembers between searches. Declared here, below the
// subsystems, so that the program-wide state can hold it.
#include <QString>

struct SearchState {
  QString FindText;
  QString ReplaceText;
  bool FindMatchCase = false;
  bool FindUpward = false;
};
