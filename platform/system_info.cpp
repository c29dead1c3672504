// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/system_info.h"

#include <QStandardPaths>

QString systemInformationTool() {
#ifdef Q_OS_WIN
  return {};
#else
  for (const char* name : {"hardinfo2", "hardinfo", "kinfocenter"}) {
    const QString path = QStandardPaths::findExecutable(QLatin1String(name));
    if (!path.isEmpty()) return path;
  }
  return {};
#endif
}

QString localPath(const QString& windowsPath) {
#ifdef Q_OS_WIN
  return windowsPath;
#else
  return QString(windowsPath).replace(QLatin1Char('\\'), QLatin1Char('/'));
#endif
}
