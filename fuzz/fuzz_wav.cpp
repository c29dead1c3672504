// SPDX-License-Identifier: GPL-3.0-or-later
// Wav decoding on any file: refused, or a sound within the bounds a sound
// may have, whose slices stay inside it.
#include "fuzz/fuzz_check.h"
#include "platform/sound_files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString path = scratchFile(".wav", data, size);
  for (const qint64 maxMs : {kMaxWavMs, kMaxSoundMs}) {
    PcmSound s;
    if (!DecodeWav(path, s, maxMs)) continue;
    FUZZ_CHECK(s.sampleRate >= kMinWavRate && s.sampleRate <= kMaxWavRate);
    FUZZ_CHECK(s.channels == 1 || s.channels == 2);
    FUZZ_CHECK(s.samples.size() % (2 * s.channels) == 0);
    FUZZ_CHECK(s.lengthMs() <= maxMs);
    const qint64 length = s.lengthMs();
    for (const auto& [from, to] : {std::pair<qint64, qint64>{0, length},
                                   {length / 3, length / 2},
                                   {length, length + 10},
                                   {50, 20},
                                   {-5, 3}}) {
      const PcmSound part = s.slice(from, to);
      FUZZ_CHECK(part.frames() <= s.frames());
      FUZZ_CHECK(part.samples.size() % (2 * s.channels) == 0);
    }
  }
  QFile::remove(path);
  return 0;
}
