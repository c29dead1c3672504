// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>

// A system-information program for systems where the registry names none:
// the full path of the first of "hardinfo2", "hardinfo" and "kinfocenter"
// found on the PATH, or empty. Always empty on Windows, where the registry
// tells.
QString systemInformationTool();

// Large blocks of memory (a large document's storage, growing as it loads)
// are mapped on their own, so that growing one moves no bytes and freeing
// one gives it back to the system. Called once, before anything is held.
void mapLargeAllocations();

// A path read from the registry, in the local form (backslashes become
// slashes away from Windows).
QString localPath(const QString& windowsPath);
