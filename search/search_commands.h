#pragma once
// Find, find next and replace, with their modeless windows.
struct Program;

class SearchCommands {
 public:
  explicit SearchCommands(Program& p) : p_(p) {}
  ~SearchCommands();
  void numFind();
  void numNext();
  void numHuan();
  // Unloads the find and the replace window, whether or not they are open.
  void unloadWindows();

 private:
  Program& p_;
};
