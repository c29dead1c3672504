// SPDX-License-Identifier: GPL-3.0-or-later
// The output steps, the pause timer's tick, where the sound set is found,
// and the wav sounds: played one after another on the wav timer, a step
// that falls due meanwhile taken at their end, a stop cutting them.
#include <gtest/gtest.h>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "output_log.h"
#include "platform/qt_sound_output.h"
#include "reading/speech.h"
#include "support/wav_fixture.h"

namespace {

TEST(SoundSteps, SegmentPauseAndWav) {
  LoggedSpeech lp;
  Speech speech(lp.context());
  speech.PlaySegment(37255, 37690, 435);
  EXPECT_EQ(lp.take(), (QStringList{"Timer2 off", "mci play /app/QZCSo.wav from 37255 to 37690",
                                    "Timer3 interval 435", "Timer3 on"}));
  speech.Pause(220);
  EXPECT_EQ(lp.take(), (QStringList{"Timer2 off", "Timer3 interval 220", "Timer3 on"}));
  speech.PlayWav(QStringLiteral("Sounds\\spc.wav"));
  EXPECT_EQ(lp.take(), QStringList{QStringLiteral("wav /app/Sounds/spc.wav")});
}

TEST(SoundSteps, PauseTickRestartsTheStepTimerThenEndsThePause) {
  LoggedSpeech lp;
  Speech speech(lp.context());
  speech.Pause(400);
  lp.take();
  speech.Timer3Tick();
  EXPECT_EQ(lp.take(), (QStringList{"Timer2 on", "Timer3 off"}));
  EXPECT_TRUE(lp.timer2.enabled());
  EXPECT_FALSE(lp.timer3.enabled());
}

TEST(SoundSteps, AFailingPlayCommandStillHoldsThePause) {
  LoggedSpeech lp;
  lp.sound.mciResult = 0;
  Speech(lp.context()).PlaySegment(0, 235, 235);
  EXPECT_TRUE(lp.timer3.enabled());
  EXPECT_EQ(lp.timer3.interval(), 235);
}

TEST(SoundSteps, SoundSetBesideTheProgramOrInstalled) {
  QTemporaryDir tmp;
  const QString root = tmp.path();
  QDir(root).mkpath(QStringLiteral("bin"));
  QDir(root).mkpath(QStringLiteral("share/chimepad/Sounds"));
  const QString bin = root + QStringLiteral("/bin");
  const QString installed = root + QStringLiteral("/share/chimepad");
  const QString sep = QDir::separator();
  ReadingState r;

  // Only the installed copy holds the set.
  writeTone(installed + QStringLiteral("/QZCSo.wav"));
  BuildSoundPaths(r, bin);
  EXPECT_EQ(r.AppDir, QDir::toNativeSeparators(installed) + sep);
  EXPECT_EQ(r.SegmentFilePath,
            QDir::toNativeSeparators(installed) + sep + QStringLiteral("QZCSo.wav"));

  // A set beside the program comes first.
  writeTone(bin + QStringLiteral("/QZCSo.wav"));
  BuildSoundPaths(r, bin);
  EXPECT_EQ(r.AppDir, QDir::toNativeSeparators(bin) + sep);
  EXPECT_EQ(r.SegmentFilePath, QDir::toNativeSeparators(bin) + sep + QStringLiteral("QZCSo.wav"));

  // No set anywhere: the program's folder, where opening then fails.
  QTemporaryDir empty;
  BuildSoundPaths(r, empty.path());
  EXPECT_EQ(r.SegmentFilePath,
            QDir::toNativeSeparators(empty.path()) + sep + QStringLiteral("QZCSo.wav"));

  // A root folder already ends in the separator.
  BuildSoundPaths(r, QDir::rootPath());
  EXPECT_EQ(r.AppDir, QDir::toNativeSeparators(QDir::rootPath()));
  EXPECT_EQ(r.SegmentFilePath,
            QDir::toNativeSeparators(QDir::rootPath()) + QStringLiteral("QZCSo.wav"));
}

// --- A stop as a wav sound starts (the double runs the stop inside it).

TEST(SpeechStop, CutsTheRestOfTheUnit) {
  const struct {
    const char* initial;
    const char* rest;
    int tone;
    int stopAtWav;  // 1-based
    const char* before;
  } cases[] = {
      {"X", "ian", 1, 1, "x"},     // nothing after the initial
      {"X", "ian", 1, 2, "x i1"},  // nothing after the glide
      {"B", "u", 4, 1, "b"},       // no final of bu
      {"K", "un", 3, 2, "k u1"},   // no en of un
  };
  for (const auto& c : cases) {
    LoggedSpeech lp;
    Speech speech(lp.context());
    int wavs = 0;
    lp.sound.onWav = [&](const QString&) {
      if (++wavs == c.stopAtWav) speech.Stop();
    };
    speech.PlaySyllable(QString::fromLatin1(c.initial), QString::fromLatin1(c.rest), qint16(c.tone),
                        5);
    QStringList expected = expectedSteps(QString::fromLatin1(c.before));
    expected << QStringLiteral("stop");
    EXPECT_EQ(lp.take(), expected) << c.initial << c.rest;
    EXPECT_FALSE(lp.reading.GlideActive);

    // The next unit sounds again.
    speech.SpeakUnit(
        ReadingUnit{QStringLiteral("Z"), QStringLiteral("hang"), 1, 5, QStringLiteral("张")});
    EXPECT_EQ(lp.take(), expectedSteps(QStringLiteral("zh ang1")));
  }
}

TEST(SpeechStop, NoTimerIsSwitchedAfterTheStop) {
  // An initial cut by the stop is followed by no segment: arming the pause
  // timer then would restart the step timer of a stopped reading.
  LoggedSpeech lp;
  Speech speech(lp.context());
  lp.sound.onWav = [&](const QString&) { speech.Stop(); };
  speech.PlaySyllable(QStringLiteral("B"), QStringLiteral("er"), 2, 5);
  EXPECT_EQ(lp.take(), (QStringList{"wav /app/Sounds/b.wav", "stop"}));
  // Without the stop the same syllable arms it.
  lp.sound.onWav = nullptr;
  speech.PlaySyllable(QStringLiteral("B"), QStringLiteral("er"), 2, 5);
  QStringList expected = expectedSteps(QStringLiteral("b 32380-32750"));
  EXPECT_EQ(lp.take(), expected);
}

TEST(SpeechStop, AUnitStartedRightAfterTheStopStillSounds) {
  // Reading stopped and started again as a sound starts: the new unit
  // plays, what was left of the old one does not.
  LoggedSpeech lp;
  Speech speech(lp.context());
  bool restarted = false;
  lp.sound.onWav = [&](const QString& path) {
    if (restarted || !path.endsWith(QStringLiteral("/x.wav"))) return;
    restarted = true;
    speech.Stop();
    speech.SpeakUnit(ReadingUnit{QStringLiteral("7"), QString(), 5, 5, QStringLiteral("7")});
  };
  speech.SpeakUnit(
      ReadingUnit{QStringLiteral("X"), QStringLiteral("ian"), 1, 5, QStringLiteral("先")});
  QStringList expected = expectedSteps(QStringLiteral("x"));
  expected << QStringLiteral("stop") << segmentSteps(38370, 38780, 410);
  EXPECT_EQ(lp.take(), expected);
}

// --- The wav sounds on the program's own timers and sound output (no audio
// device: the sounds keep their lengths in silence). Nothing waits: the
// call returns at once and the wav timer counts the sounds' lengths.

class WavOnTimers : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tmp.isValid());
    QDir(tmp.path()).mkpath(QStringLiteral("Sounds"));
    ASSERT_TRUE(writeTone(tmp.filePath(QStringLiteral("Sounds/x.wav")), {.ms = 300}));
    ASSERT_TRUE(writeTone(tmp.filePath(QStringLiteral("Sounds/i1.wav")), {.ms = 300}));
    ASSERT_TRUE(writeTone(tmp.filePath(QStringLiteral("Sounds/an1.wav")), {.ms = 300}));
    reading.AppDir = QDir::toNativeSeparators(tmp.path()) + QDir::separator();
    wavTimer.onTick = [this] { speech.WavTick(); };
  }
  QTemporaryDir tmp;
  QtSoundOutput sound{false};
  WinTimer timer2;
  WinTimer timer3;
  WinTimer wavTimer;
  ReadingState reading;
  Speech speech{SpeechContext{reading, &sound, &timer2, &timer3, &wavTimer}};
};

TEST_F(WavOnTimers, ReturnsAtOnceAndEndsAfterTheSoundsLength) {
  QElapsedTimer clock;
  clock.start();
  speech.PlaySyllable(QStringLiteral("X"), QStringLiteral("ian"), 1, 5);  // x, i1, an1: 900 ms
  EXPECT_LT(clock.elapsed(), 100) << "the call waited for the sound";
  EXPECT_TRUE(speech.busy());
  ASSERT_TRUE(QTest::qWaitFor([&] { return !speech.busy(); }, 5000));
  EXPECT_GE(clock.elapsed(), 880);
}

TEST_F(WavOnTimers, AStepFallingDueDuringTheSoundComesOnceAtItsEnd) {
  // The step timer's own tick falls due (many times over) while the unit it
  // started still plays: no handler waits, and the step is neither dropped
  // nor repeated but taken as the sound ends.
  int steps = 0;
  qint64 stepAt = -1;
  QElapsedTimer clock;
  timer2.onTick = [&] {
    if (speech.busy()) {
      speech.deferStep();
      return;
    }
    ++steps;
  };
  speech.onStepDue = [&] {
    ++steps;
    stepAt = clock.elapsed();
    timer2.setEnabled(false);
  };
  timer2.setInterval(50);
  timer2.setEnabled(true);
  clock.start();
  speech.PlaySyllable(QStringLiteral("X"), QStringLiteral("ian"), 1, 5);
  ASSERT_TRUE(QTest::qWaitFor([&] { return steps > 0; }, 5000));
  QTest::qWait(100);
  EXPECT_EQ(steps, 1);
  EXPECT_GE(stepAt, 880);
  EXPECT_LT(stepAt, 1100);
}

TEST_F(WavOnTimers, AStopCutsTheSoundAtOnce) {
  speech.PlaySyllable(QStringLiteral("X"), QStringLiteral("ian"), 1, 5);
  QTest::qWait(100);
  speech.Stop();
  EXPECT_FALSE(speech.busy());
  EXPECT_FALSE(wavTimer.enabled());
  EXPECT_FALSE(reading.GlideActive);
}

TEST_F(WavOnTimers, AMissingWavTakesNoTime) {
  speech.PlayWav(QStringLiteral("Sounds\\nothing.wav"));
  EXPECT_FALSE(speech.busy());
  EXPECT_FALSE(wavTimer.enabled());
}

// A step that fell due during a wav sound is cancelled by a hold that
// follows in the same unit: the next step comes one interval after the
// hold, not at the wav's end in the middle of the hold.
TEST(SpeechHold, AHoldAfterAWavCancelsTheStepThatFellDueDuringIt) {
  OutputLog log;
  VirtualClock clock;
  Timer* const stepTimer = clock.makeTimer();
  Timer* const pauseTimer = clock.makeTimer();
  Timer* const wavTimer = clock.makeTimer();
  ReadingState reading;
  reading.AppDir = QStringLiteral("/app/");
  class Lengths : public LoggingSound {
   public:
    using LoggingSound::LoggingSound;
    qint64 soundLengthMs(const QString&) override { return 300; }
  } timed{log};
  Speech speech(SpeechContext{reading, &timed, stepTimer, pauseTimer, wavTimer});
  QStringList steps;
  stepTimer->onTick = [&] {
    if (speech.busy()) return speech.deferStep();
    steps << QString::number(clock.now());
  };
  speech.onStepDue = [&] { steps << QStringLiteral("due %1").arg(clock.now()); };
  pauseTimer->onTick = [&] { speech.Timer3Tick(); };
  wavTimer->onTick = [&] { speech.WavTick(); };
  stepTimer->setInterval(100);
  stepTimer->setEnabled(true);
  // One unit: a wav of 300 ms, then a range held 200 ms.
  speech.PlayWav(QStringLiteral("Sounds/b.wav"));
  speech.PlaySegment(1000, 1200, 200);
  clock.advanceTo(700);
  // The step due at 100 (during the wav) is not taken at 300; the hold ends
  // at 500 and the next step follows one interval later.
  EXPECT_EQ(steps, (QStringList{"600", "700"}));
}

}  // namespace
