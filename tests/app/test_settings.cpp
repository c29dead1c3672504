// SPDX-License-Identifier: GPL-3.0-or-later
// Loading and storing the preferences.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <functional>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryDir>

#include "app/main_window.h"
#include "app/settings.h"
#include "platform/edit_control.h"
#include "support/test_window.h"

namespace {

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override { temp.store->write("Type", "txt", "1"); }
  std::unique_ptr<MainWindow> start() {
    auto w = std::make_unique<MainWindow>(WindowDeps(ui, *temp.store));
    w->formLoad();
    return w;
  }
  static int checkedSpeed(const Program& p) {
    int found = -1;
    for (int i = 0; i < 4; ++i) {
      if (p.menu.numSoundSpeed[i]->isChecked()) {
        EXPECT_EQ(found, -1) << "more than one speed checked";
        found = i;
      }
    }
    return found;
  }
  ScriptedUi ui;
  TempSettings temp;
};

TEST_F(SettingsTest, EmptyStoreKeepsTheDesignTimeState) {
  auto w = start();
  const Program& p = w->program();
  EXPECT_EQ(p.txtFile->FontName(), QStringLiteral("宋体"));
  // A first start (nothing stored) shows a size one reads without effort.
  EXPECT_DOUBLE_EQ(p.txtFile->FontSize(), kFirstStartPoints);
  EXPECT_FALSE(p.txtFile->FontBold());
  EXPECT_FALSE(p.txtFile->FontItalic());
  EXPECT_EQ(p.txtFile->BackColor(), EditControl::kSystemWindowColor);
  EXPECT_TRUE(p.menu.numSoundOpt[0]->isChecked());
  EXPECT_EQ(checkedSpeed(p), 1);
  EXPECT_EQ(p.Timer2->interval(), 500);  // 中速, as the menu reads it
  EXPECT_EQ(p.reading.CustomSpeed, 0);
}

TEST_F(SettingsTest, StoredSpeedSelectsItemAndInterval) {
  struct Case {
    const char* speed;
    const char* value;  // nullptr: not stored
    int item;
    int interval;
    int custom;
  };
  const Case cases[] = {
      // Each item at the interval the menu gives it.
      {"0", nullptr, 0, 1000, 0},
      {"1", "50", 1, 500, 0},  // SpeedValue read only for the custom item
      {"2", nullptr, 2, 100, 0},
      {"3", "50", 3, 5000, 50},
      {"3", "1", 3, 100, 1},
      {"3", "100", 3, 10000, 100},
      {"3", nullptr, 3, 1000, 0},
      {"3", "400", 3, 500, 400},  // 400 x 100 overflows 16 bits: interval kept
      {"3", "abc", 3, 1000, 0},   // reads as 0; 0 ms would stall reading
      {"3", "0", 3, 1000, 0},
      {"3", "-5", 3, 1000, 0},  // negative, nan, inf: as if no value were stored
      {"3", "-0.4", 3, 1000, 0},
      {"3", "nan", 3, 1000, 0},
      {"3", "inf", 3, 1000, 0},
      {"3", "-inf", 3, 1000, 0},
      {"3", "-400", 3, 1000, 0},  // x 100 would fall below 16 bits
      {"3", "99999", 3, 500, 0},  // beyond 16 bits: the value is skipped
      {"7", "20", 3, 2000, 20},   // any other text means the custom item
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.speed) + "/" + (c.value ? c.value : "(none)"));
    temp.store->write("Sound", "Speed", c.speed);
    if (c.value) temp.store->write("Sound", "SpeedValue", c.value);
    else temp.store->remove("Sound", "SpeedValue");
    auto w = start();
    EXPECT_EQ(checkedSpeed(w->program()), c.item);
    EXPECT_EQ(w->program().Timer2->interval(), c.interval);
    EXPECT_EQ(w->program().reading.CustomSpeed, c.custom);
  }
}

TEST_F(SettingsTest, FontValuesAppliedOrSkippedOneByOne) {
  ui.fonts = {QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("DejaVu Sans")};
  temp.store->write("Font", "Name", "DejaVu Sans");
  temp.store->write("Font", "Size", "10.5");
  temp.store->write("Font", "Bold", "True");
  temp.store->write("Font", "Italic", "maybe");  // unusable: skipped
  temp.store->write("Font", "BackColor", "255");
  auto w = start();
  const EditControl& t = *w->program().txtFile;
  EXPECT_EQ(t.FontName(), QStringLiteral("DejaVu Sans"));
  EXPECT_DOUBLE_EQ(t.FontSize(), 10.5);
  EXPECT_TRUE(t.FontBold());
  EXPECT_FALSE(t.FontItalic());
  EXPECT_EQ(t.BackColor(), 255);
  EXPECT_EQ(t.palette().color(QPalette::Base), QColor(255, 0, 0));
}

TEST_F(SettingsTest, UnusableFontValuesAreSkipped) {
  ui.fonts = {QStringLiteral("DejaVu Sans")};
  temp.store->write("Font", "Name", "No Such Font");
  temp.store->write("Font", "Size", "big");
  temp.store->write("Font", "BackColor", "99999999999");
  temp.store->write("Font", "Italic", "False");
  auto w = start();
  const EditControl& t = *w->program().txtFile;
  EXPECT_EQ(t.FontName(), QStringLiteral("宋体"));
  EXPECT_DOUBLE_EQ(t.FontSize(), 9.0);
  EXPECT_EQ(t.BackColor(), EditControl::kSystemWindowColor);
}

TEST_F(SettingsTest, FontSizeOnlyWithinWhatTheDialogOffers) {
  struct Case {
    const char* stored;
    double size;  // 9: skipped, the design-time size stays
  };
  const Case cases[] = {
      {"3.75", 3.75}, {"72", 72}, {"10.5", 10.5}, {"0.0001", 9}, {"3.7", 9},
      {"72.5", 9},    {"-12", 9}, {"nan", 9},     {"inf", 9},    {"1e300", 9},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored);
    temp.store->write("Font", "Size", c.stored);
    auto w = start();
    EXPECT_DOUBLE_EQ(w->program().txtFile->FontSize(), c.size);
  }
}

TEST_F(SettingsTest, SaveWritesEveryKeyAsText) {
  auto w = start();
  Program& p = w->program();
  p.txtFile->setFontSize(26.25);
  p.txtFile->setFontBold(true);
  p.txtFile->setBackColor(toColorValue(QColor(0x11, 0x22, 0x33)));
  p.menu.numSoundSpeed[1]->setChecked(false);
  p.menu.numSoundSpeed[2]->setChecked(true);
  p.reading.CustomSpeed = 42;
  SaveSettings(p);
  // Read back through a store of its own, as the next run would: the
  // window's store stays the one it writes to.
  temp.store->sync();
  const SettingsStore s(temp.path());
  EXPECT_EQ(s.read("Font", "Name"), QStringLiteral("宋体"));
  EXPECT_EQ(s.read("Font", "Size"), QStringLiteral("26.25"));
  EXPECT_EQ(s.read("Font", "Bold"), QStringLiteral("True"));
  EXPECT_EQ(s.read("Font", "Italic"), QStringLiteral("False"));
  EXPECT_EQ(s.read("Font", "BackColor"), QString::number(0x332211));
  EXPECT_EQ(s.read("Sound", "Reader"), QStringLiteral("0"));
  EXPECT_EQ(s.read("Sound", "Speed"), QStringLiteral("2"));
  EXPECT_EQ(s.read("Sound", "SpeedValue"), QStringLiteral("42"));
  // The system colour is written as a negative number.
  p.txtFile->setBackColor(EditControl::kSystemWindowColor);
  SaveSettings(p);
  temp.store->sync();
  EXPECT_EQ(SettingsStore(temp.path()).read("Font", "BackColor"), QStringLiteral("-2147483643"));
}

TEST_F(SettingsTest, FontSizeTextUsesADecimalPointWhateverTheLocale) {
  const QLocale before;
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  EXPECT_EQ(fontSizeText(9), QStringLiteral("9"));
  EXPECT_EQ(fontSizeText(10.5), QStringLiteral("10.5"));
  EXPECT_EQ(fontSizeText(26.25), QStringLiteral("26.25"));
  EXPECT_EQ(fontSizeText(3.75), QStringLiteral("3.75"));
  EXPECT_EQ(fontSizeText(10.123456), QStringLiteral("10.1235"));
  double v = 0;
  EXPECT_TRUE(parseFontSize(QStringLiteral("10.5"), &v));
  EXPECT_DOUBLE_EQ(v, 10.5);
  EXPECT_TRUE(parseFontSize(QStringLiteral("10,5"), &v));  // written by a comma locale
  EXPECT_DOUBLE_EQ(v, 10.5);
  EXPECT_FALSE(parseFontSize(QStringLiteral("x"), &v));
  QLocale::setDefault(before);
}

TEST_F(SettingsTest, RoundTripThroughARestart) {
  {
    auto w = start();
    Program& p = w->program();
    p.txtFile->setFontSize(10.5);
    p.txtFile->setFontItalic(true);
    p.menu.numSoundSpeed[1]->setChecked(false);
    p.menu.numSoundSpeed[3]->setChecked(true);
    p.reading.CustomSpeed = 30;
    SaveSettings(p);
  }
  temp.reopen();
  auto w = start();
  EXPECT_DOUBLE_EQ(w->program().txtFile->FontSize(), 10.5);
  EXPECT_TRUE(w->program().txtFile->FontItalic());
  EXPECT_EQ(checkedSpeed(w->program()), 3);
  EXPECT_EQ(w->program().Timer2->interval(), 3000);
}

// A settings file that is not a regular file is never opened (a FIFO would
// block the start for good): the program starts with its defaults, says so
// once, asks no first-start question and leaves the file as it is.
TEST_F(SettingsTest, ASettingsFileThatIsNotARegularFileIsNotOpened) {
  QTemporaryDir dir;
  const QString fifo = dir.filePath("fifo.conf"), device = dir.filePath("device.conf");
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  ASSERT_TRUE(QFile::link("/dev/zero", device));
  // The user's own store, where the platform keeps it.
  const QString user = SettingsStore::userFileName();
  ASSERT_TRUE(user.startsWith(qEnvironmentVariable("XDG_CONFIG_HOME")));  // a test folder
  QDir().mkpath(QFileInfo(user).absolutePath());
  QFile::remove(user);
  ASSERT_EQ(::mkfifo(QFile::encodeName(user).constData(), 0600), 0);
  struct Case {
    const char* name;
    std::function<std::unique_ptr<SettingsStore>()> make;
    QString file;
  };
  const Case cases[] = {
      {"a FIFO", [&] { return std::make_unique<SettingsStore>(fifo); }, fifo},
      {"a link to a device", [&] { return std::make_unique<SettingsStore>(device); }, device},
      {"the user's store as a FIFO", [] { return std::make_unique<SettingsStore>(); }, user},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<SettingsStore> store = c.make();
    EXPECT_FALSE(store->usable());
    EXPECT_EQ(store->read("Font", "Name"), "");
    EXPECT_FALSE(store->write("Font", "Name", "宋体"));
    ui.messages.clear();
    {
      auto w = std::make_unique<MainWindow>(WindowDeps(ui, *store));
      w->formLoad();
      ASSERT_EQ(ui.messages.size(), 1u);  // told, and no association question
      EXPECT_EQ(ui.messages[0].title, "提示");
      EXPECT_TRUE(ui.messages[0].text.contains("不是普通文件"))
          << ui.messages[0].text.toStdString();
      EXPECT_TRUE(ui.messages[0].text.contains(c.file));
      EXPECT_EQ(checkedSpeed(w->program()), 1);  // the defaults
      w->formLoad();                             // told once only
      EXPECT_EQ(ui.messages.size(), 1u);
    }
    store.reset();
    EXPECT_EQ(QFileInfo(c.file).isFile(), false);  // not replaced by a regular file
  }
  QFile::remove(user);
  // A regular file through a link is a settings file like any other.
  const QString real = dir.filePath("real.conf"), link = dir.filePath("link.conf");
  SettingsStore(real).write("Font", "Name", "黑体");
  ASSERT_TRUE(QFile::link(real, link));
  SettingsStore linked(link);
  EXPECT_TRUE(linked.usable());
  EXPECT_EQ(linked.read("Font", "Name"), "黑体");
}

}  // namespace
