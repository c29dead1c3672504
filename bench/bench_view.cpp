// SPDX-License-Identifier: GPL-3.0-or-later
// One scroll step with the find window open (the occurrences in view
// marked) and the line numbers shown, on a 50 MB document and on a small
// one, in the same run: the step must not grow with the document. The
// ratio is printed as the counter "vs_small" of the large run.
#include <benchmark/benchmark.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QScrollBar>
#include <QTemporaryDir>
#include <memory>

#include "app/main_window.h"
#include "platform/edit_control.h"
#include "platform/settings_store.h"
#include "search/search_commands.h"
#include "support/scripted_ui.h"
#include "support/window_deps.h"

namespace {

// Lines of 60 characters with the word 朗读 in every line.
QString document(qsizetype characters) {
  const QString line = QStringLiteral(
                           "今天天气很好我们一起去公园散步朗读春风吹过湖面柳枝轻轻摆动Chimepad"
                           "今天天气很好我们一起去公园散步朗读春风")
                           .left(58) +
                       QStringLiteral("\r\n");
  QString s;
  s.reserve(characters + line.size());
  while (s.size() < characters) s += line;
  return s;
}

struct Window {
  QTemporaryDir dir;
  SettingsStore settings{dir.filePath(QStringLiteral("Chimepad.conf"))};
  ScriptedUi ui;
  std::unique_ptr<MainWindow> w;
  explicit Window(const QString& text) {
    w = std::make_unique<MainWindow>(WindowDeps(ui, settings));
    w->formLoad();
    w->resize(900, 700);
    w->show();
    EditControl* t = w->program().txtFile;
    t->setText(text);
    w->program().resetHistory(QString());
    w->program().menu.numLineNumbers->setChecked(true);
    w->searchCommands().numFind();
    w->searchCommands().frmFind()->Text1->setText(QStringLiteral("朗读"));
    QApplication::processEvents();
  }
  ~Window() {
    w->searchCommands().unloadWindows();
    w->program().resetHistory(w->program().txtFile->Text());
  }
};

double smallStepNs = 0;  // per step, from the small run

// Scrolls by a page and lets the marks and the paint of the view and the
// number margin happen.
void scrollSteps(benchmark::State& state, qsizetype characters, bool isSmall) {
  Window win(document(characters));
  EditControl* t = win.w->program().txtFile;
  QScrollBar* bar = t->verticalScrollBar();
  const int pages = std::max(1, bar->maximum() / std::max(1, bar->pageStep()));
  int page = 0;
  QElapsedTimer clock;
  qint64 total = 0;
  for (auto _ : state) {
    clock.start();
    page = (page * 7 + 3) % pages;  // jumps about the whole document
    bar->setValue(page * bar->pageStep());
    QApplication::processEvents();
    t->viewport()->repaint();
    for (QWidget* margin : t->findChildren<QWidget*>(QStringLiteral("lineNumbers")))
      margin->repaint();
    total += clock.nsecsElapsed();
  }
  const double perStep = state.iterations() ? double(total) / double(state.iterations()) : 0;
  state.counters["marks_in_view"] = t->markCount();
  if (isSmall) smallStepNs = perStep;
  else if (smallStepNs > 0) state.counters["vs_small"] = perStep / smallStepNs;
}

void BM_ScrollWithMarksAndNumbers_Small(benchmark::State& state) {
  scrollSteps(state, 50'000, true);
}
void BM_ScrollWithMarksAndNumbers_50MB(benchmark::State& state) {
  scrollSteps(state, 50'000'000 / 2, false);  // 25 million UTF-16 units: 50 MB
}

}  // namespace

BENCHMARK(BM_ScrollWithMarksAndNumbers_Small)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ScrollWithMarksAndNumbers_50MB)->Unit(benchmark::kMillisecond)->MinTime(2.0);
