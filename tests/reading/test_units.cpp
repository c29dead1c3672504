// SPDX-License-Identifier: GPL-3.0-or-later
// Reading units: digits and letters from their own sounds, punctuation and
// the end of the text as pauses, everything else as a syllable.
#include <gtest/gtest.h>

#include "output_log.h"
#include "reading/speech.h"

namespace {

QStringList speak(const ReadingUnit& unit) {
  LoggedSpeech lp;
  Speech(lp.context()).SpeakUnit(unit);
  return lp.take();
}

ReadingUnit unitOf(const QString& ch, const QString& initial = QString(),
                   const QString& rest = QString(), qint16 tone = 5, qint16 nextTone = 5) {
  return ReadingUnit{initial, rest, tone, nextTone, ch};
}

TEST(ReadingUnits, DigitsPlayTheirRanges) {
  const char* expected[10] = {"37255-37690[435]", "33300-33630[330]", "33070-33290[220]",
                              "37695-38165[470]", "9550-10000[450]",  "35270-35630[360]",
                              "38165-38360[195]", "38370-38780[410]", "4150-4550[400]",
                              "38785-39030[245]"};
  for (int d = 0; d < 10; ++d) {
    // What the input method made of the digit does not matter.
    const QString ch = QString::number(d);
    EXPECT_EQ(speak(unitOf(ch, ch, QString(), 5, 1)),
              expectedSteps(QString::fromLatin1(expected[d])))
        << d;
  }
}

TEST(ReadingUnits, LettersOfEitherCase) {
  const char* expected[26] = {"ei1",
                              "820-1050[230]",
                              "spc",
                              "20120-20440[320]",
                              "34310-34570[260]",
                              "spf",
                              "spg",
                              "sph",
                              "spi",
                              "spj",
                              "spk",
                              "spl",
                              "spm",
                              "en1",
                              "37060-37255[185]",
                              "2305-2600[295]",
                              "spq",
                              "a4",
                              "sps",
                              "18940-19240[320]",
                              "spu",
                              "spv",
                              "spw",
                              "spx",
                              "spy",
                              "spz"};
  for (int i = 0; i < 26; ++i) {
    const QString upper(QChar(u'A' + i));
    const QString lower(QChar(u'a' + i));
    const QStringList steps = expectedSteps(QString::fromLatin1(expected[i]));
    EXPECT_EQ(speak(unitOf(upper, upper)), steps) << upper.toStdString();
    EXPECT_EQ(speak(unitOf(lower, upper)), steps) << lower.toStdString();
  }
}

TEST(ReadingUnits, WavLettersLeaveTheStepTimerRunning) {
  LoggedSpeech lp;
  lp.timer2.setEnabled(true);
  lp.take();
  Speech(lp.context()).SpeakUnit(unitOf(QStringLiteral("a"), QStringLiteral("A")));
  EXPECT_EQ(lp.take(), QStringList{QStringLiteral("wav /app/Sounds/ei1.wav")});
  EXPECT_TRUE(lp.timer2.enabled());
}

TEST(ReadingUnits, TheMarkSetsAreTheListedCharacters) {
  // The same marks as text, typed as a reader sees them.
  EXPECT_EQ(ShortPauseMarks(),
            QStringLiteral("《》，/、][{}“”‘’·：〈〉「」『』｜〖〗【】（）［］｛｝—,") +
                QStringLiteral("\"") + QStringLiteral("'':/\\"));
  EXPECT_EQ(ShortPauseMarks().size(), 40);
  EXPECT_EQ(LongPauseMarks(), QStringLiteral("。？；！….;?!"));
}

TEST(ReadingUnits, PausesForMarksAndTheEndOfTheText) {
  for (QChar c : ShortPauseMarks())
    EXPECT_EQ(speak(unitOf(QString(c), QString(c))), pauseSteps(200)) << QString(c).toStdString();
  for (QChar c : LongPauseMarks())
    EXPECT_EQ(speak(unitOf(QString(c), QString(c))), pauseSteps(400)) << QString(c).toStdString();
  const struct {
    const char* ch;
    int pause;
  } cases[] = {{"，", 200}, {"、", 200}, {"。", 400}, {"…", 400}, {".", 400},
               {"?", 400},  {",", 200},  {":", 200},  {"", 220}};
  for (const auto& c : cases)
    EXPECT_EQ(speak(unitOf(QString::fromUtf8(c.ch))), pauseSteps(c.pause)) << c.ch;
}

TEST(ReadingUnits, EverythingElseIsASyllable) {
  const struct {
    ReadingUnit unit;
    const char* sounds;
  } cases[] = {
      {unitOf(QStringLiteral("中"), QStringLiteral("Z"), QStringLiteral("hong"), 1, 4), "zh ong1"},
      {unitOf(QStringLiteral("不"), QStringLiteral("B"), QStringLiteral("u"), 4, 4), "b u2"},
      {unitOf(QStringLiteral("不"), QStringLiteral("B"), QStringLiteral("u"), 4, 5), "b u4"},
      {unitOf(QStringLiteral("一"), QStringLiteral("Y"), QStringLiteral("i"), 1, 2), "34310-34570"},
      {unitOf(QStringLiteral("二"), QStringLiteral("E"), QStringLiteral("r"), 4, 5), "33070-33290"},
      // A space, a line break, full-width digits and letters, other
      // symbols: not converted, so nothing is heard and no timer moves.
      {unitOf(QStringLiteral(" ")), ""},
      {unitOf(QStringLiteral("\r"), QStringLiteral("\r")), ""},
      {unitOf(QStringLiteral("\n"), QStringLiteral("\n")), ""},
      {unitOf(QStringLiteral("０"), QStringLiteral("０")), ""},
      {unitOf(QStringLiteral("７"), QStringLiteral("７")), ""},
      {unitOf(QStringLiteral("Ａ"), QStringLiteral("Ａ")), ""},
      {unitOf(QStringLiteral("@"), QStringLiteral("@")), ""},
      {unitOf(QStringLiteral("～"), QStringLiteral("～")), ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(speak(c.unit), expectedSteps(QString::fromUtf8(c.sounds))) << c.unit.ch.toStdString();
}

}  // namespace
