#pragma once
// Sound output as the reading subsystem uses it: the multimedia command
// interface for the segment sound file and synchronous wav playback.
#include <QString>

class SoundOutput {
 public:
  virtual ~SoundOutput() = default;
  // Takes "open <path> alias QzcSounds", "play <path> from A to B" and
  // "close QzcSounds"; answers non-zero on success, like mciExecute.
  virtual int mciExecute(const QString& command) = 0;
  // Plays a wav file to its end before returning (flags 0).
  virtual void sndPlaySound(const QString& path, int flags) = 0;
};
