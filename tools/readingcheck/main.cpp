// SPDX-License-Identifier: GPL-3.0-or-later
// readingcheck: how often the reader reads a Chinese character otherwise
// than a reference says it is read in context.
//
//   readingcheck [--list] <text.txt> [<pinyin.txt> <words.txt>]
//
// The text is UTF-8. The references are the files beside it named
// <text.txt>.readings and, when present, <text.txt>.played: the numbered
// reading of every Chinese character of the text, in order, separated by
// white space ('#' starts a comment up to the end of the line). The
// .readings file gives each character's reading in its word (a neutral tone
// written 5); the .played file the tone as spoken, third tones changed
// before third tones. Each character is read exactly as a reading session
// reads it (the reading unit formed for it in the edit control):
//   - character by character and by words, with neither the neutral tone
//     nor the third-tone change, against .readings: a neutral tone of the
//     reference is matched by any tone of the same syllable there, since
//     the sound set then plays the syllable's full tone;
//   - as played with every option on (by words, neutral tones, third-tone
//     changes), against .played: syllable and tone heard, the neutral tone
//     a tone of its own.
// 一 and 不 are not counted: the syllable table changes their tones by the
// next syllable. With --list every difference is printed with its context.
#include <QApplication>
#include <QFile>
#include <QRegularExpression>
#include <QTextStream>
#include <cstdio>

#include "platform/edit_control.h"
#include "platform/pinyin_dictionary_ime.h"
#include "program/program.h"
#include "reading/reading_session.h"
#include "reading/word_readings.h"

namespace {

[[noreturn]] void fail(const QString& message) {
  std::fprintf(stderr, "readingcheck: %s\n", qPrintable(message));
  std::exit(2);
}

bool isHan(QChar c) { return c.script() == QChar::Script_Han && !c.isSurrogate(); }

QStringList readReference(const QString& path) {
  QFile rf(path);
  if (!rf.open(QIODevice::ReadOnly)) return {};
  QStringList reference;
  for (const QString& line : QString::fromUtf8(rf.readAll()).split(u'\n'))
    reference << line.section(u'#', 0, 0)
                     .split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
  return reference;
}

bool same(const QString& got, const QString& expected) {
  if (got == expected) return true;
  return expected.endsWith(u'5') && got.chopped(1) == expected.chopped(1);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QStringList args = app.arguments().mid(1);
  const bool list = args.removeAll(QStringLiteral("--list")) > 0;
  if (args.size() != 1 && args.size() != 3)
    fail(QStringLiteral("usage: readingcheck [--list] <text.txt> [<pinyin.txt> <words.txt>]"));
  const QString textPath = args[0];
  const QStringList pinyinPlaces =
      args.size() == 3 ? QStringList{args[1]} : PinyinDictionaryIme::defaultPlaces();
  const QStringList wordPlaces =
      args.size() == 3 ? QStringList{args[2]} : WordReadings::defaultPlaces();

  QFile tf(textPath);
  if (!tf.open(QIODevice::ReadOnly)) fail(QStringLiteral("cannot read %1").arg(textPath));
  const QString text = QString::fromUtf8(tf.readAll());
  const QStringList reference = readReference(textPath + QStringLiteral(".readings"));
  if (reference.isEmpty()) fail(QStringLiteral("cannot read %1.readings").arg(textPath));
  const QStringList played = readReference(textPath + QStringLiteral(".played"));
  QList<int> positions;
  for (int i = 0; i < text.size(); ++i)
    if (isHan(text[i])) positions << i;
  if (positions.size() != reference.size())
    fail(QStringLiteral("%1 Chinese characters but %2 reference readings")
             .arg(positions.size())
             .arg(reference.size()));
  if (!played.isEmpty() && played.size() != reference.size())
    fail(QStringLiteral("%1 Chinese characters but %2 played readings")
             .arg(positions.size())
             .arg(played.size()));

  PinyinDictionaryIme ime(pinyinPlaces);
  WordReadings words(wordPlaces);
  EditControl edit;
  Program p;
  p.txtFile = &edit;
  p.reading.ime = &ime;
  p.reading.words = &words;
  edit.setText(text);
  if (ime.keyboardLayoutList().isEmpty()) fail(QStringLiteral("no pinyin dictionary"));
  if (!words.ensureLoaded()) fail(QStringLiteral("no word table"));

  QTextStream out(stdout);
  int counted = 0, wrongAlone = 0, wrongByWords = 0, wrongPlayed = 0;
  for (qsizetype k = 0; k < positions.size(); ++k) {
    const int pos = positions[k];
    const QChar c = text[pos];
    if (c == u'一' || c == u'不') continue;
    ++counted;
    QString got[3];
    for (int way = 0; way < 3; ++way) {
      p.reading.ReadByWords = way > 0;
      p.reading.ReadNeutralTone = p.reading.ReadToneSandhi = way == 2;
      edit.select(pos, 1);
      const ReadingUnit u = FormReadingUnit(p);
      got[way] = (u.initial + u.rest).toLower() + QString::number(PlayedTone(u));
    }
    const bool okAlone = same(got[0], reference[k]), okByWords = same(got[1], reference[k]);
    const bool okPlayed = played.isEmpty() || got[2] == played[k];
    wrongAlone += !okAlone;
    wrongByWords += !okByWords;
    wrongPlayed += !okPlayed;
    if (list && (!okAlone || !okByWords || !okPlayed))
      out << text.mid(std::max(0, pos - 6), std::min(pos, 6)).replace(u'\n', u' ') << '[' << c
          << ']' << text.mid(pos + 1, 6).replace(u'\n', u' ') << "  reference " << reference[k]
          << "  alone " << got[0] << (okAlone ? "" : " x") << "  by words " << got[1]
          << (okByWords ? "" : " x") << "  played " << (played.isEmpty() ? QString() : played[k])
          << " / " << got[2] << (okPlayed ? "" : " x") << '\n';
  }
  auto share = [counted](int n) {
    return QString::number(n) + QStringLiteral(" (") +
           QString::number(counted ? 100.0 * n / counted : 0, 'f', 2) + QStringLiteral("%)");
  };
  out << "Chinese characters counted (一 and 不 left aside): " << counted << '\n'
      << "read otherwise than the reference, character by character: " << share(wrongAlone) << '\n'
      << "read otherwise than the reference, by words: " << share(wrongByWords) << '\n';
  if (!played.isEmpty())
    out << "played otherwise than spoken (neutral tones, third-tone changes): "
        << share(wrongPlayed) << '\n';
  return 0;
}
