// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// espeak-ng driven synchronously, with phoneme events.
//
// espeak-ng keeps state between utterances (its output depends on what was
// spoken before in the same process) and cannot be initialised twice in one
// process. The generator therefore opens one Speaker and says everything in
// a fixed order, which makes the output the same on every run.
#include <string>
#include <vector>

namespace soundgen {

struct PhonemeMark {
  int sample;        // where the phoneme starts
  std::string name;  // espeak's phoneme mnemonic ("ts.h", "A", "iou"...)
};

struct Utterance {
  std::vector<float> samples;         // mono, in 16-bit units (-32768..32767)
  std::vector<PhonemeMark> phonemes;  // pauses left out
};

class Speaker {
 public:
  // Opens espeak-ng; false (with a message) when it or its data is missing.
  bool open(std::string& error);
  int sampleRate() const { return rate_; }
  // Speaks text with the voice at the rate (words per minute, 80 to 450),
  // pitch range 100 (tones clearly apart) and volume 75 (no clipping).
  bool say(const std::string& text, const std::string& voice, int wpm, Utterance& out,
           std::string& error);

 private:
  int rate_ = 0;
  std::string voice_;
};

}  // namespace soundgen
