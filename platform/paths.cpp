// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/paths.h"

#include <QCoreApplication>
#include <QDir>

// Both come from the build: where the install rules put the data relative to
// the executable, and the application id of the installed menu entry.
#ifndef CHIMEPAD_DATADIR_FROM_BINDIR
#define CHIMEPAD_DATADIR_FROM_BINDIR "../share"
#endif
#ifndef CHIMEPAD_APP_ID
#define CHIMEPAD_APP_ID "org.chimepad.Chimepad"
#endif

QString executableDir() { return QCoreApplication::applicationDirPath(); }

QString installedDataRoot(const QString& exeDir) {
  return QDir::cleanPath(QDir(exeDir).filePath(QStringLiteral(CHIMEPAD_DATADIR_FROM_BINDIR)));
}

QString installedDataDir(const QString& exeDir) {
  return installedDataRoot(exeDir) + QStringLiteral("/chimepad");
}

QString applicationId() { return QStringLiteral(CHIMEPAD_APP_ID); }

QString desktopEntryFileName() { return applicationId() + QStringLiteral(".desktop"); }
