// SPDX-License-Identifier: GPL-3.0-or-later
// Find, find next and replace through the main window and its real windows.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTest>
#include <QTextCursor>
#include <memory>

#include "platform/edit_control.h"
#include "search/search_commands.h"
#include "search/window_clear_of_match.h"
#include "support/test_window.h"
#include "support/wait.h"

namespace {

class SearchWindows : public WindowTest {
 protected:
  void SetUp() override {
    start().show();
    ui.messages.clear();
  }

  SearchCommands& search() { return w->searchCommands(); }
  QAction* numNext() { return p().menu.numNext; }

  void setText(const QString& text, int selStart = 0, int selLength = 0) {
    t()->setText(text);
    p().resetHistory(text);
    select(selStart, selLength);
  }
  void select(int start, int length) {
    t()->setSelStart(start);
    t()->setSelLength(length);
  }
  std::pair<int, int> selection() { return {t()->SelStart(), t()->SelLength()}; }

  FindDialog* openFind(const QString& find) {
    search().numFind();
    FindDialog* d = search().frmFind();
    if (d) d->Text1->setText(find);
    return d;
  }
  HuanDialog* openHuan(const QString& find, const QString& replacement) {
    search().numHuan();
    HuanDialog* d = search().frmHuan();
    if (d) {
      d->Text1->setText(find);
      d->Text2->setText(replacement);
    }
    return d;
  }
  void expectNotice(const QString& text) {
    ASSERT_FALSE(ui.messages.empty());
    EXPECT_EQ(ui.messages.back().text, text);
    EXPECT_EQ(ui.messages.back().title, QStringLiteral("提示"));
    EXPECT_EQ(ui.messages.back().icon, MsgIcon::Information);
    EXPECT_EQ(ui.messages.back().buttons, MsgButtons::Ok);
  }
};

TEST_F(SearchWindows, WindowsCarryTheirCaptions) {
  FindDialog* f = openFind({});
  ASSERT_TRUE(f);
  EXPECT_EQ(f->windowTitle(), "查找");
  EXPECT_EQ(f->Label1->text(), "查找内容(&N):");
  EXPECT_EQ(f->Label1->buddy(), f->Text1);
  EXPECT_EQ(f->Frame1->title(), "方向");
  EXPECT_EQ(f->Option1->text(), "向上(&U)");
  EXPECT_EQ(f->Option2->text(), "向下(&D)");
  EXPECT_EQ(f->Check1->text(), "区分大小写(&C)");
  EXPECT_EQ(f->Command1->text(), "查找下一个(&F)");
  EXPECT_EQ(f->Command2->text(), "取消");
  EXPECT_FALSE(f->isModal());
  EXPECT_EQ(f->parentWidget(), w.get());
  f->Command2->click();

  HuanDialog* h = openHuan({}, {});
  ASSERT_TRUE(h);
  EXPECT_EQ(h->windowTitle(), "替换");
  EXPECT_EQ(h->Label1->text(), "查找内容(&N):");
  EXPECT_EQ(h->Label1->buddy(), h->Text1);
  EXPECT_EQ(h->Label2->text(), "替换为(&P):");
  EXPECT_EQ(h->Label2->buddy(), h->Text2);
  EXPECT_EQ(h->Check1->text(), "区分大小写(&C)");
  EXPECT_EQ(h->Command1->text(), "查找下一个(&F)");
  EXPECT_EQ(h->Command2->text(), "替换(&R)");
  EXPECT_EQ(h->Command3->text(), "全部替换(&A)");
  EXPECT_EQ(h->Command4->text(), "取消");
  EXPECT_FALSE(h->isModal());
}

TEST_F(SearchWindows, FindWindowLoadsTheSharedState) {
  p().search.FindText = "ab";
  p().search.FindMatchCase = true;
  p().search.FindUpward = true;
  search().numFind();
  FindDialog* d = search().frmFind();
  ASSERT_TRUE(d);
  EXPECT_TRUE(d->isVisible());
  EXPECT_TRUE(p().SearchDialogOpen);
  EXPECT_EQ(d->Text1->text(), "ab");
  EXPECT_TRUE(d->Command1->isEnabled());
  EXPECT_TRUE(d->Check1->isChecked());
  EXPECT_TRUE(d->Option1->isChecked());
  EXPECT_TRUE(numNext()->isEnabled());  // follows the box that was filled

  d->Command2->click();
  p().search.FindText.clear();
  p().search.FindMatchCase = false;
  p().search.FindUpward = false;
  search().numFind();
  d = search().frmFind();
  ASSERT_TRUE(d);
  EXPECT_EQ(d->Text1->text(), "");
  EXPECT_FALSE(d->Command1->isEnabled());
  EXPECT_FALSE(d->Check1->isChecked());
  EXPECT_TRUE(d->Option2->isChecked());
}

TEST_F(SearchWindows, FindNextFollowsTheFindBoxOfTheLastEditedWindow) {
  EXPECT_FALSE(numNext()->isEnabled());  // at start-up
  FindDialog* f = openFind("x");
  EXPECT_TRUE(f->Command1->isEnabled());
  EXPECT_TRUE(numNext()->isEnabled());
  f->Text1->clear();
  EXPECT_FALSE(f->Command1->isEnabled());
  EXPECT_FALSE(numNext()->isEnabled());
  f->Text1->setText("y");
  f->Command2->click();
  EXPECT_TRUE(numNext()->isEnabled());

  // The replace window opens with an empty box: nothing was edited yet, so
  // the item still follows the box of the find window.
  search().numHuan();
  HuanDialog* h = search().frmHuan();
  EXPECT_TRUE(numNext()->isEnabled());
  for (QPushButton* b : {h->Command1, h->Command2, h->Command3}) EXPECT_FALSE(b->isEnabled());
  h->Text1->setText("z");
  EXPECT_TRUE(numNext()->isEnabled());
  for (QPushButton* b : {h->Command1, h->Command2, h->Command3}) EXPECT_TRUE(b->isEnabled());
  h->Text1->clear();
  EXPECT_FALSE(numNext()->isEnabled());
  for (QPushButton* b : {h->Command1, h->Command2, h->Command3}) EXPECT_FALSE(b->isEnabled());
}

TEST_F(SearchWindows, FindFromTheWindowWalksDownAndReportsTheEnd) {
  setText("abcabc");
  FindDialog* d = openFind("ABC");
  d->Command1->click();
  EXPECT_EQ(selection(), std::make_pair(0, 3));
  EXPECT_EQ(p().search.FindText, "ABC");
  EXPECT_FALSE(p().search.FindMatchCase);
  EXPECT_FALSE(p().search.FindUpward);
  d->Command1->click();
  EXPECT_EQ(selection(), std::make_pair(3, 3));
  EXPECT_TRUE(ui.messages.empty());
  d->Command1->click();
  expectNotice("找不到 'ABC'!");
  EXPECT_EQ(selection(), std::make_pair(3, 3));
  EXPECT_EQ(search().frmFind(), d);  // stays open

  // With match case nothing matches.
  select(0, 0);
  d->Check1->setChecked(true);
  ui.messages.clear();
  d->Command1->click();
  expectNotice("找不到 'ABC'!");
  EXPECT_TRUE(p().search.FindMatchCase);
  EXPECT_EQ(selection(), std::make_pair(0, 0));
}

TEST_F(SearchWindows, FindUpwardFindsTheOccurrenceRightBeforeTheSelection) {
  setText("abab", 2, 2);
  FindDialog* d = openFind("ab");
  d->Option1->setChecked(true);
  d->Command1->click();
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(selection(), std::make_pair(0, 2));
  EXPECT_TRUE(p().search.FindUpward);

  setText("xxabyyab", 8);
  d->Command1->click();
  EXPECT_EQ(selection(), std::make_pair(6, 2));
  d->Command1->click();
  EXPECT_EQ(selection(), std::make_pair(2, 2));
  d->Command1->click();
  expectNotice("找不到 'ab'!");
  EXPECT_EQ(selection(), std::make_pair(2, 2));
}

TEST_F(SearchWindows, SuccessfulFindActivatesTheMainWindow) {
  setText("one two");
  FindDialog* d = openFind("two");
  d->activateWindow();
  ASSERT_TRUE(waitUntil([&] { return d->isActiveWindow(); }));
  d->Command1->click();
  EXPECT_EQ(selection(), std::make_pair(4, 3));
  EXPECT_TRUE(waitUntil([&] { return w->isActiveWindow(); }));
}

TEST_F(SearchWindows, EnterInTheFindBoxFindsOnceAndOnlyWithText) {
  setText("abcabc");
  FindDialog* d = openFind("");
  QTest::keyClick(d->Text1, Qt::Key_Return);
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(selection(), std::make_pair(0, 0));

  d->Text1->setText("abc");
  QTest::keyClick(d->Text1, Qt::Key_Return);
  EXPECT_EQ(selection(), std::make_pair(0, 3));  // one search, not two
  EXPECT_EQ(search().frmFind(), d);
}

TEST_F(SearchWindows, ReadingAndOpenWindowsShutEachOtherOut) {
  p().ReadingActive = true;
  search().numFind();
  expectNotice("请先停止朗读!");
  ui.messages.clear();
  search().numHuan();
  expectNotice("请先停止朗读!");
  EXPECT_FALSE(search().frmFind());
  EXPECT_FALSE(search().frmHuan());
  EXPECT_FALSE(p().SearchDialogOpen);

  p().ReadingActive = false;
  ui.messages.clear();
  search().numHuan();
  ASSERT_TRUE(search().frmHuan());
  EXPECT_TRUE(p().SearchDialogOpen);
  search().numFind();
  search().numHuan();
  EXPECT_FALSE(search().frmFind());
  EXPECT_EQ(w->findChildren<QDialog*>().size(), 1);
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(SearchWindows, EveryWayOfClosingUnloadsTheWindow) {
  search().numFind();
  search().frmFind()->Command2->click();
  EXPECT_FALSE(search().frmFind());
  EXPECT_FALSE(p().SearchDialogOpen);

  search().numFind();
  QTest::keyClick(search().frmFind(), Qt::Key_Escape);
  EXPECT_FALSE(search().frmFind());
  EXPECT_FALSE(p().SearchDialogOpen);

  search().numHuan();
  search().frmHuan()->close();
  EXPECT_FALSE(search().frmHuan());
  EXPECT_FALSE(p().SearchDialogOpen);

  // Closing the main window unloads an open one, keeping its replace-with text.
  openHuan("f", "kept");
  w->close();
  EXPECT_FALSE(search().frmHuan());
  EXPECT_FALSE(p().SearchDialogOpen);
  EXPECT_EQ(p().search.ReplaceText, "kept");
}

TEST_F(SearchWindows, FindNextWithoutAWindow) {
  setText("aXa");
  p().search.FindText = "a";
  numNext()->setEnabled(true);
  p().ReadingActive = true;  // not consulted
  numNext()->trigger();
  EXPECT_EQ(selection(), std::make_pair(0, 1));
  numNext()->trigger();
  EXPECT_EQ(selection(), std::make_pair(2, 1));
  EXPECT_TRUE(ui.messages.empty());
  p().search.FindUpward = true;
  numNext()->trigger();
  EXPECT_EQ(selection(), std::make_pair(0, 1));
  p().search.FindUpward = false;
  p().search.FindMatchCase = true;
  p().search.FindText = "x";
  numNext()->trigger();
  expectNotice("找不到 'x'!");
  EXPECT_EQ(selection(), std::make_pair(0, 1));
}

// Positions are those of `Text`, where a line break is CR LF, whichever way
// the control looks for the occurrence.
TEST_F(SearchWindows, FindCountsPositionsAsTextDoes) {
  struct Step {
    const char* find;
    bool upward;
    int start, length;  // selection before
    int expected;       // selection start after, -1 for not found
  };
  const QString text = "ab\r\nAB\r\n\r\nab\nab";
  const Step steps[] = {
      {"ab", false, 0, 0, 0},     {"ab", false, 0, 2, 4},    {"ab", false, 4, 2, 10},
      {"ab", false, 10, 2, 13},   {"ab", false, 13, 2, -1},  {"ab", true, 15, 0, 13},
      {"ab", true, 13, 2, 10},    {"ab", true, 10, 2, 4},    {"ab", true, 4, 0, 0},
      {"b\r\nA", false, 0, 0, 1}, {"\nab", false, 8, 0, 12}, {"\nab", true, 15, 0, 12},
      {"ab", false, 2, 1, 4},  // the selection ends between CR and LF
  };
  setText(text);
  for (const Step& s : steps) {
    SCOPED_TRACE(std::string(s.find) + (s.upward ? " up from " : " down from ") +
                 std::to_string(s.start));
    select(s.start, s.length);
    ASSERT_EQ(selection(), std::make_pair(s.start, s.length));
    p().search.FindText = QString::fromUtf8(s.find);
    p().search.FindUpward = s.upward;
    ui.messages.clear();
    search().numNext();
    if (s.expected < 0) {
      expectNotice("找不到 '" + p().search.FindText + "'!");
      EXPECT_EQ(selection(), std::make_pair(s.start, s.length));
    } else {
      EXPECT_TRUE(ui.messages.empty());
      EXPECT_EQ(selection(),
                std::make_pair(s.expected, static_cast<int>(p().search.FindText.size())));
      EXPECT_EQ(t()->SelText().toUpper(), p().search.FindText.toUpper());
    }
  }
}

TEST_F(SearchWindows, CancelledWindowLeavesFindNextOnTheOldText) {
  setText("abc", 1);
  FindDialog* d = openFind("zzz");
  d->Command2->click();
  EXPECT_EQ(p().search.FindText, "");
  ASSERT_TRUE(numNext()->isEnabled());
  // The empty find text matches at the first candidate: the caret goes there.
  numNext()->trigger();
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(selection(), std::make_pair(1, 0));
  select(3, 0);
  numNext()->trigger();
  expectNotice("找不到 ''!");
}

TEST_F(SearchWindows, ReplaceWindowLoadsAndKeepsItsTexts) {
  p().search.FindText = "f";
  p().search.ReplaceText = "r";
  p().search.FindMatchCase = true;
  search().numHuan();
  HuanDialog* d = search().frmHuan();
  ASSERT_TRUE(d);
  EXPECT_EQ(d->Text1->text(), "f");
  EXPECT_EQ(d->Text2->text(), "r");
  EXPECT_TRUE(d->Check1->isChecked());
  for (QPushButton* b : {d->Command1, d->Command2, d->Command3}) EXPECT_TRUE(b->isEnabled());
  d->Text1->setText("typed");
  d->Text2->setText("new");
  d->Command4->click();
  EXPECT_EQ(p().search.ReplaceText, "new");
  EXPECT_EQ(p().search.FindText, "f");  // only a search stores it
  EXPECT_FALSE(p().SearchDialogOpen);
}

TEST_F(SearchWindows, ReplaceWindowAlwaysSearchesDownward) {
  setText("ab ab", 3, 2);
  p().search.FindUpward = true;
  HuanDialog* d = openHuan("ab", "x");
  d->Command1->click();
  expectNotice("找不到 'ab'!");
  EXPECT_TRUE(p().search.FindUpward);  // left as it was
  EXPECT_EQ(p().search.FindText, "ab");
  EXPECT_EQ(t()->Text(), "ab ab");
}

TEST_F(SearchWindows, ReplaceTakesTheSelectionThenFindsNext) {
  // Nothing selected: no change, no history entry, then a find.
  setText("a-a-a");
  HuanDialog* d = openHuan("a", "bb");
  d->Command2->click();
  EXPECT_EQ(t()->Text(), "a-a-a");
  EXPECT_EQ(p().undo.UndoPos(), 0);
  EXPECT_EQ(selection(), std::make_pair(0, 1));

  d->Command2->click();
  EXPECT_EQ(t()->Text(), "bb-a-a");
  EXPECT_EQ(p().undo.UndoPos(), 1);
  EXPECT_EQ(p().undo.text(1), "bb-a-a");
  EXPECT_TRUE(p().menu.numUndo->isEnabled());
  EXPECT_EQ(selection(), std::make_pair(3, 1));

  // A selection unlike the find text is replaced all the same.
  select(0, 3);
  d->Command2->click();
  EXPECT_EQ(t()->Text(), "bba-a");
  EXPECT_EQ(p().undo.UndoPos(), 2);
  EXPECT_EQ(selection(), std::make_pair(2, 1));

  // An empty replace-with box deletes.
  d->Text2->clear();
  d->Command2->click();
  EXPECT_EQ(t()->Text(), "bb-a");
  EXPECT_EQ(p().undo.UndoPos(), 3);
  EXPECT_EQ(selection(), std::make_pair(3, 1));
  d->Command2->click();
  EXPECT_EQ(t()->Text(), "bb-");
  expectNotice("找不到 'a'!");
}

TEST_F(SearchWindows, EnterInEitherReplaceBoxFindsAndNeverReplaces) {
  setText("aa");
  HuanDialog* d = openHuan("a", "b");
  QTest::keyClick(d->Text2, Qt::Key_Return);
  EXPECT_EQ(selection(), std::make_pair(0, 1));
  QTest::keyClick(d->Text1, Qt::Key_Enter);
  EXPECT_EQ(selection(), std::make_pair(1, 1));
  EXPECT_EQ(t()->Text(), "aa");
  d->Text1->clear();
  QTest::keyClick(d->Text2, Qt::Key_Return);
  EXPECT_EQ(selection(), std::make_pair(1, 1));
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(SearchWindows, ReplaceAllMakesOneHistoryEntry) {
  setText("aaa", 1);
  HuanDialog* d = openHuan("a", "b");
  d->Command3->click();
  EXPECT_EQ(t()->Text(), "bbb");
  EXPECT_EQ(selection(), std::make_pair(3, 0));
  EXPECT_EQ(p().undo.UndoPos(), 1);
  EXPECT_EQ(p().undo.text(1), "bbb");
  EXPECT_EQ(p().undo.caret(1), 3);
  EXPECT_EQ(p().search.FindText, "a");
  expectNotice("替换完毕!");
  EXPECT_EQ(search().frmHuan(), d);

  // Match case on: only the exact form; off: both.
  setText("abc ABC");
  d->Text1->setText("abc");
  d->Text2->setText("x");
  d->Check1->setChecked(true);
  d->Command3->click();
  EXPECT_EQ(t()->Text(), "x ABC");
  EXPECT_TRUE(p().search.FindMatchCase);
  d->Check1->setChecked(false);
  d->Command3->click();
  EXPECT_EQ(t()->Text(), "x x");
  // Each whole operation is one step of the history.
  EXPECT_EQ(p().undo.UndoPos(), 2);
  EXPECT_EQ(p().undo.text(1), "x ABC");
  EXPECT_EQ(p().undo.text(2), "x x");
}

TEST_F(SearchWindows, ReplaceAllWithoutOccurrenceStillEndsAtTheEnd) {
  setText("hello\r\nworld", 2, 1);
  HuanDialog* d = openHuan("zz", "y");
  const quint64 changes = t()->changeCount();
  d->Command3->click();
  EXPECT_EQ(t()->Text(), "hello\r\nworld");
  EXPECT_EQ(t()->changeCount(), changes);
  EXPECT_EQ(selection(), std::make_pair(12, 0));
  EXPECT_EQ(p().undo.UndoPos(), 0);
  expectNotice("替换完毕!");
}

TEST(SearchWindowPlacement, MovesOffTheMatchOnlyWhenItCoversIt) {
  const QRect screen(0, 0, 1280, 800);
  const QRect window(400, 300, 360, 140);  // y 300 to 439
  struct Case {
    const char* what;
    QRect window;
    QRect match;
    QRect placed;
  };
  const Case cases[] = {
      {"clear of the match", window, QRect(100, 100, 40, 16), window},
      {"covering it, closer above", window, QRect(500, 380, 40, 16), QRect(400, 233, 360, 140)},
      {"covering it, closer below", window, QRect(500, 310, 40, 16), QRect(400, 333, 360, 140)},
      {"no room above: below", QRect(400, 20, 360, 140), QRect(500, 60, 40, 16),
       QRect(400, 83, 360, 140)},
      {"no room above or below: beside", window, QRect(500, 0, 40, 800), QRect(547, 300, 360, 140)},
      {"nowhere to go: it stays", screen, QRect(500, 300, 40, 16), screen},
  };
  for (const Case& c : cases)
    EXPECT_EQ(placeClearOf(c.window, c.match, screen), c.placed) << c.what;
}

TEST_F(SearchWindows, TheFindWindowLeavesTheMatchItSelectedVisible) {
  QString text;
  for (int i = 0; i < 30; ++i) text += QStringLiteral("第%1行文字\r\n").arg(i);
  text += QStringLiteral("目标");
  setText(text);
  w->setGeometry(QRect(100, 100, 700, 500));
  FindDialog* d = openFind(QStringLiteral("目标"));
  ASSERT_NE(d, nullptr);
  // The find window put right over where the match will show.
  QTextCursor end = t()->textCursor();
  end.movePosition(QTextCursor::End);
  t()->setTextCursor(end);
  t()->ensureCursorVisible();
  const QPoint caret = t()->viewport()->mapToGlobal(t()->cursorRect(end).center());
  d->move(caret - QPoint(d->frameGeometry().width() / 2, d->frameGeometry().height() / 2));
  ASSERT_TRUE(d->frameGeometry().contains(caret));
  select(0, 0);
  QTest::mouseClick(d->Command1, Qt::LeftButton);
  ASSERT_EQ(selection(), std::make_pair(int(text.size()) - 2, 2));
  QTextCursor c = t()->textCursor();
  c.setPosition(c.selectionStart());
  const QRect match(t()->viewport()->mapToGlobal(t()->cursorRect(c).topLeft()),
                    t()->cursorRect(c).size());
  EXPECT_FALSE(d->frameGeometry().intersects(match));
  EXPECT_TRUE(w->screen()->availableGeometry().contains(d->frameGeometry()));
}

}  // namespace
