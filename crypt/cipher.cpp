// SPDX-License-Identifier: GPL-3.0-or-later
#include "crypt/cipher.h"

#include <algorithm>
#include <array>
#include <memory>

#include "platform/cp936.h"

namespace cipher {
namespace {

constexpr qsizetype kProgressStep = 1 << 16;  // characters between progress reports

int codeOf(char16_t c) {
  const QByteArray b = cp936::encodeChar(c);
  if (b.size() == 2)
    return static_cast<unsigned char>(b[0]) * 256 + static_cast<unsigned char>(b[1]) - 65536;
  if (b.size() == 1) return static_cast<unsigned char>(b[0]);
  return '?';
}

char16_t characterOf(int n) {
  if (n >= 0 && n <= 255) return cp936::decodeSingle(static_cast<unsigned char>(n));
  const int m = ((n % 65536) + 65536) % 65536;
  return cp936::decodePair(static_cast<unsigned char>(m / 256),
                           static_cast<unsigned char>(m % 256));
}

// Every character's unit worked out once, so that a text of any length is
// one table look-up per character.
struct Tables {
  std::array<qint16, 65536> codes{};
  // The shifted unit of each character, or 0 when the character is escaped
  // (no character shifts onto U+0000: that would need the code -8).
  std::array<char16_t, 65536> shifted{};
  // What a body character decrypts to: character(code(u) - 8).
  std::array<char16_t, 65536> back{};
  // The plain characters whose shifted units spell the escape marker.
  QString markerSource;

  Tables() {
    for (int c = 0; c < 65536; ++c)
      codes[c] = static_cast<qint16>(codeOf(static_cast<char16_t>(c)));
    for (int u = 0; u < 65536; ++u) back[u] = characterOf(codes[u] - 8);
    for (int c = 0; c < 65536; ++c) {
      const char16_t s = characterOf(codes[c] + 8);
      // A raw CR or LF in the encrypted text would not survive the editor
      // (a lone CR becomes a line break) nor a save and reload (which adds
      // CR LF at the end), and decryption drops the spaces at the end that
      // another editor may add, so the three characters that would shift
      // onto CR, LF and space are escaped instead.
      const bool fragile = s == u'\r' || s == u'\n' || s == u' ';
      shifted[c] = (s != 0 && back[s] == c && !fragile) ? s : 0;
    }
    for (const QChar m : kEscapeMarker) {
      const char16_t src = back[m.unicode()];
      if (shifted[src] != m.unicode()) {
        markerSource.clear();
        break;
      }
      markerSource.append(QChar(src));
    }
  }
};

const Tables& tables() {
  static const std::unique_ptr<Tables> t = std::make_unique<Tables>();
  return *t;
}

}  // namespace

int code(char16_t c) { return tables().codes[c]; }

char16_t character(int n) { return characterOf(n); }

QString passwordBlock(QStringView password) {
  QString block = kHeader;
  for (qsizetype i = 0; i < password.size(); ++i) {
    const qsizetype k = i + 1;
    block += QString::number(code(password[i].unicode()) + k);
    block += kSeparator;
    block += QString::number(k);
  }
  block += kTrailer;
  return block;
}

bool isBlankPassword(QStringView password) {
  for (const QChar c : password)
    if (c != QLatin1Char(' ')) return false;
  return true;
}

QString bodyUnit(char16_t c) {
  const char16_t s = tables().shifted[c];
  if (s) return QString(QChar(s));
  return kEscapeMarker + QChar(c);
}

QString encrypt(QStringView plain, QStringView password, const Progress& progress) {
  const Tables& t = tables();
  if (progress) progress(0.0);
  QString out = passwordBlock(password);
  const qsizetype n = plain.size();
  out.reserve(out.size() + n + n / 16 + kEscapeMarker.size() + 1);
  const char16_t markerStart = t.markerSource.isEmpty() ? 0 : t.markerSource.at(0).unicode();
  for (qsizetype i = 0; i < n; ++i) {
    const char16_t c = plain[i].unicode();
    const char16_t s = t.shifted[c];
    // Shifted units that would spell the escape marker would read back as an
    // escape; the first of them is escaped so the text comes back unchanged.
    const bool spellsMarker =
        c == markerStart && markerStart != 0 && plain.mid(i).startsWith(t.markerSource);
    if (s && !spellsMarker) {
      out.append(QChar(s));
    } else {
      out.append(kEscapeMarker);
      out.append(QChar(c));
    }
    if (progress && (i + 1) % kProgressStep == 0) progress(double(i + 1) / double(n) * 100.0);
  }
  if (progress) progress(100.0);
  return out;
}

std::optional<QString> decrypt(QStringView encrypted, QStringView password,
                               const Progress& progress) {
  // Saving and reopening an encrypted text adds CR LF at its end, and other
  // editors may add a lone LF or CR, or spaces. The cipher never writes a raw
  // CR, LF or space, so trailing line breaks and spaces are not part of the
  // body.
  qsizetype end = encrypted.size();
  while (end > 0) {
    const QChar last = encrypted[end - 1];
    if (last != QLatin1Char('\r') && last != QLatin1Char('\n') && last != QLatin1Char(' ')) break;
    --end;
  }
  const QStringView text = encrypted.first(end);

  const QString block = passwordBlock(password);
  if (!text.startsWith(block, Qt::CaseSensitive)) return std::nullopt;

  const Tables& t = tables();
  if (progress) progress(0.0);
  const QStringView body = text.sliced(block.size());
  const qsizetype m = body.size();
  const qsizetype markerLen = kEscapeMarker.size();
  const char16_t markerStart = kEscapeMarker.at(0).unicode();
  QString out;
  out.reserve(m);
  qsizetype nextReport = kProgressStep;
  for (qsizetype j = 0; j < m; ++j) {
    const char16_t u = body[j].unicode();
    if (u == markerStart && m - j >= markerLen && body.sliced(j, markerLen) == kEscapeMarker) {
      j += markerLen;
      if (j < m) out.append(body[j]);  // nothing when the marker ends the body
    } else {
      out.append(QChar(t.back[u]));
    }
    if (progress && j + 1 >= nextReport) {
      progress(std::min(100.0, double(j + 1) / double(m) * 100.0));
      nextReport = j + 1 + kProgressStep;
    }
  }
  if (progress) progress(100.0);
  return out;
}

}  // namespace cipher
