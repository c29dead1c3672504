// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/cp936.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <array>
#include <memory>

namespace cp936 {
namespace {

// Lookup tables built once from the platform converter. A converter's error
// flag is sticky, so unencodable characters are told by the replacement '?'
// and invalid pairs by U+FFFD, not by hasError().
struct Tables {
  std::array<quint16, 65536> enc{};   // bytes (hi<<8|lo, or lo alone); 0xFFFF: none
  std::array<char16_t, 65536> dec{};  // index lead<<8|trail, or byte alone
  Tables() {
    QStringEncoder e("GBK", QStringConverter::Flag::Stateless);
    for (int c = 0; c < 65536; ++c) {
      if (c >= 0xD800 && c < 0xE000) {
        enc[c] = 0xFFFF;
        continue;
      }
      const QChar ch(static_cast<char16_t>(c));
      const QByteArray b = e.encode(QStringView(&ch, 1));
      if ((b == "?" && c != '?') || b.isEmpty() || b.size() > 2) enc[c] = 0xFFFF;
      else if (b.size() == 1) enc[c] = static_cast<unsigned char>(b[0]);
      else
        enc[c] = static_cast<quint16>(static_cast<unsigned char>(b[0]) << 8 |
                                      static_cast<unsigned char>(b[1]));
    }
    dec.fill(0xFFFD);
    QStringDecoder d("GBK", QStringConverter::Flag::Stateless);
    for (int b = 0; b < 256; ++b) {
      const char byte = static_cast<char>(b);
      const QString s = d.decode(QByteArrayView(&byte, 1));
      if (s.size() == 1) dec[b] = s.at(0).unicode();
    }
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
      for (int trail = 0x40; trail <= 0xFE; ++trail) {
        const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
        const QString s = d.decode(QByteArrayView(pair, 2));
        if (s.size() == 1) dec[lead << 8 | trail] = s.at(0).unicode();
      }
    }
  }
};

const Tables& tables() {
  static const std::unique_ptr<Tables> t = std::make_unique<Tables>();
  return *t;
}

}  // namespace

bool isLeadByte(unsigned char b) { return b >= 0x81 && b <= 0xFE; }

QByteArray encodeChar(char16_t c, bool* ok) {
  const quint16 v = tables().enc[c];
  if (ok) *ok = v != 0xFFFF;
  if (v == 0xFFFF) return QByteArray("?");
  if (v > 0xFF) {
    // Not QByteArray{a, b}: that is the (size, fill) constructor.
    const char pair[2] = {static_cast<char>(v >> 8), static_cast<char>(v & 0xFF)};
    return QByteArray(pair, 2);
  }
  return QByteArray(1, static_cast<char>(v));
}

char16_t decodeSingle(unsigned char b) { return tables().dec[b]; }

char16_t decodePair(unsigned char lead, unsigned char trail) {
  if (!isLeadByte(lead)) return 0xFFFD;
  return tables().dec[lead << 8 | trail];
}

namespace {

// An invalid byte kept in text: U+DC80..U+DCFF.
bool isKeptByte(char16_t c) { return c >= 0xDC80 && c <= 0xDCFF; }

QByteArray encodeText(QStringView text, qsizetype* firstUnencodable, bool keepBytes) {
  const auto& t = tables();
  QByteArray out(text.size() * 2, Qt::Uninitialized);
  char* o = out.data();
  const char16_t* in = text.utf16();
  const qsizetype n = text.size();
  qsizetype bad = -1;
  // A kept lead byte, by its offset in the bytes and its index in the text.
  qsizetype keptLeadAt = -1, keptLeadIndex = -1;
  auto checkKeptLead = [&]() {
    // A kept lead byte that would pair with the byte now after it would open
    // as another character, taking that byte with it: it is written as '?'.
    if (keptLeadAt < 0) return;
    const char* base = out.constData();
    const auto lead = static_cast<unsigned char>(base[keptLeadAt]);
    const auto next = static_cast<unsigned char>(base[keptLeadAt + 1]);
    if (t.dec[lead << 8 | next] != 0xFFFD) {
      out.data()[keptLeadAt] = '?';
      if (bad < 0 || keptLeadIndex < bad) bad = keptLeadIndex;
    }
    keptLeadAt = -1;
  };
  for (qsizetype i = 0; i < n; ++i) {
    const char16_t c = in[i];
    const quint16 v = t.enc[c];
    const qsizetype before = o - out.constData();
    if (keepBytes && isKeptByte(c)) {
      *o++ = static_cast<char>(c & 0xFF);
    } else if (v == 0xFFFF) {
      if (bad < 0) bad = i;
      // A surrogate pair is one character and one replacement.
      if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(in[i + 1])) ++i;
      *o++ = '?';
    } else if (v > 0xFF) {
      *o++ = static_cast<char>(v >> 8);
      *o++ = static_cast<char>(v & 0xFF);
    } else {
      *o++ = static_cast<char>(v);
    }
    // The byte after a kept lead byte is now written.
    if (keptLeadAt >= 0 && keptLeadAt < before) checkKeptLead();
    if (keepBytes && isKeptByte(c) && isLeadByte(static_cast<unsigned char>(c & 0xFF))) {
      keptLeadAt = before;
      keptLeadIndex = i;
    }
  }
  // A kept lead byte at the very end stays alone.
  out.truncate(o - out.constData());
  if (firstUnencodable) *firstUnencodable = bad;
  return out;
}

QString decodeBytes(QByteArrayView bytes, bool* ok, bool keepBytes) {
  const auto& t = tables();
  bool good = true;
  QString out(bytes.size(), Qt::Uninitialized);
  char16_t* o = reinterpret_cast<char16_t*>(out.data());
  const unsigned char* in = reinterpret_cast<const unsigned char*>(bytes.data());
  const qsizetype n = bytes.size();
  for (qsizetype i = 0; i < n; ++i) {
    const unsigned char b = in[i];
    const char16_t invalid = keepBytes ? char16_t(0xDC00 + b) : char16_t(0xFFFD);
    if (!isLeadByte(b)) {
      const char16_t c = t.dec[b];
      if (c == 0xFFFD) {
        good = false;
        *o++ = invalid;
      } else {
        *o++ = c;
      }
      continue;
    }
    if (i + 1 >= n) {  // a lead byte at the very end
      good = false;
      *o++ = invalid;
      break;
    }
    const char16_t c = t.dec[b << 8 | in[i + 1]];
    if (c == 0xFFFD) {
      // Not a valid pair: the lead byte alone is invalid, the next byte
      // starts afresh.
      good = false;
      *o++ = invalid;
      continue;
    }
    *o++ = c;
    ++i;
  }
  out.truncate(o - reinterpret_cast<const char16_t*>(out.constData()));
  if (ok) *ok = good;
  return out;
}

}  // namespace

QByteArray encode(QStringView text, qsizetype* firstUnencodable) {
  return encodeText(text, firstUnencodable, false);
}
QString decode(QByteArrayView bytes, bool* ok) { return decodeBytes(bytes, ok, false); }
QByteArray encodeKeepingBytes(QStringView text, qsizetype* firstUnencodable) {
  return encodeText(text, firstUnencodable, true);
}
QString decodeKeepingBytes(QByteArrayView bytes) { return decodeBytes(bytes, nullptr, true); }

}  // namespace cp936
