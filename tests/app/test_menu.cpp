// SPDX-License-Identifier: GPL-3.0-or-later
// The menu bar after start-up: every item with its caption, shortcut, state
// and icon, checked against the table of the program's menus.
#include <gtest/gtest.h>
#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>

#include "platform/edit_control.h"
#include "support/test_window.h"

namespace {

struct Expected {
  const char* name;
  const char* caption;
  const char* shortcut;
  bool enabled;
  int checked;  // -1 not checkable
  bool icon;
};

// In menu order; separators are "-".
const Expected kFile[] = {
    {"numNew", "新建(&N)", "Ctrl+N", true, -1, true},
    {"numOpen", "打开(&O)...", "Ctrl+O", true, -1, true},
    {"numSave", "保存(&S)", "Ctrl+S", true, -1, true},
    {"numSaveAs", "另存为(&A)...", "", true, -1, false},
    {"numLine1", "-", "", true, -1, false},
    {"numPrint", "打印(&P)", "Ctrl+P", true, -1, true},
    {"numLine2", "-", "", true, -1, false},
    {"numExit", "退出(&X)", "", true, -1, false},
};
const Expected kEdit[] = {
    {"numUndo", "撤消(&U)", "Ctrl+Z", false, -1, true},
    {"numLine3", "-", "", true, -1, false},
    {"numCut", "剪切(&T)", "Ctrl+X", false, -1, true},
    {"numCopy", "复制(&C)", "Ctrl+C", false, -1, true},
    {"numPaste", "粘贴(&P)", "Ctrl+V", true, -1, true},
    {"numDelete", "删除(&L)", "Del", false, -1, true},
    {"numLine4", "-", "", true, -1, false},
    {"numClear", "清空剪贴板(&E)...", "", true, -1, false},
    {"numLine10", "-", "", true, -1, false},
    {"numFind", "查找(&F)...", "Ctrl+F", true, -1, true},
    {"numNext", "查找下一个(&N)", "F3", false, -1, false},
    {"numHuan", "替换(&R)...", "Ctrl+H", true, -1, false},
    {"numLine5", "-", "", true, -1, false},
    {"numAll", "全选(&A)", "Ctrl+A", true, -1, false},
    {"numDate", "日期/时间(&D)", "F5", true, -1, true},
};
const Expected kFormat[] = {
    {"numEncr", "文本加密(&E)", "", true, -1, true},
    {"numDecr", "文本解密(&D)", "", true, -1, false},
    {"numLine9", "-", "", true, -1, false},
    {"numFont", "字体(&F)...", "", true, -1, false},
    {"numStatusBar", "状态栏(&B)", "", true, 1, false},
};
const Expected kRead[] = {
    {"numStart", "开始朗读(&P)...", "F8", true, -1, true},
    {"numStop", "停止(&S)", "Ctrl+T", false, -1, false},
    {"numPause", "暂停/继续(&Z)", "F9", false, -1, false},
    {"numPrevSentence", "上一句(&B)", "Alt+Left", false, -1, false},
    {"numNextSentence", "下一句(&N)", "Alt+Right", false, -1, false},
    {"numReadToFile", "朗读到文件(&W)...", "", true, -1, false},
    {"numLine6", "-", "", true, -1, false},
    {"numSound", "声音选项(&O)", "", true, -1, false},
    {"numSpeed", "语速(&E)", "", true, -1, true},
};
const Expected kSound[] = {{"numSoundOpt(0)", "普通(&N)", "", true, 1, false},
                           {"numWords", "按词语读多音字(&W)", "", true, 1, false},
                           {"numNeutralTone", "轻声", "", true, 1, false},
                           {"numToneSandhi", "上声变调", "", true, 1, false}};
const Expected kSpeed[] = {
    {"numSoundSpeed(0)", "较慢(&W)", "", true, 0, false},
    {"numSoundSpeed(1)", "中速(&M)", "", true, 1, false},
    {"numSoundSpeed(2)", "较快(&F)", "", true, 0, false},
    {"numSoundSpeed(3)", "自定义(&U)...", "", true, 0, false},
};
const Expected kHelp[] = {
    {"numHelp", "帮助主题(&H)", "F1", true, -1, true},
    {"numLine7", "-", "", true, -1, false},
    {"numAbout", "关于(&A)...", "", true, -1, false},
};

template <size_t N>
void expectMenu(const QMenu* menu, const Expected (&items)[N]) {
  ASSERT_NE(menu, nullptr);
  // The editor's own items beyond the original table stand among these; they
  // have tests of their own.
  QList<QAction*> actions;
  for (QAction* a : menu->actions()) {
    bool extra = false;
    for (const auto& x : editorMenuItems())
      extra = extra || a->objectName() == QString::fromUtf8(x.item.name);
    if (!extra) actions << a;
  }
  ASSERT_EQ(actions.size(), static_cast<qsizetype>(N)) << menu->objectName().toStdString();
  for (size_t i = 0; i < N; ++i) {
    const Expected& e = items[i];
    const QAction* a = actions[static_cast<qsizetype>(i)];
    SCOPED_TRACE(e.name);
    EXPECT_EQ(a->objectName(), QString::fromUtf8(e.name));
    if (QString::fromUtf8(e.caption) == QLatin1String("-")) {
      EXPECT_TRUE(a->isSeparator());
      continue;
    }
    EXPECT_EQ(a->text(), QString::fromUtf8(e.caption));
    EXPECT_EQ(a->shortcut(), QKeySequence(QString::fromUtf8(e.shortcut)));
    EXPECT_EQ(a->isEnabled(), e.enabled);
    if (e.checked >= 0) {
      EXPECT_TRUE(a->isCheckable());
      EXPECT_EQ(a->isChecked(), e.checked == 1);
    } else {
      EXPECT_FALSE(a->isChecked());
    }
    EXPECT_EQ(!a->icon().isNull(), e.icon);
  }
}

class MenuTest : public WindowTest {
 protected:
  void SetUp() override { start(); }
};

TEST_F(MenuTest, EveryMenuAndItemAfterStartUp) {
  const QList<QAction*> top = w->menuBar()->actions();
  ASSERT_EQ(top.size(), 5);
  const char* names[] = {"numFile", "numEdit", "numFormat", "numRead", "numH"};
  const char* captions[] = {"文件(&F)", "编辑(&E)", "格式(&O)", "朗读(&R)", "帮助(&H)"};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(top[i]->objectName(), QString::fromUtf8(names[i]));
    EXPECT_EQ(top[i]->text(), QString::fromUtf8(captions[i]));
  }
  const MainMenu& m = w->program().menu;
  expectMenu(m.numFile, kFile);
  expectMenu(m.numEdit, kEdit);
  expectMenu(m.numFormat, kFormat);
  expectMenu(m.numRead, kRead);
  expectMenu(m.numSound, kSound);
  expectMenu(m.numSpeed, kSpeed);
  expectMenu(m.numH, kHelp);
}

TEST_F(MenuTest, ExactlyFifteenItemsCarryIcons) {
  QStringList withIcon;
  for (QAction* a : w->program().menu.byName)
    if (!a->icon().isNull()) withIcon << a->objectName();
  withIcon.sort();
  QStringList expected{"numDelete", "numFind",  "numSave",  "numOpen", "numPrint",
                       "numUndo",   "numHelp",  "numNew",   "numCut",  "numCopy",
                       "numPaste",  "numSpeed", "numStart", "numDate", "numEncr"};
  expected.sort();
  EXPECT_EQ(withIcon, expected);
  // The icons are drawable images, not empty placeholders.
  for (const QString& n : expected)
    EXPECT_FALSE(w->program().menu.item(n)->icon().pixmap(16, 16).isNull()) << n.toStdString();
  EXPECT_FALSE(w->windowIcon().isNull());
}

// Items are connected to their handlers by name: an item of either table
// without a handler would do nothing when chosen.
TEST_F(MenuTest, EveryItemOfTheTablesHasItsHandler) {
  auto check = [this](const MenuItemSpec& item) {
    const QString name = QString::fromUtf8(item.name);
    const QAction* a = w->program().menu.item(name);
    ASSERT_NE(a, nullptr) << item.name;
    if (a->isSeparator() || a->menu()) return;  // submenus open, they are not chosen
    EXPECT_TRUE(w->handlesMenuItem(name)) << item.name;
  };
  for (const MenuItemSpec& item : menuItems()) check(item);
  for (const ExtraItemSpec& x : editorMenuItems()) check(x.item);
  EXPECT_FALSE(w->handlesMenuItem(QStringLiteral("numLine1")));
}

TEST_F(MenuTest, HelpTopicDoesNothingAndTitleIsUntitled) {
  EXPECT_EQ(w->windowTitle(), QStringLiteral("无标题 - 妙音朗读器"));
  const QString before = w->program().txtFile->Text();
  w->program().menu.numHelp->trigger();
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(w->program().txtFile->Text(), before);
  EXPECT_EQ(w->windowTitle(), QStringLiteral("无标题 - 妙音朗读器"));
}

TEST_F(MenuTest, EditControlFillsTheClientAreaAfterResize) {
  w->show();
  w->resize(700, 500);
  QCoreApplication::processEvents();
  const QWidget* t = w->program().txtFile;
  EXPECT_EQ(w->centralWidget(), t);
  const QRect area = w->centralWidget()->geometry();
  EXPECT_EQ(t->geometry(), area);
  EXPECT_EQ(area.width(), w->width());
  w->showMinimized();
  QCoreApplication::processEvents();
  w->showNormal();
  w->resize(640, 420);
  QCoreApplication::processEvents();
  EXPECT_EQ(t->width(), w->width());
  // Down to the status bar, or to the bottom once the bar is hidden.
  EXPECT_EQ(t->y() + t->height(), w->statusBar()->y());
  w->program().menu.numStatusBar->trigger();
  QCoreApplication::processEvents();
  EXPECT_EQ(t->y() + t->height(), w->height());
}

}  // namespace
