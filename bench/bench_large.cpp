// SPDX-License-Identifier: GPL-3.0-or-later
// Large documents through the main window: 50 MB of GBK with CR LF and of
// UTF-8 with LF, and one line of 30 MB. Each command is timed to the window
// drawn again: open, select all, Ctrl+End, Ctrl+Home, Page Down, find the
// last word, replace all of a common character. Memory is the process's
// resident size (peak and now), read from /proc, printed in MiB; the growth
// after select all, find and typing is printed as a ratio to the size
// after opening. A bare QPlainTextEdit given the same text in the same run
// is the baseline of the open.
//
// CHIMEPAD_BENCH_MB sets the size in megabytes (50 unless set).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <chrono>
#include <memory>
#include <optional>

#include "app/main_window.h"
#include "app/text_file.h"
#include "platform/cp936.h"
#include "platform/edit_control.h"
#include "platform/settings_store.h"
#include "search/search_commands.h"
#include "support/scripted_ui.h"
#include "support/window_deps.h"

namespace {

class BenchUi : public ScriptedUi {
 public:
  QString fileName;
  std::optional<QString> openFileName(QWidget*, const FileDialogSetup&) override {
    return fileName;
  }
};

// Resident memory of the process in MiB: "VmHWM" the peak, "VmRSS" now.
double residentMiB(const char* field) {
  QFile f(QStringLiteral("/proc/self/status"));
  if (!f.open(QIODevice::ReadOnly)) return 0;
  const QByteArray key = QByteArray(field) + ':';
  for (const QByteArray& line : f.readAll().split('\n'))
    if (line.startsWith(key)) return line.mid(key.size()).trimmed().split(' ')[0].toDouble() / 1024;
  return 0;
}

// Resets the peak so that each measure sees its own.
void resetPeak() {
  QFile f(QStringLiteral("/proc/self/clear_refs"));
  if (f.open(QIODevice::WriteOnly)) f.write("5");
}

qsizetype megabytes() {
  const int mb = qEnvironmentVariableIntValue("CHIMEPAD_BENCH_MB");
  return qsizetype(mb > 0 ? mb : 50) * 1'000'000;
}

enum Which { kGbkCrLf = 0, kUtf8Lf = 1, kOneLine = 2 };

struct Env {
  QTemporaryDir dir;
  BenchUi ui;
  std::unique_ptr<SettingsStore> settings;
  std::unique_ptr<MainWindow> w;
  QString files[3];

  Env() {
    settings = std::make_unique<SettingsStore>(dir.filePath("Chimepad.conf"));
    settings->write("Type", "txt", "1");
    const QString line =
        QStringLiteral("这是一行用来测量速度的中文文字，其中也有 Latin letters 和数字 12345。\r\n");
    QString lf = line;
    lf.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    QString flat = line;
    flat.chop(2);
    const QByteArray lines[3] = {cp936::encode(line), lf.toUtf8(), flat.toUtf8()};
    const char* names[3] = {"gbk-crlf.txt", "utf8-lf.txt", "one-line.txt"};
    for (int k = 0; k < 3; ++k) {
      const qsizetype size = k == kOneLine ? 30'000'000 : megabytes();
      QByteArray bytes;
      bytes.reserve(size + lines[k].size());
      while (bytes.size() < size) bytes += lines[k];
      // The last word, found by the find benchmark.
      bytes += QByteArrayLiteral("EndMark\n");
      files[k] = dir.filePath(names[k]);
      QFile f(files[k]);
      if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) qFatal("cannot write");
    }
    w = std::make_unique<MainWindow>(WindowDeps(ui, *settings));
    w->formLoad();
    w->resize(800, 600);
    w->show();
    QApplication::processEvents();
  }
  Program& p() { return w->program(); }
  EditControl* t() { return p().txtFile; }
  // Opens and waits for the whole text.
  void open(int which) {
    ui.fileName = files[which];
    w->documents().numNew();
    QApplication::processEvents();
    w->documents().numOpen();
    waitForLoad();
    drawn();
  }
  // Runs the events until the control has all of a text that loads in
  // slices; the longest time one round of events took, in seconds.
  double waitForLoad() {
    double longest = 0;
    while (t()->isLoading()) {
      const auto a = std::chrono::steady_clock::now();
      QApplication::processEvents(QEventLoop::AllEvents, 5);
      longest = std::max(
          longest, std::chrono::duration<double>(std::chrono::steady_clock::now() - a).count());
    }
    return longest;
  }
  void drawn() {
    QApplication::processEvents();
    t()->viewport()->repaint();
    QApplication::processEvents();
  }
  void key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString& text = {}) {
    QKeyEvent press(QEvent::KeyPress, key, mods, text);
    QApplication::sendEvent(t(), &press);
    QKeyEvent release(QEvent::KeyRelease, key, mods, text);
    QApplication::sendEvent(t(), &release);
  }
};

Env& env() {
  static Env e;
  return e;
}

double seconds(std::chrono::steady_clock::time_point a, std::chrono::steady_clock::time_point b) {
  return std::chrono::duration<double>(b - a).count();
}

using Clock = std::chrono::steady_clock;

// Open through the menu to the text drawn: the first lines, the rest
// following between events. `all_in_ms` is the time until the whole text is
// in, `longest_pause_ms` the longest the events waited meanwhile (goal 50
// ms). The bare widget's open of the same text in the same iteration is the
// baseline (ratio = ours to the first lines / bare).
void BM_Open(benchmark::State& state) {
  Env& e = env();
  const int which = static_cast<int>(state.range(0));
  double ours = 0, bare = 0, peak = 0, allIn = 0, pause = 0;
  for (auto _ : state) {
    e.w->documents().numNew();
    QApplication::processEvents();
    resetPeak();
    e.ui.fileName = e.files[which];
    const auto a = Clock::now();
    e.w->documents().numOpen();
    e.drawn();
    const auto b = Clock::now();
    state.SetIterationTime(seconds(a, b));
    ours += seconds(a, b);
    pause = std::max(pause, e.waitForLoad());
    allIn += seconds(a, Clock::now());
    peak = std::max(peak, residentMiB("VmHWM"));

    e.w->documents().numNew();
    QApplication::processEvents();
    QString text;
    textfile::read(e.files[which], &text);
    QPlainTextEdit widget;
    widget.resize(e.t()->size());
    widget.show();
    QApplication::processEvents();
    const auto c = Clock::now();
    widget.setPlainText(text);
    widget.repaint();
    QApplication::processEvents();
    bare += seconds(c, Clock::now());
  }
  state.counters["bare_ms"] = 1000 * bare / double(state.iterations());
  state.counters["all_in_ms"] = 1000 * allIn / double(state.iterations());
  state.counters["longest_pause_ms"] = 1000 * pause;
  state.counters["ratio"] = ours / bare;
  state.counters["peak_MiB"] = peak;
}
BENCHMARK(BM_Open)
    ->ArgName("gbkcrlf0_utf8lf1_oneline2")
    ->Arg(kGbkCrLf)
    ->Arg(kUtf8Lf)
    ->Arg(kOneLine)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// Select all, to the window drawn: through the menu command, or as Ctrl+A
// in the editor (under X the selection is offered to other programs too).
// Goal 100 ms. Arguments: the document; 0 the menu, 1 Ctrl+A.
void BM_SelectAll(benchmark::State& state) {
  Env& e = env();
  e.open(static_cast<int>(state.range(0)));
  const bool byKey = state.range(1) != 0;
  for (auto _ : state) {
    e.t()->setSelStart(0);
    e.drawn();
    const auto a = Clock::now();
    if (byKey) e.key(Qt::Key_A, Qt::ControlModifier);
    else e.w->editCommands().numAll();
    e.drawn();
    state.SetIterationTime(seconds(a, Clock::now()));
  }
  if (e.t()->SelLength() != e.t()->TextLength()) state.SkipWithError("not all selected");
}
BENCHMARK(BM_SelectAll)
    ->ArgNames({"doc", "key"})
    ->Args({kGbkCrLf, 0})
    ->Args({kGbkCrLf, 1})
    ->Args({kUtf8Lf, 0})
    ->Args({kOneLine, 0})
    ->Args({kOneLine, 1})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

// Ctrl+End, Ctrl+Home and Page Down as keys in the editor. Goal 50 ms each.
// Argument: 0 Ctrl+End, 1 Ctrl+Home, 2 Page Down; second: the document.
void BM_Navigate(benchmark::State& state) {
  Env& e = env();
  const int what = static_cast<int>(state.range(0));
  e.open(static_cast<int>(state.range(1)));
  for (auto _ : state) {
    e.t()->setSelStart(what == 1 ? e.t()->TextLength() : 0);
    e.t()->ensureCursorVisible();
    e.drawn();
    const auto a = Clock::now();
    if (what == 0) e.key(Qt::Key_End, Qt::ControlModifier);
    else if (what == 1) e.key(Qt::Key_Home, Qt::ControlModifier);
    else e.key(Qt::Key_PageDown);
    e.drawn();
    state.SetIterationTime(seconds(a, Clock::now()));
  }
  const int at = e.t()->SelStart();
  if ((what == 0 && at != e.t()->TextLength()) || (what == 1 && at != 0) || (what == 2 && at == 0))
    state.SkipWithError("the caret did not move there");
}
BENCHMARK(BM_Navigate)
    ->ArgNames({"end0_home1_pgdn2", "doc"})
    ->Args({0, kGbkCrLf})
    ->Args({1, kGbkCrLf})
    ->Args({2, kGbkCrLf})
    ->Args({0, kOneLine})
    ->Args({1, kOneLine})
    ->Args({2, kOneLine})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

// Find next of the last word, from the start, to the window drawn.
void BM_FindLastWord(benchmark::State& state) {
  Env& e = env();
  e.open(kGbkCrLf);
  Program& p = e.p();
  p.search.FindText = QStringLiteral("EndMark");
  p.search.FindMatchCase = false;
  p.search.FindUpward = false;
  for (auto _ : state) {
    e.t()->setSelStart(0);
    e.drawn();
    const auto a = Clock::now();
    e.w->searchCommands().numNext();
    e.drawn();
    state.SetIterationTime(seconds(a, Clock::now()));
  }
  if (e.t()->SelText() != QStringLiteral("EndMark")) state.SkipWithError("not found");
}
BENCHMARK(BM_FindLastWord)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

// Replace all of a common character (，, one in every line) through the
// replace window, to the window drawn again (the new text's first lines;
// the rest follows between events, `all_in_ms` until it is in). Goal 1.5 s.
void BM_ReplaceAllCommonCharacter(benchmark::State& state) {
  Env& e = env();
  double allIn = 0;
  for (auto _ : state) {
    state.PauseTiming();
    e.open(kGbkCrLf);
    e.w->searchCommands().numHuan();
    HuanDialog* d = e.w->searchCommands().frmHuan();
    d->Text1->setText(QStringLiteral("，"));
    d->Text2->setText(QStringLiteral(","));
    state.ResumeTiming();
    const auto a = Clock::now();
    d->Command3->click();
    e.drawn();
    state.SetIterationTime(seconds(a, Clock::now()));
    e.waitForLoad();
    allIn += seconds(a, Clock::now());
    state.PauseTiming();
    if (e.t()->TextMid(0, 60).contains(QStringLiteral("，"))) state.SkipWithError("not replaced");
    d->Command4->click();
    QApplication::processEvents();
    state.ResumeTiming();
  }
  state.counters["all_in_ms"] = 1000 * allIn / double(state.iterations());
}
BENCHMARK(BM_ReplaceAllCommonCharacter)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);

// Memory of the 50 MB GBK document: open, then select all, find, typing.
void BM_Memory(benchmark::State& state) {
  Env& e = env();
  for (auto _ : state) {
    e.w->documents().numNew();
    e.p().resetHistory(QString());
    QApplication::processEvents();
    const double before = residentMiB("VmRSS");
    resetPeak();
    e.open(kGbkCrLf);
    const double opened = residentMiB("VmHWM");
    e.w->editCommands().numAll();
    e.drawn();
    e.t()->setSelStart(0);
    e.p().search.FindText = QStringLiteral("EndMark");
    e.w->searchCommands().numNext();
    e.drawn();
    e.t()->setSelStart(e.t()->TextLength() / 2);
    for (int i = 0; i < 5; ++i) e.key(Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    e.drawn();
    const double after = residentMiB("VmHWM");
    state.counters["before_MiB"] = before;
    state.counters["open_peak_MiB"] = opened;
    state.counters["after_peak_MiB"] = after;
    state.counters["growth_ratio"] = after / opened;
  }
}
BENCHMARK(BM_Memory)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Chimepad"));
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  env().w->program().resetHistory(QString());
  env().w.reset();
  return 0;
}
