// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The reading menu: start and stop, the timers' ticks, voice and speed.
#include "reading/reading_session.h"
#include "reading/speech.h"

struct Program;

// The program's sound output, reading timers and reading state, as the
// reading of the window speaks through them.
SpeechContext WindowSpeechContext(Program& p);

// Made once the program's sound output and timers are set.
class ReadingCommands {
 public:
  explicit ReadingCommands(Program& p)
      : p_(p), speech_(WindowSpeechContext(p)), session_(p, speech_) {}
  void numStart();
  void numStop();
  // 朗读到文件: the text from the caret to the end (or the selection, when
  // longer than one character) read into a wav file at the current speed.
  void numReadToFile();
  // 暂停/继续, 上一句, 下一句.
  void numPause();
  void numPrevSentence();
  void numNextSentence();
  void timer2Tick();
  void timer3Tick();
  void wavTimerTick();
  void numSoundOpt(int index);
  void numSoundSpeed(int index);
  void numWords();

  // The sounds of the reading: units, syllables, the output steps.
  Speech& speech() { return speech_; }
  ReadingSession& session() { return session_; }
  // Where reading and 朗读到文件 look for the sound set; empty for the
  // program's folder.
  QString soundDir;

 private:
  Program& p_;
  Speech speech_;
  ReadingSession session_;
};
