// SPDX-License-Identifier: GPL-3.0-or-later
#include "crypt/password_dialog.h"

#include <QCoreApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "crypt/cipher.h"
#include "platform/edit_control.h"
#include "platform/ui.h"
#include "program/program.h"

namespace {
// The bar is repainted at most this often while a long text is processed.
constexpr qint64 kProgressIntervalMs = 30;
}  // namespace

FrmPassword::FrmPassword(Program& p, QWidget* parent) : QDialog(parent), p_(p) {
  setObjectName(QStringLiteral("frmPassword"));
  setWindowTitle(p.crypt.EncryptMode ? QStringLiteral("文本加密") : QStringLiteral("文本解密"));
  setModal(true);

  Label1 = new QLabel(QStringLiteral("请输入您的密码(&P):"), this);
  Label1->setObjectName(QStringLiteral("Label1"));
  Text1 = new QLineEdit(this);
  Text1->setObjectName(QStringLiteral("Text1"));
  Text1->setEchoMode(QLineEdit::Password);
  Text1->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));  // "*"
  // Chinese characters may be part of a password: keep the input method.
  Text1->setAttribute(Qt::WA_InputMethodEnabled, true);
  Text1->installEventFilter(this);
  Label1->setBuddy(Text1);

  Command1 = new QPushButton(QStringLiteral("确定"), this);
  Command1->setObjectName(QStringLiteral("Command1"));
  Command2 = new QPushButton(QStringLiteral("取消"), this);
  Command2->setObjectName(QStringLiteral("Command2"));

  Picture1 = new QFrame(this);
  Picture1->setObjectName(QStringLiteral("Picture1"));
  ProgressBar1 = new QProgressBar(Picture1);
  ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
  ProgressBar1->setRange(0, 100);
  ProgressBar1->setValue(0);
  auto* panel = new QHBoxLayout(Picture1);
  panel->setContentsMargins(0, 0, 0, 0);
  panel->addWidget(ProgressBar1);
  Picture1->hide();

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(Command1);
  buttons->addWidget(Command2);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Label1);
  layout->addWidget(Text1);
  layout->addWidget(Picture1);
  layout->addLayout(buttons);
  setMinimumWidth(320);

  connect(Command1, &QPushButton::clicked, this, [this] { command1Click(); });
  connect(Command2, &QPushButton::clicked, this, [this] { reject(); });
  Text1->setFocus();
}

bool FrmPassword::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Text1 && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      command1Click();  // Enter runs 确定, whatever the box holds
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void FrmPassword::progress(double percent) {
  try {
    if (Picture1->isHidden()) {
      // The panel appears before the work starts.
      ProgressBar1->setValue(0);
      Picture1->show();
      QCoreApplication::processEvents();
      sinceShown_.start();
      lastUpdate_ = 0;
      return;
    }
    const qint64 now = sinceShown_.elapsed();
    if (now - lastUpdate_ < kProgressIntervalMs && percent < 100.0) return;
    lastUpdate_ = now;
    ProgressBar1->setValue(static_cast<int>(percent));
    ProgressBar1->repaint();  // paints now; the loop does not yield to the window system
  } catch (...) {}
}

void FrmPassword::command1Click() {
  // The one pass of pending events before the work could deliver a second
  // click; it is not run again on top of the first.
  if (busy_) return;
  busy_ = true;
  struct Done {
    bool& flag;
    ~Done() { flag = false; }
  } done{busy_};
  const QString password = Text1->text();
  const QString text = p_.txtFile->Text();
  QString result;
  auto report = [this](double percent) { progress(percent); };
  if (p_.crypt.EncryptMode) {
    if (cipher::isBlankPassword(password)) {
      p_.ui->message(this, QStringLiteral("密码不能为空!"), QStringLiteral("提示"),
                     MsgIcon::Information, MsgButtons::Ok);
      Text1->setFocus();
      return;
    }
    result = cipher::encrypt(text, password, report);
  } else {
    std::optional<QString> plain = cipher::decrypt(text, password, report);
    if (!plain) {
      p_.ui->message(this, QStringLiteral("密码错误!"), QStringLiteral("错误"),
                     MsgIcon::Exclamation, MsgButtons::Ok);
      Text1->setFocus();
      return;
    }
    result = std::move(*plain);
  }
  p_.txtFile->setText(result);
  Picture1->hide();
  p_.RecordUndo();
  accept();
}
