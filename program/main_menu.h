// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The menu bar of the main window, built from one table. Items are QActions
// named as the program names them (`numNew`, `numSoundSpeed(2)`...).
#include <QHash>
#include <QString>
#include <array>
#include <span>

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

struct MenuItemSpec {
  const char* menu;      // the top-level menu's name
  const char* submenu;   // "" or the name of the submenu the item sits in
  const char* name;      // item name; control-array items as "numSoundSpeed(1)"
  const char* caption;   // "-" for a separator
  const char* shortcut;  // "" for none
  bool enabled;
  bool checkable;
  bool checked;
  const char* icon;  // resource name of the icon, "" for none
};

struct TopMenuSpec {
  const char* name;
  const char* caption;
};

// The whole menu, in order.
std::span<const TopMenuSpec> topMenus();
std::span<const MenuItemSpec> menuItems();

// The items a desktop editor has beyond the table, each placed after the
// item `after` of its menu ("" for the menu's end).
struct ExtraItemSpec {
  MenuItemSpec item;
  const char* after;
};
std::span<const ExtraItemSpec> editorMenuItems();

struct MainMenu {
  QMenu *numFile = nullptr, *numEdit = nullptr, *numFormat = nullptr, *numRead = nullptr,
        *numH = nullptr, *numSound = nullptr, *numSpeed = nullptr;
  QAction *numNew = nullptr, *numOpen = nullptr, *numSave = nullptr, *numSaveAs = nullptr,
          *numPrint = nullptr, *numExit = nullptr;
  QAction *numUndo = nullptr, *numCut = nullptr, *numCopy = nullptr, *numPaste = nullptr,
          *numDelete = nullptr, *numClear = nullptr, *numFind = nullptr, *numNext = nullptr,
          *numHuan = nullptr, *numAll = nullptr, *numDate = nullptr;
  QAction *numEncr = nullptr, *numDecr = nullptr, *numFont = nullptr;
  // Shows or hides the status bar (checked: shown).
  QAction* numStatusBar = nullptr;
  QAction *numStart = nullptr, *numStop = nullptr, *numReadToFile = nullptr;
  std::array<QAction*, 1> numSoundOpt{};
  QAction* numWords = nullptr;        // 按词语读多音字
  QAction* numNeutralTone = nullptr;  // 轻声
  QAction* numToneSandhi = nullptr;   // 上声变调
  // 暂停/继续, 上一句, 下一句: enabled while reading.
  QAction *numPause = nullptr, *numPrevSentence = nullptr, *numNextSentence = nullptr;
  std::array<QAction*, 4> numSoundSpeed{};
  QAction *numHelp = nullptr, *numAbout = nullptr;
  // The editor's own items beyond the table above (`editorMenuItems`).
  QMenu *numRecent = nullptr, *numScheme = nullptr;
  QAction *numRedo = nullptr, *numGoto = nullptr, *numWrap = nullptr, *numLineNumbers = nullptr,
          *numZoomIn = nullptr, *numZoomOut = nullptr, *numZoomReset = nullptr;
  // 跟随系统, 浅色, 深色: one of them checked.
  std::array<QAction*, 3> numSchemeItem{};
  // Every item and submenu by name, separators included.
  QHash<QString, QAction*> byName;

  void build(QMenuBar* bar, QWidget* owner);
  // Puts the editor's own items in their menus (called by `build`).
  void buildEditorItems(const QHash<QString, QMenu*>& menus);
  QAction* item(const QString& name) const { return byName.value(name); }
};
