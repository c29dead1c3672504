// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The modeless find window `frmFind` and replace window `frmHuan`. They only
// hold their controls; `SearchCommands` loads them and handles their events.
#include <QDialog>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

class FindDialog : public QDialog {
  Q_OBJECT
 public:
  explicit FindDialog(QWidget* owner);

  QLabel* Label1;         // "查找内容(&N):"
  QLineEdit* Text1;       // find what
  QGroupBox* Frame1;      // "方向"
  QRadioButton* Option1;  // upward
  QRadioButton* Option2;  // downward
  QCheckBox* Check1;      // match case
  QPushButton* Command1;  // find next
  QPushButton* Command2;  // cancel
  QCheckBox* Check2;      // "正则表达式(&E)": the find text is a regular expression
  QLabel* Label2;         // which occurrence was found, of how many; a bad pattern
};

class HuanDialog : public QDialog {
  Q_OBJECT
 public:
  explicit HuanDialog(QWidget* owner);

  QLabel* Label1;         // "查找内容(&N):"
  QLineEdit* Text1;       // find what
  QLabel* Label2;         // "替换为(&P):"
  QLineEdit* Text2;       // replace with
  QCheckBox* Check1;      // match case
  QPushButton* Command1;  // find next
  QPushButton* Command2;  // replace
  QPushButton* Command3;  // replace all
  QPushButton* Command4;  // cancel
};
