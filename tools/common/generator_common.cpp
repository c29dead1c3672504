// SPDX-License-Identifier: GPL-3.0-or-later
#include "generator_common.h"

#include <QFile>
#include <QProcess>
#include <QSaveFile>
#include <cstdio>
#include <cstdlib>

namespace gen {

namespace {
const char* programName = "generator";
}  // namespace

void setProgramName(const char* name) { programName = name; }

void fail(const QString& message) {
  std::fprintf(stderr, "%s: %s\n", programName, qPrintable(message));
  std::exit(1);
}

QByteArray readAll(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) fail(QStringLiteral("cannot read %1").arg(path));
  return f.readAll();
}

QByteArray readCompressed(const QString& path, const QString& bzip2) {
  if (!path.endsWith(QLatin1String(".bz2"))) return readAll(path);
  const ProgramRun run = runProgram(bzip2, {QStringLiteral("-dc"), path});
  if (!run.ok) fail(QStringLiteral("%1 could not decompress %2").arg(bzip2, path));
  return run.output;
}

ProgramRun runProgram(const QString& program, const QStringList& arguments,
                      const QByteArray& input) {
  QProcess p;
  p.start(program, arguments);
  if (!p.waitForStarted()) fail(QStringLiteral("cannot start %1").arg(program));
  if (!input.isEmpty()) p.write(input);
  p.closeWriteChannel();
  ProgramRun run;
  while (p.waitForReadyRead(-1)) run.output += p.readAllStandardOutput();
  p.waitForFinished(-1);
  run.output += p.readAllStandardOutput();
  run.errors = p.readAllStandardError();
  run.ok = p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
  return run;
}

std::optional<QString> numberedReading(const QString& reading) {
  const QString d = reading.toLower().normalized(QString::NormalizationForm_D);
  QString letters;
  int tone = 5;
  int umlaut = -1;
  for (const QChar c : d) {
    const char16_t u = c.unicode();
    if (u >= 'a' && u <= 'z') letters += c;
    else if (u == 0x0304) tone = 1;
    else if (u == 0x0301) tone = 2;
    else if (u == 0x030C) tone = 3;
    else if (u == 0x0300) tone = 4;
    else if (u == 0x0302) continue;  // ê is read as e
    else if (u == 0x0308 && letters.endsWith(u'u')) umlaut = int(letters.size()) - 1;
    else return std::nullopt;
  }
  if (letters.isEmpty()) return std::nullopt;
  if (umlaut >= 0) {
    const bool afterJqxy = umlaut == 1 && QStringLiteral("jqxy").contains(letters.front());
    const bool ueAfterNl = umlaut == 1 && letters.mid(umlaut) == QStringLiteral("ue");
    if (!afterJqxy && !ueAfterNl) letters[umlaut] = u'v';
  }
  return letters + QString::number(tone);
}

QStringList unihanReadings(const QString& field, const QString& value) {
  QStringList out;
  for (const QString& token : value.split(u' ', Qt::SkipEmptyParts)) {
    if (field == QLatin1String("kMandarin")) {
      out << token;
    } else if (field == QLatin1String("kHanyuPinlu")) {
      out << token.section(u'(', 0, 0);
    } else {  // location list ':' readings, comma-separated
      out << token.section(u':', -1).split(u',', Qt::SkipEmptyParts);
    }
  }
  return out;
}

void writeFile(const QString& path, const QByteArray& text) {
  QSaveFile f(path);
  if (!f.open(QIODevice::WriteOnly)) fail(QStringLiteral("cannot write %1").arg(path));
  f.write(text);
  if (!f.commit()) fail(QStringLiteral("cannot write %1").arg(path));
}

}  // namespace gen
