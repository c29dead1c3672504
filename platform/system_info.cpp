// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/system_info.h"

#include <QStandardPaths>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

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

void mapLargeAllocations() {
#if defined(__GLIBC__)
  // The C library would otherwise raise its threshold each time a mapped
  // block is freed, until blocks of tens of megabytes come from the heap,
  // where growing one copies it whole (a pause of a tenth of a second).
  mallopt(M_MMAP_THRESHOLD, 1 << 20);
#endif
}

QString localPath(const QString& windowsPath) {
#ifdef Q_OS_WIN
  return windowsPath;
#else
  return QString(windowsPath).replace(QLatin1Char('\\'), QLatin1Char('/'));
#endif
}
