// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The sound output of the program over libsndfile and the audio server
// (Qt Multimedia).
//
// Every sound goes through one stream that is kept playing, silence
// included, while the segment file is open (that is, while reading goes
// on) and for a few seconds after the last sound otherwise. The stream is
// started and running before `openSegmentFile` returns, and it is always
// kept filled to the same depth: a sound started at any moment, the first
// of a session included, is heard after that same short latency, never
// queued behind another. A range of the segment file is cut by the next
// range; wav sounds mix with whatever still sounds.
//
// A wav sound played with `wait` waits for its length in a local event
// loop: timer ticks that fall due meanwhile are held back and delivered
// once afterwards, and stopAll() ends the wait at once, cutting the sound.
// Without an audio device every sound keeps its length but nothing is
// heard.
#include <QHash>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

#include "platform/sound_files.h"
#include "platform/sound_output.h"

class QEventLoop;
class MixStream;

class QtSoundOutput : public SoundOutput {
 public:
  // With `useAudioDevice` false nothing is ever sent to the audio server.
  explicit QtSoundOutput(bool useAudioDevice = true);
  ~QtSoundOutput() override;

  bool openSegmentFile(const QString& path) override;
  bool playSegmentRange(qint64 fromMs, qint64 toMs) override;
  bool closeSegmentFile() override;
  void playWav(const QString& path, bool wait) override;
  void stopAll() override;
  qint64 soundLengthMs(const QString& path) override;
  bool hasDevice() override;

  // The file open, as the file system knows it; empty when none.
  QString openFile() const { return segment_ ? segmentPath_ : QString(); }
  // How long after its start a sound is heard: the depth the stream is kept
  // filled to (0 while no stream plays).
  int latencyMs() const;

 private:
  void waitFor(qint64 ms);
  // A wav file decoded once; null when it cannot be played.
  const PcmSound* decoded(const QString& path);

  bool useAudioDevice_;
  QHash<QString, std::optional<PcmSound>> wavs_;
  std::optional<PcmSound> segment_;
  QString segmentPath_;
  std::unique_ptr<MixStream> stream_;
  std::vector<QEventLoop*> waits_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};
