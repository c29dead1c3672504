// SPDX-License-Identifier: GPL-3.0-or-later
// Replace all and find next over a 10 MB document, through the main window.
#include <benchmark/benchmark.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <memory>

#include "app/main_window.h"
#include "platform/edit_control.h"
#include "platform/settings_store.h"
#include "search/search_commands.h"
#include "search/text_search.h"
#include "support/scripted_ui.h"
#include "support/window_deps.h"

namespace {

// Answers every dialog at once (OK, or No), so only our own work is
// measured.
using SilentUi = ScriptedUi;

constexpr int kOccurrences = 233000;
constexpr int kLineLength = 78;

// About 10 million characters of Chinese text with some Latin, in lines of
// 78 characters, holding the word 朗读 exactly kOccurrences times.
const QString& bigDocument() {
  static const QString doc = [] {
    const QString filler =
        QStringLiteral("今天天气很好我们一起去公园散步Chimepad春风吹过湖面柳枝轻轻摆动");
    const qsizetype target = 10'000'000;
    const qsizetype gap = target / kOccurrences;  // characters between occurrences
    QString s;
    s.reserve(target + target / kLineLength * 2 + 64);
    qsizetype f = 0, column = 0;
    auto put = [&](QChar c) {
      s.append(c);
      if (++column == kLineLength) {
        s.append(QLatin1String("\r\n"));
        column = 0;
      }
    };
    for (int k = 0; k < kOccurrences; ++k) {
      for (qsizetype i = 0; i < gap - 2; ++i) put(filler[f++ % filler.size()]);
      put(QChar(0x6717));  // 朗
      put(QChar(0x8BFB));  // 读
    }
    return s;
  }();
  return doc;
}

struct Window {
  QTemporaryDir dir;
  SettingsStore settings{dir.filePath(QStringLiteral("Chimepad.conf"))};
  SilentUi ui;
  std::unique_ptr<MainWindow> w;
  Window() {
    w = std::make_unique<MainWindow>(WindowDeps(ui, settings));
    w->formLoad();
    w->resize(800, 600);
    w->show();
    QApplication::processEvents();
  }
  ~Window() { w->program().resetHistory(w->program().txtFile->Text()); }
  EditControl* txt() { return w->program().txtFile; }
  void load(const QString& text) {
    txt()->setText(text);
    w->program().resetHistory(text);
    txt()->setSelStart(0);
    QApplication::processEvents();
  }
  void redisplay() {
    QApplication::processEvents();
    txt()->viewport()->repaint();
  }
};

void BM_ReplaceAllThroughWindow(benchmark::State& state) {
  Window win;
  win.w->searchCommands().numHuan();
  HuanDialog* d = win.w->searchCommands().frmHuan();
  d->Text1->setText(QStringLiteral("朗读"));
  d->Text2->setText(QStringLiteral("阅读器"));
  for (auto _ : state) {
    state.PauseTiming();
    win.load(bigDocument());
    state.ResumeTiming();
    d->Command3->click();
    win.redisplay();
  }
  if (win.txt()->TextLength() != bigDocument().size() + kOccurrences)
    state.SkipWithError("the replacements did not all happen");
  state.counters["replacements"] = kOccurrences;
}
BENCHMARK(BM_ReplaceAllThroughWindow)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

// The occurrence sought stands only at the very end, so the whole text is read.
void BM_FindNextThroughWindow(benchmark::State& state) {
  const bool matchCase = state.range(0), upward = state.range(1);
  Window win;
  QString text = bigDocument();
  text.append(QStringLiteral("EndMark"));
  if (upward) text.prepend(QStringLiteral("EndMark"));
  win.load(text);
  Program& p = win.w->program();
  p.search.FindText = QStringLiteral("endmark");
  if (matchCase) p.search.FindText = QStringLiteral("EndMark");
  p.search.FindMatchCase = matchCase;
  p.search.FindUpward = upward;
  const int from = upward ? static_cast<int>(text.size()) - 7 : 0;
  for (auto _ : state) {
    state.PauseTiming();
    win.txt()->setSelStart(from);
    state.ResumeTiming();
    win.w->searchCommands().numNext();
  }
  const int expected = upward ? 0 : static_cast<int>(text.size()) - 7;
  if (win.txt()->SelStart() != expected || win.txt()->SelLength() != 7)
    state.SkipWithError("find next did not select the occurrence");
}
BENCHMARK(BM_FindNextThroughWindow)
    ->ArgNames({"match_case", "upward"})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({0, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_ReplaceAllInText(benchmark::State& state) {
  const QString& doc = bigDocument();
  for (auto _ : state) {
    ReplaceAllResult r =
        ReplaceAllInText(doc, QStringLiteral("朗读"), QStringLiteral("阅读器"), false);
    benchmark::DoNotOptimize(r.text.data());
  }
}
BENCHMARK(BM_ReplaceAllInText)->Unit(benchmark::kMillisecond);

}  // namespace
