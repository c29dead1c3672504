// SPDX-License-Identifier: GPL-3.0-or-later
// Another program's changes to the open file, and the crash recovery of
// unsaved text: on real files in a temporary folder, with scripted dialogs.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include "app/recovery.h"
#include "platform/edit_control.h"
#include "support/test_window.h"
#include "support/wait.h"

namespace {

QByteArray readAll(const QString& file) {
  QFile f(file);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll();
}

void putBytes(const QString& file, const QByteArray& bytes) {
  QFile f(file);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(bytes);
}

// Types text into the editor as a user does: each key pressed and released.
void typeText(EditControl* t, const QString& s) {
  for (const QChar c : s) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
    QApplication::sendEvent(t, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
    QApplication::sendEvent(t, &release);
  }
}

class WindowFixture : public WindowTest {
 protected:
  void start(const QString& commandLine = {}) {
    TestWindow::start(deps()
                          .timers(timer1, timer2, timer3)
                          .commandLine(commandLine)
                          .recovery(recoveryFolder(), 50));
  }
  // The window goes as a killed program's would: no close, no question.
  void vanish() { w.reset(); }
  // A normal close, which leaves no recovery file.
  void TearDown() override { closeWindow(); }

  QString path(const QString& name) const { return dir.filePath(name); }
  QString recoveryFolder() const { return dir.filePath(QStringLiteral("state/Chimepad/recovery")); }
  QStringList recoveryFiles() const {
    return QDir(recoveryFolder()).entryList({QStringLiteral("*.recovery")}, QDir::Files);
  }

  QTemporaryDir dir;
};

// --- Notice of change on disk -------------------------------------------

struct FileKind {
  const char* name;
  QByteArray original;  // "行1" and its line break
  QString originalText;
  QByteArray changed;   // another program appended a line
  QString changedText;  // as the editor shows it
};

const FileKind kKinds[] = {
    {"GBK with CR LF",
     QByteArray("\xD0\xD0"
                "1\r\n"),
     QStringLiteral("行1\r\n"),
     QByteArray("\xD0\xD0"
                "1\r\n\xC4\xE3\xBA\xC3\r\n"),
     QStringLiteral("行1\r\n你好\r\n")},
    {"UTF-8 with LF",
     QByteArray("\xE8\xA1\x8C"
                "1\n"),
     QStringLiteral("行1\n"),
     QByteArray("\xE8\xA1\x8C"
                "1\n\xE4\xBD\xA0\xE5\xA5\xBD\n"),
     QStringLiteral("行1\n你好\n")},
};

class DiskChange : public WindowFixture {};

TEST_F(DiskChange, SaveShowsAChangeBeforeItCanOverwriteIt) {
  for (const FileKind& k : kKinds) {
    for (const bool keepMine : {true, false}) {
      SCOPED_TRACE(std::string(k.name) + (keepMine ? ", keep mine" : ", reload"));
      const QString file = path(QStringLiteral("a.txt"));
      putBytes(file, k.original);
      ui.choicesShown.clear();
      start(file);
      const textfile::Format format = w->documents().format();
      t()->setSelStart(t()->TextLength());
      typeText(t(), QStringLiteral("Q"));
      putBytes(file, k.changed);  // another program appends a line
      ui.choiceAnswers = {keepMine ? 1 : 0};
      const bool saved = w->documents().numSave();
      ASSERT_EQ(ui.choicesShown.size(), 1u);
      EXPECT_TRUE(ui.choicesShown[0].text.contains(QStringLiteral("已被其他程序修改")));
      EXPECT_EQ(ui.choicesShown[0].buttons,
                QStringList({QStringLiteral("重新载入"), QStringLiteral("保留我的")}));
      if (keepMine) {
        // Shown and answered: the user's text is written, as it was found.
        EXPECT_TRUE(saved);
        EXPECT_EQ(readAll(file), k.original + "Q");
      } else {
        // The other program's text is in the window; nothing was written.
        EXPECT_FALSE(saved);
        EXPECT_EQ(readAll(file), k.changed);
        EXPECT_EQ(t()->Text(), k.changedText);
        EXPECT_EQ(w->documents().format().encoding, format.encoding);
        EXPECT_EQ(w->documents().format().lfLines, format.lfLines);
        // The reload is one step: undo gives the user's text back.
        w->editCommands().numUndo();
        EXPECT_EQ(t()->Text(), k.originalText + QStringLiteral("Q"));
      }
      // Asked once: a second save goes through without a word.
      ui.choicesShown.clear();
      EXPECT_TRUE(w->documents().numSave());
      EXPECT_TRUE(ui.choicesShown.empty());
      TearDown();
    }
  }
}

TEST_F(DiskChange, OwnSavesAreNoChange) {
  const QString file = path(QStringLiteral("own.txt"));
  putBytes(file, "x\n");
  start(file);
  w->show();
  for (int i = 0; i < 3; ++i) {
    typeText(t(), QStringLiteral("ab"));
    ASSERT_TRUE(w->documents().numSave());
    QTest::qWait(300);  // the watcher's reports of our own writes
  }
  EXPECT_TRUE(ui.choicesShown.empty());
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(DiskChange, TheWatcherTellsAtOnceWithoutASave) {
  for (const FileKind& k : kKinds) {
    SCOPED_TRACE(k.name);
    const QString file = path(QStringLiteral("w.txt"));
    putBytes(file, k.original);
    ui.choicesShown.clear();
    start(file);
    w->show();
    QTest::qWait(50);
    ui.choiceAnswers = {0};
    // Another editor's save: a new file renamed over the old one.
    putBytes(file + QStringLiteral(".tmp"), k.changed);
    ASSERT_EQ(::rename(QFile::encodeName(file + QStringLiteral(".tmp")).constData(),
                       QFile::encodeName(file).constData()),
              0);
    ASSERT_TRUE(waitUntil([&] { return !ui.choicesShown.empty(); }, 3000));
    EXPECT_EQ(t()->Text(), k.changedText);
    // The watch follows the new file: a second change is told too.
    putBytes(file, k.original);
    ui.choiceAnswers = {0};
    ASSERT_TRUE(waitUntil([&] { return ui.choicesShown.size() == 2; }, 3000));
    EXPECT_EQ(t()->Text(), k.originalText);
    TearDown();
  }
}

TEST_F(DiskChange, ADeletedFileIsSaidToBeGoneAndSaveMakesItAgain) {
  const QString file = path(QStringLiteral("gone.txt"));
  putBytes(file, "keep\r\n");
  start(file);
  typeText(t(), QStringLiteral("Z"));
  ASSERT_TRUE(QFile::remove(file));
  EXPECT_TRUE(w->documents().noticeDiskChange());
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_TRUE(ui.messages[0].text.contains(QStringLiteral("已从磁盘上删除")));
  EXPECT_EQ(t()->Text(), QStringLiteral("Zkeep\r\n"));
  ASSERT_TRUE(w->documents().numSave());
  EXPECT_EQ(ui.messages.size(), 1u);  // said once
  EXPECT_EQ(readAll(file), QByteArray("Zkeep\r\n"));
}

// --- Crash recovery -----------------------------------------------------

TEST(RecoveryRecord, ComesBackExactly) {
  struct Case {
    const char* name;
    recovery::Record r;
  };
  const QDateTime when = QDateTime::fromMSecsSinceEpoch(1'700'000'000'123);
  const Case cases[] = {
      {"GBK, CR LF, a name with a line break",
       {QStringLiteral("/tmp/a\nb 文.txt"),
        true,
        {textenc::Encoding::Gbk, false},
        when,
        QStringLiteral("第一行\r\n第二行\r\n")}},
      {"UTF-8, LF, untitled",
       {QStringLiteral("无标题"),
        false,
        {textenc::Encoding::Utf8, true},
        when,
        QStringLiteral("a\nb\n")}},
      {"an unpaired surrogate and a blank line in the text",
       {QStringLiteral("x"),
        true,
        {textenc::Encoding::Utf16Le, true},
        when,
        QString(QChar(0xD800)) + QStringLiteral("\n\n=\n")}},
      {"empty text", {QStringLiteral("e"), true, {}, when, QString()}},
  };
  for (const Case& c : cases) {
    const std::optional<recovery::Record> back = recovery::decode(recovery::encode(c.r));
    ASSERT_TRUE(back) << c.name;
    EXPECT_EQ(back->fileName, c.r.fileName) << c.name;
    EXPECT_EQ(back->hasFileName, c.r.hasFileName) << c.name;
    EXPECT_EQ(back->format.encoding, c.r.format.encoding) << c.name;
    EXPECT_EQ(back->format.lfLines, c.r.format.lfLines) << c.name;
    EXPECT_EQ(back->time, c.r.time) << c.name;
    EXPECT_EQ(back->text, c.r.text) << c.name;
  }
  // Bytes that are no record, or cut short, are refused.
  const QByteArray good = recovery::encode(cases[0].r);
  EXPECT_FALSE(recovery::decode(QByteArray("hello")));
  EXPECT_FALSE(recovery::decode(good.left(good.size() - 1)));
  EXPECT_FALSE(recovery::decode(good.left(30)));
}

TEST(RecoveryStore, CopiesThatRunKeepTheirFilesAndGoneOnesAreOffered) {
  QTemporaryDir dir;
  const QString folder = dir.filePath(QStringLiteral("r"));
  recovery::Record r{
      QStringLiteral("f.txt"), true, {}, QDateTime::currentDateTime(), QStringLiteral("text")};
  auto a = std::make_unique<recovery::Store>(folder);
  recovery::Store b(folder);
  ASSERT_TRUE(a->write(r));
  ASSERT_TRUE(b.write(r));
  // Both run: neither takes the other's.
  EXPECT_TRUE(b.orphans().empty());
  recovery::Store c(folder);
  EXPECT_TRUE(c.orphans().empty());
  // A goes as a killed copy does (its lock freed, its file left).
  const QString left = a->path();
  a.reset();
  std::vector<recovery::Orphan> found = c.orphans();
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].path, left);
  EXPECT_EQ(found[0].record.text, QStringLiteral("text"));
  // While c holds it, no other copy is offered it.
  EXPECT_TRUE(b.orphans().empty());
  recovery::Store::discard(found[0]);
  EXPECT_FALSE(QFile::exists(left));
  EXPECT_TRUE(c.orphans().empty());
  // A FIFO in the recovery's name is passed over, without blocking.
  const QString fifo = folder + QStringLiteral("/999-x.recovery");
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  EXPECT_TRUE(c.orphans().empty());
  // B closes normally: its file goes.
  const QString bPath = b.path();
  b.remove();
  EXPECT_FALSE(QFile::exists(bPath));
}

class Recovery : public WindowFixture {};

TEST_F(Recovery, TheTextOfAKilledWindowIsOfferedBack) {
  struct Case {
    const char* name;
    QByteArray onDisk;  // empty: untitled
    const char* typed;
  };
  const Case cases[] = {
      {"GBK CR LF file", QByteArray("\xC4\xE3\r\n"), "ab"},
      {"UTF-8 LF file", QByteArray("\xE4\xBD\xA0\n"), "ab"},
      {"untitled", QByteArray(), "typed"},
  };
  for (const bool take : {true, false}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.name) + (take ? ", 恢复" : ", 丢弃"));
      QString file;
      if (!c.onDisk.isEmpty()) {
        file = path(QStringLiteral("doc.txt"));
        putBytes(file, c.onDisk);
      }
      start(file);
      const QString before = t()->Text();
      const textfile::Format format = w->documents().format();
      typeText(t(), QString::fromUtf8(c.typed));
      const QString typed = t()->Text();
      ASSERT_TRUE(waitUntil([&] { return recoveryFiles().size() == 1; }, 3000));
      vanish();
      ui.choicesShown.clear();
      ui.choiceAnswers = {take ? 0 : 1};
      start();
      ASSERT_EQ(ui.choicesShown.size(), 1u);
      const ScriptedUi::ShownChoice& shown = ui.choicesShown[0];
      EXPECT_EQ(shown.buttons, QStringList({QStringLiteral("恢复"), QStringLiteral("丢弃")}));
      EXPECT_TRUE(shown.text.contains(file.isEmpty() ? QStringLiteral("无标题") : file));
      EXPECT_TRUE(shown.text.contains(QString::number(QDate::currentDate().year() % 100)));
      if (take) {
        EXPECT_EQ(t()->Text(), typed);
        EXPECT_EQ(p().CurrentFileName, file.isEmpty() ? QStringLiteral("无标题") : file);
        EXPECT_EQ(p().HasFileName, !file.isEmpty());
        EXPECT_EQ(w->documents().format().encoding, format.encoding);
        EXPECT_EQ(p().undo.UndoPos(), 1);  // unsaved, and undo gives the file's text
        w->editCommands().numUndo();
        EXPECT_EQ(t()->Text(), before);
        // Still kept, now as this window's own.
        EXPECT_EQ(recoveryFiles().size(), 1u);
      } else {
        EXPECT_EQ(t()->Text(), QString());
        EXPECT_TRUE(recoveryFiles().empty());
      }
      TearDown();
      for (const QString& f : recoveryFiles()) QFile::remove(recoveryFolder() + '/' + f);
    }
  }
}

TEST_F(Recovery, ASaveOrANormalCloseLeavesNothing) {
  const QString file = path(QStringLiteral("s.txt"));
  putBytes(file, "s\n");
  start(file);
  typeText(t(), QStringLiteral("x"));
  ASSERT_TRUE(waitUntil([&] { return recoveryFiles().size() == 1; }, 3000));
  ASSERT_TRUE(w->documents().numSave());
  EXPECT_TRUE(recoveryFiles().empty());
  typeText(t(), QStringLiteral("y"));
  ASSERT_TRUE(waitUntil([&] { return recoveryFiles().size() == 1; }, 3000));
  ui.answers = {MsgResult::No};  // the save question: throw the change away
  w->close();
  EXPECT_TRUE(recoveryFiles().empty());
  w.reset();
  start();
  EXPECT_TRUE(ui.choicesShown.empty());
}

TEST_F(Recovery, AFileOpenedAndNotChangedLeavesNothing) {
  // The load's own change events are no unsaved text: a kill now must not
  // offer the file's text back at the next start.
  const QString file = path(QStringLiteral("u.txt"));
  putBytes(file, "\xE4\xBD\xA0\n");
  start(file);
  QTest::qWait(300);  // several idle times
  EXPECT_TRUE(recoveryFiles().empty());
  ui.openAnswers = {file};
  w->documents().numOpen();
  QTest::qWait(300);
  EXPECT_TRUE(recoveryFiles().empty());
  typeText(t(), QStringLiteral("x"));
  ASSERT_TRUE(waitUntil([&] { return recoveryFiles().size() == 1; }, 3000));
}

// SIGKILL at random moments while a child window is typed into: the text
// typed up to the last rest of the typing is offered back every time.
// The child types bursts of keys with rests between them and tells the
// times; the parent kills it at a random moment and starts a window again.
constexpr int kChildIdleMs = 300;
// Room for a loaded machine between the end of the rest and the write.
constexpr int kSlackMs = 400;

TEST(RecoveryKill, Child) {
  const QByteArray folder = qgetenv("CHIMEPAD_KILL_CHILD_FOLDER");
  if (folder.isEmpty()) GTEST_SKIP() << "run by RecoveryKill.TextTypedBeforeTheLastRestComesBack";
  TestWindow win;
  MainWindow& w = win.start(win.deps()
                                .timers(win.timer1, win.timer2, win.timer3)
                                .recovery(QString::fromLocal8Bit(folder), kChildIdleMs));
  QRandomGenerator rng(quint32(qgetenv("CHIMEPAD_KILL_CHILD_SEED").toUInt()));
  int typed = 0;
  for (;;) {
    const int burst = 1 + int(rng.bounded(8));
    for (int i = 0; i < burst; ++i) {
      typeText(w.program().txtFile, QStringLiteral("x"));
      ++typed;
      // The time each key was typed, and how many there are.
      printf("%lld %d\n", QDateTime::currentMSecsSinceEpoch(), typed);
      fflush(stdout);
      QTest::qWait(20);
    }
    // Mostly short pauses, now and then a rest longer than the idle time.
    QTest::qWait(rng.bounded(10) < 4 ? 800 + int(rng.bounded(400)) : 50 + int(rng.bounded(200)));
  }
}

TEST(RecoveryKill, TextTypedBeforeTheLastRestComesBack) {
  QTemporaryDir dir;
  const QString folder = dir.filePath(QStringLiteral("recovery"));
  const int tries = 30;
  int offered = 0, withText = 0;
  for (int i = 0; i < tries; ++i) {
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("CHIMEPAD_KILL_CHILD_FOLDER"), folder);
    env.insert(QStringLiteral("CHIMEPAD_KILL_CHILD_SEED"), QString::number(i + 1));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=RecoveryKill.Child")});
    ASSERT_TRUE(child.waitForStarted());
    ASSERT_TRUE(child.waitForReadyRead(10000));
    // A random moment 1 to 3.5 s after the first key.
    QTest::qWait(1000 + int(QRandomGenerator::global()->bounded(2500)));
    const qint64 killedAt = QDateTime::currentMSecsSinceEpoch();
    ::kill(pid_t(child.processId()), SIGKILL);
    ASSERT_TRUE(child.waitForFinished(5000));
    // The keys and their times; the text at the last rest of at least the
    // idle time (with room for the scheduler) that ended before the kill.
    std::vector<std::pair<qint64, int>> keys;
    for (const QByteArray& line : child.readAllStandardOutput().split('\n')) {
      const QList<QByteArray> f = line.split(' ');
      if (f.size() == 2 && f[0].toLongLong() > 0) keys.push_back({f[0].toLongLong(), f[1].toInt()});
    }
    ASSERT_FALSE(keys.empty());
    int expected = 0;
    for (size_t k = 0; k < keys.size(); ++k) {
      const qint64 restEnd = k + 1 < keys.size() ? keys[k + 1].first : killedAt;
      if (keys[k].first + kChildIdleMs + kSlackMs <= std::min(restEnd, killedAt))
        expected = keys[k].second;
    }
    // The restart.
    TestWindow win;
    ScriptedUi& ui = win.ui;
    ui.choiceAnswers = {0};
    MainWindow& w =
        win.start(win.deps().timers(win.timer1, win.timer2, win.timer3).recovery(folder));
    const int back = int(w.program().txtFile->Text().size());
    const bool ok = back >= expected && back <= keys.back().second &&
                    w.program().txtFile->Text() == QString(back, QLatin1Char('x')) &&
                    (expected == 0 || ui.choicesShown.size() == 1);
    if (expected > 0) ++withText;
    if (ok) ++offered;
    else
      ADD_FAILURE() << "try " << i << ": " << back << " back of " << expected << " expected ("
                    << keys.back().second << " typed)";
    win.closeWindow();
  }
  printf(
      "recovery after SIGKILL: %d of %d tries gave the text typed before the last rest "
      "(%d of them with a rest before the kill)\n",
      offered, tries, withText);
  EXPECT_EQ(offered, tries);
  EXPECT_GE(withText, tries / 2);  // the kills fell after rests, not only in the first burst
}

}  // namespace
