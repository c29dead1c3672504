// SPDX-License-Identifier: GPL-3.0-or-later
// Checks of the generated sound set: the wav files of Sounds/ and the
// segment file QZCSo.wav beside the executable, as the reading tables name
// them.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <numbers>
#include <set>
#include <string>
#include <vector>

#include "generator.h"
#include "reading/speech.h"
#include "shaping.h"
#include "sound_analysis.h"
#include "sound_list.h"
#include "speech.h"
#include "tests/reading/output_log.h"

using namespace soundcheck;

namespace {

const std::string kBinDir = CHIMEPAD_BIN_DIR;
constexpr int kRate = 22050;

const std::vector<std::string> kInitials = {"b",  "p", "m", "f", "d", "t", "n",  "l",
                                            "g",  "k", "h", "j", "q", "x", "zh", "ch",
                                            "sh", "z", "c", "s", "r", "y", "w"};
const std::set<std::string> kVoicedInitials = {"m", "n", "l", "r", "y", "w"};
// Stops and affricates end with the start of their vowel; in speech they
// are louder against the vowel than the fricatives and the rest.
const std::set<std::string> kStopInitials = {"b", "p", "d",  "t",  "g", "k",
                                             "j", "q", "zh", "ch", "z", "c"};
const std::vector<std::string> kFinals = {"a",  "o",  "e",  "ai",  "ei",  "ui",  "ie",  "ue",
                                          "an", "en", "in", "ang", "eng", "ing", "ong", "iu",
                                          "ao", "ou", "un", "i",   "u",   "v"};
const std::string kLetterNames = "cfghijklmqsuvwxyz";

// The sounds with a neutral tone: every final, er, and every whole
// syllable of the segment file, each after tones 1 to 4 ("a52").
std::vector<std::string> neutralSounds() {
  std::vector<std::string> names = kFinals;
  for (const char* n :
       {"er", "bi", "pi", "mi", "ba",   "zi", "ci",  "si",  "zhi", "chi", "shi", "ri", "ni", "li",
        "ti", "di", "gu", "hu", "chuo", "du", "dun", "guo", "lu",  "niu", "nie", "yi", "wu", "yu"})
    names.push_back(n);
  return names;
}

std::vector<std::string> namedWavs() {
  std::vector<std::string> names = kInitials;
  names.push_back("spli");
  for (const auto& f : kFinals)
    for (int tone = 1; tone <= 4; ++tone) names.push_back(f + std::to_string(tone));
  for (char c : kLetterNames) names.push_back(std::string("sp") + c);
  for (const auto& n : neutralSounds())
    for (int after = 1; after <= 4; ++after) names.push_back(n + "5" + std::to_string(after));
  return names;
}

std::string wavPath(const std::string& name) { return kBinDir + "/Sounds/" + name + ".wav"; }

// Whole syllables of the segment file by tone column; {0, 0} where the
// column plays a wav file instead.
struct Cell {
  int first, last;
};
struct SyllableRow {
  const char* syllable;
  Cell tones[4];
};
const SyllableRow kSyllableRows[] = {
    {"bi", {{0, 235}, {240, 440}, {440, 820}, {820, 1050}}},
    {"pi", {{1050, 1400}, {1400, 1780}, {1780, 2305}, {2305, 2600}}},
    {"mi", {{2600, 2900}, {2900, 3300}, {3300, 3870}, {3870, 4150}}},
    {"ba", {{4150, 4550}, {4550, 4900}, {4900, 5300}, {5300, 5600}}},
    {"zi", {{5600, 6000}, {6560, 6850}, {6000, 6560}, {6560, 6850}}},
    {"ci", {{6850, 7250}, {7250, 7700}, {7700, 8200}, {8200, 8550}}},
    {"si", {{8550, 9000}, {9550, 10000}, {9000, 9550}, {9550, 10000}}},
    {"zhi", {{10000, 10300}, {10300, 10650}, {10650, 11180}, {11180, 11440}}},
    {"chi", {{11440, 11850}, {11850, 12250}, {12250, 12720}, {12720, 13050}}},
    {"shi", {{13050, 13450}, {13450, 13950}, {13950, 14440}, {14440, 14850}}},
    {"ri", {{14850, 15150}, {14850, 15150}, {14850, 15150}, {14850, 15150}}},
    {"ni", {{15150, 15600}, {15600, 16000}, {16000, 16400}, {16400, 16700}}},
    {"li", {{16700, 17050}, {0, 0}, {17380, 17660}, {17660, 17860}}},
    {"ti", {{17860, 18180}, {18180, 18560}, {18560, 18940}, {18940, 19240}}},
    {"di", {{19240, 19520}, {19520, 19800}, {19800, 20120}, {20120, 20440}}},
    {"gu", {{20440, 20750}, {20750, 21100}, {21100, 21450}, {21450, 21670}}},
    {"hu", {{21670, 22100}, {22100, 22550}, {22550, 22910}, {22910, 23160}}},
    {"chuo", {{23160, 23620}, {23620, 24000}, {23620, 24000}, {23620, 24000}}},
    {"du", {{24000, 24200}, {24200, 24550}, {24550, 24950}, {24960, 25220}}},
    {"dun", {{25225, 25585}, {25995, 26220}, {25585, 25990}, {25995, 26220}}},
    {"guo", {{26220, 26650}, {26650, 27000}, {27000, 27400}, {27400, 27700}}},
    {"lu", {{27700, 28100}, {28100, 28550}, {28550, 28950}, {28950, 29250}}},
    {"niu", {{29250, 29700}, {29700, 30100}, {30100, 30550}, {30550, 30850}}},
    {"nie", {{30850, 31300}, {31300, 31700}, {31700, 32120}, {32120, 32380}}},
    {"er", {{33070, 33290}, {32380, 32750}, {32750, 33070}, {33070, 33290}}},
    {"yi", {{33300, 33630}, {33630, 34000}, {34000, 34310}, {34310, 34570}}},
    {"wu", {{34570, 34950}, {34950, 35270}, {35270, 35630}, {35630, 35880}}},
    {"yu", {{35880, 36200}, {36200, 36500}, {36500, 36800}, {36800, 37070}}},
};

// Digits and letters read from the segment file, with the tone of the
// syllable each is read as.
struct UnitRange {
  const char* ch;
  int first, last, tone;
};
const UnitRange kUnitRanges[] = {
    {"0", 37255, 37690, 2}, {"1", 33300, 33630, 1}, {"2", 33070, 33290, 4}, {"3", 37695, 38165, 1},
    {"4", 9550, 10000, 4},  {"5", 35270, 35630, 3}, {"6", 38165, 38360, 4}, {"7", 38370, 38780, 1},
    {"8", 4150, 4550, 1},   {"9", 38785, 39030, 3}, {"B", 820, 1050, 4},    {"D", 20120, 20440, 4},
    {"E", 34310, 34570, 4}, {"O", 37060, 37255, 1}, {"P", 2305, 2600, 4},   {"T", 18940, 19240, 4},
};

// One range of the segment file with the tone it must carry: a range
// shared by several tone columns holds the rightmost column's syllable.
struct Range {
  int first, last;
  std::string label;
  int tone;
};

std::vector<Range> segmentRanges() {
  std::map<std::pair<int, int>, Range> byRange;
  for (const auto& row : kSyllableRows)
    for (int column = 0; column < 4; ++column) {
      const Cell c = row.tones[column];
      if (c.last == 0) continue;
      Range r{c.first, c.last, row.syllable + std::to_string(column + 1), column + 1};
      auto [it, added] = byRange.emplace(std::make_pair(c.first, c.last), r);
      if (!added && it->second.tone < r.tone) it->second = r;
    }
  std::vector<Range> out;
  for (const auto& [key, r] : byRange) out.push_back(r);
  // Digits and letters: their own ranges, and a second expectation on the
  // syllable ranges they share.
  for (const auto& u : kUnitRanges)
    out.push_back({u.first, u.last, std::string("\"") + u.ch + "\"", u.tone});
  return out;
}

// Where the sound of a range must have ended: its last millisecond, or the
// first millisecond of a range that starts inside it.
int soundLimitMs(const Range& r, const std::vector<Range>& all) {
  int limit = r.last;
  for (const auto& o : all)
    if (o.first > r.first && o.first < limit) limit = o.first;
  return limit;
}

// Where the sound of a range starts: its first millisecond or, when that
// lies inside another range, the end of that range (O's range starts inside
// yu with tone 4, which must not end with O's "ou").
int soundStartMs(const Range& r, const std::vector<Range>& all) {
  int start = r.first;
  for (const auto& o : all)
    if (o.first < r.first && o.last > r.first) start = std::max(start, o.last);
  return start;
}

int sampleAt(int ms) { return int(std::ceil(ms * (kRate / 1000.0) - 1e-9)); }

std::vector<float> slice(const std::vector<float>& x, int firstMs, int lastMs) {
  const int a = std::clamp(sampleAt(firstMs), 0, int(x.size()));
  const int b = std::clamp(sampleAt(lastMs), a, int(x.size()));
  return std::vector<float>(x.begin() + a, x.begin() + b);
}

constexpr float kSilence = 0.001f;  // -60 dBFS

bool isSound(float v) { return std::fabs(v) >= kSilence; }

double msOf(size_t samples) { return samples * 1000.0 / kRate; }

const Wav& loadWav(const std::string& path) {
  static std::map<std::string, Wav> cache;
  auto it = cache.find(path);
  if (it == cache.end()) {
    Wav w;
    readWav(path, w);
    it = cache.emplace(path, std::move(w)).first;
  }
  return it->second;
}

// The pitch of the voice's high level tone: the median over the tone-1
// finals, in semitones above 100 Hz. Tones are judged against it.
double levelToneSt() {
  static double level = [] {
    std::vector<double> st;
    for (const auto& f : kFinals)
      for (const auto& frame : trackPitch(loadWav(wavPath(f + "1")).samples, kRate))
        if (frame.f0 > 0) st.push_back(semitones(frame.f0));
    if (st.empty()) return 0.0;
    std::nth_element(st.begin(), st.begin() + st.size() / 2, st.end());
    return st[st.size() / 2];
  }();
  return level;
}

// The level of the loudest 10 ms of a sound (all of it when shorter), in
// dBFS.
double loudest10msDb(const std::vector<float>& x) {
  const int n = std::min<int>(kRate / 100, x.size());
  if (n <= 0) return -200;
  double sum = 0, best = 0;
  for (int i = 0; i < int(x.size()); ++i) {
    sum += double(x[i]) * x[i];
    if (i >= n) sum -= double(x[i - n]) * x[i - n];
    if (i >= n - 1) best = std::max(best, sum);
  }
  return 10 * std::log10(std::max(best / n, 1e-20));
}

double wavLevelDb(const std::string& name) { return loudest10msDb(loadWav(wavPath(name)).samples); }

// The finals' median level (loudest 10 ms), the yardstick of the initials.
double finalsMedianDb() {
  std::vector<double> levels;
  for (const auto& f : kFinals)
    for (int tone = 1; tone <= 4; ++tone) levels.push_back(wavLevelDb(f + std::to_string(tone)));
  std::nth_element(levels.begin(), levels.begin() + levels.size() / 2, levels.end());
  return levels[levels.size() / 2];
}

// How far below the vowel after it an initial may be: stops and affricates
// 20 dB, fricatives and the rest (weaker in speech too) 25 dB.
double initialLimitDb(const std::string& initial) { return kStopInitials.count(initial) ? 20 : 25; }

std::string figures(double value) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.1f", value);
  return buf;
}

// Every initial + final the syllable table plays: the wav file after an
// initial's, over the initial letters and every final of the language,
// each tone and each following tone.
std::set<std::pair<std::string, std::string>> initialFinalPairs() {
  const char* const letters[] = {"B", "P", "M", "F", "D", "T", "N", "L", "G", "K",
                                 "H", "J", "Q", "X", "Z", "C", "S", "R", "Y", "W"};
  const char* const rests[] = {
      "a",  "o",  "e",   "ai",  "ei",   "ao",  "ou",   "an",   "en",   "ang",  "eng",  "ong",
      "er", "i",  "ia",  "ie",  "iao",  "iu",  "ian",  "in",   "iang", "ing",  "iong", "u",
      "ua", "uo", "uai", "ui",  "uan",  "un",  "uang", "ueng", "v",    "ve",   "ue",   "van",
      "vn", "ha", "he",  "hai", "hei",  "hao", "hou",  "han",  "hen",  "hang", "heng", "hong",
      "hi", "hu", "hua", "huo", "huai", "hui", "huan", "hun",  "huang"};
  std::set<std::pair<std::string, std::string>> pairs;
  std::set<std::string> initials(kInitials.begin(), kInitials.end());
  for (const char* letter : letters)
    for (const char* rest : rests)
      for (int tone = 1; tone <= 5; ++tone)
        for (int next = 1; next <= 5; ++next) {
          LoggedSpeech lp;
          Speech speech(lp.context());
          speech.PlaySyllable(QString::fromLatin1(letter), QString::fromLatin1(rest), qint16(tone),
                              qint16(next));
          std::vector<std::string> wavs;
          const QString prefix = QStringLiteral("wav /app/Sounds/");
          for (const QString& step : lp.take())
            if (step.startsWith(prefix) && step.endsWith(QStringLiteral(".wav")))
              wavs.push_back(step.mid(prefix.size()).chopped(4).toStdString());
          if (wavs.size() >= 2 && initials.count(wavs[0])) pairs.insert({wavs[0], wavs[1]});
        }
  return pairs;
}

}  // namespace

TEST(SoundSet, EveryNamedFileIsAMonoPcmWav) {
  for (const auto& name : namedWavs()) {
    SCOPED_TRACE(name);
    Wav w;
    ASSERT_TRUE(readWav(wavPath(name), w)) << "missing or not a wav file";
    EXPECT_EQ(w.channels, 1);
    EXPECT_EQ(w.sampleRate, kRate);
    EXPECT_EQ(w.format & 0xFFFF, 0x0002) << "not 16-bit PCM";  // SF_FORMAT_PCM_16
  }
}

TEST(SoundSet, FilesAreNeitherSilentNorClippedNorOffsetAndStartAndEndWithSound) {
  for (const auto& name : namedWavs()) {
    SCOPED_TRACE(name);
    const Wav& w = loadWav(wavPath(name));
    ASSERT_FALSE(w.samples.empty());
    float peak = 0;
    for (float v : w.samples) peak = std::max(peak, std::fabs(v));
    EXPECT_GE(peak, 0.01f) << "silent";
    EXPECT_LT(peak, 0.999f) << "clipped";
    double sum = 0;
    for (float v : w.samples) sum += v;
    EXPECT_LT(std::fabs(sum / w.samples.size()), 0.005) << "a DC offset";
    const auto first = std::find_if(w.samples.begin(), w.samples.end(), isSound);
    const auto last = std::find_if(w.samples.rbegin(), w.samples.rend(), isSound);
    // A fade-in of a few milliseconds is sound; more is padding.
    EXPECT_LT(msOf(first - w.samples.begin()), 2.0) << "silence at the start";
    EXPECT_LT(msOf(last - w.samples.rbegin()), 5.0) << "silence at the end";
  }
}

// A stop or affricate ends with the start of its vowel, up to where the
// vowel is established (at most 35 ms and the few samples to a zero
// crossing): that stretch is voiced by nature. The release before it (burst,
// aspiration, frication) holds no voice; a fricative is release only.
TEST(SoundSet, VoicelessInitialsHoldNoVoiceBeforeTheirVowelAndVoicedOnesDo) {
  constexpr double kTransitionMs = 40;
  for (const auto& name : kInitials) {
    SCOPED_TRACE(name);
    // Room around the sound so that the pitch windows cover all of it.
    const int pad = kRate / 40;
    std::vector<float> x(2 * pad, 0.0f);
    const auto& samples = loadWav(wavPath(name)).samples;
    x.insert(x.begin() + pad, samples.begin(), samples.end());
    const double releaseEnd = (pad + samples.size()) / double(kRate) -
                              (kStopInitials.count(name) ? kTransitionMs / 1000 : 0);
    // Voice is pitch that holds from one frame to the next; a lone frame is
    // the tracker being fooled by noise. A frame counts for the release
    // when its window ends inside it.
    const auto frames = trackPitch(x, kRate);
    int voiced = 0, voicedInRelease = 0;
    double firstVoicedMs = -1;
    for (size_t i = 1; i < frames.size(); ++i) {
      const double a = frames[i - 1].f0, b = frames[i].f0;
      if (!(a > 0 && b > 0 && std::fabs(semitones(a) - semitones(b)) < 1 &&
            frames[i].level >= kSilence))
        continue;
      ++voiced;
      if (frames[i].time + 0.006 <= releaseEnd) {
        ++voicedInRelease;
        if (firstVoicedMs < 0) firstVoicedMs = (frames[i].time - double(pad) / kRate) * 1000;
      }
    }
    if (kVoicedInitials.count(name)) {
      EXPECT_GE(voiced, 5) << "a voiced initial without voice";
    } else {
      EXPECT_EQ(voicedInRelease, 0) << "the vowel leaked into the release: voice from "
                                    << firstVoicedMs << " ms of " << msOf(samples.size()) << " ms";
    }
  }
}

// Reading plays an initial right before a final 20 to 30 dB louder than
// espeak's bursts: a short or weak initial is masked by it and 的 is heard
// as e. Every initial lasts 20 ms or more and its loudest 10 ms come within
// 20 dB (stops, affricates) or 25 dB (the others) of the finals' median;
// and an obstruent is not louder than a vowel, nor a nasal or glide much
// louder.
TEST(SoundSet, InitialsAreLongAndLoudEnoughToBeHeardBeforeAFinal) {
  const double median = finalsMedianDb();
  for (const auto& name : kInitials) {
    const auto& x = loadWav(wavPath(name)).samples;
    const double level = loudest10msDb(x);
    const std::string measured = name + ": " + figures(msOf(x.size())) + " ms, loudest 10 ms " +
                                 figures(level) + " dBFS, " + figures(median - level) +
                                 " dB below the finals' median " + figures(median) + " dBFS";
    EXPECT_GE(msOf(x.size()), 20.0) << measured;
    EXPECT_LE(median - level, initialLimitDb(name)) << measured;
    if (kVoicedInitials.count(name)) EXPECT_LE(level - median, 3.0) << measured;
    else EXPECT_GE(median - level, 3.0) << measured;
  }
}

TEST(SoundSet, EveryInitialIsWithinItsLimitOfEveryFinalTheTablePlaysAfterIt) {
  const auto pairs = initialFinalPairs();
  RecordProperty("pairs", int(pairs.size()));
  // The table plays every initial, before the finals of Table 1 and their
  // glides.
  std::set<std::string> initialsSeen, finalsSeen;
  for (const auto& [initial, final] : pairs) {
    initialsSeen.insert(initial);
    finalsSeen.insert(final);
  }
  EXPECT_EQ(initialsSeen.size(), kInitials.size());
  EXPECT_TRUE(finalsSeen.count("a1") && finalsSeen.count("i1") && finalsSeen.count("ui4"));
  // One line per initial: how many of its finals are too loud for it, and
  // the worst of them.
  std::map<std::string, std::pair<int, std::string>> failures;
  std::map<std::string, double> worst;
  for (const auto& [initial, final] : pairs) {
    const double consonant = wavLevelDb(initial), vowel = wavLevelDb(final);
    if (vowel - consonant <= initialLimitDb(initial)) continue;
    auto& [count, detail] = failures[initial];
    ++count;
    if (vowel - consonant > worst[initial]) {
      worst[initial] = vowel - consonant;
      detail = final + " at " + figures(vowel) + " dBFS, " + figures(vowel - consonant) +
               " dB above the initial's " + figures(consonant) + " dBFS";
    }
  }
  for (const auto& [initial, failure] : failures)
    ADD_FAILURE() << initial << " is more than " << initialLimitDb(initial) << " dB below "
                  << failure.first << " of the finals played after it; worst " << failure.second;
}

TEST(SoundSet, FinalsCarryTheirTones) {
  const double level = levelToneSt();
  for (const auto& f : kFinals)
    for (int tone = 1; tone <= 4; ++tone) {
      const std::string name = f + std::to_string(tone);
      const ToneReading r = readTone(trackPitch(loadWav(wavPath(name)).samples, kRate), level);
      EXPECT_EQ(int(r.tone), tone) << name << ": " << r.detail;
    }
}

// A neutral tone is short (at most 70% of the final's first tone, at most
// 400 ms for a whole syllable), lighter (a final at least 2 dB below its
// first tone, none more than 2 dB above the finals' median) and level at the pitch that
// follows the tone before it: highest after the third, then after the
// second, the first, and lowest after the fourth, each step at least a
// semitone, all below the first tone. The pitch of each sound is its voiced
// frames' median; the order is that of the medians over all sounds, and
// nearly every sound (the pitch tracker misses a few by an octave) lies
// within 2 semitones of the median of its column.
TEST(SoundSet, NeutralTonesAreShortLightAndPitchedByTheToneBefore) {
  const double median = finalsMedianDb();
  const double high = levelToneSt();
  auto pitchSt = [](const std::vector<float>& x, double* st) {
    std::vector<double> v;
    for (const auto& frame : trackPitch(x, kRate))
      if (frame.f0 > 0) v.push_back(semitones(frame.f0));
    if (v.empty()) return false;
    std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
    *st = v[v.size() / 2];
    return true;
  };
  auto medianOf = [](std::vector<double> v) {
    std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
    return v[v.size() / 2];
  };
  std::vector<double> columns[5];
  for (const auto& n : neutralSounds()) {
    SCOPED_TRACE(n);
    const bool isFinal = std::find(kFinals.begin(), kFinals.end(), n) != kFinals.end();
    for (int after = 1; after <= 4; ++after) {
      const std::string name = n + "5" + std::to_string(after);
      const Wav& w = loadWav(wavPath(name));
      ASSERT_FALSE(w.samples.empty()) << name;
      const double length = msOf(w.samples.size());
      EXPECT_GE(length, 50) << name;
      EXPECT_LE(length, 400) << name;
      const double level = loudest10msDb(w.samples);
      EXPECT_LE(level, median + 2) << name << " " << figures(level);
      EXPECT_GE(level, median - 12) << name << " " << figures(level);
      if (isFinal) {
        const Wav& first = loadWav(wavPath(n + "1"));
        EXPECT_LE(length, 0.7 * msOf(first.samples.size())) << name;
        EXPECT_LE(level, loudest10msDb(first.samples) - 2) << name << " " << figures(level);
      }
      double st = 0;
      EXPECT_TRUE(pitchSt(w.samples, &st)) << name << ": no pitch";
      columns[after].push_back(st);
    }
  }
  double m[5] = {};
  for (int after = 1; after <= 4; ++after) m[after] = medianOf(columns[after]);
  EXPECT_LE(m[3], high - 1) << figures(m[3]) << " " << figures(high);
  EXPECT_GE(m[3] - m[2], 1) << figures(m[3]) << " " << figures(m[2]);
  EXPECT_GE(m[2] - m[1], 1) << figures(m[2]) << " " << figures(m[1]);
  EXPECT_GE(m[1] - m[4], 1) << figures(m[1]) << " " << figures(m[4]);
  for (int after = 1; after <= 4; ++after) {
    const auto near = std::count_if(columns[after].begin(), columns[after].end(),
                                    [&](double st) { return std::fabs(st - m[after]) <= 2; });
    EXPECT_GE(double(near), 0.85 * double(columns[after].size())) << "after tone " << after;
  }
}

TEST(SegmentFile, IsAMonoPcmWavHoldingEveryRange) {
  Wav w;
  ASSERT_TRUE(readWav(kBinDir + "/QZCSo.wav", w));
  EXPECT_EQ(w.channels, 1);
  EXPECT_EQ(w.sampleRate, kRate);
  EXPECT_EQ(w.format & 0xFFFF, 0x0002) << "not 16-bit PCM";
  int lastMs = 0;
  for (const auto& r : segmentRanges()) lastMs = std::max(lastMs, r.last);
  EXPECT_GE(msOf(w.samples.size()), lastMs);
}

TEST(SegmentFile, EveryRangeHoldsSoundFromItsStartEndingInsideIt) {
  const Wav& w = loadWav(kBinDir + "/QZCSo.wav");
  const auto ranges = segmentRanges();
  for (const auto& r : ranges) {
    SCOPED_TRACE(r.label + " " + std::to_string(r.first) + "-" + std::to_string(r.last));
    const int limit = soundLimitMs(r, ranges);
    const int start = soundStartMs(r, ranges);
    const std::vector<float> x = slice(w.samples, start, limit);
    const auto first = std::find_if(x.begin(), x.end(), isSound);
    ASSERT_NE(first, x.end()) << "no sound";
    EXPECT_LT(msOf(first - x.begin()), 4.0) << "the sound does not start at " << start << " ms";
    // Nothing may sound in the last millisecond before the limit.
    const auto last = std::find_if(x.rbegin(), x.rend(), isSound);
    EXPECT_GE(msOf(last - x.rbegin()), 1.0) << "the sound runs to the end of the range";
    // Sound that fills most of the range, not a click.
    EXPECT_GT(msOf(x.rend() - last) - msOf(first - x.begin()), 0.6 * (limit - start));
  }
}

// A range is played to its last millisecond: it ends in silence, and where
// two different ranges overlap neither may hear the other's sound.
TEST(SegmentFile, EveryRangeEndsInSilenceAndOverlapsHoldNoSound) {
  const Wav& w = loadWav(kBinDir + "/QZCSo.wav");
  const auto ranges = segmentRanges();
  int overlaps = 0;
  for (const auto& r : ranges) {
    const std::string label =
        r.label + " " + std::to_string(r.first) + "-" + std::to_string(r.last);
    const std::vector<float> tail = slice(w.samples, r.last - 5, r.last);
    const auto loud = std::find_if(tail.begin(), tail.end(), isSound);
    EXPECT_TRUE(loud == tail.end())
        << label << ": sound " << figures(msOf(tail.end() - loud)) << " ms before its end";
    for (const auto& o : ranges) {
      if (o.first <= r.first || o.first >= r.last || (o.first == r.first && o.last == r.last))
        continue;
      ++overlaps;
      const int to = std::min(r.last, o.last);
      const std::vector<float> shared = slice(w.samples, o.first, to);
      const auto heard = std::find_if(shared.begin(), shared.end(), isSound);
      EXPECT_TRUE(heard == shared.end())
          << label << " and " << o.label << " share " << o.first << "-" << to
          << " ms, which holds sound from " << figures(o.first + msOf(heard - shared.begin()))
          << " ms";
    }
  }
  EXPECT_GT(overlaps, 0) << "the layout has overlapping ranges (yu4 and O)";
}

TEST(SegmentFile, IsSilentOutsideTheRanges) {
  const Wav& w = loadWav(kBinDir + "/QZCSo.wav");
  std::vector<bool> inside(w.samples.size(), false);
  for (const auto& r : segmentRanges())
    for (int i = sampleAt(r.first); i < std::min<int>(sampleAt(r.last), w.samples.size()); ++i)
      inside[i] = true;
  int stray = 0, firstStray = -1;
  for (size_t i = 0; i < w.samples.size(); ++i)
    if (!inside[i] && isSound(w.samples[i])) {
      if (firstStray < 0) firstStray = int(i);
      ++stray;
    }
  EXPECT_EQ(stray, 0) << "sound outside the ranges, first at " << msOf(firstStray) << " ms";
}

TEST(SegmentFile, SyllablesCarryTheirTones) {
  const Wav& w = loadWav(kBinDir + "/QZCSo.wav");
  const double level = levelToneSt();
  for (const auto& r : segmentRanges()) {
    const ToneReading t = readTone(trackPitch(slice(w.samples, r.first, r.last), kRate), level);
    EXPECT_EQ(int(t.tone), r.tone)
        << r.label << " at " << r.first << "-" << r.last << ": " << t.detail;
  }
}

TEST(SoundGenerator, GivesByteIdenticalFilesOnEveryRun) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QProcess gen;
  gen.start(QStringLiteral(SOUNDGEN_EXE), {QStringLiteral(SOUND_LIST), dir.path()});
  ASSERT_TRUE(gen.waitForFinished(60000));
  ASSERT_EQ(gen.exitCode(), 0) << gen.readAllStandardError().toStdString();
  auto bytes = [](const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  };
  std::vector<std::string> files;
  for (const auto& name : namedWavs()) files.push_back("Sounds/" + name + ".wav");
  files.push_back("QZCSo.wav");
  for (const auto& f : files) {
    const QByteArray fresh = bytes(dir.filePath(QString::fromStdString(f)));
    EXPECT_FALSE(fresh.isEmpty()) << f;
    EXPECT_TRUE(fresh == bytes(QString::fromStdString(kBinDir + "/" + f))) << f << " differs";
  }
}

// The checks on the files measure an initial as a whole, its transition
// into the vowel included. The generator tells where a stop's release ends:
// the release alone is loud enough to be heard and holds no voice. The
// initials come first in the list, so a fresh generator says them exactly
// as the build did, and the files must match what it gives.
TEST(SoundGenerator, ReleasesOfInitialsAreAudibleAndUnvoiced) {
  QFile listFile(QStringLiteral(SOUND_LIST));
  ASSERT_TRUE(listFile.open(QIODevice::ReadOnly));
  soundgen::SoundList list;
  std::string error;
  ASSERT_TRUE(soundgen::parseSoundList(listFile.readAll().toStdString(), list, error)) << error;
  soundgen::Speaker speaker;
  ASSERT_TRUE(speaker.open(error)) << error;
  soundgen::Generator generator(speaker);
  const double median = finalsMedianDb();
  int checked = 0;
  for (const auto& entry : list.wavs) {
    if (entry.kind != soundgen::WavKind::Initial) break;
    std::vector<int16_t> pcm;
    int release = 0;
    ASSERT_TRUE(generator.makeWav(entry, pcm, error, &release)) << entry.name << ": " << error;
    ++checked;
    std::vector<float> x(pcm.size());
    for (size_t i = 0; i < pcm.size(); ++i) x[i] = pcm[i] / 32768.0f;
    EXPECT_TRUE(x == loadWav(wavPath(entry.name)).samples)
        << entry.name << ": the file is not what the generator makes";
    if (kVoicedInitials.count(entry.name)) continue;
    const std::vector<float> part(x.begin(), x.begin() + std::clamp<int>(release, 0, x.size()));
    const double level = loudest10msDb(part);
    const std::string measured = entry.name + ": release " + figures(msOf(part.size())) +
                                 " ms of " + figures(msOf(x.size())) + " ms, loudest 10 ms " +
                                 figures(level) + " dBFS, " + figures(median - level) +
                                 " dB below the finals' median";
    EXPECT_LE(median - level, initialLimitDb(entry.name)) << measured;
    // Room around the release so that the pitch windows cover all of it.
    std::vector<float> padded(kRate / 20, 0.0f);
    padded.insert(padded.begin() + padded.size() / 2, part.begin(), part.end());
    const auto frames = trackPitch(padded, kRate);
    int voiced = 0;
    for (size_t i = 1; i < frames.size(); ++i) {
      const double a = frames[i - 1].f0, b = frames[i].f0;
      if (a > 0 && b > 0 && std::fabs(semitones(a) - semitones(b)) < 1 &&
          frames[i].level >= kSilence)
        ++voiced;
    }
    EXPECT_EQ(voiced, 0) << measured << ": voice in the release";
    // A stop or affricate goes on into its vowel, up to where the vowel is
    // established; a fricative ends with its frication.
    const double transitionMs = msOf(x.size() - part.size());
    if (kStopInitials.count(entry.name)) {
      EXPECT_GE(transitionMs, 15.0) << measured;
      EXPECT_LE(transitionMs, 45.0) << measured;
    } else {
      EXPECT_EQ(transitionMs, 0.0) << measured;
    }
  }
  EXPECT_EQ(checked, int(kInitials.size()));
}

TEST(SoundList, MalformedLinesAreRefusedWithTheirLineNumber) {
  struct Case {
    const char* text;
    const char* error;
  };
  const Case cases[] = {
      {"wav b initial\n", "line 1: expected: wav NAME KIND TEXT"},
      {"# x\nwav b vowel ba1\n", "line 2: unknown kind 'vowel'"},
      {"wav b initial ba1\nwav b initial pa1\n", "line 2: file 'b' listed twice"},
      {"wav B.x initial ba1\n", "line 1: bad file name 'B.x'"},
      {"seg 235 0 bi1\n", "line 1: bad range 235 to 0"},
      {"seg 0 2x5 bi1\n", "line 1: bad range 0 to 2x5"},
      {"\nsegment 0 235 bi1\n", "line 2: unknown keyword 'segment'"},
      {"seg 0 235 bi1\nseg 0 240 bi2\n", "two ranges start at 0 ms"},
  };
  for (const auto& c : cases) {
    soundgen::SoundList list;
    std::string error;
    EXPECT_FALSE(soundgen::parseSoundList(c.text, list, error)) << c.text;
    EXPECT_EQ(error, c.error) << c.text;
  }
  soundgen::SoundList list;
  std::string error;
  ASSERT_TRUE(soundgen::parseSoundList("# set\n\nwav spc letter C\r\nseg 0 235 bi1\n", list, error))
      << error;
  ASSERT_EQ(list.wavs.size(), 1u);
  EXPECT_EQ(list.wavs[0].kind, soundgen::WavKind::Letter);
  ASSERT_EQ(list.segments.size(), 1u);
  EXPECT_EQ(list.segments[0].lastMs, 235);
}

TEST(SoundShaping, SpeedChangeShortensWithoutChangingThePitch) {
  // One second of a 120 Hz tone, in the generator's 16-bit units.
  std::vector<float> tone(kRate);
  for (int i = 0; i < kRate; ++i)
    tone[i] = float(8000 * std::sin(2 * std::numbers::pi * 120 * i / kRate));
  const std::vector<float> faster = soundgen::changeSpeed(tone, 1.25);
  EXPECT_NEAR(msOf(faster.size()), 800, 15);
  std::vector<float> scaled(faster.size());
  for (size_t i = 0; i < faster.size(); ++i) scaled[i] = faster[i] / 32768;
  const auto frames = trackPitch(scaled, kRate);
  ASSERT_GT(frames.size(), 100u);
  for (size_t i = 10; i + 10 < frames.size(); ++i)
    ASSERT_NEAR(frames[i].f0, 120, 2) << "at " << frames[i].time << " s";
  float peak = 0;
  for (float v : faster) peak = std::max(peak, std::fabs(v));
  EXPECT_NEAR(peak, 8000, 800);
}
