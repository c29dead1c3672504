// SPDX-License-Identifier: GPL-3.0-or-later
// The rhythm of reading on a clock the test moves: every sound of a text
// starts at the millisecond the schedule gives, whatever the speed, the
// lengths of the wav sounds, the holds and pauses, a speed change or a stop.
#include <gtest/gtest.h>
#include <QAction>
#include <QFile>
#include <QHash>
#include <QStatusBar>
#include <QTemporaryDir>

#include "app/main_window.h"
#include "platform/edit_control.h"
#include "platform/pinyin_dictionary_ime.h"
#include "platform/timer.h"
#include "reading/reading_session.h"
#include "support/test_window.h"

namespace {

const QString kDictionary = QStringLiteral(CHIMEPAD_BIN_DIR "/pinyin.txt");

// Writes down when each sound starts, by the test's clock: "650 an1",
// "1050 4150-4550", "2270 stop".
class ClockedSound : public SoundOutput {
 public:
  explicit ClockedSound(VirtualClock& clock) : clock_(clock) {}
  bool openSegmentFile(const QString&) override { return true; }
  bool playSegmentRange(qint64 from, qint64 to) override {
    heard << at() + QString::number(from) + QLatin1Char('-') + QString::number(to);
    return true;
  }
  bool closeSegmentFile() override { return true; }
  void playWav(const QString& path, bool) override { heard << at() + name(path); }
  qint64 soundLengthMs(const QString& path) override { return lengths.value(name(path), -1); }
  void stopAll() override { heard << at() + QStringLiteral("stop"); }
  bool hasDevice() override { return device; }

  QStringList heard;
  QHash<QString, int> lengths;
  bool device = true;

 private:
  QString at() const { return QString::number(clock_.now()) + QLatin1Char(' '); }
  static QString name(const QString& path) { return path.section(QLatin1Char('/'), -1).chopped(4); }
  VirtualClock& clock_;
};

class Schedule : public WindowTest {
 protected:
  void SetUp() override {
    start(deps()
              .sound(sound)
              .ime(ime)
              .timers(&timer1, clock.makeTimer(), clock.makeTimer())
              .wavTimer(clock.makeTimer()));
    // A wav sound set in which every file has its own length.
    sound.lengths = {{"x", 200},   {"i1", 150}, {"an1", 300},
                     {"ei1", 300}, {"zh", 100}, {"ong1", 250}};
  }
  void read(const QString& text, int interval, int caret = 0) {
    p().txtFile->setText(text);
    p().txtFile->setSelStart(caret);
    p().Timer2->setInterval(interval);
    p().menu.numStart->trigger();
  }
  // Moves the clock on until the reading ends (or `limit`).
  void runToEnd(qint64 limit = 60000) {
    while (p().ReadingActive && clock.runNext(limit)) {}
    EXPECT_FALSE(p().ReadingActive);
  }
  // Every timer of the reading is off: nothing is left to come.
  bool nothingPending() {
    return !p().Timer2->enabled() && !p().Timer3->enabled() && !p().WavTimer->enabled() &&
           !clock.runNext();
  }

  VirtualClock clock;
  ClockedSound sound{clock};
  PinyinDictionaryIme ime{{kDictionary}};
};

TEST(VirtualClock, TimersTickInOrderWithWindowTimerRules) {
  VirtualClock clock;
  VirtualTimer* a = clock.makeTimer();
  VirtualTimer* b = clock.makeTimer();
  QStringList ticks;
  a->onTick = [&] { ticks << QStringLiteral("a%1").arg(clock.now()); };
  b->onTick = [&] {
    ticks << QStringLiteral("b%1").arg(clock.now());
    b->setEnabled(false);
  };
  a->setEnabled(true);  // interval 0: never fires
  clock.advanceTo(1000);
  EXPECT_TRUE(ticks.isEmpty());
  a->setInterval(300);  // counts from now
  b->setInterval(600);
  b->setEnabled(true);
  clock.advanceTo(1500);
  a->setEnabled(true);  // switching on again restarts the countdown
  clock.advanceTo(2500);
  // a would have come at 1600 too, but was switched on again at 1500.
  EXPECT_EQ(ticks, (QStringList{"a1300", "b1600", "a1800", "a2100", "a2400"}));
  EXPECT_EQ(clock.now(), 2500);
  a->setEnabled(false);
  EXPECT_FALSE(clock.runNext());
}

TEST_F(Schedule, SoundsStartWhenTheScheduleSays) {
  // A wav sound plays to its end; the next step comes at the later of the
  // previous step plus the interval and the end of the last wav sound; a
  // segment or a pause holds the step timer, and the next step comes one
  // full interval after the hold. The end of the text is a 220 ms pause.
  const struct {
    const char* text;
    int interval;
    const char* expected;
  } cases[] = {
      // 先: x, i1, an1 (650 ms of wav, longer than the interval), then 八
      // (4150-4550 held 400 ms).
      {"先八", 500, "0 x|200 i1|350 an1|650 4150-4550|2270 stop"},
      {"先八", 100, "0 x|200 i1|350 an1|650 4150-4550|1470 stop"},
      {"先八", 1000, "0 x|200 i1|350 an1|1000 4150-4550|3620 stop"},
      // a: ei1, 300 ms, shorter than the interval, then longer.
      {"aa", 500, "0 ei1|500 ei1|1720 stop"},
      {"aa", 100, "0 ei1|300 ei1|920 stop"},
      {"aa", 1000, "0 ei1|1000 ei1|3220 stop"},
      // 7 holds 410 ms, 。 a 400 ms pause, then wav sounds again.
      {"7a", 1000, "0 38370-38780|1410 ei1|3630 stop"},
      {"。a", 100, "500 ei1|1120 stop"},
      {"7中", 100, "0 38370-38780|510 zh|610 ong1|1180 stop"},
      {"中7a", 500, "0 zh|100 ong1|500 38370-38780|1410 ei1|2630 stop"},
      // The step deferred to the end of 先's wav sounds (650) restarts the
      // step timer there: the empty unit comes at 1150, not at 1000.
      {"先a", 500, "0 x|200 i1|350 an1|650 ei1|1870 stop"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.text) + " at " + std::to_string(c.interval));
    sound.heard.clear();
    const qint64 start = clock.now();
    read(QString::fromUtf8(c.text), c.interval);
    runToEnd();
    QStringList got;
    for (const QString& h : sound.heard) {
      const qint64 t = h.section(QLatin1Char(' '), 0, 0).toLongLong() - start;
      got << QString::number(t) + QLatin1Char(' ') + h.section(QLatin1Char(' '), 1);
    }
    EXPECT_EQ(got.join(QLatin1Char('|')).toStdString(), c.expected);
    EXPECT_TRUE(nothingPending());
  }
}

// --- Pause and resume, selections, sentence skips

// What happened from `start` on, relative to it: "0 ei1|700 stop".
QString heardSince(const QStringList& heard, qint64 start) {
  QStringList got;
  for (const QString& h : heard) {
    const qint64 t = h.section(QLatin1Char(' '), 0, 0).toLongLong();
    if (t >= start)
      got << QString::number(t - start) + QLatin1Char(' ') + h.section(QLatin1Char(' '), 1);
  }
  return got.join(QLatin1Char('|'));
}

TEST_F(Schedule, PauseKeepsThePlaceAndResumeReadsOnFromIt) {
  // Paused between two steps, during a wav sound and during a hold; the
  // caret is clicked elsewhere while paused. Resuming reads the character
  // after the last one read at once, and the steps go on from there.
  const struct {
    const char* name;
    const char* text;
    int pauseAt;
    const char* expected;
  } cases[] = {
      {"between steps", "aaaa", 700, "0 ei1|500 ei1|700 stop|5000 ei1|5500 ei1|6720 stop"},
      {"during a wav", "aaaa", 600, "0 ei1|500 ei1|600 stop|5000 ei1|5500 ei1|6720 stop"},
      {"during a hold", "7777", 200,
       "0 38370-38780|200 stop|5000 38370-38780|5910 38370-38780|6820 38370-38780|8450 stop"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    sound.heard.clear();
    const qint64 start = clock.now();
    read(QString::fromUtf8(c.text), 500);
    clock.advanceTo(start + c.pauseAt);
    p().menu.numPause->trigger();
    EXPECT_TRUE(p().menu.numStart->isEnabled());  // a new session may start
    EXPECT_TRUE(p().ReadingActive);
    // Nothing more while paused, however long.
    EXPECT_FALSE(clock.runNext(start + 5000));
    p().txtFile->setSelStart(0);
    clock.advanceTo(start + 5000);
    p().menu.numPause->trigger();
    runToEnd();
    EXPECT_EQ(heardSince(sound.heard, start).toStdString(), c.expected);
    EXPECT_TRUE(nothingPending());
  }
}

TEST_F(Schedule, EditsDuringAPauseMoveThePlaceWithTheText) {
  // Paused after the second a (the place to resume is the third).
  const struct {
    const char* name;
    int at, removed;
    const char* inserted;
    const char* expected;  // from the resume on
  } cases[] = {
      {"text put before", 0, 0, "77", "0 ei1|500 ei1|1720 stop"},
      {"text put after", 4, 0, "7", "0 ei1|500 ei1|1000 38370-38780|2630 stop"},
      // a7a: reading goes on where the edit took the place away.
      {"the place replaced", 1, 2, "7", "0 38370-38780|910 ei1|2130 stop"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    read(QStringLiteral("aaaa"), 500);
    const qint64 start = clock.now();
    clock.advanceTo(start + 700);
    p().menu.numPause->trigger();
    p().txtFile->replaceText(c.at, c.removed, QString::fromUtf8(c.inserted));
    clock.advanceTo(start + 5000);
    sound.heard.clear();
    p().menu.numPause->trigger();
    runToEnd();
    EXPECT_EQ(heardSince(sound.heard, start + 5000).toStdString(), c.expected);
  }
}

TEST_F(Schedule, StartAndStopWhilePaused) {
  read(QStringLiteral("aaaa"), 500);
  clock.advanceTo(700);
  p().menu.numPause->trigger();
  // 开始朗读 while paused: a new session from the caret.
  p().txtFile->setSelStart(3);
  clock.advanceTo(1000);
  p().menu.numStart->trigger();
  runToEnd();
  EXPECT_EQ(heardSince(sound.heard, 0).toStdString(),
            "0 ei1|500 ei1|700 stop|1000 stop|1000 ei1|2220 stop");
  // 停止 while paused ends the session; 暂停/继续 then does nothing.
  sound.heard.clear();
  read(QStringLiteral("aaaa"), 500);
  const qint64 start = clock.now();
  p().menu.numPause->trigger();
  p().menu.numStop->trigger();
  EXPECT_FALSE(p().ReadingActive);
  EXPECT_FALSE(p().menu.numPause->isEnabled());
  EXPECT_TRUE(nothingPending());
  p().menu.numPause->trigger();
  EXPECT_FALSE(p().ReadingActive);
  EXPECT_EQ(heardSince(sound.heard, start).toStdString(), "0 ei1|0 stop|0 stop");
}

TEST_F(Schedule, ASelectionIsReadToItsEnd) {
  const struct {
    const char* name;
    bool selectionOnly;
    const char* expected;
    int endSel;  // the caret when reading has stopped
  } cases[] = {
      {"to the selection's end", true, "0 ei1|500 ei1|1720 stop", 3},
      {"turned off: to the text's end", false, "0 ei1|500 ei1|1000 ei1|2220 stop", 4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    p().reading.ReadSelectionOnly = c.selectionOnly;
    sound.heard.clear();
    const qint64 start = clock.now();
    p().txtFile->setText(QStringLiteral("aaaa"));
    p().txtFile->select(1, 2);
    p().Timer2->setInterval(500);
    p().menu.numStart->trigger();
    runToEnd();
    EXPECT_EQ(heardSince(sound.heard, start).toStdString(), c.expected);
    EXPECT_EQ(p().txtFile->SelStart(), c.endSel);
  }
  p().reading.ReadSelectionOnly = true;
}

TEST_F(Schedule, SentenceSkipsReadOnFromTheSentenceStart) {
  // a。aa。aa: sentences start at 0, 2 and 5.
  read(QStringLiteral("a。aa。aa"), 500);
  clock.advanceTo(200);
  p().menu.numNextSentence->trigger();  // from 0 to 2, at once
  EXPECT_EQ(p().txtFile->SelStart(), 2);
  clock.advanceTo(2200);  // reading 5 by now
  ASSERT_EQ(p().txtFile->SelStart(), 5);
  p().menu.numPrevSentence->trigger();  // back to the sentence before: 2
  runToEnd();
  EXPECT_EQ(heardSince(sound.heard, 0).toStdString(),
            "0 ei1|200 stop|200 ei1|700 ei1|2100 ei1|2200 stop|2200 ei1|2700 ei1|4100 ei1|"
            "4600 ei1|5820 stop");
}

TEST(Sentences, StartsAfterAndBefore) {
  const QString text = QStringLiteral("一。二！！三\r\n四?5");
  // Starts: 0, 2 (二), 5 (三), 8 (四), 10 (5).
  const struct {
    int pos, after, before;
  } cases[] = {
      {0, 2, 0}, {1, 2, 0}, {2, 5, 0}, {3, 5, 0}, {5, 8, 2}, {7, 8, 2}, {8, 10, 5}, {10, 11, 8},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.pos);
    EXPECT_EQ(SentenceStartAfter(text, c.pos), c.after);
    EXPECT_EQ(SentenceStartBefore(text, c.pos), c.before);
  }
}

TEST_F(Schedule, ASpeedChangeCountsFromTheChange) {
  // 中速 to 较快 while the first a plays: the next steps come at 较快.
  read(QStringLiteral("aaa"), 500);
  clock.advanceTo(200);
  p().menu.numSoundSpeed[2]->trigger();
  ASSERT_EQ(p().Timer2->interval(), 100);
  runToEnd();
  EXPECT_EQ(sound.heard, (QStringList{"0 ei1", "300 ei1", "600 ei1", "1220 stop"}));
}

TEST_F(Schedule, StopLeavesNothingPending) {
  const struct {
    const char* text;
    int stopAt;
    const char* before;
  } cases[] = {
      {"先先", 250, "0 x|200 i1"},     // during a wav sound
      {"7777", 200, "0 38370-38780"},  // during a hold
      {"。。", 100, ""},               // during a pause
      {"aaaa", 550, "0 ei1|500 ei1"},  // between two steps
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    sound.heard.clear();
    const qint64 start = clock.now();
    read(QString::fromUtf8(c.text), 500);
    clock.advanceTo(start + c.stopAt);
    p().menu.numStop->trigger();
    QStringList expected = QString::fromUtf8(c.before).split(QLatin1Char('|'), Qt::SkipEmptyParts);
    for (QString& e : expected)
      e = QString::number(e.section(QLatin1Char(' '), 0, 0).toLongLong() + start) +
          QLatin1Char(' ') + e.section(QLatin1Char(' '), 1);
    expected << QString::number(start + c.stopAt) + QStringLiteral(" stop");
    EXPECT_EQ(sound.heard, expected);
    EXPECT_TRUE(nothingPending());
    clock.advanceBy(20000);
    EXPECT_EQ(sound.heard, expected);
    EXPECT_FALSE(p().reading.GlideActive);
  }
}

TEST_F(Schedule, ASurrogatePairIsOneStep) {
  // 𠀀 (U+20000) between two letters: one silent step covering both units.
  const QString text = QStringLiteral("a") + QString::fromUcs4(U"\U00020000") + QStringLiteral("a");
  read(text, 500);
  QStringList selections{
      QStringLiteral("%1,%2").arg(p().txtFile->SelStart()).arg(p().txtFile->SelLength())};
  while (p().ReadingActive && clock.runNext()) {
    const QString s =
        QStringLiteral("%1,%2").arg(p().txtFile->SelStart()).arg(p().txtFile->SelLength());
    if (s != selections.back()) selections << s;
  }
  EXPECT_EQ(selections, (QStringList{"0,1", "1,2", "3,1", "4,0"}));
  EXPECT_EQ(sound.heard, (QStringList{"0 ei1", "1000 ei1", "2220 stop"}));
}

TEST_F(Schedule, NoSoundDeviceIsToldOnceAndReadingGoesOn) {
  sound.device = false;
  read(QStringLiteral("aa"), 100);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].title, QStringLiteral("提示"));
  EXPECT_TRUE(ui.messages[0].text.contains(QStringLiteral("声音设备")));
  EXPECT_TRUE(p().ReadingActive);
  runToEnd();
  EXPECT_EQ(sound.heard, (QStringList{"0 ei1", "300 ei1", "920 stop"}));
  read(QStringLiteral("a"), 100);
  runToEnd();
  EXPECT_EQ(ui.messages.size(), 1u);
}

TEST_F(Schedule, TheStatusBarShowsWhatIsHeard) {
  // 一 before a fourth tone is heard yí, 不 before a fourth tone bú.
  w->show();
  const struct {
    const char* text;
    int at;
    const char* status;
  } cases[] = {{"行", 0, "行 xíng"}, {"一定", 0, "一 yí"}, {"一天", 0, "一 yì"}, {"一", 0, "一 yī"},
               {"不是", 0, "不 bú"}, {"不好", 0, "不 bù"}, {"女", 0, "女 nǚ"},   {"a", 0, "a"},
               {"了", 0, "了 le"},   {" ", 0, ""}};
  for (const auto& c : cases) {
    read(QString::fromUtf8(c.text), 500, c.at);
    EXPECT_EQ(w->statusBar()->currentMessage(), QString::fromUtf8(c.status)) << c.text;
    p().menu.numStop->trigger();
    EXPECT_TRUE(w->statusBar()->currentMessage().isEmpty());
  }
}

}  // namespace

namespace {

TEST(DictionaryChange, ARemovedOrReplacedDictionaryIsNoticedWhenReadingStarts) {
  QTemporaryDir tmp;
  const QString file = tmp.filePath(QStringLiteral("pinyin.txt"));
  ASSERT_TRUE(QFile::copy(kDictionary, file));
  ScriptedUi ui;
  TempSettings temp;
  temp.store->write("Type", "txt", "1");
  VirtualClock clock;
  ClockedSound sound{clock};
  FakeTimer timer1;
  PinyinDictionaryIme ime{{file}};
  MainWindow w(WindowDeps(ui, *temp.store)
                   .sound(sound)
                   .ime(ime)
                   .timers(&timer1, clock.makeTimer(), clock.makeTimer())
                   .wavTimer(clock.makeTimer()));
  w.formLoad();
  Program& p = w.program();
  p.txtFile->setText(QStringLiteral("八"));
  auto startAndStop = [&] {
    p.txtFile->setSelStart(0);
    p.menu.numStart->trigger();
    const bool started = p.ReadingActive;
    if (started) p.menu.numStop->trigger();
    return started;
  };
  ASSERT_TRUE(startAndStop());
  ASSERT_TRUE(QFile::remove(file));
  EXPECT_FALSE(startAndStop());
  ASSERT_FALSE(ui.messages.empty());
  EXPECT_EQ(ui.messages.back().text, QStringLiteral("请先安装微软拼音输入法!"));
  // Put back: the file is read again.
  QFile in(kDictionary);
  ASSERT_TRUE(in.open(QIODevice::ReadOnly));
  QByteArray bytes = in.readAll();
  QFile out(file);
  ASSERT_TRUE(out.open(QIODevice::WriteOnly));
  out.write(bytes);
  out.close();
  EXPECT_TRUE(startAndStop());
}

}  // namespace
