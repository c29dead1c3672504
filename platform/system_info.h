// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>

// A system-information program for systems where the registry names none:
// the full path of the first of "hardinfo2", "hardinfo" and "kinfocenter"
// found on the PATH, or empty. Always empty on Windows, where the registry
// tells.
QString systemInformationTool();

// A path read from the registry, in the local form (backslashes become
// slashes away from Windows).
QString localPath(const QString& windowsPath);
