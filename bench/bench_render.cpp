// SPDX-License-Identifier: GPL-3.0-or-later
// Reading rendered into a wav file: 10,000 characters of Chinese at 较快
// (100 ms a step) with the generated sound set. Goal: at least 50 times
// faster than the reading would take aloud. Each run measures both the
// length of the sound written and the time it took, and reports the ratio
// as "x_real_time".
#include <benchmark/benchmark.h>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include "platform/pinyin_dictionary_ime.h"
#include "reading/wav_render.h"

namespace {

// Chinese prose with its punctuation, cut at 10,000 characters.
QString chineseText(qsizetype characters) {
  const QString para = QStringLiteral(
      "春天来了，田野里的小草从地下探出头来，柳树也长出了嫩绿的新芽。"
      "孩子们在河边放风筝，老人们坐在树下聊天，一不小心就到了中午。"
      "我们一起去学校读书，学习语文、数学和科学，每天都有新的收获！\n");
  QString s;
  while (s.size() < characters) s += para;
  return s.left(characters);
}

void BM_RenderChineseFast(benchmark::State& state) {
  QTemporaryDir tmp;
  PinyinDictionaryIme ime{{QStringLiteral(CHIMEPAD_BIN_DIR "/pinyin.txt")}};
  RenderJob job;
  job.text = chineseText(10000);
  job.intervalMs = 100;
  job.soundDir = QStringLiteral(CHIMEPAD_BIN_DIR);
  job.ime = &ime;
  job.outFile = tmp.filePath(QStringLiteral("out.wav"));
  double ratio = 0;
  double audioSeconds = 0;
  for (auto _ : state) {
    QElapsedTimer clock;
    clock.start();
    const RenderResult r = RenderReading(job);
    const qint64 took = std::max<qint64>(1, clock.nsecsElapsed() / 1000000);
    if (r.status != RenderStatus::Ok) {
      state.SkipWithError(r.error.toStdString().c_str());
      return;
    }
    audioSeconds = double(r.lengthMs) / 1000;
    ratio = double(r.lengthMs) / double(took);
  }
  state.counters["audio_s"] = audioSeconds;
  state.counters["x_real_time"] = ratio;
  state.counters["goal_x"] = 50;
}
BENCHMARK(BM_RenderChineseFast)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
