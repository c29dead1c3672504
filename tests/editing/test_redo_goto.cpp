// SPDX-License-Identifier: GPL-3.0-or-later
// 重做 over the program's own history, and 转到行.
#include <gtest/gtest.h>

#include <QAction>
#include <QPushButton>
#include <QSpinBox>
#include <memory>

#include "editing/goto_line.h"
#include "platform/edit_control.h"
#include "program/undo_history.h"
#include "support/test_window.h"

namespace {

// Sequences of records (a letter typed at the end), undos (u) and redos (r),
// with the text and the history position they must leave.
TEST(Redo, StepsForwardOverWhatWasUndone) {
  struct Case {
    const char* name;
    const char* steps;
    const char* text;
    int pos;
    bool canRedo;
  };
  const Case cases[] = {
      {"redo with nothing undone does nothing", "abr", "ab", 2, false},
      {"undo then redo", "abcur", "abc", 3, false},
      {"three undos, three redos", "abcuuurrr", "abc", 3, false},
      {"redo beyond what was undone stops", "abuurrr", "ab", 2, false},
      {"partial redo", "abcuuur", "a", 1, true},
      {"a new change after undo ends redo", "abcuuxr", "ax", 2, false},
      {"undo back to the base, redo to the change", "aur", "a", 1, false},
      {"redo, undo, redo", "abuurur", "a", 1, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EditControl t;
    UndoHistory h;
    h.reset(QString());
    h.follow(t);
    for (const char* s = c.steps; *s; ++s) {
      if (*s == 'u') h.undo(t);
      else if (*s == 'r') h.redo(t);
      else {
        t.setSelStart(t.TextLength());
        t.setSelText(QString(QLatin1Char(*s)));
        EXPECT_TRUE(h.record(t));
      }
    }
    EXPECT_EQ(t.Text(), c.text);
    EXPECT_EQ(h.currentText(), c.text);
    EXPECT_EQ(h.UndoPos(), c.pos);
    EXPECT_EQ(h.canRedo(), c.canRedo);
  }
}

TEST(Redo, BringsBackTheCaretAndKeepsEveryOlderSnapshot) {
  EditControl t;
  UndoHistory h;
  h.reset("line one\r\nline two");
  t.setText("line one\r\nline two");
  h.follow(t);
  t.select(5, 3);
  t.setSelText("1");  // "line 1\r\n..."
  ASSERT_TRUE(h.record(t));
  const int caret = t.SelStart();
  t.setSelStart(t.TextLength());
  t.setSelText("\r\n三");
  ASSERT_TRUE(h.record(t));
  const QString last = t.Text();
  h.undo(t);
  h.undo(t);
  EXPECT_EQ(t.Text(), "line one\r\nline two");
  ASSERT_TRUE(h.redo(t));
  EXPECT_EQ(t.Text(), "line 1\r\nline two");
  EXPECT_EQ(t.SelStart(), caret);
  ASSERT_TRUE(h.redo(t));
  EXPECT_EQ(t.Text(), last);
  EXPECT_EQ(h.text(0), "line one\r\nline two");
  EXPECT_EQ(h.text(1), "line 1\r\nline two");
  EXPECT_FALSE(h.redo(t));
  // A reset (open, save) drops what could be redone.
  h.undo(t);
  EXPECT_TRUE(h.canRedo());
  h.reset(t.Text());
  EXPECT_FALSE(h.canRedo());
}

class EditorWindow : public WindowTest {
 protected:
  void SetUp() override { start().show(); }
  void type(const QString& s) {
    t()->setSelStart(t()->TextLength());
    t()->setSelText(s);
    p().RecordUndo();
  }
};

TEST_F(EditorWindow, RedoItemFollowsTheHistory) {
  QAction* redo = p().menu.numRedo;
  QAction* undo = p().menu.numUndo;
  ASSERT_TRUE(redo);
  EXPECT_EQ(redo->text(), "重做(&Y)");
  EXPECT_EQ(redo->shortcuts(),
            QList<QKeySequence>({QKeySequence("Ctrl+Y"), QKeySequence("Ctrl+Shift+Z")}));
  EXPECT_FALSE(redo->isEnabled());
  type("甲");
  type("乙");
  undo->trigger();
  EXPECT_TRUE(redo->isEnabled());
  undo->trigger();
  EXPECT_FALSE(undo->isEnabled());
  EXPECT_EQ(p().undo.UndoPos(), 0);
  redo->trigger();
  EXPECT_EQ(t()->Text(), "甲");
  EXPECT_TRUE(undo->isEnabled());  // unsaved again
  EXPECT_TRUE(redo->isEnabled());
  // A new change ends redo, also one not yet recorded when redo is chosen.
  t()->setSelStart(t()->TextLength());
  t()->setSelText("丙");
  redo->trigger();
  EXPECT_EQ(t()->Text(), "甲丙");
  EXPECT_FALSE(redo->isEnabled());
}

TEST_F(EditorWindow, GoToLineIsBoundedToTheDocument) {
  struct Case {
    const char* name;
    const char* text;
    int line;
    int expected;  // caret after, -1: refused (caret stays)
  };
  const Case cases[] = {
      {"first line", "一\r\n二\r\n三", 1, 0},
      {"middle line over CR LF", "一\r\n二\r\n三", 2, 3},
      {"last line", "一\r\n二\r\n三", 3, 6},
      {"LF lines", "a\nbb\nccc", 3, 5},
      {"line 0 is refused", "一\r\n二", 0, -1},
      {"negative is refused", "一\r\n二", -3, -1},
      {"past the end is refused", "一\r\n二", 3, -1},
      {"the empty line after a final break", "一\r\n", 2, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    t()->setText(QString::fromUtf8(c.text));
    t()->setSelStart(1);
    EXPECT_EQ(goToLine(*t(), c.line), c.expected >= 0);
    EXPECT_EQ(t()->SelStart(), c.expected >= 0 ? c.expected : 1);
  }
}

TEST_F(EditorWindow, GoToLineCountsALongLineOnce) {
  // A line of 45,000 characters is several blocks of the control.
  const QString text = "a\r\n" + QString(45'000, QLatin1Char('x')) + "\r\nlast";
  t()->setText(text);
  EXPECT_EQ(t()->lineCount(), 3);
  EXPECT_TRUE(goToLine(*t(), 3));
  EXPECT_EQ(t()->SelStart(), 3 + 45'000 + 2);
  EXPECT_FALSE(goToLine(*t(), 4));
}

TEST_F(EditorWindow, GoToLineDialogOffersOnlyTheDocumentsLines) {
  t()->setText("1\r\n2\r\n3\r\n4");
  t()->setSelStart(3);  // line 2
  int max = 0, shownAt = 0;
  ui.onExec = [&](QDialog* d) {
    auto* g = static_cast<GotoLineDialog*>(d);
    max = g->Text1->maximum();
    shownAt = g->Text1->value();
    g->Text1->setValue(99);  // bounded: becomes 4
    return int(QDialog::Accepted);
  };
  p().menu.numGoto->trigger();
  EXPECT_EQ(max, 4);
  EXPECT_EQ(shownAt, 2);
  EXPECT_EQ(t()->SelStart(), 9);
  // Cancelled: the caret stays.
  ui.onExec = [](QDialog*) { return int(QDialog::Rejected); };
  t()->setSelStart(0);
  p().menu.numGoto->trigger();
  EXPECT_EQ(t()->SelStart(), 0);
  EXPECT_EQ(p().menu.numGoto->shortcut(), QKeySequence("Ctrl+G"));
}

}  // namespace
