// SPDX-License-Identifier: GPL-3.0-or-later
#include "generator.h"

#include <algorithm>
#include <cmath>

#include "shaping.h"

namespace soundgen {

namespace {

constexpr int kNormalRate = 175;  // espeak's words per minute
// Shortening by the rate squeezes the vowel and blurs the tone: the rate
// goes up to about 80% of the natural length, sonic does the rest.
constexpr int kFastestRate = 218;
constexpr int kSlowestRate = 80;
constexpr double kFadeInMs = 3;
constexpr double kFadeOutMs = 10;
// Room kept free at the end of a segment range.
constexpr double kRangeMarginMs = 10;

// Initials. The level of the loudest 10 ms of a consonant's release below
// that of its vowel, as speech has it: a stop's burst and an affricate's
// frication some 12 dB, s sh x as strong, f and h (weak in speech too)
// 18 dB. A release already louder keeps its level.
constexpr double kStopBelowVowelDb = 12;
constexpr double kSibilantBelowVowelDb = 12;
constexpr double kWeakFricativeBelowVowelDb = 18;
constexpr double kMaxReleaseGainDb = 24;
// The vowel is established where its 10 ms level comes within this much of
// its loudest; the transition lasts from 15 to 35 ms of it.
constexpr double kEstablishedBelowPeakDb = 6;
constexpr double kShortestTransitionMs = 15;
constexpr double kLongestTransitionMs = 35;
constexpr double kTransitionFadeOutMs = 3;

// Fades in and out; a sound as short as a stop's burst is faded over at
// most a quarter of its length at either end.
void finish(std::vector<float>& x) {
  fadeIn(x, std::min(samplesIn(kFadeInMs), int(x.size()) / 4));
  fadeOut(x, std::min(samplesIn(kFadeOutMs), int(x.size()) / 4));
}

// The rms of x over the half-width on either side of t.
double rmsAround(const std::vector<float>& x, int t, int half) {
  const int from = std::max(0, t - half), to = std::min(int(x.size()), t + half);
  double sum = 0;
  for (int i = from; i < to; ++i) sum += double(x[i]) * x[i];
  return to > from ? std::sqrt(sum / (to - from)) : 0;
}

}  // namespace

bool Generator::speakTrimmed(const std::string& text, const char* voice, int wpm,
                             std::vector<float>& out, std::string& error) {
  Utterance u;
  if (!speaker_.say(text, voice, wpm, u, error)) return false;
  removeObstruentOffset(u.samples, u.phonemes);
  const Span s = soundSpan(u.samples, 0, int(u.samples.size()));
  if (s.length() <= 0) {
    error = "\"" + text + "\" gave no sound";
    return false;
  }
  out.assign(u.samples.begin() + s.begin, u.samples.begin() + s.end);
  return true;
}

// The neutral tone: the syllable said with the level first tone, then
// shortened to little more than half its length, made lighter, and set to
// the pitch that follows the tone before it: half-low after the first, mid
// after the second, half-high after the third, low after the fourth (on
// the five-level scale, the first tone at its top).
bool Generator::makeNeutral(const std::string& text, int after, std::vector<float>& out,
                            std::string& error) {
  if (!speakTrimmed(text, kPinyinVoice, kNormalRate, out, error)) return false;
  const double semitones = -kNeutralStepSemitones * (5 - neutralLevel(after));
  const double pitch = std::pow(2.0, semitones / 12);
  out = changeSpeedAndPitch(out, 1 / kNeutralLength, pitch);
  // What the pitch change leaves before and after the sound is cut off.
  const Span s = soundSpan(out, 0, int(out.size()));
  if (s.length() <= 0) {
    error = "\"" + text + "\" gave no neutral-tone sound";
    return false;
  }
  out = std::vector<float>(out.begin() + s.begin, out.begin() + s.end);
  const float gain = float(std::pow(10.0, -kNeutralBelowDb / 20));
  for (float& v : out) v *= gain;
  return true;
}

bool Generator::makeInitial(const std::string& carrier, std::vector<float>& out,
                            int& releaseSamples, std::string& error) {
  Utterance u;
  if (!speaker_.say(carrier, kPinyinVoice, kNormalRate, u, error)) return false;
  if (u.phonemes.size() < 2) {
    error = "\"" + carrier + "\" is not a consonant followed by a vowel";
    return false;
  }
  removeObstruentOffset(u.samples, u.phonemes);
  const int size = int(u.samples.size());
  const ConsonantClass kind = consonantClass(u.phonemes[0].name);
  const int vowel = std::clamp(u.phonemes[1].sample, 0, size);
  const int vowelEnd = u.phonemes.size() > 2 ? std::clamp(u.phonemes[2].sample, vowel, size) : size;
  // A voiceless consonant's release stops a little short of the vowel's
  // mark, where voicing may already have begun.
  const int release = vowel - (isObstruent(u.phonemes[0].name) ? samplesIn(3) : 0);
  const Span s = soundSpan(u.samples, u.phonemes[0].sample, release);
  if (s.length() <= 0) {
    error = "the consonant of \"" + carrier + "\" gave no sound";
    return false;
  }
  if (kind == ConsonantClass::Other) {
    // Nasals, liquids and glides are voiced and as loud as speech has them.
    out.assign(u.samples.begin() + s.begin, u.samples.begin() + s.end);
    finish(out);
    releaseSamples = int(out.size());
    return true;
  }

  // espeak makes bursts and weak frication far quieter against the vowel
  // than speech has them; before a final 20 to 30 dB louder they would be
  // masked. The release is raised to its natural distance below the vowel
  // (never lowered), with a short ramp back to the vowel's own level.
  const double vowelLevel = loudestRms(u.samples, vowel, vowelEnd, samplesIn(10));
  const double releaseLevel = loudestRms(u.samples, s.begin, s.end, samplesIn(10));
  const double below = kind == ConsonantClass::Stop       ? kStopBelowVowelDb
                       : kind == ConsonantClass::Sibilant ? kSibilantBelowVowelDb
                                                          : kWeakFricativeBelowVowelDb;
  double gain = 1;
  if (releaseLevel > 0)
    gain = std::clamp(vowelLevel * std::pow(10.0, -below / 20) / releaseLevel, 1.0,
                      std::pow(10.0, kMaxReleaseGainDb / 20));

  // A stop or affricate keeps the start of its vowel up to where the vowel
  // is established: the formant transitions out of the closure are what
  // tell b from d from g. The carriers have a neutral vowel so that the
  // transition suits every final that follows. Fricatives carry their
  // place in the frication itself and end before the voice.
  int end = s.end;
  if (kind == ConsonantClass::Stop) {
    const double established = vowelLevel * std::pow(10.0, -kEstablishedBelowPeakDb / 20);
    int cut = std::min(vowelEnd, vowel + samplesIn(kLongestTransitionMs));
    for (int t = vowel + samplesIn(kShortestTransitionMs); t < cut; ++t)
      if (rmsAround(u.samples, t, samplesIn(5)) >= established) {
        cut = t;
        break;
      }
    // End at an upward zero crossing, so the final follows without a click.
    const int limit = std::min(size, cut + samplesIn(5));
    while (cut < limit && !(u.samples[cut - 1] < 0 && u.samples[cut] >= 0)) ++cut;
    end = cut;
  }
  out.assign(u.samples.begin() + s.begin, u.samples.begin() + end);
  const int releaseLength = std::min(int(out.size()), release - s.begin);
  releaseSamples = releaseLength;
  const int ramp = std::min(samplesIn(2), releaseLength);
  for (int i = 0; i < releaseLength; ++i) {
    const double w = std::min(1.0, double(releaseLength - i) / std::max(1, ramp));
    out[i] = float(out[i] * (1 + (gain - 1) * w));
  }
  if (kind == ConsonantClass::Stop) {
    fadeIn(out, std::min(samplesIn(kFadeInMs), int(out.size()) / 4));
    fadeOut(out, samplesIn(kTransitionFadeOutMs));
  } else {
    finish(out);
  }
  return true;
}

bool Generator::makeWav(const WavEntry& entry, std::vector<int16_t>& out, std::string& error,
                        int* release) {
  std::vector<float> x;
  int releaseSamples = 0;
  switch (entry.kind) {
    case WavKind::Initial:
      if (!makeInitial(entry.text, x, releaseSamples, error)) return false;
      if (release) *release = releaseSamples;
      break;
    case WavKind::Syllable:
      if (!speakTrimmed(entry.text, kPinyinVoice, kNormalRate, x, error)) return false;
      finish(x);
      break;
    case WavKind::Letter:
      if (!speakTrimmed(entry.text, kLetterVoice, kNormalRate, x, error)) return false;
      finish(x);
      break;
    case WavKind::Neutral:
      // Faded in faster: the lighter sound would start in silence.
      if (!makeNeutral(entry.text, entry.after, x, error)) return false;
      fadeIn(x, std::min(samplesIn(1), int(x.size()) / 4));
      fadeOut(x, std::min(samplesIn(kFadeOutMs), int(x.size()) / 4));
      break;
  }
  out = toPcm(x);
  return true;
}

bool Generator::makeFitted(const std::string& text, int room, std::vector<int16_t>& out,
                           std::string& error) {
  // Aim a little under the room and accept anything from 95% of the aim up
  // to the room; the rate moves towards the aim in a few steps (the length
  // does not follow the rate exactly).
  const double aim = room * 0.96;
  int rate = kNormalRate;
  std::vector<float> x;
  if (!speakTrimmed(text, kPinyinVoice, rate, x, error)) return false;
  for (int step = 0; step < 5; ++step) {
    const double length = double(x.size());
    if (length >= aim * 0.95 && length <= room) break;
    const int next = std::clamp(int(std::lround(rate * length / aim)), kSlowestRate, kFastestRate);
    if (next == rate) break;
    rate = next;
    if (!speakTrimmed(text, kPinyinVoice, rate, x, error)) return false;
  }
  if (int(x.size()) > room) x = changeSpeed(x, x.size() / aim);
  if (int(x.size()) > room) x.resize(room);
  finish(x);
  out = toPcm(x);
  return true;
}

std::vector<int> segmentEnds(const std::vector<SegmentEntry>& segments) {
  std::vector<int> ends;
  for (const auto& s : segments) {
    int end = s.lastMs;
    for (const auto& other : segments)
      if (other.firstMs > s.firstMs && other.firstMs < end) end = other.firstMs;
    ends.push_back(end);
  }
  return ends;
}

std::vector<int> segmentStarts(const std::vector<SegmentEntry>& segments) {
  std::vector<int> starts;
  for (const auto& s : segments) {
    int start = s.firstMs;
    for (const auto& other : segments)
      if (other.firstMs < s.firstMs && other.lastMs > s.firstMs)
        start = std::max(start, other.lastMs);
    starts.push_back(std::min(start, s.lastMs));
  }
  return starts;
}

bool Generator::makeSegmentFile(const std::vector<SegmentEntry>& segments,
                                std::vector<int16_t>& out, std::string& error) {
  const std::vector<int> starts = segmentStarts(segments);
  const std::vector<int> ends = segmentEnds(segments);
  int lastMs = 0;
  for (const auto& s : segments) lastMs = std::max(lastMs, s.lastMs);
  out.assign(size_t(samplesIn(lastMs)) + 1, 0);
  for (size_t i = 0; i < segments.size(); ++i) {
    const auto& s = segments[i];
    // The first sample at or after the sound's first millisecond.
    const int begin = int(std::ceil(starts[i] * (kSampleRate / 1000.0) - 1e-9));
    const int room = samplesIn(ends[i] - kRangeMarginMs) - begin;
    if (room <= samplesIn(kRangeMarginMs)) {
      error = "no room for " + s.text + " at " + std::to_string(s.firstMs) + " ms";
      return false;
    }
    std::vector<int16_t> clip;
    if (!makeFitted(s.text, room, clip, error)) return false;
    std::copy(clip.begin(), clip.end(), out.begin() + begin);
  }
  return true;
}

}  // namespace soundgen
