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
#include <map>
#include <numbers>
#include <set>
#include <string>
#include <vector>

#include "sound_analysis.h"
#include "shaping.h"
#include "sound_list.h"

using namespace soundcheck;

namespace {

const std::string kBinDir = CHIMEPAD_BIN_DIR;
constexpr int kRate = 22050;

const std::vector<std::string> kInitials = {"b", "p", "m", "f", "d", "t", "n", "l",
                                            "g", "k", "h", "j", "q", "x", "zh", "ch",
                                            "sh", "z", "c", "s", "r", "y", "w"};
const std::set<std::string> kVoicedInitials = {"m", "n", "l", "r", "y", "w"};
const std::vector<std::string> kFinals = {"a",  "o",   "e",   "ai",  "ei",  "ui", "ie", "ue",
                                          "an", "en",  "in",  "ang", "eng", "ing", "ong", "iu",
                                          "ao", "ou",  "un",  "i",   "u",   "v"};
const std::string kLetterNames = "cfghijklmqsuvwxyz";

std::vector<std::string> namedWavs() {
  std::vector<std::string> names = kInitials;
  names.push_back("spli");
  for (const auto& f : kFinals)
    for (int tone = 1; tone <= 4; ++tone) names.push_back(f + std::to_string(tone));
  for (char c : kLetterNames) names.push_back(std::string("sp") + c);
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
    {"0", 37255, 37690, 2}, {"1", 33300, 33630, 1}, {"2", 33070, 33290, 4},
    {"3", 37695, 38165, 1}, {"4", 9550, 10000, 4},  {"5", 35270, 35630, 3},
    {"6", 38165, 38360, 4}, {"7", 38370, 38780, 1}, {"8", 4150, 4550, 1},
    {"9", 38785, 39030, 3}, {"B", 820, 1050, 4},    {"D", 20120, 20440, 4},
    {"E", 34310, 34570, 4}, {"O", 37060, 37255, 1}, {"P", 2305, 2600, 4},
    {"T", 18940, 19240, 4},
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

TEST(SoundSet, VoicelessInitialsHoldNoVoicedFramesAndVoicedOnesDo) {
  for (const auto& name : kInitials) {
    SCOPED_TRACE(name);
    // Room around the sound so that the pitch windows cover all of it.
    std::vector<float> x(kRate / 20, 0.0f);
    const auto& samples = loadWav(wavPath(name)).samples;
    x.insert(x.begin() + x.size() / 2, samples.begin(), samples.end());
    // Voice is pitch that holds from one frame to the next; a lone frame is
    // the tracker being fooled by noise.
    const auto frames = trackPitch(x, kRate);
    int voiced = 0;
    for (size_t i = 1; i < frames.size(); ++i) {
      const double a = frames[i - 1].f0, b = frames[i].f0;
      if (a > 0 && b > 0 && std::fabs(semitones(a) - semitones(b)) < 1 && frames[i].level >= kSilence)
        ++voiced;
    }
    if (kVoicedInitials.count(name)) { EXPECT_GE(voiced, 5) << "a voiced initial without voice"; }
    else EXPECT_EQ(voiced, 0) << "the vowel leaked into the initial";
  }
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
    const std::vector<float> x = slice(w.samples, r.first, limit);
    const auto first = std::find_if(x.begin(), x.end(), isSound);
    ASSERT_NE(first, x.end()) << "no sound";
    EXPECT_LT(msOf(first - x.begin()), 4.0) << "the sound does not start at the range's start";
    // Nothing may sound in the last millisecond before the limit.
    const auto last = std::find_if(x.rbegin(), x.rend(), isSound);
    EXPECT_GE(msOf(last - x.rbegin()), 1.0) << "the sound runs to the end of the range";
    // Sound that fills most of the range, not a click.
    EXPECT_GT(msOf(x.rend() - last) - msOf(first - x.begin()), 0.6 * (limit - r.first));
  }
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
    EXPECT_EQ(int(t.tone), r.tone) << r.label << " at " << r.first << "-" << r.last << ": "
                                   << t.detail;
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
