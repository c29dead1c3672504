#pragma once
// The reading menu: start and stop, the timers' ticks, voice and speed.
#include "reading/reading_session.h"
#include "reading/speech.h"

struct Program;

class ReadingCommands {
 public:
  explicit ReadingCommands(Program& p) : p_(p), speech_(p), session_(p, speech_) {}
  void numStart();
  void numStop();
  void timer2Tick();
  void timer3Tick();
  void numSoundOpt(int index);
  void numSoundSpeed(int index);
  void numWords();

  // The sounds of the reading: units, syllables, the output steps.
  Speech& speech() { return speech_; }
  ReadingSession& session() { return session_; }

 private:
  Program& p_;
  Speech speech_;
  ReadingSession session_;
};
