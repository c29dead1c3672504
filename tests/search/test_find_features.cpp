// SPDX-License-Identifier: GPL-3.0-or-later
// Find over the control's long lines, regular expressions, the count in
// the find window and the marks of the occurrences in view.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <memory>

#include "platform/edit_control.h"
#include "search/search_commands.h"
#include "search/text_search.h"
#include "support/test_window.h"
#include "support/wait.h"

namespace {

class FindFeatures : public WindowTest {
 protected:
  void SetUp() override {
    start().show();
    ui.messages.clear();
  }
  SearchCommands& search() { return w->searchCommands(); }
  void setText(const QString& text, int start = 0, int length = 0) {
    t()->setText(text);
    p().resetHistory(text);
    ASSERT_TRUE(t()->select(start, length));
  }
  std::pair<int, int> selection() { return {t()->SelStart(), t()->SelLength()}; }
  FindDialog* openFind(const QString& find) {
    search().numFind();
    FindDialog* d = search().frmFind();
    if (d) d->Text1->setText(find);
    return d;
  }
};

// 35,000 "x" with "QZ" at 9999: the control holds the line in pieces of
// 10,000, so "QZ" straddles the first join.
QString longLine(int length, int at, const QString& what) {
  QString s(length, QLatin1Char('x'));
  s.replace(at, what.size(), what);
  return s;
}

TEST_F(FindFeatures, OccurrencesAcrossTheJoinsOfALongLineAreFound) {
  struct Case {
    const char* name;
    int at;    // where "QZ" stands in the line after "head\r\n"
    int from;  // caret before the search
    bool upward;
  };
  const Case cases[] = {
      {"down across the first join", 9'999, 0, false},
      {"up across the first join", 9'999, 30'000, true},
      {"down across the second join", 19'999, 10'500, false},
      {"up across the third join from the end", 29'999, 35'006, true},
      {"down at the very first unit of a piece", 10'000, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const QString text = "head\r\n" + longLine(35'000, c.at, "QZ") + "\r\ntail";
    setText(text, c.from);
    p().search.FindText = "qz";  // without match case
    p().search.FindUpward = c.upward;
    ui.messages.clear();
    search().numNext();  // F3
    EXPECT_TRUE(ui.messages.empty()) << ui.texts().join(" | ").toStdString();
    EXPECT_EQ(selection(), std::make_pair(6 + c.at, 2));
    EXPECT_EQ(t()->SelText(), "QZ");
  }
}

TEST_F(FindFeatures, TheFindWindowAndReplaceFindAcrossAJoin) {
  const QString text = longLine(35'000, 9'999, "QZ");
  setText(text);
  FindDialog* d = openFind("QZ");
  ASSERT_TRUE(d);
  d->Command1->click();
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(selection(), std::make_pair(9'999, 2));
  EXPECT_EQ(d->Label2->text(), "第 1 个，共 1 个");
  d->Command2->click();

  // Replace: find across the join, replace it, the history records it.
  setText(text);
  search().numHuan();
  HuanDialog* h = search().frmHuan();
  ASSERT_TRUE(h);
  h->Text1->setText("QZ");
  h->Text2->setText("妙音");
  h->Command1->click();
  EXPECT_EQ(selection(), std::make_pair(9'999, 2));
  ui.messages.clear();
  h->Command2->click();  // replaces, then finds no more
  EXPECT_EQ(t()->TextMid(9'998, 4), "x妙音x");
  EXPECT_EQ(p().undo.UndoPos(), 1);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, "找不到 'QZ'!");
  h->Command4->click();
}

TEST(PatternSearch, RegularExpressionsAndPlainText) {
  struct Case {
    const char* name;
    const char* text;
    const char* pattern;
    bool regex, matchCase, upward;
    int selStart, selLength;
    int start, length;  // expected; -1 for none
  };
  const Case cases[] = {
      {"regex down finds its match length", "ab 123 cd 45", "[0-9]+", true, false, false, 0, 0, 3,
       3},
      {"regex down after the selection", "ab 123 cd 45", "[0-9]+", true, false, false, 3, 3, 10, 2},
      {"regex up from the end", "ab 123 cd 45", "[0-9]+", true, false, true, 12, 0, 10, 2},
      {"regex up skips the one at the selection", "ab 123 cd 45", "[0-9]+", true, false, true, 10,
       2, 3, 3},
      {"regex ignores case unless asked", "Hello", "h.l", true, false, false, 0, 0, 0, 3},
      {"regex with match case", "Hello", "h.l", true, true, false, 0, 0, -1, 0},
      {"empty matches are passed over", "abc", "x*", true, false, false, 0, 0, -1, 0},
      {"no match starts inside CR LF", "a\r\nb", "\\n", true, false, false, 0, 0, -1, 0},
      {"a bad pattern finds nothing", "a(b", "(", true, false, false, 0, 0, -1, 0},
      {"plain text keeps its rule", "a.b", ".", false, false, false, 0, 0, 1, 1},
      {"Chinese by regex", "妙音朗读器", "朗.", true, false, false, 0, 0, 2, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const SearchPattern p{QString::fromUtf8(c.pattern), c.matchCase, c.regex};
    const SearchHit h =
        FindPattern(QString::fromUtf8(c.text), c.selStart, c.selLength, p, c.upward);
    EXPECT_EQ(h.start, c.start);
    if (c.start >= 0) { EXPECT_EQ(h.length, c.length); }
  }
  EXPECT_FALSE(PatternError({"(", false, true}).isEmpty());
  EXPECT_TRUE(PatternError({"(", false, false}).isEmpty());  // plain text: no pattern to be bad
  EXPECT_TRUE(PatternError({"(a)", false, true}).isEmpty());
}

TEST(PatternSearch, CountsAndNumbersTheOccurrences) {
  struct Case {
    const char* name;
    const char* text;
    SearchPattern pattern;
    int at;
    int count, index;
  };
  const Case cases[] = {
      {"third of five", "ab ab ab ab ab", {"ab", false, false}, 6, 5, 3},
      {"no overlap, as replace all", "aaaa", {"aa", false, false}, 2, 2, 2},
      {"case folded", "Ab aB", {"ab", false, false}, 3, 2, 2},
      {"regex", "1 22 333", {"[0-9]+", false, true}, 5, 3, 3},
      {"none", "abc", {"z", false, false}, 0, 0, 0},
      {"bad regex counts nothing", "abc", {"[", false, true}, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    int index = -1;
    EXPECT_EQ(CountMatches(QString::fromUtf8(c.text), c.pattern, c.at, &index), c.count);
    EXPECT_EQ(index, c.index);
  }
}

TEST_F(FindFeatures, TheFindWindowCountsAndSearchesByRegularExpression) {
  setText("苹果1 香蕉22 苹果333\r\n苹果4");
  FindDialog* d = openFind("苹果[0-9]+");
  ASSERT_TRUE(d);
  d->Check2->setChecked(true);
  d->Command1->click();
  EXPECT_EQ(t()->SelText(), "苹果1");
  EXPECT_EQ(d->Label2->text(), "第 1 个，共 3 个");
  d->Command1->click();
  EXPECT_EQ(t()->SelText(), "苹果333");
  EXPECT_EQ(d->Label2->text(), "第 2 个，共 3 个");
  // F3 searches as the window did: by the expression.
  p().menu.numNext->trigger();
  EXPECT_EQ(t()->SelText(), "苹果4");
  EXPECT_TRUE(ui.messages.empty());

  // A bad pattern says so, finds nothing and leaves the selection.
  const auto before = selection();
  d->Text1->setText("苹果(");
  d->Command1->click();
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_TRUE(ui.messages[0].text.startsWith("正则表达式有误"));
  EXPECT_TRUE(d->Label2->text().startsWith("正则表达式有误"));
  EXPECT_EQ(selection(), before);
  // Not checked: the same text is found as it is written.
  setText("x苹果(y");
  d->Check2->setChecked(false);
  d->Command1->click();
  EXPECT_EQ(t()->SelText(), "苹果(");
  d->Command2->click();
}

TEST_F(FindFeatures, OccurrencesInViewAreMarkedWhileTheWindowIsOpen) {
  QString text;
  for (int i = 0; i < 3000; ++i) text += QStringLiteral("第%1行 ab\r\n").arg(i);
  setText(text);
  FindDialog* d = openFind("ab");
  ASSERT_TRUE(d);
  // Only the lines in view are marked, not the 3000 occurrences.
  ASSERT_TRUE(waitUntil([&] { return t()->markCount() > 0; }));
  const int shown = t()->markCount();
  EXPECT_LT(shown, 300);
  int start = 0, end = 0;
  t()->visibleRange(&start, &end);
  EXPECT_GE(shown, (end - start) / 14 - 1);  // every line in view has its mark
  // Scrolling marks the new lines; a text that is not there marks nothing.
  t()->verticalScrollBar()->setValue(t()->verticalScrollBar()->maximum() / 2);
  ASSERT_TRUE(waitUntil([&] {
    int s = 0, e = 0;
    t()->visibleRange(&s, &e);
    return s > 10'000 && t()->markCount() > 0;
  }));
  d->Text1->setText("zz");
  ASSERT_TRUE(waitUntil([&] { return t()->markCount() == 0; }));
  d->Text1->setText("ab");
  ASSERT_TRUE(waitUntil([&] { return t()->markCount() > 0; }));
  // Closing the window takes the marks away.
  d->Command2->click();
  EXPECT_EQ(t()->markCount(), 0);
}

}  // namespace
