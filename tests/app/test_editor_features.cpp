// SPDX-License-Identifier: GPL-3.0-or-later
// The editor's items beyond the original menu: recent files, wrapping, line
// numbers, zoom and colour scheme in the menu, their settings, and where a
// window first shows.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <memory>

#include "app/recent_files.h"
#include "app/window_placement.h"
#include "appearance/editor_options.h"
#include "editing/editor_zoom.h"
#include "platform/edit_control.h"
#include "support/test_window.h"
#include "support/wait.h"

namespace {

class Features : public WindowTest {
 protected:
  void SetUp() override { start(); }
  void TearDown() override { closeWindow(); }
  QString put(const QString& name, const QByteArray& bytes) {
    QFile f(dir.filePath(name));
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return dir.filePath(name);
  }
  QStringList itemNames(QMenu* m) {
    QStringList names;
    for (QAction* a : m->actions()) names << a->objectName();
    return names;
  }

  QTemporaryDir dir;
};

TEST_F(Features, NewItemsStandWhereAUserLooksAndTheSpecsItemsStay) {
  struct Case {
    const char* name;
    const char* menu;
    const char* caption;
    const char* shortcut;
    const char* after;  // the item right before it
  };
  const Case cases[] = {
      {"numRecent", "numFile", "最近的文件(&R)", "", "numSaveAs"},
      {"numRedo", "numEdit", "重做(&Y)", "Ctrl+Y", "numUndo"},
      {"numGoto", "numEdit", "转到行(&G)...", "Ctrl+G", "numHuan"},
      {"numWrap", "numFormat", "自动换行(&W)", "", "numLine11"},
      {"numLineNumbers", "numFormat", "行号(&L)", "", "numWrap"},
      {"numZoomIn", "numFormat", "放大(&I)", "Ctrl+=", "numLineNumbers"},
      {"numZoomOut", "numFormat", "缩小(&O)", "Ctrl+-", "numZoomIn"},
      {"numZoomReset", "numFormat", "还原(&Z)", "Ctrl+0", "numZoomOut"},
      {"numScheme", "numFormat", "配色(&C)", "", "numZoomReset"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QAction* a = menu().item(c.name);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->text(), QString::fromUtf8(c.caption));
    EXPECT_EQ(a->shortcut(), QKeySequence(QString::fromUtf8(c.shortcut)));
    auto* m = w->menuBar()->findChild<QMenu*>(c.menu);
    ASSERT_TRUE(m);
    const QStringList names = itemNames(m);
    const qsizetype i = names.indexOf(c.name);
    ASSERT_GT(i, 0);
    EXPECT_EQ(names[i - 1], c.after);
  }
  // The original items keep their order around the new ones.
  const QStringList file = itemNames(menu().numFile);
  EXPECT_EQ(file, QStringList({"numNew", "numOpen", "numSave", "numSaveAs", "numRecent", "numLine1",
                               "numPrint", "numLine2", "numExit"}));
  // Three schemes, one checked, 跟随系统 at first.
  ASSERT_TRUE(menu().numScheme);
  EXPECT_EQ(itemNames(menu().numScheme),
            QStringList({"numSchemeItem(0)", "numSchemeItem(1)", "numSchemeItem(2)"}));
  EXPECT_TRUE(menu().numSchemeItem[0]->isChecked());
  EXPECT_TRUE(menu().numWrap->isChecked());
  EXPECT_FALSE(menu().numLineNumbers->isChecked());
}

TEST_F(Features, ZoomItemsStepTheShownSize) {
  const double chosen = t()->FontSize();
  menu().numZoomIn->trigger();
  menu().numZoomIn->trigger();
  EXPECT_EQ(w->zoom().steps(), 2);
  menu().numZoomOut->trigger();
  EXPECT_EQ(w->zoom().steps(), 1);
  EXPECT_GT(w->zoom().shownPoints(), chosen);
  menu().numZoomReset->trigger();
  EXPECT_EQ(w->zoom().steps(), 0);
  EXPECT_DOUBLE_EQ(t()->FontSize(), chosen);  // the chosen font is not changed
}

TEST_F(Features, WrapLineNumbersAndSchemeAreStoredInTheirOwnSection) {
  w->show();
  t()->setText(QString(5000, QLatin1Char('x')));
  EXPECT_TRUE(t()->wordWrap());
  menu().numWrap->trigger();  // off: a horizontal scroll bar
  EXPECT_FALSE(t()->wordWrap());
  EXPECT_GT(t()->horizontalScrollBar()->maximum(), 0);
  menu().numLineNumbers->trigger();
  EXPECT_TRUE(t()->lineNumbersShown());
  EXPECT_GT(t()->lineNumberWidth(), 0);
  menu().numSchemeItem[2]->trigger();
  EXPECT_TRUE(menu().numSchemeItem[2]->isChecked());
  EXPECT_FALSE(menu().numSchemeItem[0]->isChecked());
  restart();
  EXPECT_EQ(temp.store->read("Editor", "WordWrap"), "False");
  EXPECT_EQ(temp.store->read("Editor", "LineNumbers"), "True");
  EXPECT_EQ(temp.store->read("Editor", "ColorScheme"), "Dark");
  EXPECT_FALSE(t()->wordWrap());
  EXPECT_TRUE(t()->lineNumbersShown());
  EXPECT_TRUE(menu().numSchemeItem[2]->isChecked());
  // Back to the desktop's colours for the tests after this one.
  menu().numSchemeItem[0]->trigger();
}

TEST(EditorOptions, ReadFromTheStoreWithDefaultsForWhatIsMissingOrBad) {
  struct Case {
    const char* name;
    const char* wrap;
    const char* numbers;
    const char* scheme;
    EditorOptions expected;
  };
  const Case cases[] = {
      {"nothing stored", "", "", "", {true, false, ColorScheme::System}},
      {"all set", "False", "True", "Dark", {false, true, ColorScheme::Dark}},
      {"light, any case", "true", "0", "light", {true, false, ColorScheme::Light}},
      {"not understood keeps the defaults",
       "maybe",
       "2",
       "Purple",
       {true, false, ColorScheme::System}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempSettings s;
    if (*c.wrap) s.store->write("Editor", "WordWrap", c.wrap);
    if (*c.numbers) s.store->write("Editor", "LineNumbers", c.numbers);
    if (*c.scheme) s.store->write("Editor", "ColorScheme", c.scheme);
    const EditorOptions o = readEditorOptions(*s.store);
    EXPECT_EQ(o.wordWrap, c.expected.wordWrap);
    EXPECT_EQ(o.lineNumbers, c.expected.lineNumbers);
    EXPECT_EQ(o.scheme, c.expected.scheme);
  }
}

// Readable: text, selection (the reading highlight), the status bar.
TEST(EditorOptions, TheDarkSchemeIsReadable) {
  const QPalette dark = schemePalette(ColorScheme::Dark, QPalette());
  auto contrast = [](const QColor& a, const QColor& b) {
    auto lum = [](const QColor& c) {
      auto ch = [](double v) {
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
      };
      return 0.2126 * ch(c.redF()) + 0.7152 * ch(c.greenF()) + 0.0722 * ch(c.blueF());
    };
    const double x = lum(a), y = lum(b);
    return (std::max(x, y) + 0.05) / (std::min(x, y) + 0.05);
  };
  EXPECT_GE(contrast(dark.color(QPalette::Text), dark.color(QPalette::Base)), 7.0);
  EXPECT_GE(contrast(dark.color(QPalette::HighlightedText), dark.color(QPalette::Highlight)), 4.5);
  EXPECT_GE(contrast(dark.color(QPalette::WindowText), dark.color(QPalette::Window)), 7.0);
  EXPECT_LT(dark.color(QPalette::Base).lightnessF(), 0.3);
  const QPalette light = schemePalette(ColorScheme::Light, QPalette());
  EXPECT_GE(contrast(light.color(QPalette::Text), light.color(QPalette::Base)), 7.0);
}

TEST_F(Features, TheEditorUsesTheSchemeAndAChosenBackgroundStaysReadable) {
  auto lightness = [](QWidget* w, QPalette::ColorRole role) {
    return w->palette().color(role).lightnessF();
  };
  menu().numSchemeItem[2]->trigger();
  // The editor, the status bar and the reading highlight (the selection)
  // follow the scheme.
  ASSERT_TRUE(waitUntil([&] {
    return lightness(t(), QPalette::Base) < 0.3 && lightness(t(), QPalette::Text) > 0.7 &&
           lightness(w->statusBar(), QPalette::Window) < 0.3;
  }));
  EXPECT_GT(lightness(w->statusBar(), QPalette::WindowText), 0.7);
  EXPECT_EQ(t()->palette().color(QPalette::Highlight), QColor(0x2F, 0x6F, 0xD0));
  // A light background of the user's own gets dark text in the dark scheme.
  t()->setBackColor(toColorValue(QColor(0xFF, 0xFF, 0xE0)));
  EXPECT_LT(lightness(t(), QPalette::Text), 0.3);
  menu().numSchemeItem[1]->trigger();
  ASSERT_TRUE(waitUntil([&] { return lightness(w->statusBar(), QPalette::Window) > 0.7; }));
  EXPECT_LT(lightness(t(), QPalette::Text), 0.3);
  t()->setBackColor(EditControl::kSystemWindowColor);
  EXPECT_GT(lightness(t(), QPalette::Base), 0.9);
  menu().numSchemeItem[0]->trigger();
  QApplication::processEvents();
}

TEST_F(Features, RecentFilesNewestFirstAtMostTen) {
  RecentFiles& r = w->recentFiles();
  QStringList made;
  for (int i = 0; i < 12; ++i) {
    made << put(QStringLiteral("f%1.txt").arg(i), "x");
    ui.openAnswers.push_back(made.last());
    menu().numOpen->trigger();
  }
  QStringList expected;
  for (int i = 11; i >= 2; --i) expected << made[i];
  EXPECT_EQ(r.files(), expected);
  // Opening one again moves it to the top, once.
  ui.openAnswers.push_back(made[5]);
  menu().numOpen->trigger();
  EXPECT_EQ(r.files().first(), made[5]);
  EXPECT_EQ(r.files().count(made[5]), 1);
  EXPECT_EQ(r.files().size(), 10);
  // Kept for the next run; the menu lists them with their keys.
  restart();
  Q_EMIT menu().numRecent->aboutToShow();
  const QList<QAction*> items = menu().numRecent->actions();
  ASSERT_GE(items.size(), 12);
  EXPECT_EQ(items[0]->text(), "&1 " + made[5]);
  EXPECT_EQ(items[9]->text(), "&0 " + made[2]);
  EXPECT_EQ(items.last()->text(), "清除列表(&C)");
  // Choosing one opens it.
  items[1]->trigger();
  EXPECT_EQ(p().CurrentFileName, made[11]);
  EXPECT_TRUE(ui.messages.empty());
  // 清除列表 empties it.
  items.last()->trigger();
  EXPECT_TRUE(w->recentFiles().files().isEmpty());
}

TEST_F(Features, RecentFilesComeFromOpenAndSaveAsOfFilesThatExist) {
  const QString opened = put("opened.txt", "a");
  ui.openAnswers.push_back(opened);
  menu().numOpen->trigger();
  const QString missing = dir.filePath("missing.txt");
  ui.openAnswers.push_back(missing);
  menu().numOpen->trigger();  // bound to it, but nothing was read
  const QString saved = dir.filePath("saved.txt");
  t()->setText("new");
  ui.saveAnswers.push_back(saved);
  menu().numSaveAs->trigger();
  const QStringList files = w->recentFiles().files();
  EXPECT_EQ(files, QStringList({saved, opened}));
}

TEST_F(Features, ARecentFileDeletedMeanwhileIsRefusedAndDropped) {
  const QString a = put("a.txt", "甲"), b = put("b.txt", "乙");
  w->recentFiles().add(a);
  w->recentFiles().add(b);
  t()->setText("kept");
  p().resetHistory("kept");
  QFile::remove(b);
  w->openRecent(b);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, RecentFiles::missingMessage(b));
  EXPECT_EQ(ui.messages[0].title, "提示");
  EXPECT_EQ(t()->Text(), "kept");  // the document is not touched
  EXPECT_EQ(w->recentFiles().files(), QStringList({a}));
  // A folder by the name is no file either.
  QDir().mkdir(dir.filePath("folder"));
  w->recentFiles().add(dir.filePath("folder"));
  w->openRecent(dir.filePath("folder"));
  EXPECT_EQ(w->recentFiles().files(), QStringList({a}));
}

TEST(WindowPlacement, FirstStartAndCascade) {
  struct Case {
    const char* name;
    QRect last, screen, expected;
  };
  const Case cases[] = {
      {"down and right", {100, 100, 800, 500}, {0, 0, 1280, 800}, {132, 132, 800, 500}},
      {"back to the corner at the screen's edge",
       {460, 280, 800, 500},
       {0, 0, 1280, 800},
       {0, 0, 800, 500}},
      {"a second screen's corner",
       {1800, 400, 800, 500},
       {1280, 0, 1280, 800},
       {1280, 0, 800, 500}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(cascadeFrom(c.last, c.screen), c.expected);
  }
  // Two thirds of 1280 × 800, centred.
  EXPECT_EQ(firstStartGeometry({0, 0, 1280, 800}), QRect(213, 133, 853, 533));
  EXPECT_EQ(firstStartGeometry({0, 24, 1920, 1056}), QRect(320, 200, 1280, 704));
}

// Another running copy's window, as it told the store: the new window
// cascades from it, unless that copy is gone.
TEST_F(Features, ANewWindowCascadesFromARunningCopysWindow) {
  QProcess other;
  other.start(QStringLiteral("sleep"), {QStringLiteral("30")});
  ASSERT_TRUE(other.waitForStarted());
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  const QRect shown(screen.x() + 10, screen.y() + 20, 300, 200);
  struct Case {
    const char* name;
    qint64 pid;
    bool cascades;
  };
  const Case cases[] = {
      {"a running copy", other.processId(), true},
      {"a copy that is gone", 999'999'999, false},
      {"this very copy (its own record)", QCoreApplication::applicationPid(), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    closeWindow();
    temp.store->write("Window", "Shown",
                      QStringLiteral("%1,%2,300,200,%3").arg(shown.x()).arg(shown.y()).arg(c.pid));
    temp.store->remove("Window", "Width");
    start();
    if (c.cascades) EXPECT_EQ(w->geometry(), cascadeFrom(shown, screen));
    else EXPECT_EQ(w->geometry(), firstStartGeometry(screen));
    // The new window tells the store where it shows, and takes it back at
    // its close.
    EXPECT_TRUE(temp.store->read("Window", "Shown")
                    .endsWith(QString::number(QCoreApplication::applicationPid())));
  }
  closeWindow();
  EXPECT_TRUE(temp.store->read("Window", "Shown").isEmpty());
  other.kill();
  other.waitForFinished();
}

TEST_F(Features, FirstStartGivesALargeWindowAndAReadableFont) {
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_EQ(w->geometry().size(), firstStartGeometry(screen).size());
  EXPECT_DOUBLE_EQ(t()->FontSize(), kFirstStartPoints);
  // Stored once, the next start keeps the user's size and font.
  t()->setFontSize(10.5);
  w->resize(600, 400);
  restart();
  EXPECT_EQ(w->geometry().size(), QSize(600, 400));
  EXPECT_DOUBLE_EQ(t()->FontSize(), 10.5);
}

}  // namespace
