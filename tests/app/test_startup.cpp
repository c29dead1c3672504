// SPDX-License-Identifier: GPL-3.0-or-later
// The start-up and shut-down sequences of the main window.
#include <gtest/gtest.h>
#include <QAction>
#include <QCloseEvent>
#include <QFile>
#include <QTemporaryDir>
#include <stdexcept>

#include "app/main_window.h"
#include "app/window_placement.h"
#include "platform/edit_control.h"
#include "platform/mci_commands.h"
#include "support/test_window.h"

namespace {

class RecordingSound : public SoundOutput {
 public:
  std::vector<QString>* log = nullptr;
  bool fail = false;
  bool openSegmentFile(const QString& path) override { return command(mciOpenCommand(path)); }
  bool playSegmentRange(qint64, qint64) override { return true; }
  bool closeSegmentFile() override { return command(mciCloseCommand()); }
  void playWav(const QString&, bool) override {}

 private:
  bool command(const QString& text) {
    log->push_back(QStringLiteral("mci:") + text);
    if (fail) throw std::runtime_error("device gone");
    return true;
  }
};

class StartupTest : public ::testing::Test {
 protected:
  std::unique_ptr<MainWindow> make(const QString& commandLine = {}) {
    auto w = std::make_unique<MainWindow>(
        WindowDeps(ui, *temp.store).sound(sound).commandLine(commandLine));
    w->formLoad();
    return w;
  }
  void SetUp() override {
    temp.store->write("Type", "txt", "1");
    sound.log = &log;
  }
  ScriptedUi ui;
  TempSettings temp;
  RecordingSound sound;
  std::vector<QString> log;
};

TEST_F(StartupTest, InitialStateAfterStartUp) {
  auto w = make();
  Program& p = w->program();
  EXPECT_EQ(p.CurrentFileName, QStringLiteral("无标题"));
  EXPECT_FALSE(p.HasFileName);
  EXPECT_EQ(w->windowTitle(), QStringLiteral("无标题 - 妙音朗读器"));
  EXPECT_EQ(p.undo.UndoPos(), 0);
  EXPECT_EQ(p.undo.text(0), QString());
  EXPECT_TRUE(p.search.FindText.isEmpty());
  EXPECT_TRUE(p.search.ReplaceText.isEmpty());
  EXPECT_FALSE(p.search.FindMatchCase || p.search.FindUpward || p.SearchDialogOpen);
  EXPECT_FALSE(p.editing.TextDirty || p.editing.PasteKeyPressed || p.ReadingActive);
  EXPECT_EQ(p.Timer1->interval(), 50);
  EXPECT_TRUE(p.Timer1->enabled());
  EXPECT_EQ(p.Timer2->interval(), 500);  // 中速
  EXPECT_FALSE(p.Timer2->enabled());
  EXPECT_EQ(p.Timer3->interval(), 0);
  EXPECT_FALSE(p.Timer3->enabled());
  EXPECT_EQ(p.txtFile->FontName(), QStringLiteral("宋体"));
  EXPECT_DOUBLE_EQ(p.txtFile->FontSize(), kFirstStartPoints);  // a first start
  EXPECT_TRUE(ui.messages.empty());  // the association question is asked once only
}

TEST(CommandLine, TheWholeTailIsOneFileName) {
  EXPECT_EQ(commandLineTail({QStringLiteral("/usr/bin/chimepad")}), QString());
  EXPECT_EQ(commandLineTail({QStringLiteral("chimepad"), QStringLiteral("/home/u/my"),
                             QStringLiteral("notes.txt")}),
            QStringLiteral("/home/u/my notes.txt"));
  EXPECT_EQ(commandLineTail({QStringLiteral("chimepad"), QStringLiteral("a.txt")}),
            QStringLiteral("a.txt"));
}

TEST_F(StartupTest, CommandLineNamingNoReadableFileStillBindsTheName) {
  const QString tail = QStringLiteral("/nonexistent dir/with spaces.txt");
  auto w = make(tail);
  Program& p = w->program();
  EXPECT_EQ(p.CurrentFileName, tail);
  EXPECT_TRUE(p.HasFileName);
  EXPECT_EQ(w->windowTitle(), QStringLiteral("无标题 - 妙音朗读器"));
  EXPECT_TRUE(p.txtFile->Text().isEmpty());
  EXPECT_TRUE(p.menu.numDelete->isEnabled());
  EXPECT_FALSE(p.menu.numUndo->isEnabled());
  EXPECT_EQ(p.undo.UndoPos(), 0);
}

TEST_F(StartupTest, CloseWithoutChangesAsksNothingAndStoresSettings) {
  auto w = make();
  w->program().txtFile->setFontSize(10.5);
  w->show();
  EXPECT_TRUE(w->close());
  EXPECT_TRUE(ui.messages.empty());
  temp.reopen();
  EXPECT_EQ(temp.store->read("Font", "Size"), QStringLiteral("10.5"));
  EXPECT_TRUE(log.empty());  // no segment file was open
}

TEST_F(StartupTest, CloseWithChangesAndCancelKeepsTheWindowButRanTheEarlierSteps) {
  auto w = make();
  Program& p = w->program();
  p.reading.SoundFileOpen = true;
  p.CurrentFileName = QStringLiteral("/tmp/a.txt");
  p.txtFile->setText(QStringLiteral("x"));
  p.RecordUndo();
  ASSERT_EQ(p.undo.UndoPos(), 1);
  ui.answers = {MsgResult::Cancel};
  ui.onMessage = [&](const ShownMessage&) {
    log.push_back(QStringLiteral("ask"));
    // The settings are stored before the question.
    SettingsStore reread(temp.path());
    EXPECT_EQ(reread.read("Sound", "Speed"), QStringLiteral("1"));
  };
  w->show();
  EXPECT_FALSE(w->close());
  EXPECT_TRUE(w->isVisible());
  ASSERT_EQ(ui.messages.size(), 1u);
  const ShownMessage& m = ui.messages[0];
  EXPECT_EQ(m.text, QStringLiteral("/tmp/a.txt 文件的文字已经改变。\r\n想保存文件吗?"));
  EXPECT_EQ(m.title, QStringLiteral("妙音朗读器"));
  EXPECT_EQ(m.icon, MsgIcon::Warning);
  EXPECT_EQ(m.buttons, MsgButtons::YesNoCancel);
  EXPECT_EQ(log,
            (std::vector<QString>{QStringLiteral("mci:close QzcSounds"), QStringLiteral("ask")}));
}

TEST_F(StartupTest, CloseAnswerNoClosesAndFailingStepsAreSkipped) {
  auto w = make();
  Program& p = w->program();
  p.reading.SoundFileOpen = true;
  sound.fail = true;  // the first step fails; the others still run
  p.txtFile->setText(QStringLiteral("changed"));
  p.RecordUndo();
  ui.answers = {MsgResult::No};
  w->show();
  EXPECT_TRUE(w->close());
  EXPECT_EQ(ui.messages.size(), 1u);
  temp.reopen();
  EXPECT_EQ(temp.store->read("Font", "Name"), QStringLiteral("宋体"));
}

TEST_F(StartupTest, CloseAnswerYesWithAFailedSaveKeepsTheWindow) {
  auto w = make();
  Program& p = w->program();
  p.txtFile->setText(QStringLiteral("keep me"));
  p.RecordUndo();
  w->show();
  ui.answers = {MsgResult::Yes};  // then the save dialog is cancelled
  EXPECT_FALSE(w->close());
  EXPECT_TRUE(w->isVisible());
  ASSERT_EQ(ui.fileDialogs.size(), 1u);
  // A save that works lets it close.
  QTemporaryDir dir;
  ui.answers = {MsgResult::Yes};
  ui.saveAnswers = {dir.filePath("kept.txt")};
  EXPECT_TRUE(w->close());
  EXPECT_TRUE(QFile::exists(dir.filePath("kept.txt")));
}

TEST_F(StartupTest, AfterTheHistoryIsResetNothingIsAsked) {
  auto w = make();
  Program& p = w->program();
  p.txtFile->setText(QStringLiteral("changed"));
  p.RecordUndo();
  p.resetHistory(p.txtFile->Text());  // as a save does
  w->show();
  EXPECT_TRUE(w->close());
  EXPECT_TRUE(ui.messages.empty());
}

TEST(WindowPlacement, AWindowOffEveryScreenIsBroughtBack) {
  const QList<QRect> screens = {QRect(0, 0, 1920, 1080), QRect(1920, 0, 1280, 1024)};
  struct Case {
    const char* what;
    QRect stored;
    QRect placed;
  };
  const Case cases[] = {
      {"on the first screen", QRect(100, 100, 800, 600), QRect(100, 100, 800, 600)},
      {"on the second screen", QRect(2000, 50, 800, 600), QRect(2000, 50, 800, 600)},
      {"partly off, title bar reachable", QRect(1700, 900, 800, 600), QRect(1700, 900, 800, 600)},
      {"right of every screen", QRect(5000, 100, 800, 600), QRect(2400, 100, 800, 600)},
      {"above the screens", QRect(100, -700, 800, 600), QRect(100, 0, 800, 600)},
      {"title bar above, body on screen", QRect(100, -30, 800, 600), QRect(100, 0, 800, 600)},
      {"larger than any screen", QRect(-9000, -9000, 3000, 2000), QRect(0, 0, 1920, 1080)},
  };
  for (const Case& c : cases) EXPECT_EQ(placeOnScreens(c.stored, screens), c.placed) << c.what;
  EXPECT_EQ(placeOnScreens(QRect(5, 5, 300, 200), {}), QRect(5, 5, 300, 200));
}

TEST_F(StartupTest, TheWindowPlacementIsStoredAtExitAndRestored) {
  {
    auto w = make();
    w->setGeometry(QRect(40, 50, 700, 420));
    w->close();
  }
  temp.reopen();
  // A section of its own; the preferences keep their keys.
  EXPECT_EQ(temp.store->read("Window", "Width"), "700");
  EXPECT_EQ(temp.store->read("Window", "Maximized"), "False");
  {
    auto w = make();
    EXPECT_EQ(w->geometry(), QRect(40, 50, 700, 420));
    EXPECT_FALSE(w->windowState() & Qt::WindowMaximized);
  }
  // Maximised: the state is restored over the normal size.
  WindowPlacement maximized{QRect(60, 70, 640, 400), true};
  writeWindowPlacement(*temp.store, maximized);
  auto w = make();
  EXPECT_TRUE(w->windowState() & Qt::WindowMaximized);
  // Unusable values are skipped: the design-time size stays.
  for (const char* width : {"abc", "5", ""}) {
    temp.store->write("Window", "Width", width);
    WindowPlacement p;
    EXPECT_FALSE(readWindowPlacement(*temp.store, &p)) << width;
  }
}

}  // namespace
