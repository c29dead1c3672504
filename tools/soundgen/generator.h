// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Makes the sound set of the reading subsystem from a sound list.
#include <cstdint>
#include <string>
#include <vector>

#include "sound_list.h"
#include "speech.h"

namespace soundgen {

// The pinyin voice: "cmn" and "zh" read tone-numbered pinyin as English.
inline constexpr const char* kPinyinVoice = "cmn-latn-pinyin";
inline constexpr const char* kLetterVoice = "en";

class Generator {
 public:
  explicit Generator(Speaker& speaker) : speaker_(speaker) {}

  // One wav file of the Sounds folder. For an initial, release (if given)
  // receives how many of its first samples are the consonant's release;
  // the rest of a stop or affricate is the transition into its vowel.
  bool makeWav(const WavEntry& entry, std::vector<int16_t>& out, std::string& error,
               int* release = nullptr);

  // A syllable for a segment: it fills at most room samples, shortened or
  // slowed down to come close to that.
  bool makeFitted(const std::string& text, int room, std::vector<int16_t>& out, std::string& error);

  // The whole segment file: every range holds its syllable from its first
  // millisecond on (or from the end of a range it starts inside), ending
  // before the range's last millisecond and before the next range starts;
  // silence elsewhere.
  bool makeSegmentFile(const std::vector<SegmentEntry>& segments, std::vector<int16_t>& out,
                       std::string& error);

 private:
  // The text said at a rate, its offsets removed, trimmed to its sound.
  bool speakTrimmed(const std::string& text, const char* voice, int wpm, std::vector<float>& out,
                    std::string& error);
  bool makeNeutral(const std::string& text, int after, std::vector<float>& out, std::string& error);
  bool makeInitial(const std::string& carrier, std::vector<float>& out, int& release,
                   std::string& error);

  Speaker& speaker_;
};

// The neutral tone against the first tone's sound: its length, its level
// below, and the pitch step of one level of the five-level scale.
inline constexpr double kNeutralLength = 0.55;
inline constexpr double kNeutralBelowDb = 5;
inline constexpr double kNeutralStepSemitones = 2.5;
// The level (1 low to 5 high) of a neutral tone after tone 1 to 4.
inline int neutralLevel(int after) {
  switch (after) {
    case 1: return 2;
    case 2: return 3;
    case 3: return 4;
    default: return 1;
  }
}

// Where each range's syllable may end: the range's last millisecond, or the
// start of a range that begins inside it, whichever comes first.
std::vector<int> segmentEnds(const std::vector<SegmentEntry>& segments);

// Where each range's syllable starts: the range's first millisecond or,
// when that lies inside another range, the end of that range, so that the
// other range ends in silence and holds nothing of this one.
std::vector<int> segmentStarts(const std::vector<SegmentEntry>& segments);

}  // namespace soundgen
