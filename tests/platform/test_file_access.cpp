// SPDX-License-Identifier: GPL-3.0-or-later
// Saving a file safely: at every step of a save a failure or the end of the
// process leaves the old text or the new one; links, modes and the owner of
// the file are kept. Real files in a temporary folder; the steps fail or end
// the process through the seam of platform/file_access.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "platform/file_access.h"

namespace {

using fileaccess::testing::FaultPlan;

struct stat statOf(const QString& file) {
  struct stat st {};
  ::lstat(QFile::encodeName(file).constData(), &st);
  return st;
}

class SaveFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    oldState = qgetenv("XDG_STATE_HOME");
    qputenv("XDG_STATE_HOME", QFile::encodeName(state()));
  }
  void TearDown() override {
    fileaccess::testing::clearFaultPlan();
    qputenv("XDG_STATE_HOME", oldState);
  }
  QString path(const QString& name) const { return dir.filePath(name); }
  QString state() const { return dir.filePath("state"); }
  QString backups() const { return state() + "/Chimepad/save-backups"; }
  QStringList backupFiles() const { return QDir(backups()).entryList(QDir::Files); }
  // Backups made in the temporary folder when the state folder had none.
  static QStringList tempBackups() {
    return QDir::temp().entryList({"doc.txt.*.bak"}, QDir::Files | QDir::Hidden);
  }
  QByteArray backupContents() const {
    const QStringList files = backupFiles();
    if (files.size() != 1) return "<no single backup>";
    QFile f(backups() + "/" + files[0]);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  void put(const QString& file, const QByteArray& bytes) {
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
  }
  QByteArray contents(const QString& file) const {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
  }
  QStringList folderFiles() const {
    return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
  }
  // The steps of one save that runs through.
  int stepsOfASave(const QString& file, const QByteArray& bytes) {
    fileaccess::testing::setFaultPlan(plan(-1, false));
    EXPECT_TRUE(fileaccess::writeFile(file, bytes));
    const int n = int(fileaccess::testing::stepsTaken().size());
    fileaccess::testing::clearFaultPlan();
    return n;
  }
  static FaultPlan plan(int at, bool end) {
    FaultPlan p;
    p.failAt = at;
    p.exitProcess = end;
    p.writeChunk = 4;  // several write calls, so that a write can fail halfway
    return p;
  }

  QTemporaryDir dir;
  QByteArray oldState;
};

// How the file stands before the save: replaced through a temporary file,
// or written in place (a second name links to it), or made anew.
struct Situation {
  const char* name;
  QByteArray oldText;  // empty: no file yet
  bool linked;
  QByteArray newText;
};

const Situation kSituations[] = {
    {"replaced, shorter text", "the old text of the file\r\n", false, "new\r\n"},
    {"replaced, longer text", "old\n", false, "a new text, longer than the old one\n"},
    {"in place (linked), shorter text", "the old text of the file\r\n", true, "new\r\n"},
    {"in place (linked), longer text", "old\n", true, "a new text, longer than the old one\n"},
    {"a new file", "", false, "the first text\n"},
};

TEST_F(SaveFixture, AFailureAtAnyStepLeavesTheOldTextAndNoLeftovers) {
  for (const Situation& s : kSituations) {
    SCOPED_TRACE(s.name);
    const QString file = path("doc.txt"), link = path("link.txt");
    auto reset = [&] {
      QFile::remove(file);
      QFile::remove(link);
      if (!s.oldText.isEmpty()) put(file, s.oldText);
      if (s.linked) {
        ASSERT_EQ(::link(QFile::encodeName(file).constData(), QFile::encodeName(link).constData()),
                  0);
      }
    };
    reset();
    const QStringList before = folderFiles();
    const int steps = stepsOfASave(file, s.newText);
    ASSERT_GT(steps, 3);
    for (int k = 1; k <= steps; ++k) {
      SCOPED_TRACE(k);
      reset();
      fileaccess::testing::setFaultPlan(plan(k, false));
      QString error;
      const bool ok = fileaccess::writeFile(file, s.newText, &error);
      const QString step = fileaccess::testing::stepsTaken().value(k - 1);
      fileaccess::testing::clearFaultPlan();
      SCOPED_TRACE(step.toStdString());
      if (ok) {
        // A failure the save went round (a backup made elsewhere, the file
        // written in place instead, the folder not synced) still saves.
        EXPECT_EQ(contents(file), s.newText);
        if (step == "remove backup") {
          QDir(backups()).removeRecursively();
          for (const QString& f : tempBackups()) QFile::remove(QDir::temp().filePath(f));
        }
        EXPECT_EQ(backupFiles(), QStringList());
      } else {
        EXPECT_FALSE(error.isEmpty());
        EXPECT_EQ(contents(file), s.oldText.isEmpty() ? QByteArray("<missing>") : s.oldText);
        if (s.linked) { EXPECT_EQ(contents(link), s.oldText); }
        EXPECT_EQ(backupFiles(), QStringList());
      }
      EXPECT_EQ(tempBackups(), QStringList());
      const QStringList expected =
          !s.oldText.isEmpty() ? before : (ok ? QStringList{"doc.txt"} : QStringList());
      EXPECT_EQ(folderFiles(), expected);
    }
    QFile::remove(link);
  }
}

// The process ended (as by a kill) before any one call of the save: the file
// holds the old text or the new one, or, written in place and cut off
// halfway, its old text is whole in the backup.
TEST_F(SaveFixture, AKillAtAnyStepLeavesTheOldOrTheNewText) {
  for (const Situation& s : kSituations) {
    SCOPED_TRACE(s.name);
    const QString file = path("doc.txt"), link = path("link.txt");
    auto reset = [&] {
      QFile::remove(file);
      QFile::remove(link);
      QDir(backups()).removeRecursively();
      if (!s.oldText.isEmpty()) put(file, s.oldText);
      if (s.linked) {
        ASSERT_EQ(::link(QFile::encodeName(file).constData(), QFile::encodeName(link).constData()),
                  0);
      }
    };
    reset();
    const int steps = stepsOfASave(file, s.newText);
    bool sawTorn = false;
    for (int k = 1; k <= steps; ++k) {
      SCOPED_TRACE(k);
      reset();
      const pid_t child = ::fork();
      ASSERT_GE(child, 0);
      if (child == 0) {
        fileaccess::testing::setFaultPlan(plan(k, true));
        fileaccess::writeFile(file, s.newText);
        ::_exit(0);
      }
      int status = 0;
      ASSERT_EQ(::waitpid(child, &status, 0), child);
      ASSERT_TRUE(WIFEXITED(status));
      EXPECT_EQ(WEXITSTATUS(status), fileaccess::testing::kEndedExitCode);
      const QByteArray now = contents(file);
      const QByteArray old = s.oldText.isEmpty() ? QByteArray("<missing>") : s.oldText;
      if (now == old || now == s.newText) continue;
      // Torn: only in place, with the old text kept.
      sawTorn = true;
      EXPECT_TRUE(s.linked) << now.constData();
      EXPECT_EQ(backupContents(), s.oldText);
    }
    EXPECT_EQ(sawTorn, s.linked);  // the in-place write was cut off halfway at least once
  }
}

TEST_F(SaveFixture, LinksModesAndOwnerAreKept) {
  // Other names of the file get the new text too.
  const QString a = path("a.txt"), b = path("b.txt");
  put(a, "old\n");
  ASSERT_EQ(::link(QFile::encodeName(a).constData(), QFile::encodeName(b).constData()), 0);
  ASSERT_TRUE(fileaccess::writeFile(a, "new\n"));
  EXPECT_EQ(contents(b), "new\n");
  EXPECT_EQ(statOf(a).st_nlink, 2u);
  EXPECT_EQ(backupFiles(), QStringList());

  // A link to the file: the file it leads to is written, the link stays.
  const QString target = path("target.txt"), symlink = path("symlink.txt");
  put(target, "old\n");
  ASSERT_TRUE(QFile::link(target, symlink));
  ASSERT_TRUE(fileaccess::writeFile(symlink, "new\n"));
  EXPECT_TRUE(S_ISLNK(statOf(symlink).st_mode));
  EXPECT_EQ(contents(target), "new\n");

  // setuid, setgid and sticky bits, and the owner and group.
  const QString special = path("special.txt");
  put(special, "old\n");
  const QByteArray sp = QFile::encodeName(special);
  const bool root = ::geteuid() == 0;
  if (root) { ASSERT_EQ(::chown(sp.constData(), 1234, 1235), 0); }
  ASSERT_EQ(::chmod(sp.constData(), 07751), 0);  // after the owner: chown clears the bits
  ASSERT_EQ(statOf(special).st_mode & 07777, 07751u);
  const ino_t inode = statOf(special).st_ino;
  fileaccess::testing::setFaultPlan(plan(-1, false));
  ASSERT_TRUE(fileaccess::writeFile(special, "new\n"));
  const QStringList steps = fileaccess::testing::stepsTaken();
  fileaccess::testing::clearFaultPlan();
  EXPECT_NE(statOf(special).st_ino, inode);  // replaced
  EXPECT_EQ(statOf(special).st_mode & 07777, 07751u);
  if (root) {
    EXPECT_EQ(statOf(special).st_uid, 1234u);
    EXPECT_EQ(statOf(special).st_gid, 1235u);
  }
  EXPECT_EQ(contents(special), "new\n");
  // The folder is synced after the rename.
  ASSERT_TRUE(steps.contains("rename"));
  EXPECT_EQ(steps.indexOf("sync folder", steps.indexOf("rename")) > 0, true)
      << steps.join(' ').toStdString();

  // A new file gets the mode the umask gives.
  const mode_t mask = ::umask(022);
  const QString fresh = path("fresh.txt");
  ASSERT_TRUE(fileaccess::writeFile(fresh, "x"));
  ::umask(mask);
  EXPECT_EQ(statOf(fresh).st_mode & 07777, 0644u);
}

// Where the file cannot be replaced without losing its owner, or the folder
// refuses the rename (a sticky folder and another user's file), it is
// written in place.
TEST_F(SaveFixture, AFileThatCannotBeReplacedIsWrittenInPlace) {
  struct Case {
    const char* name;
    const char* step;
    int error;
  };
  const Case cases[] = {
      {"owner cannot be kept", "chown", EPERM},
      {"folder refuses the rename", "rename", EPERM},
      {"no temporary file beside it", "create temporary", EACCES},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const QString file = path("doc.txt");
    put(file, "the old text\n");
    ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), 0640), 0);
    const ino_t inode = statOf(file).st_ino;
    FaultPlan p;
    p.failStep = c.step;
    p.error = c.error;
    fileaccess::testing::setFaultPlan(p);
    QString error;
    EXPECT_TRUE(fileaccess::writeFile(file, "new\n", &error)) << error.toStdString();
    fileaccess::testing::clearFaultPlan();
    EXPECT_EQ(contents(file), "new\n");
    EXPECT_EQ(statOf(file).st_ino, inode);
    EXPECT_EQ(statOf(file).st_mode & 07777, 0640u);
    EXPECT_EQ(folderFiles(), QStringList{"doc.txt"});
    EXPECT_EQ(backupFiles(), QStringList());
  }
}

// A writable file of another user in a sticky folder (as /tmp): saved, and
// it stays that user's.
TEST_F(SaveFixture, AWritableFileOfAnotherUserInAStickyFolderIsSaved) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to make a file of another user";
  const QString sticky = path("sticky");
  ASSERT_TRUE(QDir().mkdir(sticky));
  ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0755), 0);
  ASSERT_EQ(::chmod(QFile::encodeName(sticky).constData(), 01777), 0);
  ASSERT_TRUE(QDir().mkpath(state()));
  ASSERT_EQ(::chmod(QFile::encodeName(state()).constData(), 0777), 0);
  const QString file = sticky + "/shared.txt";
  put(file, "old text of the shared file\n");
  const QByteArray f = QFile::encodeName(file);
  ASSERT_EQ(::chown(f.constData(), 1234, 1234), 0);
  ASSERT_EQ(::chmod(f.constData(), 0666), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(2);
    ::_exit(fileaccess::writeFile(file, "new\n") ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  ASSERT_NE(WEXITSTATUS(status), 2) << "could not become an ordinary user";
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(contents(file), "new\n");
  EXPECT_EQ(statOf(file).st_uid, 1234u);
  EXPECT_EQ(QDir(sticky).entryList(QDir::Files | QDir::Hidden), QStringList{"shared.txt"});
}

}  // namespace
