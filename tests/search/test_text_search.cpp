// SPDX-License-Identifier: GPL-3.0-or-later
// The search and the replace-all over plain strings.
#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <QString>
#include <vector>

#include "search/text_search.h"

namespace {

struct FindCase {
  const char* name;
  QString text;
  int selStart, selLength;
  QString find;
  bool matchCase, upward;
  int expected;
};

void PrintTo(const FindCase& c, std::ostream* os) { *os << c.name; }

class FindTable : public ::testing::TestWithParam<FindCase> {};

TEST_P(FindTable, FindsWhereExpected) {
  const FindCase& c = GetParam();
  EXPECT_EQ(FindInText(c.text, c.selStart, c.selLength, c.find, c.matchCase, c.upward), c.expected);
}

const bool kCase = true, kNoCase = false, kUp = true, kDown = false;

INSTANTIATE_TEST_SUITE_P(
    Search, FindTable,
    ::testing::Values(
        FindCase{"up_from_start_no_candidate", "abc", 0, 0, "a", kNoCase, kUp, -1},
        FindCase{"down_from_end_no_candidate", "abc", 3, 0, "c", kNoCase, kDown, -1},
        FindCase{"down_from_caret", "abcabc", 0, 0, "ABC", kNoCase, kDown, 0},
        FindCase{"down_after_selection", "abcabc", 0, 3, "ABC", kNoCase, kDown, 3},
        FindCase{"down_after_last", "abcabc", 3, 3, "ABC", kNoCase, kDown, -1},
        FindCase{"match_case_refuses_other_case", "abcabc", 0, 0, "ABC", kCase, kDown, -1},
        FindCase{"match_case_finds_exact", "ABCabc", 0, 0, "abc", kCase, kDown, 3},
        FindCase{"down_from_inside_a_word", "abcabc", 1, 0, "abc", kNoCase, kDown, 3},
        // The occurrence ending where the selection begins is found upward.
        FindCase{"up_right_before_selection", "abab", 2, 2, "ab", kNoCase, kUp, 0},
        FindCase{"up_from_end", "xxabyyab", 8, 0, "ab", kNoCase, kUp, 6},
        FindCase{"up_from_selection", "xxabyyab", 6, 2, "ab", kNoCase, kUp, 2},
        FindCase{"up_past_first", "xxabyyab", 2, 2, "ab", kNoCase, kUp, -1},
        FindCase{"up_match_may_pass_caret", "abcd", 1, 0, "abc", kNoCase, kUp, 0},
        FindCase{"up_overlapping_selection_start", "aaa", 1, 1, "aa", kNoCase, kUp, 0},
        FindCase{"too_long_for_the_rest_down", "abcab", 3, 0, "abc", kNoCase, kDown, -1},
        FindCase{"too_long_for_the_text", "abc", 0, 0, "abcd", kNoCase, kDown, -1},
        FindCase{"too_long_for_the_rest_up", "xab", 3, 0, "abx", kNoCase, kUp, -1},
        FindCase{"empty_find_down_takes_caret", "abc", 2, 0, "", kNoCase, kDown, 2},
        FindCase{"empty_find_down_after_selection", "abc", 0, 2, "", kNoCase, kDown, 2},
        FindCase{"empty_find_down_at_end", "abc", 3, 0, "", kNoCase, kDown, -1},
        FindCase{"empty_find_up", "abc", 2, 0, "", kNoCase, kUp, 1},
        FindCase{"empty_find_up_at_start", "abc", 0, 0, "", kNoCase, kUp, -1},
        FindCase{"empty_text", "", 0, 0, "a", kNoCase, kDown, -1},
        FindCase{"chinese_after_selection", "中文中文", 0, 2, "中文", kNoCase, kDown, 2},
        FindCase{"across_line_break", "ab\r\ncd\r\ncd", 0, 0, "cd", kNoCase, kDown, 4},
        FindCase{"break_inside_find_text", "ab\r\ncd", 0, 0, "b\r\nc", kNoCase, kDown, 1},
        FindCase{"break_starting_find_text", "ab\r\ncd", 0, 0, "\r\nc", kNoCase, kDown, 2},
        FindCase{"no_start_between_cr_and_lf", "a\r\nb\nb", 0, 0, "\nb", kNoCase, kDown, 4},
        FindCase{"no_start_between_cr_and_lf_up", "a\nb\r\nb", 6, 0, "\nb", kNoCase, kUp, 1},
        FindCase{"empty_find_down_over_break", "a\r\nb", 0, 2, "", kNoCase, kDown, 3},
        FindCase{"empty_find_up_over_break", "a\r\nb", 3, 0, "", kNoCase, kUp, 1},
        FindCase{"latin_accents_no_case", "xÄBC", 0, 0, "äbc", kNoCase, kDown, 1},
        FindCase{"full_width_no_case", "ＡＢ", 0, 0, "ａｂ", kNoCase, kDown, 0},
        FindCase{"full_width_match_case", "ＡＢ", 0, 0, "ａｂ", kCase, kDown, -1},
        FindCase{"supplementary_letters_no_case", QString::fromUtf8("x\xF0\x90\x90\x80"), 0, 0,
                 QString::fromUtf8("\xF0\x90\x90\xA8"), kNoCase, kDown, 1}),
    [](const auto& info) { return std::string(info.param.name); });

struct ReplaceCase {
  const char* name;
  QString text, find, replacement;
  bool matchCase;
  QString expected;
  int count;
};

void PrintTo(const ReplaceCase& c, std::ostream* os) { *os << c.name; }

class ReplaceTable : public ::testing::TestWithParam<ReplaceCase> {};

TEST_P(ReplaceTable, ReplacesLeftToRightWithoutOverlap) {
  const ReplaceCase& c = GetParam();
  const ReplaceAllResult r = ReplaceAllInText(c.text, c.find, c.replacement, c.matchCase);
  EXPECT_EQ(r.text, c.expected);
  EXPECT_EQ(r.count, c.count);
}

INSTANTIATE_TEST_SUITE_P(
    Search, ReplaceTable,
    ::testing::Values(
        ReplaceCase{"every_char", "aaa", "a", "b", kNoCase, "bbb", 3},
        ReplaceCase{"delete", "aab", "a", "", kNoCase, "b", 2},
        ReplaceCase{"inserted_text_not_searched", "aXa", "a", "ab", kNoCase, "abXab", 2},
        ReplaceCase{"longer_replacement", "aXaXa", "a", "bbb", kNoCase, "bbbXbbbXbbb", 3},
        ReplaceCase{"replacement_holds_find_text", "aa", "a", "aa", kNoCase, "aaaa", 2},
        ReplaceCase{"no_case_takes_both", "abc ABC Abc", "abc", "x", kNoCase, "x x x", 3},
        ReplaceCase{"match_case_takes_exact", "abc ABC Abc", "abc", "x", kCase, "x ABC Abc", 1},
        ReplaceCase{"no_overlap_even", "aaaa", "aa", "b", kNoCase, "bb", 2},
        ReplaceCase{"no_overlap_odd", "aaa", "aa", "b", kNoCase, "ba", 1},
        ReplaceCase{"nothing_found", "hello", "z", "y", kNoCase, "hello", 0},
        ReplaceCase{"empty_find_replaces_nothing", "abc", "", "x", kNoCase, "abc", 0},
        ReplaceCase{"chinese", "你好世界你好", "你好", "您好", kNoCase, "您好世界您好", 2},
        ReplaceCase{"line_breaks", "a\r\nb\r\n", "\r\n", " ", kNoCase, "a b ", 2},
        ReplaceCase{"not_between_cr_and_lf", "x\r\nab\nab", "\nab", "Z", kNoCase, "x\r\nabZ", 1}),
    [](const auto& info) { return std::string(info.param.name); });

// The rules as plainly written: candidates one by one, each compared after
// upper-casing both sides; the replace-all edits the text as it goes.
bool matchesAt(const QString& t, qsizetype p, const QString& f, bool matchCase) {
  if (p + f.size() > t.size()) return false;
  if (p > 0 && t[p - 1] == u'\r' && t[p] == u'\n') return false;  // no selection starts there
  const QString piece = t.mid(p, f.size());
  return matchCase ? piece == f : UpperForSearch(piece) == UpperForSearch(f);
}

int plainFind(const QString& t, int s, int l, const QString& f, bool matchCase, bool upward) {
  if (upward) {
    for (qsizetype p = s - 1; p >= 0; --p)
      if (matchesAt(t, p, f, matchCase)) return static_cast<int>(p);
    return -1;
  }
  for (qsizetype p = s + l; p < t.size(); ++p)
    if (matchesAt(t, p, f, matchCase)) return static_cast<int>(p);
  return -1;
}

// Continuing after the inserted text is continuing after the occurrence in
// the text as it was.
QString plainReplaceAll(const QString& t, const QString& f, const QString& r, bool matchCase) {
  QString out;
  qsizetype p = 0;
  while (p < t.size()) {
    if (matchesAt(t, p, f, matchCase)) {
      out += r;
      p += f.size();
    } else {
      out += t[p++];
    }
  }
  return out;
}

QString randomString(QRandomGenerator& g, int maxLen) {
  static const QString alphabet = QStringLiteral("aAbB中\r\n");
  QString s;
  const int len = g.bounded(maxLen + 1);
  for (int i = 0; i < len; ++i) s.append(alphabet[g.bounded(alphabet.size())]);
  return s;
}

TEST(SearchAgreesWithPlainRules, OnRandomTexts) {
  QRandomGenerator g(7);
  for (int round = 0; round < 3000; ++round) {
    const QString t = randomString(g, 14);
    QString f = randomString(g, 3);
    if (f.isEmpty()) f = QStringLiteral("a");
    const bool matchCase = g.bounded(2), upward = g.bounded(2);
    const int s = g.bounded(static_cast<int>(t.size()) + 1);
    const int l = g.bounded(static_cast<int>(t.size()) - s + 1);
    ASSERT_EQ(FindInText(t, s, l, f, matchCase, upward), plainFind(t, s, l, f, matchCase, upward))
        << qPrintable(t) << " / " << qPrintable(f) << " s=" << s << " l=" << l
        << " case=" << matchCase << " up=" << upward;
    const QString r = randomString(g, 3);
    ASSERT_EQ(ReplaceAllInText(t, f, r, matchCase).text, plainReplaceAll(t, f, r, matchCase))
        << qPrintable(t) << " / " << qPrintable(f) << " -> " << qPrintable(r);
  }
}

// Documents are searched a piece at a time: occurrences lying across the
// pieces' borders are found walking down and up.
TEST(SearchAgreesWithPlainRules, OnLongTexts) {
  QString t(300000, QLatin1Char('x'));
  std::vector<int> at;
  for (int border : {65536, 131072, 196608, 262144})
    for (int p : {border - 3, border - 1, border + 1, border + 40}) at.push_back(p);
  for (int p : at) t.replace(p, 2, (p % 2) ? QStringLiteral("aB") : QStringLiteral("Ab"));
  int s = 0, l = 0;
  for (int expected : at) {
    ASSERT_EQ(FindInText(t, s, l, u"AB", kNoCase, kDown), expected);
    s = expected;
    l = 2;
  }
  EXPECT_EQ(FindInText(t, s, l, u"AB", kNoCase, kDown), -1);
  s = static_cast<int>(t.size());
  l = 0;
  for (auto it = at.rbegin(); it != at.rend(); ++it) {
    ASSERT_EQ(FindInText(t, s, l, u"ab", kNoCase, kUp), *it);
    s = *it;
    l = 2;
  }
  EXPECT_EQ(FindInText(t, s, l, u"ab", kNoCase, kUp), -1);
  EXPECT_EQ(ReplaceAllInText(t, u"AB", u"-", kNoCase).count, static_cast<int>(at.size()));

  QRandomGenerator g(11);
  QString big;
  for (int i = 0; i < 400000; ++i) big.append(QStringLiteral("aAbB中")[g.bounded(5)]);
  for (const QString& f : {QStringLiteral("ab"), QStringLiteral("AbA"), QStringLiteral("中a")})
    for (bool matchCase : {false, true})
      ASSERT_EQ(ReplaceAllInText(big, f, u"Q", matchCase).text,
                plainReplaceAll(big, f, "Q", matchCase));
}

}  // namespace
