// SPDX-License-Identifier: GPL-3.0-or-later
// Large files in the window: the first lines are shown at once and the rest
// follows between events; a command that needs the whole text waits for
// it; the history starts from the whole file; New and Open drop a load.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QStatusBar>
#include <QTemporaryDir>

#include "app/text_file.h"
#include "platform/cp936.h"
#include "platform/edit_control.h"
#include "support/test_window.h"
#include "support/wait.h"

namespace {

// The start of a large file's bytes, in both of the usual forms.
TEST(TextFile, LeadingLinesBeginTheWholeText) {
  const QString lines = QStringLiteral("第一行 text\n第二行\n");
  QString crLf = lines;
  crLf.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
  struct Case {
    const char* name;
    QByteArray bytes;
    qsizetype max;
    bool shown;  // whether there is a start to show
  };
  const QByteArray gbkLines = cp936::encode(crLf);
  const QString longLine = QStringLiteral("很长的一行 long line 12345，");
  const Case cases[] = {
      {"GbkCrLf", gbkLines.repeated(100), 200, true},
      {"Utf8Lf", lines.toUtf8().repeated(100), 200, true},
      {"Utf8Bom", "\xEF\xBB\xBF" + lines.toUtf8().repeated(100), 200, true},
      // A lead byte before a line break is a kept byte in both.
      {"GbkLoneLeadByte", "ab\x81\r\n" + gbkLines.repeated(100), 200, true},
      {"CutBeforeTheFirstBreak", lines.toUtf8().repeated(100), 5, false},
      // One long line: its start, cut where a character starts.
      {"LongLineGbk", cp936::encode(longLine).repeated(5000), 60000, true},
      {"LongLineUtf8", longLine.toUtf8().repeated(5000), 60001, true},
      {"ShortPieceOfALine", longLine.toUtf8().repeated(5000), 3000, false},
      {"LongLineWithoutACut", cp936::encode(QString(3000, QChar(0x4E2D))).repeated(40), 60000,
       false},
      {"LoneCr", QByteArray("a\rb\n").repeated(100), 200, false},
      {"Utf16",
       QByteArray("\xFF\xFE"
                  "a\0\n\0",
                  6)
           .repeated(100),
       200, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    textfile::Format start, whole;
    const QString text = textfile::decodeDocument(c.bytes, &whole);
    const QString head = textfile::leadingLines(c.bytes, c.max, &start);
    EXPECT_EQ(!head.isEmpty(), c.shown);
    if (head.isEmpty()) continue;
    EXPECT_TRUE(text.startsWith(head));
    EXPECT_TRUE(head.endsWith(u'\n') || head.size() > EditControl::kLongLineUnits);
    EXPECT_EQ(start.encoding, whole.encoding);
    EXPECT_EQ(start.lfLines, whole.lfLines);
  }
}

class LargeDocumentTest : public WindowTest {
 protected:
  void SetUp() override { start(deps().timers(timer1, timer2, timer3)); }

  // A file of 2.5 to 3 MB: numbered lines of Chinese and Latin.
  QString make(const QString& name, bool utf8Lf, const QString& word = QStringLiteral("行")) {
    QString text;
    for (int i = 0; text.size() < 2'000'000; ++i)
      text += QStringLiteral("第%1%2 中文和 Latin 12345。").arg(i).arg(word) +
              (utf8Lf ? QStringLiteral("\n") : QStringLiteral("\r\n"));
    const QByteArray bytes = utf8Lf ? text.toUtf8() : cp936::encode(text);
    EXPECT_GE(bytes.size(), textfile::kGradualBytes);
    const QString file = dir.filePath(name);
    QFile f(file);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    texts[file] = text;
    return file;
  }
  void open(const QString& file) {
    ui.openAnswers.push_back(file);
    w->documents().numOpen();
  }
  // Runs the event loop until the load is over (at most 60 s).
  [[nodiscard]] testing::AssertionResult loaded() {
    return waitUntil([&] { return !t()->isLoading(); }, 60000);
  }
  QString status() { return w->statusBar()->currentMessage(); }
  void type(const QString& s) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, s);
    QApplication::sendEvent(t(), &press);
    QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, s);
    QApplication::sendEvent(t(), &release);
  }
  QByteArray contents(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }

  QTemporaryDir dir;
  std::map<QString, QString> texts;
};

// The window names the file and shows its first lines when Open returns;
// the progress is shown until all is in; then the text is the file's, the
// history empty, and a save writes the same bytes again.
TEST_F(LargeDocumentTest, OpenShowsTheStartAtOnceAndTheRestFollows) {
  for (const bool utf8Lf : {false, true}) {
    SCOPED_TRACE(utf8Lf ? "Utf8Lf" : "GbkCrLf");
    const QString file = make(utf8Lf ? "utf8-lf.txt" : "gbk-crlf.txt", utf8Lf);
    open(file);
    ASSERT_TRUE(t()->isLoading());
    EXPECT_TRUE(p().title().startsWith(file));
    EXPECT_TRUE(texts[file].startsWith(t()->Text()));
    EXPECT_GT(t()->TextLength(), 1000);
    EXPECT_TRUE(status().startsWith(QStringLiteral("正在载入")));
    ASSERT_TRUE(loaded());
    EXPECT_EQ(t()->Text(), texts[file]);
    EXPECT_EQ(status(), QString());
    EXPECT_EQ(p().undo.UndoPos(), 0);
    EXPECT_FALSE(menu().numUndo->isEnabled());
    EXPECT_EQ(t()->lineEnd(), utf8Lf ? EditControl::LineEnd::Lf : EditControl::LineEnd::CrLf);
    const QString copy = dir.filePath("copy.txt");
    ui.saveAnswers.push_back(copy);
    ASSERT_TRUE(w->documents().numSaveAs());
    EXPECT_EQ(contents(copy), contents(file));
  }
}

// Select all, find and save, asked for while the rest loads, each work on
// the whole text.
TEST_F(LargeDocumentTest, CommandsWaitForTheWholeText) {
  const QString file = make("gbk.txt", false);
  const QString& text = texts[file];
  open(file);
  ASSERT_TRUE(t()->isLoading());
  menu().numAll->trigger();
  EXPECT_FALSE(t()->isLoading());
  EXPECT_EQ(t()->SelLength(), text.size());

  open(make("last.txt", true, QStringLiteral("句")));
  ASSERT_TRUE(t()->isLoading());
  ui.saveAnswers.push_back(dir.filePath("saved.txt"));
  menu().numSaveAs->trigger();
  EXPECT_EQ(contents(dir.filePath("saved.txt")), contents(dir.filePath("last.txt")));
}

// What is typed while the rest loads is the history's first step: one undo
// gives the file's text exactly.
TEST_F(LargeDocumentTest, TypingMeanwhileIsTheFirstStepOfTheHistory) {
  const QString file = make("typed.txt", true);
  open(file);
  ASSERT_TRUE(t()->isLoading());
  t()->setSelStart(0);
  type(QStringLiteral("新"));
  EXPECT_TRUE(t()->isLoading());
  ASSERT_TRUE(loaded());
  EXPECT_EQ(t()->Text(), QStringLiteral("新") + texts[file]);
  EXPECT_EQ(p().undo.UndoPos(), 1);
  menu().numUndo->trigger();
  EXPECT_EQ(t()->Text(), texts[file]);
}

// What is typed while the rest loads is asked about before New drops it,
// and saved whole when the answer is Yes.
TEST_F(LargeDocumentTest, TypingMeanwhileIsAskedAboutBeforeNew) {
  const QString file = make("asked.txt", false);
  open(file);
  ASSERT_TRUE(t()->isLoading());
  t()->setSelStart(0);
  type(QStringLiteral("新"));
  ui.answers.push_back(MsgResult::Yes);
  ui.messages.clear();
  menu().numNew->trigger();
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_TRUE(ui.messages[0].text.contains(QStringLiteral("文件的文字已经改变")));
  EXPECT_EQ(contents(file), cp936::encode(QStringLiteral("新") + texts[file]));
  EXPECT_EQ(t()->Text(), QString());
}

// A file of one long line is shown from its start at once as well, and
// ends exactly as the file's text.
TEST_F(LargeDocumentTest, OneLongLineLoadsAsAnyOther) {
  for (const bool utf8 : {false, true}) {
    SCOPED_TRACE(utf8 ? "Utf8" : "Gbk");
    const QString line = QStringLiteral("一行里的文字 and words 123，").repeated(100'000);
    const QByteArray bytes = utf8 ? line.toUtf8() : cp936::encode(line);
    const QString file = dir.filePath(utf8 ? "line-utf8.txt" : "line-gbk.txt");
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.close();
    open(file);
    EXPECT_TRUE(t()->isLoading());
    ASSERT_TRUE(loaded());
    EXPECT_EQ(t()->Text(), textfile::decodeDocument(bytes));
    EXPECT_EQ(t()->lineCount(), 2);  // the line and the empty one after its break
  }
}

// New, and Open of another file, drop a load: nothing of it comes later;
// the window closed during a load goes cleanly.
TEST_F(LargeDocumentTest, NewAndOpenDropALoad) {
  const QString first = make("first.txt", false);
  const QString second = make("second.txt", true, QStringLiteral("句"));
  open(first);
  ASSERT_TRUE(t()->isLoading());
  menu().numNew->trigger();
  EXPECT_FALSE(t()->isLoading());
  for (int i = 0; i < 20; ++i) QApplication::processEvents();
  EXPECT_EQ(t()->Text(), QString());
  EXPECT_TRUE(p().title().startsWith(kUntitled));

  open(first);
  ASSERT_TRUE(t()->isLoading());
  open(second);
  ASSERT_TRUE(loaded());
  for (int i = 0; i < 20; ++i) QApplication::processEvents();
  EXPECT_EQ(t()->Text(), texts[second]);
  EXPECT_TRUE(p().title().startsWith(second));

  open(first);
  ASSERT_TRUE(t()->isLoading());
  stop();
  for (int i = 0; i < 50; ++i) QApplication::processEvents(QEventLoop::AllEvents, 10);
}

}  // namespace
