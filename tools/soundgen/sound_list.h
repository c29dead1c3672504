// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The list of sounds the generator makes: every wav file of the Sounds
// folder and every range of the segment file QZCSo.wav, each with the text
// that espeak-ng speaks for it.
#include <string>
#include <vector>

namespace soundgen {

enum class WavKind {
  Initial,   // the consonant onset of the text, cut before its vowel (a stop or
             // affricate keeps the transition into it)
  Syllable,  // the whole text, Chinese pinyin with a tone digit
  Letter,    // the text spoken by the English voice (letter names)
  Neutral,   // the text (a syllable with tone 1) as a neutral tone: short, light
             // and level at the pitch that follows the tone `after`
};

struct WavEntry {
  std::string name;  // file name without ".wav"
  WavKind kind;
  std::string text;
  int after = 0;  // Neutral: the tone before it, 1 to 4
};

struct SegmentEntry {
  int firstMs;
  int lastMs;
  std::string text;  // pinyin with a tone digit
};

struct SoundList {
  std::vector<WavEntry> wavs;
  std::vector<SegmentEntry> segments;  // in the order of the list
};

// Reads the list; on a malformed line returns false with a message naming
// the line. Lines:
//   wav NAME initial|syllable|letter|neutral1..neutral4 TEXT
//   seg FIRST_MS LAST_MS TEXT
// Blank lines and lines starting with '#' are ignored.
bool parseSoundList(const std::string& text, SoundList& out, std::string& error);

}  // namespace soundgen
