// SPDX-License-Identifier: GPL-3.0-or-later
// Encrypting and decrypting 10 MB of text, as it would be in a file:
// Chinese prose (two bytes a character) and ASCII (one byte a character).
#include <benchmark/benchmark.h>

#include <QString>

#include "crypt/cipher.h"

namespace {

constexpr qsizetype kBytes = 10 * 1000 * 1000;

QString chineseText() {
  // A line of prose with punctuation, repeated; two bytes a character.
  const QString line = QStringLiteral("床前明月光，疑是地上霜。举头望明月，低头思故乡。主筑\r\n");
  QString text;
  text.reserve(kBytes / 2 + line.size());
  while (text.size() < kBytes / 2) text += line;
  return text;
}

QString asciiText() {
  const QString line =
      QStringLiteral("The quick brown fox jumps over the lazy dog: 0123456789, xyz!\r\n");
  QString text;
  text.reserve(kBytes + line.size());
  while (text.size() < kBytes) text += line;
  return text;
}

void run(benchmark::State& state, const QString& text, bool encrypt) {
  const QString password = QStringLiteral("密码 pw");
  const QString encrypted = cipher::encrypt(text, password);
  for (auto _ : state) {
    if (encrypt) {
      QString out = cipher::encrypt(text, password, [](double) {});
      benchmark::DoNotOptimize(out.data());
    } else {
      auto out = cipher::decrypt(encrypted, password, [](double) {});
      benchmark::DoNotOptimize(out->data());
    }
  }
  state.SetBytesProcessed(state.iterations() * kBytes);
}

void BM_EncryptChinese10MB(benchmark::State& s) { run(s, chineseText(), true); }
void BM_DecryptChinese10MB(benchmark::State& s) { run(s, chineseText(), false); }
void BM_EncryptAscii10MB(benchmark::State& s) { run(s, asciiText(), true); }
void BM_DecryptAscii10MB(benchmark::State& s) { run(s, asciiText(), false); }

}  // namespace

BENCHMARK(BM_EncryptChinese10MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecryptChinese10MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncryptAscii10MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecryptAscii10MB)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
