// SPDX-License-Identifier: GPL-3.0-or-later
// The edit control's contract: CR LF positions, the refused caret inside a
// line break, lone LF, characters the widget would otherwise rewrite.
#include <gtest/gtest.h>
#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>

#include <functional>

#include "platform/edit_control.h"

namespace {

const QString kNbsp = QString(QChar(0x00A0));
const QString kEmoji = QString::fromUtf8("😀");

TEST(EditControl, TextComesBackExactly) {
  EditControl t;
  const QString cases[] = {
      QString(),
      QStringLiteral("abc"),
      QStringLiteral("a\r\nb\r\n"),
      QStringLiteral("one\ntwo\r\nthree"),  // mixed line ends keep their kinds
      QStringLiteral("\n\n\r\n\n"),
      QStringLiteral("\r\n\r\n"),
      QStringLiteral("a\u2028b\u2029c\n"),  // the separators of the text itself
      QStringLiteral("x") + kNbsp + QStringLiteral("y"),
      QStringLiteral("汉字") + kEmoji + QStringLiteral("\r\n末"),
  };
  for (const QString& s : cases) {
    t.setText(s);
    EXPECT_EQ(t.Text(), s) << s.toStdString();
    EXPECT_EQ(t.TextLength(), s.size()) << s.toStdString();
    for (int i = 0; i < s.size(); ++i)
      EXPECT_EQ(t.CharAt(i), QString(s[i])) << s.toStdString() << " @" << i;
    EXPECT_EQ(t.CharAt(s.size()), QString());
  }
}

// Every line break, CR LF or a lone LF, is a block of the widget's own, so
// that a file of LF lines lays out line by line.
TEST(EditControl, EveryLineIsABlock) {
  EditControl t;
  t.setText(QStringLiteral("a\nb\r\nc\nd"));
  EXPECT_EQ(t.document()->blockCount(), 4);
  EXPECT_EQ(t.document()->findBlockByNumber(3).text(), QStringLiteral("d"));
  EXPECT_FALSE(t.document()->toRawText().contains(QChar::LineSeparator));
}

// A very long line is held as several blocks joined by soft boundaries that
// are no part of the text: positions, Text, copy, Backspace and the column
// see one line.
TEST(EditControl, AVeryLongLineIsHeldInPiecesThatAreNoPartOfTheText) {
  EditControl t;
  t.show();
  QString line;
  for (int i = 0; line.size() < 45'000; ++i) line += QChar(u'a' + i % 26);
  line.insert(9'999, kEmoji);  // a pair across the place of a boundary stays whole
  const QString text = QStringLiteral("head\n") + line + QStringLiteral("\r\ntail");
  t.setText(text);
  EXPECT_GT(t.document()->blockCount(), 4);
  EXPECT_EQ(t.Text(), text);
  EXPECT_EQ(t.TextLength(), text.size());
  for (int i : {4, 5, 10'003, 10'004, 10'005, 10'006, 20'005, 20'006, 45'006, 45'007, 45'008})
    EXPECT_EQ(t.CharAt(i), QString(text[i])) << i;
  // A selection across a boundary, copied out as it is in the text.
  ASSERT_TRUE(t.select(10'000, 20));
  EXPECT_EQ(t.SelText(), text.mid(10'000, 20));
  t.copy();
  EXPECT_EQ(QGuiApplication::clipboard()->text(), text.mid(10'000, 20));
  // Backspace at the start of a piece takes the character before it: here
  // the emoji, which kept its two units in the first piece.
  const QTextBlock second = t.document()->findBlockByNumber(2);
  QTextCursor c = t.textCursor();
  c.setPosition(second.position());
  t.setTextCursor(c);
  const int at = t.SelStart();
  int line1 = 0, column = 0;
  t.caretLineColumn(&line1, &column);
  EXPECT_EQ(line1, 2);  // one line, however many pieces
  QTest::keyClick(&t, Qt::Key_Backspace);
  EXPECT_EQ(at, 5 + 10'001);
  QString expected = text;
  expected.remove(at - 2, 2);
  EXPECT_EQ(t.Text(), expected);
  EXPECT_EQ(t.SelStart(), at - 2);
}

// At the join of two pieces of a long line each arrow press moves one
// character, and Shift+arrow selects one character per press, whichever
// line ends the document has.
TEST(EditControl, ArrowsCrossAPieceJoinOneCharacterAPress) {
  struct Case {
    const char* name;
    const char* head;  // the line before the long one
    Qt::Key key;
    Qt::KeyboardModifiers mods;
    int from;  // Text position within the long line, before the presses
    int presses;
    int caret;   // expected caret (the moving end), within the long line
    int length;  // expected selection length
  };
  const Case cases[] = {
      {"right over the join, LF", "head\n", Qt::Key_Right, Qt::NoModifier, 9'998, 3, 10'001, 0},
      {"right over the join, CR LF", "head\r\n", Qt::Key_Right, Qt::NoModifier, 9'998, 3, 10'001,
       0},
      {"left over the join", "head\n", Qt::Key_Left, Qt::NoModifier, 10'002, 3, 9'999, 0},
      {"left from just after the join", "", Qt::Key_Left, Qt::NoModifier, 10'001, 2, 9'999, 0},
      {"shift+right selects one a press", "head\r\n", Qt::Key_Right, Qt::ShiftModifier, 9'998, 3,
       10'001, 3},
      {"shift+left selects one a press", "head\n", Qt::Key_Left, Qt::ShiftModifier, 10'002, 3,
       9'999, 3},
      {"shift+right over two joins", "", Qt::Key_Right, Qt::ShiftModifier, 9'999, 10'002, 20'001,
       10'002},
  };
  for (const Case& c : cases) {
    EditControl t;
    t.show();
    const QString head = QString::fromUtf8(c.head);
    const QString text = head + QString(35'000, QLatin1Char('x')) + QStringLiteral("\nend");
    t.setText(text);
    ASSERT_GT(t.document()->blockCount(), 3) << c.name;
    t.setSelStart(int(head.size()) + c.from);
    for (int i = 0; i < c.presses; ++i) QTest::keyClick(&t, c.key, c.mods);
    const QTextCursor cur = t.textCursor();
    EXPECT_EQ(t.docToText(cur.position()) - head.size(), c.caret) << c.name;
    EXPECT_EQ(t.SelLength(), c.length) << c.name;
    EXPECT_EQ(t.Text(), text) << c.name;
  }
}

TEST(EditControl, ALoneCrBecomesALineBreak) {
  EditControl t;
  t.setText(QStringLiteral("a\rb"));
  EXPECT_EQ(t.Text(), QStringLiteral("a\r\nb"));
}

TEST(EditControl, CaretInsideCrLfIsRefused) {
  EditControl t;
  t.setText(QStringLiteral("ab\r\ncd\r\n"));
  t.setSelStart(1);
  t.setSelStart(3);  // between CR and LF
  EXPECT_EQ(t.SelStart(), 1);
  t.setSelStart(2);
  EXPECT_EQ(t.SelStart(), 2);
  t.setSelStart(4);
  EXPECT_EQ(t.SelStart(), 4);
  t.setSelLength(2);
  EXPECT_EQ(t.SelText(), QStringLiteral("cd"));
  t.setSelStart(7);  // inside the final break: nothing moves
  EXPECT_EQ(t.SelStart(), 4);
  EXPECT_EQ(t.SelLength(), 2);
  t.setSelStart(5);  // setting the start collapses the selection
  EXPECT_EQ(t.SelLength(), 0);
  t.setSelStart(8);
  EXPECT_EQ(t.SelStart(), 8);
  t.setSelStart(100);  // past the end: the end
  EXPECT_EQ(t.SelStart(), 8);
}

TEST(EditControl, SelectionsCountCrLfAsTwo) {
  EditControl t;
  t.setText(QStringLiteral("ab\r\ncd"));
  t.setSelStart(1);
  t.setSelLength(4);
  EXPECT_EQ(t.SelStart(), 1);
  EXPECT_EQ(t.SelLength(), 4);
  EXPECT_EQ(t.SelText(), QStringLiteral("b\r\nc"));
  // The CR alone can be selected, as the reading step does.
  t.setSelStart(2);
  t.setSelLength(1);
  EXPECT_EQ(t.SelLength(), 1);
  EXPECT_EQ(t.SelText(), QStringLiteral("\r"));
  // At the end nothing can be selected.
  t.setSelStart(6);
  t.setSelLength(1);
  EXPECT_EQ(t.SelLength(), 0);
  EXPECT_EQ(t.SelText(), QString());
}

TEST(EditControl, PositionsCountUtf16Units) {
  EditControl t;
  t.setText(QStringLiteral("a") + kEmoji + QStringLiteral("b\nc"));
  EXPECT_EQ(t.TextLength(), 6);
  t.setSelStart(3);
  t.setSelLength(1);
  EXPECT_EQ(t.SelText(), QStringLiteral("b"));
  t.setSelStart(4);
  t.setSelLength(2);
  EXPECT_EQ(t.SelText(), QStringLiteral("\nc"));
}

TEST(EditControl, SelTextReplacesAndLeavesCaretAfter) {
  EditControl t;
  t.setText(QStringLiteral("hello world"));
  t.setSelStart(6);
  t.setSelLength(5);
  t.setSelText(QStringLiteral("a\r\nb\nc"));
  EXPECT_EQ(t.Text(), QStringLiteral("hello a\r\nb\nc"));
  EXPECT_EQ(t.SelStart(), 12);
  EXPECT_EQ(t.SelLength(), 0);
  t.setSelStart(0);
  t.setSelText(QStringLiteral(">"));
  EXPECT_EQ(t.Text(), QStringLiteral(">hello a\r\nb\nc"));
  EXPECT_EQ(t.SelStart(), 1);
}

TEST(EditControl, ChangeAndSelectionEvents) {
  // Each operation in turn on one control, with the events it raises: one
  // change event per change of the text (setting the text always counts),
  // one selection event per move of the caret or the selection, none for
  // what changes neither.
  EditControl t;
  QSignalSpy changed(&t, &EditControl::changed);
  QSignalSpy sel(&t, &EditControl::selChange);
  const struct {
    const char* what;
    std::function<void()> run;
    int changes, selChanges;
    int start, length;  // the selection afterwards
  } steps[] = {
      {"set the text", [&] { t.setText(QStringLiteral("abc")); }, 1, 1, 0, 0},
      {"set the same text", [&] { t.setText(QStringLiteral("abc")); }, 1, 1, 0, 0},
      {"move the caret", [&] { t.setSelStart(1); }, 0, 1, 1, 0},
      {"caret where it is", [&] { t.setSelStart(1); }, 0, 0, 1, 0},
      {"select one", [&] { t.setSelLength(1); }, 0, 1, 1, 1},
      {"replace the selection", [&] { t.setSelText(QStringLiteral("XY")); }, 1, 1, 3, 0},
      {"insert nothing", [&] { t.setSelText(QString()); }, 0, 0, 3, 0},
      {"select in one go", [&] { t.select(0, 2); }, 0, 1, 0, 2},
      {"delete the selection", [&] { t.setSelText(QString()); }, 1, 1, 0, 0},
      {"a text with a break", [&] { t.setText(QStringLiteral("a\r\nb")); }, 1, 1, 0, 0},
      {"caret inside the break", [&] { t.setSelStart(2); }, 0, 0, 0, 0},
      {"caret after the break", [&] { t.setSelStart(3); }, 0, 1, 3, 0},
      {"replace before the caret", [&] { t.replaceText(0, 1, QStringLiteral("zz")); }, 1, 1, 4, 0},
      {"font and colour",
       [&] {
         t.setFontSize(12);
         t.setBackColor(255);
       },
       0, 0, 4, 0},
      {"empty the text", [&] { t.setText(QString()); }, 1, 1, 0, 0},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.what);
    changed.clear();
    sel.clear();
    const quint64 before = t.changeCount();
    step.run();
    EXPECT_EQ(changed.count(), step.changes);
    EXPECT_EQ(t.changeCount() - before, quint64(step.changes));
    EXPECT_EQ(sel.count(), step.selChanges);
    EXPECT_EQ(t.SelStart(), step.start);
    EXPECT_EQ(t.SelLength(), step.length);
  }
}

TEST(EditControl, TypingChineseAndTheWidgetsOwnUndoIsOff) {
  EditControl t;
  t.show();
  QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QStringLiteral("中"));
  QCoreApplication::sendEvent(&t, &press);
  QTest::keyClick(&t, Qt::Key_A);
  EXPECT_EQ(t.Text(), QStringLiteral("中a"));
  QTest::keyClick(&t, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(t.Text(), QStringLiteral("中a"));
  QTest::keyClick(&t, Qt::Key_Y, Qt::ControlModifier);
  EXPECT_EQ(t.Text(), QStringLiteral("中a"));
}

TEST(EditControl, KeyEventsCarryKeyCodesAndModifierState) {
  EditControl t;
  t.show();
  QSignalSpy down(&t, &EditControl::keyDown);
  QSignalSpy up(&t, &EditControl::keyUp);
  QTest::keyPress(&t, Qt::Key_B, Qt::ControlModifier);  // Ctrl goes down first
  ASSERT_GE(down.count(), 1);
  EXPECT_EQ(down.last()[0].toInt(), 66);
  EXPECT_EQ(down.last()[1].toInt(), kCtrlMask);
  up.clear();
  QKeyEvent left(QEvent::KeyRelease, Qt::Key_Left, Qt::NoModifier);
  QCoreApplication::sendEvent(&t, &left);
  ASSERT_EQ(up.count(), 1);
  EXPECT_EQ(up[0][0].toInt(), 37);
  // The release of Shift itself arrives with Shift up.
  QKeyEvent shift(QEvent::KeyRelease, Qt::Key_Shift, Qt::ShiftModifier);
  QCoreApplication::sendEvent(&t, &shift);
  ASSERT_EQ(up.count(), 2);
  EXPECT_EQ(up[1][0].toInt(), 16);
  EXPECT_EQ(up[1][1].toInt(), 0);
}

TEST(EditControl, RightButtonRaisesMouseUpAndNoOwnContextMenu) {
  EditControl t;
  t.show();
  EXPECT_EQ(t.contextMenuPolicy(), Qt::PreventContextMenu);
  QSignalSpy up(&t, &EditControl::mouseUp);
  QTest::mouseClick(t.viewport(), Qt::RightButton, Qt::ShiftModifier, QPoint(5, 6));
  ASSERT_EQ(up.count(), 1);
  EXPECT_EQ(up[0][0].toInt(), 2);
  EXPECT_EQ(up[0][1].toInt(), kShiftMask);
}

TEST(EditControl, FontWithFractionsAndBackColor) {
  EditControl t;
  t.setFontSize(26.25);
  EXPECT_DOUBLE_EQ(t.FontSize(), 26.25);
  t.setFontBold(true);
  t.setFontItalic(true);
  EXPECT_TRUE(t.FontBold());
  EXPECT_TRUE(t.FontItalic());
  t.setBackColor(0x0000FF);  // red in the low byte
  EXPECT_EQ(t.palette().color(QPalette::Base), QColor(255, 0, 0));
  EXPECT_EQ(toColorValue(QColor(1, 2, 3)), 0x030201);
}

}  // namespace

namespace {

// Positions stay right while the text changes under the control's caches:
// after each of a run of random edits on text mixing CR LF and lone LF,
// `Text` equals the same edits made on a plain string, and every character,
// the length and the refused positions agree with it.
TEST(EditControl, PositionsStayRightAcrossEdits) {
  EditControl t;
  QString model = QStringLiteral("ab\r\ncd\r\n\r\nef\ngh\n\nij");
  t.setText(model);
  quint32 seed = 12345;
  auto next = [&](int n) {
    seed = seed * 1103515245u + 12345u;
    return static_cast<int>((seed >> 8) % static_cast<quint32>(n));
  };
  const QString pieces[] = {QStringLiteral("x"),
                            QStringLiteral("\r\n"),
                            QStringLiteral("汉"),
                            QStringLiteral("\n"),
                            QString(),
                            QStringLiteral("y\r\nz"),
                            QStringLiteral("\n\nw\r\n"),
                            QStringLiteral("p\nq")};
  for (int round = 0; round < 400; ++round) {
    ASSERT_EQ(t.TextLength(), model.size());
    // Warm the caches somewhere, then edit elsewhere.
    const int probe = next(model.size() + 1);
    EXPECT_EQ(t.CharAt(probe), probe < model.size() ? QString(model[probe]) : QString());
    int at = next(model.size() + 1);
    if (t.IsInsideBreak(at)) --at;
    const int len = next(4);
    const QString piece = pieces[next(8)];
    if (round % 3 == 0) {
      // The program's own edit, as undo makes it; it never splits a CR LF.
      int end = std::min<int>(at + len, model.size());
      if (t.IsInsideBreak(end)) ++end;
      t.replaceText(at, end - at, piece);
      model.replace(at, end - at, piece);
    } else {
      t.select(at, len);
      // A selection that ends on the CR alone replaces the whole break.
      int end = std::min<int>(at + len, model.size());
      if (end > 0 && end < model.size() && model[end - 1] == u'\r' && model[end] == u'\n') ++end;
      t.setSelText(piece);
      model.replace(at, end - at, piece);
      ASSERT_EQ(t.SelStart(), at + piece.size()) << "round " << round;
    }
    ASSERT_EQ(t.Text(), model) << "round " << round;
    ASSERT_EQ(t.TextLength(), model.size());
    for (int i = 0; i < model.size(); ++i) {
      ASSERT_EQ(t.CharAt(i), QString(model[i])) << "round " << round << " @" << i;
      ASSERT_EQ(t.IsInsideBreak(i), i > 0 && model[i] == u'\n' && model[i - 1] == u'\r');
    }
    const int from = next(model.size() + 1);
    const int n = next(6);
    EXPECT_EQ(t.TextMid(from, n), model.mid(from, n)) << "round " << round;
  }
}

// Enter and Shift+Enter insert the document's own line break, never the
// widget's line separator; the status figures follow.
TEST(EditControl, EnterInsertsTheDocumentsLineBreak) {
  EditControl t;
  t.show();
  struct Case {
    EditControl::LineEnd kind;
    QString br;
  };
  for (const Case& c : {Case{EditControl::LineEnd::CrLf, QStringLiteral("\r\n")},
                        Case{EditControl::LineEnd::Lf, QStringLiteral("\n")}}) {
    t.setText(QStringLiteral("ab"));
    t.setLineEnd(c.kind);
    t.setSelStart(1);
    QTest::keyClick(&t, Qt::Key_Return);
    QTest::keyClick(&t, Qt::Key_Return, Qt::ShiftModifier);
    QTest::keyClick(&t, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(t.Text(), QStringLiteral("a") + c.br + c.br + c.br + QStringLiteral("b"));
    EXPECT_EQ(t.SelStart(), 1 + 3 * c.br.size());
    EXPECT_FALSE(t.document()->toRawText().contains(QChar::LineSeparator));
    int line = 0, column = 0;
    t.caretLineColumn(&line, &column);
    EXPECT_EQ(line, 4);
    EXPECT_EQ(column, 1);
  }
}

// Pasting turns every line break into the document's own; copying gives
// other programs LF line ends. Both through the real clipboard.
TEST(EditControl, ClipboardLineEndsBothWays) {
  QClipboard* board = QGuiApplication::clipboard();
  EditControl t;
  t.show();
  for (const auto kind : {EditControl::LineEnd::Lf, EditControl::LineEnd::CrLf}) {
    const QString br =
        kind == EditControl::LineEnd::Lf ? QStringLiteral("\n") : QStringLiteral("\r\n");
    t.setText(QStringLiteral("[]"));
    t.setLineEnd(kind);
    board->setText(QStringLiteral("1\r\n2\n3\r4"));
    t.setSelStart(1);
    t.paste();  // the widget's own paste: a middle button or a drop goes the same way
    EXPECT_EQ(t.Text(), QStringLiteral("[1") + br + "2" + br + "3" + br + QStringLiteral("4]"));
    t.select(0, t.TextLength());
    t.copy();
    EXPECT_EQ(board->text(), QStringLiteral("[1\n2\n3\n4]"));
  }
  EXPECT_EQ(t.withLineEnds(QStringLiteral("a\r\rb\n")), QStringLiteral("a\r\n\r\nb\r\n"));
}

TEST(EditControl, SelectSetsStartAndLengthOrRefusesInsideABreak) {
  EditControl t;
  t.setText(QStringLiteral("ab\r\ncd"));
  EXPECT_TRUE(t.select(4, 2));
  EXPECT_EQ(t.SelText(), QStringLiteral("cd"));
  EXPECT_FALSE(t.select(3, 1));
  EXPECT_EQ(t.SelStart(), 4);
  EXPECT_EQ(t.SelLength(), 2);
  EXPECT_TRUE(t.select(2, 1));
  EXPECT_EQ(t.SelText(), QStringLiteral("\r"));
  EXPECT_TRUE(t.select(6, 1));
  EXPECT_EQ(t.SelLength(), 0);
}

}  // namespace
