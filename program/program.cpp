// SPDX-License-Identifier: GPL-3.0-or-later
#include "program/program.h"

#include <QAction>
#include <QMainWindow>
#include <QStatusBar>

#include "platform/edit_control.h"

// The window takes "[*]" as its modified marker and shows "[*][*]" as "[*]":
// a name is shown exactly as it is.
void Program::setTitle(const QString& name) {
  if (!frmMain) return;
  QString shown = name + QStringLiteral(" - ") + kAppTitle;
  frmMain->setWindowTitle(shown.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]")));
}

QString Program::title() const {
  return frmMain ? QString(frmMain->windowTitle())
                       .replace(QStringLiteral("[*][*]"), QStringLiteral("[*]"))
                 : QString();
}

void Program::resetHistory(const QString& baseText) {
  undo.reset(baseText);
  if (txtFile) undo.follow(*txtFile);
  if (menu.numUndo) menu.numUndo->setEnabled(false);
  if (menu.numRedo) menu.numRedo->setEnabled(false);
}

void Program::RecordUndo() {
  // While a large file loads, the history waits for its whole text, its base.
  if (!txtFile || txtFile->isLoading()) return;
  if (undo.record(*txtFile)) {
    if (menu.numUndo) menu.numUndo->setEnabled(true);
    if (menu.numRedo) menu.numRedo->setEnabled(false);  // a new change ends redo
  }
}

void Program::showStatus(const QString& text) {
  if (!frmMain) return;
  if (text.isEmpty()) frmMain->statusBar()->clearMessage();
  else frmMain->statusBar()->showMessage(text);
}
