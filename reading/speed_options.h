// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Voice and speed: the speed cycle of the menu and the custom speed dialog.
#include <QDialog>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
struct Program;

// What a click on speed item `index` does when item `checked` is checked:
// the item to check and the step interval, or nullopt for the custom item,
// which asks the dialog.
struct SpeedStep {
  int item;
  int interval;
};
std::optional<SpeedStep> speedClick(int index, int checked);

// The custom speed as the dialog accepts it: a number that, rounded to a
// whole number with halves to even, lies from 1 to 100.
std::optional<qint16> parseCustomSpeed(const QString& text);

// The menu handlers.
void numSoundOpt(Program& p, int index);
void numSoundSpeed(Program& p, int index);
// 按词语读多音字: turns reading polyphones by their words on or off.
void numWords(Program& p);

// 语速调整: the custom speed dialog.
class frmSpeed : public QDialog {
  Q_OBJECT
 public:
  frmSpeed(Program& p, QWidget* parent);

  QLabel* Label1;
  QLineEdit* Text1;
  QSlider* Slider1;
  QPushButton* Command1;  // 确定
  QPushButton* Command2;  // 取消

 private:
  void sliderChanged(int value);
  void textChanged(const QString& text);
  void confirm();

  Program& p_;
  bool guard_ = false;
};
