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

// Fades in and out; a sound as short as a stop's burst is faded over at
// most a quarter of its length at either end.
void finish(std::vector<float>& x) {
  fadeIn(x, std::min(samplesIn(kFadeInMs), int(x.size()) / 4));
  fadeOut(x, std::min(samplesIn(kFadeOutMs), int(x.size()) / 4));
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

bool Generator::makeInitial(const std::string& carrier, std::vector<float>& out,
                            std::string& error) {
  Utterance u;
  if (!speaker_.say(carrier, kPinyinVoice, kNormalRate, u, error)) return false;
  if (u.phonemes.size() < 2) {
    error = "\"" + carrier + "\" is not a consonant followed by a vowel";
    return false;
  }
  removeObstruentOffset(u.samples, u.phonemes);
  // From the consonant to the vowel. A voiceless consonant stops a little
  // short of the vowel's mark, where voicing may already have begun.
  const bool voiceless = isObstruent(u.phonemes[0].name);
  const int vowel = u.phonemes[1].sample - (voiceless ? samplesIn(3) : 0);
  const Span s = soundSpan(u.samples, u.phonemes[0].sample, vowel);
  if (s.length() <= 0) {
    error = "the consonant of \"" + carrier + "\" gave no sound";
    return false;
  }
  out.assign(u.samples.begin() + s.begin, u.samples.begin() + s.end);
  finish(out);
  return true;
}

bool Generator::makeWav(const WavEntry& entry, std::vector<int16_t>& out, std::string& error) {
  std::vector<float> x;
  switch (entry.kind) {
    case WavKind::Initial:
      if (!makeInitial(entry.text, x, error)) return false;
      break;
    case WavKind::Syllable:
      if (!speakTrimmed(entry.text, kPinyinVoice, kNormalRate, x, error)) return false;
      finish(x);
      break;
    case WavKind::Letter:
      if (!speakTrimmed(entry.text, kLetterVoice, kNormalRate, x, error)) return false;
      finish(x);
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

bool Generator::makeSegmentFile(const std::vector<SegmentEntry>& segments,
                                std::vector<int16_t>& out, std::string& error) {
  const std::vector<int> ends = segmentEnds(segments);
  int lastMs = 0;
  for (const auto& s : segments) lastMs = std::max(lastMs, s.lastMs);
  out.assign(size_t(samplesIn(lastMs)) + 1, 0);
  for (size_t i = 0; i < segments.size(); ++i) {
    const auto& s = segments[i];
    // The first sample at or after the range's first millisecond.
    const int begin = int(std::ceil(s.firstMs * (kSampleRate / 1000.0) - 1e-9));
    const int room = samplesIn(ends[i] - kRangeMarginMs) - begin;
    std::vector<int16_t> clip;
    if (!makeFitted(s.text, room, clip, error)) return false;
    std::copy(clip.begin(), clip.end(), out.begin() + begin);
  }
  return true;
}

}  // namespace soundgen
