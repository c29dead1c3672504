// SPDX-License-Identifier: GPL-3.0-or-later
// The about box, and the look-up of the system-information tool through a
// scripted registry.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>

#include "about/about_command.h"
#include "about/about_dialog.h"
#include "platform/system_info.h"
#include "support/fake_registry.h"
#include "support/test_window.h"

namespace {

const QString kMsinfoKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
const QString kLocationKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");
const QString kUnavailable = QStringLiteral("此时系统信息不可用");

TEST(GetKeyValue, TypesAndFailures) {
  FakeRegistry reg;
  const RegRoot lm = RegRoot::LocalMachine;
  reg.putString(lm, QStringLiteral("K"), QStringLiteral("Path"), QStringLiteral("C:\\工具\\a.exe"));
  reg.put(lm, QStringLiteral("K"), QStringLiteral("NoNul"), kRegSz, QByteArray("abc"));
  reg.put(lm, QStringLiteral("K"), QStringLiteral("Small"), kRegDword,
          QByteArray("\x0A\x05\x00\x00", 4));
  reg.put(lm, QStringLiteral("K"), QStringLiteral("Big"), kRegDword,
          QByteArray("\xFF\xFF\xFF\xFF", 4));
  reg.put(lm, QStringLiteral("K"), QStringLiteral("Binary"), 3, QByteArray("\x01\x02", 2));
  reg.put(lm, QStringLiteral("K"), QStringLiteral("Huge"), kRegSz, QByteArray(1025, 'a'));
  const struct {
    const char* name;
    bool found;
    QString value;
  } cases[] = {
      {"Path", true, QStringLiteral("C:\\工具\\a.exe")},  // code page 936, the closing NUL dropped
      {"NoNul", true, QStringLiteral("abc")},
      {"Small", true, QStringLiteral("1290")},  // 0x050A: every byte keeps both digits
      {"Big", true, QStringLiteral("4294967295")},
      {"Binary", true, QString()},
      {"Huge", false, QString()},  // larger than the 1024-byte buffer
      {"Missing", false, QString()},
  };
  for (const auto& c : cases) {
    const KeyValue v = GetKeyValue(reg, lm, QStringLiteral("K"), QLatin1String(c.name));
    EXPECT_EQ(v.found, c.found) << c.name;
    EXPECT_EQ(v.value, c.value) << c.name;
  }
  EXPECT_FALSE(GetKeyValue(reg, lm, QStringLiteral("Nope"), QStringLiteral("Path")).found);
  EXPECT_FALSE(
      GetKeyValue(reg, RegRoot::CurrentUser, QStringLiteral("K"), QStringLiteral("Path")).found);
  EXPECT_EQ(reg.openKeys, 0);  // every key opened was closed
  for (quint32 access : reg.openAccess) EXPECT_EQ(access, kKeyRead);
}

class AboutTest : public WindowTest {
 protected:
  void SetUp() override {
    // No system-information program on the PATH unless a test puts one there.
    oldPath = qgetenv("PATH");
    qputenv("PATH", binDir.path().toLocal8Bit());
    start();
    w->program().registry = &reg;
  }
  void TearDown() override {
    stop();
    qputenv("PATH", oldPath);
  }

  void startSysInfo() { StartSysInfo(w->program()); }
  void expectUnavailable() {
    EXPECT_TRUE(ui.started.empty());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, kUnavailable);
    EXPECT_EQ(ui.messages[0].title, QString());  // the application's own title
    EXPECT_EQ(ui.messages[0].icon, MsgIcon::None);
    EXPECT_EQ(ui.messages[0].buttons, MsgButtons::Ok);
  }

  QByteArray oldPath;
  QTemporaryDir binDir;
  FakeRegistry reg;
};

TEST_F(AboutTest, BoxShowsNameAndVersionAndStaysOpenOnFailure) {
  int result = -1;
  ui.onExec = [&](QDialog* d) {
    auto* box = qobject_cast<FrmAbout*>(d);
    EXPECT_NE(box, nullptr);
    if (!box) return 0;
    EXPECT_EQ(box->windowTitle(), QStringLiteral("关于..."));
    EXPECT_EQ(box->Label1->text(), QStringLiteral("妙音朗读器"));
    EXPECT_EQ(box->Label2->text(), QStringLiteral("妙音朗读器测试版 Beta 0.91"));
    EXPECT_EQ(box->Command1->text(), QStringLiteral("确 定"));
    EXPECT_EQ(box->Command2->text(), QStringLiteral("系统信息(&S)..."));
    EXPECT_FALSE(box->Image1->pixmap().isNull());
    box->show();
    box->Command2->click();  // neither key: the message, the box stays
    EXPECT_TRUE(box->isVisible());
    box->Command1->click();
    result = box->result();
    return result;
  };
  w->program().menu.numAbout->trigger();
  EXPECT_EQ(result, QDialog::Accepted);
  expectUnavailable();
}

TEST_F(AboutTest, FirstKeyStartsItsPathWithoutLookingForTheFile) {
  const QString tool =
      QStringLiteral("C:\\Program Files\\Common Files\\Microsoft Shared\\MSInfo\\msinfo32.exe");
  reg.putString(RegRoot::LocalMachine, kMsinfoKey, QStringLiteral("PATH"), tool);
  reg.putString(RegRoot::LocalMachine, kLocationKey, QStringLiteral("MSINFO"),
                QStringLiteral("C:\\elsewhere"));
  startSysInfo();
  ASSERT_EQ(ui.started.size(), 1u);
  EXPECT_EQ(ui.started[0], localPath(tool));
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(AboutTest, SecondKeyNeedsTheToolInItsFolder) {
  QTemporaryDir folder;
  reg.putString(RegRoot::LocalMachine, kLocationKey, QStringLiteral("MSINFO"),
                QDir::toNativeSeparators(folder.path()));
  startSysInfo();  // the folder holds no MSINFO32.EXE yet
  expectUnavailable();

  ui.messages.clear();
  QFile exe(folder.filePath(QStringLiteral("MSINFO32.EXE")));
  ASSERT_TRUE(exe.open(QIODevice::WriteOnly));
  exe.close();
  startSysInfo();
  ASSERT_EQ(ui.started.size(), 1u);
  EXPECT_EQ(QFileInfo(ui.started[0]).canonicalFilePath(), QFileInfo(exe).canonicalFilePath());
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(AboutTest, KeysWithoutWriteRightsStillRead) {
  reg.putString(RegRoot::LocalMachine, kMsinfoKey, QStringLiteral("PATH"),
                QStringLiteral("C:\\msinfo32.exe"));
  reg.protect(RegRoot::LocalMachine, kMsinfoKey);
  startSysInfo();
  EXPECT_EQ(ui.started.size(), 1u);
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(AboutTest, ToolThatCannotStartShowsTheMessage) {
  reg.putString(RegRoot::LocalMachine, kMsinfoKey, QStringLiteral("PATH"),
                QStringLiteral("C:\\msinfo32.exe"));
  ui.startResult = false;
  startSysInfo();
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, kUnavailable);
}

#ifndef Q_OS_WIN
TEST_F(AboutTest, WithoutKeysAnInstalledSystemInformationProgramStarts) {
  const QString fake = binDir.filePath(QStringLiteral("hardinfo"));
  QFile f(fake);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("#!/bin/sh\n");
  f.close();
  f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  startSysInfo();
  ASSERT_EQ(ui.started.size(), 1u);
  EXPECT_EQ(ui.started[0], fake);
  EXPECT_TRUE(ui.messages.empty());
}
#endif

}  // namespace
