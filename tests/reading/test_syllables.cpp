// SPDX-License-Identifier: GPL-3.0-or-later
// The syllable sound table: which recordings and timer steps each toned
// syllable makes, compared with tables of expected output steps.
#include <gtest/gtest.h>

#include "output_log.h"
#include "reading/speech.h"

namespace {

struct SyllableCase {
  const char* initial;
  const char* rest;
  int tone;
  int nextTone;
  const char* sounds;  // see expectedSteps
};

void PrintTo(const SyllableCase& c, std::ostream* os) {
  *os << c.initial << "+" << c.rest << c.tone << " next " << c.nextTone;
}

// The tables of the sound set as specified: 轻声 off, tone 5 sounds as the
// fourth.
QStringList playSyllable(const SyllableCase& c) {
  LoggedSpeech lp;
  lp.reading.ReadNeutralTone = false;
  Speech speech(lp.context());
  speech.PlaySyllable(QString::fromUtf8(c.initial), QString::fromUtf8(c.rest), qint16(c.tone),
                      qint16(c.nextTone));
  EXPECT_FALSE(lp.reading.GlideActive);
  return lp.take();
}

// Every whole-syllable recording, in each tone column. Tones 5 and 0 sound
// as the fourth; yi is taken before a character without a tone, so that
// its tone 1 keeps its own column.
struct SegmentRowCase {
  const char* row;
  const char* initial;
  const char* rest;
  const char* tones[4];
};

// clang-format off
const SegmentRowCase kSegmentRows[] = {
    {"bi", "B", "i", {"0-235", "240-440", "440-820", "820-1050"}},
    {"pi", "P", "i", {"1050-1400", "1400-1780", "1780-2305", "2305-2600"}},
    {"mi", "M", "i", {"2600-2900", "2900-3300", "3300-3870", "3870-4150"}},
    {"ba", "B", "a", {"4150-4550", "4550-4900", "4900-5300", "5300-5600"}},
    {"zi", "Z", "i", {"5600-6000", "6560-6850", "6000-6560", "6560-6850"}},
    {"ci", "C", "i", {"6850-7250", "7250-7700", "7700-8200", "8200-8550"}},
    {"si", "S", "i", {"8550-9000", "9550-10000", "9000-9550", "9550-10000"}},
    {"zhi", "Z", "hi", {"10000-10300", "10300-10650", "10650-11180[430]", "11180-11440"}},
    {"chi", "C", "hi", {"11440-11850", "11850-12250", "12250-12720", "12720-13050"}},
    {"shi", "S", "hi", {"13050-13450", "13450-13950", "13950-14440", "14440-14850"}},
    {"ri", "R", "i", {"14850-15150", "14850-15150", "14850-15150", "14850-15150"}},
    {"ni", "N", "i", {"15150-15600", "15600-16000", "16000-16400", "16400-16700"}},
    {"li", "L", "i", {"16700-17050", "spli", "17380-17660", "17660-17860"}},
    {"ti", "T", "i", {"17860-18180", "18180-18560", "18560-18940", "18940-19240[320]"}},
    {"di", "D", "i", {"19240-19520", "19520-19800", "19800-20120", "20120-20440"}},
    {"gu", "G", "u", {"20440-20750", "20750-21100", "21100-21450", "21450-21670"}},
    {"hu", "H", "u", {"21670-22100", "22100-22550", "22550-22910", "22910-23160"}},
    {"chuo", "C", "huo", {"23160-23620", "23620-24000", "23620-24000", "23620-24000"}},
    {"du", "D", "u", {"24000-24200", "24200-24550", "24550-24950", "24960-25220"}},
    {"dun", "D", "un", {"25225-25585", "25995-26220[235]", "25585-25990", "25995-26220[235]"}},
    {"guo", "G", "uo", {"26220-26650", "26650-27000", "27000-27400", "27400-27700"}},
    {"lu", "L", "u", {"27700-28100", "28100-28550", "28550-28950", "28950-29250"}},
    {"niu", "N", "iu", {"29250-29700", "29700-30100", "30100-30550", "30550-30850"}},
    {"nie", "N", "ie", {"30850-31300", "31300-31700", "31700-32120", "32120-32380"}},
    {"er", "E", "r", {"33070-33290", "32380-32750", "32750-33070", "33070-33290"}},
    {"yi", "Y", "i", {"33300-33630", "33630-34000", "34000-34310", "34310-34570"}},
    {"wu", "W", "u", {"34570-34950", "34950-35270", "35270-35630", "35630-35880"}},
    {"yu", "Y", "u", {"35880-36200[310]", "36200-36500", "36500-36800", "36800-37070"}},
};
// clang-format on

TEST(SyllableTable, EveryWholeSyllableRangeInEveryToneColumn) {
  for (const SegmentRowCase& row : kSegmentRows) {
    for (int tone : {1, 2, 3, 4, 5, 0, -1, 9}) {
      const int column = tone >= 1 && tone <= 3 ? tone : 4;
      const SyllableCase c{row.initial, row.rest, tone, 5, nullptr};
      EXPECT_EQ(playSyllable(c), expectedSteps(QString::fromLatin1(row.tones[column - 1])))
          << row.row << " tone " << tone;
    }
  }
}

TEST(SyllableTable, TheStepsOfOneSegmentInOrder) {
  // bi with tone 1: the step timer is held, the range plays, the pause
  // timer is armed with the range's length.
  LoggedSpeech lp;
  lp.timer2.setEnabled(true);
  lp.take();
  Speech(lp.context()).PlaySyllable(QStringLiteral("B"), QStringLiteral("i"), 1, 5);
  EXPECT_EQ(lp.take(), (QStringList{"Timer2 off", "mci play /app/QZCSo.wav from 0 to 235",
                                    "Timer3 interval 235", "Timer3 on"}));
  EXPECT_FALSE(lp.timer2.enabled());
  EXPECT_TRUE(lp.timer3.enabled());
  EXPECT_EQ(lp.timer3.interval(), 235);
}

TEST(SyllableTable, WavSyllablesLeaveTheTimersAlone) {
  LoggedSpeech lp;
  lp.timer2.setEnabled(true);
  lp.take();
  Speech speech(lp.context());
  speech.PlaySyllable(QStringLiteral("L"), QStringLiteral("i"), 2, 5);
  speech.PlaySyllable(QStringLiteral("Z"), QStringLiteral("hang"), 1, 5);
  EXPECT_EQ(lp.take(), expectedSteps(QStringLiteral("spli zh ang1")));
  EXPECT_TRUE(lp.timer2.enabled());
  EXPECT_FALSE(lp.timer3.enabled());
}

// Every case of the dispatch on the first letter, in order, with a case
// that falls through to the next where the order matters.
const SyllableCase kDispatch[] = {
    // B: bi and ba are segments (above); bu with tone 4 changes its tone
    // (below); bo sounds as b + e.
    {"B", "o", 2, 5, "b e2"},
    {"B", "ao", 1, 5, "b ao1"},
    {"B", "u", 2, 4, "b u2"},
    {"B", "ian", 3, 5, "b i1 an3"},
    {"B", "AO", 1, 5, "b ao1"},  // the rest is lower-cased for the final
    {"P", "o", 4, 5, "p e4"},
    {"P", "ang", 2, 5, "p ang2"},
    {"M", "o", 1, 5, "m e1"},
    {"M", "ei", 2, 5, "m ei2"},
    {"F", "o", 2, 5, "f e2"},
    {"F", "ang", 1, 5, "f ang1"},
    {"F", "u", 4, 5, "f u4"},
    {"D", "a", 4, 5, "d a4"},
    {"D", "uan", 1, 5, "d u1 an1"},
    {"D", "ui", 3, 5, "d ui3"},
    {"T", "ou", 2, 5, "t ou2"},
    {"T", "u", 3, 5, "t u3"},
    {"N", "v", 3, 5, "n v3"},
    {"N", "ue", 4, 5, "n ue4"},
    {"N", "iang", 2, 5, "n i1 ang2"},
    {"L", "v", 4, 5, "l v4"},
    {"L", "ian", 2, 5, "l i1 an2"},
    {"L", "ve", 4, 5, "l v1 e4"},
    {"G", "ong", 1, 5, "g ong1"},
    {"G", "uang", 3, 5, "g u1 ang3"},
    {"K", "u", 2, 5, "k u2"},
    {"K", "i", 1, 5, "k i1"},
    {"K", "uo", 4, 5, "k u1 o4"},
    {"K", "un", 3, 5, "k u1 en3"},
    {"H", "ui", 4, 5, "h ui4"},
    {"H", "uo", 3, 5, "h u1 o3"},
    // ju, qu, xu sound the v final; jue, juan keep their own finals.
    {"J", "u", 1, 5, "j v1"},
    {"J", "ue", 2, 5, "j ue2"},
    {"J", "uan", 3, 5, "j u1 an3"},
    {"J", "iong", 1, 5, "j i1 ong1"},
    {"Q", "u", 2, 5, "q v2"},
    {"Q", "ing", 2, 5, "q ing2"},
    {"X", "u", 3, 5, "x v3"},
    {"X", "ian", 1, 5, "x i1 an1"},
    {"X", "van", 2, 5, "x v1 an2"},
    // zh, ch, sh: zhi, chi, shi, chuo are segments; any other rest that
    // begins with h is the two-letter initial and the rest less its h.
    {"Z", "hang", 1, 5, "zh ang1"},
    {"Z", "hong", 4, 5, "zh ong4"},
    {"Z", "huang", 1, 5, "zh u1 ang1"},
    {"Z", "HONG", 1, 5, "z"},  // "begins with h" is case-sensitive; "hong" has no final of its own
    {"Z", "ao", 3, 5, "z ao3"},
    {"C", "hu", 2, 5, "ch u2"},
    {"C", "hui", 1, 5, "ch ui1"},
    {"C", "ai", 3, 5, "c ai3"},
    {"S", "hui", 3, 5, "sh ui3"},
    {"S", "hou", 4, 5, "sh ou4"},
    {"S", "an", 1, 5, "s an1"},
    {"R", "en", 2, 5, "r en2"},
    {"R", "uo", 4, 5, "r u1 o4"},
    // Y: yun and ye play their finals alone; yu, yue, yuan the yu segment.
    {"Y", "un", 2, 5, "un2"},
    {"Y", "un", 5, 5, "un4"},
    {"Y", "e", 3, 5, "ie3"},
    {"Y", "ue", 4, 5, "36800-37070"},
    {"Y", "uan", 2, 5, "36200-36500"},
    {"Y", "ang", 1, 5, "y ang1"},
    {"Y", "in", 4, 5, "y in4"},
    {"Y", "ou", 3, 5, "y ou3"},
    {"W", "a", 1, 5, "w a1"},
    {"W", "ai", 4, 5, "w ai4"},
    {"W", "o", 3, 5, "w o3"},
    {"W", "eng", 1, 5, "w eng1"},
    // Syllables without an initial: the letter and the rest are the final.
    {"A", "", 2, 5, "a2"},
    {"A", "n", 1, 5, "an1"},
    {"A", "i", 3, 5, "ai3"},
    {"A", "ng", 4, 5, "ang4"},
    {"A", "o", 5, 5, "ao4"},
    {"E", "", 2, 5, "e2"},
    {"E", "i", 1, 5, "ei1"},
    {"E", "n", 3, 5, "en3"},
    {"E", "ng", 1, 5, "eng1"},
    {"O", "", 1, 5, "o1"},
    {"O", "u", 3, 5, "ou3"},
    // The tone columns of wav sounds: 4, 5, 0 and anything else play the
    // fourth; a glide is always tone 1.
    {"B", "ao", 4, 5, "b ao4"},
    {"B", "ao", 5, 5, "b ao4"},
    {"B", "ao", 0, 5, "b ao4"},
    {"B", "ao", 7, 5, "b ao4"},
    {"X", "ian", 5, 5, "x i1 an4"},
    // A rest with no final plays the initial alone; iia plays one glide.
    {"B", "ng", 1, 5, "b"},
    {"X", "iia", 1, 5, "x i1"},
    // Characters the input method does not convert: no sound, no timer.
    {"", "", 5, 5, ""},
    {"Ａ", "", 5, 5, ""},
    {"虎", "", 5, 5, ""},
    {"b", "ao", 1, 5, ""},  // the initial letter is compared case-sensitively
};

TEST(SyllableTable, DispatchOnTheFirstLetter) {
  for (const SyllableCase& c : kDispatch)
    EXPECT_EQ(playSyllable(c), expectedSteps(QString::fromUtf8(c.sounds)))
        << testing::PrintToString(c);
}

// bu with tone 4 turns to tone 2 before a fourth tone and keeps tone 4
// everywhere else, the end of the text included; yi with tone 1 turns to
// tone 4 before tones 1 to 3 and to tone 2 before a fourth tone. Other
// tones of bu and yi keep their own.
const SyllableCase kToneChanges[] = {
    {"B", "u", 4, 1, "b u4"},
    {"B", "u", 4, 2, "b u4"},
    {"B", "u", 4, 3, "b u4"},
    {"B", "u", 4, 4, "b u2"},
    {"B", "u", 4, 5, "b u4"},
    {"B", "u", 4, 0, "b u4"},
    {"B", "u", 4, 7, "b u4"},
    {"B", "u", 1, 4, "b u1"},
    {"B", "u", 2, 4, "b u2"},
    {"B", "u", 3, 4, "b u3"},
    {"B", "u", 5, 4, "b u4"},
    {"Y", "i", 1, 1, "34310-34570"},
    {"Y", "i", 1, 2, "34310-34570"},
    {"Y", "i", 1, 3, "34310-34570"},
    {"Y", "i", 1, 4, "33630-34000"},
    {"Y", "i", 1, 5, "33300-33630"},
    {"Y", "i", 1, 0, "33300-33630"},
    {"Y", "i", 1, 7, "33300-33630"},
    {"Y", "i", 2, 4, "33630-34000"},
    {"Y", "i", 3, 4, "34000-34310"},
    {"Y", "i", 4, 1, "34310-34570"},
    {"Y", "i", 4, 4, "34310-34570"},
    // No other syllable looks at the next tone.
    {"B", "i", 1, 4, "0-235"},
    {"D", "u", 4, 4, "24960-25220"},
    {"W", "u", 1, 4, "34570-34950"},
};

TEST(SyllableTable, ToneChangesOfBuAndYi) {
  for (const SyllableCase& c : kToneChanges)
    EXPECT_EQ(playSyllable(c), expectedSteps(QString::fromUtf8(c.sounds)))
        << testing::PrintToString(c);
}

TEST(SyllableTable, FinalsWithTheirTones) {
  const struct {
    const char* final;
    int tone;
    const char* sounds;
  } cases[] = {
      {"a", 1, "a1"},
      {"o", 2, "o2"},
      {"e", 3, "e3"},
      {"ai", 4, "ai4"},
      {"ei", 5, "ei4"},
      {"ui", 1, "ui1"},
      {"ie", 2, "ie2"},
      {"ue", 3, "ue3"},
      {"an", 4, "an4"},
      {"en", 1, "en1"},
      {"in", 2, "in2"},
      {"ang", 3, "ang3"},
      {"eng", 4, "eng4"},
      {"ing", 1, "ing1"},
      {"ong", 2, "ong2"},
      {"iu", 3, "iu3"},
      {"ao", 4, "ao4"},
      {"ou", 0, "ou4"},
      {"un", 2, "u1 en2"},
      {"un", 5, "u1 en4"},
      {"i", 3, "i3"},
      {"u", 5, "u4"},
      {"v", 2, "v2"},
      {"iang", 3, "i1 ang3"},
      {"uai", 4, "u1 ai4"},
      {"uo", 2, "u1 o2"},
      {"van", 1, "v1 an1"},
      {"ve", 2, "v1 e2"},
      // er is the segment file's er row; its tone 1 is the tone-4 range.
      {"er", 1, "33070-33290"},
      {"er", 2, "32380-32750"},
      {"er", 3, "32750-33070"},
      {"er", 4, "33070-33290"},
      {"er", 5, "33070-33290"},
      // One glide level only; the glide's own final alone still plays.
      {"iia", 1, "i1"},
      {"uu", 3, "u1 u3"},
      {"uia", 2, "u1"},
      // The rest after a glide is not lower-cased again.
      {"iAN", 1, "i1"},
      // Nothing matches: no sound.
      {"ng", 1, ""},
      {"", 1, ""},
      {"Ang", 1, ""},
      {"r", 2, ""},
  };
  for (const auto& c : cases) {
    LoggedSpeech lp;
    lp.reading.ReadNeutralTone = false;
    Speech(lp.context()).PlayFinal(QString::fromUtf8(c.final), qint16(c.tone));
    EXPECT_EQ(lp.take(), expectedSteps(QString::fromUtf8(c.sounds))) << c.final << c.tone;
    EXPECT_FALSE(lp.reading.GlideActive) << c.final;
  }
}

TEST(SyllableTable, GlideActiveIsSetOnlyWhileTheGlideAndItsRestPlay) {
  LoggedSpeech lp;
  Speech speech(lp.context());
  QList<bool> during;
  lp.sound.onWav = [&](const QString&) { during << lp.reading.GlideActive; };
  speech.PlaySyllable(QStringLiteral("X"), QStringLiteral("ian"), 1, 5);
  // x, then the glide i1, then an.
  EXPECT_EQ(during, (QList<bool>{false, true, true}));
  EXPECT_FALSE(lp.reading.GlideActive);
}

// 轻声: a syllable without a tone plays its neutral sound (the final, or
// the whole syllable where the segment file has one), pitched by the tone
// heard before it; a digit, a letter or a pause in between leaves the mid
// pitch of the second tone. Tones 1 to 4 are not touched.
TEST(SyllableTable, NeutralTonePlaysTheNeutralSoundPitchedByTheToneHeardBefore) {
  struct Case {
    const char* name;
    const char* before;  // initial, rest, tone of the syllable before; "" for none
    const char* initial;
    const char* rest;
    int tone;
    const char* sounds;
  } const cases[] = {
      {"de after ma1", "M a 1", "D", "e", 5, "d e51"},
      {"le after lai2", "L ai 2", "L", "e", 5, "l e52"},
      {"men after wo3", "W o 3", "M", "en", 5, "m en53"},
      {"zi after kuai4: whole syllable", "K uai 4", "Z", "i", 5, "zi54"},
      {"ba at the start: mid pitch", "", "B", "a", 5, "ba52"},
      {"after bu before a fourth tone, heard bu2", "B u 4 4", "D", "e", 5, "d e52"},
      {"after yi before a fourth tone, heard yi2", "Y i 1 4", "G", "e", 5, "g e52"},
      {"shi: whole syllable", "D an 4", "S", "hi", 5, "shi54"},
      {"yun: the un final alone", "Y u 1", "Y", "un", 5, "un51"},
      {"ye: the ie final", "X ie 3", "Y", "e", 5, "ie53"},
      {"xian: glide with tone 1, then an", "D ong 1", "X", "ian", 5, "x i1 an51"},
      {"hun: u1 then en", "M a 2", "H", "un", 5, "h u1 en52"},
      {"er", "N v 3", "E", "r", 5, "er53"},
      {"tone 4 stays", "M a 1", "D", "e", 4, "d e4"},
      {"tone 0 is no neutral tone", "M a 1", "D", "e", 0, "d e4"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LoggedSpeech lp;
    Speech speech(lp.context());
    const QStringList before = QString::fromLatin1(c.before).split(u' ', Qt::SkipEmptyParts);
    if (!before.isEmpty())
      speech.PlaySyllable(before[0], before[1], qint16(before[2].toInt()),
                          qint16(before.size() > 3 ? before[3].toInt() : 5));
    lp.take();
    speech.PlaySyllable(QString::fromLatin1(c.initial), QString::fromLatin1(c.rest), qint16(c.tone),
                        5);
    EXPECT_EQ(lp.take(), expectedSteps(QString::fromLatin1(c.sounds)));
  }

  // Off, tone 5 plays the fourth tone's sounds.
  LoggedSpeech lp;
  lp.reading.ReadNeutralTone = false;
  Speech speech(lp.context());
  speech.PlaySyllable(QStringLiteral("M"), QStringLiteral("a"), 1, 5);
  lp.take();
  speech.PlaySyllable(QStringLiteral("D"), QStringLiteral("e"), 5, 5);
  EXPECT_EQ(lp.take(), expectedSteps(QStringLiteral("d e4")));
  speech.PlaySyllable(QStringLiteral("Z"), QStringLiteral("i"), 5, 5);
  EXPECT_EQ(lp.take(), expectedSteps(QStringLiteral("6560-6850")));
}

TEST(SyllableTable, APauseOrADigitBetweenLeavesTheNeutralToneAtMidPitch) {
  LoggedSpeech lp;
  Speech speech(lp.context());
  speech.PlaySyllable(QStringLiteral("M"), QStringLiteral("a"), 1, 5);
  speech.SpeakUnit(ReadingUnit{QStringLiteral("，"), QString(), 5, 5, QStringLiteral("，")});
  speech.Timer3Tick();
  lp.take();
  speech.PlaySyllable(QStringLiteral("D"), QStringLiteral("e"), 5, 5);
  EXPECT_EQ(lp.take(), expectedSteps(QStringLiteral("d e52")));
}

// As spoken (上声变调 on) only the characters 不 and 一 change their tones by
// the next syllable; 部 and 依 keep theirs. Off, every bu4 and yi1 does.
TEST(SyllableTable, OnlyBuAndYiThemselvesChangeTheirTonesAsSpoken) {
  struct Case {
    const char* ch;
    const char* initial;
    const char* rest;
    int tone;
    int nextTone;
    const char* spoken;
    const char* spec;
  } const cases[] = {
      {"部", "B", "u", 4, 4, "b u4", "b u2"},
      {"不", "B", "u", 4, 4, "b u2", "b u2"},
      {"步", "B", "u", 4, 5, "b u4", "b u4"},
      {"步", "B", "u", 4, 4, "b u4", "b u2"},
      {"依", "Y", "i", 1, 4, "33300-33630", "33630-34000"},
      {"医", "Y", "i", 1, 2, "33300-33630", "34310-34570"},
      {"一", "Y", "i", 1, 4, "33630-34000", "33630-34000"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ch);
    for (const bool spoken : {true, false}) {
      LoggedSpeech lp;
      lp.reading.ReadToneSandhi = spoken;
      Speech(lp.context())
          .SpeakUnit(ReadingUnit{QString::fromLatin1(c.initial), QString::fromLatin1(c.rest),
                                 qint16(c.tone), qint16(c.nextTone), QString::fromUtf8(c.ch)});
      EXPECT_EQ(lp.take(), expectedSteps(QString::fromLatin1(spoken ? c.spoken : c.spec)));
    }
  }
}

}  // namespace
