// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/text_search.h"

#include <QChar>
#include <QRegularExpression>
#include <algorithm>
#include <memory>

namespace {

// The upper-case form of every UTF-16 unit, built once: the searches go over
// whole documents and look each character up here. A unit whose upper case
// lies outside the first plane, and every surrogate, stands for itself.
const char16_t* upperTable() {
  static const std::unique_ptr<char16_t[]> table = [] {
    auto t = std::make_unique<char16_t[]>(0x10000);
    for (char32_t u = 0; u < 0x10000; ++u) {
      const char32_t up = QChar::isSurrogate(u) ? u : QChar::toUpper(u);
      t[u] = QChar::requiresSurrogates(up) ? char16_t(u) : char16_t(up);
    }
    return t;
  }();
  return table.get();
}

void upperInto(QStringView s, char16_t* o) {
  const char16_t* upper = upperTable();
  const qsizetype n = s.size();
  const char16_t* in = s.utf16();
  for (qsizetype i = 0; i < n; ++i) {
    const char16_t c = in[i];
    o[i] = upper[c];
    if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(in[i + 1])) {
      // A letter beyond the first plane keeps its length when upper-cased.
      const char32_t up = QChar::toUpper(QChar::surrogateToUcs4(c, in[i + 1]));
      if (QChar::requiresSurrogates(up)) {
        o[i] = QChar::highSurrogate(up);
        o[i + 1] = QChar::lowSurrogate(up);
      } else {
        o[i + 1] = in[i + 1];
      }
      ++i;
    }
  }
}

// Between the CR and the LF of a line break: the control places no caret and
// no selection start there, so no occurrence starts there.
bool insideBreak(QStringView text, qsizetype p) {
  return p > 0 && p < text.size() && text[p] == u'\n' && text[p - 1] == u'\r';
}

// Finds the find text in the text by the comparison rule. Without match case
// the text is upper-cased a piece at a time into one small buffer, so a search
// over a whole document neither copies the document nor leaves the cache.
class Matcher {
 public:
  Matcher(QStringView text, QStringView find, bool matchCase)
      : text_(text), find_(find), matchCase_(matchCase), n_(find.size()) {
    if (!matchCase_) {
      upperFind_ = UpperForSearch(find);
      buffer_.resize(kPiece + n_);
    }
  }

  // The first occurrence starting at or after `from`, or -1.
  qsizetype next(qsizetype from) {
    qsizetype at = nextAnywhere(from);
    while (at >= 0 && insideBreak(text_, at)) at = nextAnywhere(at + 1);
    return at;
  }

  // The last occurrence starting at or before `from`, or -1. It may extend
  // past `from`.
  qsizetype previous(qsizetype from) {
    qsizetype at = previousAnywhere(from);
    while (at >= 0 && insideBreak(text_, at)) at = previousAnywhere(at - 1);
    return at;
  }

 private:
  static constexpr qsizetype kPiece = 1 << 16;  // starts of candidates per piece

  qsizetype nextAnywhere(qsizetype from) {
    if (matchCase_) return text_.indexOf(find_, from);
    const qsizetype total = text_.size();
    while (from >= 0 && from + n_ <= total) {
      if (!(loaded_ && from >= pieceStart_ && from < pieceStart_ + kPiece)) load(from);
      const qsizetype at = piece().indexOf(upperFind_, from - pieceStart_);
      if (at >= 0) return pieceStart_ + at;
      from = pieceStart_ + kPiece;
    }
    return -1;
  }

  qsizetype previousAnywhere(qsizetype from) {
    if (from < 0) return -1;
    if (matchCase_) return text_.lastIndexOf(find_, from);
    for (qsizetype hi = std::min(from, text_.size() - n_); hi >= 0; hi -= kPiece) {
      load(std::max<qsizetype>(0, hi - kPiece + 1));
      const qsizetype at = piece().lastIndexOf(upperFind_, hi - pieceStart_);
      if (at >= 0) return pieceStart_ + at;
    }
    return -1;
  }

  // Upper-cases the characters that occurrences starting in
  // [start, start + kPiece) can touch.
  void load(qsizetype start) {
    pieceStart_ = start;
    pieceLength_ = std::min(text_.size() - start, kPiece + n_ - 1);
    upperInto(text_.sliced(start, pieceLength_), reinterpret_cast<char16_t*>(buffer_.data()));
    loaded_ = true;
  }
  QStringView piece() const { return QStringView(buffer_).first(pieceLength_); }

  QStringView text_, find_;
  bool matchCase_;
  qsizetype n_;
  QString upperFind_, buffer_;
  bool loaded_ = false;
  qsizetype pieceStart_ = 0, pieceLength_ = 0;
};

}  // namespace

QString UpperForSearch(QStringView s) {
  QString out(s.size(), Qt::Uninitialized);
  upperInto(s, reinterpret_cast<char16_t*>(out.data()));
  return out;
}

int FindInText(QStringView text, int selStart, int selLength, QStringView find, bool matchCase,
               bool upward) {
  const qsizetype total = text.size();
  const qsizetype start = std::clamp<qsizetype>(selStart, 0, total);
  qsizetype first = upward ? start - 1 : start + std::max(0, selLength);
  if (find.isEmpty()) {
    // The empty find text matches at the first candidate.
    if (insideBreak(text, first)) first += upward ? -1 : 1;
    return first < 0 || first >= total ? -1 : static_cast<int>(first);
  }
  if (first < 0 || first >= total) return -1;  // no candidate at all
  Matcher m(text, find, matchCase);
  return static_cast<int>(upward ? m.previous(first) : m.next(first));
}

ReplaceAllResult ReplaceAllInText(QStringView text, QStringView find, QStringView replacement,
                                  bool matchCase) {
  ReplaceAllResult r;
  if (find.isEmpty()) {
    r.text = text.toString();
    return r;
  }
  Matcher m(text, find, matchCase);
  const qsizetype n = find.size();
  qsizetype p = 0;
  qsizetype at = m.next(p);
  if (at < 0) {
    r.text = text.toString();
    return r;
  }
  r.text.reserve(text.size() + std::max<qsizetype>(0, replacement.size() - n) * 16);
  for (; at >= 0; at = m.next(p)) {
    r.text.append(text.sliced(p, at - p));
    r.text.append(replacement);
    p = at + n;
    ++r.count;
  }
  r.text.append(text.sliced(p));
  return r;
}

namespace {

QRegularExpression regexOf(const SearchPattern& p) {
  QRegularExpression::PatternOptions o = QRegularExpression::UseUnicodePropertiesOption;
  if (!p.matchCase) o |= QRegularExpression::CaseInsensitiveOption;
  return QRegularExpression(p.text, o);
}

// The first non-empty match of `re` starting at or after `from` and not
// between a CR and its LF.
SearchHit nextRegex(const QRegularExpression& re, QStringView text, qsizetype from) {
  while (from >= 0 && from < text.size()) {
    const QRegularExpressionMatch m = re.match(text, from);
    if (!m.hasMatch()) return {};
    const qsizetype at = m.capturedStart(), len = m.capturedLength();
    if (len > 0 && !insideBreak(text, at)) return {int(at), int(len)};
    from = at + 1;
  }
  return {};
}

// A walk over the occurrences left to right without overlap.
class Occurrences {
 public:
  Occurrences(QStringView text, const SearchPattern& p)
      : text_(text), p_(p), matcher_(text, p.text, p.matchCase) {
    if (p.regex) re_ = regexOf(p);
  }
  bool usable() const { return !p_.text.isEmpty() && (!p_.regex || re_.isValid()); }
  SearchHit next(qsizetype from) {
    if (p_.regex) return nextRegex(re_, text_, from);
    const qsizetype at = matcher_.next(from);
    return at < 0 ? SearchHit{} : SearchHit{int(at), int(p_.text.size())};
  }

 private:
  QStringView text_;
  const SearchPattern& p_;
  Matcher matcher_;
  QRegularExpression re_;
};

}  // namespace

QString PatternError(const SearchPattern& pattern) {
  if (!pattern.regex) return {};
  const QRegularExpression re = regexOf(pattern);
  return re.isValid() ? QString() : re.errorString();
}

SearchHit FindPattern(QStringView text, int selStart, int selLength, const SearchPattern& pattern,
                      bool upward) {
  if (!pattern.regex) {
    const int at = FindInText(text, selStart, selLength, pattern.text, pattern.matchCase, upward);
    return at < 0 ? SearchHit{} : SearchHit{at, int(pattern.text.size())};
  }
  const QRegularExpression re = regexOf(pattern);
  if (!re.isValid() || pattern.text.isEmpty()) return {};
  const qsizetype total = text.size();
  const qsizetype start = std::clamp<qsizetype>(selStart, 0, total);
  if (!upward) return nextRegex(re, text, start + std::max(0, selLength));
  // Upward: of the matches left to right without overlap, the last that
  // starts at or before the first candidate.
  const qsizetype first = start - 1;
  SearchHit best;
  for (SearchHit h = nextRegex(re, text, 0); h.start >= 0 && h.start <= first;
       h = nextRegex(re, text, h.start + h.length))
    best = h;
  return best;
}

QList<SearchHit> MatchesIn(QStringView text, int from, int to, const SearchPattern& pattern) {
  QList<SearchHit> hits;
  Occurrences o(text, pattern);
  if (!o.usable()) return hits;
  to = std::min<int>(to, int(text.size()));
  for (SearchHit h = o.next(std::max(0, from)); h.start >= 0 && h.start < to;
       h = o.next(h.start + h.length))
    hits.push_back(h);
  return hits;
}

int CountMatches(QStringView text, const SearchPattern& pattern, int at, int* index) {
  *index = 0;
  Occurrences o(text, pattern);
  if (!o.usable()) return 0;
  int count = 0;
  for (SearchHit h = o.next(0); h.start >= 0; h = o.next(h.start + h.length)) {
    ++count;
    if (h.start <= at) *index = count;
  }
  return count;
}
