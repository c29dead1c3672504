#pragma once
// The edit menu commands and the handlers of the editor's events.
struct Program;

class EditCommands {
 public:
  explicit EditCommands(Program& p) : p_(p) {}
  void numUndo();
  void numCut();
  void numCopy();
  void numPaste();
  void numDelete();
  void numClear();
  void numAll();
  void numDate();

  void onChange();
  void onKeyDown(int keyCode, int shift);
  void onKeyUp(int keyCode, int shift);
  void onMouseUp(int button, int shift, int x, int y);
  void onSelChange();
  void onClipboardTick();  // Timer1

 private:
  Program& p_;
};
