// SPDX-License-Identifier: GPL-3.0-or-later
// The file commands, the loader and the file format, on real files in a
// temporary directory, with scripted dialogs.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

#include "app/text_file.h"
#include "platform/cp936.h"
#include "platform/edit_control.h"
#include "support/test_window.h"

namespace {

const QString kSuffix = QStringLiteral(" - 妙音朗读器");

QByteArray gbk(const char* utf8) {
  QByteArray b;
  for (const QChar c : QString::fromUtf8(utf8)) {
    bool ok = false;
    b += cp936::encodeChar(c.unicode(), &ok);
  }
  return b;
}

class DocFixture : public WindowTest {
 protected:
  void SetUp() override { start(); }

  void start(const QString& commandLine = {}) {
    TestWindow::start(deps().timers(timer1, timer2, timer3).commandLine(commandLine));
  }

  Documents& docs() { return w->documents(); }
  int pos() { return p().undo.UndoPos(); }

  QString path(const QString& name) const { return dir.filePath(name); }
  QString put(const QString& name, const QByteArray& bytes) {
    QFile f(path(name));
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return path(name);
  }
  QByteArray contents(const QString& file) const {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
  }
  void open(const QString& file) {
    ui.openAnswers.push_back(file);
    docs().numOpen();
  }
  // A change as the user makes it: typed, then recorded.
  void edit(const QString& s) {
    t()->setSelStart(t()->TextLength());
    t()->setSelText(s);
    p().RecordUndo();
  }

  QTemporaryDir dir;
};

using textenc::Encoding;

// An invalid byte as the text keeps it.
QString kept(int byte) { return QString(QChar(char16_t(0xDC00 + byte))); }

QByteArray utf16(const QString& s, bool bigEndian) {
  QByteArray b = bigEndian ? QByteArray("\xFE\xFF", 2) : QByteArray("\xFF\xFE", 2);
  for (const QChar c : s) {
    const char hi = static_cast<char>(c.unicode() >> 8), lo = static_cast<char>(c.unicode() & 0xFF);
    b.append(bigEndian ? hi : lo);
    b.append(bigEndian ? lo : hi);
  }
  return b;
}

// The document text of a file, its encoding and its line ends.
TEST(TextFile, LinesAndEncodingOfAFile) {
  struct Case {
    QByteArray in;
    QString out;
    Encoding enc;
    bool lf;
  };
  const Case cases[] = {
      {"", "", Encoding::Gbk, false},
      {"a", "a\r\n", Encoding::Gbk, false},  // no line break: one is added
      {"a\r\nb\r\n", "a\r\nb\r\n", Encoding::Gbk, false},
      {"a\r\nb", "a\r\nb\r\n", Encoding::Gbk, false},
      {"a\rb\r", "a\r\nb\r\n", Encoding::Gbk, false},        // a lone CR ends a line
      {"a\nb\n", "a\nb\n", Encoding::Gbk, true},             // LF lines gain nothing
      {"a\nb", "a\nb\n", Encoding::Gbk, true},               // ... or one LF
      {"a\nb\r\nc", "a\nb\r\nc\r\n", Encoding::Gbk, false},  // mixed: CR LF is the kind
      {"a\rb\n", "a\r\nb\n", Encoding::Gbk, false},
      {"\r\n\r\n", "\r\n\r\n", Encoding::Gbk, false},
      {"\r", "\r\n", Encoding::Gbk, false},
      {gbk("中文\r\n第二行"), QStringLiteral("中文\r\n第二行\r\n"), Encoding::Gbk, false},
      {QByteArray("\xD6\xD0\xD6", 3), QStringLiteral("中") + kept(0xD6) + "\r\n", Encoding::Gbk,
       false},  // a kept byte
      {QStringLiteral("中文\n").toUtf8(), QStringLiteral("中文\n"), Encoding::Utf8, true},
      {"\xEF\xBB\xBF" + QStringLiteral("中\r\n").toUtf8(), QStringLiteral("中\r\n"),
       Encoding::Utf8Bom, false},
      {"\xEF\xBB\xBF", "", Encoding::Utf8Bom, false},
      {"\xEF\xBB\xBF"
       "a\xFF\n",
       "a" + kept(0xFF) + "\n", Encoding::Utf8Bom, true},
      {utf16(QStringLiteral("中\n"), false), QStringLiteral("中\n"), Encoding::Utf16Le, true},
      {utf16(QStringLiteral("中\r\n"), true), QStringLiteral("中\r\n"), Encoding::Utf16Be, false},
  };
  for (const Case& c : cases) {
    textfile::Format f;
    f.lfLines = !c.lf;
    EXPECT_EQ(textfile::decodeDocument(c.in, &f), c.out) << c.in.toHex().constData();
    EXPECT_EQ(f.encoding, c.enc) << c.in.toHex().constData();
    EXPECT_EQ(f.lfLines, c.lf) << c.in.toHex().constData();
  }
}

TEST_F(DocFixture, OpenShowsTheFileAndBindsTheDocument) {
  const QString file = put("文档.txt", gbk("第一行\r\n第二行"));
  p().menu.numCopy->setEnabled(true);
  open(file);
  EXPECT_EQ(t()->Text(), "第一行\r\n第二行\r\n");
  EXPECT_EQ(w->windowTitle(), file + kSuffix);
  EXPECT_EQ(p().CurrentFileName, file);
  EXPECT_TRUE(p().HasFileName);
  EXPECT_EQ(pos(), 0);
  EXPECT_EQ(p().undo.text(0), t()->Text());
  EXPECT_FALSE(menu().numUndo->isEnabled());
  EXPECT_FALSE(menu().numCopy->isEnabled());
  EXPECT_FALSE(menu().numCut->isEnabled());
  EXPECT_TRUE(menu().numDelete->isEnabled());
  ASSERT_EQ(ui.fileDialogs.size(), 1u);
  EXPECT_EQ(ui.fileDialogs[0].caption, "打开");
  EXPECT_EQ(ui.fileDialogs[0].filter,
            "文本文档(*.txt)|*.txt|日志文件(*.log)|*.log|妙音文档(*.qzc)|*.qzc|所有文件|*.*");
  EXPECT_EQ(ui.fileDialogs[0].defaultName, "*.txt");
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(DocFixture, OpenCancelledOrBlankChangesNothing) {
  t()->setText("keep");
  for (std::optional<QString> answer : {std::optional<QString>(), std::optional<QString>("   ")}) {
    ui.openAnswers.push_back(answer);
    docs().numOpen();
    EXPECT_EQ(t()->Text(), "keep");
    EXPECT_EQ(p().CurrentFileName, "无标题");
    EXPECT_FALSE(p().HasFileName);
  }
}

TEST_F(DocFixture, OpeningTheFileAlreadyShownDoesNotReadIt) {
  const QString file = put("a.txt", "one\r\n");
  open(file);
  edit("two");
  ASSERT_EQ(pos(), 1);
  open(file);  // save question: No
  EXPECT_EQ(t()->Text(), "one\r\ntwo");
  EXPECT_EQ(pos(), 0);  // the shown text is the new base
  EXPECT_EQ(p().undo.text(0), "one\r\ntwo");
}

TEST_F(DocFixture, AFileThatCannotBeReadStillBindsTheName) {
  const QString first = put("first.txt", "first\r\n");
  open(first);
  open(path("missing.txt"));
  EXPECT_EQ(t()->Text(), "first\r\n");
  EXPECT_EQ(w->windowTitle(), first + kSuffix);
  EXPECT_EQ(p().CurrentFileName, path("missing.txt"));
  EXPECT_TRUE(p().HasFileName);
  open(dir.path());  // a directory is no text file either
  EXPECT_EQ(t()->Text(), "first\r\n");
}

// Files as they come, opened and saved unchanged, then with "x" and Enter
// typed at the start of the text: the encoding, its byte-order mark, the
// line ends and any invalid bytes are kept, and nothing is asked.
TEST_F(DocFixture, FilesRoundTripInTheirOwnFormat) {
  struct Case {
    const char* name;
    QByteArray bytes, afterSave;
    Encoding enc;
    bool lf;
  };
  const QByteArray bom8("\xEF\xBB\xBF");
  const Case cases[] = {
      {"gbk-crlf", gbk("甲\r\n乙\r\n"), gbk("甲\r\n乙\r\n"), Encoding::Gbk, false},
      {"gbk-lf", gbk("甲\n乙\n"), gbk("甲\n乙\n"), Encoding::Gbk, true},
      {"gbk-nofinal", gbk("甲\r\n乙"), gbk("甲\r\n乙\r\n"), Encoding::Gbk,
       false},  // gains exactly one
      {"gbk-lf-nofinal", gbk("甲\n乙"), gbk("甲\n乙\n"), Encoding::Gbk, true},
      {"mixed", "a\r\nb\nc\r\n", "a\r\nb\nc\r\n", Encoding::Gbk, false},
      {"lonecr", "a\rb\r\n", "a\r\nb\r\n", Encoding::Gbk, false},
      {"ascii-lf", "abc\n", "abc\n", Encoding::Gbk, true},
      {"empty", "", "", Encoding::Gbk, false},
      {"euro", "\x80 \xFF\r\n", "\x80 \xFF\r\n", Encoding::Gbk, false},
      {"gbk-invalid", gbk("中") + "\x81\r\n" + gbk("文") + "\xFE",
       gbk("中") + "\x81\r\n" + gbk("文") + "\xFE\r\n", Encoding::Gbk, false},
      {"utf8-lf", QStringLiteral("中文\n第二行😀\n").toUtf8(),
       QStringLiteral("中文\n第二行😀\n").toUtf8(), Encoding::Utf8, true},
      {"utf8-crlf", QStringLiteral("é\r\n").toUtf8(), QStringLiteral("é\r\n").toUtf8(),
       Encoding::Utf8, false},
      {"utf8-bom", bom8 + QStringLiteral("中\n").toUtf8(), bom8 + QStringLiteral("中\n").toUtf8(),
       Encoding::Utf8Bom, true},
      {"utf8-invalid", bom8 + "a\xC3(\xED\xA0\x80\xFF\n", bom8 + "a\xC3(\xED\xA0\x80\xFF\n",
       Encoding::Utf8Bom, true},
      {"utf16le", utf16(QStringLiteral("中😀\r\n"), false), utf16(QStringLiteral("中😀\r\n"), false),
       Encoding::Utf16Le, false},
      {"utf16be", utf16(QStringLiteral("中\n"), true), utf16(QStringLiteral("中\n"), true),
       Encoding::Utf16Be, true},
      // An unpaired surrogate: its two bytes are kept.
      {"utf16-invalid",
       utf16(QStringLiteral("a\n"), false) + "\x3D\xD8" +
           utf16(QStringLiteral("b\n"), false).mid(2),
       utf16(QStringLiteral("a\n"), false) + "\x3D\xD8" +
           utf16(QStringLiteral("b\n"), false).mid(2),
       Encoding::Utf16Le, true},
      // U+FEFF after the mark is a character of the text.
      {"utf8-bom-feff",
       "\xEF\xBB\xBF\xEF\xBB\xBF"
       "A",
       "\xEF\xBB\xBF\xEF\xBB\xBF"
       "A\r\n",
       Encoding::Utf8Bom, false},
      {"utf8-bom-invalid-feff", "\xEF\xBB\xBF\xEF\xEF\xBB\xBF\xEF\xBB\xBF\xAA",
       "\xEF\xBB\xBF\xEF\xEF\xBB\xBF\xEF\xBB\xBF\xAA\r\n", Encoding::Utf8Bom, false},
      // Valid but for a byte: UTF-8, the byte kept.
      {"utf8-lf-invalid",
       QStringLiteral("中文第一行\n第二行").toUtf8() + "\xFF" + QStringLiteral("文字\n").toUtf8(),
       QStringLiteral("中文第一行\n第二行").toUtf8() + "\xFF" + QStringLiteral("文字\n").toUtf8(),
       Encoding::Utf8, true},
      // An odd last byte stays last, after the line break the line gains.
      {"utf16-odd",
       QByteArray("\xFF\xFE"
                  "A\0B",
                  5),
       QByteArray("\xFF\xFE"
                  "A\0\r\0\n\0B",
                  9),
       Encoding::Utf16Le, false},
  };
  t()->show();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const QString file = put(c.name, c.bytes);
    for (int round = 0; round < 2; ++round) {  // and again: no growth
      docs().numNew();
      open(file);
      EXPECT_EQ(docs().format().encoding, c.enc);
      EXPECT_EQ(docs().format().lfLines, c.lf);
      ASSERT_TRUE(docs().numSave());
      EXPECT_EQ(contents(file), c.afterSave);
    }
    // Typed at the start: the new line break is the document's own.
    t()->setSelStart(0);
    QTest::keyClick(t(), Qt::Key_X);
    QTest::keyClick(t(), Qt::Key_Return);
    EXPECT_EQ(pos(), 2);
    ASSERT_TRUE(docs().numSave());
    const QString typed = QStringLiteral("x") + (c.lf ? "\n" : "\r\n");
    const QByteArray start = textenc::encode(typed, c.enc);
    const int bom = c.enc == Encoding::Utf8Bom                                   ? 3
                    : (c.enc == Encoding::Utf16Le || c.enc == Encoding::Utf16Be) ? 2
                                                                                 : 0;
    EXPECT_EQ(contents(file), start + c.afterSave.mid(bom));
    put(c.name, c.bytes);
  }
  EXPECT_TRUE(ui.messages.empty());
}

// A kept lead byte of code page 936 that an edit puts before bytes it would
// pair with is not written as itself (the next open would merge the two into
// another character and the typed letter would be gone): the save asks, and
// writes '?' for it.
TEST_F(DocFixture, AKeptLeadByteNeverSwallowsWhatFollowsIt) {
  struct Case {
    const char* name;
    QByteArray file;
    int from, to;  // the range replaced
    const char* typed;
    bool asks;
    QByteArray saved;
  };
  const Case cases[] = {
      {"gbk-crlf letters typed after it", "\xC4\xE3\x81", 2, 2, "Axyz", true, "\xC4\xE3?Axyz\r\n"},
      {"gbk-crlf its line break deleted", "\xC4\xE3\x81\r\nA\r\n", 2, 4, "", true,
       "\xC4\xE3?A\r\n"},
      {"gbk-crlf a digit typed after it (no pair)", "\xC4\xE3\x81", 2, 2, "0", false,
       "\xC4\xE3\x81"
       "0\r\n"},
      {"gbk-crlf text typed before it", "\xC4\xE3\x81", 0, 0, "A", false, "A\xC4\xE3\x81\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const QString file = put("kept.txt", c.file);
    docs().numNew();
    open(file);
    ASSERT_EQ(t()->Text().mid(1, 1), kept(0x81));
    t()->setSelStart(c.from);
    t()->setSelLength(c.to - c.from);
    t()->setSelText(QString::fromLatin1(c.typed));
    p().RecordUndo();
    ui.messages.clear();
    ui.answers = {MsgResult::No};
    const bool declined = !docs().numSave();
    EXPECT_EQ(ui.messages.size(), c.asks ? 1u : 0u);
    if (c.asks) {
      EXPECT_TRUE(declined);
      EXPECT_TRUE(ui.messages[0].text.contains("0x81")) << ui.messages[0].text.toStdString();
      EXPECT_EQ(contents(file), c.file);  // nothing written without the user's word
      ui.answers = {MsgResult::Yes};
      ASSERT_TRUE(docs().numSave());
    }
    EXPECT_EQ(contents(file).toHex(' '), c.saved.toHex(' '));
    // Opened again, what was typed is there.
    docs().numNew();
    open(file);
    EXPECT_EQ(textfile::encodeDocument(t()->Text()), c.saved);
    if (*c.typed) { EXPECT_TRUE(t()->Text().contains(QString::fromLatin1(c.typed))); }
  }
}

// Only characters the document's encoding cannot hold bring the question,
// which names the first of them whole, wherever it stands.
TEST_F(DocFixture, TheLossySaveQuestionNamesTheFirstCharacterLacking) {
  struct Case {
    const char* what;
    QByteArray file;
    QString text;
    QString named;
  };
  const Case cases[] = {
      {"first character", "", QStringLiteral("😀abc"), QStringLiteral("“😀”(U+1F600)")},
      {"after others", "old\r\n", QStringLiteral("甲\u0E01😀"), QStringLiteral("“\u0E01”(U+0E01)")},
      {"emoji after text", "old\r\n", QStringLiteral("笑😀"), QStringLiteral("“😀”(U+1F600)")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ui.messages.clear();
    const QString file = put("lossy.txt", c.file);
    open(file);
    ui.messages.clear();
    t()->setText(c.text);
    p().RecordUndo();
    ui.answers = {MsgResult::No};
    EXPECT_FALSE(docs().numSave());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_TRUE(ui.messages[0].text.contains(c.named)) << ui.messages[0].text.toStdString();
    EXPECT_TRUE(ui.messages[0].text.contains("GBK"));
    EXPECT_EQ(contents(file), c.file);
  }
  // A UTF-8 document holds them all: saved with no question.
  const QString file = put("utf8.txt", QStringLiteral("é\n").toUtf8());
  open(file);
  ui.messages.clear();
  t()->setText(QStringLiteral("😀abc\u0E01\n"));
  p().RecordUndo();
  EXPECT_TRUE(docs().numSave());
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(contents(file), QStringLiteral("😀abc\u0E01\n").toUtf8());
}

TEST_F(DocFixture, SaveAndSaveAsBindTheDocument) {
  // Untitled, dialog cancelled or a blank name given: nothing written,
  // nothing changed.
  edit("文字");
  const QString cwd = QDir::currentPath();
  QDir::setCurrent(dir.path());  // where a blank name would land
  for (std::optional<QString> answer : {std::optional<QString>(), std::optional<QString>("   ")}) {
    ui.saveAnswers.push_back(answer);
    EXPECT_FALSE(docs().numSave());
    EXPECT_EQ(p().CurrentFileName, "无标题");
    EXPECT_FALSE(p().HasFileName);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("无标题") + kSuffix);
    EXPECT_EQ(pos(), 1);
    ui.saveAnswers.push_back(answer);
    EXPECT_FALSE(docs().numSaveAs());
    EXPECT_EQ(p().CurrentFileName, "无标题");
  }
  QDir::setCurrent(cwd);
  EXPECT_TRUE(QDir(dir.path()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
  ASSERT_EQ(ui.fileDialogs.size(), 4u);
  EXPECT_EQ(ui.fileDialogs[0].caption, "打开");

  const QString first = path("first.txt");
  ui.saveAnswers.push_back(first);
  EXPECT_TRUE(docs().numSave());
  EXPECT_EQ(contents(first), gbk("文字"));  // as it stands: no line break added
  EXPECT_EQ(w->windowTitle(), first + kSuffix);
  EXPECT_TRUE(p().HasFileName);
  EXPECT_EQ(pos(), 0);
  EXPECT_FALSE(menu().numUndo->isEnabled());

  const QString second = path("second.txt");
  ui.saveAnswers.push_back(second);
  edit("!");
  EXPECT_TRUE(docs().numSaveAs());
  EXPECT_EQ(w->windowTitle(), second + kSuffix);
  EXPECT_EQ(p().CurrentFileName, second);
  edit("?");
  const size_t dialogs = ui.fileDialogs.size();
  EXPECT_TRUE(docs().numSave());  // no dialog now
  EXPECT_EQ(ui.fileDialogs.size(), dialogs);
  EXPECT_EQ(contents(second), gbk("文字!?"));
  EXPECT_EQ(contents(first), gbk("文字"));
}

TEST_F(DocFixture, AFailedSaveKeepsTheOldFileAndTheChanges) {
  const QString readOnly = put("readonly.txt", "old\r\n");
  QFile::setPermissions(readOnly, QFileDevice::ReadOwner | QFileDevice::ReadGroup);
  const QString full = put("full.txt", "old\r\n");
  QDir(dir.path()).mkdir("sub.txt");
  struct Case {
    const char* what;
    QString file;
    bool diskFull;
  };
  const Case cases[] = {
      {"missing folder", path("nofolder/x.txt"), false},
      {"read-only file", readOnly, false},
      {"a folder", path("sub.txt"), false},
      {"disk full", full, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    stop();
    ui.messages.clear();
    start();
    p().CurrentFileName = c.file;
    p().HasFileName = true;
    p().setTitle(c.file);
    QString big;
    while (big.size() < 200'000) big += QStringLiteral("很长的一行文字。\r\n");
    edit(big);
    const QByteArray before = contents(c.file);
    const QStringList entries = QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);

    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    if (c.diskFull) {
      // A file may grow no further than 4 KB: writes fail as on a full disk.
      signal(SIGXFSZ, SIG_IGN);
      rlimit small = old;
      small.rlim_cur = 4096;
      setrlimit(RLIMIT_FSIZE, &small);
    }
    const bool saved = docs().numSave();
    if (c.diskFull) setrlimit(RLIMIT_FSIZE, &old);

    EXPECT_FALSE(saved);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].title, "出错");
    EXPECT_EQ(ui.messages[0].icon, MsgIcon::Critical);
    EXPECT_EQ(ui.messages[0].buttons, MsgButtons::Ok);
    EXPECT_FALSE(ui.messages[0].text.isEmpty());
    EXPECT_EQ(pos(), 1);  // still unsaved
    EXPECT_TRUE(menu().numUndo->isEnabled());
    EXPECT_EQ(p().CurrentFileName, c.file);
    EXPECT_EQ(contents(c.file), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              entries);  // no leftovers
  }
}

TEST_F(DocFixture, CharactersTheCodePageLacksAreSavedOnlyWhenTheUserSaysSo) {
  const QString file = put("emoji.txt", "old\r\n");
  open(file);
  edit(QStringLiteral("笑😀脸"));
  ui.answers = {MsgResult::No};
  EXPECT_FALSE(docs().numSave());
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_TRUE(ui.messages[0].text.contains(QStringLiteral("😀")));
  EXPECT_TRUE(ui.messages[0].text.contains("U+1F600"));
  EXPECT_EQ(ui.messages[0].buttons, MsgButtons::YesNo);
  EXPECT_EQ(contents(file), "old\r\n");
  EXPECT_EQ(pos(), 1);

  ui.answers = {MsgResult::Yes};
  EXPECT_TRUE(docs().numSave());
  EXPECT_EQ(contents(file), "old\r\n" + gbk("笑") + "?" + gbk("脸"));
  EXPECT_EQ(pos(), 0);
}

TEST_F(DocFixture, NewAndOpenAskToSaveFirst) {
  const QString file = put("doc.txt", "doc\r\n");
  open(file);
  edit("+");
  // No: the command goes on and the change is lost.
  ui.answers = {MsgResult::No};
  docs().numNew();
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, file + " 文件的文字已经改变。\r\n想保存文件吗?");
  EXPECT_EQ(ui.messages[0].title, "妙音朗读器");
  EXPECT_EQ(ui.messages[0].icon, MsgIcon::Warning);
  EXPECT_EQ(ui.messages[0].buttons, MsgButtons::YesNo);
  EXPECT_EQ(contents(file), "doc\r\n");
  EXPECT_EQ(t()->Text(), "");
  EXPECT_EQ(w->windowTitle(), "无标题" + kSuffix);
  EXPECT_FALSE(p().HasFileName);
  EXPECT_EQ(pos(), 0);
  EXPECT_FALSE(menu().numDelete->isEnabled());

  // Yes on an untitled document, save dialog cancelled: Open stops there,
  // and the draft stays.
  edit("draft");
  ui.messages.clear();
  ui.answers = {MsgResult::Yes};
  open(file);
  EXPECT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.fileDialogs.size(), 2u);  // open, save (cancelled); no second open
  EXPECT_EQ(t()->Text(), "draft");
  EXPECT_EQ(pos(), 1);
  ui.openAnswers.clear();
  ui.answers = {MsgResult::No};
  open(file);
  EXPECT_EQ(t()->Text(), "doc\r\n");

  // Yes on a bound document: saved, then New.
  edit("more");
  ui.answers = {MsgResult::Yes};
  docs().numNew();
  EXPECT_EQ(contents(file), "doc\r\nmore");
  EXPECT_EQ(t()->Text(), "");

  // Nothing changed: no question.
  ui.messages.clear();
  docs().numNew();
  open(file);
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(DocFixture, AFailedSaveStopsNewAndOpenAndKeepsTheText) {
  QDir(dir.path()).mkdir("folder");
  const QString file = put("folder/doc.txt", "doc\r\n");
  const QString other = put("other.txt", "other\r\n");
  open(file);
  edit("typed");
  ASSERT_TRUE(QDir(path("folder")).removeRecursively());  // the save now fails
  const QString before = t()->Text();
  for (const bool viaOpen : {false, true}) {
    SCOPED_TRACE(viaOpen ? "Open" : "New");
    ui.messages.clear();
    ui.fileDialogs.clear();
    ui.answers = {MsgResult::Yes};
    if (viaOpen) open(other);
    else docs().numNew();
    // The question, the notice that the file is gone (once), then the error.
    ASSERT_EQ(ui.messages.size(), viaOpen ? 2u : 3u);
    if (!viaOpen) { EXPECT_TRUE(ui.messages[1].text.contains(QStringLiteral("已从磁盘上删除"))); }
    EXPECT_EQ(ui.messages.back().title, "出错");
    EXPECT_TRUE(ui.fileDialogs.empty());  // Open did not go on to its dialog
    ui.openAnswers.clear();
    EXPECT_EQ(t()->Text(), before);
    EXPECT_EQ(w->windowTitle(), file + kSuffix);
    EXPECT_EQ(p().CurrentFileName, file);
    EXPECT_TRUE(p().HasFileName);
    EXPECT_EQ(pos(), 1);
    EXPECT_TRUE(menu().numUndo->isEnabled());
  }
}

TEST_F(DocFixture, SaveReplacesTheFileAndWritesInPlaceOnlyWhereItMust) {
  // A name of 250 bytes leaves no room for the temporary file's suffix: the
  // temporary file gets a short name of its own, and the file is replaced
  // all the same. A file with a second name is written in place, so that
  // both names keep showing the same text.
  const QString longName = path(QString(246, QLatin1Char('n')) + ".txt");
  const QString shortName = path("short.txt");
  const QString linked = path("linked.txt"), other = path("other-name.txt");
  qputenv("XDG_STATE_HOME", QFile::encodeName(path("state")));
  auto inode = [](const QString& f) {
    struct stat st {};
    return ::stat(QFile::encodeName(f).constData(), &st) == 0 ? st.st_ino : ino_t(0);
  };
  struct Case {
    const char* name;
    QString file;
    bool inPlace;
  };
  const Case cases[] = {
      {"short name", shortName, false},
      {"name too long to extend", longName, false},
      {"a second name links to it", linked, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    put(c.file.mid(dir.path().size() + 1), QByteArray(3000, 'x'));
    if (c.inPlace) {
      QFile::remove(other);
      ASSERT_EQ(::link(QFile::encodeName(c.file).constData(), QFile::encodeName(other).constData()),
                0);
    }
    QFile::setPermissions(
        c.file, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther);
    const ino_t before = inode(c.file);
    open(c.file);
    t()->setText("short now");
    p().RecordUndo();
    ASSERT_TRUE(docs().numSave()) << ui.texts().join(" ").toStdString();
    EXPECT_EQ(contents(c.file), "short now");  // cut to its new length
    EXPECT_EQ(inode(c.file) == before, c.inPlace);
    if (c.inPlace) { EXPECT_EQ(contents(other), "short now"); }
    EXPECT_EQ(QFile::permissions(c.file), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                              QFileDevice::ReadUser | QFileDevice::WriteUser |
                                              QFileDevice::ReadOther);
  }
  // A new file under such a name is made too.
  const QString fresh = path(QString(246, QLatin1Char('f')) + ".txt");
  ui.saveAnswers.push_back(fresh);
  ASSERT_TRUE(docs().numSaveAs());
  EXPECT_EQ(contents(fresh), "short now");

  // In place on a full disk: the room is asked for first, the old text stays.
  open(linked);
  QString big;
  while (big.size() < 100'000) big += QStringLiteral("很长的一行文字。\r\n");
  edit(big);
  rlimit old{};
  getrlimit(RLIMIT_FSIZE, &old);
  signal(SIGXFSZ, SIG_IGN);
  rlimit small = old;
  small.rlim_cur = 4096;
  setrlimit(RLIMIT_FSIZE, &small);
  ui.messages.clear();
  const bool saved = docs().numSave();
  setrlimit(RLIMIT_FSIZE, &old);
  EXPECT_FALSE(saved);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].title, "出错");
  EXPECT_EQ(contents(linked), "short now");
  EXPECT_EQ(contents(other), "short now");
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 5);  // no leftovers
  EXPECT_EQ(QDir(path("state/Chimepad/save-backups")).entryList(QDir::Files), QStringList());
  qunsetenv("XDG_STATE_HOME");
}

TEST_F(DocFixture, AWritableFileInAFolderTheUserCannotWriteIsSavedInPlace) {
  QDir(dir.path()).mkdir("locked");
  const QString file = put("locked/doc.txt", "old text\r\n");
  QFile::setPermissions(file, QFile::Permissions(0x6666));            // rw for everyone
  QFile::setPermissions(path("locked"), QFile::Permissions(0x5555));  // r-x for everyone
  const QByteArray bytes = "new\r\n";
  bool ok = false;
  if (geteuid() != 0) {
    ok = textfile::write(file, bytes);
  } else {
    // Root writes anywhere: the save runs as an ordinary user in a child.
    QFile::setPermissions(dir.path(), QFile::Permissions(0x7755));
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      if (setgid(65534) != 0 || setuid(65534) != 0) _exit(2);
      _exit(textfile::write(file, bytes) ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_NE(WEXITSTATUS(status), 2) << "could not become an ordinary user";
    ok = WEXITSTATUS(status) == 0;
  }
  QFile::setPermissions(path("locked"), QFile::Permissions(0x7700));
  EXPECT_TRUE(ok);
  EXPECT_EQ(contents(file), bytes);
  EXPECT_EQ(QDir(path("locked")).entryList(QDir::Files), QStringList({"doc.txt"}));
}

TEST_F(DocFixture, OnlyRegularFilesOfAHoldableSizeAreOpened) {
  const QString fifo = path("fifo");
  ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  const QString huge = path("huge.txt");
  {
    QFile f(huge);  // sparse: no disk space taken
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_TRUE(f.resize(fileaccess::maxDocumentBytes() + 1));
  }
  const QString first = put("first.txt", "first\r\n");
  struct Case {
    const char* what;
    QString file;
    const char* says;
  };
  const Case cases[] = {
      {"a FIFO without a writer", fifo, "不是普通文件"},
      {"a device", QStringLiteral("/dev/zero"), "不是普通文件"},
      {"a folder", dir.path(), "不是普通文件"},
      {"too large", huge, "太大"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    // From the open dialog: refused, nothing changes, no name is bound.
    docs().numNew();
    open(first);
    ui.messages.clear();
    open(c.file);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].title, "提示");
    EXPECT_TRUE(ui.messages[0].text.contains(QString::fromUtf8(c.says)))
        << ui.messages[0].text.toStdString();
    EXPECT_TRUE(ui.messages[0].text.contains(c.file));
    EXPECT_EQ(t()->Text(), "first\r\n");
    EXPECT_EQ(p().CurrentFileName, first);
    EXPECT_EQ(w->windowTitle(), first + kSuffix);

    // From the command line: refused, the document stays untitled.
    stop();
    ui.messages.clear();
    start(c.file);
    EXPECT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(t()->Text(), "");
    EXPECT_EQ(p().CurrentFileName, "无标题");
    EXPECT_FALSE(p().HasFileName);
  }
  // Nor is anything written to one: a FIFO would block the save, a device
  // would swallow the text. (A FIFO of the test's own: a regression here
  // must not be able to replace a system file.)
  p().CurrentFileName = fifo;
  p().HasFileName = true;
  edit("lost?");
  ui.messages.clear();
  EXPECT_FALSE(docs().numSave());
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].title, "出错");
  EXPECT_EQ(pos(), 1);
  struct stat st {};
  ASSERT_EQ(::lstat(QFile::encodeName(fifo).constData(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

TEST_F(DocFixture, ACommandLineNameNotValidInTheLocaleIsRefused) {
  struct Case {
    std::vector<QByteArray> args;
    bool refused;
  };
  const Case cases[] = {
      {{"chimepad", "a.txt"}, false},
      {{"chimepad", "中文.txt"}, false},
      {{"chimepad", "my", "file.txt"}, false},
      {{"chimepad", "\xD6\xD0\xCE\xC4.txt"}, true},  // 中文 in GBK
      {{"chimepad", "ok", "\xFF"}, true},
      {{"chimepad"}, false},
  };
  for (const Case& c : cases) {
    std::vector<const char*> argv;
    for (const QByteArray& a : c.args) argv.push_back(a.constData());
    const QString refusal = commandLineNameRefusal(int(argv.size()), argv.data());
    EXPECT_EQ(!refusal.isEmpty(), c.refused) << c.args.back().toHex().constData();
  }
  // Such a file as a dialog (or a drop) gives it: refused, nothing bound.
  {
    const QByteArray raw = QFile::encodeName(dir.path()) + "/\xD6\xD0.txt";
    FILE* f = fopen(raw.constData(), "w");
    ASSERT_NE(f, nullptr);
    fputs("gbk name\r\n", f);
    fclose(f);
    const QString lossy = QFile::decodeName(raw);
    ASSERT_TRUE(lossy.contains(QChar::ReplacementCharacter));
    ui.messages.clear();
    open(lossy);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_TRUE(ui.messages[0].text.contains(QStringLiteral("UTF-8")));
    EXPECT_EQ(p().CurrentFileName, "无标题");
    EXPECT_FALSE(p().HasFileName);
    ASSERT_EQ(unlink(raw.constData()), 0);
  }
  // Shown at start-up; nothing is loaded and no name bound, so that a later
  // Save asks for a name instead of making a different file.
  stop();
  ui.messages.clear();
  ui.fileDialogs.clear();
  TestWindow::start(
      deps().commandLine(QStringLiteral("\uFFFD\uFFFD.txt"), QStringLiteral("文件名不对")));
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, "文件名不对");
  EXPECT_EQ(p().CurrentFileName, "无标题");
  EXPECT_FALSE(p().HasFileName);
  edit("x");
  EXPECT_FALSE(docs().numSave());  // the save dialog, cancelled
  EXPECT_EQ(ui.fileDialogs.size(), 1u);
  EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
}

TEST_F(DocFixture, TheTitleShowsTheNameExactly) {
  for (const char* name : {"a[*].txt", "[*][*]b.txt", "c[*.txt"}) {
    SCOPED_TRACE(name);
    const QString file = put(QString::fromUtf8(name), "text\r\n");
    open(file);
    w->winId();  // the platform window and its title
    EXPECT_EQ(w->windowHandle()->title(), file + kSuffix);
    EXPECT_EQ(p().title(), file + kSuffix);
    edit("+");
    open(file);  // already shown: not read again
    EXPECT_EQ(t()->Text(), "text\r\n+");
  }
}

TEST(FileDialogs, AllFilesShowsEveryFile) {
  EXPECT_EQ(toQtFilters(QStringLiteral("文本文档(*.txt)|*.txt|所有文件|*.*")),
            QStringList({QStringLiteral("文本文档(*.txt)"), QStringLiteral("所有文件 (*)")}));
  EXPECT_EQ(toQtFilters(QStringLiteral("文字|*.txt;*.log")),
            QStringList({QStringLiteral("文字 (*.txt *.log)")}));
}

TEST_F(DocFixture, ACommandLineFileIsLoadedAtStartUp) {
  const QString file = put("cmd.txt", gbk("命令行"));
  stop();
  start(file);
  EXPECT_EQ(t()->Text(), "命令行\r\n");
  EXPECT_EQ(w->windowTitle(), file + kSuffix);
  EXPECT_TRUE(p().HasFileName);
  EXPECT_TRUE(menu().numDelete->isEnabled());
  EXPECT_FALSE(menu().numUndo->isEnabled());
  // Closing without a change asks nothing; after one it asks.
  w->close();
  EXPECT_TRUE(ui.messages.empty());
  edit("!");
  ui.answers = {MsgResult::Cancel};
  w->close();
  EXPECT_EQ(ui.messages.size(), 1u);
}

class PrintFixture : public DocFixture {
 protected:
  // Prints through the dialog seam to a PDF and reads its text back.
  QString print(int copies = 1) {
    const QString pdf = path(QStringLiteral("out%1.pdf").arg(++jobs));
    ui.onPrint = [pdf, copies](QPrinter& printer) {
      printer.setOutputFormat(QPrinter::PdfFormat);
      printer.setOutputFileName(pdf);
      printer.setCopyCount(copies);
      return true;
    };
    docs().numPrint();
    if (!QFile::exists(pdf)) return QStringLiteral("<no pdf>");
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    EXPECT_TRUE(p.waitForFinished(30000));
    return QString::fromUtf8(p.readAllStandardOutput());
  }
  static QStringList lines(const QString& s) {
    QStringList out;
    for (const QString& l : s.split(QLatin1Char('\n'))) {
      const QString x = l.trimmed().remove(QLatin1Char('\f'));
      if (!x.isEmpty()) out << x;
    }
    return out;
  }
  int jobs = 0;
};

TEST_F(PrintFixture, PrintsTheSelectionOrTheWholeText) {
  if (QStandardPaths::findExecutable("pdftotext").isEmpty()) GTEST_SKIP() << "pdftotext missing";
  t()->setText(QStringLiteral("第一行 Line\r\n第二行\r\n第三行"));
  EXPECT_EQ(lines(print()), QStringList({"第一行 Line", "第二行", "第三行"}));

  t()->setSelStart(4);  // "Line\r\n第二"
  t()->setSelLength(8);
  EXPECT_EQ(lines(print()), QStringList({"Line", "第二"}));

  t()->setText(QStringLiteral("全文   "));
  t()->setSelStart(2);  // only spaces selected: the whole text
  t()->setSelLength(3);
  EXPECT_EQ(lines(print()), QStringList({"全文"}));

  // The number of copies chosen in the dialog reaches the printer.
  EXPECT_EQ(lines(print(2)), QStringList({"全文", "全文"}));

  // Cancelled: nothing printed.
  const QString none = path("none.pdf");
  ui.onPrint = [none](QPrinter& printer) {
    printer.setOutputFileName(none);
    return false;
  };
  docs().numPrint();
  EXPECT_FALSE(QFile::exists(none));
}

// The print dialog shows the range that will be printed: the selection
// when there is one, and choosing 全部 there prints the whole text.
TEST_F(PrintFixture, TheDialogsRangeSaysWhatIsPrinted) {
  struct Case {
    const char* name;
    int selStart, selLength;
    QPrinter::PrintRange offered;
    QPrinter::PrintRange chosen;
    QStringList printed;
  };
  const Case cases[] = {
      {"selection offered and kept",
       4,
       8,
       QPrinter::Selection,
       QPrinter::Selection,
       {"Line", "第二"}},
      {"selection offered, all chosen",
       4,
       8,
       QPrinter::Selection,
       QPrinter::AllPages,
       {"第一行 Line", "第二行"}},
      {"nothing selected: all",
       0,
       0,
       QPrinter::AllPages,
       QPrinter::AllPages,
       {"第一行 Line", "第二行"}},
      {"only spaces selected: all",
       3,
       1,
       QPrinter::AllPages,
       QPrinter::AllPages,
       {"第一行 Line", "第二行"}},
  };
  const bool canRead = !QStandardPaths::findExecutable("pdftotext").isEmpty();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    t()->setText(QStringLiteral("第一行 Line\r\n第二行"));
    ASSERT_TRUE(t()->select(c.selStart, c.selLength));
    const QString pdf = path(QStringLiteral("range%1.pdf").arg(++jobs));
    QPrinter::PrintRange offered = QPrinter::PageRange;
    ui.onPrint = [&, pdf](QPrinter& printer) {
      offered = printer.printRange();
      printer.setPrintRange(c.chosen);
      printer.setOutputFormat(QPrinter::PdfFormat);
      printer.setOutputFileName(pdf);
      return true;
    };
    docs().numPrint();
    EXPECT_EQ(offered, c.offered);
    if (!canRead) continue;
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(lines(QString::fromUtf8(p.readAllStandardOutput())), c.printed);
  }
}

TEST_F(PrintFixture, LongTextRunsOverPages) {
  if (QStandardPaths::findExecutable("pdftotext").isEmpty()) GTEST_SKIP() << "pdftotext missing";
  QString text;
  for (int i = 1; i <= 200; ++i) text += QStringLiteral("第%1行\r\n").arg(i);
  t()->setText(text);
  const QString out = print();
  EXPECT_GE(out.count(QLatin1Char('\f')), 2);
  const QStringList l = lines(out);
  ASSERT_EQ(l.size(), 200);
  EXPECT_EQ(l.first(), "第1行");
  EXPECT_EQ(l.last(), "第200行");
}

}  // namespace

namespace {

class StatusFixture : public DocFixture {
 protected:
  std::string figures() {
    const StatusPanel& s = w->statusPanel();
    return (s.positionText() + " " + s.encodingText() + " " + s.lineEndsText()).toStdString();
  }
};

// The status bar's figures follow opening, caret moves, typing and undo.
TEST_F(StatusFixture, FiguresFollowTheDocumentAndTheCaret) {
  t()->show();
  EXPECT_EQ(figures(), "行 1,列 1 GBK CRLF");
  open(put("utf8.txt", QStringLiteral("一\n😀二三\n").toUtf8()));
  EXPECT_EQ(figures(), "行 1,列 1 UTF-8 LF");
  t()->setSelStart(5);  // before 三: the emoji counts as one character
  EXPECT_EQ(figures(), "行 2,列 3 UTF-8 LF");
  QTest::keyClick(t(), Qt::Key_Return);
  EXPECT_EQ(figures(), "行 3,列 1 UTF-8 LF");
  QTest::keyClick(t(), Qt::Key_End);
  EXPECT_EQ(figures(), "行 3,列 2 UTF-8 LF");

  open(put("gbk.txt", gbk("甲\r\n乙\r\n")));
  EXPECT_EQ(figures(), "行 1,列 1 GBK CRLF");
  t()->setSelStart(1);
  t()->setSelText("\n");  // a lone LF among CR LF
  p().RecordUndo();
  EXPECT_EQ(figures(), "行 2,列 1 GBK 混合");
  w->editCommands().numUndo();
  EXPECT_EQ(figures().substr(figures().size() - 8), "GBK CRLF");

  open(put("mixed.txt", "a\nb\r\n"));
  EXPECT_EQ(figures(), "行 1,列 1 GBK 混合");
  docs().numNew();
  EXPECT_EQ(figures(), "行 1,列 1 GBK CRLF");
}

// 状态栏 hides the whole bar; the choice outlives a restart.
TEST_F(StatusFixture, TheBarCanBeHiddenAndStaysSo) {
  w->show();
  ASSERT_TRUE(menu().numStatusBar->isChecked());
  EXPECT_TRUE(w->statusBar()->isVisible());
  menu().numStatusBar->trigger();
  EXPECT_FALSE(w->statusBar()->isVisible());
  w->close();
  EXPECT_EQ(temp.store->read("View", "StatusBar"), "False");
  stop();
  start();
  w->show();
  EXPECT_FALSE(menu().numStatusBar->isChecked());
  EXPECT_FALSE(w->statusBar()->isVisible());
  temp.store->write("View", "StatusBar", "True");
  stop();
  start();
  EXPECT_TRUE(menu().numStatusBar->isChecked());
}

}  // namespace
