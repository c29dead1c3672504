// SPDX-License-Identifier: GPL-3.0-or-later
// The platform's message boxes as the user sees them: placed and sized.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QMainWindow>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>

#include "platform/font_faces.h"
#include "platform/ui.h"

namespace {

// Shows a real message box and reads its geometry once it is up.
QRect shownBox(QWidget* parent, const QString& text, const QString& title,
               QWidget** boxParent = nullptr) {
  QRect seen;
  QTimer::singleShot(0, [&] {
    QWidget* box = QApplication::activeModalWidget();
    if (!box) return;
    seen = box->frameGeometry();
    if (boxParent) *boxParent = box->parentWidget();
    static_cast<QMessageBox*>(box)->done(QMessageBox::Ok);
  });
  QtUi().message(parent, text, title, MsgIcon::None, MsgButtons::Ok);
  return seen;
}

TEST(MessageBoxes, AreWideEnoughForTheirTitle) {
  QApplication::setApplicationName(QStringLiteral("Chimepad"));
  for (const QString& title :
       {QString(), QStringLiteral("一个相当长的标题,不应被窗口管理器截断")}) {
    const QRect box = shownBox(nullptr, QStringLiteral("此时系统信息不可用"), title);
    ASSERT_TRUE(box.isValid());
    const QString shown = title.isEmpty() ? QStringLiteral("Chimepad") : title;
    EXPECT_GE(box.width(), QFontMetrics(QApplication::font()).horizontalAdvance(shown) + 120)
        << shown.toStdString();
  }
}

TEST(MessageBoxes, BeforeTheMainWindowIsShownTheyAreCentredOnTheScreen) {
  QMainWindow hidden;  // the first-run question comes before the window shows
  QWidget* parent = &hidden;
  const QRect box = shownBox(&hidden, QStringLiteral("是否要关联扩展名为 txt 的文本文件?"),
                             QStringLiteral("关联文件"), &parent);
  ASSERT_TRUE(box.isValid());
  EXPECT_EQ(parent, nullptr);
  const QPoint centre = QGuiApplication::primaryScreen()->availableGeometry().center();
  EXPECT_LE((box.center() - centre).manhattanLength(), 40) << box.x() << "," << box.y();
}

TEST(FontFaces, EachFamilyOnceByItsChineseName) {
  EXPECT_EQ(fontfaces::withoutFoundry(QStringLiteral("Nimbus Sans [urw]")),
            QStringLiteral("Nimbus Sans"));
  EXPECT_EQ(fontfaces::withoutFoundry(QStringLiteral("[x]")), QStringLiteral("[x]"));
  auto zh = [](const QString& f) -> QString {
    return f == QLatin1String("WenQuanYi Micro Hei") ? QStringLiteral("文泉驿微米黑") : QString();
  };
  EXPECT_EQ(fontfaces::shownFamilies({"Nimbus Sans [urw]", "DejaVu Sans", "Nimbus Sans [UKWN]",
                                      "WenQuanYi Micro Hei", "nimbus sans"},
                                     zh),
            QStringList({"Nimbus Sans", "DejaVu Sans", "文泉驿微米黑"}));
  // The installed fonts: no foundry suffixes, no name twice.
  const QStringList faces = fontfaces::screenFaces();
  ASSERT_FALSE(faces.isEmpty());
  for (const QString& f : faces) EXPECT_FALSE(f.endsWith(QLatin1Char(']'))) << f.toStdString();
  EXPECT_EQ(QSet<QString>(faces.begin(), faces.end()).size(), faces.size());
}

TEST(FontFaces, ChineseFaceNamesResolveToTheInstalledCjkFace) {
  if (fontfaces::chineseName(QStringLiteral("WenQuanYi Micro Hei")).isEmpty())
    GTEST_SKIP() << "WenQuanYi Micro Hei is not installed";
  EXPECT_EQ(fontfaces::chineseName(QStringLiteral("WenQuanYi Micro Hei")),
            QStringLiteral("文泉驿微米黑"));
  const QStringList faces = fontfaces::screenFaces();
  EXPECT_TRUE(faces.contains(QStringLiteral("文泉驿微米黑")));
  EXPECT_FALSE(faces.contains(QStringLiteral("WenQuanYi Micro Hei")));
  for (const char* name : {"宋体", "黑体", "楷体", "SimSun", "WenQuanYi Micro Hei"}) {
    const QString face = fontfaces::resolveFace(QString::fromUtf8(name));
    EXPECT_TRUE(faces.contains(face)) << name << " -> " << face.toStdString();
    // The face draws Chinese: the name the editor asks for reaches it.
    QFont f;
    f.setFamily(face);
    EXPECT_TRUE(QFontMetrics(f).inFont(QChar(0x5B8B))) << face.toStdString();  // 宋
  }
}

}  // namespace
