// SPDX-License-Identifier: GPL-3.0-or-later
// The syllable sound table: which recordings make up a toned syllable.
#include <QHash>
#include <vector>

#include "reading/speech.h"

namespace {

// ---------------------------------------------------------------------------
// Whole-syllable recordings: ranges of the segment file in milliseconds, one
// per tone column. The pause that holds the next step is the length of the
// range, but for the few cells that give their own.
struct Cell {
  int from = 0;
  int to = 0;
  int pause = 0;
  const char* wav = nullptr;  // a wav file instead of a range
};
constexpr Cell R(int from, int to) { return {from, to, to - from, nullptr}; }
constexpr Cell R(int from, int to, int pause) { return {from, to, pause, nullptr}; }
constexpr Cell W(const char* wav) { return {0, 0, 0, wav}; }

struct SegmentRow {
  const char* name;
  Cell tone[4];  // tone 1, 2, 3, and 4 with every other value
};

// clang-format off
const SegmentRow kSegments[] = {
  {"bi",   {R(0, 235),           R(240, 440),           R(440, 820),          R(820, 1050)}},
  {"pi",   {R(1050, 1400),       R(1400, 1780),         R(1780, 2305),        R(2305, 2600)}},
  {"mi",   {R(2600, 2900),       R(2900, 3300),         R(3300, 3870),        R(3870, 4150)}},
  {"ba",   {R(4150, 4550),       R(4550, 4900),         R(4900, 5300),        R(5300, 5600)}},
  {"zi",   {R(5600, 6000),       R(6560, 6850),         R(6000, 6560),        R(6560, 6850)}},
  {"ci",   {R(6850, 7250),       R(7250, 7700),         R(7700, 8200),        R(8200, 8550)}},
  {"si",   {R(8550, 9000),       R(9550, 10000),        R(9000, 9550),        R(9550, 10000)}},
  {"zhi",  {R(10000, 10300),     R(10300, 10650),       R(10650, 11180, 430), R(11180, 11440)}},
  {"chi",  {R(11440, 11850),     R(11850, 12250),       R(12250, 12720),      R(12720, 13050)}},
  {"shi",  {R(13050, 13450),     R(13450, 13950),       R(13950, 14440),      R(14440, 14850)}},
  {"ri",   {R(14850, 15150),     R(14850, 15150),       R(14850, 15150),      R(14850, 15150)}},
  {"ni",   {R(15150, 15600),     R(15600, 16000),       R(16000, 16400),      R(16400, 16700)}},
  {"li",   {R(16700, 17050),     W("spli"),             R(17380, 17660),      R(17660, 17860)}},
  {"ti",   {R(17860, 18180),     R(18180, 18560),       R(18560, 18940),      R(18940, 19240, 320)}},
  {"di",   {R(19240, 19520),     R(19520, 19800),       R(19800, 20120),      R(20120, 20440)}},
  {"gu",   {R(20440, 20750),     R(20750, 21100),       R(21100, 21450),      R(21450, 21670)}},
  {"hu",   {R(21670, 22100),     R(22100, 22550),       R(22550, 22910),      R(22910, 23160)}},
  {"chuo", {R(23160, 23620),     R(23620, 24000),       R(23620, 24000),      R(23620, 24000)}},
  {"du",   {R(24000, 24200),     R(24200, 24550),       R(24550, 24950),      R(24960, 25220)}},
  {"dun",  {R(25225, 25585),     R(25995, 26220, 235),  R(25585, 25990),      R(25995, 26220, 235)}},
  {"guo",  {R(26220, 26650),     R(26650, 27000),       R(27000, 27400),      R(27400, 27700)}},
  {"lu",   {R(27700, 28100),     R(28100, 28550),       R(28550, 28950),      R(28950, 29250)}},
  {"niu",  {R(29250, 29700),     R(29700, 30100),       R(30100, 30550),      R(30550, 30850)}},
  {"nie",  {R(30850, 31300),     R(31300, 31700),       R(31700, 32120),      R(32120, 32380)}},
  {"er",   {R(33070, 33290),     R(32380, 32750),       R(32750, 33070),      R(33070, 33290)}},
  {"yi",   {R(33300, 33630),     R(33630, 34000),       R(34000, 34310),      R(34310, 34570)}},
  {"wu",   {R(34570, 34950),     R(34950, 35270),       R(35270, 35630),      R(35630, 35880)}},
  {"yu",   {R(35880, 36200, 310), R(36200, 36500),      R(36500, 36800),      R(36800, 37070)}},
};
// clang-format on

const SegmentRow& segmentRow(const char* name) {
  static const QHash<QString, const SegmentRow*> rows = [] {
    QHash<QString, const SegmentRow*> h;
    for (const SegmentRow& r : kSegments) h.insert(QLatin1String(r.name), &r);
    return h;
  }();
  return *rows.value(QLatin1String(name));
}

// Tones 1, 2 and 3 have their own column; 4, 5, 0 and anything else sound
// as the fourth.
int toneColumn(qint16 tone) { return tone >= 1 && tone <= 3 ? tone : 4; }

QString wavName(const QString& sound) {
  return QStringLiteral("Sounds\\") + sound + QStringLiteral(".wav");
}

QString withTone(const QString& final, qint16 tone) {
  return final + QString::number(toneColumn(tone));
}

// 轻声: a syllable without a tone plays the neutral-tone sounds.
bool neutral(const ReadingState& r, qint16 tone) { return r.ReadNeutralTone && tone == 5; }

// The neutral-tone sound of a final or a whole syllable: its name, 5, and
// the tone heard before it (the second's pitch, mid, when there is none).
QString neutralName(const ReadingState& r, const QString& sound) {
  const qint16 before = r.PreviousTone >= 1 && r.PreviousTone <= 4 ? r.PreviousTone : 2;
  return sound + QLatin1Char('5') + QString::number(before);
}

// The final with its tone: its tone column or, for a neutral tone, its
// neutral sound.
QString finalSound(const ReadingState& r, const QString& final, qint16 tone) {
  return neutral(r, tone) ? neutralName(r, final) : withTone(final, tone);
}

// ---------------------------------------------------------------------------
// The dispatch on the first letter of the syllable. Within a letter the
// cases are tried in order and the first that holds decides.
enum class When {
  Is,          // the rest is exactly the text
  IsTone4,     // ... and the tone is 4
  BeginsWith,  // the first character of the rest is the text
  Always,
};
enum class Sound {
  Segment,       // the row of the segment table named by `arg`, in the tone's column
  YiSegment,     // the yi row; tone 1 changes with the next tone
  BuChange,      // initial b, then final u with the tone changed by the next tone
  FinalNoInit,   // the final `arg` with the tone, no initial
  InitialFinal,  // initial `arg`, then the final below
};
enum class Final {
  None,
  Fixed,         // the text in `final`
  Rest,          // the rest, lower-cased
  RestLessFirst  // the rest without its first letter, lower-cased
};
struct Case {
  When when;
  const char* text;
  Sound sound;
  const char* arg;
  Final final = Final::None;
  const char* finalText = nullptr;
};
struct Letter {
  const char* letter;
  std::vector<Case> cases;
};

constexpr Case Seg(When w, const char* text, const char* row) {
  return {w, text, Sound::Segment, row};
}
constexpr Case Init(When w, const char* text, const char* initial, const char* final) {
  return {w, text, Sound::InitialFinal, initial, Final::Fixed, final};
}
constexpr Case InitRest(const char* initial) {
  return {When::Always, "", Sound::InitialFinal, initial, Final::Rest};
}
constexpr When Is = When::Is;

// clang-format off
const std::vector<Letter>& dispatch() {
  static const std::vector<Letter> table = {
    {"B", {Seg(Is, "i", "bi"), Seg(Is, "a", "ba"),
           {When::IsTone4, "u", Sound::BuChange, "b"},
           Init(Is, "o", "b", "e"), InitRest("b")}},
    {"P", {Seg(Is, "i", "pi"), Init(Is, "o", "p", "e"), InitRest("p")}},
    {"M", {Seg(Is, "i", "mi"), Init(Is, "o", "m", "e"), InitRest("m")}},
    {"F", {Init(Is, "o", "f", "e"), InitRest("f")}},
    {"D", {Seg(Is, "i", "di"), Seg(Is, "u", "du"), Seg(Is, "un", "dun"), InitRest("d")}},
    {"T", {Seg(Is, "i", "ti"), InitRest("t")}},
    {"N", {Seg(Is, "i", "ni"), Seg(Is, "iu", "niu"), Seg(Is, "ie", "nie"), InitRest("n")}},
    {"L", {Seg(Is, "i", "li"), Seg(Is, "u", "lu"), InitRest("l")}},
    {"G", {Seg(Is, "u", "gu"), Seg(Is, "uo", "guo"), InitRest("g")}},
    {"K", {InitRest("k")}},
    {"H", {Seg(Is, "u", "hu"), InitRest("h")}},
    {"J", {Init(Is, "u", "j", "v"), InitRest("j")}},
    {"Q", {Init(Is, "u", "q", "v"), InitRest("q")}},
    {"X", {Init(Is, "u", "x", "v"), InitRest("x")}},
    {"Z", {Seg(Is, "hi", "zhi"),
           {When::BeginsWith, "h", Sound::InitialFinal, "zh", Final::RestLessFirst},
           Seg(Is, "i", "zi"), InitRest("z")}},
    {"C", {Seg(Is, "hi", "chi"), Seg(Is, "huo", "chuo"),
           {When::BeginsWith, "h", Sound::InitialFinal, "ch", Final::RestLessFirst},
           Seg(Is, "i", "ci"), InitRest("c")}},
    {"S", {Seg(Is, "hi", "shi"),
           {When::BeginsWith, "h", Sound::InitialFinal, "sh", Final::RestLessFirst},
           Seg(Is, "i", "si"), InitRest("s")}},
    {"R", {Seg(Is, "i", "ri"), InitRest("r")}},
    {"Y", {{Is, "un", Sound::FinalNoInit, "un"},
           Seg(When::BeginsWith, "u", "yu"),
           {Is, "e", Sound::FinalNoInit, "ie"},
           {Is, "i", Sound::YiSegment, "yi"},
           InitRest("y")}},
    {"W", {Seg(When::BeginsWith, "u", "wu"), InitRest("w")}},
  };
  return table;
}
// clang-format on

bool holds(const Case& c, const QString& rest, qint16 tone) {
  const QString text = QLatin1String(c.text);
  switch (c.when) {
    case When::Is: return rest == text;
    case When::IsTone4: return rest == text && tone == 4;
    case When::BeginsWith: return !rest.isEmpty() && rest.at(0) == text.at(0);
    case When::Always: return true;
  }
  return false;
}

// bu (tone 4) before a fourth tone is read bú; elsewhere it keeps its own
// tone, also at the end of the text or before a character without a tone.
qint16 buTone(qint16 nextTone) { return nextTone == 4 ? 2 : 4; }

// yi (tone 1) before a fourth tone is read yí, before tones 1 to 3 yì, and
// alone or at the end of the text yī.
int yiColumn(qint16 nextTone) {
  if (nextTone >= 1 && nextTone <= 3) return 4;
  if (nextTone == 4) return 2;
  return 1;
}

// Finals with a wav file of their own for each tone.
const QStringList kOwnFinals = {QStringLiteral("a"),  QStringLiteral("o"),  QStringLiteral("e"),
                                QStringLiteral("ai"), QStringLiteral("ei"), QStringLiteral("ui"),
                                QStringLiteral("ie"), QStringLiteral("ue")};
const QStringList kOwnNasalFinals = {
    QStringLiteral("an"),  QStringLiteral("en"),  QStringLiteral("in"),  QStringLiteral("ang"),
    QStringLiteral("eng"), QStringLiteral("ing"), QStringLiteral("ong"), QStringLiteral("iu"),
    QStringLiteral("ao"),  QStringLiteral("ou")};

}  // namespace

void Speech::PlaySyllable(const QString& initial, const QString& rest, qint16 tone,
                          qint16 nextTone) {
  Entry entry(*this);
  playSyllable(initial, rest, tone, nextTone);
}

void Speech::PlayFinal(const QString& final, qint16 tone) {
  Entry entry(*this);
  playFinal(final, tone);
}

void Speech::playSyllable(const QString& initial, const QString& rest, qint16 tone,
                          qint16 nextTone) {
  // A neutral tone after this one is pitched by the tone heard here.
  struct Heard {
    ReadingState& r;
    qint16 tone;
    ~Heard() {
      if (tone >= 1 && tone <= 4) r.PreviousTone = tone;
    }
  } heard{c_.reading, PlayedTone(ReadingUnit{initial, rest, tone, nextTone, QString()})};
  auto segment = [this, tone](const SegmentRow& row, int column) {
    if (neutral(c_.reading, tone)) {
      PlayWav(wavName(neutralName(c_.reading, QLatin1String(row.name))));
      return;
    }
    const Cell& cell = row.tone[column - 1];
    if (cell.wav) PlayWav(wavName(QLatin1String(cell.wav)));
    else PlaySegment(cell.from, cell.to, cell.pause);
  };

  for (const Letter& letter : dispatch()) {
    if (initial != QLatin1String(letter.letter)) continue;
    for (const Case& c : letter.cases) {
      if (!holds(c, rest, tone)) continue;
      const QString arg = QLatin1String(c.arg);
      switch (c.sound) {
        case Sound::Segment: segment(segmentRow(c.arg), toneColumn(tone)); break;
        case Sound::YiSegment:
          segment(segmentRow(c.arg), tone == 1 ? yiColumn(nextTone) : toneColumn(tone));
          break;
        case Sound::BuChange:
          PlayWav(wavName(arg));
          playFinal(QStringLiteral("u"), buTone(nextTone));
          break;
        case Sound::FinalNoInit: PlayWav(wavName(finalSound(c_.reading, arg, tone))); break;
        case Sound::InitialFinal: {
          QString final;
          switch (c.final) {
            case Final::Fixed: final = QLatin1String(c.finalText); break;
            case Final::Rest: final = rest.toLower(); break;
            case Final::RestLessFirst: final = rest.mid(1).toLower(); break;
            case Final::None: break;
          }
          PlayWav(wavName(arg));
          playFinal(final, tone);
          break;
        }
      }
      return;
    }
    return;
  }
  // Any other first letter, or none: a syllable without an initial (an, er, ou).
  playFinal((initial + rest).toLower(), tone);
}

void Speech::playFinal(const QString& final, qint16 tone) {
  if (kOwnFinals.contains(final)) {
    PlayWav(wavName(finalSound(c_.reading, final, tone)));
  } else if (final == QLatin1String("er") && neutral(c_.reading, tone)) {
    PlayWav(wavName(neutralName(c_.reading, final)));
  } else if (final == QLatin1String("er")) {
    const Cell& cell = segmentRow("er").tone[toneColumn(tone) - 1];
    PlaySegment(cell.from, cell.to, cell.pause);
  } else if (kOwnNasalFinals.contains(final)) {
    PlayWav(wavName(finalSound(c_.reading, final, tone)));
  } else if (final == QLatin1String("un")) {
    PlayWav(wavName(QStringLiteral("u1")));
    PlayWav(wavName(finalSound(c_.reading, QStringLiteral("en"), tone)));
  } else if (final.startsWith(QLatin1Char('i'))) {
    playGlide(QStringLiteral("i"), final, tone);
  } else if (final.startsWith(QLatin1Char('u'))) {
    playGlide(QStringLiteral("u"), final, tone);
  } else if (final.startsWith(QLatin1Char('v'))) {
    playGlide(QStringLiteral("v"), final, tone);
  }
  // Anything else, the empty final included, has no sound.
}

// i, u or v alone with the tone; before the rest of a final, the glide with
// tone 1 and then that rest (one level only: iia plays the glide alone).
void Speech::playGlide(const QString& glide, const QString& final, qint16 tone) {
  if (final == glide) {
    PlayWav(wavName(finalSound(c_.reading, glide, tone)));
    return;
  }
  if (c_.reading.GlideActive) return;
  c_.reading.GlideActive = true;
  PlayWav(wavName(glide + QStringLiteral("1")));
  playFinal(final.mid(1), tone);
  c_.reading.GlideActive = false;
}

qint16 PlayedTone(const ReadingUnit& unit) {
  // Only 不 and 一 change so; another character of the syllable (部, 步, 依,
  // 医) keeps its tone. A unit without its character is taken as them.
  if (!unit.ch.isEmpty() && unit.ch != QStringLiteral("不") && unit.ch != QStringLiteral("一"))
    return unit.tone;
  if (unit.initial == QLatin1String("B") && unit.rest == QLatin1String("u") && unit.tone == 4)
    return buTone(unit.nextTone);
  if (unit.initial == QLatin1String("Y") && unit.rest == QLatin1String("i") && unit.tone == 1) {
    const int column = yiColumn(unit.nextTone);
    return qint16(column);
  }
  return unit.tone;
}

QString PinyinWithToneMark(const QString& syllable, qint16 tone) {
  QString s = syllable;
  s.replace(QLatin1Char('v'), QChar(0x00FC));
  if (tone < 1 || tone > 4) return s;
  // The mark goes on a or e; on the o of ou; otherwise on the last vowel.
  static const QString vowels = QStringLiteral("aeiou") + QChar(0x00FC);
  qsizetype at = s.indexOf(QLatin1Char('a'));
  if (at < 0) at = s.indexOf(QLatin1Char('e'));
  if (at < 0) at = s.indexOf(QLatin1String("ou"));
  if (at < 0) {
    for (qsizetype i = s.size() - 1; i >= 0; --i)
      if (vowels.contains(s.at(i))) {
        at = i;
        break;
      }
  }
  if (at < 0) return s;
  static const char16_t kMarks[4] = {0x0304, 0x0301, 0x030C, 0x0300};
  s.insert(at + 1, QChar(kMarks[tone - 1]));
  return s.normalized(QString::NormalizationForm_C);
}
