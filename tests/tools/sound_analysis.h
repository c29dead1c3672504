// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Measurements on recorded speech for the checks of the sound set: reading
// wav files, loudness, voicing and pitch (YIN), and the shape of a tone.
#include <string>
#include <vector>

namespace soundcheck {

struct Wav {
  int sampleRate = 0;
  int channels = 0;
  int format = 0;              // libsndfile's format word
  std::vector<float> samples;  // -1..1, first channel
};

// Reads a wav file; false when it is missing or not a wav file.
bool readWav(const std::string& path, Wav& out);

// Root mean square of x[begin, end).
double rms(const std::vector<float>& x, int begin, int end);

// Fourth-order Butterworth low-pass (two second-order sections).
std::vector<float> lowPass(const std::vector<float>& x, int sampleRate, double cutoffHz);

struct PitchFrame {
  double time;   // seconds, centre of the window
  double f0;     // Hz; 0 when unvoiced
  double level;  // rms of the window (of the unfiltered signal)
};

// YIN on windows of about 12 ms after an 800 Hz low-pass, one frame every
// 5 ms; f0 searched from 60 to 400 Hz.
std::vector<PitchFrame> trackPitch(const std::vector<float>& x, int sampleRate);

enum class Tone { None = 0, Level = 1, Rising = 2, Low = 3, Falling = 4 };

struct ToneReading {
  Tone tone = Tone::None;
  std::string detail;  // the measured contour, for failure messages
};

// The tone that a voiced stretch of speech carries: 1 level, 2 rising,
// 3 low or dipping, 4 falling. The pitch of the loud voiced part (the
// vowel) is what counts, in semitones against the voice's high level tone
// (referenceSt: semitones above 100 Hz).
ToneReading readTone(const std::vector<PitchFrame>& frames, double referenceSt);

// Semitones above 100 Hz.
double semitones(double hz);

}  // namespace soundcheck
