// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Small sound files written by the tests themselves: a sine tone of a given
// length, or silence, in any format libsndfile writes.
#include <sndfile.h>
#include <QFile>
#include <QString>

#include <cmath>
#include <vector>

struct ToneSpec {
  int ms = 300;
  int rate = 22050;
  int channels = 1;
  int format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  double amplitude = 0.5;  // of full scale; 0 writes silence
  double frequency = 440;
};

// Writes the tone; false when the file could not be written.
inline bool writeTone(const QString& path, const ToneSpec& t = {}) {
  SF_INFO info{};
  info.samplerate = t.rate;
  info.channels = t.channels;
  info.format = t.format;
  SNDFILE* f = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
  if (!f) return false;
  const sf_count_t frames = sf_count_t(t.rate) * t.ms / 1000;
  std::vector<double> data(size_t(frames) * t.channels);
  for (sf_count_t i = 0; i < frames; ++i)
    for (int c = 0; c < t.channels; ++c)
      data[size_t(i) * t.channels + c] =
          t.amplitude * std::sin(2 * M_PI * t.frequency * double(i) / t.rate);
  const bool ok = sf_writef_double(f, data.data(), frames) == frames;
  sf_close(f);
  return ok;
}
