// SPDX-License-Identifier: GPL-3.0-or-later
// The main of the benchmarks that need a QApplication (windows, widgets).
// Offscreen unless a platform is chosen, so they run without a display.
#include <benchmark/benchmark.h>
#include <QApplication>

#include "platform/system_info.h"

int main(int argc, char** argv) {
  // As the program itself runs.
  mapLargeAllocations();
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Chimepad"));
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
