// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound_analysis.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <numeric>

namespace soundcheck {

bool readWav(const std::string& path, Wav& out) {
  out = {};
  SF_INFO info{};
  SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
  if (!f) return false;
  out.sampleRate = info.samplerate;
  out.channels = info.channels;
  out.format = info.format;
  std::vector<float> all(size_t(info.frames) * std::max(1, info.channels));
  const sf_count_t got = sf_readf_float(f, all.data(), info.frames);
  sf_close(f);
  if (got != info.frames || info.channels < 1) return false;
  out.samples.resize(size_t(info.frames));
  for (sf_count_t i = 0; i < info.frames; ++i)
    out.samples[size_t(i)] = all[size_t(i) * info.channels];
  return (info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_WAV;
}

double semitones(double hz) { return 12 * std::log2(hz / 100); }

double rms(const std::vector<float>& x, int begin, int end) {
  begin = std::clamp(begin, 0, int(x.size()));
  end = std::clamp(end, begin, int(x.size()));
  if (end == begin) return 0;
  double sum = 0;
  for (int i = begin; i < end; ++i) sum += double(x[i]) * x[i];
  return std::sqrt(sum / (end - begin));
}

namespace {

// One second-order low-pass section (direct form I).
void biquadLowPass(std::vector<double>& x, int sampleRate, double cutoff, double q) {
  const double w0 = 2 * std::numbers::pi * cutoff / sampleRate;
  const double alpha = std::sin(w0) / (2 * q);
  const double c = std::cos(w0);
  const double a0 = 1 + alpha;
  const double b0 = (1 - c) / 2 / a0, b1 = (1 - c) / a0, b2 = (1 - c) / 2 / a0;
  const double a1 = -2 * c / a0, a2 = (1 - alpha) / a0;
  double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
  for (double& v : x) {
    const double y = b0 * v + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
    x2 = x1;
    x1 = v;
    y2 = y1;
    y1 = y;
    v = y;
  }
}

}  // namespace

std::vector<float> lowPass(const std::vector<float>& x, int sampleRate, double cutoffHz) {
  std::vector<double> y(x.begin(), x.end());
  biquadLowPass(y, sampleRate, cutoffHz, 0.54119610);
  biquadLowPass(y, sampleRate, cutoffHz, 1.30656296);
  return std::vector<float>(y.begin(), y.end());
}

std::vector<PitchFrame> trackPitch(const std::vector<float>& x, int sampleRate) {
  const std::vector<float> y = lowPass(x, sampleRate, 800);
  const int window = int(std::lround(0.012 * sampleRate));
  const int hop = int(std::lround(0.005 * sampleRate));
  const int tauMin = sampleRate / 400;
  const int tauMax = sampleRate / 60;
  constexpr double kThreshold = 0.15;
  std::vector<PitchFrame> frames;
  std::vector<double> d(tauMax + 2);
  for (int t = 0; t + window + tauMax + 1 < int(y.size()); t += hop) {
    PitchFrame frame{(t + window / 2.0) / sampleRate, 0.0, rms(x, t, t + window)};
    // Cumulative mean normalised difference.
    double running = 0;
    d[0] = 1;
    for (int tau = 1; tau <= tauMax + 1; ++tau) {
      double sum = 0;
      for (int j = 0; j < window; ++j) {
        const double diff = double(y[t + j]) - y[t + j + tau];
        sum += diff * diff;
      }
      running += sum;
      d[tau] = running > 0 ? sum * tau / running : 1;
    }
    int found = 0;
    for (int tau = tauMin; tau <= tauMax; ++tau) {
      if (d[tau] < kThreshold) {
        while (tau + 1 <= tauMax && d[tau + 1] < d[tau]) ++tau;
        found = tau;
        break;
      }
    }
    if (found > 0) {
      // Parabolic interpolation of the dip.
      const double a = d[found - 1], b = d[found], c = d[found + 1];
      const double denom = a - 2 * b + c;
      const double shift = denom != 0 ? 0.5 * (a - c) / denom : 0;
      frame.f0 = sampleRate / (found + std::clamp(shift, -0.5, 0.5));
    }
    frames.push_back(frame);
  }
  return frames;
}

ToneReading readTone(const std::vector<PitchFrame>& frames, double referenceSt) {
  ToneReading r;
  // The rhyme: from the first voiced frame within 8 dB of the loudest one
  // (a quieter voiced onset such as m, n, l, y or w glides into the tone and
  // is left out) to the last voiced frame within 16 dB (a nasal coda ends
  // the tone).
  double loudest = 0;
  for (const auto& f : frames)
    if (f.f0 > 0) loudest = std::max(loudest, f.level);
  int first = -1, last = -1;
  for (int i = 0; i < int(frames.size()); ++i) {
    if (frames[i].f0 <= 0) continue;
    if (first < 0 && frames[i].level >= 0.4 * loudest) first = i;
    if (first >= 0 && frames[i].level >= 0.16 * loudest) last = i;
  }
  std::vector<double> raw;
  for (int i = first; first >= 0 && i <= last; ++i)
    if (frames[i].f0 > 0) raw.push_back(semitones(frames[i].f0) - referenceSt);
  // A five-frame median removes single octave slips.
  std::vector<double> p(raw.size());
  for (size_t i = 0; i < raw.size(); ++i) {
    const size_t lo = i >= 2 ? i - 2 : 0, hi = std::min(raw.size(), i + 3);
    std::vector<double> w(raw.begin() + lo, raw.begin() + hi);
    std::nth_element(w.begin(), w.begin() + w.size() / 2, w.end());
    p[i] = w[w.size() / 2];
  }
  char buf[64];
  for (double v : p) {
    std::snprintf(buf, sizeof buf, "%.1f ", v);
    r.detail += buf;
  }
  const int n = int(p.size());
  if (n < 6) return r;
  auto mean = [&](int from, int to) {
    return std::accumulate(p.begin() + from, p.begin() + to, 0.0) / (to - from);
  };
  const double head = *std::max_element(p.begin(), p.begin() + n / 3);
  const double end = mean(n - 3, n);
  const double low = *std::min_element(p.begin(), p.end());
  const double high = *std::max_element(p.begin(), p.end());
  const double lowLate = *std::min_element(p.begin() + n / 2, p.end());
  const double earlyMean = mean(0, n / 2);
  // This voice (pitch range 100): tone 1 level at the reference; tone 2
  // starts about 3 semitones below it and rises towards it; tone 3 falls
  // some 6 semitones below it, often rising again at the end; tone 4 falls
  // from the reference by 4 to 8 semitones.
  if (head >= -3 && head - end >= 2.5 && end - low <= 2.7) r.tone = Tone::Falling;
  else if (earlyMean >= -1.8 && high - low <= 3) r.tone = Tone::Level;
  else if (lowLate <= -4.6) r.tone = Tone::Low;
  else if (earlyMean < -1.8 && end - low >= 1.5) r.tone = Tone::Rising;
  return r;
}

}  // namespace soundcheck
