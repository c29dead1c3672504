// SPDX-License-Identifier: GPL-3.0-or-later
// Speed of the document files and of the undo history on a 10 MB document:
// open to an interactive window (GBK with CR LF, GBK with LF, UTF-8 with LF,
// each against a bare QPlainTextEdit given the same text in the same run),
// save, the key release that records one typed character (or finds nothing
// changed), and a whole document encrypted into one long line.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <chrono>
#include <memory>
#include <optional>

#include "app/main_window.h"
#include "app/text_file.h"
#include "crypt/cipher.h"
#include "platform/cp936.h"
#include "platform/edit_control.h"
#include "platform/settings_store.h"
#include "support/scripted_ui.h"
#include "support/window_deps.h"

namespace {

// Dialogs that answer at once: the open and save dialogs give one name,
// every question No.
class BenchUi : public ScriptedUi {
 public:
  QString fileName;
  std::optional<QString> openFileName(QWidget*, const FileDialogSetup&) override {
    return fileName;
  }
  std::optional<QString> saveFileName(QWidget*, const FileDialogSetup&) override {
    return fileName;
  }
};

struct Env {
  QTemporaryDir dir;
  BenchUi ui;
  std::unique_ptr<SettingsStore> settings;
  std::unique_ptr<MainWindow> w;
  QString file;
  // The same text three ways: GBK with CR LF, GBK with LF, UTF-8 with LF.
  QString files[3];

  Env() {
    settings = std::make_unique<SettingsStore>(dir.filePath("Chimepad.conf"));
    settings->write("Type", "txt", "1");
    // About 10 MB of text in lines of mixed Chinese and Latin.
    const QString line =
        QStringLiteral("这是一行用来测量速度的中文文字，其中也有 Latin letters 和数字 12345。\r\n");
    QString lf = line;
    lf.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    const QByteArray lines[3] = {cp936::encode(line), cp936::encode(lf), lf.toUtf8()};
    const char* names[3] = {"gbk-crlf.txt", "gbk-lf.txt", "utf8-lf.txt"};
    for (int k = 0; k < 3; ++k) {
      QByteArray bytes;
      bytes.reserve(10'500'000);
      while (bytes.size() < 10'000'000) bytes += lines[k];
      files[k] = dir.filePath(names[k]);
      QFile f(files[k]);
      f.open(QIODevice::WriteOnly);
      f.write(bytes);
      f.close();
    }
    file = files[0];
    ui.fileName = file;
    w = std::make_unique<MainWindow>(WindowDeps(ui, *settings));
    w->formLoad();
    w->resize(800, 600);
    w->show();
    QApplication::processEvents();
  }
  Program& p() { return w->program(); }
  EditControl* t() { return p().txtFile; }
  void openBig(int which = 0) {
    ui.fileName = files[which];
    w->documents().numNew();
    w->documents().numOpen();
    waitForLoad();
    QApplication::processEvents();
  }
  // Runs the events until a large file's load is over.
  void waitForLoad() {
    while (t()->isLoading()) QApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  void key(QEvent::Type type, int key, const QString& text) {
    QKeyEvent e(type, key, Qt::NoModifier, text);
    QApplication::sendEvent(t(), &e);
  }
};

Env& env() {
  static Env e;
  return e;
}

double seconds(std::chrono::steady_clock::time_point a, std::chrono::steady_clock::time_point b) {
  return std::chrono::duration<double>(b - a).count();
}

// Open through the menu command, until the window has drawn the text (its
// first lines: the rest follows between events); in the same iteration the
// baseline: the text the loader gives, set into a bare QPlainTextEdit of
// the same size and drawn. The goal is at most 0.3 s. `all_in_ms` is the
// time until the whole text is in the control. Argument: 0 GBK CR LF, 1 GBK
// LF, 2 UTF-8 LF.
void BM_OpenTenMegabytes(benchmark::State& state) {
  Env& e = env();
  const int which = static_cast<int>(state.range(0));
  e.ui.fileName = e.files[which];
  double baseline = 0, opened = 0, allIn = 0;
  for (auto _ : state) {
    e.w->documents().numNew();
    QApplication::processEvents();
    const auto a = std::chrono::steady_clock::now();
    e.w->documents().numOpen();
    e.t()->repaint();
    QApplication::processEvents();
    const auto b = std::chrono::steady_clock::now();
    state.SetIterationTime(seconds(a, b));
    opened += seconds(a, b);
    e.waitForLoad();
    allIn += seconds(a, std::chrono::steady_clock::now());

    e.w->documents().numNew();
    QApplication::processEvents();
    QString text;
    textfile::read(e.files[which], &text);
    QPlainTextEdit bare;
    bare.resize(e.t()->size());
    bare.show();
    QApplication::processEvents();
    const auto c = std::chrono::steady_clock::now();
    bare.setPlainText(text);
    bare.repaint();
    QApplication::processEvents();
    const auto d = std::chrono::steady_clock::now();
    baseline += seconds(c, d);
  }
  state.counters["baseline_ms"] = benchmark::Counter(1000 * baseline / double(state.iterations()));
  state.counters["ratio"] = opened / baseline;
  state.counters["all_in_ms"] = benchmark::Counter(1000 * allIn / double(state.iterations()));
  e.w->documents().numOpen();
  e.waitForLoad();
  state.counters["chars"] = e.t()->TextLength();
}
BENCHMARK(BM_OpenTenMegabytes)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

void BM_SaveTenMegabytes(benchmark::State& state) {
  Env& e = env();
  e.openBig();
  for (auto _ : state) {
    e.t()->setSelStart(0);
    e.t()->setSelText("x");
    e.p().RecordUndo();
    const auto a = std::chrono::steady_clock::now();
    const bool ok = e.w->documents().numSave();
    const auto b = std::chrono::steady_clock::now();
    if (!ok) state.SkipWithError("save failed");
    state.SetIterationTime(seconds(a, b));
  }
}
BENCHMARK(BM_SaveTenMegabytes)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

// A character typed in the middle of the document: the release records it.
// The history fills up and then drops its oldest snapshot, as in long work.
// Argument: 0 GBK CR LF, 1 GBK LF.
void BM_KeyReleaseRecordsOneCharacter(benchmark::State& state) {
  Env& e = env();
  e.openBig(static_cast<int>(state.range(0)));
  e.t()->setSelStart(e.t()->TextLength() / 2);
  const qsizetype docChars = e.t()->TextLength();
  for (auto _ : state) {
    e.key(QEvent::KeyPress, Qt::Key_A, "a");
    const int before = e.p().undo.UndoPos();
    const auto a = std::chrono::steady_clock::now();
    e.key(QEvent::KeyRelease, Qt::Key_A, "a");
    const auto b = std::chrono::steady_clock::now();
    if (e.p().undo.UndoPos() == before && before < 255) state.SkipWithError("nothing recorded");
    state.SetIterationTime(seconds(a, b));
  }
  state.counters["history/doc"] = double(e.p().undo.heldChars()) / double(docChars);
}
BENCHMARK(BM_KeyReleaseRecordsOneCharacter)
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(400);

// A key release after a change event that left the text as it was (an
// undo, a paste already recorded): the change counter answers.
void BM_KeyReleaseFindsNothingChanged(benchmark::State& state) {
  Env& e = env();
  e.openBig();
  e.t()->setSelStart(e.t()->TextLength() / 2);
  for (auto _ : state) {
    e.p().editing.TextDirty = true;
    const auto a = std::chrono::steady_clock::now();
    e.key(QEvent::KeyRelease, Qt::Key_End, QString());
    const auto b = std::chrono::steady_clock::now();
    state.SetIterationTime(seconds(a, b));
  }
  if (e.p().undo.UndoPos() != 0) state.SkipWithError("something was recorded");
}
BENCHMARK(BM_KeyReleaseFindsNothingChanged)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond)
    ->Iterations(1000);

// A character typed and taken back before the release: the changed span is
// compared, not the whole text.
void BM_KeyReleaseAfterAnEditTakenBack(benchmark::State& state) {
  Env& e = env();
  e.openBig();
  e.t()->setSelStart(e.t()->TextLength() / 2);
  for (auto _ : state) {
    e.key(QEvent::KeyPress, Qt::Key_A, "a");
    e.key(QEvent::KeyPress, Qt::Key_Backspace, QString());
    const auto a = std::chrono::steady_clock::now();
    e.key(QEvent::KeyRelease, Qt::Key_Backspace, QString());
    const auto b = std::chrono::steady_clock::now();
    state.SetIterationTime(seconds(a, b));
  }
  if (e.p().undo.UndoPos() != 0) state.SkipWithError("something was recorded");
}
BENCHMARK(BM_KeyReleaseAfterAnEditTakenBack)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond)
    ->Iterations(200);

// One undo step on the full history of the 10 MB document.
void BM_UndoOneStep(benchmark::State& state) {
  Env& e = env();
  e.openBig();
  e.t()->setSelStart(e.t()->TextLength() / 2);
  for (int i = 0; i < 255; ++i) {
    e.key(QEvent::KeyPress, Qt::Key_A, "a");
    e.key(QEvent::KeyRelease, Qt::Key_A, "a");
  }
  for (auto _ : state) {
    if (e.p().undo.UndoPos() == 0) {
      state.SkipWithError("history ran out");
      break;
    }
    const auto a = std::chrono::steady_clock::now();
    e.w->editCommands().numUndo();
    const auto b = std::chrono::steady_clock::now();
    state.SetIterationTime(seconds(a, b));
  }
}
BENCHMARK(BM_UndoOneStep)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(200);

// A 10 MB document encrypted: the text becomes one line of millions of
// characters. Each iteration sets the encrypted text (as the password
// dialog does) and then types one character into it, key press to the
// release that records it. Goal: each well under a second.
void BM_EncryptThenTypeOneCharacter(benchmark::State& state) {
  Env& e = env();
  e.openBig(1);
  const QString plain = e.t()->Text();
  double encrypt = 0, type = 0;
  for (auto _ : state) {
    const auto a = std::chrono::steady_clock::now();
    e.t()->setText(cipher::encrypt(plain, u"pw"));
    e.p().RecordUndo();
    e.t()->repaint();
    QApplication::processEvents();
    const auto b = std::chrono::steady_clock::now();
    e.t()->setSelStart(e.t()->TextLength() / 2);
    QApplication::processEvents();
    const auto c = std::chrono::steady_clock::now();
    e.key(QEvent::KeyPress, Qt::Key_A, "a");
    e.key(QEvent::KeyRelease, Qt::Key_A, "a");
    e.t()->repaint();
    QApplication::processEvents();
    const auto d = std::chrono::steady_clock::now();
    encrypt += seconds(a, b);
    type += seconds(c, d);
    state.SetIterationTime(seconds(a, b) + seconds(c, d));
  }
  state.counters["encrypt_ms"] = 1000 * encrypt / double(state.iterations());
  state.counters["type_ms"] = 1000 * type / double(state.iterations());
  state.counters["chars"] = e.t()->TextLength();
  e.p().resetHistory(e.t()->Text());
}
BENCHMARK(BM_EncryptThenTypeOneCharacter)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Chimepad"));
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  // The window goes before the application.
  env().w->program().resetHistory(QString());
  env().w.reset();
  return 0;
}
