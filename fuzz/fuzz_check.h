// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the fuzz targets share: a check that stops the run (libFuzzer keeps
// the input that broke it), and a scratch file per process for the loaders
// that read files.
#include <unistd.h>
#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QString>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                                            \
  do {                                                                                   \
    if (!(condition)) {                                                                  \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                      \
    }                                                                                    \
  } while (0)

// Writes the input to a file of this process and returns its name.
inline QString scratchFile(const char* suffix, const uint8_t* data, size_t size) {
  const QString path = QDir::temp().filePath(
      QStringLiteral("chimepad-fuzz-%1%2").arg(::getpid()).arg(QString::fromLatin1(suffix)));
  QFile f(path);
  FUZZ_CHECK(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  FUZZ_CHECK(f.write(reinterpret_cast<const char*>(data), qint64(size)) == qint64(size));
  return path;
}
