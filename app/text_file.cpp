// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/text_file.h"

#include <algorithm>

#include "platform/edit_control.h"
#include "platform/text_encoding.h"

namespace textfile {

QString decodeDocument(QByteArrayView bytes, Format* format) {
  const textenc::Encoding encoding = textenc::detect(bytes);
  QString s = textenc::decode(bytes, encoding);
  // The odd last byte of a UTF-16 file (kept) stays the last thing of the
  // document, after the line break a last line gains: written back there
  // it keeps every unit aligned.
  QString oddByte;
  const bool utf16 =
      encoding == textenc::Encoding::Utf16Le || encoding == textenc::Encoding::Utf16Be;
  if (utf16 && bytes.size() % 2 == 1 && !s.isEmpty()) {
    oddByte = s.right(1);
    s.chop(1);
  }
  const qsizetype n = s.size();
  qsizetype loneCrs = 0, crLfs = 0, loneLfs = 0;
  const char16_t* in = reinterpret_cast<const char16_t*>(s.utf16());
  for (qsizetype i = 0; i < n; ++i) {
    if (in[i] == u'\r') {
      if (i + 1 < n && in[i + 1] == u'\n') {
        ++crLfs;
        ++i;
      } else {
        ++loneCrs;
      }
    } else if (in[i] == u'\n') {
      ++loneLfs;
    }
  }
  const bool lf = loneLfs > 0 && crLfs == 0 && loneCrs == 0;
  if (format) *format = {encoding, lf};
  if (n == 0) return s + oddByte;
  const bool endsLine = in[n - 1] == u'\r' || in[n - 1] == u'\n';
  if (loneCrs == 0 && endsLine) return s + oddByte;
  const qsizetype added = endsLine ? 0 : (lf ? 1 : 2);
  QString out(n + loneCrs + added, Qt::Uninitialized);
  char16_t* o = reinterpret_cast<char16_t*>(out.data());
  for (qsizetype i = 0; i < n; ++i) {
    *o++ = in[i];
    if (in[i] == u'\r' && (i + 1 == n || in[i + 1] != u'\n')) *o++ = u'\n';
  }
  if (!endsLine && lf) {
    *o++ = u'\n';
  } else if (!endsLine) {
    *o++ = u'\r';
    *o++ = u'\n';
  }
  return out + oddByte;
}

QString leadingLines(QByteArrayView bytes, qsizetype maxBytes, Format* format) {
  const textenc::Encoding encoding = textenc::detect(bytes);
  if (encoding == textenc::Encoding::Utf16Le || encoding == textenc::Encoding::Utf16Be) return {};
  // In code page 936 and in UTF-8 the byte 0x0A is never part of another
  // character: the lines before it decode as they do in the whole.
  const QByteArrayView head = bytes.first(std::min(maxBytes, bytes.size()));
  qsizetype cut = head.lastIndexOf('\n') + 1;
  bool midLine = false;
  if (cut == 0) {
    // One long first line: cut where a character starts. In UTF-8 that is
    // any byte but a continuation byte; in code page 936 the byte after one
    // below 0x40, which is never part of a double-byte character.
    const auto* b = reinterpret_cast<const unsigned char*>(head.data());
    const bool utf8 = encoding != textenc::Encoding::Gbk;
    for (qsizetype i = head.size() - 1; i > 0 && cut == 0; --i) {
      if (utf8 ? (b[i] & 0xC0) != 0x80 : b[i - 1] < 0x40) cut = i;
      if (b[i - 1] == '\r') cut = 0;
    }
    midLine = true;
  }
  if (cut == 0) return {};
  const QString s = textenc::decode(head.first(cut), encoding);
  // A piece of a line only when the control holds it in pieces as it
  // holds the whole line: longer than it keeps in one.
  if (midLine && s.size() <= EditControl::kLongLineUnits) return {};
  qsizetype crLfs = 0, loneLfs = 0;
  for (qsizetype i = 0; i < s.size(); ++i) {
    if (s[i] == u'\r') {
      if (i + 1 >= s.size() || s[i + 1] != u'\n') return {};  // a lone CR becomes CR LF
      ++crLfs;
      ++i;
    } else if (s[i] == u'\n') {
      ++loneLfs;
    }
  }
  if (format) *format = {encoding, loneLfs > 0 && crLfs == 0};
  return s;
}

bool read(const QString& fileName, QString* text, QString* error, fileaccess::ReadStatus* status,
          Format* format) {
  QByteArray bytes;
  const fileaccess::ReadStatus r =
      fileaccess::readRegularFile(fileName, fileaccess::maxDocumentBytes(), &bytes, error);
  if (status) *status = r;
  if (r != fileaccess::ReadStatus::Ok) return false;
  *text = decodeDocument(bytes, format);
  return true;
}

QByteArray encodeDocument(QStringView text, qsizetype* firstUnencodable,
                          textenc::Encoding encoding) {
  return textenc::encode(text, encoding, firstUnencodable);
}

bool write(const QString& fileName, const QByteArray& bytes, QString* error) {
  return fileaccess::writeFile(fileName, bytes, error);
}

QString characterAt(QStringView text, qsizetype i) {
  if (i < 0 || i >= text.size()) return {};
  if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
    return text.mid(i, 2).toString();
  return text.mid(i, 1).toString();
}

}  // namespace textfile
