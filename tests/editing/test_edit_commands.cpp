// SPDX-License-Identifier: GPL-3.0-or-later
// The edit menu and the editor's events, driven through a main window with
// scripted dialogs, the keys and the mouse.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QFile>
#include <QImage>
#include <QInputMethodEvent>
#include <QLocale>
#include <QMenu>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <QWheelEvent>

#include "editing/editor_zoom.h"
#include "platform/edit_control.h"
#include "support/test_window.h"

namespace {

class EditFixture : public WindowTest {
 protected:
  void SetUp() override {
    timer1.setInterval(50);  // the clipboard watcher, always on
    timer1.setEnabled(true);
    start(deps().timers(timer1, timer2, timer3)).show();
    QApplication::setActiveWindow(w.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    t()->setFocus();
    QApplication::clipboard()->clear();
    timer1.fire();
  }
  int pos() { return p().undo.UndoPos(); }

  // A key typed as a user types it: the modifier keys pressed before and
  // released after it, menu shortcuts taken.
  void type(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTest::keyClick(t(), key, mods);
  }
  // One key event exactly as given.
  void send(QEvent::Type type, int key, Qt::KeyboardModifiers mods, const QString& text = {}) {
    QKeyEvent e(type, key, mods, text);
    QApplication::sendEvent(t(), &e);
  }
  void setText(const QString& s) {
    t()->setText(s);
    p().resetHistory(t()->Text());
  }
};

TEST_F(EditFixture, AHeldKeyRecordsOnceAtItsRealRelease) {
  // The platform repeats a held key as press and auto-repeat release pairs;
  // only the last release is the key coming up.
  auto hold = [&](int key, const QString& text, int repeats) {
    for (int i = 0; i < repeats; ++i) {
      QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text, i > 0);
      QApplication::sendEvent(t(), &press);
      const bool last = i == repeats - 1;
      QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text, !last);
      QApplication::sendEvent(t(), &release);
    }
  };
  hold(Qt::Key_C, QStringLiteral("c"), 32);
  EXPECT_EQ(t()->Text(), QString(32, QLatin1Char('c')));
  EXPECT_EQ(pos(), 1);
  // Holding Backspace long enough to overrun the history takes one step too,
  // and undo brings the typed text back.
  hold(Qt::Key_Backspace, QString(), 300);
  EXPECT_EQ(t()->Text(), "");
  EXPECT_EQ(pos(), 2);
  QTest::keyClick(t(), Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(t()->Text(), QString(32, QLatin1Char('c')));
  QTest::keyClick(t(), Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(t()->Text(), "");
  EXPECT_EQ(pos(), 0);
}

// The X server repeats a held key as release and press pairs of one time
// stamp, which Qt does not always flag as repeats: the pairs are known by
// their times, and the hold is one step, taken at the key's real release.
TEST_F(EditFixture, AHeldKeyIsOneStepAsTheXServerSendsIt) {
  struct Case {
    const char* name;
    ulong pairGap;  // ms between the release and the press of a pair
    ulong every;    // ms between repeats (or key clicks)
    int presses;
    bool flagged;  // Qt flags the pairs as repeats
    int steps;
  };
  const Case cases[] = {
      {"pairs of one time, unflagged", 0, 40, 35, false, 1},
      {"pairs 1 ms apart, unflagged", 1, 40, 35, false, 1},
      {"pairs flagged by Qt", 0, 40, 35, true, 1},
      {"the key typed again and again", 90, 180, 5, false, 5},
  };
  for (const Case& c : cases) {
    setText(QString());
    ulong now = 100'000;
    auto key = [&](QEvent::Type type, bool repeat) {
      QKeyEvent e(type, Qt::Key_C, Qt::NoModifier, QStringLiteral("c"), repeat);
      e.setTimestamp(now);
      QApplication::sendEvent(t(), &e);
    };
    key(QEvent::KeyPress, false);
    for (int i = 1; i < c.presses; ++i) {
      now += c.every;
      key(QEvent::KeyRelease, c.flagged);
      now += c.pairGap;
      key(QEvent::KeyPress, c.flagged);
    }
    now += c.every;
    key(QEvent::KeyRelease, false);
    EXPECT_EQ(t()->Text(), QString(c.presses, QLatin1Char('c'))) << c.name;
    EXPECT_EQ(pos(), c.steps) << c.name;
    EXPECT_TRUE(menu().numUndo->isEnabled()) << c.name;
    // One undo takes the whole hold (or the last typed key) away.
    QTest::keyClick(t(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(t()->Text(), QString(c.steps == 1 ? 0 : c.presses - 1, QLatin1Char('c'))) << c.name;
  }
}

TEST_F(EditFixture, ZoomChangesTheShownSizeOnlyForTheSession) {
  t()->setFontSize(10.5);
  EditorZoom& zoom = w->zoom();
  const double chosen = zoom.shownPoints();
  EXPECT_DOUBLE_EQ(chosen, 10.5);
  type(Qt::Key_Equal, Qt::ControlModifier);
  type(Qt::Key_Equal, Qt::ControlModifier);
  EXPECT_EQ(zoom.steps(), 2);
  EXPECT_GT(zoom.shownPoints(), chosen * 1.2);
  type(Qt::Key_Minus, Qt::ControlModifier);
  EXPECT_EQ(zoom.steps(), 1);
  // Ctrl+wheel: one notch, one step; without Ctrl the wheel scrolls.
  auto wheel = [&](int delta, Qt::KeyboardModifiers mods) {
    const QPointF at(10, 10);
    QWheelEvent e(at, t()->viewport()->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                  mods, Qt::NoScrollPhase, false);
    QApplication::sendEvent(t()->viewport(), &e);
  };
  wheel(120, Qt::ControlModifier);
  EXPECT_EQ(zoom.steps(), 2);
  wheel(-240, Qt::ControlModifier);
  EXPECT_EQ(zoom.steps(), 0);
  wheel(120, Qt::NoModifier);
  EXPECT_EQ(zoom.steps(), 0);
  type(Qt::Key_Equal, Qt::ControlModifier);
  EXPECT_EQ(zoom.steps(), 1);
  // The chosen size, the one stored, is unchanged, and a new chosen size keeps the zoom.
  EXPECT_DOUBLE_EQ(t()->FontSize(), 10.5);
  t()->setFontSize(20);
  QCoreApplication::processEvents();
  EXPECT_NEAR(zoom.shownPoints(), 20 * EditorZoom::kFactor, 0.01);
  EXPECT_DOUBLE_EQ(t()->FontSize(), 20);
  type(Qt::Key_0, Qt::ControlModifier);
  EXPECT_EQ(zoom.steps(), 0);
  EXPECT_DOUBLE_EQ(zoom.shownPoints(), 20);
  EXPECT_EQ(t()->Text(), "");  // none of the keys typed anything
}

TEST_F(EditFixture, AFileDroppedOnTheWindowOpensAsOpenWould) {
  QTemporaryDir dir;
  const QString file = dir.filePath(QStringLiteral("拖入.txt"));
  {
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("dropped\r\n");
  }
  type(Qt::Key_A);  // an unsaved change: the save question comes first
  auto drop = [&](QMimeData* data) {
    QWidget* target = t()->viewport();
    const QPoint at(20, 20);
    QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton,
                          Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDropEvent dropped(QPointF(at), Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton,
                       Qt::NoModifier);
    QApplication::sendEvent(target, &dropped);
    QCoreApplication::processEvents();
    return dropped.isAccepted();
  };
  QMimeData files;
  files.setUrls({QUrl::fromLocalFile(file)});
  files.setText(file);  // file managers offer the path as text too: not inserted
  ui.answers = {MsgResult::No};
  EXPECT_TRUE(drop(&files));
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_TRUE(ui.messages[0].text.endsWith(QStringLiteral("想保存文件吗?")));
  EXPECT_EQ(t()->Text(), "dropped\r\n");
  EXPECT_EQ(p().CurrentFileName, file);
  EXPECT_TRUE(p().HasFileName);
  EXPECT_EQ(w->windowTitle(), file + QStringLiteral(" - 妙音朗读器"));
  EXPECT_EQ(pos(), 0);
  EXPECT_TRUE(ui.fileDialogs.empty());
  // Dropped text is still inserted as text.
  QMimeData text;
  text.setText(QStringLiteral("插入"));
  t()->setSelStart(0);
  drop(&text);
  EXPECT_TRUE(t()->Text().contains(QStringLiteral("插入")));
  EXPECT_EQ(p().CurrentFileName, file);
}

TEST_F(EditFixture, EachTypedKeyIsOneSnapshotAndUndoByKeyStepsBack) {
  type(Qt::Key_A);
  type(Qt::Key_B);
  type(Qt::Key_C);
  EXPECT_EQ(t()->Text(), "abc");
  EXPECT_EQ(pos(), 3);
  EXPECT_TRUE(menu().numUndo->isEnabled());
  for (QString expected : {"ab", "a", ""}) {
    type(Qt::Key_Z, Qt::ControlModifier);  // the program's undo, not the widget's
    EXPECT_EQ(t()->Text(), expected);
  }
  EXPECT_EQ(pos(), 0);
  EXPECT_FALSE(menu().numUndo->isEnabled());
  // Undone back to the base: closing asks nothing.
  w->close();
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(EditFixture, KeyUpRecordsOnlyWithoutModifiersAndNotForArrows) {
  // Shift+A: nothing at the letter's release, the snapshot at Shift's.
  send(QEvent::KeyPress, Qt::Key_Shift, Qt::ShiftModifier);
  send(QEvent::KeyPress, Qt::Key_A, Qt::ShiftModifier, "A");
  send(QEvent::KeyRelease, Qt::Key_A, Qt::ShiftModifier, "A");
  EXPECT_EQ(t()->Text(), "A");
  EXPECT_EQ(pos(), 0);
  send(QEvent::KeyRelease, Qt::Key_Shift, Qt::ShiftModifier);
  EXPECT_EQ(pos(), 1);

  // A change followed by an arrow: recorded at the next other key release.
  t()->setSelText("b");
  QTest::keyClick(t(), Qt::Key_Left);
  EXPECT_EQ(pos(), 1);
  QTest::keyClick(t(), Qt::Key_End);
  EXPECT_EQ(pos(), 2);
  EXPECT_FALSE(p().editing.TextDirty);
  // Moving about without a change records nothing.
  QTest::keyClick(t(), Qt::Key_Home);
  EXPECT_EQ(pos(), 2);
}

TEST_F(EditFixture, PasteByKeyAndByMenuInsertOnceAndRecordOnce) {
  setText("0123");
  QApplication::clipboard()->setText("一\n二");
  timer1.fire();
  ASSERT_TRUE(menu().numPaste->isEnabled());

  t()->setSelStart(1);
  t()->setSelLength(2);
  type(Qt::Key_V, Qt::ControlModifier);
  // The platform's LF is a line break of the document.
  EXPECT_EQ(t()->Text(), "0一\r\n二3");
  EXPECT_EQ(pos(), 1);
  EXPECT_FALSE(p().editing.PasteKeyPressed);

  menu().numPaste->trigger();
  EXPECT_EQ(t()->Text(), "0一\r\n二一\r\n二3");
  EXPECT_EQ(pos(), 2);
  // A Ctrl+V the control reports (it pastes by itself) is not pasted again
  // by the menu's paste that follows; another key with V is no paste key.
  struct Key {
    const char* name;
    int shift;
    bool pasted;
  } const keys[] = {{"Ctrl+V", kCtrlMask, true},
                    {"Ctrl+Shift+V", kCtrlMask | kShiftMask, false},
                    {"V", 0, false}};
  for (const Key& k : keys) {
    SCOPED_TRACE(k.name);
    const QString before = t()->Text();
    Q_EMIT t()->keyDown(virtualKeyCode(Qt::Key_V), k.shift);
    EXPECT_EQ(p().editing.PasteKeyPressed, k.pasted);
    menu().numPaste->trigger();
    EXPECT_FALSE(p().editing.PasteKeyPressed);
    if (k.pasted) {
      EXPECT_EQ(t()->Text(), before);
      EXPECT_EQ(pos(), 2);
    } else {
      EXPECT_EQ(t()->Text().size(), before.size() + 4);
      EXPECT_EQ(pos(), 3);
      menu().numUndo->trigger();
    }
  }
  EXPECT_EQ(t()->Text(), "0一\r\n二一\r\n二3");
  EXPECT_EQ(pos(), 2);
  // Ctrl+V with nothing to paste leaves no paste pending.
  QApplication::clipboard()->clear();
  timer1.fire();
  ASSERT_FALSE(menu().numPaste->isEnabled());
  type(Qt::Key_V, Qt::ControlModifier);
  EXPECT_FALSE(p().editing.PasteKeyPressed);
  EXPECT_EQ(pos(), 2);
  // Another program's text with CR LF comes in the same.
  QApplication::clipboard()->setText("x\r\ny");
  timer1.fire();
  menu().numPaste->trigger();
  EXPECT_EQ(t()->Text(), "0一\r\n二一\r\n二x\r\ny3");
}

TEST_F(EditFixture, CutCopyAndUndo) {
  setText("hello world");
  t()->setSelStart(6);
  t()->setSelLength(5);
  EXPECT_TRUE(menu().numCut->isEnabled());
  EXPECT_TRUE(menu().numCopy->isEnabled());
  type(Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), "world");
  EXPECT_EQ(pos(), 0);

  t()->setSelStart(0);
  t()->setSelLength(6);
  type(Qt::Key_X, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), "hello ");
  EXPECT_EQ(t()->Text(), "world");
  EXPECT_EQ(pos(), 1);
  EXPECT_FALSE(menu().numCut->isEnabled());
  EXPECT_FALSE(menu().numCopy->isEnabled());
  menu().numUndo->trigger();
  EXPECT_EQ(t()->Text(), "hello world");
  EXPECT_EQ(t()->SelStart(), 0);

  // Copied line breaks reach other programs as the platform's own.
  setText("a\r\nb");
  menu().numAll->trigger();
  menu().numCopy->trigger();
  EXPECT_EQ(QApplication::clipboard()->text(), "a\nb");
}

TEST_F(EditFixture, DeleteRemovesTheCharacterAfterTheCaret) {
  struct Case {
    const char* text;
    int caret;
    int selLength;
    const char* after;
    bool recorded;
    bool deleteEnabled;
  };
  const Case cases[] = {
      {"abc", 1, 0, "ac", true, true},    {"abc", 0, 3, "", true, false},
      {"abc", 3, 0, "abc", false, false},  // at the end: nothing, and disabled
      {"a\r\nb", 1, 0, "ab", true, true},  // a line break goes whole
      {"ab", 1, 1, "a", true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    setText(QString::fromUtf8(c.text));
    menu().numDelete->setEnabled(true);
    t()->setSelStart(c.caret);
    t()->setSelLength(c.selLength);
    menu().numDelete->trigger();
    EXPECT_EQ(t()->Text(), QString::fromUtf8(c.after));
    EXPECT_EQ(pos(), c.recorded ? 1 : 0);
    EXPECT_EQ(menu().numUndo->isEnabled(), c.recorded);
    EXPECT_EQ(menu().numDelete->isEnabled(), c.deleteEnabled);
  }
}

TEST_F(EditFixture, SelectionDecidesCutCopyAndDelete) {
  struct Case {
    const char* text;
    int caret;
    int selLength;
    bool cutCopy;
    bool del;
  };
  const Case cases[] = {
      {"", 0, 0, false, false},    {"abc", 0, 0, false, true}, {"abc", 3, 0, false, false},
      {"abc", 3, 0, false, false}, {"abc", 1, 2, true, true},  {"abc", 2, 1, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.text) + " " + std::to_string(c.caret) + "+" +
                 std::to_string(c.selLength));
    t()->setText(QString::fromUtf8(c.text));
    t()->setSelStart(c.caret);
    t()->setSelLength(c.selLength);
    w->editCommands().onSelChange();
    EXPECT_EQ(menu().numCut->isEnabled(), c.cutCopy);
    EXPECT_EQ(menu().numCopy->isEnabled(), c.cutCopy);
    EXPECT_EQ(menu().numDelete->isEnabled(), c.del);
  }
  // Select all selects everything and the handler follows.
  t()->setText("全部文字");
  menu().numAll->trigger();
  EXPECT_EQ(t()->SelText(), "全部文字");
  EXPECT_TRUE(menu().numCopy->isEnabled());
}

TEST_F(EditFixture, TheClipboardWatcherFollowsTheClipboard) {
  QApplication::clipboard()->setText("text");
  timer1.fire();
  EXPECT_TRUE(menu().numPaste->isEnabled());
  EXPECT_TRUE(menu().numClear->isEnabled());
  menu().numClear->trigger();
  timer1.fire();
  EXPECT_FALSE(menu().numPaste->isEnabled());
  EXPECT_FALSE(menu().numClear->isEnabled());
  QApplication::clipboard()->setText("again");
  timer1.fire();
  EXPECT_TRUE(menu().numPaste->isEnabled());
  // An image, as another program may put there: no text to paste.
  QImage img(4, 4, QImage::Format_RGB32);
  img.fill(Qt::red);
  QApplication::clipboard()->setImage(img);
  timer1.fire();
  EXPECT_FALSE(menu().numPaste->isEnabled());
  EXPECT_FALSE(menu().numClear->isEnabled());
  QApplication::clipboard()->setText("");
  timer1.fire();
  EXPECT_FALSE(menu().numPaste->isEnabled());
}

TEST_F(EditFixture, TextFromAnInputMethodOrADropIsRecorded) {
  // Chinese typing arrives as input-method commits, without key releases.
  QInputMethodEvent preedit(QStringLiteral("zhong"), {});
  QApplication::sendEvent(t(), &preedit);
  EXPECT_EQ(pos(), 0);
  QInputMethodEvent commit;
  commit.setCommitString(QStringLiteral("中文"));
  QApplication::sendEvent(t(), &commit);
  EXPECT_EQ(t()->Text(), "中文");
  EXPECT_EQ(pos(), 1);

  QMimeData data;
  data.setText(QStringLiteral("拖来的"));
  const QPoint at = t()->cursorRect().center();
  QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(t()->viewport(), &enter);
  QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(t()->viewport(), &drop);
  EXPECT_TRUE(t()->Text().contains("拖来的"));
  EXPECT_EQ(pos(), 2);

  // So closing asks to save.
  ui.answers = {MsgResult::Cancel};
  w->close();
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].buttons, MsgButtons::YesNoCancel);
}

TEST_F(EditFixture, AChangeNotYetRecordedStillAsksBeforeItIsLost) {
  setText("one two");
  t()->setSelStart(7);
  // Ctrl+Backspace removes a word; with Ctrl still down nothing is recorded.
  send(QEvent::KeyPress, Qt::Key_Control, Qt::ControlModifier);
  send(QEvent::KeyPress, Qt::Key_Backspace, Qt::ControlModifier);
  send(QEvent::KeyRelease, Qt::Key_Backspace, Qt::ControlModifier);
  ASSERT_EQ(t()->Text(), "one ");
  ASSERT_EQ(pos(), 0);
  ui.answers = {MsgResult::No};
  w->documents().numNew();
  EXPECT_EQ(ui.messages.size(), 1u);

  t()->setText("again");
  ui.answers = {MsgResult::Cancel};
  w->close();
  EXPECT_EQ(ui.messages.size(), 2u);
  EXPECT_TRUE(w->isVisible());
}

TEST_F(EditFixture, RightButtonShowsTheEditMenu) {
  QTest::mouseClick(t()->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_FALSE(menu().numEdit->isVisible());
  QTest::mouseClick(t()->viewport(), Qt::RightButton, {}, QPoint(10, 10));
  EXPECT_TRUE(menu().numEdit->isVisible());
  // The pointer position: the click was in the text area, the viewport.
  EXPECT_EQ(menu().numEdit->pos(), t()->viewport()->mapToGlobal(QPoint(10, 10)));
  menu().numEdit->hide();
}

TEST(DateTimeText, ShortDateSpaceLongTimeWithoutZone) {
  const QDateTime when(QDate(2024, 3, 5), QTime(14, 7, 9));
  struct Case {
    const char* locale;
    const char* expected;
  };
  const Case cases[] = {
      {"zh_CN", "2024/3/5 14:07:09"},
      {"en_US", "3/5/24 2:07:09 PM"},
      {"de_DE", "05.03.24 14:07:09"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(dateTimeText(when, QLocale(c.locale)), QString::fromUtf8(c.expected)) << c.locale;
}

TEST_F(EditFixture, DateInsertsAtTheSelectionAndRecords) {
  setText("[]");
  t()->setSelStart(1);
  const QDateTime before = QDateTime::currentDateTime();
  menu().numDate->trigger();
  const QString text = t()->Text();
  EXPECT_TRUE(
      text.startsWith("[" + QLocale::system().toString(before.date(), QLocale::ShortFormat) + " "));
  EXPECT_TRUE(text.endsWith("]"));
  EXPECT_EQ(pos(), 1);
}

}  // namespace
