// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The sound set on disk: where it is, how its names reach the file system,
// and wav files decoded into memory.
#include <QByteArray>
#include <QString>

#include "platform/paths.h"

// The folder that holds the sound set (the segment file "QZCSo.wav" and the
// "Sounds" folder): the executable's own folder, or for an installed copy
// its data folder (share/chimepad of its prefix). When neither holds the set, the executable's
// folder, so that opening the segment file fails there visibly. Native
// separators, without a trailing separator (unless it is a root).
QString soundSetDir(const QString& exeDir = executableDir());

// The file a sound name stands for. Names are built with backslashes
// ("...\Sounds\b.wav"); where the file system uses slashes they become
// slashes, unless a file of exactly the given name exists.
QString soundFileSystemPath(const QString& name);

// A decoded sound: interleaved signed 16-bit samples, one or two channels.
struct PcmSound {
  int sampleRate = 0;
  int channels = 0;
  QByteArray samples;

  qint64 frames() const { return channels > 0 ? samples.size() / (2 * channels) : 0; }
  // Length in milliseconds, rounded up.
  qint64 lengthMs() const {
    return sampleRate > 0 ? (frames() * 1000 + sampleRate - 1) / sampleRate : 0;
  }
  // The part from `fromMs` up to `toMs`, clipped to the sound.
  PcmSound slice(qint64 fromMs, qint64 toMs) const;
};

// What a wav file may claim before it is taken for a damaged one: a sample
// rate from 4 kHz to 192 kHz, at most 8 channels, and a length of at most
// kMaxWavMs (the segment file holds every syllable) or, for a single sound
// that reading waits for, kMaxSoundMs.
inline constexpr int kMinWavRate = 4000;
inline constexpr int kMaxWavRate = 192000;
inline constexpr int kMaxWavChannels = 8;
inline constexpr qint64 kMaxWavMs = 10 * 60 * 1000;
inline constexpr qint64 kMaxSoundMs = 5000;

// Decodes a wav file (any sample format the wav container carries; more
// than two channels keep the first two). False when the file is missing,
// unreadable or not a wav file, and when its rate, channel count or length
// (beyond `maxMs`) is out of bounds.
bool DecodeWav(const QString& fileName, PcmSound& out, qint64 maxMs = kMaxWavMs);

// Writes a 16-bit PCM wav file in one go or in pieces. Nothing appears under
// the file's name until `commit` succeeds: a cancelled or failed write
// leaves no partial file (and an existing file as it was).
class WavFileWriter {
 public:
  WavFileWriter();
  ~WavFileWriter();
  WavFileWriter(const WavFileWriter&) = delete;
  WavFileWriter& operator=(const WavFileWriter&) = delete;

  bool open(const QString& fileName, int sampleRate, int channels);
  // Interleaved samples, `frames` frames of `channels` samples.
  bool write(const qint16* samples, qint64 frames);
  bool commit();
  void cancel();
  // The platform's description of the last failure.
  QString errorString() const { return error_; }

 private:
  struct Impl;
  Impl* d_;
  QString error_;
};
