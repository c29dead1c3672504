// SPDX-License-Identifier: GPL-3.0-or-later
// From launch to the main window shown: the window is built, the start-up
// sequence runs and the window is exposed. Run with QT_QPA_PLATFORM=offscreen
// or on a display. Goal: 300 ms or less.
#include <benchmark/benchmark.h>
#include <QApplication>
#include <QTemporaryDir>
#include <QTest>

#include "app/main_window.h"
#include "platform/settings_store.h"
#include "support/window_deps.h"

static void BM_LaunchToWindowShown(benchmark::State& state) {
  QTemporaryDir dir;
  SettingsStore store(dir.filePath("Chimepad.conf"));
  store.write("Type", "txt", "1");
  for (auto _ : state) {
    MainWindow w{WindowDeps(store)};
    w.formLoad();
    w.show();
    if (!QTest::qWaitForWindowExposed(&w)) state.SkipWithError("window not exposed");
    QCoreApplication::processEvents();
  }
}
BENCHMARK(BM_LaunchToWindowShown)->Unit(benchmark::kMillisecond)->Iterations(5);
