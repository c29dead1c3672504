#include "program/program.h"

#include <QAction>
#include <QMainWindow>
#include <QStatusBar>

#include "platform/edit_control.h"

void Program::setTitle(const QString& name) {
  if (frmMain) frmMain->setWindowTitle(name + QStringLiteral(" - ") + kAppTitle);
}

QString Program::title() const { return frmMain ? frmMain->windowTitle() : QString(); }

void Program::resetHistory(const QString& baseText) {
  undo.reset(baseText);
  if (txtFile) undo.follow(*txtFile);
  if (menu.numUndo) menu.numUndo->setEnabled(false);
}

void Program::RecordUndo() {
  if (!txtFile) return;
  if (undo.record(*txtFile) && menu.numUndo) menu.numUndo->setEnabled(true);
}

void Program::showStatus(const QString& text) {
  if (!frmMain) return;
  if (text.isEmpty()) frmMain->statusBar()->clearMessage();
  else frmMain->statusBar()->showMessage(text);
}
