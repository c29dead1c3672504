#pragma once
// The file commands of the main window and the text-file loader.
#include <QString>

struct Program;

class Documents {
 public:
  explicit Documents(Program& p) : p_(p) {}
  void numNew();
  void numOpen();
  void numSave();
  void numSaveAs();
  void numPrint();
  void LoadTextFile(const QString& fileName);

 private:
  Program& p_;
};
