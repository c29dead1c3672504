// SPDX-License-Identifier: GPL-3.0-or-later
#include "reading/text_to_pinyin.h"

#include <QByteArray>
#include <QtEndian>
#include <algorithm>
#include <array>
#include <cstring>
#include <optional>

#include "platform/cp936.h"
#include "platform/input_method.h"
#include "program/program.h"
#include "reading/word_readings.h"

namespace {

constexpr int kMaxLayouts = 255;
// The candidate buffer: 255 bytes of spaces. A list that needs more gets a
// buffer of its own size, up to this bound, rather than overrunning.
constexpr quint32 kCandidateBuffer = 255;
constexpr quint32 kLargestList = 1 << 20;

// Only the space is trimmed, at both ends.
QStringView trimSpaces(QStringView s) {
  qsizetype from = 0, to = s.size();
  while (from < to && s[from] == u' ') ++from;
  while (to > from && s[to - 1] == u' ') --to;
  return s.sliced(from, to - from);
}

std::optional<InputMethod::Layout> findPinyinIme(InputMethod* ime) {
  if (!ime) return std::nullopt;
  const QList<InputMethod::Layout> layouts = ime->keyboardLayoutList();
  const qsizetype n = std::min<qsizetype>(layouts.size(), kMaxLayouts);
  for (qsizetype i = 0; i < n; ++i) {
    const std::optional<QString> written = ime->imeName(layouts[i]);
    if (!written) continue;
    // The buffer as the input method left it: padding trimmed, NULs removed.
    QStringView trimmed = trimSpaces(*written);
    if (!trimmed.contains(QChar(0))) {
      if (trimmed == kPinyinImeName) return layouts[i];
      continue;
    }
    QString name = trimmed.toString();
    name.remove(QChar(0));
    if (name == kPinyinImeName) return layouts[i];
  }
  return std::nullopt;
}

// The first reverse-conversion candidate of `c`, or `c` itself when the
// input method gives none.
QString readingOf(InputMethod* ime, InputMethod::Layout layout, QChar c) {
  const QString self(c);  // implicitly shared: cheap to hand back
  if (PinyinSkipMarks.contains(c)) return self;
  const QByteArray ansi = cp936::encodeChar(c.unicode());
  if (ansi.isEmpty() || !cp936::isLeadByte(static_cast<unsigned char>(ansi[0]))) return self;

  const int maxKey = ime->maxKey(layout);
  if (maxKey <= 0) return self;
  const quint32 needed = ime->reverseConversionList(layout, ansi, nullptr, 0);
  if (needed == 0 || needed > kLargestList) return self;

  std::array<char, kCandidateBuffer> small;
  QByteArray large;
  char* buffer = small.data();
  quint32 bufferLength = kCandidateBuffer;
  if (needed > kCandidateBuffer) {
    large = QByteArray(qsizetype(needed), ' ');
    buffer = large.data();
    bufferLength = needed;
  } else {
    small.fill(' ');
  }
  if (ime->reverseConversionList(layout, ansi, buffer, needed) == 0) return self;

  // The first candidate: the window of 2 x maxKey bytes at the offset the
  // list's first offset entry gives, cut at the buffer's end and at the
  // first NUL, read in the code page with spaces trimmed.
  const quint32 offset = qFromLittleEndian<quint32>(buffer + candidate_list::kHeaderSize);
  if (offset >= bufferLength) return QString();
  const quint32 window = quint32(std::min<quint64>(2 * quint64(maxKey), bufferLength - offset));
  const char* start = buffer + offset;
  const void* nul = std::memchr(start, 0, window);
  const qsizetype length = nul ? static_cast<const char*>(nul) - start : qsizetype(window);
  const QString text = cp936::decode(QByteArrayView(start, length));
  return trimSpaces(text).toString();
}

}  // namespace

QString TextToPinyin(InputMethod* ime, bool& PinyinImeMissing, const QString& text, int mode,
                     const QString& separator) {
  const QStringView t = trimSpaces(text);
  if (t.isEmpty()) return QString();

  const std::optional<InputMethod::Layout> layout = findPinyinIme(ime);
  if (!layout) {
    PinyinImeMissing = true;
    return QStringLiteral(" ");
  }

  QString result;
  result.reserve(t.size() * (8 + separator.size()));
  for (qsizetype i = 0; i < t.size(); ++i) {
    QString s;
    if (t[i].isHighSurrogate() && i + 1 < t.size() && t[i + 1].isLowSurrogate()) {
      // A character beyond the code page stays whole and reads as itself.
      s = t.sliced(i, 2).toString();
      ++i;
    } else {
      s = readingOf(ime, *layout, t[i]);
    }
    // An empty reading contributes nothing, not even the separator.
    if (s.isEmpty()) continue;
    // The last character, for mode 1: one or two UTF-16 units.
    const qsizetype last =
        s.size() >= 2 && s.back().isLowSurrogate() && s[s.size() - 2].isHighSurrogate() ? 2 : 1;
    switch (mode) {
      case 0:
        result += s;
        result += separator;
        break;
      case 1:
        result += QStringView(s).chopped(last);
        result += separator;
        break;
      case 2: {
        char32_t first = s[0].unicode();
        if (s[0].isHighSurrogate() && s.size() > 1 && s[1].isLowSurrogate())
          first = QChar::surrogateToUcs4(s[0], s[1]);
        const char32_t upper = QChar::toUpper(first);
        if (QChar::requiresSurrogates(upper)) {
          result += QChar(QChar::highSurrogate(upper));
          result += QChar(QChar::lowSurrogate(upper));
        } else {
          result += QChar(char16_t(upper));
        }
        break;
      }
      default: break;
    }
  }
  return result;
}

QString TextToPinyin(ReadingState& r, const QString& text, int mode, const QString& separator) {
  return TextToPinyin(r.ime, r.PinyinImeMissing, text, mode, separator);
}

namespace {
WordReadings::Options readingOptions(const ReadingState& r) {
  WordReadings::Options options;
  options.byWords = r.ReadByWords;
  options.toneSandhi = r.ReadToneSandhi;
  options.neutralTone = r.ReadNeutralTone;
  return options;
}
// A character's own reading, as the input method gives it.
WordReadings::OwnReading ownReading(ReadingState& r) {
  return [&r](QChar c) {
    const QString s = TextToPinyin(r, QString(c), 0, QStringLiteral(" "));
    return QStringView(s).trimmed().toString();
  };
}
}  // namespace

QString WordReadingIn(ReadingState& r, QStringView text, qsizetype at) {
  if ((!r.ReadByWords && !r.ReadToneSandhi) || !r.words) return {};
  return r.words->readingIn(text, at, readingOptions(r), ownReading(r));
}

QString WordReadingAt(Program& p, int pos) {
  if ((!p.reading.ReadByWords && !p.reading.ReadToneSandhi) || !p.reading.words || !p.txtFile)
    return {};
  return p.reading.words->readingAt(*p.txtFile, pos, readingOptions(p.reading),
                                    ownReading(p.reading));
}

QString TextToPinyinInWord(ReadingState& r, const QString& c, const QString& inWord, int mode,
                           const QString& separator) {
  QString alone = TextToPinyin(r, c, mode, separator);
  if (inWord.isEmpty() || c.size() != 1 || alone == QLatin1String(" ")) return alone;
  switch (mode) {
    case 0: return inWord + separator;
    case 1: return inWord.chopped(1) + separator;
    case 2: return inWord.left(1).toUpper();
    default: return alone;
  }
}
