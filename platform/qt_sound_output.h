#pragma once
// The sound output of the program: the multimedia commands for the segment
// sound file and synchronous wav playback, over libsndfile and the audio
// server (Qt Multimedia).
//
// The reading plays wav sounds without waiting (it counts their lengths on a
// timer of its own). A synchronous wav sound waits for its length in a local
// event loop: timer ticks that fall due meanwhile are held back and
// delivered once afterwards, and stopAll() ends the wait at once, cutting
// the sound. Without an audio device every sound
// keeps its length but nothing is heard.
#include <QHash>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

#include "platform/sound_files.h"
#include "platform/sound_output.h"

class QEventLoop;
class SoundVoice;

class QtSoundOutput : public SoundOutput {
 public:
  // With `useAudioDevice` false nothing is ever sent to the audio server.
  explicit QtSoundOutput(bool useAudioDevice = true);
  ~QtSoundOutput() override;

  int mciExecute(const QString& command) override;
  void sndPlaySound(const QString& path, int flags) override;
  void stopAll() override;
  qint64 soundLengthMs(const QString& path) override;
  bool hasDevice() override;

  // The file open under an alias, empty when none.
  QString openFile() const { return segment_ ? segment_->path : QString(); }

 private:
  struct OpenDevice {
    QString alias;
    QString path;  // as the file system knows it
    PcmSound sound;
  };

  int open(const QString& path, const QString& alias);
  int play(const QString& name, qint64 fromMs, qint64 toMs);
  int close(const QString& alias);
  void waitFor(qint64 ms);
  // A wav file decoded once; null when it cannot be played.
  const PcmSound* decoded(const QString& path);

  bool useAudioDevice_;
  QHash<QString, std::optional<PcmSound>> wavs_;
  std::optional<OpenDevice> segment_;
  std::unique_ptr<SoundVoice> segmentVoice_;
  std::unique_ptr<SoundVoice> wavVoice_;
  std::vector<QEventLoop*> waits_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};
