// SPDX-License-Identifier: GPL-3.0-or-later
// One reading step (everything but the sound): move one character on,
// select it, form its reading unit, speak it to a silent output. The cost
// must not grow with the document: a step on 20 MB at most 1.5 times a step
// on 1 KB, and under 1 ms. Polyphones are read by their words, as by default.
// The word table is loaded at the first reading: that load must stay well
// under 100 ms.
#include <benchmark/benchmark.h>
#include <QApplication>
#include <QTemporaryDir>

#include "app/main_window.h"
#include "platform/edit_control.h"
#include "platform/pinyin_dictionary_ime.h"
#include "platform/settings_store.h"
#include "platform/sound_output.h"
#include "reading/word_readings.h"
#include "support/window_deps.h"

namespace {

class SilentSound : public SoundOutput {
 public:
  bool openSegmentFile(const QString&) override { return true; }
  bool playSegmentRange(qint64, qint64) override { return true; }
  bool closeSegmentFile() override { return true; }
  void playWav(const QString&, bool) override {}
};

class IdleTimer : public Timer {
 public:
  void setInterval(int ms) override { interval_ = ms; }
  int interval() const override { return interval_; }
  void setEnabled(bool on) override { enabled_ = on; }
  bool enabled() const override { return enabled_; }

 private:
  int interval_ = 0;
  bool enabled_ = false;
};

// Chinese with punctuation, digits, letters and line breaks.
QString document(qsizetype units) {
  const QString line =
      QStringLiteral("中华人民共和国成立于1949年，首都是北京。Reading aloud 一不小心！\r\n");
  QString s;
  s.reserve(units + line.size());
  while (s.size() < units) s += line;
  s.truncate(units);
  return s;
}

void BM_ReadingStep(benchmark::State& state) {
  QTemporaryDir dir;
  SettingsStore store(dir.filePath("Chimepad.conf"));
  store.write("Type", "txt", "1");
  SilentSound sound;
  PinyinDictionaryIme ime({QStringLiteral(CHIMEPAD_BIN_DIR "/pinyin.txt")});
  WordReadings words({QStringLiteral(CHIMEPAD_BIN_DIR "/words.txt")});
  IdleTimer t1, t2, t3;
  MainWindow w(WindowDeps(store).sound(sound).ime(ime).words(words).timers(t1, t2, t3));
  w.formLoad();
  w.program().reading.ReadByWords = state.range(1) != 0;
  EditControl& t = *w.program().txtFile;
  t.setText(document(state.range(0)));
  const int middle = t.TextLength() / 2;
  t.setSelStart(middle);
  w.readingCommands().numStart();
  if (w.program().reading.ReadByWords && words.loadedFrom().isEmpty()) {
    state.SkipWithError("words.txt not loaded");
    return;
  }
  int steps = 0;
  for (auto _ : state) {
    w.readingCommands().timer2Tick();
    if (++steps == 256) {  // stay in the middle of the document, never at its end
      state.PauseTiming();
      t.setSelStart(middle);
      steps = 0;
      state.ResumeTiming();
    }
  }
  w.readingCommands().numStop();
}
// Sizes 1 KB and 20 MB; polyphones read character by character (0) and by
// their words (1).
BENCHMARK(BM_ReadingStep)
    ->ArgsProduct({{1024, 20 * 1024 * 1024}, {0, 1}})
    ->ArgNames({"units", "byWords"})
    ->Unit(benchmark::kMicrosecond);

// What the first reading pays for the word table: reading words.txt and
// the first look-up.
void BM_WordTableLoad(benchmark::State& state) {
  for (auto _ : state) {
    WordReadings words({QStringLiteral(CHIMEPAD_BIN_DIR "/words.txt")});
    const QString reading = words.readingIn(u"银行", 1);
    if (reading != QLatin1String("hang2")) state.SkipWithError("words.txt not loaded");
    benchmark::DoNotOptimize(reading);
    state.counters["words"] = double(words.size());
  }
}
BENCHMARK(BM_WordTableLoad)->Unit(benchmark::kMillisecond);

}  // namespace
