// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// `frmFont` (字体): the modal dialog choosing the editor's font and
// background colour, with a live sample. The sample label and the swatch are
// its whole state: the lists write into the sample, OK copies from the
// sample and the swatch to the editor.
#include <QDialog>

struct Program;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;

class FrmFont : public QDialog {
  Q_OBJECT
 public:
  // Loads the dialog from the editor's current font and colour.
  explicit FrmFont(Program& p, QWidget* parent = nullptr);

  QLabel* Label1 = nullptr;
  QComboBox* Combo1 = nullptr;  // faces
  QLabel* Label2 = nullptr;
  QComboBox* Combo2 = nullptr;  // styles
  QLabel* Label3 = nullptr;
  QComboBox* Combo3 = nullptr;      // sizes
  QGroupBox* Frame1 = nullptr;      // 示例
  QFrame* Picture1 = nullptr;       // the sample box
  QLabel* Label5 = nullptr;         // 记事本, in the working font
  QGroupBox* Frame2 = nullptr;      // 背景色
  QLabel* Label4 = nullptr;         // the colour swatch
  QPushButton* Command1 = nullptr;  // 确定
  QPushButton* Command2 = nullptr;  // 取消

  // The swatch's colour value (red in the low byte; negative: a system colour).
  qint32 swatchColor() const { return swatch_; }

  void combo1Click(int index);
  void combo2Click(int index);
  void combo3Click(int index);
  void label4Click();
  void command1Click();
  // Keeps the sample text centred in its box.
  void CenterSample();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void load();
  void setSwatch(qint32 value);

  Program& p_;
  qint32 swatch_ = 0;
};
