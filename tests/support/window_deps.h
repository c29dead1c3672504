// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window's dependencies for tests, benchmarks and fuzzers:
//   MainWindow w(WindowDeps(ui, settings).sound(sound).ime(ime));
#include "app/main_window.h"

// The window's dependencies, set one by one; whatever is left unset the
// window makes itself with the real platform objects.
class WindowDeps {
 public:
  WindowDeps(Ui& ui, SettingsStore& settings) {
    d_.ui = &ui;
    d_.settings = &settings;
  }
  // No scripted dialogs: the window's own.
  explicit WindowDeps(SettingsStore& settings) { d_.settings = &settings; }

  WindowDeps& sound(SoundOutput& s) { return set(d_.sound, &s); }
  WindowDeps& ime(InputMethod& i) { return set(d_.ime, &i); }
  WindowDeps& words(WordReadings& w) { return set(d_.words, &w); }
  WindowDeps& places(FilePlaces& f) { return set(d_.places, &f); }
  // The clipboard watcher, the reading step and the reading pause.
  WindowDeps& timers(Timer* t1, Timer* t2, Timer* t3) {
    d_.timer1 = t1;
    d_.timer2 = t2;
    d_.timer3 = t3;
    return *this;
  }
  WindowDeps& timers(Timer& t1, Timer& t2, Timer& t3) { return timers(&t1, &t2, &t3); }
  WindowDeps& wavTimer(Timer* t) { return set(d_.wavTimer, t); }
  WindowDeps& commandLine(const QString& tail, const QString& refusal = {}) {
    d_.commandLine = tail;
    d_.commandLineRefusal = refusal;
    return *this;
  }
  // The folder of the recovery files, and how long the typing rests
  // before the text is kept there.
  WindowDeps& recovery(const QString& folder) { return set(d_.recoveryFolder, folder); }
  WindowDeps& recovery(const QString& folder, int idleMs) {
    d_.recoveryIdleMs = idleMs;
    return recovery(folder);
  }

  const MainWindow::Deps& get() const { return d_; }
  operator MainWindow::Deps() const { return d_; }  // NOLINT: used where Deps are taken

 private:
  template <typename T>
  WindowDeps& set(T& field, const T& value) {
    field = value;
    return *this;
  }
  MainWindow::Deps d_;
};
