// SPDX-License-Identifier: GPL-3.0-or-later
// pinyingen: writes the pinyin dictionary the program's input method reads.
//
//   pinyingen [--bzip2 <program>] <Unihan_Readings.txt[.bz2]> <overrides> <output>
//
// Each character gets the first value of its kMandarin field as its usual
// reading, unless the reviewed override table gives another; its further
// readings follow from kTGHZ2013 and kXHC1983. A compatibility ideograph
// without readings of its own takes those of its canonical equivalent.
// Readings are written in numbered form: lower-case letters, tone digit 1 to
// 4 or 5 for the neutral tone; ü alone as v (nv3), üe after n and l as ue
// (lue4), ü after j, q, x, y as u (ju1, yu2).
#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMap>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <cstdio>
#include <optional>

#include "generator_common.h"

namespace {

using gen::fail;

struct Character {
  QStringList mandarin;  // kMandarin, numbered
  QStringList further;   // kTGHZ2013 then kXHC1983, numbered
  QStringList attested;  // every reading Unihan knows, numbered
};

}  // namespace

int main(int argc, char** argv) {
  gen::setProgramName("pinyingen");
  QCoreApplication app(argc, argv);
  QStringList args = app.arguments().mid(1);
  QString bzip2 = QStringLiteral("bzip2");
  if (args.size() >= 2 && args[0] == QLatin1String("--bzip2")) {
    bzip2 = args[1];
    args = args.mid(2);
  }
  if (args.size() != 3)
    fail(QStringLiteral(
        "usage: pinyingen [--bzip2 <program>] <Unihan_Readings> <overrides> <output>"));

  // Unihan readings.
  const QByteArray unihan = gen::readCompressed(args[0], bzip2);
  QMap<char32_t, Character> chars;
  QString version;
  int unconverted = 0;
  for (const QByteArray& rawLine : unihan.split('\n')) {
    const QString line = QString::fromUtf8(rawLine).trimmed();
    if (line.startsWith(u'#')) {
      if (line.startsWith(QLatin1String("# Unicode version:"))) version = line.mid(2);
      continue;
    }
    const QStringList parts = line.split(u'\t');
    if (parts.size() != 3 || !parts[0].startsWith(QLatin1String("U+"))) continue;
    static const QStringList fields = {QStringLiteral("kMandarin"), QStringLiteral("kTGHZ2013"),
                                       QStringLiteral("kXHC1983"), QStringLiteral("kHanyuPinyin"),
                                       QStringLiteral("kHanyuPinlu")};
    const QString& field = parts[1];
    if (!fields.contains(field)) continue;
    bool ok = false;
    const char32_t cp = parts[0].mid(2).toUInt(&ok, 16);
    if (!ok) fail(QStringLiteral("bad code point %1").arg(parts[0]));
    Character& ch = chars[cp];
    for (const QString& r : gen::unihanReadings(field, parts[2])) {
      const std::optional<QString> n = gen::numberedReading(r);
      if (!n) {
        ++unconverted;
        continue;
      }
      if (!ch.attested.contains(*n)) ch.attested << *n;
      if (field == QLatin1String("kMandarin")) ch.mandarin << *n;
      else if ((field == QLatin1String("kTGHZ2013") || field == QLatin1String("kXHC1983")) &&
               !ch.further.contains(*n))
        ch.further << *n;
    }
  }
  if (version.isEmpty() || chars.isEmpty())
    fail(QStringLiteral("%1 is not Unihan_Readings.txt").arg(args[0]));

  // The reviewed overrides: "<character> <reading>" lines, '#' comments.
  QFile of(args[1]);
  if (!of.open(QIODevice::ReadOnly | QIODevice::Text))
    fail(QStringLiteral("cannot read %1").arg(args[1]));
  static const QRegularExpression readingForm(QStringLiteral("^[a-z]+[1-5]$"));
  QHash<char32_t, QString> overrides;
  int lineNo = 0;
  while (!of.atEnd()) {
    ++lineNo;
    QString line = QString::fromUtf8(of.readLine());
    line = line.section(u'#', 0, 0).trimmed();
    if (line.isEmpty()) continue;
    const QStringList parts = line.split(QRegularExpression(QStringLiteral("\\s+")));
    const QList<uint> ucs = parts.value(0).toUcs4();
    const auto where = QStringLiteral("%1:%2: ").arg(args[1]).arg(lineNo);
    if (parts.size() != 2 || ucs.size() != 1)
      fail(where + QStringLiteral("expected a character and a reading"));
    const char32_t cp = ucs[0];
    const QString& reading = parts[1];
    if (!readingForm.match(reading).hasMatch())
      fail(where + QStringLiteral("%1 is no numbered reading").arg(reading));
    if (overrides.contains(cp)) fail(where + QStringLiteral("%1 is listed twice").arg(parts[0]));
    const auto it = chars.constFind(cp);
    if (it != chars.cend() && !it->attested.isEmpty()) {
      // A reading Unihan does not know for the character is a slip of the pen.
      if (!it->attested.contains(reading))
        fail(where + QStringLiteral("%1 is not among the readings of %2 (%3)")
                         .arg(reading, parts[0], it->attested.join(u' ')));
      if (!it->mandarin.isEmpty() && it->mandarin.front() == reading)
        fail(where + QStringLiteral("%1 already reads %2").arg(parts[0], reading));
    }
    overrides.insert(cp, reading);
  }

  // The readings of every character, usual reading first.
  QMap<char32_t, QStringList> out;
  for (auto it = chars.cbegin(); it != chars.cend(); ++it) {
    if (it->mandarin.isEmpty()) continue;
    QStringList list{it->mandarin.front()};
    for (const QString& r : it->further)
      if (!list.contains(r)) list << r;
    out.insert(it.key(), list);
  }
  // Compatibility ideographs through their canonical equivalent.
  for (char32_t cp = 0xF900; cp <= 0x2FA1F; cp = (cp == 0xFAFF ? 0x2F800 : cp + 1)) {
    if (out.contains(cp)) continue;
    const QString decomposed = QString::fromUcs4(&cp, 1).normalized(QString::NormalizationForm_D);
    const QList<uint> u = decomposed.toUcs4();
    if (u.size() == 1 && u[0] != cp && out.contains(u[0])) out.insert(cp, out.value(u[0]));
  }
  for (auto it = overrides.cbegin(); it != overrides.cend(); ++it) {
    QStringList list = out.value(it.key());
    list.removeAll(it.value());
    list.prepend(it.value());
    out.insert(it.key(), list);
  }

  QByteArray text;
  text += "# Chimepad pinyin dictionary\n";
  text += "# Generated by pinyingen from Unihan_Readings.txt (" + version.toUtf8() + ") and " +
          QFileInfo(args[1]).fileName().toUtf8() + "; do not edit.\n";
  text += "# <character> TAB <readings>, the usual reading first.\n";
  for (auto it = out.cbegin(); it != out.cend(); ++it) {
    const char32_t cp = it.key();
    text += QString::fromUcs4(&cp, 1).toUtf8() + '\t' + it->join(u' ').toUtf8() + '\n';
  }
  gen::writeFile(args[2], text);
  std::fprintf(
      stderr,
      "pinyingen: %lld characters, %lld overrides, %d readings not in pinyin form skipped\n",
      static_cast<long long>(out.size()), static_cast<long long>(overrides.size()), unconverted);
  return 0;
}
