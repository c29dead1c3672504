// SPDX-License-Identifier: GPL-3.0-or-later
#include "appearance/font_command.h"

#include <QMainWindow>

#include "appearance/font_dialog.h"
#include "platform/ui.h"
#include "program/program.h"

void numFont(Program& p) {
  FrmFont dlg(p, p.frmMain);
  p.ui->exec(&dlg);
}
