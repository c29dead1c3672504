// SPDX-License-Identifier: GPL-3.0-or-later
// The pinyin dictionary loader on any file, then conversion through the
// input method it makes: the characters of the file and a few fixed ones,
// in every mode.
#include "fuzz/fuzz_check.h"
#include "platform/pinyin_dictionary_ime.h"
#include "reading/text_to_pinyin.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString path = scratchFile(".txt", data, size);
  PinyinDictionary dictionary;
  const bool loaded = dictionary.load(path);
  FUZZ_CHECK(loaded == !dictionary.isEmpty());

  // The characters named in the file, and some that are no dictionary's.
  QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size)).left(200);
  text += QStringLiteral("中文拼音 a1,。《》\U0001F600\r\n");
  for (const QChar c : text) {
    const PinyinDictionary::Readings r = dictionary.readings(c.unicode());
    FUZZ_CHECK(r.count >= 0);
    if (r.count == 0) continue;
    // Each reading NUL-terminated, none longer than the longest.
    int seen = 0;
    for (qsizetype at = 0; at < r.strings.size(); ++seen) {
      const qsizetype end = r.strings.indexOf('\0', at);
      FUZZ_CHECK(end >= at);
      FUZZ_CHECK(end - at <= dictionary.longestReading());
      at = end + 1;
    }
    FUZZ_CHECK(seen == r.count);
  }

  PinyinDictionaryIme ime({path});
  bool missing = false;
  for (int mode = 0; mode <= 2; ++mode) {
    const QString pinyin = TextToPinyin(&ime, missing, text, mode, QStringLiteral(" "));
    FUZZ_CHECK(missing == !loaded);
    if (!loaded) FUZZ_CHECK(pinyin == QStringLiteral(" "));
  }
  QFile::remove(path);
  return 0;
}
