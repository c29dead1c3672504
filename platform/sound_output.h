#pragma once
// Sound output as the reading subsystem uses it: the multimedia command
// interface for the segment sound file and synchronous wav playback.
#include <QString>
#include <QtGlobal>

// Flags of sndPlaySound: 0 plays to the end before returning.
inline constexpr int kSndSync = 0;
inline constexpr int kSndAsync = 1;

class SoundOutput {
 public:
  virtual ~SoundOutput() = default;
  // Takes "open <path> alias QzcSounds", "play <path> from A to B" and
  // "close QzcSounds"; answers non-zero on success, like mciExecute.
  virtual int mciExecute(const QString& command) = 0;
  // Plays a wav file to its end before returning (flags 0); with kSndAsync
  // it returns at once. A file that cannot be played makes no sound.
  virtual void sndPlaySound(const QString& path, int flags) = 0;
  // Cuts every sound at once. A synchronous sndPlaySound that is waiting
  // for its sound to end returns as soon as control gets back to it.
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
