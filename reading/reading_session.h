// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The reading session: from the caret, one character per step of the step
// timer, the character being read shown selected.
#include <memory>

#include "reading/reading_walk.h"
#include "reading/speech.h"

struct Program;

// The reading unit of the selected character: its syllable split into the
// upper-case first letter and the rest, its tone, and the tone of the
// character after it. Each value falls back to its default on its own.
ReadingUnit FormReadingUnit(Program& p);
// The same for a character `c` (a surrogate pair is one) followed by `next`,
// each read as in the word it stands in when its reading there is given.
ReadingUnit FormReadingUnit(ReadingState& r, const QString& c, const QString& next,
                            const QString& inWord = {}, const QString& nextInWord = {});
// What the status bar shows while a unit is read: the character and its
// pinyin with the tone heard marked ("行 xíng"); the character alone when
// it has no pinyin; nothing for a space, a line break or the end.
QString ReadingStatusText(const ReadingUnit& unit);

// Reads a tone digit: the last character of a reading as a whole number,
// 5 when there is none or it is no digit.
qint16 ToneOf(const QString& reading);

// Sentence starts: the position after a run of sentence ends (。！？；…
// and . ! ? ;, and line breaks), or 0. `SentenceStartAfter` gives the first
// start after `pos` (the length when none); `SentenceStartBefore` the start
// of the sentence before the one `pos` stands in (0 when none).
bool IsSentenceEnd(QChar c);
int SentenceStartAfter(const QString& text, int pos);
int SentenceStartBefore(const QString& text, int pos);

// Where a position of a text stands after the text was edited: unchanged
// before the edit, moved with the text after it, at the edit's start when
// the edit took it away.
int PositionAfterEdit(const QString& before, const QString& after, int pos);

class ReadingSession {
 public:
  ReadingSession(Program& p, Speech& speech);
  ~ReadingSession();
  // 开始朗读: the refusals, then the first character is read at once. A
  // selection of more than one character is read to its end. While paused,
  // a new session starts from the caret.
  void Start();
  // 停止, also at the end of the text or of the selection being read.
  void Stop();
  // A tick of the step timer: one character on, then read it.
  void Step();
  // 暂停/继续: pausing cuts the sound and keeps the place; resuming reads on
  // from the character after the last one read, wherever the caret is.
  void PauseOrResume();
  bool paused() const { return paused_; }
  // 上一句 / 下一句: reading goes on from the start of the previous or the
  // next sentence (while paused, the place to resume from moves there).
  void SkipSentence(int direction);
  // Where the sound set is looked for; empty for the program's folder.
  QString soundDir;

 private:
  void notice(const QString& text);
  void updateMenu();
  void end();

  Program& p_;
  Speech& speech_;
  std::unique_ptr<TextSource> source_;
  ReadingWalk walk_;
  bool deviceNoticeShown_ = false;
  bool paused_ = false;
  // While paused: where reading resumes, the end being read to (-1: the end
  // of the text) and the text as it was, to follow edits.
  int resumeAt_ = 0;
  int pausedEnd_ = -1;
  QString pausedText_;
};
