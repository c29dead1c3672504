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
  void onKeyDown(int keyCode, int shift);
  // A held key records once, at its real release: the releases between its
  // repeats (`autoRepeat`) are not key-ups.
  void onKeyUp(int keyCode, int shift, bool autoRepeat = false);
  void onMouseUp(int button, int shift, int x, int y);
  void onSelChange();
  // Text that came in by an input method, a drop or a middle-button paste.
  void onTextEntered();
  void onClipboardTick();  // Timer1

 private:
  Program& p_;
  std::unique_ptr<ClipboardWatch> clipboardWatch_;
};
