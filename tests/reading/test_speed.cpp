// SPDX-License-Identifier: GPL-3.0-or-later
// Voice and speed: the speed cycle of the menu and the custom speed dialog.
#include <gtest/gtest.h>
#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTest>

#include "reading/speed_options.h"
#include "support/test_window.h"

namespace {

TEST(SpeedCycle, ClickingTheCheckedItemStepsOn) {
  struct Case {
    int index, checked, item, interval;
  };
  const Case cases[] = {
      {0, 1, 0, 1000}, {0, 0, 1, 500},  {1, 0, 1, 500},  {1, 1, 2, 100},
      {2, 1, 2, 100},  {2, 2, 0, 1000}, {0, 3, 0, 1000}, {2, -1, 2, 100},
  };
  for (const Case& c : cases) {
    const auto s = speedClick(c.index, c.checked);
    ASSERT_TRUE(s.has_value());
    EXPECT_EQ(s->item, c.item) << c.index << "/" << c.checked;
    EXPECT_EQ(s->interval, c.interval) << c.index << "/" << c.checked;
  }
  EXPECT_FALSE(speedClick(3, 1).has_value());
}

TEST(SpeedCycle, CustomSpeedValidation) {
  struct Case {
    const char* text;
    int value;
  };  // 0: refused
  const Case cases[] = {
      {"0", 0},   {"1", 1},   {"100", 100},   {"101", 0},   {"", 0},
      {"abc", 0}, {"2.5", 2}, {"3.5", 4},     {"99999", 0}, {" 50 ", 50},
      {"0.5", 0}, {"1.5", 2}, {"100.4", 100}, {"-3", 0},    {"1e2", 100},
  };
  for (const Case& c : cases) {
    const auto v = parseCustomSpeed(QString::fromUtf8(c.text));
    EXPECT_EQ(v.value_or(0), c.value) << c.text;
  }
}

class SpeedMenuTest : public WindowTest {
 protected:
  void SetUp() override { start(); }
  int checked() {
    int n = -1, count = 0;
    for (int i = 0; i < 4; ++i)
      if (p().menu.numSoundSpeed[i]->isChecked()) n = i, ++count;
    EXPECT_EQ(count, 1);
    return n;
  }
};

TEST_F(SpeedMenuTest, MenuClicksCheckOneItemAndSetTheInterval) {
  p().menu.numSoundSpeed[0]->trigger();
  EXPECT_EQ(checked(), 0);
  EXPECT_EQ(p().Timer2->interval(), 1000);
  p().menu.numSoundSpeed[0]->trigger();  // the checked item steps on
  EXPECT_EQ(checked(), 1);
  EXPECT_EQ(p().Timer2->interval(), 500);
  p().menu.numSoundSpeed[2]->trigger();
  p().menu.numSoundSpeed[2]->trigger();
  EXPECT_EQ(checked(), 0);
  EXPECT_EQ(p().Timer2->interval(), 1000);
  p().menu.numSoundOpt[0]->trigger();  // the only voice stays checked
  EXPECT_TRUE(p().menu.numSoundOpt[0]->isChecked());
  EXPECT_EQ(p().reading.VoiceChoice, 0);
}

TEST_F(SpeedMenuTest, CustomDialogConfirmsOrRefuses) {
  int refusedShown = 0;
  ui.onExec = [&](QDialog* d) {
    auto* dlg = qobject_cast<frmSpeed*>(d);
    EXPECT_NE(dlg, nullptr);
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("语速调整"));
    EXPECT_EQ(dlg->Text1->text(), QStringLiteral("0"));  // CustomSpeed before any choice
    // The slider writes the text; the text moves the slider.
    dlg->Slider1->setValue(37);
    EXPECT_EQ(dlg->Text1->text(), QStringLiteral("37"));
    dlg->Text1->setText(QStringLiteral("abc"));
    EXPECT_EQ(dlg->Slider1->value(), 37);
    dlg->Slider1->setValue(0);
    EXPECT_EQ(dlg->Text1->text(), QStringLiteral("0"));
    dlg->Command1->click();  // 0 is refused
    refusedShown = static_cast<int>(ui.messages.size());
    EXPECT_TRUE(dlg->isVisible() || dlg->result() != QDialog::Accepted);
    dlg->Text1->setText(QStringLiteral("250"));  // beyond the slider
    EXPECT_EQ(dlg->Slider1->value(), 0);
    dlg->Text1->setText(QStringLiteral("2.5"));
    dlg->Command1->click();
    return dlg->result();
  };
  p().menu.numSoundSpeed[3]->trigger();
  EXPECT_EQ(refusedShown, 1);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, QStringLiteral("请正确输入语速!1-100"));
  EXPECT_EQ(ui.messages[0].title, QStringLiteral("出错"));
  EXPECT_EQ(ui.messages[0].icon, MsgIcon::Exclamation);
  EXPECT_EQ(checked(), 3);
  EXPECT_EQ(p().reading.CustomSpeed, 2);
  EXPECT_EQ(p().Timer2->interval(), 200);
}

TEST_F(SpeedMenuTest, CancelKeepsTheIntervalWithCustomChecked) {
  p().menu.numSoundSpeed[2]->trigger();
  ui.onExec = [&](QDialog* d) {
    auto* dlg = qobject_cast<frmSpeed*>(d);
    dlg->Text1->setText(QStringLiteral("50"));
    dlg->Command2->click();
    return dlg->result();
  };
  p().menu.numSoundSpeed[3]->trigger();
  EXPECT_EQ(checked(), 3);
  EXPECT_EQ(p().reading.CustomSpeed, 0);
  EXPECT_EQ(p().Timer2->interval(), 100);
}

TEST_F(SpeedMenuTest, ANewIntervalTakesEffectWhileTheStepTimerRuns) {
  p().Timer2->setEnabled(true);
  p().menu.numSoundSpeed[0]->trigger();
  EXPECT_TRUE(p().Timer2->enabled());
  EXPECT_EQ(p().Timer2->interval(), 1000);
  p().Timer2->setEnabled(false);
}

}  // namespace
