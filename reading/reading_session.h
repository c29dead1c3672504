#pragma once
// The reading session: from the caret, one character per step of the step
// timer, the character being read shown selected.
#include "reading/speech.h"

struct Program;

// The reading unit of the selected character: its syllable split into the
// upper-case first letter and the rest, its tone, and the tone of the
// character after it. Each value falls back to its default on its own.
ReadingUnit FormReadingUnit(Program& p);
// The same for a character `c` (a surrogate pair is one) followed by `next`,
// each read as in the word it stands in when its reading there is given.
ReadingUnit FormReadingUnit(Program& p, const QString& c, const QString& next,
                            const QString& inWord = {}, const QString& nextInWord = {});
// What the status bar shows while a unit is read: the character and its
// pinyin with the tone heard marked ("行 xíng"); the character alone when
// it has no pinyin; nothing for a space, a line break or the end.
QString ReadingStatusText(const ReadingUnit& unit);

// Reads a tone digit: the last character of a reading as a whole number,
// 5 when there is none or it is no digit.
qint16 ToneOf(const QString& reading);

class ReadingSession {
 public:
  ReadingSession(Program& p, Speech& speech);
  // 开始朗读: the refusals, then the first character is read at once.
  void Start();
  // 停止, also at the end of the text.
  void Stop();
  // A tick of the step timer: one character on, then read it.
  void Step();

 private:
  void notice(const QString& text);
  void speak();

  Program& p_;
  Speech& speech_;
  bool deviceNoticeShown_ = false;
};
