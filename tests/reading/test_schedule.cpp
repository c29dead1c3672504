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
#include "support/fake_timer.h"
#include "support/scripted_ui.h"
#include "support/temp_settings.h"

namespace {

const QString kDictionary = QStringLiteral(CHIMEPAD_BIN_DIR "/pinyin.txt");

// Writes down when each sound starts, by the test's clock: "650 an1",
// "1050 4150-4550", "2270 stop".
class ClockedSound : public SoundOutput {
 public:
  explicit ClockedSound(VirtualClock& clock) : clock_(clock) {}
  int mciExecute(const QString& command) override {
    if (command.startsWith(QLatin1String("play ")))
      heard << at() + command.section(QLatin1Char(' '), -3, -3) + QLatin1Char('-') +
                   command.section(QLatin1Char(' '), -1);
    return 1;
  }
  void sndPlaySound(const QString& path, int) override { heard << at() + name(path); }
  qint64 soundLengthMs(const QString& path) override { return lengths.value(name(path), -1); }
  void stopAll() override { heard << at() + QStringLiteral("stop"); }
  bool hasDevice() override { return device; }

  QStringList heard;
  QHash<QString, int> lengths;
  bool device = true;

 private:
  QString at() const { return QString::number(clock_.now()) + QLatin1Char(' '); }
  static QString name(const QString& path) {
    return path.section(QLatin1Char('\\'), -1).chopped(4);
  }
  VirtualClock& clock_;
};

class Schedule : public ::testing::Test {
 protected:
  void SetUp() override {
    temp.store->write("Type", "txt", "1");
    MainWindow::Deps d;
    d.ui = &ui;
    d.settings = temp.store.get();
    d.sound = &sound;
    d.ime = &ime;
    d.timer1 = &timer1;
    d.timer2 = clock.makeTimer();
    d.timer3 = clock.makeTimer();
    d.wavTimer = clock.makeTimer();
    w = std::make_unique<MainWindow>(d);
    w->formLoad();
    // A wav sound set in which every file has its own length.
    sound.lengths = {{"x", 200},   {"i1", 150}, {"an1", 300},
                     {"ei1", 300}, {"zh", 100}, {"ong1", 250}};
  }
  Program& p() { return w->program(); }
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

  ScriptedUi ui;
  TempSettings temp;
  VirtualClock clock;
  ClockedSound sound{clock};
  FakeTimer timer1;
  PinyinDictionaryIme ime{{kDictionary}};
  std::unique_ptr<MainWindow> w;
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
    EXPECT_FALSE(p().GlideActive);
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
  MainWindow::Deps d;
  d.ui = &ui;
  d.settings = temp.store.get();
  d.sound = &sound;
  d.ime = &ime;
  d.timer1 = &timer1;
  d.timer2 = clock.makeTimer();
  d.timer3 = clock.makeTimer();
  d.wavTimer = clock.makeTimer();
  MainWindow w(d);
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
