#pragma once
// Speaking one character aloud: the output steps through which every sound
// is made, the syllable sound table, and the reading unit.
//
// Sounds come from the sound set beside the program: the wav files of the
// "Sounds" folder, played to their end, and ranges of the segment file
// "QZCSo.wav", played in the background while the step timer `Timer2` is
// held by the pause timer `Timer3` for the sound's length.
#include <QString>
#include <QtGlobal>
#include <vector>

#include "platform/paths.h"

struct Program;

// The character under the caret with the pinyin values worked out for it.
struct ReadingUnit {
  QString initial;      // upper-case first letter of the syllable, or the character
                        // itself upper-cased when it is not converted; empty for a space
  QString rest;         // the syllable without its first letter and its tone digit
  qint16 tone = 5;      // tone digit; 5 when none can be read
  qint16 nextTone = 5;  // tone digit of the following character; 5 when none
  QString ch;           // the character itself; empty at the end of the text
};

// Sets `AppDir` (the sound set's folder with a trailing separator) and
// `SegmentFilePath` (the segment file in it) from the executable's folder.
void BuildSoundPaths(Program& p, const QString& exeDir = executableDir());

// The 40 marks answered with a short pause and the 9 with a long one.
const QString& ShortPauseMarks();
const QString& LongPauseMarks();

class Speech {
 public:
  explicit Speech(Program& p) : p_(p) {}

  // Output steps.
  // Plays "Sounds\x.wav" (a name relative to `AppDir`) to its end; the
  // step timer is not touched.
  void PlayWav(const QString& name);
  // Holds the step timer, starts the range of the segment file and arms
  // the pause timer with `pause` milliseconds.
  void PlaySegment(int from, int to, int pause);
  // Holds the step timer for `length` milliseconds without a sound.
  void Pause(int length);
  // The pause timer's tick: the step timer runs again, the pause ends.
  void Timer3Tick();

  // One toned syllable: `initial` its upper-case first letter, `rest` the
  // other letters, `tone` its tone (1 to 4, anything else sounds as 4),
  // `nextTone` the tone of the character after it (for bu and yi).
  void PlaySyllable(const QString& initial, const QString& rest, qint16 tone, qint16 nextTone);
  // A final with its tone, from its wav files (a glide before the rest of
  // a compound final) or, for er, from the segment file.
  void PlayFinal(const QString& final, qint16 tone);

  // Speaks one reading unit: digits and letters from their own sounds,
  // punctuation and the end of the text as pauses, anything else as a
  // syllable.
  void SpeakUnit(const ReadingUnit& unit);

  // Stops at once: the sound playing is cut, a wav sound being waited for
  // ends, and the rest of a unit whose sound was cut makes no sound and
  // switches no timer.
  void Stop();

 private:
  // Marks a call from outside (a unit, a syllable, a final), so that a stop
  // coming while one of its sounds plays silences what is left of it.
  class Entry {
   public:
    explicit Entry(Speech& s) : s_(s) { s_.entries_.push_back(s_.generation_); }
    ~Entry() { s_.entries_.pop_back(); }
    Entry(const Entry&) = delete;
    Entry& operator=(const Entry&) = delete;

   private:
    Speech& s_;
  };
  // False once a stop has cut the unit in progress.
  bool live() const;
  void playSyllable(const QString& initial, const QString& rest, qint16 tone, qint16 nextTone);
  void playFinal(const QString& final, qint16 tone);
  void playGlide(const QString& glide, const QString& final, qint16 tone);

  Program& p_;
  int generation_ = 0;            // counts the stops
  std::vector<int> entries_;      // the generation each unit in progress began in
};
