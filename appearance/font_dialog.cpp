// SPDX-License-Identifier: GPL-3.0-or-later
#include "appearance/font_dialog.h"

#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

#include "appearance/font_choices.h"
#include "platform/edit_control.h"
#include "platform/ui.h"
#include "program/program.h"

namespace {

template <typename W>
W* named(W* w, const char* name) {
  w->setObjectName(QLatin1String(name));
  return w;
}

}  // namespace

FrmFont::FrmFont(Program& p, QWidget* parent) : QDialog(parent), p_(p) {
  setObjectName(QStringLiteral("frmFont"));
  setWindowTitle(QStringLiteral("字体"));
  setModal(true);

  Label1 = named(new QLabel(QStringLiteral("字体(&F):"), this), "Label1");
  Combo1 = named(new QComboBox(this), "Combo1");
  Label2 = named(new QLabel(QStringLiteral("字型(&Y):"), this), "Label2");
  Combo2 = named(new QComboBox(this), "Combo2");
  Label3 = named(new QLabel(QStringLiteral("大小(&S):"), this), "Label3");
  Combo3 = named(new QComboBox(this), "Combo3");
  Label1->setBuddy(Combo1);
  Label2->setBuddy(Combo2);
  Label3->setBuddy(Combo3);
  Combo1->setMinimumWidth(160);
  Combo3->setMaxVisibleItems(16);

  Frame1 = named(new QGroupBox(QStringLiteral("示例"), this), "Frame1");
  Picture1 = named(new QFrame(Frame1), "Picture1");
  Picture1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  Picture1->setFixedSize(260, 110);
  // The sample is placed by CenterSample, not by a layout, and may be
  // larger than its box.
  Label5 = named(new QLabel(QStringLiteral("记事本"), Picture1), "Label5");
  auto* sampleLayout = new QVBoxLayout(Frame1);
  sampleLayout->addWidget(Picture1, 0, Qt::AlignCenter);

  Frame2 = named(new QGroupBox(QStringLiteral("背景色"), this), "Frame2");
  Label4 = named(new QLabel(Frame2), "Label4");
  Label4->setFixedSize(60, 40);
  Label4->setFrameStyle(QFrame::Box | QFrame::Plain);
  Label4->setAutoFillBackground(true);
  Label4->setCursor(Qt::PointingHandCursor);
  Label4->setToolTip(QStringLiteral("背景色"));
  Label4->installEventFilter(this);
  auto* swatchLayout = new QVBoxLayout(Frame2);
  swatchLayout->addWidget(Label4, 0, Qt::AlignCenter);

  Command1 = named(new QPushButton(QStringLiteral("确定"), this), "Command1");
  Command2 = named(new QPushButton(QStringLiteral("取消"), this), "Command2");
  Command1->setDefault(true);

  auto* grid = new QGridLayout;
  grid->addWidget(Label1, 0, 0);
  grid->addWidget(Label2, 0, 1);
  grid->addWidget(Label3, 0, 2);
  grid->addWidget(Combo1, 1, 0);
  grid->addWidget(Combo2, 1, 1);
  grid->addWidget(Combo3, 1, 2);
  auto* middle = new QHBoxLayout;
  middle->addWidget(Frame1, 1);
  middle->addWidget(Frame2);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(Command1);
  buttons->addWidget(Command2);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addLayout(middle);
  layout->addLayout(buttons);

  connect(Combo1, &QComboBox::activated, this, [this](int i) { combo1Click(i); });
  connect(Combo2, &QComboBox::activated, this, [this](int i) { combo2Click(i); });
  connect(Combo3, &QComboBox::activated, this, [this](int i) { combo3Click(i); });
  connect(Command1, &QPushButton::clicked, this, [this] { command1Click(); });
  connect(Command2, &QPushButton::clicked, this, [this] { reject(); });

  load();
}

void FrmFont::load() {
  // A failure ends the loading silently; what was done so far stays.
  try {
    const EditControl& editor = *p_.txtFile;
    const QStringList faces = p_.ui->screenFonts();
    Combo1->addItems(faces);
    int face = font_choices::faceIndexFor(faces, editor.FontName());
    // A face that is not installed ("宋体" on Linux) shows the face the
    // system draws it with; the editor's face name itself is kept.
    QString standIn;
    if (face < 0) {
      standIn = p_.ui->resolveFontFace(editor.FontName());
      face = font_choices::faceIndexFor(faces, standIn);
      if (face < 0) standIn.clear();
    }
    Combo1->setCurrentIndex(face);
    if (face >= 0 && standIn.isEmpty()) combo1Click(face);

    Combo2->addItems(font_choices::styleEntries());
    const int style = font_choices::styleIndex(editor.FontBold(), editor.FontItalic());
    Combo2->setCurrentIndex(style);
    combo2Click(style);

    Combo3->addItems(font_choices::sizeEntries());
    const int size = font_choices::sizeIndexFor(editor.FontSize());
    Combo3->setCurrentIndex(size);
    if (size >= 0) combo3Click(size);

    setSwatch(editor.BackColor());

    QFont sample = Label5->font();
    sample.setFamily(editor.FontName());
    // Drawn with the stand-in; OK at once gives the editor its own name back.
    if (!standIn.isEmpty()) sample.setFamilies({editor.FontName(), standIn});
    sample.setPointSizeF(editor.FontSize());
    sample.setBold(editor.FontBold());
    sample.setItalic(editor.FontItalic());
    Label5->setFont(sample);
    CenterSample();
  } catch (...) {}
}

void FrmFont::setSwatch(qint32 value) {
  swatch_ = value;
  QPalette pal = Label4->palette();
  pal.setColor(QPalette::Window, fromColorValue(value, p_.txtFile->palette()));
  Label4->setPalette(pal);
}

void FrmFont::combo1Click(int index) {
  if (index < 0 || index >= Combo1->count()) return;
  QFont f = Label5->font();
  f.setFamily(Combo1->itemText(index));
  Label5->setFont(f);
  CenterSample();
}

void FrmFont::combo2Click(int index) {
  if (index < 0 || index > 3) return;  // any other text changes nothing
  bool bold = false, italic = false;
  font_choices::styleOf(index, &bold, &italic);
  QFont f = Label5->font();
  f.setBold(bold);
  f.setItalic(italic);
  Label5->setFont(f);
  CenterSample();
}

void FrmFont::combo3Click(int index) {
  try {
    const double points = font_choices::sizePoints(index);
    if (!(points > 0)) return;
    QFont f = Label5->font();
    f.setPointSizeF(points);
    Label5->setFont(f);
    CenterSample();
  } catch (...) {}
}

void FrmFont::label4Click() {
  try {
    // The colour dialog starts from the editor's colour, not the swatch's.
    const QColor preset = fromColorValue(p_.txtFile->BackColor(), p_.txtFile->palette());
    // A cancelled colour dialog leaves the swatch as it was.
    if (const std::optional<QColor> c = p_.ui->colorDialog(this, preset))
      setSwatch(toColorValue(*c));
  } catch (...) {}
}

void FrmFont::command1Click() {
  EditControl& editor = *p_.txtFile;
  const QFont f = Label5->font();
  editor.setBackColor(swatch_);
  editor.setFontName(f.family());
  editor.setFontSize(f.pointSizeF());
  editor.setFontBold(f.bold());
  editor.setFontItalic(f.italic());
  accept();
}

void FrmFont::CenterSample() {
  Label5->adjustSize();
  const QRect inner = Picture1->contentsRect();
  Label5->move(inner.x() + (inner.width() - Label5->width()) / 2,
               inner.y() + (inner.height() - Label5->height()) / 2);
}

bool FrmFont::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Label4 && event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    label4Click();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}
