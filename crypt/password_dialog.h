// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// `frmPassword`: the modal password dialog of 文本加密 and 文本解密. Its OK
// button transforms the whole editor text in place and records the result
// in the undo history.
#include <QDialog>
#include <QElapsedTimer>

struct Program;
class QFrame;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

class FrmPassword : public QDialog {
  Q_OBJECT
 public:
  // The caption follows `EncryptMode` as it stands now.
  explicit FrmPassword(Program& p, QWidget* parent = nullptr);

  QLabel* Label1 = nullptr;
  QLineEdit* Text1 = nullptr;       // each character shows as "*"
  QPushButton* Command1 = nullptr;  // 确定
  QPushButton* Command2 = nullptr;  // 取消
  QFrame* Picture1 = nullptr;       // the progress panel, shown while the text is processed
  QProgressBar* ProgressBar1 = nullptr;

  // 确定: encrypt or decrypt; on success the dialog closes.
  void command1Click();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void progress(double percent);

  Program& p_;
  QElapsedTimer sinceShown_;
  qint64 lastUpdate_ = -1;
  bool busy_ = false;
};
