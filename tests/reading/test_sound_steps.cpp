// The output steps, the pause timer's tick, where the sound set is found,
// and the synchronous wav sound: the window lives on while it plays, timer
// ticks wait for its end, a stop cuts it.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

#include "output_log.h"
#include "platform/qt_sound_output.h"
#include "reading/speech.h"
#include "support/wav_fixture.h"

namespace {

TEST(SoundSteps, SegmentPauseAndWav) {
  LoggedProgram lp;
  Speech speech(lp.p);
  speech.PlaySegment(37255, 37690, 435);
  EXPECT_EQ(lp.take(), (QStringList{"Timer2 off", "mci play /app/QZCSo.wav from 37255 to 37690",
                                    "Timer3 interval 435", "Timer3 on"}));
  speech.Pause(220);
  EXPECT_EQ(lp.take(), (QStringList{"Timer2 off", "Timer3 interval 220", "Timer3 on"}));
  speech.PlayWav(QStringLiteral("Sounds\\spc.wav"));
  EXPECT_EQ(lp.take(), QStringList{QStringLiteral("wav /app/Sounds\\spc.wav")});
}

TEST(SoundSteps, PauseTickRestartsTheStepTimerThenEndsThePause) {
  LoggedProgram lp;
  Speech speech(lp.p);
  speech.Pause(400);
  lp.take();
  speech.Timer3Tick();
  EXPECT_EQ(lp.take(), (QStringList{"Timer2 on", "Timer3 off"}));
  EXPECT_TRUE(lp.timer2.enabled());
  EXPECT_FALSE(lp.timer3.enabled());
}

TEST(SoundSteps, AFailingPlayCommandStillHoldsThePause) {
  LoggedProgram lp;
  lp.sound.mciResult = 0;
  Speech(lp.p).PlaySegment(0, 235, 235);
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
  Program p;

  // Only the installed copy holds the set.
  writeTone(installed + QStringLiteral("/QZCSo.wav"));
  BuildSoundPaths(p, bin);
  EXPECT_EQ(p.AppDir, QDir::toNativeSeparators(installed) + sep);
  EXPECT_EQ(p.SegmentFilePath, QDir::toNativeSeparators(installed) + sep + QStringLiteral("QZCSo.wav"));

  // A set beside the program comes first.
  writeTone(bin + QStringLiteral("/QZCSo.wav"));
  BuildSoundPaths(p, bin);
  EXPECT_EQ(p.AppDir, QDir::toNativeSeparators(bin) + sep);
  EXPECT_EQ(p.SegmentFilePath, QDir::toNativeSeparators(bin) + sep + QStringLiteral("QZCSo.wav"));

  // No set anywhere: the program's folder, where opening then fails.
  QTemporaryDir empty;
  BuildSoundPaths(p, empty.path());
  EXPECT_EQ(p.SegmentFilePath, QDir::toNativeSeparators(empty.path()) + sep + QStringLiteral("QZCSo.wav"));

  // A root folder already ends in the separator.
  BuildSoundPaths(p, QDir::rootPath());
  EXPECT_EQ(p.AppDir, QDir::toNativeSeparators(QDir::rootPath()));
  EXPECT_EQ(p.SegmentFilePath, QDir::toNativeSeparators(QDir::rootPath()) + QStringLiteral("QZCSo.wav"));
}

// --- A stop while a wav sound plays (the double runs the stop inside the
// wav, as the event loop would during the wait).

TEST(SpeechStop, CutsTheRestOfTheUnit) {
  const struct {
    const char* initial;
    const char* rest;
    int tone;
    int stopAtWav;  // 1-based
    const char* before;
  } cases[] = {
      {"X", "ian", 1, 1, "x"},      // nothing after the initial
      {"X", "ian", 1, 2, "x i1"},   // nothing after the glide
      {"B", "u", 4, 1, "b"},        // no final of bu
      {"K", "un", 3, 2, "k u1"},    // no en of un
  };
  for (const auto& c : cases) {
    LoggedProgram lp;
    Speech speech(lp.p);
    int wavs = 0;
    lp.sound.onWav = [&](const QString&) {
      if (++wavs == c.stopAtWav) speech.Stop();
    };
    speech.PlaySyllable(QString::fromLatin1(c.initial), QString::fromLatin1(c.rest), qint16(c.tone), 5);
    QStringList expected = expectedSteps(QString::fromLatin1(c.before));
    expected << QStringLiteral("stop");
    EXPECT_EQ(lp.take(), expected) << c.initial << c.rest;
    EXPECT_FALSE(lp.p.GlideActive);

    // The next unit sounds again.
    speech.SpeakUnit(ReadingUnit{QStringLiteral("Z"), QStringLiteral("hang"), 1, 5, QStringLiteral("张")});
    EXPECT_EQ(lp.take(), expectedSteps(QStringLiteral("zh ang1")));
  }
}

TEST(SpeechStop, NoTimerIsSwitchedAfterTheStop) {
  // An initial cut by the stop is followed by no segment: arming the pause
  // timer then would restart the step timer of a stopped reading.
  LoggedProgram lp;
  Speech speech(lp.p);
  lp.sound.onWav = [&](const QString&) { speech.Stop(); };
  speech.PlaySyllable(QStringLiteral("B"), QStringLiteral("er"), 2, 5);
  EXPECT_EQ(lp.take(), (QStringList{"wav /app/Sounds\\b.wav", "stop"}));
  // Without the stop the same syllable arms it.
  lp.sound.onWav = nullptr;
  speech.PlaySyllable(QStringLiteral("B"), QStringLiteral("er"), 2, 5);
  QStringList expected = expectedSteps(QStringLiteral("b 32380-32750"));
  EXPECT_EQ(lp.take(), expected);
}

TEST(SpeechStop, AUnitStartedDuringTheCutWaitStillSounds) {
  // Reading stopped and started again while the old unit's wait unwinds:
  // the new unit plays, what was left of the old one does not.
  LoggedProgram lp;
  Speech speech(lp.p);
  bool restarted = false;
  lp.sound.onWav = [&](const QString& path) {
    if (restarted || !path.endsWith(QStringLiteral("\\x.wav"))) return;
    restarted = true;
    speech.Stop();
    speech.SpeakUnit(ReadingUnit{QStringLiteral("7"), QString(), 5, 5, QStringLiteral("7")});
  };
  speech.SpeakUnit(ReadingUnit{QStringLiteral("X"), QStringLiteral("ian"), 1, 5, QStringLiteral("先")});
  QStringList expected = expectedSteps(QStringLiteral("x"));
  expected << QStringLiteral("stop") << segmentSteps(38370, 38780, 410);
  EXPECT_EQ(lp.take(), expected);
}

// --- The real wait, with the program's timers and sound output (no audio
// device: the sounds keep their lengths in silence).

class SyncWav : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tmp.isValid());
    QDir(tmp.path()).mkpath(QStringLiteral("Sounds"));
    ASSERT_TRUE(writeTone(tmp.filePath(QStringLiteral("Sounds/x.wav")), {.ms = 300}));
    ASSERT_TRUE(writeTone(tmp.filePath(QStringLiteral("Sounds/i1.wav")), {.ms = 300}));
    ASSERT_TRUE(writeTone(tmp.filePath(QStringLiteral("Sounds/an1.wav")), {.ms = 300}));
    p.AppDir = QDir::toNativeSeparators(tmp.path()) + QDir::separator();
    p.sound = &sound;
    p.Timer2 = &timer2;
    p.Timer3 = &timer3;
  }
  QTemporaryDir tmp;
  QtSoundOutput sound{false};
  WinTimer timer2;
  WinTimer timer3;
  Program p;
};

TEST_F(SyncWav, BlocksForTheSoundsLength) {
  Speech speech(p);
  QElapsedTimer clock;
  clock.start();
  speech.PlaySyllable(QStringLiteral("X"), QStringLiteral("ian"), 1, 5);  // x, i1, an1: 900 ms
  EXPECT_GE(clock.elapsed(), 880);
  EXPECT_LT(clock.elapsed(), 5000);
}

TEST_F(SyncWav, StepTicksWaitForTheEndAndComeOnce) {
  Speech speech(p);
  int ticks = 0;
  int depth = 0;
  int maxDepth = 0;
  timer2.onTick = [&] {
    ++ticks;
    maxDepth = std::max(maxDepth, ++depth);
    --depth;
  };
  timer2.setInterval(50);
  timer2.setEnabled(true);
  // As the start of reading does: the first unit is read outside a tick.
  speech.PlayWav(QStringLiteral("Sounds\\x.wav"));
  EXPECT_EQ(ticks, 0) << "a step ran during the sound";
  // The step that fell due (six times over) comes once, from the event loop.
  QCoreApplication::processEvents();
  EXPECT_EQ(ticks, 1);
  QCoreApplication::processEvents();
  EXPECT_EQ(ticks, 1);
  EXPECT_EQ(maxDepth, 1);
}

TEST_F(SyncWav, StepDuringATickIsNeverNested) {
  Speech speech(p);
  int ticks = 0;
  int depth = 0;
  int maxDepth = 0;
  timer2.onTick = [&] {
    ++ticks;
    maxDepth = std::max(maxDepth, ++depth);
    if (ticks == 1) speech.PlayWav(QStringLiteral("Sounds\\x.wav"));
    --depth;
  };
  timer2.setInterval(50);
  timer2.setEnabled(true);
  EXPECT_TRUE(QTest::qWaitFor([&] { return ticks >= 3; }, 3000));
  EXPECT_EQ(maxDepth, 1);
  EXPECT_GE(ticks, 3);
}

class PaintCounter : public QWidget {
 public:
  int paints = 0;

 protected:
  void paintEvent(QPaintEvent*) override {
    ++paints;
    QPainter(this).fillRect(rect(), Qt::white);
  }
};

TEST_F(SyncWav, TheWindowRepaintsMeanwhile) {
  PaintCounter window;
  window.resize(100, 100);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  QCoreApplication::processEvents();
  const int before = window.paints;
  QTimer::singleShot(100, &window, [&] { window.update(); });
  Speech(p).PlayWav(QStringLiteral("Sounds\\x.wav"));
  EXPECT_GT(window.paints, before);
}

TEST_F(SyncWav, AStopCutsTheSoundAtOnce) {
  Speech speech(p);
  // A second stop is a no-op; the first ends the wait.
  QTimer::singleShot(100, [&] { speech.Stop(); });
  QElapsedTimer clock;
  clock.start();
  speech.PlaySyllable(QStringLiteral("X"), QStringLiteral("ian"), 1, 5);
  const qint64 took = clock.elapsed();
  EXPECT_GE(took, 90);
  EXPECT_LT(took, 280) << "the wait went on after the stop";
  EXPECT_FALSE(p.GlideActive);
}

TEST_F(SyncWav, AMissingWavIsSkippedAtOnce) {
  QElapsedTimer clock;
  clock.start();
  Speech(p).PlayWav(QStringLiteral("Sounds\\nothing.wav"));
  EXPECT_LT(clock.elapsed(), 200);
}

}  // namespace
