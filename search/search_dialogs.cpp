// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/search_dialogs.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

template <class W>
W* named(W* w, const char* name) {
  w->setObjectName(QLatin1String(name));
  return w;
}

// Enter in a box is handled by the box's own handler: no button of these
// windows is a default button that Enter would press as well.
QPushButton* button(QWidget* parent, const QString& caption, const char* name) {
  auto* b = named(new QPushButton(caption, parent), name);
  b->setAutoDefault(false);
  b->setDefault(false);
  return b;
}

void setUpWindow(QDialog* d, const char* name, const QString& caption) {
  d->setObjectName(QLatin1String(name));
  d->setWindowTitle(caption);
  d->setModal(false);
  d->setSizeGripEnabled(false);
}

}  // namespace

FindDialog::FindDialog(QWidget* owner) : QDialog(owner) {
  setUpWindow(this, "frmFind", QStringLiteral("查找"));
  Label1 = named(new QLabel(QStringLiteral("查找内容(&N):"), this), "Label1");
  Text1 = named(new QLineEdit(this), "Text1");
  Label1->setBuddy(Text1);
  Frame1 = named(new QGroupBox(QStringLiteral("方向"), this), "Frame1");
  Option1 = named(new QRadioButton(QStringLiteral("向上(&U)"), Frame1), "Option1");
  Option2 = named(new QRadioButton(QStringLiteral("向下(&D)"), Frame1), "Option2");
  Option2->setChecked(true);
  auto* dir = new QHBoxLayout(Frame1);
  dir->addWidget(Option1);
  dir->addWidget(Option2);
  Check1 = named(new QCheckBox(QStringLiteral("区分大小写(&C)"), this), "Check1");
  Command1 = button(this, QStringLiteral("查找下一个(&F)"), "Command1");
  Command2 = button(this, QStringLiteral("取消"), "Command2");

  auto* grid = new QGridLayout(this);
  grid->addWidget(Label1, 0, 0);
  grid->addWidget(Text1, 0, 1, 1, 2);
  grid->addWidget(Command1, 0, 3);
  grid->addWidget(Check1, 1, 0, 1, 2, Qt::AlignBottom);
  grid->addWidget(Frame1, 1, 2);
  grid->addWidget(Command2, 1, 3, Qt::AlignTop);
  Check2 = named(new QCheckBox(QStringLiteral("正则表达式(&E)"), this), "Check2");
  Label2 = named(new QLabel(this), "Label2");
  Label2->setMinimumWidth(200);
  grid->addWidget(Check2, 2, 0, 1, 2);
  grid->addWidget(Label2, 3, 0, 1, 4);
  grid->setColumnMinimumWidth(1, 120);
  grid->setSizeConstraint(QLayout::SetFixedSize);
  Text1->setFocus();
}

HuanDialog::HuanDialog(QWidget* owner) : QDialog(owner) {
  setUpWindow(this, "frmHuan", QStringLiteral("替换"));
  Label1 = named(new QLabel(QStringLiteral("查找内容(&N):"), this), "Label1");
  Text1 = named(new QLineEdit(this), "Text1");
  Label1->setBuddy(Text1);
  Label2 = named(new QLabel(QStringLiteral("替换为(&P):"), this), "Label2");
  Text2 = named(new QLineEdit(this), "Text2");
  Label2->setBuddy(Text2);
  Check1 = named(new QCheckBox(QStringLiteral("区分大小写(&C)"), this), "Check1");
  Command1 = button(this, QStringLiteral("查找下一个(&F)"), "Command1");
  Command2 = button(this, QStringLiteral("替换(&R)"), "Command2");
  Command3 = button(this, QStringLiteral("全部替换(&A)"), "Command3");
  Command4 = button(this, QStringLiteral("取消"), "Command4");

  auto* grid = new QGridLayout(this);
  grid->addWidget(Label1, 0, 0);
  grid->addWidget(Text1, 0, 1);
  grid->addWidget(Command1, 0, 2);
  grid->addWidget(Label2, 1, 0);
  grid->addWidget(Text2, 1, 1);
  grid->addWidget(Command2, 1, 2);
  grid->addWidget(Command3, 2, 2);
  grid->addWidget(Check1, 3, 0, 1, 2, Qt::AlignBottom);
  grid->addWidget(Command4, 3, 2);
  grid->setColumnMinimumWidth(1, 180);
  grid->setSizeConstraint(QLayout::SetFixedSize);
  Text1->setFocus();
}
