// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/association.h"

#include <QMainWindow>

#include "platform/settings_store.h"
#include "platform/ui.h"
#include "program/program.h"

namespace {

const FileType kTxt{QStringLiteral("QZChimepadTxt"), QStringLiteral("文本文档"),
                    QStringLiteral(".txt"), 2, QStringLiteral("text/plain")};
const FileType kQzc{QStringLiteral("QZChimepadQzC"), QStringLiteral("QZCfiles"),
                    QStringLiteral(".qzc"), 1, QStringLiteral("application/x-qzc")};
const FileType kLog{QStringLiteral("QZChimepadLog"), QStringLiteral("Logfiles"),
                    QStringLiteral(".log"), 2, QStringLiteral("text/x-log")};

}  // namespace

QList<FileType> associatedTypes(bool yes) {
  if (yes) return {kTxt, kQzc, kLog};
  return {kQzc};
}

void AssociateFileTypes(Program& p) {
  const MsgResult answer =
      p.ui->message(p.frmMain, QStringLiteral("是否要关联扩展名为 txt 的文本文件?"),
                    QStringLiteral("关联文件"), MsgIcon::Question, MsgButtons::YesNo);
  const bool yes = answer == MsgResult::Yes;
  // Whatever fails is skipped; the marker is stored all the same, so the
  // question is asked once.
  QString refusal;
  try {
    refusal = storeFileTypes(associatedTypes(yes), p.registry);
  } catch (...) {}
  // A program path that no desktop entry can hold safely: said, nothing written.
  if (!refusal.isEmpty())
    p.ui->message(p.frmMain, refusal, QStringLiteral("提示"), MsgIcon::Information, MsgButtons::Ok);
  p.settings->write(QStringLiteral("Type"), QStringLiteral("txt"),
                    yes ? QStringLiteral("1") : QStringLiteral("0"));
}
