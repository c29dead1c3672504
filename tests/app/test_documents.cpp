// The file commands, the loader and the file format, on real files in a
// temporary directory, with scripted dialogs.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "app/main_window.h"
#include "app/text_file.h"
#include "platform/cp936.h"
#include "platform/edit_control.h"
#include "support/fake_timer.h"
#include "support/scripted_ui.h"
#include "support/temp_settings.h"

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

class DocFixture : public ::testing::Test {
 protected:
  void SetUp() override { start(); }
  void TearDown() override { stop(); }

  void start(const QString& commandLine = {}) {
    temp.store->write("Type", "txt", "1");
    MainWindow::Deps deps;
    deps.ui = &ui;
    deps.settings = temp.store.get();
    deps.timer1 = &timer1;
    deps.timer2 = &timer2;
    deps.timer3 = &timer3;
    deps.commandLine = commandLine;
    w = std::make_unique<MainWindow>(deps);
    w->formLoad();
  }
  void stop() {
    if (!w) return;
    w->program().resetHistory(QString());  // no save question on the way out
    w.reset();
  }

  Program& p() { return w->program(); }
  EditControl* t() { return p().txtFile; }
  MainMenu& menu() { return p().menu; }
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
  TempSettings temp;
  ScriptedUi ui;
  FakeTimer timer1, timer2, timer3;
  std::unique_ptr<MainWindow> w;
};

TEST(TextFile, EveryLineEndsWithCrLf) {
  struct Case { QByteArray in; QString out; };
  const Case cases[] = {
      {"", ""},
      {"a", "a\r\n"},                         // no final line break: one is added
      {"a\r\nb\r\n", "a\r\nb\r\n"},
      {"a\r\nb", "a\r\nb\r\n"},
      {"a\rb\r", "a\r\nb\r\n"},               // a lone CR ends a line
      {"a\nb\n", "a\nb\n\r\n"},               // a lone LF stays inside its line
      {"\r\n\r\n", "\r\n\r\n"},
      {"\r", "\r\n"},
      {gbk("中文\r\n第二行"), QStringLiteral("中文\r\n第二行\r\n")},
      {QByteArray("\xD6\xD0\xD6", 3), QStringLiteral("中\uFFFD\r\n")},  // invalid bytes
  };
  for (const Case& c : cases) EXPECT_EQ(textfile::decodeDocument(c.in), c.out) << c.in.toHex().constData();
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
  EXPECT_EQ(ui.fileDialogs[0].filter, "文本文档(*.txt)|*.txt|所有文件|*.*");
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

TEST_F(DocFixture, OpenAndSaveUnchangedKeepsTheBytes) {
  struct Case { const char* name; QByteArray bytes; QByteArray afterSave; };
  const Case cases[] = {
      {"crlf.txt", gbk("甲\r\n乙\r\n"), gbk("甲\r\n乙\r\n")},
      {"nofinal.txt", gbk("甲\r\n乙"), gbk("甲\r\n乙\r\n")},  // gains exactly one
      {"lf.txt", "a\nb\n", "a\nb\n\r\n"},
      {"lonecr.txt", "a\rb\r\n", "a\r\nb\r\n"},
      {"empty.txt", "", ""},
      {"euro.txt", "\x80 \xFF\r\n", "\x80 \xFF\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const QString file = put(c.name, c.bytes);
    for (int round = 0; round < 2; ++round) {  // and again: no growth
      docs().numNew();
      open(file);
      ASSERT_TRUE(docs().numSave());
      EXPECT_EQ(contents(file), c.afterSave);
    }
  }
  EXPECT_TRUE(ui.messages.empty());
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
  struct Case { const char* what; QString file; bool diskFull; };
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
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), entries);  // no leftovers
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

  // Yes on an untitled document, save dialog cancelled: Open goes on.
  edit("draft");
  ui.messages.clear();
  ui.answers = {MsgResult::Yes};
  open(file);
  EXPECT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.fileDialogs.size(), 3u);  // open, save (cancelled), open
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
