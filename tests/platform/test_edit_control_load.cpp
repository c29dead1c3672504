// SPDX-License-Identifier: GPL-3.0-or-later
// A large text loaded into the edit control: its first lines at once, the
// rest in slices between events. Whatever the text's line ends and long
// lines, the control ends up holding exactly the whole text, with the
// positions, line counts and line breaks a text set at once has; edits made
// meanwhile stay, and a load cancelled leaves nothing behind.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>

#include <optional>

#include "platform/edit_control.h"
#include "support/wait.h"

namespace {

// Runs the event loop until the control's load is over (at most 60 s).
[[nodiscard]] testing::AssertionResult loaded(const EditControl& t) {
  return waitUntil([&] { return !t.isLoading(); }, 60000);
}

struct Done {
  int calls = 0;
  QString text;
  bool edited = false;
  EditControl::LoadDone callback() {
    return [this](const QString& s, bool e) {
      ++calls;
      text = s;
      edited = e;
    };
  }
};

// `lines` lines of mixed text, each ended by `br`.
QString manyLines(int lines, const QString& br) {
  QString s;
  for (int i = 0; i < lines; ++i) s += QStringLiteral("第%1行 中文 Latin 12345。").arg(i) + br;
  return s;
}

struct Case {
  const char* name;
  QString text;
};

std::vector<Case> cases() {
  QString longLines = manyLines(200, QStringLiteral("\n"));
  // A line of 300 000 units (held by the control in pieces), a surrogate
  // pair on a piece boundary, then more lines.
  QString huge(300000, QLatin1Char('x'));
  huge[9999] = QChar(0xD83D);
  huge[10000] = QChar(0xDE00);
  longLines += huge + QStringLiteral("\n") + manyLines(20000, QStringLiteral("\n"));
  QString mixed = manyLines(30000, QStringLiteral("\r\n")) + manyLines(30000, QStringLiteral("\n"));
  // Kept bytes of a file and a U+2029 of the text itself.
  mixed += QStringLiteral("a") + QChar(0xDC81) + QStringLiteral("b\u2029c\r\n");
  return {
      {"CrLfLines", manyLines(60000, QStringLiteral("\r\n"))},
      {"LfLines", manyLines(60000, QStringLiteral("\n"))},
      {"LongLineAmongLines", longLines},
      {"MixedBreaksAndKeptBytes", mixed},
      {"NoBreakAtTheEnd", manyLines(60000, QStringLiteral("\n")) + QStringLiteral("末行")},
  };
}

QString previewOf(const QString& text) {
  qsizetype cut = EditControl::kPreviewUnits;
  while (text[cut - 1] != u'\n') --cut;
  return text.left(cut);
}

// The control after a load holds what it would hold had the text been set
// at once: the same text, length, lines, line-break counts and positions.
TEST(EditControlLoad, EndsExactlyAsTheTextSetAtOnce) {
  for (const Case& c : cases()) {
    SCOPED_TRACE(c.name);
    EditControl t, reference;
    t.resize(600, 400);
    t.show();
    reference.setText(c.text);
    Done done;
    int changes = 0;
    QObject::connect(&t, &EditControl::changed, [&] { ++changes; });
    std::vector<int> progress;
    QObject::connect(&t, &EditControl::loadProgress, [&](int p, bool) { progress.push_back(p); });
    const QString preview = previewOf(c.text);
    t.loadText(
        preview, [text = c.text] { return text; }, done.callback());
    EXPECT_EQ(changes, 1);  // the preview shown, as any text set
    changes = 0;
    ASSERT_TRUE(t.isLoading());
    EXPECT_EQ(t.Text(), preview);  // what is shown at once
    ASSERT_TRUE(loaded(t));
    ASSERT_FALSE(t.isLoading());
    EXPECT_EQ(done.calls, 1);
    EXPECT_FALSE(done.edited);
    EXPECT_EQ(done.text, c.text);
    EXPECT_EQ(t.Text(), c.text);
    EXPECT_EQ(t.TextLength(), c.text.size());
    EXPECT_EQ(t.lineCount(), reference.lineCount());
    int crLf = 0, lf = 0, refCrLf = 0, refLf = 0;
    t.lineBreakCounts(&crLf, &lf);
    reference.lineBreakCounts(&refCrLf, &refLf);
    EXPECT_EQ(crLf, refCrLf);
    EXPECT_EQ(lf, refLf);
    for (const int line : {1, 2, reference.lineCount() / 2, reference.lineCount()})
      EXPECT_EQ(t.lineStart(line), reference.lineStart(line)) << line;
    const int mid = int(c.text.size() / 2);
    EXPECT_EQ(t.TextMid(mid, 500), c.text.mid(mid, 500));
    // The slices are no edits; the progress goes up to all.
    EXPECT_EQ(changes, 0);
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.front(), -1);
    EXPECT_EQ(progress.back(), 100);
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
  }
}

// Typing while the rest loads: the typing stays where it was made, the
// rest comes after, and `done` says the text was edited.
TEST(EditControlLoad, AnEditMadeMeanwhileStays) {
  const QString text = manyLines(60000, QStringLiteral("\r\n"));
  EditControl t;
  Done done;
  int changes = 0;
  QObject::connect(&t, &EditControl::changed, [&] { ++changes; });
  t.loadText(
      previewOf(text), [text] { return text; }, done.callback());
  changes = 0;
  t.setSelStart(3);
  QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QStringLiteral("字"));
  QApplication::sendEvent(&t, &press);
  EXPECT_EQ(changes, 1);
  ASSERT_TRUE(loaded(t));
  EXPECT_EQ(done.calls, 1);
  EXPECT_TRUE(done.edited);
  EXPECT_EQ(done.text, text);  // the text as loaded, the base of a history
  EXPECT_EQ(t.Text(), text.left(3) + QStringLiteral("字") + text.mid(3));
  EXPECT_EQ(t.SelStart(), 4);
}

// `finishLoading` brings the rest in before it returns; the end of the
// document by key is the end of the whole text.
TEST(EditControlLoad, FinishingAndTheEndKeyBringTheWholeText) {
  const QString text = manyLines(60000, QStringLiteral("\n"));
  for (const bool byKey : {false, true}) {
    SCOPED_TRACE(byKey ? "Ctrl+End" : "finishLoading");
    EditControl t;
    Done done;
    t.loadText(
        previewOf(text), [text] { return text; }, done.callback());
    if (byKey) {
      QKeyEvent press(QEvent::KeyPress, Qt::Key_End, Qt::ControlModifier);
      QApplication::sendEvent(&t, &press);
      EXPECT_EQ(t.SelStart(), text.size());
    } else {
      t.finishLoading();
    }
    EXPECT_FALSE(t.isLoading());
    EXPECT_EQ(done.calls, 1);
    EXPECT_EQ(t.Text(), text);
  }
}

// A text set, or another load, ends a load: nothing of it arrives later.
TEST(EditControlLoad, ACancelledLoadLeavesNothing) {
  const QString first = manyLines(60000, QStringLiteral("\n"));
  const QString second = manyLines(50000, QStringLiteral("\r\n")).replace(u'第', u'其');
  EditControl t;
  Done a, b;
  t.loadText(
      previewOf(first), [first] { return first; }, a.callback());
  t.setText(QStringLiteral("new\r\n"));
  EXPECT_FALSE(t.isLoading());
  t.loadText(
      previewOf(first), [first] { return first; }, a.callback());
  t.loadText(
      previewOf(second), [second] { return second; }, b.callback());
  ASSERT_TRUE(loaded(t));
  for (int i = 0; i < 20; ++i) QApplication::processEvents();
  EXPECT_EQ(a.calls, 0);
  EXPECT_EQ(b.calls, 1);
  EXPECT_EQ(t.Text(), second);
}

// A whole text that does not begin with the preview replaces it.
TEST(EditControlLoad, AWholeTextOtherThanThePreviewReplacesIt) {
  const QString text = manyLines(60000, QStringLiteral("\n"));
  EditControl t;
  Done done;
  t.loadText(
      QStringLiteral("something else\n"), [text] { return text; }, done.callback());
  t.finishLoading();
  EXPECT_EQ(done.calls, 1);
  EXPECT_EQ(t.Text(), text);
}

// A text at hand: a small one is set at once, a large one from its start.
TEST(EditControlLoad, GradualSettingOfATextAtHand) {
  for (const qsizetype units : {qsizetype(1000), EditControl::kGradualUnits + 1000}) {
    SCOPED_TRACE(units);
    QString text = manyLines(int(units / 24) + 1, QStringLiteral("\r\n"));
    EditControl t;
    Done done;
    t.setTextGradually(text, done.callback());
    EXPECT_EQ(t.isLoading(), text.size() >= EditControl::kGradualUnits);
    ASSERT_TRUE(loaded(t));
    EXPECT_EQ(done.calls, 1);
    EXPECT_EQ(t.Text(), text);
  }
}

}  // namespace
