// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/text_encoding.h"

#include <QList>
#include <QStringDecoder>
#include <cstring>
#include <utility>

#include "platform/cp936.h"

namespace textenc {
namespace {

const char kUtf8Bom[] = "\xEF\xBB\xBF";

bool startsWith(QByteArrayView bytes, const char* prefix, qsizetype n) {
  return bytes.size() >= n && std::memcmp(bytes.data(), prefix, static_cast<size_t>(n)) == 0;
}

// The length of the valid UTF-8 sequence at s[i], or 0 when the byte there
// does not start one (overlong forms, surrogates and values past U+10FFFF
// are not valid).
int sequenceLength(const unsigned char* s, qsizetype i, qsizetype n) {
  const unsigned char b = s[i];
  if (b < 0x80) return 1;
  auto cont = [&](qsizetype k) { return k < n && (s[k] & 0xC0) == 0x80; };
  if (b >= 0xC2 && b <= 0xDF) return cont(i + 1) ? 2 : 0;
  if (b >= 0xE0 && b <= 0xEF) {
    if (!cont(i + 1) || !cont(i + 2)) return 0;
    const unsigned char b1 = s[i + 1];
    if (b == 0xE0 && b1 < 0xA0) return 0;   // overlong
    if (b == 0xED && b1 >= 0xA0) return 0;  // a surrogate
    return 3;
  }
  if (b >= 0xF0 && b <= 0xF4) {
    if (!cont(i + 1) || !cont(i + 2) || !cont(i + 3)) return 0;
    const unsigned char b1 = s[i + 1];
    if (b == 0xF0 && b1 < 0x90) return 0;   // overlong
    if (b == 0xF4 && b1 >= 0x90) return 0;  // past U+10FFFF
    return 4;
  }
  return 0;
}

// Scans for the first byte that is not part of valid UTF-8; -1 when none.
// `nonAscii` tells whether any byte beyond ASCII was seen.
qsizetype firstInvalidUtf8(QByteArrayView bytes, bool* nonAscii) {
  const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
  const qsizetype n = bytes.size();
  bool high = false;
  qsizetype i = 0;
  while (i < n) {
    // Runs of ASCII eight bytes at a time.
    while (i + 8 <= n) {
      quint64 w;
      std::memcpy(&w, s + i, 8);
      if (w & 0x8080808080808080ull) break;
      i += 8;
    }
    if (i >= n) break;
    if (s[i] < 0x80) {
      ++i;
      continue;
    }
    high = true;
    const int len = sequenceLength(s, i, n);
    if (len == 0) {
      if (nonAscii) *nonAscii = true;
      return i;
    }
    i += len;
  }
  if (nonAscii) *nonAscii = high;
  return -1;
}

// Valid UTF-8 as text, a U+FEFF at its start included (QString::fromUtf8
// drops one there, which would lose a character after a byte-order mark or
// after a kept byte).
QString validUtf8(QByteArrayView bytes) {
  QStringDecoder d(QStringConverter::Utf8,
                   QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
  return d.decode(bytes);
}

// Counts the sequences of UTF-8 beyond ASCII that are valid, and the bytes
// that are not part of one.
void countUtf8(QByteArrayView bytes, qsizetype* valid, qsizetype* invalid) {
  const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
  const qsizetype n = bytes.size();
  qsizetype good = 0, bad = 0;
  for (qsizetype i = 0; i < n;) {
    if (s[i] < 0x80) {
      ++i;
      continue;
    }
    const int len = sequenceLength(s, i, n);
    if (len == 0) {
      ++bad;
      ++i;
    } else {
      ++good;
      i += len;
    }
  }
  *valid = good;
  *invalid = bad;
}

QString decodeUtf8(QByteArrayView bytes) {
  if (firstInvalidUtf8(bytes, nullptr) < 0) return validUtf8(bytes);
  const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
  const qsizetype n = bytes.size();
  QString out;
  out.reserve(n);
  qsizetype run = 0;  // start of the valid bytes not yet decoded
  for (qsizetype i = 0; i < n;) {
    const int len = sequenceLength(s, i, n);
    if (len > 0) {
      i += len;
      continue;
    }
    out.append(validUtf8(bytes.sliced(run, i - run)));
    out.append(QChar(char16_t(0xDC00 + s[i])));
    run = ++i;
  }
  out.append(validUtf8(bytes.sliced(run)));
  return out;
}

QByteArray encodeUtf8(QStringView text, qsizetype* firstUnencodable) {
  const qsizetype n = text.size();
  QByteArray out;
  out.reserve(n * 3);
  // Where each kept byte went: (offset in the bytes, index in the text).
  QList<std::pair<qsizetype, qsizetype>> kept;
  qsizetype bad = -1;
  qsizetype run = 0;  // start of the units not yet encoded
  for (qsizetype i = 0; i < n; ++i) {
    const QChar c = text[i];
    if (!c.isSurrogate()) continue;
    if (c.isHighSurrogate() && i + 1 < n && text[i + 1].isLowSurrogate()) {
      ++i;  // a pair: one character
      continue;
    }
    out.append(text.mid(run, i - run).toUtf8());
    if (c.unicode() >= 0xDC80 && c.unicode() <= 0xDCFF) {
      kept.append({out.size(), i});
      out.append(static_cast<char>(c.unicode() & 0xFF));  // a kept byte
    } else {
      if (bad < 0) bad = i;
      out.append('?');
    }
    run = i + 1;
  }
  out.append(text.mid(run).toUtf8());
  // Kept bytes brought together by an edit can form a valid sequence, which
  // would open as another character: the first byte of such a sequence
  // cannot be kept and is written as '?'.
  const auto* s = reinterpret_cast<const unsigned char*>(out.constData());
  for (const auto& [offset, index] : kept) {
    if (sequenceLength(s, offset, out.size()) == 0) continue;
    out[offset] = '?';
    if (bad < 0 || index < bad) bad = index;
  }
  if (firstUnencodable) *firstUnencodable = bad;
  return out;
}

QString decodeUtf16(QByteArrayView bytes, bool bigEndian) {
  const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
  const qsizetype units = bytes.size() / 2;
  QString out;
  out.reserve(units + 2);
  auto unit = [&](qsizetype k) -> char16_t {
    const unsigned char a = s[2 * k], b = s[2 * k + 1];
    return bigEndian ? char16_t(a << 8 | b) : char16_t(b << 8 | a);
  };
  for (qsizetype k = 0; k < units; ++k) {
    const char16_t c = unit(k);
    if (QChar::isHighSurrogate(c) && k + 1 < units && QChar::isLowSurrogate(unit(k + 1))) {
      out.append(QChar(c));
      out.append(QChar(unit(++k)));
    } else if (QChar::isSurrogate(c)) {
      // An unpaired surrogate is not valid: its two bytes are kept.
      out.append(QChar(char16_t(0xDC00 + s[2 * k])));
      out.append(QChar(char16_t(0xDC00 + s[2 * k + 1])));
    } else {
      out.append(QChar(c));
    }
  }
  if (bytes.size() % 2) out.append(QChar(char16_t(0xDC00 + s[bytes.size() - 1])));
  return out;
}

QByteArray encodeUtf16(QStringView text, bool bigEndian, qsizetype* firstUnencodable) {
  QByteArray out;
  out.reserve(text.size() * 2 + 2);
  auto put = [&](char16_t c) {
    const char hi = static_cast<char>(c >> 8), lo = static_cast<char>(c & 0xFF);
    out.append(bigEndian ? hi : lo);
    out.append(bigEndian ? lo : hi);
  };
  auto isKept = [](char16_t c) { return c >= 0xDC00 && c <= 0xDCFF; };
  if (bigEndian) out.append("\xFE\xFF", 2);
  else out.append("\xFF\xFE", 2);
  // Kept bytes stand for whole units only two at a time. A lone one (the odd
  // last byte of a file, or half of a pair the user cut apart) written where
  // it stands would shift every unit after it: it goes to the end of the
  // file, where it was found, so that the text stays aligned.
  QByteArray lone;
  const qsizetype n = text.size();
  for (qsizetype i = 0; i < n; ++i) {
    const char16_t c = text[i].unicode();
    if (!QChar::isSurrogate(c)) {
      put(c);
    } else if (QChar::isHighSurrogate(c) && i + 1 < n && text[i + 1].isLowSurrogate()) {
      put(c);
      put(text[++i].unicode());
    } else if (isKept(c)) {
      qsizetype end = i;
      while (end < n && isKept(text[end].unicode())) ++end;  // a run of kept bytes
      qsizetype k = i;
      for (; k + 1 < end; k += 2) {
        out.append(static_cast<char>(text[k].unicode() & 0xFF));
        out.append(static_cast<char>(text[k + 1].unicode() & 0xFF));
      }
      if (k < end) lone.append(static_cast<char>(text[k].unicode() & 0xFF));
      i = end - 1;
    } else {
      if (firstUnencodable && *firstUnencodable < 0) *firstUnencodable = i;
      put(u'?');
    }
  }
  out.append(lone);
  return out;
}

}  // namespace

QString name(Encoding e) {
  switch (e) {
    case Encoding::Gbk: return QStringLiteral("GBK");
    case Encoding::Utf8: return QStringLiteral("UTF-8");
    case Encoding::Utf8Bom: return QStringLiteral("UTF-8 BOM");
    case Encoding::Utf16Le: return QStringLiteral("UTF-16 LE");
    case Encoding::Utf16Be: return QStringLiteral("UTF-16 BE");
  }
  return {};
}

bool isValidUtf8(QByteArrayView bytes) { return firstInvalidUtf8(bytes, nullptr) < 0; }

Encoding detect(QByteArrayView bytes) {
  if (startsWith(bytes, kUtf8Bom, 3)) return Encoding::Utf8Bom;
  if (startsWith(bytes, "\xFF\xFE", 2)) return Encoding::Utf16Le;
  if (startsWith(bytes, "\xFE\xFF", 2)) return Encoding::Utf16Be;
  bool nonAscii = false;
  const qsizetype invalidAt = firstInvalidUtf8(bytes, &nonAscii);
  if (invalidAt < 0) return nonAscii ? Encoding::Utf8 : Encoding::Gbk;
  // A few invalid bytes in a text of UTF-8 (a byte lost in a copy, a stray
  // byte of another encoding) do not make it code page 936. Text of code
  // page 936 forms a valid UTF-8 sequence only now and then (about one
  // character in seven, by chance), always next to many invalid bytes; at
  // least kUtf8PerInvalid valid sequences for every invalid byte is UTF-8.
  constexpr qsizetype kUtf8PerInvalid = 4;
  qsizetype valid = 0, invalid = 0;
  countUtf8(bytes, &valid, &invalid);
  return valid >= kUtf8PerInvalid * invalid ? Encoding::Utf8 : Encoding::Gbk;
}

QString decode(QByteArrayView bytes, Encoding e) {
  switch (e) {
    case Encoding::Gbk: return cp936::decodeKeepingBytes(bytes);
    case Encoding::Utf8: return decodeUtf8(bytes);
    case Encoding::Utf8Bom:
      return decodeUtf8(startsWith(bytes, kUtf8Bom, 3) ? bytes.sliced(3) : bytes);
    case Encoding::Utf16Le:
      return decodeUtf16(startsWith(bytes, "\xFF\xFE", 2) ? bytes.sliced(2) : bytes, false);
    case Encoding::Utf16Be:
      return decodeUtf16(startsWith(bytes, "\xFE\xFF", 2) ? bytes.sliced(2) : bytes, true);
  }
  return {};
}

QByteArray encode(QStringView text, Encoding e, qsizetype* firstUnencodable) {
  if (firstUnencodable) *firstUnencodable = -1;
  switch (e) {
    case Encoding::Gbk: return cp936::encodeKeepingBytes(text, firstUnencodable);
    case Encoding::Utf8: return encodeUtf8(text, firstUnencodable);
    case Encoding::Utf8Bom: return QByteArray(kUtf8Bom, 3) + encodeUtf8(text, firstUnencodable);
    case Encoding::Utf16Le: return encodeUtf16(text, false, firstUnencodable);
    case Encoding::Utf16Be: return encodeUtf16(text, true, firstUnencodable);
  }
  return {};
}

}  // namespace textenc
