// SPDX-License-Identifier: GPL-3.0-or-later
#include "crypt/crypt_commands.h"

#include <QMainWindow>

#include "crypt/password_dialog.h"
#include "platform/ui.h"
#include "program/program.h"

static void showPassword(Program& p) {
  FrmPassword dlg(p, p.frmMain);
  p.ui->exec(&dlg);
}

void numEncr(Program& p) {
  p.crypt.EncryptMode = true;
  showPassword(p);
}

void numDecr(Program& p) {
  p.crypt.EncryptMode = false;
  showPassword(p);
}
