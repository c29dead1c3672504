// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reading rendered into a wav file: the same units, sounds, holds and
// pauses as reading aloud, on a clock that moves as fast as the machine
// mixes, so that the file is what a listener would have heard.
#include <QString>
#include <QStringList>
#include <functional>

class InputMethod;
class WordReadings;

// One unit as it was read: when it started (ms from the start of the
// file), the character, its pinyin with tone digit (empty for none) and the
// sounds played ("x", "i1", "4150-4550"; a pause is "(400)").
struct RenderedUnit {
  qint64 startMs = 0;
  QString ch;
  QString pinyin;
  QStringList sounds;
};

struct RenderJob {
  QString text;          // read from its start to its end
  int intervalMs = 500;  // the step interval
  QString soundDir;      // the folder of "QZCSo.wav" and "Sounds"
  InputMethod* ime = nullptr;
  // Polyphonic characters read as in the words they stand in; null: each
  // character read alone.
  WordReadings* words = nullptr;
  // 按词语读多音字; off, the word table serves the tone changes alone.
  bool byWords = true;
  // 轻声 and 上声变调 (see ReadingState).
  bool neutralTone = true;
  bool toneSandhi = true;
  QString outFile;
  // Called as reading goes on with the share done, 0 to 100; false cancels.
  std::function<bool(int percent)> progress;
  // Called for each unit once its sounds are known.
  std::function<void(const RenderedUnit&)> trace;
};

enum class RenderStatus { Ok, Cancelled, NoPinyin, NoSoundSet, WriteFailed };

struct RenderResult {
  RenderStatus status = RenderStatus::Ok;
  QString error;        // a one-line description when not Ok
  qint64 lengthMs = 0;  // of the sound written
};

// Renders the job into `outFile` (the sound set's sample format). Nothing
// is left under that name unless the whole file was written.
RenderResult RenderReading(const RenderJob& job);

// The step interval for a speed given on the command line or chosen from
// the menu: "slow" 1000, "medium" 500, "fast" 100 ms, or a custom value 1 to
// 100 times 100 ms; 0 when the text is none of these.
int SpeedInterval(const QString& speed);
