// The text-file loader: any bytes become a document text in which every
// line ends with CR LF, and a text the code page holds comes back unchanged
// through a save and a new load.
#include "app/text_file.h"
#include "fuzz/fuzz_check.h"
#include "platform/cp936.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));

  bool valid = false;
  const QString raw = cp936::decode(bytes, &valid);
  // Only invalid bytes give U+FFFD: the code page has no such character.
  FUZZ_CHECK(valid == !raw.contains(QChar::ReplacementCharacter));
  if (valid) {
    qsizetype lacking = -2;
    const QByteArray encoded = cp936::encode(raw, &lacking);
    FUZZ_CHECK(lacking == -1);
    FUZZ_CHECK(cp936::decode(encoded) == raw);
  }

  const QString text = textfile::decodeDocument(bytes);
  if (!text.isEmpty()) FUZZ_CHECK(text.endsWith(QStringLiteral("\r\n")));
  for (qsizetype i = 0; i < text.size(); ++i)
    if (text[i] == QLatin1Char('\r'))
      FUZZ_CHECK(i + 1 < text.size() && text[i + 1] == QLatin1Char('\n'));

  // Saved as it stands and opened again: the same text, once it had no
  // invalid bytes (those were read as U+FFFD and are written as '?').
  qsizetype firstLacking = -2;
  const QByteArray saved = textfile::encodeDocument(text, &firstLacking);
  const QString reopened = textfile::decodeDocument(saved);
  if (valid) {
    FUZZ_CHECK(firstLacking == -1);
    FUZZ_CHECK(reopened == text);
  } else {
    FUZZ_CHECK(firstLacking >= 0);
    FUZZ_CHECK(textfile::decodeDocument(textfile::encodeDocument(reopened)) == reopened);
  }
  return 0;
}
