// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Sound output as the reading subsystem uses it: the segment sound file,
// opened once per reading session, whose ranges play in the background, and
// the wav files of single sounds.
#include <QString>
#include <QtGlobal>

class SoundOutput {
 public:
  virtual ~SoundOutput() = default;
  // Opens the segment file for a reading session (a file open before is
  // closed). False when it cannot be played; the file open before, if any,
  // then stays open.
  virtual bool openSegmentFile(const QString& path) = 0;
  // Starts the range [fromMs, toMs] of the open segment file without
  // waiting; a range still playing is cut. False when no file is open or the
  // range lies outside it (a range running past the end is clipped).
  virtual bool playSegmentRange(qint64 fromMs, qint64 toMs) = 0;
  // Closes the segment file, cutting its sound. False when none was open.
  virtual bool closeSegmentFile() = 0;
  // Starts a wav file; with `wait` it returns only when the sound has ended
  // (or `stopAll` cut it). A file that cannot be played makes no sound.
  virtual void playWav(const QString& path, bool wait) = 0;
  // Cuts every sound at once.
  virtual void stopAll() {}
  // The length of a wav file's sound in milliseconds; -1 when it cannot be
  // played. The reading waits this long for a wav sound to end.
  virtual qint64 soundLengthMs(const QString& path) {
    (void)path;
    return 0;
  }
  // False when there is no audio output device at all: sounds then keep
  // their lengths but nothing is heard.
  virtual bool hasDevice() { return true; }
};
