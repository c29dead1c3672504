// SPDX-License-Identifier: GPL-3.0-or-later
#include "shaping.h"

#include <sonic.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <string>

namespace soundgen {

namespace {

constexpr float kMaxPeak = 30000.0f;

// Energy of x over windows of w samples, one every hop samples.
struct Energy {
  int window;
  int hop;
  std::vector<double> rms;  // rms[i] covers x[i*hop, i*hop + window)
};

Energy windowEnergy(const std::vector<float>& x, int from, int to, int window, int hop) {
  Energy e{window, hop, {}};
  for (int start = from; start + window <= to; start += hop) {
    double sum = 0;
    for (int i = start; i < start + window; ++i) sum += double(x[i]) * x[i];
    e.rms.push_back(std::sqrt(sum / window));
  }
  return e;
}

}  // namespace

int samplesIn(double ms) { return int(std::floor(ms * kSampleRate / 1000.0 + 1e-9)); }

bool isObstruent(const std::string& p) {
  // espeak's mnemonics of the Mandarin voice, then of the English one.
  static const std::set<std::string> names = {
      "p",  "ph", "t",  "th", "k", "kh", "ts", "tsh", "ts.", "ts.h", "tS;", "tS;h", "f", "s", "s.",
      "S;", "X",  "z.", "b",  "d", "g",  "dZ", "tS",  "v",   "z",    "S",   "Z",    "h", "T", "D"};
  return names.count(p) > 0;
}

ConsonantClass consonantClass(const std::string& p) {
  static const std::set<std::string> stops = {"p",  "ph",  "t",   "th",   "k",   "kh",
                                              "ts", "tsh", "ts.", "ts.h", "tS;", "tS;h"};
  static const std::set<std::string> sibilants = {"s", "s.", "S;"};
  static const std::set<std::string> weak = {"f", "X"};
  if (stops.count(p)) return ConsonantClass::Stop;
  if (sibilants.count(p)) return ConsonantClass::Sibilant;
  if (weak.count(p)) return ConsonantClass::WeakFricative;
  return ConsonantClass::Other;
}

double loudestRms(const std::vector<float>& x, int from, int to, int n) {
  from = std::clamp(from, 0, int(x.size()));
  to = std::clamp(to, from, int(x.size()));
  n = std::min(n, to - from);
  if (n <= 0) return 0;
  double sum = 0;
  for (int i = from; i < from + n; ++i) sum += double(x[i]) * x[i];
  double best = sum;
  for (int i = from + n; i < to; ++i) {
    sum += double(x[i]) * x[i] - double(x[i - n]) * x[i - n];
    best = std::max(best, sum);
  }
  return std::sqrt(std::max(0.0, best) / n);
}

void removeObstruentOffset(std::vector<float>& x, const std::vector<PhonemeMark>& phonemes) {
  const int n = int(x.size());
  const int half = samplesIn(2.5);
  const int ramp = samplesIn(2.5);
  std::vector<double> prefix(n + 1, 0.0);
  for (int i = 0; i < n; ++i) prefix[i + 1] = prefix[i] + x[i];
  std::vector<float> correction(n, 0.0f);
  for (size_t k = 0; k < phonemes.size(); ++k) {
    if (!isObstruent(phonemes[k].name)) continue;
    const int begin = std::clamp(phonemes[k].sample, 0, n);
    const int end = k + 1 < phonemes.size() ? std::clamp(phonemes[k + 1].sample, begin, n) : n;
    for (int i = begin; i < end; ++i) {
      const int lo = std::max(0, i - half);
      const int hi = std::min(n, i + half + 1);
      const double mean = (prefix[hi] - prefix[lo]) / (hi - lo);
      // Hand over to the untouched vowel gently.
      const double weight = std::min(1.0, double(end - i) / ramp);
      correction[i] = float(mean * weight);
    }
  }
  for (int i = 0; i < n; ++i) x[i] -= correction[i];
}

Span soundSpan(const std::vector<float>& x, int from, int to) {
  from = std::clamp(from, 0, int(x.size()));
  to = std::clamp(to, from, int(x.size()));
  const int window = samplesIn(4);
  const int hop = samplesIn(1);
  // Sound starts where the energy passes this level and stays above half of
  // it for a while; it ends where the energy last passes the lower level.
  constexpr double kOnset = 100, kHold = 50, kTail = 50;
  const int holdWindows = 8;
  const Energy e = windowEnergy(x, from, to, window, hop);
  const int count = int(e.rms.size());
  int first = -1;
  for (int i = 0; i < count && first < 0; ++i) {
    if (e.rms[i] < kOnset) continue;
    bool held = true;
    for (int j = i; j < std::min(count, i + holdWindows); ++j) held = held && e.rms[j] >= kHold;
    if (held) first = i;
  }
  if (first < 0) return {from, from};
  int last = first;
  for (int i = count - 1; i >= first; --i)
    if (e.rms[i] >= kTail) {
      last = i;
      break;
    }
  // Within the first and the last window, the first and the last sample
  // that stands out, with half a millisecond to spare.
  const int spare = samplesIn(0.5);
  const int onsetWindow = from + first * hop;
  int begin = onsetWindow;
  while (begin < onsetWindow + window && std::fabs(x[begin]) < kOnset) ++begin;
  const int tailWindow = from + last * hop;
  int end = tailWindow + window;
  while (end > tailWindow && std::fabs(x[end - 1]) < kTail) --end;
  return {std::max(from, begin - spare), std::min(to, end + spare)};
}

void fadeIn(std::vector<float>& x, int n) {
  n = std::min<int>(n, x.size());
  for (int i = 0; i < n; ++i) x[i] *= float(i) / n;
}

void fadeOut(std::vector<float>& x, int n) {
  const int size = int(x.size());
  n = std::min(n, size);
  for (int i = 0; i < n; ++i) x[size - 1 - i] *= float(i) / n;
}

std::vector<float> changeSpeed(const std::vector<float>& x, double factor) {
  if (x.empty() || factor == 1.0) return x;
  // sonic works in place on samples scaled to -1..1 and may need room for
  // more samples than it was given.
  std::vector<float> buf(size_t(x.size() * std::max(1.0, 1.0 / factor)) + kSampleRate);
  for (size_t i = 0; i < x.size(); ++i) buf[i] = x[i] / 32768.0f;
  const int produced = sonicChangeFloatSpeed(buf.data(), int(x.size()), float(factor), 1.0f, 1.0f,
                                             1.0f, 0, kSampleRate, 1);
  buf.resize(std::max(0, produced));
  for (float& v : buf) v *= 32768.0f;
  return buf;
}

std::vector<float> changeSpeedAndPitch(const std::vector<float>& x, double speed, double pitch) {
  if (x.empty()) return x;
  std::vector<float> buf(size_t(x.size() * std::max(1.0, 1.0 / speed) * 2) + kSampleRate);
  for (size_t i = 0; i < x.size(); ++i) buf[i] = x[i] / 32768.0f;
  const int produced = sonicChangeFloatSpeed(buf.data(), int(x.size()), float(speed), float(pitch),
                                             1.0f, 1.0f, 0, kSampleRate, 1);
  buf.resize(std::max(0, produced));
  for (float& v : buf) v *= 32768.0f;
  return buf;
}

std::vector<int16_t> toPcm(const std::vector<float>& x) {
  float peak = 0;
  for (float v : x) peak = std::max(peak, std::fabs(v));
  const float gain = peak > kMaxPeak ? kMaxPeak / peak : 1.0f;
  std::vector<int16_t> out(x.size());
  for (size_t i = 0; i < x.size(); ++i)
    out[i] = int16_t(std::clamp(std::lround(x[i] * gain), -32767L, 32767L));
  return out;
}

}  // namespace soundgen
