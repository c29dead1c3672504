// SPDX-License-Identifier: GPL-3.0-or-later
// The decryptor on any text, and encrypt-decrypt round trips: the input is
// a password length (first byte, 0 to 15), the password and then the text,
// both as UTF-16 units.
#include <QStringList>
#include <algorithm>

#include "app/text_file.h"
#include "crypt/cipher.h"
#include "fuzz/fuzz_check.h"
#include "platform/text_encoding.h"

namespace {
QString units(const uint8_t* data, size_t count) {
  QString s(qsizetype(count), Qt::Uninitialized);
  for (size_t i = 0; i < count; ++i)
    s[qsizetype(i)] = QChar(char16_t(data[2 * i] | data[2 * i + 1] << 8));
  return s;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const size_t passwordLength = std::min<size_t>(data[0] % 16, (size - 1) / 2);
  const QString password = units(data + 1, passwordLength);
  const size_t rest = size - 1 - 2 * passwordLength;
  const QString text = units(data + 1 + 2 * passwordLength, rest / 2);

  // Any text under any password: refused or decrypted, never more than it.
  if (const auto any = cipher::decrypt(text, password)) FUZZ_CHECK(any->size() <= text.size());

  // Round trips, with what editors and a save leave at the end.
  const QString enc = cipher::encrypt(text, password);
  FUZZ_CHECK(cipher::decrypt(enc, password) == text);
  for (const char* tail : {"\r\n", "\n", "\r", " ", " \r\n\r\n"})
    FUZZ_CHECK(cipher::decrypt(enc + QLatin1String(tail), password) == text);
  qsizetype lacking = -2;
  const QByteArray saved = textfile::encodeDocument(enc, &lacking);
  // (Saved bytes that happen to be valid UTF-8 open as UTF-8: the known
  // risk of telling the encodings apart on short texts.)
  // Marks of kept bytes (U+DC80 to U+DCFF) are written back as those bytes,
  // which may pair with the next into another character.
  const bool keptByteMarks = std::any_of(enc.begin(), enc.end(), [](QChar c) {
    return c.unicode() >= 0xDC80 && c.unicode() <= 0xDCFF;
  });
  if (lacking == -1 && !keptByteMarks && textenc::detect(saved) == textenc::Encoding::Gbk)
    FUZZ_CHECK(cipher::decrypt(textfile::decodeDocument(saved), password) == text);

  // Twice, the outer password first.
  const QString outer = password + QStringLiteral("外");
  const auto once = cipher::decrypt(cipher::encrypt(enc, outer), outer);
  FUZZ_CHECK(once && *once == enc);
  return 0;
}
