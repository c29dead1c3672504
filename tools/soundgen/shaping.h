// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Signal shaping of the generated sounds: offset removal, trimming,
// fades, time compression and conversion to 16-bit samples.
#include <cstdint>
#include <vector>

#include "speech.h"

namespace soundgen {

constexpr int kSampleRate = 22050;

// Samples in a number of milliseconds, rounded down.
int samplesIn(double ms);

// espeak renders obstruents (stops, affricates, fricatives) over a slowly
// wandering offset: a closure with a DC step and a wobble of some 50 Hz
// before the frication. Subtracts the signal's 5 ms running mean inside
// every obstruent, which leaves the frication (high frequencies) alone and
// the vowels untouched.
void removeObstruentOffset(std::vector<float>& x, const std::vector<PhonemeMark>& phonemes);

// Whether espeak's phoneme is a stop, affricate or fricative.
bool isObstruent(const std::string& phoneme);

// How an initial's consonant sounds before its vowel.
enum class ConsonantClass {
  Stop,           // a stop or an affricate: a burst (and frication), then the vowel
  Sibilant,       // s, sh, x: strong frication
  WeakFricative,  // f, h: weak frication
  Other,          // nasals, liquids, glides, the voiced r
};
ConsonantClass consonantClass(const std::string& phoneme);

// The rms of the loudest window of n samples in x[from, to) (of the whole
// stretch when it is shorter); 0 when the stretch is empty.
double loudestRms(const std::vector<float>& x, int from, int to, int n);

struct Span {
  int begin = 0;
  int end = 0;  // one past the last sample
  int length() const { return end - begin; }
};

// The part of x[from, to) that holds sound: it starts just before the first
// stretch of sustained sound (so a closure's click or a low murmur ahead of
// the frication is left out) and ends after the last audible sound. Empty
// when there is none.
Span soundSpan(const std::vector<float>& x, int from, int to);

// Raises the first n samples from silence, lowers the last n to silence.
void fadeIn(std::vector<float>& x, int n);
void fadeOut(std::vector<float>& x, int n);

// Plays x faster by the factor (above 1 shortens) without changing its
// pitch.
std::vector<float> changeSpeed(const std::vector<float>& x, double factor);

// The same, and the pitch raised by the factor (below 1 lowers it).
std::vector<float> changeSpeedAndPitch(const std::vector<float>& x, double speed, double pitch);

// Rounds to 16-bit samples; a sound louder than about -0.8 dBFS is scaled
// down as a whole so that nothing clips.
std::vector<int16_t> toPcm(const std::vector<float>& x);

}  // namespace soundgen
