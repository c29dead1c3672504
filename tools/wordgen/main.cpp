// SPDX-License-Identifier: GPL-3.0-or-later
// wordgen: writes the word-reading table the reading session uses to read a
// polyphonic character by the word it stands in.
//
//   wordgen [--opencc <program> <config>] [--bzip2 <program>] <terra_pinyin.dict.yaml>
//           <pinyin.txt> <Unihan_Readings.txt[.bz2]> <additions> <output>
//
// Source: the toned phrase dictionary of the Rime "Terra Pinyin" schema
// (Debian package rime-data-terra-pinyin, LGPL-3; its phrase readings are
// adapted from CC-CEDICT), in traditional characters, converted to
// simplified characters with OpenCC's t2s configuration (Debian package
// opencc). Phrases marked 0% are the schema's known-wrong readings and are
// left out. The reviewed additions beside this file add or correct words
// that the phrase dictionary lacks or reads wrong, and leave out rare words
// that take over frequent sequences of characters; they win over it.
//
// Frequencies: the word counts of jieba's dictionary (Debian package
// python3-jieba, MIT), the one word list with frequencies of ordinary
// simplified-Chinese text in Debian. Every word of it (two to kLongestWord
// characters of the basic plane, all Chinese) is in the table with its count,
// so that the reader can find the most probable words of a sentence; a word
// of the phrase dictionary jieba lacks counts 1, an addition 100.
//
// Each word's readings are brought in line with the pinyin dictionary
// (pinyin.txt, the usual reading first):
//   - 一 and 不 keep their own reading: the syllable table changes their tone
//     by the next syllable, so the changed tones of the source are dropped;
//   - a neutral tone is kept (的 de5, 我们 men5) where the character has
//     that syllable;
//   - a reading the character is not known to have drops the word, and so
//     does one that the 2013 standard dictionary (Unihan kTGHZ2013) does not
//     list for a character it has readings for: the schema follows the
//     Taiwan standard in places (研究 jiu4, 下跌 die2, 头发 fa3), and this
//     keeps the mainland reading.
// Every character of a word has a line of its own with its most frequent
// reading: the heaviest of the schema's per-character weights (都 dou1, 的
// de5), but the pinyin dictionary's first for the characters its reviewed
// overrides name. A word that reads every character that way carries no
// readings of its own.
#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <cstdio>
#include <optional>

#include "generator_common.h"

namespace {

constexpr int kLongestWord = 8;

using gen::fail;
using gen::readAll;

QString lettersOf(const QString& reading) { return reading.chopped(1); }
QChar toneOf(const QString& reading) { return reading.back(); }

bool isHan(QChar c) { return c.script() == QChar::Script_Han && !c.isSurrogate(); }

struct Candidate {
  QStringList readings;
  double weight = 100;
  int order = 0;  // source order, for ties
};

}  // namespace

int main(int argc, char** argv) {
  gen::setProgramName("wordgen");
  QCoreApplication app(argc, argv);
  QStringList args = app.arguments().mid(1);
  QString opencc = QStringLiteral("opencc");
  QString openccConfig = QStringLiteral("t2s.json");
  if (args.size() >= 3 && args[0] == QLatin1String("--opencc")) {
    opencc = args[1];
    openccConfig = args[2];
    args = args.mid(3);
  }
  QString bzip2 = QStringLiteral("bzip2");
  QString frequenciesPath, overridesPath;
  while (args.size() >= 2 && args[0].startsWith(QLatin1String("--"))) {
    if (args[0] == QLatin1String("--bzip2")) bzip2 = args[1];
    else if (args[0] == QLatin1String("--frequencies")) frequenciesPath = args[1];
    else if (args[0] == QLatin1String("--overrides")) overridesPath = args[1];
    else break;
    args = args.mid(2);
  }
  if (args.size() != 5)
    fail(QStringLiteral(
        "usage: wordgen [--opencc <program> <config>] [--bzip2 <program>] "
        "[--frequencies <jieba dict.txt>] [--overrides <pinyin_overrides.txt>] "
        "<terra_pinyin.dict.yaml> <pinyin.txt> <Unihan_Readings> <additions> <output>"));
  const QString& additionsPath = args[3];
  const QString& outputPath = args[4];

  // The readings of the 2013 standard dictionary.
  QHash<QChar, QStringList> standard;
  for (const QByteArray& raw : gen::readCompressed(args[2], bzip2).split('\n')) {
    if (!raw.startsWith("U+")) continue;
    const QStringList parts = QString::fromUtf8(raw).trimmed().split(u'\t');
    if (parts.size() != 3 || parts[1] != QLatin1String("kTGHZ2013")) continue;
    bool ok = false;
    const uint cp = parts[0].mid(2).toUInt(&ok, 16);
    if (!ok || cp > 0xFFFF) continue;
    QStringList& list = standard[QChar(char16_t(cp))];
    for (const QString& r : gen::unihanReadings(parts[1], parts[2]))
      if (const auto n = gen::numberedReading(r)) list << *n;
  }
  if (standard.isEmpty()) fail(QStringLiteral("%1 has no kTGHZ2013 readings").arg(args[2]));

  // The single-character readings, usual reading first.
  QHash<QChar, QStringList> chars;
  for (const QByteArray& raw : readAll(args[1]).split('\n')) {
    if (raw.isEmpty() || raw.startsWith('#')) continue;
    const QString line = QString::fromUtf8(raw);
    const qsizetype tab = line.indexOf(u'\t');
    if (tab != 1) continue;  // one UTF-16 unit: the basic plane only
    chars.insert(line[0], line.mid(tab + 1).split(u' ', Qt::SkipEmptyParts));
  }
  if (chars.isEmpty()) fail(QStringLiteral("%1 is no pinyin dictionary").arg(args[1]));

  // The phrases of the Rime dictionary: "word TAB readings [TAB weight]"
  // below the "..." that ends its header.
  static const QRegularExpression syllable(QStringLiteral("^[a-z]+[1-5]$"));
  struct Phrase {
    QString word;
    QStringList readings;
    double weight;
  };
  QList<Phrase> phrases;
  QList<Phrase> singles;
  QString version;
  bool body = false;
  for (const QByteArray& raw : readAll(args[0]).split('\n')) {
    const QString line = QString::fromUtf8(raw).trimmed();
    if (!body) {
      if (line.startsWith(QLatin1String("version:"))) version = line.mid(8).trimmed().remove(u'"');
      if (line == QLatin1String("...")) body = true;
      continue;
    }
    if (line.isEmpty() || line.startsWith(u'#')) continue;
    const QStringList parts = line.split(u'\t');
    if (parts.size() < 2) continue;
    double weight = 100;
    if (parts.size() >= 3 && parts[2].endsWith(u'%')) weight = parts[2].chopped(1).toDouble();
    if (weight <= 0) continue;  // marked wrong
    if (!parts[1].contains(u' ')) {
      // One character: the weight of one of its readings.
      QString r = parts[1];
      if (r.startsWith(QLatin1String("lve")) || r.startsWith(QLatin1String("nve"))) r[1] = u'u';
      if (parts[0].size() == 1 && syllable.match(r).hasMatch())
        singles.append({parts[0], {r}, weight});
      continue;
    }
    QStringList readings = parts[1].split(u' ', Qt::SkipEmptyParts);
    for (QString& r : readings) {
      // üe after l and n is written "ue" in the pinyin dictionary.
      if (r.startsWith(QLatin1String("lve")) || r.startsWith(QLatin1String("nve"))) r[1] = u'u';
    }
    phrases.append({parts[0], readings, weight});
  }
  if (!body || phrases.isEmpty()) fail(QStringLiteral("%1 is no Rime dictionary").arg(args[0]));

  // To simplified characters, one phrase a line.
  {
    QByteArray input;
    for (const Phrase& p : phrases) input += p.word.toUtf8() + '\n';
    for (const Phrase& p : singles) input += p.word.toUtf8() + '\n';
    const gen::ProgramRun run =
        gen::runProgram(opencc, {QStringLiteral("-c"), openccConfig}, input);
    if (!run.ok)
      fail(QStringLiteral("%1 failed: %2").arg(opencc, QString::fromLocal8Bit(run.errors)));
    QList<QByteArray> lines = run.output.split('\n');
    if (lines.size() < phrases.size() + singles.size())
      fail(QStringLiteral("%1 lost lines").arg(opencc));
    for (qsizetype i = 0; i < phrases.size(); ++i)
      phrases[i].word = QString::fromUtf8(lines[i]).trimmed();
    for (qsizetype i = 0; i < singles.size(); ++i) {
      singles[i].word = QString::fromUtf8(lines[phrases.size() + i]).trimmed();
    }
  }

  // The reviewed readings of characters alone: these keep the pinyin
  // dictionary's first reading.
  QSet<QChar> reviewed;
  if (!overridesPath.isEmpty())
    for (const QByteArray& raw : readAll(overridesPath).split('\n')) {
      const QString line = QString::fromUtf8(raw).trimmed();
      if (!line.isEmpty() && !line.startsWith(u'#')) reviewed.insert(line[0]);
    }
  // Each character's most frequent reading: the heaviest of the schema's
  // weights among the readings the pinyin dictionary gives it (and the 2013
  // standard, where it lists the character) where it clearly leads; the
  // dictionary's first otherwise and where the schema says nothing.
  QHash<QChar, QHash<QString, double>> weights;
  for (const Phrase& p : singles)
    if (p.word.size() == 1) weights[p.word[0]][p.readings[0]] += p.weight;
  QHash<QChar, QString> usualReading;
  for (auto it = chars.cbegin(); it != chars.cend(); ++it) {
    const QStringList& known = it.value();
    QString best = known.value(0);
    if (!reviewed.contains(it.key()) && weights.contains(it.key())) {
      const QHash<QString, double>& w = weights[it.key()];
      const QStringList std2013 = standard.value(it.key());
      // A clear lead only (half as heavy again): where traditional
      // characters of other readings fold into one simplified character the
      // weights tie (只 and 隻), and the dictionary's order stands.
      const double first = w.value(best, 0);
      double bestWeight = first;
      for (const QString& k : known) {
        const bool mainland = k == known[0] || std2013.isEmpty() || std2013.contains(k);
        if (mainland && w.value(k, 0) > bestWeight) {
          best = k;
          bestWeight = w.value(k, 0);
        }
      }
      if (bestWeight < 1.5 * first) best = known.value(0);
    }
    usualReading.insert(it.key(), best);
  }
  auto usual = [&](QChar c) { return usualReading.value(c); };

  // A word's readings made to fit the pinyin dictionary; nullopt when they
  // cannot be.
  auto fit = [&](const QString& word, const QStringList& readings) -> std::optional<QStringList> {
    if (word.size() < 2 || word.size() > kLongestWord || word.size() != readings.size())
      return std::nullopt;
    QStringList out;
    for (qsizetype i = 0; i < word.size(); ++i) {
      const QChar c = word[i];
      if (!isHan(c) || !syllable.match(readings[i]).hasMatch()) return std::nullopt;
      const QStringList known = chars.value(c);
      if (known.isEmpty()) return std::nullopt;
      const QString& r = readings[i];
      QString chosen;
      if (c == u'一' || c == u'不') {
        if (lettersOf(known[0]) != lettersOf(r)) return std::nullopt;
        chosen = known[0];
      } else if (toneOf(r) == u'5') {
        // A neutral tone is kept as spoken, on a syllable the character has.
        for (const QString& k : known)
          if (lettersOf(k) == lettersOf(r)) chosen = r;
      } else if (known.contains(r)) {
        const QStringList std2013 = standard.value(c);
        if (r == known[0] || std2013.isEmpty() || std2013.contains(r)) chosen = r;
      }
      if (chosen.isEmpty()) return std::nullopt;
      out << chosen;
    }
    return out;
  };
  auto differences = [&](const QString& word, const QStringList& readings) {
    int n = 0;
    for (qsizetype i = 0; i < word.size(); ++i) n += usual(word[i]) != readings[i];
    return n;
  };

  // Every reading of every word; the heaviest wins, then the one closest to
  // the characters' usual readings, then the first in the source.
  QMap<QString, Candidate> words;
  int dropped = 0;
  for (qsizetype i = 0; i < phrases.size(); ++i) {
    const Phrase& p = phrases[i];
    const std::optional<QStringList> r = fit(p.word, p.readings);
    if (!r) {
      ++dropped;
      continue;
    }
    auto it = words.find(p.word);
    if (it == words.end()) {
      words.insert(p.word, {*r, p.weight, int(i)});
      continue;
    }
    if (it->readings == *r) {
      it->weight = std::max(it->weight, p.weight);
      continue;
    }
    if (p.weight > it->weight ||
        (p.weight == it->weight && differences(p.word, *r) < differences(p.word, it->readings)))
      *it = {*r, p.weight, int(i)};
  }

  // Word frequencies: the dictionary of jieba, "<word> <count> <tag>" a line.
  QHash<QString, qint64> counts;
  if (!frequenciesPath.isEmpty()) {
    for (const QByteArray& raw : readAll(frequenciesPath).split('\n')) {
      const QList<QByteArray> f = raw.trimmed().split(' ');
      if (f.size() < 2) continue;
      const QString word = QString::fromUtf8(f[0]);
      bool ok = false;
      const qint64 n = f[1].toLongLong(&ok);
      if (!ok || n <= 0 || word.isEmpty() || word.size() > kLongestWord) continue;
      if (!std::all_of(word.begin(), word.end(),
                       [&](QChar c) { return isHan(c) && chars.contains(c); }))
        continue;
      counts[word] += n;
    }
    if (counts.isEmpty()) fail(QStringLiteral("%1 has no word frequencies").arg(frequenciesPath));
  }
  QSet<QString> leftOut;

  // The reviewed additions: "<word> <readings...>", '#' comments.
  const QString additionsName = QFileInfo(additionsPath).fileName();
  int additions = 0;
  {
    int lineNo = 0;
    for (const QByteArray& raw : readAll(additionsPath).split('\n')) {
      ++lineNo;
      const QString line = QString::fromUtf8(raw).section(u'#', 0, 0).trimmed();
      if (line.isEmpty()) continue;
      QStringList parts = line.split(QRegularExpression(QStringLiteral("\\s+")));
      const QString word = parts.takeFirst();
      const auto where = QStringLiteral("%1:%2: ").arg(additionsPath).arg(lineNo);
      if (word.size() == 1 && parts.size() == 1) {  // a character's usual reading
        if (!chars.value(word[0]).contains(parts[0]))
          fail(where +
               QStringLiteral("%1 %2 does not fit the pinyin dictionary").arg(word, parts[0]));
        if (usualReading.value(word[0]) == parts[0])
          fail(where + QStringLiteral("%1 already reads %2").arg(word, parts[0]));
        usualReading[word[0]] = parts[0];
        reviewed.insert(word[0]);
        ++additions;
        continue;
      }
      if (parts.isEmpty()) {  // a word alone: left out of the table
        if (words.remove(word) == 0 && !counts.contains(word))
          fail(where + QStringLiteral("%1 is not in the source").arg(word));
        leftOut.insert(word);
        ++additions;
        continue;
      }
      const std::optional<QStringList> r = fit(word, parts);
      if (!r || *r != parts)
        fail(
            where +
            QStringLiteral("%1 %2 does not fit the pinyin dictionary").arg(word, parts.join(u' ')));
      const auto it = words.constFind(word);
      if (differences(word, *r) == 0 && it == words.cend())
        fail(where + QStringLiteral("%1 reads its characters' usual readings").arg(word));
      // Repeating the phrase dictionary gives a word without a frequency a
      // count of its own; otherwise it is refused.
      if (it != words.cend() && it->readings == *r && (counts.isEmpty() || counts.contains(word)))
        fail(where + QStringLiteral("%1 is already in the source").arg(word));
      words.insert(word, {*r, 100, -1});
      ++additions;
    }
  }

  // The table: every word of the frequency list and of the phrase
  // dictionary with its count (a word only the phrase dictionary has counts
  // 1, an addition 100), and every character of them with its usual reading.
  struct Out {
    QStringList readings;  // empty: each character's usual reading
    qint64 count = 1;
  };
  QMap<QString, Out> table;
  for (auto it = counts.cbegin(); it != counts.cend(); ++it)
    if (!leftOut.contains(it.key())) table[it.key()].count = it.value();
  for (auto it = words.cbegin(); it != words.cend(); ++it) {
    Out& o = table[it.key()];
    o.readings = it->readings;
    if (!counts.contains(it.key())) o.count = it->order < 0 ? 100 : 1;
  }
  QList<QChar> used;
  for (auto it = table.cbegin(); it != table.cend(); ++it)
    for (const QChar c : it.key()) used << c;
  for (const QChar c : used)
    if (!table.contains(QString(c))) table.insert(QString(c), {});
  for (auto it = table.begin(); it != table.end(); ++it) {
    if (it.key().size() == 1) it->readings = QStringList{usual(it.key()[0])};
    else if (!it->readings.isEmpty() && differences(it.key(), it->readings) == 0)
      it->readings.clear();
  }

  QByteArray text;
  text += "# Chimepad word readings\n";
  text +=
      "# Generated by wordgen from terra_pinyin.dict.yaml (Rime Terra Pinyin " + version.toUtf8() +
      ", OpenCC t2s), " +
      (frequenciesPath.isEmpty() ? QByteArray()
                                 : QFileInfo(frequenciesPath).fileName().toUtf8() + " (jieba), ") +
      "pinyin.txt, Unihan kTGHZ2013 and " + additionsName.toUtf8() + "; do not edit.\n";
  text +=
      "# <word> TAB [<the reading of each character> TAB] <count>; a word without readings "
      "reads each character as its own line does.\n";
  int differing = 0;
  for (auto it = table.cbegin(); it != table.cend(); ++it) {
    text += it.key().toUtf8() + '\t';
    if (!it->readings.isEmpty()) {
      text += it->readings.join(u' ').toUtf8() + '\t';
      differing += it.key().size() > 1;
    }
    text += QByteArray::number(it->count) + '\n';
  }
  gen::writeFile(outputPath, text);
  std::fprintf(stderr,
               "wordgen: %lld entries (%d words read differently from their characters, %d "
               "additions), %d phrases that do not fit left out\n",
               static_cast<long long>(table.size()), differing, additions, dropped);
  return 0;
}
