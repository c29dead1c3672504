// SPDX-License-Identifier: GPL-3.0-or-later
// The first-run file-type association: the question, the freedesktop files
// in temporary XDG directories, the Windows registry writes, the marker.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "app/association.h"
#include "app/main_window.h"
#include "platform/file_types.h"
#include "platform/paths.h"
#include "support/fake_registry.h"
#include "support/test_window.h"
#include "support/wait.h"

namespace {

QString readAll(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(f.readAll());
}

void writeText(const QString& path, const QByteArray& text) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(text);
}

// Passes when desktop-file-validate is not installed.
void expectValidDesktopEntry(const QString& path) {
  const QString validate = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
  if (validate.isEmpty()) return;
  QProcess p;
  p.start(validate, {path});
  ASSERT_TRUE(p.waitForFinished(10000));
  EXPECT_EQ(p.exitCode(), 0) << path.toStdString() << ": "
                             << p.readAllStandardOutput().toStdString();
}

TEST(RegistryFileTypes, YesWritesTwelveValuesInOrder) {
  FakeRegistry reg;
  writeRegistryFileTypes(reg, associatedTypes(true), QStringLiteral("C:\\Program Files\\Chimepad"));
  const RegRoot cr = RegRoot::ClassesRoot;
  const QString cmd = QStringLiteral("C:\\Program Files\\Chimepad\\Chimepad.exe %1");
  const QString icon = QStringLiteral("C:\\Program Files\\Chimepad\\Chimepad.exe,");
  const QString open = QStringLiteral("shell\\open\\command");
  const QString def = QStringLiteral("DefaultIcon");
  const std::vector<FakeRegistry::Write> expected = {
      {cr, "QZChimepadTxt", "", "文本文档"},  {cr, "QZChimepadQzC", "", "QZCfiles"},
      {cr, "QZChimepadLog", "", "Logfiles"},  {cr, ".txt", "", "QZChimepadTxt"},
      {cr, ".qzc", "", "QZChimepadQzC"},      {cr, ".log", "", "QZChimepadLog"},
      {cr, "QZChimepadTxt", open, cmd},       {cr, "QZChimepadQzC", open, cmd},
      {cr, "QZChimepadLog", open, cmd},       {cr, "QZChimepadTxt", def, icon + "2"},
      {cr, "QZChimepadQzC", def, icon + "1"}, {cr, "QZChimepadLog", def, icon + "2"},
  };
  EXPECT_EQ(reg.writes, expected);
}

TEST(RegistryFileTypes, NoWritesOnlyTheQzcTypeFromADriveRoot) {
  FakeRegistry reg;
  writeRegistryFileTypes(reg, associatedTypes(false), QStringLiteral("D:\\"));
  const RegRoot cr = RegRoot::ClassesRoot;
  const std::vector<FakeRegistry::Write> expected = {
      {cr, "QZChimepadQzC", "", "QZCfiles"},
      {cr, ".qzc", "", "QZChimepadQzC"},
      {cr, "QZChimepadQzC", "shell\\open\\command", "D:\\Chimepad.exe %1"},
      {cr, "QZChimepadQzC", "DefaultIcon", "D:\\Chimepad.exe,1"},
  };
  EXPECT_EQ(reg.writes, expected);
}

// Each string value escaped as the Desktop Entry format says; the Exec
// argument quoted first, then escaped.
TEST(DesktopExec, QuotesAndEscapesAsTheFormatSays) {
  struct Case {
    const char* name;
    QString in, exec;
  };
  const Case cases[] = {
      {"newline", QStringLiteral("/opt/a\nExec=touch x/chimepad"),
       QStringLiteral("\"/opt/a\\nExec=touch x/chimepad\"")},
      {"tab and carriage return", QStringLiteral("/opt/a\tb\rc"),
       QStringLiteral("\"/opt/a\\tb\\rc\"")},
      {"backslash", QStringLiteral("/opt/a\\b"), QStringLiteral("\"/opt/a\\\\\\\\b\"")},
      {"double quote and backtick", QStringLiteral("/opt/\"`x`\""),
       QStringLiteral("\"/opt/\\\\\"\\\\`x\\\\`\\\\\"\"")},
      {"single quote", QStringLiteral("/opt/it's"), QStringLiteral("\"/opt/it's\"")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(desktopExecArgument(c.in), c.exec);
    // No raw line break, whatever the path: one line, one key.
    EXPECT_FALSE(desktopEntryText(associatedTypes(false)[0], c.in).contains("\nExec=touch"));
  }
  EXPECT_EQ(desktopStringValue(QStringLiteral(" lead\\")), QStringLiteral("\\slead\\\\"));
}

TEST(DesktopExec, QuotesWhatNeedsIt) {
  EXPECT_EQ(desktopExecArgument(QStringLiteral("/usr/bin/chimepad")),
            QStringLiteral("/usr/bin/chimepad"));
  EXPECT_EQ(desktopExecArgument(QStringLiteral("/opt/my apps/chimepad")),
            QStringLiteral("\"/opt/my apps/chimepad\""));
  EXPECT_EQ(desktopExecArgument(QStringLiteral("/opt/a$b/100%")),
            QStringLiteral("\"/opt/a\\\\$b/100%%\""));
  EXPECT_EQ(desktopExecArgument(QStringLiteral("/opt/朗读/chimepad")),
            QStringLiteral("/opt/朗读/chimepad"));
}

class AssociationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* var : {"XDG_DATA_HOME", "XDG_CONFIG_HOME"}) saved.append({var, qgetenv(var)});
    qputenv("XDG_DATA_HOME", dataHome().toUtf8());
    qputenv("XDG_CONFIG_HOME", configHome().toUtf8());
  }
  void TearDown() override {
    for (const auto& [var, value] : saved) {
      if (value.isNull()) qunsetenv(var);
      else qputenv(var, value);
    }
  }
  QString dataHome() const { return xdg.filePath(QStringLiteral("data")); }
  QString configHome() const { return xdg.filePath(QStringLiteral("config")); }
  QString entry(const QString& progId) const {
    return dataHome() + QStringLiteral("/applications/") + progId + QStringLiteral(".desktop");
  }
  QString package(const QString& progId) const {
    return dataHome() + QStringLiteral("/mime/packages/") + progId + QStringLiteral(".xml");
  }
  QString icon(const QString& context, const QString& name) const {
    return dataHome() + QStringLiteral("/icons/hicolor/scalable/") + context + QLatin1Char('/') +
           name + QStringLiteral(".svg");
  }
  QString mimeapps() const { return readAll(configHome() + QStringLiteral("/mimeapps.list")); }

  // One start of the program; returns the messages it showed.
  std::vector<ShownMessage> start(std::deque<MsgResult> answers) {
    ScriptedUi ui;
    ui.answers = std::move(answers);
    MainWindow w(WindowDeps(ui, *temp.store));
    w.formLoad();
    return ui.messages;
  }
  QString marker() { return temp.store->read(QStringLiteral("Type"), QStringLiteral("txt")); }

  QTemporaryDir xdg;
  TempSettings temp;
  QList<QPair<const char*, QByteArray>> saved;
};

TEST_F(AssociationTest, YesTakesTextLogAndQzcFiles) {
  const auto shown = start({MsgResult::Yes});
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text, QStringLiteral("是否要关联扩展名为 txt 的文本文件?"));
  EXPECT_EQ(shown[0].title, QStringLiteral("关联文件"));
  EXPECT_EQ(shown[0].icon, MsgIcon::Question);
  EXPECT_EQ(shown[0].buttons, MsgButtons::YesNo);
  EXPECT_EQ(marker(), QStringLiteral("1"));

  const QString exec =
      QStringLiteral("Exec=") + QCoreApplication::applicationFilePath() + QStringLiteral(" %f\n");
  const struct {
    const char* progId;
    const char* description;
    const char* mime;
    const char* glob;
    const char* icon;
  } types[] = {
      {"QZChimepadTxt", "文本文档", "text/plain", "*.txt", "chimepad-doc-txt"},
      {"QZChimepadQzC", "QZCfiles", "application/x-qzc", "*.qzc", "chimepad-doc-qzc"},
      {"QZChimepadLog", "Logfiles", "text/x-log", "*.log", "chimepad-doc-txt"},
  };
  for (const auto& t : types) {
    SCOPED_TRACE(t.progId);
    const QString desktop = readAll(entry(t.progId));
    EXPECT_TRUE(desktop.startsWith(QStringLiteral("[Desktop Entry]\n")));
    EXPECT_TRUE(desktop.contains(exec));
    EXPECT_TRUE(desktop.contains(QStringLiteral("Comment=") + t.description + "\n"));
    EXPECT_TRUE(desktop.contains(QStringLiteral("MimeType=") + t.mime + ";\n"));
    expectValidDesktopEntry(entry(t.progId));
    const QString xml = readAll(package(t.progId));
    EXPECT_TRUE(xml.contains(QStringLiteral("<mime-type type=\"") + t.mime + "\">"));
    EXPECT_TRUE(xml.contains(QStringLiteral("<glob pattern=\"") + t.glob + "\"/>"));
    EXPECT_TRUE(xml.contains(QStringLiteral("<icon name=\"") + t.icon + "\"/>"));
    EXPECT_TRUE(mimeapps().contains(QStringLiteral("%1=%2.desktop;\n").arg(t.mime, t.progId)));
  }
  // Only the program's own type gets a description of its own.
  EXPECT_TRUE(
      readAll(package("QZChimepadQzC")).contains(QStringLiteral("<comment>QZCfiles</comment>")));
  EXPECT_FALSE(readAll(package("QZChimepadTxt")).contains(QStringLiteral("<comment>")));
  EXPECT_TRUE(mimeapps().startsWith(QStringLiteral("[Default Applications]\n")));
  // The icons, each in its role.
  EXPECT_EQ(readAll(icon("mimetypes", "chimepad-doc-qzc")), readAll(":/icons/doc-qzc.svg"));
  EXPECT_EQ(readAll(icon("mimetypes", "chimepad-doc-txt")), readAll(":/icons/doc-txt.svg"));
  EXPECT_EQ(readAll(icon("apps", "chimepad")), readAll(":/icons/app.svg"));
  EXPECT_FALSE(readAll(":/icons/doc-qzc.svg").isEmpty());
  // The databases, where their tools are installed.
  if (!QStandardPaths::findExecutable(QStringLiteral("update-mime-database")).isEmpty()) {
    const QString globs = readAll(dataHome() + QStringLiteral("/mime/globs2"));
    EXPECT_TRUE(globs.contains(QStringLiteral("application/x-qzc:*.qzc")));
    EXPECT_TRUE(globs.contains(QStringLiteral("text/x-log:*.log")));
  }
  if (!QStandardPaths::findExecutable(QStringLiteral("update-desktop-database")).isEmpty()) {
    const QString cache = readAll(dataHome() + QStringLiteral("/applications/mimeinfo.cache"));
    EXPECT_TRUE(cache.contains(QStringLiteral("application/x-qzc=QZChimepadQzC.desktop;")));
    EXPECT_TRUE(cache.contains(QStringLiteral("text/plain=QZChimepadTxt.desktop;")));
  }

  temp.reopen();
  EXPECT_TRUE(start({}).empty());  // the second start asks nothing
  EXPECT_EQ(marker(), QStringLiteral("1"));
}

TEST_F(AssociationTest, NoTakesOnlyQzcFilesAndKeepsOtherDefaults) {
  writeText(
      configHome() + QStringLiteral("/mimeapps.list"),
      "[Added Associations]\nimage/png=viewer.desktop;\n\n"
      "[Default Applications]\ntext/plain=other-editor.desktop;\napplication/x-qzc=old.desktop;\n\n"
      "[Removed Associations]\ntext/html=x.desktop;\n");
  const auto shown = start({MsgResult::No});
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(marker(), QStringLiteral("0"));

  EXPECT_TRUE(QFile::exists(entry("QZChimepadQzC")));
  EXPECT_TRUE(QFile::exists(package("QZChimepadQzC")));
  EXPECT_TRUE(QFile::exists(icon("mimetypes", "chimepad-doc-qzc")));
  for (const char* other : {"QZChimepadTxt", "QZChimepadLog"}) {
    EXPECT_FALSE(QFile::exists(entry(other))) << other;
    EXPECT_FALSE(QFile::exists(package(other))) << other;
  }
  EXPECT_FALSE(QFile::exists(icon("mimetypes", "chimepad-doc-txt")));
  EXPECT_EQ(mimeapps(), QStringLiteral("[Added Associations]\nimage/png=viewer.desktop;\n\n"
                                       "[Default Applications]\ntext/plain=other-editor.desktop;\n"
                                       "application/x-qzc=QZChimepadQzC.desktop;\n\n"
                                       "[Removed Associations]\ntext/html=x.desktop;\n"));

  temp.reopen();
  EXPECT_TRUE(start({MsgResult::Yes}).empty());  // asks nothing, writes nothing more
  EXPECT_FALSE(QFile::exists(entry("QZChimepadTxt")));
  EXPECT_EQ(marker(), QStringLiteral("0"));
}

TEST_F(AssociationTest, FailuresAreSkippedAndTheMarkerStored) {
  // Both directories are files: nothing can be written below them.
  writeText(dataHome(), "not a directory");
  writeText(configHome(), "not a directory");
  const auto shown = start({MsgResult::Yes});
  ASSERT_EQ(shown.size(), 1u);  // the question, and no other message
  EXPECT_EQ(marker(), QStringLiteral("1"));
}

TEST_F(AssociationTest, ExecLineOfAPathWithSpacesIsValid) {
  writeFreedesktopFileTypes(associatedTypes(false), {dataHome(), configHome()},
                            QStringLiteral("/opt/My Apps/chimepad"));
  const QString desktop = readAll(entry("QZChimepadQzC"));
  EXPECT_TRUE(desktop.contains(QStringLiteral("Exec=\"/opt/My Apps/chimepad\" %f\n")));
  expectValidDesktopEntry(entry("QZChimepadQzC"));
}

// An installed copy: prefix/bin/chimepad beside prefix/share holding the
// installed menu entry.
struct InstalledCopy {
  QTemporaryDir tmp;
  QString prefix() const { return tmp.filePath(QStringLiteral("prefix")); }
  QString bin() const { return prefix() + QStringLiteral("/bin"); }
  QString share() const { return prefix() + QStringLiteral("/share"); }
  InstalledCopy() {
    QDir().mkpath(bin());
    writeText(share() + QStringLiteral("/applications/") + desktopEntryFileName(),
              "[Desktop Entry]\n");
  }
};

TEST(InstalledCopy, FoundOnlyWhereTheDesktopLooks) {
  InstalledCopy copy;
  QTemporaryDir other;
  const QString link = other.filePath(QStringLiteral("linked-share"));
  ASSERT_TRUE(QFile::link(copy.share(), link));
  const QString id = desktopEntryFileName();
  EXPECT_TRUE(id.endsWith(QStringLiteral(".desktop")));
  const struct {
    const char* what;
    QString exeDir, dataHome;
    QStringList dataDirs;
    QString expected;
  } cases[] = {
      {"a system data folder",
       copy.bin(),
       other.path(),
       {QStringLiteral("/nonexistent"), copy.share()},
       id},
      {"the data home (~/.local)", copy.bin(), copy.share(), {}, id},
      {"reached through a link", copy.bin(), other.path(), {link}, id},
      {"a prefix the desktop does not search",
       copy.bin(),
       other.path(),
       {QStringLiteral("/usr/share")},
       {}},
      {"a folder without the entry", other.path(), other.path(), {copy.share(), other.path()}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(installedDesktopEntryId(c.exeDir, c.dataHome, c.dataDirs), c.expected);
  }
}

TEST_F(AssociationTest, InstalledCopyMakesItsMenuEntryTheDefault) {
  writeText(
      configHome() + QStringLiteral("/mimeapps.list"),
      "[Default Applications]\ntext/plain=other-editor.desktop;\nimage/png=viewer.desktop;\n");
  InstalledCopy copy;
  const QString id = desktopEntryFileName();
  storeFreedesktopFileTypes(associatedTypes(false), {dataHome(), configHome()}, {copy.share()},
                            copy.bin(), copy.bin() + QStringLiteral("/chimepad"));
  // No: only .qzc is taken; nothing of the program's own is written.
  EXPECT_EQ(mimeapps(), QStringLiteral("[Default Applications]\ntext/plain=other-editor.desktop;\n"
                                       "image/png=viewer.desktop;\napplication/x-qzc=%1;\n")
                            .arg(id));
  EXPECT_FALSE(QDir(dataHome()).exists());

  storeFreedesktopFileTypes(associatedTypes(true), {dataHome(), configHome()}, {copy.share()},
                            copy.bin(), copy.bin() + QStringLiteral("/chimepad"));
  EXPECT_EQ(mimeapps(),
            QStringLiteral("[Default Applications]\ntext/plain=%1;\nimage/png=viewer.desktop;\n"
                           "application/x-qzc=%1;\ntext/x-log=%1;\n")
                .arg(id));
  EXPECT_FALSE(QDir(dataHome()).exists());
}

TEST_F(AssociationTest, CopyOutsideTheSearchedFoldersWritesItsOwnEntries) {
  InstalledCopy copy;
  storeFreedesktopFileTypes(associatedTypes(false), {dataHome(), configHome()},
                            {QStringLiteral("/usr/share")}, copy.bin(),
                            copy.bin() + QStringLiteral("/chimepad"));
  EXPECT_TRUE(readAll(entry("QZChimepadQzC"))
                  .contains(QStringLiteral("Exec=") + copy.bin() + "/chimepad %f\n"));
  EXPECT_TRUE(mimeapps().contains(QStringLiteral("application/x-qzc=QZChimepadQzC.desktop;\n")));
}

// Hostile folder names of the program: the entry is valid, it starts the
// program at exactly that path with the file, and nothing else is run.
// Paths no entry can hold safely are refused, and nothing is written.
TEST_F(AssociationTest, HostileProgramPathsAreWrittenSafelyOrRefused) {
  struct Case {
    const char* name;
    QString folder;
    bool refused;
  };
  const Case cases[] = {
      {"spaces", QStringLiteral("my apps"), false},
      {"double and single quotes", QStringLiteral("it's \"here\""), false},
      {"newline and an Exec line", QStringLiteral("x\nExec=touch PWNED\ny"), false},
      {"dollar and backticks", QStringLiteral("$(touch PWNED)`touch PWNED`$HOME"), false},
      {"backslash and tab", QStringLiteral("a\\b\tc"), false},
      {"semicolon and hash", QStringLiteral("a;touch PWNED #"), false},
      {"percent", QStringLiteral("100% %f %u"), true},
      {"control character", QStringLiteral("a\x01b"), true},
  };
  const QString gio = QStandardPaths::findExecutable(QStringLiteral("gio"));
  QTemporaryDir programs;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QDir(dataHome()).removeRecursively();
    const QString list = configHome() + QStringLiteral("/mimeapps.list");
    writeText(list, "[Default Applications]\ntext/plain=mine.desktop;\n");
    const QString folder = programs.filePath(c.folder);
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString exe = folder + QStringLiteral("/chimepad");
    const QString record = programs.filePath(QStringLiteral("record"));
    QFile::remove(record);
    // A stand-in for the program that writes down how it was started.
    writeText(exe, "#!/bin/sh\nprintf '%s\\n' \"$0\" \"$@\" > '" + record.toUtf8() + "'\n");
    QFile::setPermissions(exe,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const QString refusal =
        writeFreedesktopFileTypes(associatedTypes(false), {dataHome(), configHome()}, exe);
    if (c.refused) {
      EXPECT_FALSE(refusal.isEmpty());
      EXPECT_FALSE(QFile::exists(entry("QZChimepadQzC")));
      EXPECT_EQ(mimeapps(), "[Default Applications]\ntext/plain=mine.desktop;\n");
      continue;
    }
    ASSERT_TRUE(refusal.isEmpty()) << refusal.toStdString();
    const QString desktop = readAll(entry("QZChimepadQzC"));
    EXPECT_EQ(desktop.split(QLatin1Char('\n')).filter(QRegularExpression("^Exec=")).size(), 1);
    expectValidDesktopEntry(entry("QZChimepadQzC"));
    if (gio.isEmpty()) continue;
    const QString doc = programs.filePath(QStringLiteral("a doc.qzc"));
    writeText(doc, "x");
    QProcess launch;
    launch.setWorkingDirectory(programs.path());
    launch.start(gio, {QStringLiteral("launch"), entry("QZChimepadQzC"), doc});
    ASSERT_TRUE(launch.waitForFinished(10000));
    EXPECT_EQ(launch.exitCode(), 0) << launch.readAllStandardError().toStdString();
    ASSERT_TRUE(waitUntil([&] { return QFile::exists(record) && !readAll(record).isEmpty(); }));
    EXPECT_EQ(readAll(record), exe + "\n" + doc + "\n");
    EXPECT_FALSE(QFile::exists(programs.filePath(QStringLiteral("PWNED"))));
    EXPECT_FALSE(QFile::exists(QStringLiteral("PWNED")));
  }
}

// mimeapps.list is edited as bytes: only the lines of the types set change.
TEST(MimeappsList, OnlyTheLinesSetAreTouched) {
  const QList<QPair<QString, QString>> qzc = {{"application/x-qzc", "QZChimepadQzC.desktop"}};
  struct Case {
    const char* name;
    QByteArray before, after;
  };
  const Case cases[] = {
      {"no file yet", "", "[Default Applications]\napplication/x-qzc=QZChimepadQzC.desktop;\n"},
      {"bytes of other encodings on other lines",
       "# caf\xE9 \xFF\xFE\n[Default Applications]\ntext/plain=\xD6\xD0.desktop;\n",
       "# caf\xE9 \xFF\xFE\n[Default Applications]\ntext/plain=\xD6\xD0.desktop;\n"
       "application/x-qzc=QZChimepadQzC.desktop;\n"},
      {"the type replaced where it stands",
       "[Default Applications]\napplication/x-qzc=old.desktop;\nx/y=\xE9;\n\n[Other]\nk=\xE9\n",
       "[Default Applications]\napplication/x-qzc=QZChimepadQzC.desktop;\nx/y=\xE9;\n\n[Other]\n"
       "k=\xE9\n"},
      {"CR LF lines keep CR LF", "[Default Applications]\r\nx/y=a.desktop;\r\n",
       "[Default Applications]\r\nx/y=a.desktop;\r\napplication/x-qzc=QZChimepadQzC.desktop;\r\n"},
      {"already so: unchanged, spacing and all",
       "[Default Applications]\napplication/x-qzc = QZChimepadQzC.desktop;\n\xFF",
       "[Default Applications]\napplication/x-qzc = QZChimepadQzC.desktop;\n\xFF"},
      {"no final line break", "[Added Associations]\nx/y=\xE9;",
       "[Added Associations]\nx/y=\xE9;\n[Default Applications]\n"
       "application/x-qzc=QZChimepadQzC.desktop;\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const QByteArray once = mimeappsWithDefaults(c.before, qzc);
    EXPECT_EQ(once, c.after);
    EXPECT_EQ(mimeappsWithDefaults(once, qzc), once);  // a second start changes nothing
  }
}

TEST_F(AssociationTest, AMimeappsListThatIsNotARegularFileIsLeftAlone) {
  const QString list = configHome() + QStringLiteral("/mimeapps.list");
  QDir().mkpath(configHome());
  ASSERT_EQ(::mkfifo(QFile::encodeName(list).constData(), 0600), 0);
  writeFreedesktopFileTypes(associatedTypes(false), {dataHome(), configHome()},
                            QStringLiteral("/opt/chimepad"));  // does not block
  EXPECT_FALSE(QFileInfo(list).isFile());
  QFile::remove(list);
  // A list of another encoding is written back with its bytes.
  writeText(list, "[Default Applications]\n# \xC4\xE3\xBA\xC3\n");
  writeFreedesktopFileTypes(associatedTypes(false), {dataHome(), configHome()},
                            QStringLiteral("/opt/chimepad"));
  QFile f(list);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(),
            "[Default Applications]\n# \xC4\xE3\xBA\xC3\n"
            "application/x-qzc=QZChimepadQzC.desktop;\n");
}

}  // namespace
