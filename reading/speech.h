// SPDX-License-Identifier: GPL-3.0-or-later
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
#include <functional>
#include <vector>

#include "platform/paths.h"
#include "program/reading_state.h"

class SoundOutput;
class Timer;

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
void BuildSoundPaths(ReadingState& r, const QString& exeDir = executableDir());

// The 40 marks answered with a short pause and the 9 with a long one.
const QString& ShortPauseMarks();
const QString& LongPauseMarks();

// One sound of a unit, as the output steps make it.
struct SoundStep {
  enum Kind { Wav, Segment, Pause } kind = Pause;
  QString wav;  // for Wav: the name relative to `AppDir` ("Sounds/b.wav")
  int from = 0;
  int to = 0;
  int pause = 0;       // for Segment and Pause: how long the step timer is held
  bool glide = false;  // a glide or the rest of its final: `GlideActive` while it plays
  // "b" for "Sounds/b.wav", "4150-4550" for a range, "(400)" for a pause.
  QString describe() const;
};

// What speech needs of its surroundings: the sound output, the three timers
// of a reading (the step timer it holds, the pause timer, the wav timer)
// and the reading's state, with the sound set's folder `AppDir`, the tone
// options and what one sound leaves for the next. Null outputs and timers
// are left out.
struct SpeechContext {
  ReadingState& reading;
  SoundOutput* sound = nullptr;
  Timer* Timer2 = nullptr;
  Timer* Timer3 = nullptr;
  Timer* WavTimer = nullptr;
};

// Speaks units through the output steps, on the timers of its context and
// never in a wait of its own. A unit's sounds are worked out first and then
// played one after another: a wav sound to its end (the wav timer counts its
// length while the step timer goes on counting), a range of the segment file
// or a pause in the background while the step timer is held by the pause
// timer. A step that falls due while a wav sound still plays comes as soon
// as the sound ends.
class Speech {
 public:
  explicit Speech(const SpeechContext& context) : c_(context) {}
  const SpeechContext& context() const { return c_; }

  // Output steps.
  // Plays "Sounds/x.wav" (a name relative to `AppDir`; backslashes are
  // taken as separators) to its end, after the sounds before it; the step
  // timer is not touched.
  void PlayWav(const QString& name);
  // Holds the step timer, starts the range of the segment file and arms
  // the pause timer with `pause` milliseconds.
  void PlaySegment(int from, int to, int pause);
  // Holds the step timer for `length` milliseconds without a sound.
  void Pause(int length);
  // The pause timer's tick: the step timer runs again, the pause ends.
  void Timer3Tick();
  // The wav timer's tick: the wav sound has ended, the next sound follows.
  void WavTick();

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

  // Stops at once: the sound playing is cut and nothing of the unit is
  // left to play.
  void Stop();

  // True while a wav sound of the unit still plays.
  bool busy() const { return waitingWav_; }
  // A step fell due while a wav sound played: it is taken as soon as the
  // unit's wav sounds have ended (`onStepDue` runs then), unless a pause
  // holds the step timer first.
  void deferStep() { stepDue_ = true; }
  std::function<void()> onStepDue;
  // Each sound as it starts, as `SoundStep::describe` gives it.
  std::function<void(const SoundStep&)> onSound;

 private:
  // Marks a call from outside (a unit, a syllable, a final): its sounds are
  // played when the outermost call returns.
  class Entry {
   public:
    explicit Entry(Speech& s) : s_(s) { ++s_.depth_; }
    ~Entry() {
      if (--s_.depth_ == 0) s_.run();
    }
    Entry(const Entry&) = delete;
    Entry& operator=(const Entry&) = delete;

   private:
    Speech& s_;
  };
  void add(SoundStep step);
  void run();
  void playSyllable(const QString& initial, const QString& rest, qint16 tone, qint16 nextTone);
  void playFinal(const QString& final, qint16 tone);
  void playGlide(const QString& glide, const QString& final, qint16 tone);

  SpeechContext c_;
  int depth_ = 0;
  bool running_ = false;
  bool waitingWav_ = false;
  bool stepDue_ = false;
  std::vector<SoundStep> plan_;
  size_t next_ = 0;
};

// The tone a unit is heard with: bu and yi change with the tone after them.
qint16 PlayedTone(const ReadingUnit& unit);
// A syllable with its tone as a mark on the vowel ("xing", 2 gives "xíng");
// "v" is written "ü". Tone 5 leaves the syllable as it is.
QString PinyinWithToneMark(const QString& syllable, qint16 tone);
