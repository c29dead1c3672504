// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// `frmAbout` (关于...): the program's name and version, and a button that
// starts the system-information tool.
#include <QDialog>
#include <QString>

#include "platform/registry.h"

struct Program;
class QFrame;
class QLabel;
class QPushButton;

class FrmAbout : public QDialog {
  Q_OBJECT
 public:
  explicit FrmAbout(Program& p, QWidget* parent = nullptr);

  QLabel* Image1 = nullptr;
  QLabel* Label1 = nullptr;  // 妙音朗读器
  QLabel* Label2 = nullptr;  // the version line
  QFrame* Line1 = nullptr;
  QFrame* Line2 = nullptr;
  QPushButton* Command1 = nullptr;  // 确 定
  QPushButton* Command2 = nullptr;  // 系统信息(&S)...

 private:
  Program& p_;
};

struct KeyValue {
  QString value;
  bool found = false;
};

// Reads a value of the registry: REG_SZ as its text, REG_DWORD as its
// number in decimal, any other type as the empty text.
KeyValue GetKeyValue(Registry& registry, RegRoot root, const QString& keyPath,
                     const QString& valueName);

// Starts the system-information tool named by the registry (or, away from
// Windows, one found on the PATH); shows "此时系统信息不可用" when there is
// none or it cannot be started.
void StartSysInfo(Program& p, QWidget* parent = nullptr);
