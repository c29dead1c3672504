// SPDX-License-Identifier: GPL-3.0-or-later
// Text to pinyin over the installed dictionary: one character's conversion
// (target: at most 1 us) and the loading of the dictionary when reading
// starts (target: at most 50 ms).
#include <benchmark/benchmark.h>

#include <QString>

#include "platform/cp936.h"
#include "platform/pinyin_dictionary_ime.h"
#include "reading/text_to_pinyin.h"

namespace {

const QString kDictionary = QStringLiteral(CHIMEPAD_BIN_DIR "/pinyin.txt");

// Characters of an ordinary sentence, converted one per call as reading does.
const QString kText = QStringLiteral("我们的生活比蜜甜，长江长城，黄山黄河，在我心中重千斤。");

void BM_TextToPinyinOneCharacter(benchmark::State& state) {
  const int mode = int(state.range(0));
  PinyinDictionaryIme ime({kDictionary});
  bool missing = false;
  TextToPinyin(&ime, missing, QStringLiteral("虎"), 2, QStringLiteral(" "));  // loads it
  if (missing) {
    state.SkipWithError("the pinyin dictionary is not built");
    return;
  }
  const QString space = QStringLiteral(" ");
  QList<QString> chars;
  for (const QChar c : kText) chars << QString(c);
  qsizetype i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(TextToPinyin(&ime, missing, chars[i], mode, space));
    if (++i == chars.size()) i = 0;
  }
}
BENCHMARK(BM_TextToPinyinOneCharacter)->Arg(0)->Arg(1)->Arg(2);

// The start of reading: a fresh input method answers the probe "虎", which
// reads the dictionary file.
void BM_DictionaryLoadAtProbe(benchmark::State& state) {
  cp936::encodeChar(u'虎');  // the code-page tables are built once per run, before this
  for (auto _ : state) {
    PinyinDictionaryIme ime({kDictionary});
    bool missing = false;
    benchmark::DoNotOptimize(
        TextToPinyin(&ime, missing, QStringLiteral("虎"), 2, QStringLiteral(" ")));
    if (missing) {
      state.SkipWithError("the pinyin dictionary is not built");
      return;
    }
  }
}
BENCHMARK(BM_DictionaryLoadAtProbe)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
