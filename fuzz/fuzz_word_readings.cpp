// SPDX-License-Identifier: GPL-3.0-or-later
// The word-table loader on any file, then look-ups through it: the
// characters of the file and a few fixed phrases, at every position, with
// every combination of the options.
#include "fuzz/fuzz_check.h"
#include "reading/word_readings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString path = scratchFile(".txt", data, size);
  WordReadings words({path});
  const bool loaded = words.ensureLoaded();
  FUZZ_CHECK(loaded == !words.isEmpty());

  QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size)).left(80);
  text += QStringLiteral("你好，展览馆的管理员\r\n银行行长a1\U0001F600");
  auto own = [](QChar c) { return c.unicode() % 3 ? QStringLiteral("ni3") : QString(); };
  for (int way = 0; way < 8; ++way) {
    WordReadings::Options o;
    o.byWords = way & 1;
    o.toneSandhi = way & 2;
    o.neutralTone = way & 4;
    for (qsizetype i = -1; i <= text.size(); ++i) {
      const QString r = words.readingIn(text, i, o, own);
      if (r.isEmpty()) continue;
      // A reading: letters and one tone digit.
      FUZZ_CHECK(r.size() >= 2);
      FUZZ_CHECK(r.back() >= u'1' && r.back() <= u'5');
    }
  }
  QFile::remove(path);
  return 0;
}
