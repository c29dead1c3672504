// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/pcm_convert.h"

#include <algorithm>

PcmSound ConvertPcm(const PcmSound& in, int rate, int channels) {
  if (in.sampleRate == rate && in.channels == channels) return in;
  PcmSound out;
  out.sampleRate = rate;
  out.channels = channels;
  const qint64 inFrames = in.frames();
  if (inFrames == 0 || in.sampleRate <= 0 || rate <= 0 || channels <= 0) return out;
  const qint64 outFrames = inFrames * rate / in.sampleRate;
  out.samples.resize(outFrames * 2 * channels);
  const auto* src = reinterpret_cast<const qint16*>(in.samples.constData());
  auto* dst = reinterpret_cast<qint16*>(out.samples.data());
  auto sample = [&](qint64 f, int c) {
    return double(src[f * in.channels + std::min(c, in.channels - 1)]);
  };
  for (qint64 i = 0; i < outFrames; ++i) {
    const double pos = double(i) * in.sampleRate / rate;
    const qint64 f = std::min<qint64>(qint64(pos), inFrames - 1);
    const qint64 g = std::min<qint64>(f + 1, inFrames - 1);
    const double t = pos - double(f);
    for (int c = 0; c < channels; ++c)
      dst[i * channels + c] = qint16(sample(f, c) * (1 - t) + sample(g, c) * t);
  }
  return out;
}
