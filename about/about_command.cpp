// SPDX-License-Identifier: GPL-3.0-or-later
#include "about/about_command.h"

#include <QMainWindow>

#include "about/about_dialog.h"
#include "platform/ui.h"
#include "program/program.h"

void numAbout(Program& p) {
  FrmAbout dlg(p, p.frmMain);
  p.ui->exec(&dlg);
}
