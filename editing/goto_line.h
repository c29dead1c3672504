// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// 转到行 (Ctrl+G): a small dialog asks for a line number within the
// document, and the caret goes to the start of that line.
#include <QDialog>

class EditControl;
class QLabel;
class QPushButton;
class QSpinBox;
struct Program;

class GotoLineDialog : public QDialog {
  Q_OBJECT
 public:
  // Offers the lines 1 to `lines`, starting at `current`.
  GotoLineDialog(QWidget* owner, int lines, int current);

  QLabel* Label1;         // "行号(1 - N)(&L):"
  QSpinBox* Text1;        // the line number, bounded to the document
  QPushButton* Command1;  // "转到"
  QPushButton* Command2;  // "取消"
};

// Puts the caret at the start of line `line` (from 1) and shows it; false,
// and nothing moves, for a line outside the document.
bool goToLine(EditControl& editor, int line);

// The menu command: the dialog, then the move.
void numGoto(Program& p);
