// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window as tests make it: scripted dialogs, settings in a
// temporary directory, and whatever fakes a test adds through `WindowDeps`.
//
//   class ReadingTest : public WindowTest {
//     void SetUp() override { start(deps().sound(sound).timers(timer1, timer2, timer3)); }
//     RecordingSound sound;
//   };
#include <gtest/gtest.h>

#include <memory>

#include "app/main_window.h"
#include "platform/edit_control.h"
#include "support/fake_timer.h"
#include "support/scripted_ui.h"
#include "support/temp_settings.h"
#include "support/window_deps.h"

// A main window with its own dialogs, settings and fake timers (the timers
// only where the test hands them over). `start` stores the association
// marker first, so no first-start question is asked unless a test stored
// nothing itself and wants it.
//
// The window is made after the fakes of a test and must go before them:
// stop() it before they are destroyed (WindowTest does in TearDown).
class TestWindow {
 public:
  ScriptedUi ui;
  TempSettings temp;
  FakeTimer timer1, timer2, timer3;
  std::unique_ptr<MainWindow> w;
  // Whether start() asks the first-start association question.
  bool askAssociation = false;

  ~TestWindow() { w.reset(); }

  // Dependencies with this window's dialogs and settings.
  WindowDeps deps() { return WindowDeps(ui, *temp.store); }
  // Makes the window (a running one goes first) and runs its start-up.
  MainWindow& start(const MainWindow::Deps& d) {
    w.reset();
    if (!askAssociation &&
        temp.store->read(QStringLiteral("Type"), QStringLiteral("txt")).isEmpty())
      temp.store->write(QStringLiteral("Type"), QStringLiteral("txt"), QStringLiteral("1"));
    w = std::make_unique<MainWindow>(d);
    w->formLoad();
    return *w;
  }
  MainWindow& start() { return start(deps()); }
  // The window goes without a close and without a save question.
  void stop() {
    if (!w) return;
    w->program().resetHistory(w->program().txtFile->Text());
    w.reset();
  }
  // A normal close, as the user closes it: nothing unsaved is asked about.
  void closeWindow() {
    if (!w) return;
    w->program().resetHistory(w->program().txtFile->Text());
    w->close();
    w.reset();
  }

  // The next run of the program: this one closed as the user closes it
  // (its settings stored), the settings file read again, the window made
  // anew with this window's dialogs and settings.
  MainWindow& restart() {
    closeWindow();
    temp.reopen();
    return start();
  }

  Program& p() { return w->program(); }
  EditControl* t() { return w->program().txtFile; }
  MainMenu& menu() { return w->program().menu; }
};

// A test with a main window; the window is stopped after the test body.
class WindowTest : public ::testing::Test, public TestWindow {
 protected:
  void TearDown() override { stop(); }
};
