// SPDX-License-Identifier: GPL-3.0-or-later
// The text-file loader: any bytes become a document text in which every
// line ends with a line break, and the text comes back unchanged through a
// save in its own encoding and a new load.
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

  // Any bytes open as a text in which every line ends with a line break
  // and a CR stands only in CR LF.
  textfile::Format format;
  const QString text = textfile::decodeDocument(bytes, &format);
  // (The odd last byte of a UTF-16 file, kept, stays after the last break.)
  const bool oddUtf16 = (format.encoding == textenc::Encoding::Utf16Le ||
                         format.encoding == textenc::Encoding::Utf16Be) &&
                        bytes.size() % 2 == 1;
  const QString body = oddUtf16 ? text.chopped(1) : text;
  if (!body.isEmpty()) FUZZ_CHECK(body.endsWith(QLatin1Char('\n')));
  for (qsizetype i = 0; i < text.size(); ++i)
    if (text[i] == QLatin1Char('\r'))
      FUZZ_CHECK(i + 1 < text.size() && text[i + 1] == QLatin1Char('\n'));

  // Saved as it stands in the encoding it was found in, nothing is lost:
  // every character is written (invalid bytes are kept and written back),
  // and the file opened again and saved gives the same bytes, in every
  // encoding: a byte-order mark keeps a U+FEFF after it, and a UTF-16 file
  // keeps an odd last byte at its end.
  qsizetype lacking = -2;
  const QByteArray saved = textfile::encodeDocument(text, &lacking, format.encoding);
  FUZZ_CHECK(lacking == -1);
  textfile::Format again;
  const QString reopened = textfile::decodeDocument(saved, &again);
  FUZZ_CHECK(again.encoding == format.encoding);
  FUZZ_CHECK(textfile::encodeDocument(reopened, nullptr, again.encoding) == saved);
  FUZZ_CHECK(reopened == text);
  return 0;
}
