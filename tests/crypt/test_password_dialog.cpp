// SPDX-License-Identifier: GPL-3.0-or-later
// 文本加密 and 文本解密 through the menu commands and the password dialog.
#include <gtest/gtest.h>

#include <QAction>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStyleOptionFrame>
#include <QTest>

#include "crypt/cipher.h"
#include "crypt/crypt_commands.h"
#include "crypt/password_dialog.h"
#include "platform/edit_control.h"
#include "support/test_window.h"

namespace {

class PasswordDialogTest : public WindowTest {
 protected:
  void SetUp() override { start(); }

  // Shows the dialog of the command; `drive` works it and the exec returns
  // the dialog's result. Returns that result.
  int run(void (*command)(Program&), const std::function<void(FrmPassword&)>& drive) {
    int result = -1;
    ui.onExec = [&](QDialog* d) {
      auto* dlg = qobject_cast<FrmPassword*>(d);
      EXPECT_NE(dlg, nullptr);
      if (!dlg) return int(QDialog::Rejected);
      drive(*dlg);
      result = dlg->result();
      return result;
    };
    command(p());
    ui.onExec = nullptr;
    return result;
  }
  // Types the password and presses 确定.
  static std::function<void(FrmPassword&)> typeAndOk(const QString& password) {
    return [password](FrmPassword& d) {
      d.Text1->setText(password);
      d.Command1->click();
    };
  }
};

TEST_F(PasswordDialogTest, ControlsAndCaptions) {
  QString encrTitle, decrTitle;
  run(numEncr, [&](FrmPassword& d) {
    encrTitle = d.windowTitle();
    EXPECT_EQ(d.objectName(), QStringLiteral("frmPassword"));
    EXPECT_EQ(d.Label1->text(), QStringLiteral("请输入您的密码(&P):"));
    EXPECT_EQ(d.Command1->text(), QStringLiteral("确定"));
    EXPECT_EQ(d.Command2->text(), QStringLiteral("取消"));
    EXPECT_TRUE(d.Picture1->isHidden());
    EXPECT_EQ(d.ProgressBar1->minimum(), 0);
    EXPECT_EQ(d.ProgressBar1->maximum(), 100);
    // Each typed character shows as "*".
    EXPECT_EQ(d.Text1->echoMode(), QLineEdit::Password);
    QStyleOptionFrame opt;
    opt.initFrom(d.Text1);
    EXPECT_EQ(d.Text1->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, &opt, d.Text1),
              '*');
  });
  EXPECT_TRUE(p().crypt.EncryptMode);
  run(numDecr, [&](FrmPassword& d) { decrTitle = d.windowTitle(); });
  EXPECT_FALSE(p().crypt.EncryptMode);
  EXPECT_EQ(encrTitle, QStringLiteral("文本加密"));
  EXPECT_EQ(decrTitle, QStringLiteral("文本解密"));
}

TEST_F(PasswordDialogTest, EncryptThenDecryptWithUndoEntries) {
  const QString plain = QStringLiteral("春眠不觉晓,\r\n处处闻啼鸟。yz");
  p().txtFile->setText(plain);
  p().resetHistory(plain);

  EXPECT_EQ(run(numEncr, typeAndOk(QStringLiteral("密 码"))), QDialog::Accepted);
  const QString enc = cipher::encrypt(plain, QStringLiteral("密 码"));
  EXPECT_EQ(p().txtFile->Text(), enc);
  EXPECT_EQ(p().undo.UndoPos(), 1);
  EXPECT_EQ(p().undo.text(0), plain);
  EXPECT_EQ(p().undo.text(1), enc);
  EXPECT_TRUE(p().menu.numUndo->isEnabled());
  EXPECT_TRUE(ui.messages.empty());

  EXPECT_EQ(run(numDecr, typeAndOk(QStringLiteral("密 码"))), QDialog::Accepted);
  EXPECT_EQ(p().txtFile->Text(), plain);
  EXPECT_EQ(p().undo.UndoPos(), 2);
  EXPECT_EQ(p().undo.text(2), plain);
}

TEST_F(PasswordDialogTest, BlankPasswordRefusedOnEncryption) {
  p().txtFile->setText(QStringLiteral("abc"));
  QWidget* focus = nullptr;
  const int r = run(numEncr, [&](FrmPassword& d) {
    d.show();
    d.Command2->setFocus();
    d.Text1->setText(QStringLiteral("   "));
    d.Command1->click();
    focus = d.focusWidget();
    EXPECT_EQ(focus, d.Text1);
    EXPECT_TRUE(d.isVisible());  // the dialog stays open
    EXPECT_TRUE(d.Picture1->isHidden());
  });
  EXPECT_NE(r, QDialog::Accepted);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, QStringLiteral("密码不能为空!"));
  EXPECT_EQ(ui.messages[0].title, QStringLiteral("提示"));
  EXPECT_EQ(ui.messages[0].icon, MsgIcon::Information);
  EXPECT_EQ(p().txtFile->Text(), QStringLiteral("abc"));
  EXPECT_EQ(p().undo.UndoPos(), 0);
}

TEST_F(PasswordDialogTest, WrongPasswordKeepsTheDialogForAnotherTry) {
  const QString enc = cipher::encrypt(QStringLiteral("Plain"), QStringLiteral("Secret"));
  p().txtFile->setText(enc);
  p().resetHistory(enc);
  const int r = run(numDecr, [&](FrmPassword& d) {
    d.show();
    d.Text1->setText(QStringLiteral("secret"));  // the case of one letter
    d.Command1->click();
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(d.focusWidget(), d.Text1);
    EXPECT_EQ(p().txtFile->Text(), enc);
    d.Text1->setText(QStringLiteral("Secret"));
    d.Command1->click();
  });
  EXPECT_EQ(r, QDialog::Accepted);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, QStringLiteral("密码错误!"));
  EXPECT_EQ(ui.messages[0].title, QStringLiteral("错误"));
  EXPECT_EQ(ui.messages[0].icon, MsgIcon::Exclamation);
  EXPECT_EQ(p().txtFile->Text(), QStringLiteral("Plain"));
  EXPECT_EQ(p().undo.UndoPos(), 1);
}

TEST_F(PasswordDialogTest, TextWithoutHeaderRefused) {
  p().txtFile->setText(QStringLiteral("just a letter"));
  run(numDecr, typeAndOk(QString()));  // an empty box is not refused, it simply does not match
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, QStringLiteral("密码错误!"));
  EXPECT_EQ(p().txtFile->Text(), QStringLiteral("just a letter"));
}

TEST_F(PasswordDialogTest, EnterRunsOkAndChineseCanBeTyped) {
  p().txtFile->setText(QStringLiteral("x"));
  const int r = run(numEncr, [&](FrmPassword& d) {
    QKeyEvent typed(QEvent::KeyPress, 0, Qt::NoModifier, QStringLiteral("密"));
    QCoreApplication::sendEvent(d.Text1, &typed);
    EXPECT_EQ(d.Text1->text(), QStringLiteral("密"));
    QTest::keyClick(d.Text1, Qt::Key_Return);
  });
  EXPECT_EQ(r, QDialog::Accepted);
  EXPECT_EQ(p().txtFile->Text(), cipher::encrypt(QStringLiteral("x"), QStringLiteral("密")));

  // Enter with an empty box on encryption: the refusal, not a second run.
  run(numEncr, [&](FrmPassword& d) { QTest::keyClick(d.Text1, Qt::Key_Enter); });
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, QStringLiteral("密码不能为空!"));
}

TEST_F(PasswordDialogTest, CancelTouchesNothing) {
  p().txtFile->setText(QStringLiteral("keep me"));
  const quint64 changes = p().txtFile->changeCount();
  const int r = run(numEncr, [&](FrmPassword& d) {
    d.Text1->setText(QStringLiteral("pw"));
    d.Command2->click();
  });
  EXPECT_EQ(r, QDialog::Rejected);
  EXPECT_EQ(p().txtFile->Text(), QStringLiteral("keep me"));
  EXPECT_EQ(p().txtFile->changeCount(), changes);
  EXPECT_EQ(p().undo.UndoPos(), 0);
}

TEST_F(PasswordDialogTest, ProgressPanelShownWhileWorking) {
  p().txtFile->setText(QString(200000, QChar(u'读')));
  int shows = 0;
  int lastValue = -1;
  bool hiddenAfter = false;
  struct ShowCounter : QObject {
    int* count;
    explicit ShowCounter(int* c) : count(c) {}
    bool eventFilter(QObject*, QEvent* e) override {
      if (e->type() == QEvent::Show) ++*count;
      return false;
    }
  } counter(&shows);
  run(numEncr, [&](FrmPassword& d) {
    d.show();
    d.Picture1->installEventFilter(&counter);
    d.Text1->setText(QStringLiteral("p"));
    d.Command1->click();
    lastValue = d.ProgressBar1->value();
    hiddenAfter = d.Picture1->isHidden();
  });
  EXPECT_EQ(shows, 1);
  EXPECT_EQ(lastValue, 100);
  EXPECT_TRUE(hiddenAfter);
}

}  // namespace
