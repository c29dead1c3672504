// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The edit menu commands and the handlers of the editor's events.
#include <QString>
#include <memory>

class ClipboardWatch;
class QDateTime;
class QLocale;
struct Program;

// The date and time as the Date/time command inserts them: the locale's
// short date, a space, the long time (without a time-zone name).
QString dateTimeText(const QDateTime& when, const QLocale& locale);

class EditCommands {
 public:
  explicit EditCommands(Program& p);
  ~EditCommands();
  void numUndo();
  // 重做: forward again over what 撤消 took back.
  void numRedo();
  void numCut();
  void numCopy();
  void numPaste();
  void numDelete();
  void numClear();
  void numAll();
  void numDate();

  void onChange();
  // A Ctrl+V the control reports it pastes by itself: the menu's paste that
  // follows inserts nothing again. (The control hands Ctrl+V to the menu
  // instead, unreported.)
  void onKeyDown(int keyCode, int shift);
  // A held key records once, at its real release: the releases between its
  // repeats (`autoRepeat`) are not key-ups.
  void onKeyUp(int keyCode, int shift, bool autoRepeat = false);
  void onMouseUp(int button, int shift, int x, int y);
  void onSelChange();
  // Text that came in by an input method, a drop or a middle-button paste.
  void onTextEntered();
  void onClipboardTick();  // Timer1

  // Watches the key events of the editor for the repeats of a held key
  // that the platform does not flag: the X server sends them as a release
  // and a press of one time stamp. Call once the editor exists.
  void watchKeyRepeats();

 private:
  friend class KeyRepeatWatch;
  // A press of the key just released, at its release's time: the release
  // was a repeat, and the step it recorded is taken back so that the hold
  // is recorded once, at its real release.
  void onRepeatPress();

  Program& p_;
  std::unique_ptr<ClipboardWatch> clipboardWatch_;
  // The last key release the watch saw, and the step its key-up recorded.
  struct Release {
    bool seen = false;  // set by the watch, taken by the key-up
    int key = 0;
    ulong time = 0;
    bool recorded = false;
    int posAfter = 0;
  };
  Release release_;
};
