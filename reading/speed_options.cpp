// SPDX-License-Identifier: GPL-3.0-or-later
#include "reading/speed_options.h"

#include <QAction>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QSlider>
#include <cmath>

#include "platform/ui.h"
#include "program/program.h"

namespace {
// Intervals when an item is chosen from the menu.
constexpr int kMenuInterval[] = {1000, 500, 100};

int checkedSpeedItem(const Program& p) {
  for (int i = 0; i < 4; ++i)
    if (p.menu.numSoundSpeed[i]->isChecked()) return i;
  return -1;
}

void checkSpeedItem(Program& p, int item) {
  for (int i = 0; i < 4; ++i) p.menu.numSoundSpeed[i]->setChecked(i == item);
}

// A whole number rounded half to even, within 16 bits.
std::optional<qint16> toInt16(const QString& text) {
  bool ok = false;
  const double d = text.trimmed().toDouble(&ok);
  if (!ok || !std::isfinite(d)) return std::nullopt;
  const double r = std::nearbyint(d);
  if (r < -32768 || r > 32767) return std::nullopt;
  return static_cast<qint16>(r);
}
}  // namespace

std::optional<SpeedStep> speedClick(int index, int checked) {
  if (index < 0 || index > 2) return std::nullopt;
  // Clicking the checked fixed speed steps on: slower, medium, faster, slower.
  const int item = index == checked ? (index + 1) % 3 : index;
  return SpeedStep{item, kMenuInterval[item]};
}

std::optional<qint16> parseCustomSpeed(const QString& text) {
  const auto v = toInt16(text);
  if (!v || *v < 1 || *v > 100) return std::nullopt;
  return v;
}

void numSoundOpt(Program& p, int index) {
  if (index != 0) return;
  p.menu.numSoundOpt[0]->setChecked(true);
  p.reading.VoiceChoice = 0;
}

void numWords(Program& p) {
  p.reading.ReadByWords = !p.reading.ReadByWords;
  p.menu.numWords->setChecked(p.reading.ReadByWords);
}

void numSoundSpeed(Program& p, int index) {
  if (index == 3) {
    checkSpeedItem(p, 3);
    frmSpeed dlg(p, p.frmMain);
    p.ui->exec(&dlg);
    return;
  }
  const auto step = speedClick(index, checkedSpeedItem(p));
  if (!step) return;
  checkSpeedItem(p, step->item);
  p.Timer2->setInterval(step->interval);  // also during a running session
}

frmSpeed::frmSpeed(Program& p, QWidget* parent) : QDialog(parent), p_(p) {
  setObjectName(QStringLiteral("frmSpeed"));
  setWindowTitle(QStringLiteral("语速调整"));
  Label1 = new QLabel(QStringLiteral("自定义语速(&S):"), this);
  Text1 = new QLineEdit(this);
  Text1->setObjectName(QStringLiteral("Text1"));
  Label1->setBuddy(Text1);
  Slider1 = new QSlider(Qt::Horizontal, this);
  Slider1->setObjectName(QStringLiteral("Slider1"));
  Slider1->setRange(0, 100);
  Slider1->setSingleStep(1);
  Slider1->setPageStep(10);
  Command1 = new QPushButton(QStringLiteral("确定"), this);
  Command1->setObjectName(QStringLiteral("Command1"));
  Command1->setDefault(true);
  Command2 = new QPushButton(QStringLiteral("取消"), this);
  Command2->setObjectName(QStringLiteral("Command2"));

  auto* grid = new QGridLayout(this);
  grid->addWidget(Label1, 0, 0);
  grid->addWidget(Text1, 0, 1);
  grid->addWidget(Slider1, 1, 0, 1, 2);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(Command1);
  buttons->addWidget(Command2);
  grid->addLayout(buttons, 2, 0, 1, 2);

  // On load: the text shows the custom speed and the slider stands on it.
  Text1->setText(QString::number(p_.reading.CustomSpeed));
  guard_ = true;
  Slider1->setValue(p_.reading.CustomSpeed);
  guard_ = false;

  connect(Slider1, &QSlider::valueChanged, this, &frmSpeed::sliderChanged);
  connect(Text1, &QLineEdit::textChanged, this, &frmSpeed::textChanged);
  connect(Command1, &QPushButton::clicked, this, &frmSpeed::confirm);
  connect(Command2, &QPushButton::clicked, this, &QDialog::reject);
}

void frmSpeed::sliderChanged(int value) {
  if (guard_) return;
  guard_ = true;
  Text1->setText(QString::number(value));
  guard_ = false;
}

void frmSpeed::textChanged(const QString& text) {
  if (guard_) return;
  guard_ = true;
  const auto v = toInt16(text);
  if (v && *v >= Slider1->minimum() && *v <= Slider1->maximum()) Slider1->setValue(*v);
  guard_ = false;
}

void frmSpeed::confirm() {
  const auto v = parseCustomSpeed(Text1->text());
  if (!v) {
    p_.ui->message(this, QStringLiteral("请正确输入语速!1-100"), QStringLiteral("出错"),
                   MsgIcon::Exclamation, MsgButtons::Ok);
    Text1->setFocus();
    return;
  }
  p_.reading.CustomSpeed = *v;
  p_.Timer2->setInterval(p_.reading.CustomSpeed * 100);
  accept();
}
