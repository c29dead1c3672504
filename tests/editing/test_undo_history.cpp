// SPDX-License-Identifier: GPL-3.0-or-later
// The undo history on its own, against a model that keeps every snapshot
// whole, as the history must appear to.
#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <QTextCursor>
#include <vector>

#include "platform/edit_control.h"
#include "program/undo_history.h"

namespace {

// The observable history: whole texts and carets per slot.
struct Model {
  std::vector<QString> texts = std::vector<QString>(256);
  std::vector<qint32> carets = std::vector<qint32>(256);
  int pos = 0;
  void reset(const QString& t) {
    pos = 0;
    texts[0] = t;
    carets[0] = 0;
  }
  bool record(const QString& t, int caret) {
    if (t == texts[pos]) return false;
    if (pos < 255) {
      ++pos;
    } else {
      for (int i = 0; i < 255; ++i) {
        texts[i] = texts[i + 1];
        carets[i] = carets[i + 1];
      }
    }
    texts[pos] = t;
    carets[pos] = caret;
    return true;
  }
};

void expectSame(const UndoHistory& h, const Model& m) {
  ASSERT_EQ(h.UndoPos(), m.pos);
  for (int s = 0; s <= m.pos; ++s) {
    ASSERT_EQ(h.text(s), m.texts[s]) << "slot " << s;
    ASSERT_EQ(h.caret(s), m.carets[s]) << "slot " << s;
  }
}

}  // namespace

TEST(UndoHistory, SequencesOfRecordsAndUndos) {
  // Three letters typed one by one, undone one by one back to the base.
  EditControl c;
  UndoHistory h;
  h.reset(QString());
  h.follow(c);
  for (QString s : {"a", "b", "c"}) {
    c.setSelText(s);
    EXPECT_TRUE(h.record(c));
  }
  EXPECT_EQ(h.UndoPos(), 3);
  EXPECT_EQ(h.text(1), "a");
  EXPECT_EQ(h.caret(2), 2);
  for (QString expected : {"ab", "a", ""}) {
    EXPECT_TRUE(h.undo(c));
    EXPECT_EQ(c.Text(), expected);
    EXPECT_EQ(c.SelStart(), expected.size());
    // Undo does not record itself.
    EXPECT_FALSE(h.record(c));
  }
  EXPECT_EQ(h.UndoPos(), 0);
  EXPECT_FALSE(h.undo(c));  // at 0 nothing happens
  EXPECT_EQ(c.Text(), "");

  // Undo twice, then type: the new snapshot takes the slot above.
  for (QString s : {"x", "y", "z"}) {
    c.setSelText(s);
    h.record(c);
  }
  h.undo(c);
  h.undo(c);
  c.setSelText("q");
  EXPECT_TRUE(h.record(c));
  EXPECT_EQ(h.UndoPos(), 2);
  EXPECT_EQ(h.text(2), "xq");
  EXPECT_EQ(h.text(3), "");  // above the position: never read
  h.undo(c);
  EXPECT_EQ(c.Text(), "x");
}

TEST(UndoHistory, TheFullHistoryDropsTheOldestSnapshot) {
  EditControl c;
  c.setText("base");
  UndoHistory h;
  h.reset("base");
  h.follow(c);
  Model m;
  m.reset("base");
  for (int i = 1; i <= 256; ++i) {
    c.setSelStart(c.TextLength());
    c.setSelText(QString::number(i % 10));
    ASSERT_TRUE(h.record(c));
    m.record(c.Text(), c.SelStart());
    if (i == 255) { EXPECT_EQ(h.UndoPos(), 255); }
  }
  EXPECT_EQ(h.UndoPos(), 255);
  expectSame(h, m);
  for (int i = 0; i < 255; ++i) ASSERT_TRUE(h.undo(c));
  EXPECT_EQ(c.Text(), "base1");  // the text after the first change, not the base
  EXPECT_FALSE(h.undo(c));
}

TEST(UndoHistory, CaretsComeBackAfterTheHistoryIsFull) {
  // Edits all over the text, more than the slots hold, then undone one by
  // one: every step shows the text and the caret of its moment.
  EditControl c;
  c.setText("base");
  UndoHistory h;
  h.reset("base");
  h.follow(c);
  Model m;
  m.reset("base");
  for (int i = 1; i <= 300; ++i) {
    c.setSelStart((i * 7) % (c.TextLength() + 1));
    c.setSelText(QString::number(i % 10));
    ASSERT_TRUE(h.record(c));
    m.record(c.Text(), c.SelStart());
  }
  expectSame(h, m);
  for (int slot = 254; slot >= 0; --slot) {
    ASSERT_TRUE(h.undo(c));
    ASSERT_EQ(c.Text(), m.texts[slot]) << "slot " << slot;
    ASSERT_EQ(c.SelStart(), m.carets[slot]) << "slot " << slot;
    ASSERT_EQ(c.SelLength(), 0);
  }
  EXPECT_EQ(h.UndoPos(), 0);
  EXPECT_EQ(c.TextLength(), 4 + 45);  // the 45th edit is the oldest kept
  EXPECT_FALSE(h.undo(c));
}

TEST(UndoHistory, EditsAmongRepeatedCharacters) {
  // Where the changed part could be placed in several ways, the steps back
  // must still give exactly the texts that were recorded.
  const struct {
    const char* base;
    int at, remove;
    const char* insert;
    const char* after;
  } cases[] = {
      {"aa", 1, 0, "a", "aaa"},       {"aa", 0, 0, "a", "aaa"},
      {"aa", 2, 0, "a", "aaa"},       {"aaa", 1, 1, "", "aa"},
      {"abab", 2, 0, "ab", "ababab"}, {"abab", 1, 2, "", "ab"},
      {"aa", 0, 2, "aaa", "aaa"},     {"a\r\na\r\n", 3, 0, "a\r\n", "a\r\na\r\na\r\n"},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(testing::Message()
                 << k.base << " at " << k.at << " -" << k.remove << " +" << k.insert);
    EditControl c;
    c.setText(k.base);
    UndoHistory h;
    h.reset(k.base);
    h.follow(c);
    ASSERT_TRUE(c.select(k.at, k.remove));
    c.setSelText(k.insert);
    ASSERT_EQ(c.Text(), k.after);
    ASSERT_TRUE(h.record(c));
    const int caret = c.SelStart();
    // One more of the same character at the caret keeps the slot below as a step.
    c.setSelText(QString(QChar(k.insert[0] ? k.insert[0] : 'a')));
    ASSERT_TRUE(h.record(c));
    EXPECT_EQ(h.text(0), k.base);
    EXPECT_EQ(h.text(1), k.after);
    ASSERT_TRUE(h.undo(c));
    EXPECT_EQ(c.Text(), k.after);
    EXPECT_EQ(c.SelStart(), caret);
    ASSERT_TRUE(h.undo(c));
    EXPECT_EQ(c.Text(), k.base);
    EXPECT_EQ(c.SelStart(), 0);
    EXPECT_FALSE(h.record(c));  // undo does not record itself
  }
}

TEST(UndoHistory, AnEditThatComesBackRecordsNothing) {
  EditControl c;
  c.setText("hello\r\nworld");
  UndoHistory h;
  h.reset(c.Text());
  h.follow(c);
  c.setSelStart(3);
  c.setSelText("XYZ");
  c.setSelStart(3);
  c.setSelLength(3);
  c.setSelText(QString());
  EXPECT_FALSE(h.record(c));
  EXPECT_EQ(h.UndoPos(), 0);
  // A history that does not follow the control compares the whole text.
  h.reset("other");
  c.setSelText("!");
  EXPECT_TRUE(h.record(c));
  EXPECT_EQ(h.text(0), "other");
  EXPECT_EQ(h.text(1), "hel!lo\r\nworld");
}

TEST(UndoHistory, MatchesWholeCopiesThroughRandomEdits) {
  // Edits anywhere, line breaks among them, against the model.
  QRandomGenerator rng(20240501);
  EditControl c;
  const QString pieces[] = {"a", "中", "\r\n", "\n", "xy\r\nz", "", "文字\r\n\r\n", " "};
  UndoHistory h;
  Model m;
  c.setText("起点\r\nstart\nline");
  h.reset(c.Text());
  h.follow(c);
  m.reset(c.Text());
  for (int step = 0; step < 2000; ++step) {
    const int op = rng.bounded(11);
    if (op == 10) {
      // The whole text replaced, as a command may do.
      const QString now = c.Text();
      const int cut = rng.bounded(now.size() + 1);
      c.setText(now.left(cut) + pieces[rng.bounded(int(std::size(pieces)))] + now.mid(cut));
    } else if (op < 7) {
      const int len = c.TextLength();
      int at = rng.bounded(len + 1);
      c.setSelStart(at);
      if (c.SelStart() != at) continue;  // inside a line break: refused
      if (rng.bounded(2)) c.setSelLength(rng.bounded(std::min(len - at, 4) + 1));
      c.setSelText(pieces[rng.bounded(int(std::size(pieces)))]);
    }
    if (op < 9 || op == 10) {
      const bool recorded = h.record(c);
      ASSERT_EQ(recorded, m.record(c.Text(), c.SelStart())) << "step " << step;
    } else if (m.pos > 0) {
      ASSERT_TRUE(h.undo(c));
      --m.pos;
      ASSERT_EQ(c.Text(), m.texts[m.pos]) << "step " << step;
      ASSERT_EQ(c.SelStart(), m.carets[m.pos]);
    }
    if (step % 97 == 0) expectSame(h, m);
  }
  expectSame(h, m);
}

TEST(UndoHistory, SmallEditsToALargeTextKeepItUnderTwiceItsSize) {
  QString big;
  while (big.size() < 1'000'000) big += QStringLiteral("一行中文文字 with some Latin.\r\n");
  EditControl c;
  c.setText(big);
  UndoHistory h;
  h.reset(c.Text());
  h.follow(c);
  for (int i = 0; i < 255; ++i) {
    c.setSelStart((i * 7919) % (big.size() - 10) / 2 * 2 + 1);
    c.setSelText(QStringLiteral("字"));
    ASSERT_TRUE(h.record(c));
  }
  EXPECT_EQ(h.UndoPos(), 255);
  EXPECT_LT(h.heldChars(), 2 * c.TextLength());
  EXPECT_LT(h.heldChars(), c.TextLength() + 10'000);
  h.undo(c);
  EXPECT_EQ(c.TextLength(), big.size() + 254);
}
