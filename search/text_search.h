// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The search and the replace-all over plain text, apart from any widget.
// Positions and lengths count UTF-16 units, as the edit control's `Text`,
// `SelStart` and `SelLength` do.
#include <QList>
#include <QString>
#include <QStringView>

// The text as the case-insensitive comparison sees it: every character by its
// upper-case form, one character for one, so that a position in the result is
// the same position in the text. Chinese characters are left as they are.
QString UpperForSearch(QStringView s);

// Searches `text` for `find` from the editor's selection (start `selStart`,
// length `selLength`, 0 when nothing is selected). Downward, the first
// candidate is the first character after the selection, or the caret, and
// candidates run to the end. Upward, the first candidate is the character
// just before the selection start (or the caret), so an occurrence that ends
// where the selection begins is found; an upward match may extend past the
// caret. A candidate too close to the end to hold the whole find text never
// matches. No candidate lies between the CR and the LF of a line break, where
// the control cannot start a selection. The empty find text matches at the
// first candidate, if there is one. Returns the position of the occurrence,
// or -1 when there is none.
int FindInText(QStringView text, int selStart, int selLength, QStringView find, bool matchCase,
               bool upward);

struct ReplaceAllResult {
  QString text;
  int count = 0;  // occurrences replaced
};

// Replaces every occurrence of `find` in `text` by `replacement`, left to
// right without overlap: after a replacement the scan goes on at the first
// character after the inserted text, so the inserted text is never searched
// again. As in the search, no occurrence starts between a CR and its LF. An
// empty find text replaces nothing. One pass over the text.
ReplaceAllResult ReplaceAllInText(QStringView text, QStringView find, QStringView replacement,
                                  bool matchCase);

// What a search looks for: a plain text compared by the rule above, or a
// regular expression (letter case ignored unless `matchCase`).
struct SearchPattern {
  QString text;
  bool matchCase = false;
  bool regex = false;
};

struct SearchHit {
  int start = -1;  // -1: none
  int length = 0;
};

// The error of a pattern that is no valid regular expression; empty when
// the pattern is usable.
QString PatternError(const SearchPattern& pattern);

// As FindInText, for either kind of pattern. A regular expression never
// gives an empty match (one that matches nothing at a place goes on to
// the next place), and a bad one finds nothing.
SearchHit FindPattern(QStringView text, int selStart, int selLength, const SearchPattern& pattern,
                      bool upward);

// The occurrences that start in [from, to), left to right without overlap,
// with positions of `text`.
QList<SearchHit> MatchesIn(QStringView text, int from, int to, const SearchPattern& pattern);

// How many occurrences the text holds (left to right without overlap), and
// in `index` how many of them start at or before `at` (so the number of
// the one at `at`, counting from 1).
int CountMatches(QStringView text, const SearchPattern& pattern, int at, int* index);
