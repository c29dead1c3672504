// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>

// The folder of the running executable, without a trailing separator.
QString executableDir();

// The shared data folder ("share") of an installed copy, found relative to
// the folder of its executable as the install rules lay them out, so that a
// copy installed under any prefix finds its data. Cleaned, no trailing
// separator. For a copy run from a build folder it names a folder that
// holds none of the program's data.
QString installedDataRoot(const QString& exeDir = executableDir());

// The program's own data of an installed copy (the sound set, the pinyin
// dictionary): "chimepad" in installedDataRoot().
QString installedDataDir(const QString& exeDir = executableDir());

// The application id ("org.chimepad.Chimepad"), which names the installed
// menu entry and metadata.
QString applicationId();

// The file name of the installed menu entry, applicationId() + ".desktop";
// it is also its desktop-file ID.
QString desktopEntryFileName();
