// SPDX-License-Identifier: GPL-3.0-or-later
// The reading session driven step by step: start at the caret, step through
// the text, hold pauses, stop. Each run is compared with the expected
// selections and output steps.
#include <gtest/gtest.h>
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "app/main_window.h"
#include "platform/edit_control.h"
#include "platform/pinyin_dictionary_ime.h"
#include "reading/reading_session.h"
#include "support/qt_print.h"
#include "support/test_window.h"
#include "support/wait.h"
#include "tests/reading/output_log.h"

namespace {

const QString kDictionary = QStringLiteral(CHIMEPAD_BIN_DIR "/pinyin.txt");

class SessionTest : public WindowTest {
 protected:
  void SetUp() override {
    start(deps().sound(sound).ime(ime).timers(timer1, stepTimer, pauseTimer));
    log.steps.clear();
  }
  EditControl& t() { return *w->program().txtFile; }
  void load(const QString& text, int caret, int length = 0) {
    t().setText(text);
    t().setSelStart(caret);
    t().setSelLength(length);
    log.steps.clear();
  }
  QString selection() {
    return QStringLiteral("sel %1,%2").arg(t().SelStart()).arg(t().SelLength());
  }
  // One turn of the event loop: the pause timer when a pause is held, else
  // the step timer. False when neither runs.
  bool pump() {
    if (pauseTimer.enabled() && pauseTimer.interval() > 0) {
      w->readingCommands().timer3Tick();
      return true;
    }
    if (stepTimer.enabled() && stepTimer.interval() > 0) {
      w->readingCommands().timer2Tick();
      log.steps << selection();
      return true;
    }
    return false;
  }
  // Starts and pumps until the session ends; the whole log.
  QStringList readAll(int limit = 100) {
    p().menu.numStart->trigger();
    log.steps << selection();
    for (int i = 0; i < limit && p().ReadingActive; ++i) pump();
    EXPECT_FALSE(p().ReadingActive);
    return log.steps;
  }
  QString seg() const { return w->program().reading.SegmentFilePath; }
  QString wav(const QString& name) const {
    return QStringLiteral("wav ") + w->program().reading.AppDir + QStringLiteral("Sounds/") + name +
           QStringLiteral(".wav");
  }
  QStringList segment(int from, int to, int pause) const {
    return {QStringLiteral("Timer2 off"),
            QStringLiteral("mci play %1 from %2 to %3").arg(seg()).arg(from).arg(to),
            QStringLiteral("Timer3 interval %1").arg(pause), QStringLiteral("Timer3 on")};
  }
  static QStringList pause(int ms) {
    return {QStringLiteral("Timer2 off"), QStringLiteral("Timer3 interval %1").arg(ms),
            QStringLiteral("Timer3 on")};
  }
  static QStringList holdEnds() {
    return {QStringLiteral("Timer2 on"), QStringLiteral("Timer3 off")};
  }
  QStringList opened() const { return {QStringLiteral("mci open %1 alias QzcSounds").arg(seg())}; }
  static QStringList stopped() {
    return {QStringLiteral("Timer2 off"), QStringLiteral("Timer3 off"), QStringLiteral("stop"),
            QStringLiteral("mci close QzcSounds")};
  }

  OutputLog log;
  LoggingSound sound{log};
  LoggingTimer stepTimer{QStringLiteral("Timer2"), log};
  LoggingTimer pauseTimer{QStringLiteral("Timer3"), log};
  PinyinDictionaryIme ime{{kDictionary}};
};

TEST_F(SessionTest, ReadsFromTheCaretThroughPausesToTheEnd) {
  load(QStringLiteral("x八a。"), 1);
  const QStringList got = readAll();
  const QStringList expected = opened() + QStringList{QStringLiteral("Timer2 on")} +
                               segment(4150, 4550, 400) + QStringList{QStringLiteral("sel 1,1")} +
                               holdEnds() +
                               QStringList{wav(QStringLiteral("ei1")), QStringLiteral("sel 2,1")} +
                               pause(400) + QStringList{QStringLiteral("sel 3,1")} + holdEnds() +
                               pause(220) + QStringList{QStringLiteral("sel 4,0")} + holdEnds() +
                               stopped() + QStringList{QStringLiteral("sel 4,0")};
  EXPECT_EQ(got, expected);
  EXPECT_FALSE(p().reading.SoundFileOpen);
  EXPECT_TRUE(p().menu.numStart->isEnabled());
  EXPECT_FALSE(p().menu.numStop->isEnabled());
}

// Reading reads on from the caret while a large file's rest loads; at the
// end of the part that is in, the rest is brought in and the reading goes
// on into it.
TEST_F(SessionTest, ReadingGoesOnPastThePartOfALoadThatIsIn) {
  QTemporaryDir dir;
  QString text;
  while (text.size() < 2'000'000) text += QStringLiteral("一行中文文字。\n");
  const QString file = dir.filePath(QStringLiteral("large.txt"));
  QFile f(file);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(text.toUtf8());
  f.close();
  ui.openAnswers.push_back(file);
  w->documents().numOpen();
  ASSERT_TRUE(t().isLoading());
  const int loaded = t().TextLength();
  t().setSelStart(loaded - 4);
  p().menu.numStart->trigger();
  ASSERT_TRUE(p().ReadingActive);
  for (int i = 0; i < 100 && p().ReadingActive && t().SelStart() <= loaded + 2; ++i) pump();
  EXPECT_FALSE(t().isLoading());
  EXPECT_GT(t().SelStart(), loaded);
  EXPECT_TRUE(p().ReadingActive);
  p().menu.numStop->trigger();
  EXPECT_EQ(t().Text(), text);
}

TEST_F(SessionTest, StepSkipsThePositionInsideALineBreak) {
  load(QStringLiteral("a\r\nb"), 0);
  const QStringList got = readAll();
  const QStringList expected = opened() +
                               QStringList{QStringLiteral("Timer2 on"), wav(QStringLiteral("ei1")),
                                           QStringLiteral("sel 0,1"), QStringLiteral("sel 1,1")} +
                               // the CR is read as an unconverted character: nothing is heard
                               segment(820, 1050, 230) + QStringList{QStringLiteral("sel 3,1")} +
                               holdEnds() + pause(220) + QStringList{QStringLiteral("sel 4,0")} +
                               holdEnds() + stopped() + QStringList{QStringLiteral("sel 4,0")};
  EXPECT_EQ(got, expected);
}

TEST_F(SessionTest, ReadingUnitsCarryToneAndNextTone) {
  struct Case {
    QString text;
    int at;
    QString initial, rest;
    int tone, nextTone;
  };
  const Case cases[] = {
      {QStringLiteral("一2"), 0, QStringLiteral("Y"), QStringLiteral("i"), 1,
       2},  // a digit after counts as a tone
      {QStringLiteral("不是"), 0, QStringLiteral("B"), QStringLiteral("u"), 4, 4},
      {QStringLiteral("中国"), 1, QStringLiteral("G"), QStringLiteral("uo"), 2,
       5},  // nothing after it
      {QStringLiteral("女a"), 0, QStringLiteral("N"), QStringLiteral("v"), 3, 5},
      {QStringLiteral("q7"), 0, QStringLiteral("Q"), QString(), 5, 7},
      {QStringLiteral(" 安"), 0, QString(), QString(), 5, 1},
      {QStringLiteral("安"), 1, QString(), QString(), 5, 5},  // the end of the text
  };
  for (const Case& c : cases) {
    load(c.text, c.at, 1);
    const ReadingUnit u = FormReadingUnit(p());
    SCOPED_TRACE(c.text.toStdString());
    EXPECT_EQ(u.initial, c.initial);
    EXPECT_EQ(u.rest, c.rest);
    EXPECT_EQ(u.tone, c.tone);
    EXPECT_EQ(u.nextTone, c.nextTone);
    EXPECT_EQ(u.ch, c.text.mid(c.at, 1));
  }
}

TEST_F(SessionTest, StartShrinksASelectionAndStartsAtTheEndWithThePause) {
  load(QStringLiteral("abcd"), 1, 3);
  p().menu.numStart->trigger();
  EXPECT_EQ(selection(), QStringLiteral("sel 1,1"));
  EXPECT_TRUE(p().ReadingActive);
  EXPECT_FALSE(p().menu.numStart->isEnabled());
  EXPECT_TRUE(p().menu.numStop->isEnabled());
  p().menu.numStop->trigger();
  EXPECT_EQ(selection(), QStringLiteral("sel 1,1"));  // the last character read stays selected

  load(QStringLiteral("ab"), 2);
  const QStringList got = readAll();
  const QStringList expected = opened() + QStringList{QStringLiteral("Timer2 on")} + pause(220) +
                               QStringList{QStringLiteral("sel 2,0")} + holdEnds() + stopped() +
                               QStringList{QStringLiteral("sel 2,0")};
  EXPECT_EQ(got, expected);
}

TEST_F(SessionTest, StopWhileAPauseIsHeld) {
  load(QStringLiteral("。。"), 0);
  p().menu.numStart->trigger();
  ASSERT_TRUE(pauseTimer.enabled());
  ASSERT_FALSE(stepTimer.enabled());
  log.steps.clear();
  p().menu.numStop->trigger();
  EXPECT_EQ(log.steps, stopped());
  EXPECT_FALSE(stepTimer.enabled());
  EXPECT_FALSE(pauseTimer.enabled());
  EXPECT_FALSE(p().ReadingActive);
  EXPECT_FALSE(p().reading.SoundFileOpen);
}

TEST_F(SessionTest, TheNextStepReadsFromWhereTheCaretWasMoved) {
  load(QStringLiteral("abcdef"), 0);
  p().menu.numStart->trigger();
  t().setSelStart(3);  // the user clicks elsewhere
  log.steps.clear();
  pump();
  EXPECT_EQ(selection(), QStringLiteral("sel 4,1"));
  EXPECT_EQ(log.steps.first(), QStringLiteral("Timer2 off"));  // e: a segment
  p().menu.numStop->trigger();
}

TEST_F(SessionTest, RefusalsChangeNothing) {
  load(QStringLiteral("八"), 0);
  auto expectNothingChanged = [&](const QString& message) {
    ASSERT_FALSE(ui.messages.empty());
    EXPECT_EQ(ui.messages.back().text, message);
    EXPECT_EQ(ui.messages.back().title, QStringLiteral("提示"));
    EXPECT_EQ(ui.messages.back().icon, MsgIcon::Information);
    EXPECT_FALSE(p().ReadingActive);
    EXPECT_FALSE(p().reading.SoundFileOpen);
    EXPECT_TRUE(p().menu.numStart->isEnabled());
    EXPECT_FALSE(p().menu.numStop->isEnabled());
    EXPECT_FALSE(stepTimer.enabled());
    EXPECT_EQ(selection(), QStringLiteral("sel 0,0"));
  };
  p().SearchDialogOpen = true;
  p().menu.numStart->trigger();
  expectNothingChanged(QStringLiteral("请先关闭查找和替换窗口!"));
  EXPECT_TRUE(log.steps.isEmpty());
  p().SearchDialogOpen = false;

  sound.mciResult = 0;  // the segment file cannot be opened
  p().menu.numStart->trigger();
  expectNothingChanged(QStringLiteral("无法打开声音文件!"));
  EXPECT_EQ(log.steps, opened());
  sound.mciResult = 1;

  PinyinDictionaryIme missing{{QStringLiteral("/nonexistent/pinyin.txt")}};
  p().reading.ime = &missing;
  log.steps.clear();
  p().menu.numStart->trigger();
  expectNothingChanged(QStringLiteral("请先安装微软拼音输入法!"));
  EXPECT_TRUE(log.steps.isEmpty());
  EXPECT_TRUE(p().reading.PinyinImeMissing);
  p().reading.ime = &ime;
}

TEST_F(SessionTest, ClosingTheWindowDuringASessionClosesTheSoundFile) {
  load(QStringLiteral("八八"), 0);
  p().menu.numStart->trigger();
  w->show();
  log.steps.clear();
  EXPECT_TRUE(w->close());
  EXPECT_TRUE(log.steps.contains(QStringLiteral("mci close QzcSounds")));
  EXPECT_FALSE(stepTimer.enabled());
  EXPECT_FALSE(pauseTimer.enabled());
}

// The real window with its own timers: F8 starts, the selection walks
// through the text and the sounds asked for are the expected ones, each
// with the character it was asked for selected.
class SelectionSound : public SoundOutput {
 public:
  EditControl* t = nullptr;
  QStringList heard;
  bool openSegmentFile(const QString& path) override {
    heard << note(mciOpenCommand(path));
    path_ = path;
    return true;
  }
  bool playSegmentRange(qint64 from, qint64 to) override {
    heard << note(mciPlayCommand(path_, from, to));
    return true;
  }
  bool closeSegmentFile() override {
    heard << note(mciCloseCommand());
    return true;
  }
  void playWav(const QString& path, bool) override {
    heard << note(path.section(QLatin1Char('/'), -1));
  }

 private:
  QString note(const QString& what) const {
    return QStringLiteral("%1,%2 ").arg(t->SelStart()).arg(t->SelLength()) + what;
  }
  QString path_;
};

TEST(SessionWindow, F8ReadsTheTextInTheRealWindow) {
  ScriptedUi ui;
  TempSettings temp;
  temp.store->write("Type", "txt", "1");
  SelectionSound sound;
  PinyinDictionaryIme ime{{kDictionary}};
  MainWindow w(WindowDeps(ui, *temp.store).sound(sound).ime(ime));
  w.formLoad();
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
  Program& p = w.program();
  sound.t = p.txtFile;
  p.Timer2->setInterval(30);
  p.txtFile->setText(QStringLiteral("八a"));
  p.txtFile->setSelStart(0);
  QTest::keyClick(&w, Qt::Key_F8);
  EXPECT_TRUE(p.ReadingActive);
  ASSERT_TRUE(waitUntil([&] { return !p.ReadingActive; }, 5000));
  const QString seg = p.reading.SegmentFilePath;
  EXPECT_EQ(sound.heard,
            (QStringList{QStringLiteral("0,0 open %1 alias QzcSounds").arg(seg),
                         QStringLiteral("0,1 play %1 from 4150 to 4550").arg(seg),
                         QStringLiteral("1,1 ei1.wav"), QStringLiteral("2,0 close QzcSounds")}));
  EXPECT_FALSE(p.menu.numStop->isEnabled());
}

}  // namespace

// A message box opened while a wav sound plays: reading goes on behind it,
// its steps neither wait for the box nor split a unit.
class TimedSound : public SoundOutput {
 public:
  QElapsedTimer clock;
  std::vector<std::pair<qint64, QString>> heard;
  bool openSegmentFile(const QString&) override { return true; }
  bool playSegmentRange(qint64 from, qint64 to) override {
    heard.push_back({clock.elapsed(), QStringLiteral("from %1 to %2").arg(from).arg(to)});
    return true;
  }
  bool closeSegmentFile() override { return true; }
  void playWav(const QString& path, bool) override {
    heard.push_back({clock.elapsed(), path.section(QLatin1Char('/'), -1)});
  }
  qint64 soundLengthMs(const QString&) override { return 300; }
};

TEST(SessionWindow, ReadingGoesOnBehindAMessageBox) {
  TempSettings temp;
  temp.store->write("Type", "txt", "1");
  QtUi ui;  // the real message box
  TimedSound sound;
  PinyinDictionaryIme ime{{kDictionary}};
  MainWindow w(WindowDeps(ui, *temp.store).sound(sound).ime(ime));
  w.formLoad();
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  Program& p = w.program();
  p.Timer2->setInterval(100);
  p.txtFile->setText(QStringLiteral("先先先"));  // x i1 an1, 300 ms each
  p.txtFile->setSelStart(0);
  sound.clock.start();
  p.menu.numStart->trigger();
  // Ctrl+F while reading: "请先停止朗读!" stays open until every sound of
  // the text has been asked for (or 10 s have passed).
  qint64 boxOpened = -1, boxClosed = -1;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, &w, [&] {
    QWidget* box = QApplication::activeModalWidget();
    if (!box || (sound.heard.size() < 9 && sound.clock.elapsed() < 10000)) return;
    boxClosed = sound.clock.elapsed();
    box->close();
    watch.stop();
  });
  QTimer::singleShot(150, &w, [&] {
    boxOpened = sound.clock.elapsed();
    watch.start(20);
    p.menu.numFind->trigger();
  });
  ASSERT_TRUE(QTest::qWaitFor([&] { return !p.ReadingActive && boxClosed > 0; }, 20000));
  QStringList during;
  for (const auto& [at, what] : sound.heard)
    if (at > boxOpened && at <= boxClosed) during << what;
  // Everything after the first x was asked for while the box was open.
  EXPECT_EQ(during, (QStringList{"i1.wav", "an1.wav", "x.wav", "i1.wav", "an1.wav", "x.wav",
                                 "i1.wav", "an1.wav"}));
  EXPECT_LT(boxClosed, 10000) << "the reading stalled behind the box";
}
