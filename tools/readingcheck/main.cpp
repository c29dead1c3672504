// readingcheck: how often the reader reads a Chinese character otherwise
// than a reference says it is read in context.
//
//   readingcheck [--list] <text.txt> [<pinyin.txt> <words.txt>]
//
// The text is UTF-8. The reference is the file beside it named
// <text.txt>.readings: the numbered reading of every Chinese character of
// the text, in order, separated by white space ('#' starts a comment up to
// the end of the line). Each character is read exactly as a reading session
// reads it (the reading unit formed for it in the edit control), once
// character by character and once by words. A reading differs when its
// syllable or its tone differs; a neutral tone in the reference (tone 5,
// which the sound set plays as the syllable's full tone) is matched by any
// tone of the same syllable. 一 and 不 are not counted: the syllable table
// changes their tones by the next syllable. With --list every difference
// is printed with its context.
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
  QFile rf(textPath + QStringLiteral(".readings"));
  if (!rf.open(QIODevice::ReadOnly)) fail(QStringLiteral("cannot read %1").arg(rf.fileName()));
  QStringList reference;
  for (const QString& line : QString::fromUtf8(rf.readAll()).split(u'\n'))
    reference << line.section(u'#', 0, 0)
                     .split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);

  QList<int> positions;
  for (int i = 0; i < text.size(); ++i)
    if (isHan(text[i])) positions << i;
  if (positions.size() != reference.size())
    fail(QStringLiteral("%1 Chinese characters but %2 reference readings")
             .arg(positions.size())
             .arg(reference.size()));

  PinyinDictionaryIme ime(pinyinPlaces);
  WordReadings words(wordPlaces);
  EditControl edit;
  Program p;
  p.txtFile = &edit;
  p.ime = &ime;
  p.words = &words;
  edit.setText(text);
  if (ime.keyboardLayoutList().isEmpty()) fail(QStringLiteral("no pinyin dictionary"));
  if (!words.ensureLoaded()) fail(QStringLiteral("no word table"));

  QTextStream out(stdout);
  int counted = 0, wrongAlone = 0, wrongByWords = 0;
  for (qsizetype k = 0; k < positions.size(); ++k) {
    const int pos = positions[k];
    const QChar c = text[pos];
    if (c == u'一' || c == u'不') continue;
    ++counted;
    QString got[2];
    for (int byWords = 0; byWords < 2; ++byWords) {
      p.ReadByWords = byWords;
      edit.select(pos, 1);
      const ReadingUnit u = FormReadingUnit(p);
      got[byWords] = (u.initial + u.rest).toLower() + QString::number(u.tone);
    }
    const bool okAlone = same(got[0], reference[k]), okByWords = same(got[1], reference[k]);
    wrongAlone += !okAlone;
    wrongByWords += !okByWords;
    if (list && (!okAlone || !okByWords))
      out << text.mid(std::max(0, pos - 6), std::min(pos, 6)).replace(u'\n', u' ') << '[' << c
          << ']' << text.mid(pos + 1, 6).replace(u'\n', u' ') << "  reference " << reference[k]
          << "  alone " << got[0] << (okAlone ? "" : " x") << "  by words " << got[1]
          << (okByWords ? "" : " x") << '\n';
  }
  out << "Chinese characters counted (一 and 不 left aside): " << counted << '\n'
      << "read otherwise than the reference, character by character: " << wrongAlone << " ("
      << QString::number(counted ? 100.0 * wrongAlone / counted : 0, 'f', 2) << "%)\n"
      << "read otherwise than the reference, by words: " << wrongByWords << " ("
      << QString::number(counted ? 100.0 * wrongByWords / counted : 0, 'f', 2) << "%)\n";
  return 0;
}
