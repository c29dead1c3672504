// SPDX-License-Identifier: GPL-3.0-or-later
// The control's lines as the user counts them: line numbers, the margin,
// wrapping, the lines in view and the marks beside the selection.
#include <gtest/gtest.h>

#include <QScrollBar>
#include <QTextBlock>

#include "platform/edit_control.h"
#include "support/wait.h"

namespace {

TEST(EditControlLines, LinesCountTheTextsBreaksNotItsBlocks) {
  struct Case {
    const char* name;
    QString text;
    int lines;
    QList<int> starts;  // Text position of each line's start
  };
  const QString longLine(25'000, QLatin1Char('x'));  // three blocks of the control
  const Case cases[] = {
      {"empty", "", 1, {0}},
      {"CR LF lines", "一\r\n二\r\n三", 3, {0, 3, 6}},
      {"LF lines", "a\nbb\nccc", 3, {0, 2, 5}},
      {"mixed, a final break makes an empty last line", "a\r\nb\nc\r\n", 4, {0, 3, 5, 8}},
      {"a long line is one line", "a\r\n" + longLine + "\r\nb", 3, {0, 3, 25'005}},
      {"two long lines", longLine + "\n" + longLine, 2, {0, 25'001}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EditControl t;
    t.setText(c.text);
    EXPECT_EQ(t.lineCount(), c.lines);
    for (int i = 0; i < c.starts.size(); ++i) EXPECT_EQ(t.lineStart(i + 1), c.starts[i]) << i + 1;
    EXPECT_EQ(t.lineStart(0), -1);
    EXPECT_EQ(t.lineStart(c.lines + 1), -1);
    // Each block shows its line's number at the line's first block only.
    QList<int> numbers;
    for (QTextBlock b = t.document()->begin(); b.isValid(); b = b.next())
      if (const int n = t.lineNumberOfBlock(b)) numbers << n;
    QList<int> expected;
    for (int i = 1; i <= c.lines; ++i) expected << i;
    EXPECT_EQ(numbers, expected);
  }
}

TEST(EditControlLines, NumbersFollowEditsAndTheMarginWidensWithThem) {
  EditControl t;
  t.resize(400, 300);
  t.show();
  t.setText("1\r\n2\r\n3");
  t.setLineNumbersShown(true);
  const int narrow = t.lineNumberWidth();
  EXPECT_GT(narrow, 0);
  EXPECT_EQ(t.viewport()->geometry().left(), t.contentsRect().left() + narrow);
  QString many;
  for (int i = 0; i < 12'000; ++i) many += "行\r\n";
  t.setSelStart(0);
  t.setSelText(many);  // lines added before the others
  EXPECT_EQ(t.lineCount(), 12'003);
  EXPECT_GT(t.lineNumberWidth(), narrow);
  EXPECT_EQ(t.lineNumberOfBlock(t.document()->lastBlock()), 12'003);
  t.setLineNumbersShown(false);
  EXPECT_EQ(t.lineNumberWidth(), 0);
  EXPECT_EQ(t.viewport()->geometry().left(), t.contentsRect().left());
}

TEST(EditControlLines, WrapOffScrollsSidewaysAndTheRangeInViewIsSmall) {
  EditControl t;
  t.resize(300, 200);
  t.show();
  QString text;
  for (int i = 0; i < 2000; ++i)
    text += QStringLiteral("第%1行 %2\r\n").arg(i).arg(QString(80, 'y'));
  t.setText(text);
  EXPECT_TRUE(t.wordWrap());
  EXPECT_EQ(t.horizontalScrollBar()->maximum(), 0);
  t.setWordWrap(false);
  ASSERT_TRUE(waitUntil([&] { return t.horizontalScrollBar()->maximum() > 0; }));
  int start = -1, end = -1;
  t.visibleRange(&start, &end);
  EXPECT_EQ(start, 0);
  EXPECT_GT(end, 0);
  EXPECT_LT(end - start, 100 * 40);  // a screenful, not the document
  t.verticalScrollBar()->setValue(1000);
  t.visibleRange(&start, &end);
  EXPECT_EQ(start, t.lineStart(1001));
}

TEST(EditControlLines, MarksStandAtTextPositionsAcrossCrLfAndJoins) {
  EditControl t;
  const QString text = "ab\r\ncd" + QString(30'000, 'x');
  t.setText(text);
  t.setMarks({{1, 4}, {10'004, 3}}, Qt::yellow, Qt::black);
  ASSERT_EQ(t.markCount(), 2);
  const auto marks = t.extraSelections();
  EXPECT_EQ(t.docToText(marks[0].cursor.selectionStart()), 1);
  EXPECT_EQ(t.docToText(marks[0].cursor.selectionEnd()), 5);
  EXPECT_EQ(t.docToText(marks[1].cursor.selectionStart()), 10'004);
  EXPECT_EQ(t.docToText(marks[1].cursor.selectionEnd()), 10'007);
  t.setMarks({}, {}, {});
  EXPECT_EQ(t.markCount(), 0);
}

}  // namespace
