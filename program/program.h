// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program-wide state and the objects of the main window that the
// subsystems share, and the state each subsystem keeps for itself (declared
// beside this, in a header named for its owner). One instance lives as long
// as the main window.
#include <QString>
#include <QtGlobal>

#include "platform/timer.h"
#include "program/crypt_state.h"
#include "program/editing_state.h"
#include "program/main_menu.h"
#include "program/reading_state.h"
#include "program/search_state.h"
#include "program/undo_history.h"

class EditControl;
class QMainWindow;
class SettingsStore;
class SoundOutput;
class Registry;
class Ui;
class FilePlaces;

inline const QString kAppTitle = QStringLiteral("妙音朗读器");
inline const QString kUntitled = QStringLiteral("无标题");

struct Program {
  // Objects of the main window.
  QMainWindow* frmMain = nullptr;
  EditControl* txtFile = nullptr;
  MainMenu menu;
  Timer* Timer1 = nullptr;    // clipboard watcher, 50 ms
  Timer* Timer2 = nullptr;    // reading step
  Timer* Timer3 = nullptr;    // pause of the reading session
  Timer* WavTimer = nullptr;  // counts the length of the wav sound playing

  // The outside world.
  Ui* ui = nullptr;
  SettingsStore* settings = nullptr;
  SoundOutput* sound = nullptr;
  Registry* registry = nullptr;  // null: the system's own

  // Documents.
  QString CurrentFileName = kUntitled;
  bool HasFileName = false;
  // Where the caret and the scroll stood in the files last closed (null:
  // nothing is remembered).
  FilePlaces* places = nullptr;
  // Undo history; its position above 0 means unsaved changes.
  UndoHistory undo;
  // Reading aloud (a reading session runs).
  bool ReadingActive = false;
  // A find or replace window is open: reading does not start.
  bool SearchDialogOpen = false;

  // The state each subsystem keeps for itself.
  EditingState editing;
  ReadingState reading;
  SearchState search;
  CryptState crypt;

  // Sets the window title: the name followed by " - 妙音朗读器", shown
  // exactly as it is (a "[*]" in the name too). `title` reads it back.
  void setTitle(const QString& name);
  QString title() const;
  // Resets the undo history to the given base text and disables `numUndo`.
  void resetHistory(const QString& baseText);
  // Records the editor text in the undo history if it changed (nothing
  // while a file loads: the history starts from its whole text).
  void RecordUndo();
  // A passing text in the status bar (nothing when there is no window);
  // an empty text clears it.
  void showStatus(const QString& text);
};
