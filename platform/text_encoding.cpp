#include "platform/text_encoding.h"

#include <cstring>

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

QString decodeUtf8(QByteArrayView bytes) {
  if (firstInvalidUtf8(bytes, nullptr) < 0) return QString::fromUtf8(bytes);
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
    out.append(QString::fromUtf8(bytes.sliced(run, i - run)));
    out.append(QChar(char16_t(0xDC00 + s[i])));
    run = ++i;
  }
  out.append(QString::fromUtf8(bytes.sliced(run)));
  return out;
}

QByteArray encodeUtf8(QStringView text, qsizetype* firstUnencodable) {
  const qsizetype n = text.size();
  QByteArray out;
  out.reserve(n * 3);
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
      out.append(static_cast<char>(c.unicode() & 0xFF));  // a kept byte
    } else {
      if (firstUnencodable && *firstUnencodable < 0) *firstUnencodable = i;
      out.append('?');
    }
    run = i + 1;
  }
  out.append(text.mid(run).toUtf8());
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
  if (bigEndian) out.append("\xFE\xFF", 2);
  else out.append("\xFF\xFE", 2);
  const qsizetype n = text.size();
  for (qsizetype i = 0; i < n; ++i) {
    const char16_t c = text[i].unicode();
    if (!QChar::isSurrogate(c)) {
      put(c);
    } else if (QChar::isHighSurrogate(c) && i + 1 < n && text[i + 1].isLowSurrogate()) {
      put(c);
      put(text[++i].unicode());
    } else if (c >= 0xDC00 && c <= 0xDCFF) {
      out.append(static_cast<char>(c & 0xFF));  // a kept byte
    } else {
      if (firstUnencodable && *firstUnencodable < 0) *firstUnencodable = i;
      put(u'?');
    }
  }
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
  if (firstInvalidUtf8(bytes, &nonAscii) < 0 && nonAscii) return Encoding::Utf8;
  return Encoding::Gbk;
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
