// SPDX-License-Identifier: GPL-3.0-or-later
// The font and background dialog: the size and style tables, the initial
// selection, the sample, the swatch, OK and Cancel.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "appearance/font_choices.h"
#include "appearance/font_command.h"
#include "appearance/font_dialog.h"
#include "platform/edit_control.h"
#include "support/test_window.h"

namespace {

using namespace font_choices;

TEST(FontChoices, SizeListAndItsPoints) {
  const QStringList sizes = sizeEntries();
  ASSERT_EQ(sizes.size(), 84);
  EXPECT_EQ(sizes[0], QStringLiteral("5"));
  EXPECT_EQ(sizes[67], QStringLiteral("72"));
  const QStringList names = {"初号", "小初", "一号", "小一", "二号", "小二", "三号", "小三",
                             "四号", "小四", "五号", "小五", "六号", "小六", "七号", "八号"};
  const double points[] = {42,    36, 26.25, 24, 21.75, 18,   15.75, 15,
                           14.25, 12, 10.5,  9,  7.5,   6.75, 5.25,  3.75};
  for (int i = 0; i < 16; ++i) {
    EXPECT_EQ(sizes[68 + i], names[i]);
    EXPECT_EQ(sizePoints(68 + i), points[i]) << names[i].toStdString();
    EXPECT_EQ(sizeIndexFor(points[i]), 68 + i) << "a named size shows by its name";
  }
  EXPECT_EQ(sizePoints(0), 5);
  EXPECT_EQ(sizePoints(67), 72);
  EXPECT_EQ(sizePoints(84), 0);
}

TEST(FontChoices, SizeSelectionRules) {
  const struct {
    double points;
    int index;
  } cases[] = {
      {10.5, 78},  // 五号
      {12, 77},    // 小四, not "12"
      {9, 79},     // 小五
      {10, 5},     // "10"
      {11.25, 6},  // "11"
      {12.5, 7},   // halves to even: "12"
      {13.5, 9},   // "14"
      {5, 0},     {72, 67}, {4.5, -1}, {72.5, -1}, {80, -1},
  };
  for (const auto& c : cases) EXPECT_EQ(sizeIndexFor(c.points), c.index) << c.points;
}

TEST(FontChoices, StylesAndFaces) {
  EXPECT_EQ(styleEntries(), (QStringList{"常规", "斜体", "粗体", "粗斜体"}));
  for (int i = 0; i < 4; ++i) {
    bool bold = false, italic = false;
    styleOf(i, &bold, &italic);
    EXPECT_EQ(styleIndex(bold, italic), i);
  }
  EXPECT_EQ(styleIndex(true, false), 2);
  EXPECT_EQ(styleIndex(false, true), 1);
  const QStringList faces = {"Arial", " 宋体", "Times", "宋体 "};
  EXPECT_EQ(faceIndexFor(faces, QStringLiteral("宋体")), 3);  // the last match, spaces trimmed
  EXPECT_EQ(faceIndexFor(faces, QStringLiteral(" Arial ")), 0);
  EXPECT_EQ(faceIndexFor(faces, QStringLiteral("arial")), -1);
  EXPECT_EQ(faceIndexFor(faces, QStringLiteral("黑体")), -1);
}

class FontDialogTest : public WindowTest {
 protected:
  void SetUp() override {
    ui.fonts = {QStringLiteral("Alpha Sans"), QStringLiteral("宋体"), QStringLiteral("Beta Serif")};
    start();
  }
  EditControl& editor() { return *w->program().txtFile; }

  // Opens the dialog with 字体 and lets `drive` work it.
  int run(const std::function<void(FrmFont&)>& drive) {
    int result = -1;
    ui.onExec = [&](QDialog* d) {
      auto* dlg = qobject_cast<FrmFont*>(d);
      EXPECT_NE(dlg, nullptr);
      if (dlg) drive(*dlg);
      result = d->result();
      return result;
    };
    numFont(w->program());
    ui.onExec = nullptr;
    return result;
  }
  static void pick(QComboBox* combo, const QString& entry) {
    const int i = combo->findText(entry);
    ASSERT_GE(i, 0) << entry.toStdString();
    combo->setCurrentIndex(i);
    Q_EMIT combo->activated(i);
  }
  static void expectCentred(FrmFont& d) {
    const QRect box = d.Picture1->contentsRect();
    const QRect label = d.Label5->geometry();
    EXPECT_LE(std::abs(label.center().x() - box.center().x()), 1);
    EXPECT_LE(std::abs(label.center().y() - box.center().y()), 1);
    EXPECT_EQ(label.size(), d.Label5->sizeHint());
  }
};

TEST_F(FontDialogTest, AFaceThatIsNotInstalledShowsItsStandIn) {
  ui.fonts = {QStringLiteral("Alpha Sans"), QStringLiteral("文泉驿微米黑")};
  ui.standInFaces = {{QStringLiteral("宋体"), QStringLiteral("文泉驿微米黑")}};
  ASSERT_EQ(editor().FontName(), QStringLiteral("宋体"));
  run([&](FrmFont& d) {
    EXPECT_EQ(d.Combo1->currentText(), QStringLiteral("文泉驿微米黑"));
    // The sample is drawn with the stand-in ...
    EXPECT_EQ(d.Label5->font().families(), QStringList({"宋体", "文泉驿微米黑"}));
    d.Command1->click();
  });
  // ... and OK at once leaves the editor's face name as it was.
  EXPECT_EQ(editor().FontName(), QStringLiteral("宋体"));
  // A face picked replaces the stand-in.
  run([&](FrmFont& d) {
    pick(d.Combo1, QStringLiteral("Alpha Sans"));
    EXPECT_EQ(d.Label5->font().families(), QStringList({"Alpha Sans"}));
    d.Command1->click();
  });
  EXPECT_EQ(editor().FontName(), QStringLiteral("Alpha Sans"));
  // No stand-in known: nothing selected, as before.
  editor().setFontName(QStringLiteral("楷体"));
  run([&](FrmFont& d) { EXPECT_EQ(d.Combo1->currentIndex(), -1); });
}

TEST_F(FontDialogTest, ControlsFromTheEditor) {
  editor().setFontName(QStringLiteral("Beta Serif"));
  editor().setFontSize(10.5);
  editor().setFontBold(true);
  editor().setBackColor(0x00FFCC);  // red FF, green CC
  run([&](FrmFont& d) {
    EXPECT_EQ(d.windowTitle(), QStringLiteral("字体"));
    EXPECT_EQ(d.Label1->text(), QStringLiteral("字体(&F):"));
    EXPECT_EQ(d.Label2->text(), QStringLiteral("字型(&Y):"));
    EXPECT_EQ(d.Label3->text(), QStringLiteral("大小(&S):"));
    EXPECT_EQ(d.Frame1->title(), QStringLiteral("示例"));
    EXPECT_EQ(d.Frame2->title(), QStringLiteral("背景色"));
    EXPECT_EQ(d.Label5->text(), QStringLiteral("记事本"));
    EXPECT_EQ(d.Command1->text(), QStringLiteral("确定"));
    EXPECT_EQ(d.Command2->text(), QStringLiteral("取消"));
    EXPECT_EQ(d.Combo1->count(), 3);
    EXPECT_EQ(d.Combo1->currentText(), QStringLiteral("Beta Serif"));
    EXPECT_EQ(d.Combo2->count(), 4);
    EXPECT_EQ(d.Combo2->currentText(), QStringLiteral("粗体"));
    EXPECT_EQ(d.Combo3->count(), 84);
    EXPECT_EQ(d.Combo3->currentText(), QStringLiteral("五号"));
    EXPECT_EQ(d.swatchColor(), 0x00FFCC);
    EXPECT_EQ(d.Label5->font().family(), QStringLiteral("Beta Serif"));
    EXPECT_EQ(d.Label5->font().pointSizeF(), 10.5);
    EXPECT_TRUE(d.Label5->font().bold());
    EXPECT_FALSE(d.Label5->font().italic());
    expectCentred(d);
  });
}

TEST_F(FontDialogTest, NothingSelectedWhenNothingMatches) {
  editor().setFontName(QStringLiteral("Not Installed"));
  editor().setFontSize(80);
  run([&](FrmFont& d) {
    EXPECT_EQ(d.Combo1->currentIndex(), -1);
    EXPECT_EQ(d.Combo3->currentIndex(), -1);
    EXPECT_EQ(d.Label5->font().family(), QStringLiteral("Not Installed"));
    EXPECT_EQ(d.Label5->font().pointSizeF(), 80);
  });
}

TEST_F(FontDialogTest, OkAtOnceChangesNothing) {
  const QString name = editor().FontName();
  const double size = editor().FontSize();
  const qint32 color = editor().BackColor();  // the system window colour
  ASSERT_LT(color, 0);
  EXPECT_EQ(run([&](FrmFont& d) { d.Command1->click(); }), QDialog::Accepted);
  EXPECT_EQ(editor().FontName(), name);
  EXPECT_EQ(editor().FontSize(), size);
  EXPECT_FALSE(editor().FontBold());
  EXPECT_FALSE(editor().FontItalic());
  EXPECT_EQ(editor().BackColor(), color);
}

TEST_F(FontDialogTest, StylePicksSetBoldAndItalic) {
  run([&](FrmFont& d) {
    pick(d.Combo2, QStringLiteral("粗斜体"));
    EXPECT_TRUE(d.Label5->font().bold());
    EXPECT_TRUE(d.Label5->font().italic());
    expectCentred(d);
    pick(d.Combo2, QStringLiteral("斜体"));
    EXPECT_FALSE(d.Label5->font().bold());
    EXPECT_TRUE(d.Label5->font().italic());
    pick(d.Combo2, QStringLiteral("常规"));
    EXPECT_FALSE(d.Label5->font().bold());
    EXPECT_FALSE(d.Label5->font().italic());
  });
}

TEST_F(FontDialogTest, ChosenFontAndColourReachTheEditorAndTheSettings) {
  ui.colorAnswers = {QColor(10, 20, 30)};
  EXPECT_EQ(run([&](FrmFont& d) {
              pick(d.Combo1, QStringLiteral("Alpha Sans"));
              pick(d.Combo3, QStringLiteral("八号"));
              EXPECT_EQ(d.Label5->font().pointSizeF(), 3.75);
              expectCentred(d);
              pick(d.Combo3, QStringLiteral("72"));
              expectCentred(d);  // larger than its box, still centred
              pick(d.Combo3, QStringLiteral("八号"));
              pick(d.Combo2, QStringLiteral("粗体"));
              QTest::mouseClick(d.Label4, Qt::LeftButton);
              d.Command1->click();
            }),
            QDialog::Accepted);
  EXPECT_EQ(editor().FontName(), QStringLiteral("Alpha Sans"));
  EXPECT_EQ(editor().FontSize(), 3.75);
  EXPECT_TRUE(editor().FontBold());
  EXPECT_FALSE(editor().FontItalic());
  EXPECT_EQ(editor().BackColor(), 10 | 20 << 8 | 30 << 16);

  // The dialog itself stores nothing; the shut-down does.
  EXPECT_TRUE(temp.store->read(QStringLiteral("Font"), QStringLiteral("Size")).isEmpty());
  w->close();
  EXPECT_EQ(temp.store->read(QStringLiteral("Font"), QStringLiteral("Name")),
            QStringLiteral("Alpha Sans"));
  EXPECT_EQ(temp.store->read(QStringLiteral("Font"), QStringLiteral("Size")),
            QStringLiteral("3.75"));
  EXPECT_EQ(temp.store->read(QStringLiteral("Font"), QStringLiteral("BackColor")),
            QString::number(10 | 20 << 8 | 30 << 16));
}

TEST_F(FontDialogTest, SwatchDialogStartsFromTheEditorColour) {
  editor().setBackColor(0x000080);  // dark red
  ui.colorAnswers = {QColor(0, 255, 0), std::nullopt};
  run([&](FrmFont& d) {
    QTest::mouseClick(d.Label4, Qt::LeftButton);
    EXPECT_EQ(d.swatchColor(), 0x00FF00);
    QTest::mouseClick(d.Label4, Qt::LeftButton);  // cancelled this time
    EXPECT_EQ(d.swatchColor(), 0x00FF00);         // the picked colour stays
  });
  ASSERT_EQ(ui.colorPresets.size(), 2u);
  EXPECT_EQ(ui.colorPresets[0], QColor(0x80, 0, 0));
  EXPECT_EQ(ui.colorPresets[1], QColor(0x80, 0, 0));  // the editor's, not the picked one
}

TEST_F(FontDialogTest, CancelAfterChangesLeavesTheEditor) {
  editor().setFontName(QStringLiteral("宋体"));
  editor().setFontSize(12);
  ui.colorAnswers = {QColor(1, 2, 3)};
  const qint32 color = editor().BackColor();
  EXPECT_EQ(run([&](FrmFont& d) {
              EXPECT_EQ(d.Combo1->currentText(), QStringLiteral("宋体"));
              EXPECT_EQ(d.Combo3->currentText(), QStringLiteral("小四"));
              pick(d.Combo1, QStringLiteral("Beta Serif"));
              pick(d.Combo2, QStringLiteral("粗斜体"));
              pick(d.Combo3, QStringLiteral("初号"));
              QTest::mouseClick(d.Label4, Qt::LeftButton);
              d.Command2->click();
            }),
            QDialog::Rejected);
  EXPECT_EQ(editor().FontName(), QStringLiteral("宋体"));
  EXPECT_EQ(editor().FontSize(), 12);
  EXPECT_FALSE(editor().FontBold());
  EXPECT_FALSE(editor().FontItalic());
  EXPECT_EQ(editor().BackColor(), color);
}

}  // namespace
