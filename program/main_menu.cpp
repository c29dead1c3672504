// SPDX-License-Identifier: GPL-3.0-or-later
#include "program/main_menu.h"

#include <QAction>
#include <QIcon>
#include <QMenu>
#include <QMenuBar>

std::span<const TopMenuSpec> topMenus() {
  static const TopMenuSpec t[] = {
      {"numFile", "文件(&F)"}, {"numEdit", "编辑(&E)"}, {"numFormat", "格式(&O)"},
      {"numRead", "朗读(&R)"}, {"numH", "帮助(&H)"},
  };
  return t;
}

std::span<const MenuItemSpec> menuItems() {
  // menu, submenu, name, caption, shortcut, enabled, checkable, checked, icon
  static const MenuItemSpec t[] = {
      {"numFile", "", "numNew", "新建(&N)", "Ctrl+N", true, false, false, "new"},
      {"numFile", "", "numOpen", "打开(&O)...", "Ctrl+O", true, false, false, "open"},
      {"numFile", "", "numSave", "保存(&S)", "Ctrl+S", true, false, false, "save"},
      {"numFile", "", "numSaveAs", "另存为(&A)...", "", true, false, false, ""},
      {"numFile", "", "numLine1", "-", "", true, false, false, ""},
      {"numFile", "", "numPrint", "打印(&P)", "Ctrl+P", true, false, false, "print"},
      {"numFile", "", "numLine2", "-", "", true, false, false, ""},
      {"numFile", "", "numExit", "退出(&X)", "", true, false, false, ""},
      {"numEdit", "", "numUndo", "撤消(&U)", "Ctrl+Z", false, false, false, "undo"},
      {"numEdit", "", "numLine3", "-", "", true, false, false, ""},
      {"numEdit", "", "numCut", "剪切(&T)", "Ctrl+X", false, false, false, "cut"},
      {"numEdit", "", "numCopy", "复制(&C)", "Ctrl+C", false, false, false, "copy"},
      {"numEdit", "", "numPaste", "粘贴(&P)", "Ctrl+V", true, false, false, "paste"},
      {"numEdit", "", "numDelete", "删除(&L)", "Del", false, false, false, "delete"},
      {"numEdit", "", "numLine4", "-", "", true, false, false, ""},
      {"numEdit", "", "numClear", "清空剪贴板(&E)...", "", true, false, false, ""},
      {"numEdit", "", "numLine10", "-", "", true, false, false, ""},
      {"numEdit", "", "numFind", "查找(&F)...", "Ctrl+F", true, false, false, "find"},
      {"numEdit", "", "numNext", "查找下一个(&N)", "F3", false, false, false, ""},
      {"numEdit", "", "numHuan", "替换(&R)...", "Ctrl+H", true, false, false, ""},
      {"numEdit", "", "numLine5", "-", "", true, false, false, ""},
      {"numEdit", "", "numAll", "全选(&A)", "Ctrl+A", true, false, false, ""},
      {"numEdit", "", "numDate", "日期/时间(&D)", "F5", true, false, false, "date"},
      {"numFormat", "", "numEncr", "文本加密(&E)", "", true, false, false, "encr"},
      {"numFormat", "", "numDecr", "文本解密(&D)", "", true, false, false, ""},
      {"numFormat", "", "numLine9", "-", "", true, false, false, ""},
      {"numFormat", "", "numFont", "字体(&F)...", "", true, false, false, ""},
      {"numFormat", "", "numStatusBar", "状态栏(&B)", "", true, true, true, ""},
      {"numRead", "", "numStart", "开始朗读(&P)...", "F8", true, false, false, "start"},
      {"numRead", "", "numStop", "停止(&S)", "Ctrl+T", false, false, false, ""},
      {"numRead", "", "numPause", "暂停/继续(&Z)", "F9", false, false, false, ""},
      {"numRead", "", "numPrevSentence", "上一句(&B)", "Alt+Left", false, false, false, ""},
      {"numRead", "", "numNextSentence", "下一句(&N)", "Alt+Right", false, false, false, ""},
      {"numRead", "", "numReadToFile", "朗读到文件(&W)...", "", true, false, false, ""},
      {"numRead", "", "numLine6", "-", "", true, false, false, ""},
      {"numRead", "", "numSound", "声音选项(&O)", "", true, false, false, ""},
      {"numRead", "numSound", "numSoundOpt(0)", "普通(&N)", "", true, true, true, ""},
      {"numRead", "numSound", "numWords", "按词语读多音字(&W)", "", true, true, true, ""},
      {"numRead", "numSound", "numNeutralTone", "轻声", "", true, true, true, ""},
      {"numRead", "numSound", "numToneSandhi", "上声变调", "", true, true, true, ""},
      {"numRead", "", "numSpeed", "语速(&E)", "", true, false, false, "speed"},
      {"numRead", "numSpeed", "numSoundSpeed(0)", "较慢(&W)", "", true, true, false, ""},
      {"numRead", "numSpeed", "numSoundSpeed(1)", "中速(&M)", "", true, true, true, ""},
      {"numRead", "numSpeed", "numSoundSpeed(2)", "较快(&F)", "", true, true, false, ""},
      {"numRead", "numSpeed", "numSoundSpeed(3)", "自定义(&U)...", "", true, true, false, ""},
      {"numH", "", "numHelp", "帮助主题(&H)", "F1", true, false, false, "help"},
      {"numH", "", "numLine7", "-", "", true, false, false, ""},
      {"numH", "", "numAbout", "关于(&A)...", "", true, false, false, ""},
  };
  return t;
}

void MainMenu::build(QMenuBar* bar, QWidget* owner) {
  QHash<QString, QMenu*> menus;
  for (const auto& top : topMenus()) {
    QMenu* m = bar->addMenu(QString::fromUtf8(top.caption));
    m->setObjectName(QString::fromUtf8(top.name));
    m->menuAction()->setObjectName(QString::fromUtf8(top.name));
    menus.insert(m->objectName(), m);
  }
  for (const auto& item : menuItems()) {
    const QString name = QString::fromUtf8(item.name);
    const QString caption = QString::fromUtf8(item.caption);
    QMenu* parent = menus.value(QString::fromUtf8(*item.submenu ? item.submenu : item.menu));
    QAction* a = nullptr;
    if (name == QLatin1String("numSound") || name == QLatin1String("numSpeed")) {
      QMenu* sub = parent->addMenu(caption);
      sub->setObjectName(name);
      menus.insert(name, sub);
      a = sub->menuAction();
    } else if (caption == QLatin1String("-")) {
      a = parent->addSeparator();
    } else {
      a = parent->addAction(caption);
      if (*item.shortcut) a->setShortcut(QKeySequence(QString::fromUtf8(item.shortcut)));
      // The shortcuts work wherever the focus is in the main window.
      a->setShortcutContext(Qt::WindowShortcut);
    }
    a->setObjectName(name);
    a->setEnabled(item.enabled);
    a->setCheckable(item.checkable);
    a->setChecked(item.checked);
    if (*item.icon)
      a->setIcon(QIcon(QStringLiteral(":/icons/") + QString::fromUtf8(item.icon) +
                       QStringLiteral(".svg")));
    byName.insert(name, a);
  }
  (void)owner;
  numFile = menus.value("numFile");
  numEdit = menus.value("numEdit");
  numFormat = menus.value("numFormat");
  numRead = menus.value("numRead");
  numH = menus.value("numH");
  numSound = menus.value("numSound");
  numSpeed = menus.value("numSpeed");
  numNew = item("numNew");
  numOpen = item("numOpen");
  numSave = item("numSave");
  numSaveAs = item("numSaveAs");
  numPrint = item("numPrint");
  numExit = item("numExit");
  numUndo = item("numUndo");
  numCut = item("numCut");
  numCopy = item("numCopy");
  numPaste = item("numPaste");
  numDelete = item("numDelete");
  numClear = item("numClear");
  numFind = item("numFind");
  numNext = item("numNext");
  numHuan = item("numHuan");
  numAll = item("numAll");
  numDate = item("numDate");
  numEncr = item("numEncr");
  numDecr = item("numDecr");
  numFont = item("numFont");
  numStatusBar = item("numStatusBar");
  numStart = item("numStart");
  numStop = item("numStop");
  numReadToFile = item("numReadToFile");
  numPause = item("numPause");
  numPrevSentence = item("numPrevSentence");
  numNextSentence = item("numNextSentence");
  numSoundOpt[0] = item("numSoundOpt(0)");
  numWords = item("numWords");
  numNeutralTone = item("numNeutralTone");
  numToneSandhi = item("numToneSandhi");
  for (int i = 0; i < 4; ++i) numSoundSpeed[i] = item(QStringLiteral("numSoundSpeed(%1)").arg(i));
  numHelp = item("numHelp");
  numAbout = item("numAbout");
  buildEditorItems(menus);
}

std::span<const ExtraItemSpec> editorMenuItems() {
  // menu, submenu, name, caption, shortcut, enabled, checkable, checked, icon; after
  static const ExtraItemSpec t[] = {
      {{"numFile", "", "numRecent", "最近的文件(&R)", "", true, false, false, ""}, "numSaveAs"},
      {{"numEdit", "", "numRedo", "重做(&Y)", "Ctrl+Y", false, false, false, ""}, "numUndo"},
      {{"numEdit", "", "numGoto", "转到行(&G)...", "Ctrl+G", true, false, false, ""}, "numHuan"},
      {{"numFormat", "", "numLine11", "-", "", true, false, false, ""}, "numStatusBar"},
      {{"numFormat", "", "numWrap", "自动换行(&W)", "", true, true, true, ""}, "numLine11"},
      {{"numFormat", "", "numLineNumbers", "行号(&L)", "", true, true, false, ""}, "numWrap"},
      {{"numFormat", "", "numZoomIn", "放大(&I)", "Ctrl+=", true, false, false, ""},
       "numLineNumbers"},
      {{"numFormat", "", "numZoomOut", "缩小(&O)", "Ctrl+-", true, false, false, ""}, "numZoomIn"},
      {{"numFormat", "", "numZoomReset", "还原(&Z)", "Ctrl+0", true, false, false, ""},
       "numZoomOut"},
      {{"numFormat", "", "numScheme", "配色(&C)", "", true, false, false, ""}, "numZoomReset"},
      {{"numFormat", "numScheme", "numSchemeItem(0)", "跟随系统(&S)", "", true, true, true, ""},
       ""},
      {{"numFormat", "numScheme", "numSchemeItem(1)", "浅色(&L)", "", true, true, false, ""}, ""},
      {{"numFormat", "numScheme", "numSchemeItem(2)", "深色(&D)", "", true, true, false, ""}, ""},
  };
  return t;
}

void MainMenu::buildEditorItems(const QHash<QString, QMenu*>& topAndSubmenus) {
  QHash<QString, QMenu*> menus = topAndSubmenus;
  for (const auto& [spec, after] : editorMenuItems()) {
    const QString name = QString::fromUtf8(spec.name);
    const QString caption = QString::fromUtf8(spec.caption);
    QMenu* parent = menus.value(QString::fromUtf8(*spec.submenu ? spec.submenu : spec.menu));
    if (!parent) continue;
    // Placed right after `after`: before the item that follows it.
    QAction* before = nullptr;
    if (*after) {
      const QList<QAction*> items = parent->actions();
      const qsizetype i = items.indexOf(byName.value(QString::fromUtf8(after)));
      if (i >= 0 && i + 1 < items.size()) before = items[i + 1];
    }
    QAction* a = nullptr;
    if (name == QLatin1String("numRecent") || name == QLatin1String("numScheme")) {
      auto* sub = new QMenu(caption, parent);
      sub->setObjectName(name);
      menus.insert(name, sub);
      a = sub->menuAction();
      parent->insertAction(before, a);
    } else if (caption == QLatin1String("-")) {
      a = parent->insertSeparator(before);
    } else {
      a = new QAction(caption, parent);
      if (*spec.shortcut) a->setShortcut(QKeySequence(QString::fromUtf8(spec.shortcut)));
      a->setShortcutContext(Qt::WindowShortcut);
      parent->insertAction(before, a);
    }
    a->setObjectName(name);
    a->setEnabled(spec.enabled);
    a->setCheckable(spec.checkable);
    a->setChecked(spec.checked);
    byName.insert(name, a);
  }
  numRecent = menus.value("numRecent");
  numScheme = menus.value("numScheme");
  numRedo = item("numRedo");
  // Both of the usual keys redo.
  if (numRedo)
    numRedo->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
  numGoto = item("numGoto");
  numWrap = item("numWrap");
  numLineNumbers = item("numLineNumbers");
  numZoomIn = item("numZoomIn");
  // Ctrl+= and Ctrl++ (Shift+= on most keyboards) alike.
  if (numZoomIn)
    numZoomIn->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Equal), QKeySequence(Qt::CTRL | Qt::Key_Plus)});
  numZoomOut = item("numZoomOut");
  numZoomReset = item("numZoomReset");
  for (int i = 0; i < 3; ++i) numSchemeItem[i] = item(QStringLiteral("numSchemeItem(%1)").arg(i));
}
