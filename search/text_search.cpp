#include "search/text_search.h"

#include <QChar>
#include <algorithm>

QString UpperForSearch(QStringView s) {
  QString out(s.size(), Qt::Uninitialized);
  QChar* o = out.data();
  const qsizetype n = s.size();
  for (qsizetype i = 0; i < n; ++i) {
    const char16_t c = s[i].unicode();
    if (c < 0x80) {
      o[i] = QChar(c >= u'a' && c <= u'z' ? char16_t(c - 0x20) : c);
    } else if (QChar::isHighSurrogate(c) && i + 1 < n && s[i + 1].isLowSurrogate()) {
      const char32_t cp = QChar::surrogateToUcs4(c, s[i + 1].unicode());
      const char32_t up = QChar::toUpper(cp);
      const bool keep = !QChar::requiresSurrogates(up);  // one character for one
      o[i] = keep ? QChar(c) : QChar(QChar::highSurrogate(up));
      o[i + 1] = keep ? s[i + 1] : QChar(QChar::lowSurrogate(up));
      ++i;
    } else {
      const char32_t up = QChar::toUpper(char32_t(c));
      o[i] = QChar::requiresSurrogates(up) ? QChar(c) : QChar(char16_t(up));
    }
  }
  return out;
}

int FindInText(QStringView text, int selStart, int selLength, QStringView find, bool matchCase,
               bool upward) {
  const qsizetype total = text.size();
  const qsizetype n = find.size();
  const qsizetype start = std::clamp<qsizetype>(selStart, 0, total);
  const qsizetype first = upward ? start - 1 : start + std::max(0, selLength);
  if (first < 0 || first >= total) return -1;  // no candidate at all
  if (n == 0) return static_cast<int>(first);
  if (upward) {
    // Only the characters up to the end of the first candidate can take part.
    const QStringView part = text.first(std::min(total, first + n));
    if (matchCase) return static_cast<int>(part.lastIndexOf(find, first));
    return static_cast<int>(QStringView(UpperForSearch(part)).lastIndexOf(UpperForSearch(find), first));
  }
  if (matchCase) return static_cast<int>(text.indexOf(find, first));
  const qsizetype at = QStringView(UpperForSearch(text.sliced(first))).indexOf(UpperForSearch(find));
  return at < 0 ? -1 : static_cast<int>(first + at);
}

ReplaceAllResult ReplaceAllInText(QStringView text, QStringView find, QStringView replacement,
                                  bool matchCase) {
  ReplaceAllResult r;
  if (find.isEmpty()) {
    r.text = text.toString();
    return r;
  }
  QString upperText, upperFind;
  if (!matchCase) {
    upperText = UpperForSearch(text);
    upperFind = UpperForSearch(find);
  }
  const QStringView hay = matchCase ? text : QStringView(upperText);
  const QStringView needle = matchCase ? find : QStringView(upperFind);
  const qsizetype n = find.size();

  qsizetype p = 0;
  qsizetype at = hay.indexOf(needle, p);
  if (at < 0) {
    r.text = text.toString();
    return r;
  }
  r.text.reserve(text.size() + std::max<qsizetype>(0, replacement.size() - n) * 16);
  for (; at >= 0; at = hay.indexOf(needle, p)) {
    r.text.append(text.sliced(p, at - p));
    r.text.append(replacement);
    p = at + n;
    ++r.count;
  }
  r.text.append(text.sliced(p));
  return r;
}
