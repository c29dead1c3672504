// Speed of the document files and of the undo history on a 10 MB document:
// open to an interactive window, save, and the key release that records
// one typed character (or finds nothing changed).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <chrono>
#include <memory>
#include <optional>

#include "app/main_window.h"
#include "platform/cp936.h"
#include "platform/edit_control.h"
#include "platform/settings_store.h"
#include "support/scripted_ui.h"

namespace {

// Dialogs that answer at once: the open and save dialogs give one name,
// every question No.
class BenchUi : public ScriptedUi {
 public:
  QString fileName;
  std::optional<QString> openFileName(QWidget*, const FileDialogSetup&) override { return fileName; }
  std::optional<QString> saveFileName(QWidget*, const FileDialogSetup&) override { return fileName; }
};

struct Env {
  QTemporaryDir dir;
  BenchUi ui;
  std::unique_ptr<SettingsStore> settings;
  std::unique_ptr<MainWindow> w;
  QString file;

  Env() {
    settings = std::make_unique<SettingsStore>(dir.filePath("Chimepad.conf"));
    settings->write("Type", "txt", "1");
    // About 10 MB of code page 936 text in lines of mixed Chinese and Latin.
    const QString line = QStringLiteral("这是一行用来测量速度的中文文字，其中也有 Latin letters 和数字 12345。\r\n");
    const QByteArray lineBytes = cp936::encode(line);
    QByteArray bytes;
    bytes.reserve(10'500'000);
    while (bytes.size() < 10'000'000) bytes += lineBytes;
    file = dir.filePath("big.txt");
    QFile f(file);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
    f.close();
    ui.fileName = file;
    MainWindow::Deps deps;
    deps.ui = &ui;
    deps.settings = settings.get();
    w = std::make_unique<MainWindow>(deps);
    w->formLoad();
    w->resize(800, 600);
    w->show();
    QApplication::processEvents();
  }
  Program& p() { return w->program(); }
  EditControl* t() { return p().txtFile; }
  void openBig() {
    w->documents().numNew();
    w->documents().numOpen();
    QApplication::processEvents();
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

// Open through the menu command, until the window has drawn the text.
void BM_OpenTenMegabytes(benchmark::State& state) {
  Env& e = env();
  for (auto _ : state) {
    e.w->documents().numNew();
    QApplication::processEvents();
    const auto a = std::chrono::steady_clock::now();
    e.w->documents().numOpen();
    e.t()->repaint();
    QApplication::processEvents();
    const auto b = std::chrono::steady_clock::now();
    state.SetIterationTime(seconds(a, b));
  }
  state.counters["chars"] = e.t()->TextLength();
}
BENCHMARK(BM_OpenTenMegabytes)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

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
void BM_KeyReleaseRecordsOneCharacter(benchmark::State& state) {
  Env& e = env();
  e.openBig();
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
BENCHMARK(BM_KeyReleaseRecordsOneCharacter)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(400);

// A key release after a change event that left the text as it was (an
// undo, a paste already recorded): the change counter answers.
void BM_KeyReleaseFindsNothingChanged(benchmark::State& state) {
  Env& e = env();
  e.openBig();
  e.t()->setSelStart(e.t()->TextLength() / 2);
  for (auto _ : state) {
    e.p().TextDirty = true;
    const auto a = std::chrono::steady_clock::now();
    e.key(QEvent::KeyRelease, Qt::Key_End, QString());
    const auto b = std::chrono::steady_clock::now();
    state.SetIterationTime(seconds(a, b));
  }
  if (e.p().undo.UndoPos() != 0) state.SkipWithError("something was recorded");
}
BENCHMARK(BM_KeyReleaseFindsNothingChanged)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(1000);

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
BENCHMARK(BM_KeyReleaseAfterAnEditTakenBack)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(200);

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
