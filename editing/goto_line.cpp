// SPDX-License-Identifier: GPL-3.0-or-later
#include "editing/goto_line.h"

#include <QGridLayout>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QSpinBox>
#include <algorithm>

#include "platform/edit_control.h"
#include "platform/ui.h"
#include "program/program.h"

GotoLineDialog::GotoLineDialog(QWidget* owner, int lines, int current) : QDialog(owner) {
  setObjectName(QStringLiteral("frmGoto"));
  setWindowTitle(QStringLiteral("转到行"));
  lines = std::max(1, lines);
  Label1 = new QLabel(QStringLiteral("行号(1 - %1)(&L):").arg(lines), this);
  Label1->setObjectName(QStringLiteral("Label1"));
  Text1 = new QSpinBox(this);
  Text1->setObjectName(QStringLiteral("Text1"));
  Text1->setRange(1, lines);
  Text1->setValue(std::clamp(current, 1, lines));
  Text1->selectAll();
  Label1->setBuddy(Text1);
  Command1 = new QPushButton(QStringLiteral("转到"), this);
  Command1->setObjectName(QStringLiteral("Command1"));
  Command1->setDefault(true);
  Command2 = new QPushButton(QStringLiteral("取消"), this);
  Command2->setObjectName(QStringLiteral("Command2"));
  connect(Command1, &QPushButton::clicked, this, &QDialog::accept);
  connect(Command2, &QPushButton::clicked, this, &QDialog::reject);
  auto* grid = new QGridLayout(this);
  grid->addWidget(Label1, 0, 0, 1, 2);
  grid->addWidget(Text1, 1, 0, 1, 2);
  grid->addWidget(Command1, 2, 0);
  grid->addWidget(Command2, 2, 1);
  grid->setSizeConstraint(QLayout::SetFixedSize);
  Text1->setFocus();
}

bool goToLine(EditControl& editor, int line) {
  const int at = editor.lineStart(line);
  if (at < 0) return false;
  editor.setSelStart(at);
  editor.centerCursor();
  return true;
}

void numGoto(Program& p) {
  EditControl* t = p.txtFile;
  if (!t || !p.ui) return;
  int line = 1, column = 1;
  t->caretLineColumn(&line, &column);
  GotoLineDialog d(p.frmMain, t->lineCount(), line);
  if (p.ui->exec(&d) != QDialog::Accepted) return;
  goToLine(*t, d.Text1->value());
}
