// SPDX-License-Identifier: GPL-3.0-or-later
// Polyphonic characters read by the word they stand in: the look-up over a
// small table, the generated table on real words, the reading unit the
// session forms, and the option that turns it off.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <QAction>
#include <QFile>
#include <QTemporaryDir>

#include "app/main_window.h"
#include "platform/edit_control.h"
#include "platform/pinyin_dictionary_ime.h"
#include "reading/reading_session.h"
#include "reading/word_readings.h"
#include "support/qt_print.h"
#include "support/test_window.h"

namespace {

const QString kDictionary = QStringLiteral(CHIMEPAD_BIN_DIR "/pinyin.txt");
const QString kWords = QStringLiteral(CHIMEPAD_BIN_DIR "/words.txt");

// The readings of every character of `text` as the table gives them, "-"
// where no word covers the character.
QString readingsOf(WordReadings& w, const QString& text) {
  QStringList out;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QString r = w.readingIn(text, i);
    out << (r.isEmpty() ? QStringLiteral("-") : r);
  }
  return out.join(u' ');
}

class SmallTable : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    path = dir.filePath("words.txt");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(
        "# Chimepad word readings\n"
        "# a comment\n"
        "的\tde5\t1000\n"
        "是\tshi4\t800\n"
        "注\tzhu4\t20\n"
        "意\tyi4\t20\n"
        "注意\t300\n"  // the characters' own readings
        "的是\tdi2 shi4\t2\n"
        "失\tshi1\t30\n"
        "当\tdang1\t200\n"
        "行\txing2\t100\n"
        "为\twei4\t400\n"
        "失当\tshi1 dang4\t20\n"
        "当行\tdang1 hang2\t10\n"
        "行为\txing2 wei2\t300\n"
        "银行\tyin2 hang2\n"  // no count: 1
        "重新\tchong2 xin1\t50\n"
        "坏行\tX\t5\n"           // no reading form: skipped
        "三字词\tsan1 zi4\t5\n"  // one reading short: skipped
        "零次\tling2 ci4\t0\n"   // a count of 0: skipped
        "\xe9\x9d\t5\n");        // no UTF-8: skipped
  }
  QTemporaryDir dir;
  QString path;
};

TEST_F(SmallTable, TheMostProbableWordsOfTheSentenceGiveTheReadings) {
  WordReadings w({path});
  struct Case {
    const char* text;
    const char* readings;
  } const cases[] = {
      {"注意的是", "zhu4 yi4 de5 shi4"},      // 的是 is rarer than 的 and 是
      {"失当行为", "shi1 dang4 xing2 wei2"},  // not 当行
      {"银行", "yin2 hang2"},                 // count left out
      {"重新的", "chong2 xin1 de5"},          // a character outside every word
      {"失\r\n当", "shi1 - - dang1"},         // no word across a line break
      {"失，当行", "shi1 - dang1 hang2"},     // nor across punctuation
      {"失 当", "shi1 - dang1"},              // nor a space
      {"坏行", "- xing2"},                    // 坏 is no character of the table
      {"三字词", "- - -"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(readingsOf(w, QString::fromUtf8(c.text)), QString::fromUtf8(c.readings));
  }
  EXPECT_EQ(w.size(), 15);
}

TEST_F(SmallTable, LoadsOnlyAtTheFirstLookUpAndRefusesWhatIsNoTable) {
  WordReadings w({dir.filePath("missing.txt"), path});
  EXPECT_TRUE(w.loadedFrom().isEmpty());
  EXPECT_EQ(w.readingIn(u"银行", 1), QStringLiteral("hang2"));
  EXPECT_EQ(w.loadedFrom(), path);

  QFile bad(dir.filePath("bad.txt"));
  ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
  bad.write("# Chimepad pinyin dictionary\n银行\tyin2 hang2\n");
  bad.close();
  WordReadings none({bad.fileName()});
  EXPECT_EQ(none.readingIn(u"银行", 1), QString());
  EXPECT_TRUE(none.isEmpty());
}

// The file is read only when it is a regular file of a size the table can
// hold: a FIFO without a writer is refused at once instead of blocking the
// first reading, an oversize file without being read. The next place in the
// list is tried.
TEST_F(SmallTable, AFifoOrAnOversizeFileIsRefusedAndTheNextPlaceTried) {
  const QString fifo = dir.filePath("fifo.txt");
  ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  const QString large = dir.filePath("large.txt");
  {
    QFile f(large);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("# Chimepad word readings\n银行\tyin2 hang2\n");
    ASSERT_TRUE(f.resize(WordReadings::kMaxFileBytes + 1));  // sparse: no room taken
  }
  struct Case {
    const char* name;
    QString file;
  } const cases[] = {{"FIFO", fifo}, {"oversize", large}, {"folder", dir.path()}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WordReadings alone({c.file});
    EXPECT_FALSE(alone.ensureLoaded());
    EXPECT_EQ(alone.readingIn(u"银行", 1), QString());
    WordReadings then({c.file, path});
    EXPECT_EQ(then.readingIn(u"银行", 1), QStringLiteral("hang2"));
    EXPECT_EQ(then.loadedFrom(), path);
  }
}

// The generated table on the phrases of ordinary prose where the longest
// word covering a character read it wrong, and on characters whose most
// frequent reading is not the dictionary's first.
TEST(GeneratedTable, ReadsEachCharacterByTheWordItReallyStandsIn) {
  WordReadings w({kWords});
  ASSERT_TRUE(w.ensureLoaded()) << "words.txt not generated";
  struct Case {
    const char* text;
    int at;
    const char* reading;
  } const cases[] = {
      {"注意的是", 2, "de5"},
      {"失当行为", 2, "xing2"},
      {"它的当前", 2, "dang1"},
      {"来处理", 1, "chu3"},
      {"更深入", 0, "geng4"},
      {"文件都保存", 2, "dou1"},
      {"对话框中选择", 3, "zhong1"},
      {"应用", 0, "ying4"},
      {"银行", 1, "hang2"},
      {"音乐", 1, "yue4"},
      {"重新", 0, "chong2"},
      {"调整", 0, "tiao2"},
      {"长大", 0, "zhang3"},
      {"校长", 1, "zhang3"},
      {"银行行长", 2, "hang2"},
      {"还是", 0, "hai2"},
      {"还钱", 0, "huan2"},
      {"一切", 1, "qie4"},
      {"相信", 0, "xiang1"},
      {"照相", 1, "xiang4"},
      {"研究", 1, "jiu1"},
      {"睡觉", 1, "jiao4"},
      {"觉得", 0, "jue2"},
      {"体重新高", 1, "zhong4"},
      {"快乐", 1, "le4"},
      {"我们", 1, "men5"},
      {"孩子", 1, "zi5"},
      {"技术", 1, "shu4"},
      {"只是", 0, "zhi3"},
      {"都", 0, "dou1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(w.readingIn(QString::fromUtf8(c.text), c.at), QString::fromUtf8(c.reading));
  }
}

class WordReadingTest : public WindowTest {
 protected:
  void SetUp() override { start(deps().ime(ime).words(words).timers(timer1, timer2, timer3)); }
  ReadingUnit unitAt(const QString& text, int at) {
    EditControl& t = *p().txtFile;
    t.setText(text);
    t.select(at, 1);
    return FormReadingUnit(p());
  }
  static QString spelled(const ReadingUnit& u) {
    return u.initial + u.rest + QString::number(u.tone) + QLatin1Char('/') +
           QString::number(u.nextTone);
  }

  PinyinDictionaryIme ime{{kDictionary}};
  WordReadings words{{kWords}};
};

TEST_F(WordReadingTest, UnitTakesTheWordsReadingAndTheOptionTurnsItOff) {
  struct Case {
    const char* text;
    int at;
    const char* byWord;  // initial, rest, tone / next tone
    const char* alone;
  } const cases[] = {
      {"去银行", 2, "Hang2/5", "Xing2/5"},
      {"重新开始", 0, "Chong2/1", "Zhong4/1"},
      {"不调整", 0, "Bu4/2", "Bu4/4"},  // the next character's tone is its word's too
      {"长大了\r\n", 0, "Zhang3/4", "Chang2/4"},
      {"银\r\n行", 3, "Xing2/5", "Xing2/5"},  // CR LF parts the two
      {"银行。", 2, "。5/5", "。5/5"},        // punctuation reads as itself
  };
  ASSERT_TRUE(p().reading.ReadByWords);
  ASSERT_TRUE(p().menu.numWords->isChecked());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    p().reading.ReadByWords = true;
    EXPECT_EQ(spelled(unitAt(QString::fromUtf8(c.text), c.at)), QString::fromUtf8(c.byWord));
    p().reading.ReadByWords = false;
    EXPECT_EQ(spelled(unitAt(QString::fromUtf8(c.text), c.at)), QString::fromUtf8(c.alone));
  }
}

TEST_F(WordReadingTest, TableLoadsAtTheFirstReadingNotAtStartUp) {
  EXPECT_TRUE(words.loadedFrom().isEmpty());
  unitAt(QStringLiteral("银行"), 1);
  EXPECT_EQ(words.loadedFrom(), kWords);
}

TEST_F(WordReadingTest, WithoutTheInputMethodEveryCharacterIsASpaceAsBefore) {
  PinyinDictionaryIme missing{{QStringLiteral("/nonexistent/pinyin.txt")}};
  p().reading.ime = &missing;
  const ReadingUnit u = unitAt(QStringLiteral("银行"), 1);
  EXPECT_EQ(u.initial, QString());
  EXPECT_EQ(u.rest, QString());
  EXPECT_EQ(u.tone, 5);
}

TEST_F(WordReadingTest, MenuItemTogglesAndTheSettingIsKept) {
  p().menu.numWords->trigger();
  EXPECT_FALSE(p().reading.ReadByWords);
  EXPECT_FALSE(p().menu.numWords->isChecked());
  w->close();  // stores the settings
  EXPECT_EQ(temp.store->read("Sound", "ReadByWords"), QStringLiteral("False"));

  // A stored "False" comes back unchecked; an older file without the key,
  // or one with a value that is no boolean, gives it checked.
  struct Case {
    const char* stored;
    bool on;
  } const cases[] = {{"False", false}, {"True", true}, {"", true}, {"maybe", true}, {"0", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored);
    TempSettings other;
    other.store->write("Type", "txt", "1");
    if (*c.stored) other.store->write("Sound", "ReadByWords", c.stored);
    MainWindow again(WindowDeps(ui, *other.store).ime(ime).words(words));
    again.formLoad();
    EXPECT_EQ(again.program().reading.ReadByWords, c.on);
    EXPECT_EQ(again.program().menu.numWords->isChecked(), c.on);
  }
}

// What is heard, character by character: the syllable and the tone
// played (neutral tones "5", third tones changed, 一 and 不 by the next
// syllable), with every option on, with 上声变调 off, and with all three
// off, which is the reading of the dictionary's first readings alone.
TEST_F(WordReadingTest, PhrasesAreReadWithTheTonesAsSpoken) {
  struct Case {
    const char* text;
    const char* spoken;    // 按词语读多音字, 轻声, 上声变调 on
    const char* noSandhi;  // 上声变调 off
    const char* spec;      // all three off
  } const cases[] = {
      // Word boundaries found by frequency.
      {"注意的是", "zhu4 yi4 de5 shi4", "zhu4 yi4 de5 shi4", "zhu4 yi4 de5 shi4"},
      {"对话框中选择", "dui4 hua4 kuang4 zhong1 xuan3 ze2", "dui4 hua4 kuang4 zhong1 xuan3 ze2",
       "dui4 hua4 kuang4 zhong1 xuan3 ze2"},
      {"失当行为", "shi1 dang4 xing2 wei2", "shi1 dang4 xing2 wei2", "shi1 dang1 xing2 wei4"},
      {"来处理", "lai2 chu2 li3", "lai2 chu3 li3", "lai2 chu4 li3"},
      {"更深入", "geng4 shen1 ru4", "geng4 shen1 ru4", "geng4 shen1 ru4"},
      {"文件都保存", "wen2 jian4 dou1 bao3 cun2", "wen2 jian4 dou1 bao3 cun2",
       "wen2 jian4 dou1 bao3 cun2"},
      {"应用", "ying4 yong4", "ying4 yong4", "ying1 yong4"},
      // Neutral tones after each tone.
      {"妈妈", "ma1 ma5", "ma1 ma5", "ma1 ma1"},
      {"孩子", "hai2 zi5", "hai2 zi5", "hai2 zi3"},
      {"姐姐", "jie3 jie5", "jie3 jie5", "jie3 jie3"},
      {"谢谢", "xie4 xie5", "xie4 xie5", "xie4 xie4"},
      // Third tones: two, three and four within a word, and across words.
      {"你好", "ni2 hao3", "ni3 hao3", "ni3 hao3"},
      {"可以", "ke2 yi3", "ke3 yi3", "ke3 yi3"},
      {"展览馆", "zhan2 lan2 guan3", "zhan3 lan3 guan3", "zhan3 lan3 guan3"},
      {"管理员", "guan2 li3 yuan2", "guan3 li3 yuan2", "guan3 li3 yuan2"},
      {"岂有此理", "qi2 you3 ci2 li3", "qi3 you3 ci3 li3", "qi3 you3 ci3 li3"},
      {"我想", "wo2 xiang3", "wo3 xiang3", "wo3 xiang3"},
      {"很好", "hen2 hao3", "hen3 hao3", "hen3 hao3"},
      // 一 and 不 beside them keep their own changes.
      {"不好", "bu4 hao3", "bu4 hao3", "bu4 hao3"},
      {"不可以", "bu4 ke2 yi3", "bu4 ke3 yi3", "bu4 ke3 yi3"},
      {"一起", "yi4 qi3", "yi4 qi3", "yi4 qi3"},
      {"内部", "nei4 bu4", "nei4 bu4", "nei4 bu4"},  // only 不 itself changes
      {"依赖", "yi1 lai4", "yi1 lai4", "yi1 lai4"},
      {"不是", "bu2 shi4", "bu2 shi4", "bu2 shi4"},
  };
  auto played = [this](const QString& text) {
    QStringList out;
    for (int i = 0; i < text.size(); ++i) {
      const ReadingUnit u = unitAt(text, i);
      out << (u.initial + u.rest).toLower() + QString::number(PlayedTone(u));
    }
    return out.join(u' ');
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const QString text = QString::fromUtf8(c.text);
    p().reading.ReadByWords = p().reading.ReadNeutralTone = p().reading.ReadToneSandhi = true;
    EXPECT_EQ(played(text), QString::fromUtf8(c.spoken));
    p().reading.ReadToneSandhi = false;
    EXPECT_EQ(played(text), QString::fromUtf8(c.noSandhi));
    p().reading.ReadByWords = p().reading.ReadNeutralTone = false;
    EXPECT_EQ(played(text), QString::fromUtf8(c.spec));
  }
}

// The status bar shows the tone heard: ní in 你好, de with no mark.
TEST_F(WordReadingTest, StatusShowsTheToneHeard) {
  struct Case {
    const char* text;
    int at;
    const char* status;
  } const cases[] = {
      {"你好", 0, "你 ní"}, {"你好", 1, "好 hǎo"}, {"我的", 1, "的 de"}, {"不是", 0, "不 bú"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ReadingStatusText(unitAt(QString::fromUtf8(c.text), c.at)),
              QString::fromUtf8(c.status));
  }
}

TEST_F(WordReadingTest, NeutralToneAndToneSandhiItemsToggleAndAreKept) {
  struct Item {
    QAction* action;
    bool ReadingState::*field;
    const char* key;
  } const items[] = {{p().menu.numNeutralTone, &ReadingState::ReadNeutralTone, "NeutralTone"},
                     {p().menu.numToneSandhi, &ReadingState::ReadToneSandhi, "ToneSandhi"}};
  for (const Item& item : items) {
    SCOPED_TRACE(item.key);
    ASSERT_NE(item.action, nullptr);
    EXPECT_TRUE(item.action->isCheckable());
    EXPECT_TRUE(item.action->isChecked());
    EXPECT_TRUE(p().reading.*item.field);
    item.action->trigger();
    EXPECT_FALSE(p().reading.*item.field);
    EXPECT_FALSE(item.action->isChecked());
  }
  EXPECT_EQ(p().menu.numNeutralTone->text(), QStringLiteral("轻声"));
  EXPECT_EQ(p().menu.numToneSandhi->text(), QStringLiteral("上声变调"));
  w->close();  // stores the settings
  EXPECT_EQ(temp.store->read("Sound", "NeutralTone"), QStringLiteral("False"));
  EXPECT_EQ(temp.store->read("Sound", "ToneSandhi"), QStringLiteral("False"));

  // A stored "False" comes back unchecked; an older file without the keys
  // gives them checked.
  struct Case {
    const char* stored;
    bool on;
  } const cases[] = {{"False", false}, {"True", true}, {"", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored);
    TempSettings other;
    other.store->write("Type", "txt", "1");
    if (*c.stored) {
      other.store->write("Sound", "NeutralTone", c.stored);
      other.store->write("Sound", "ToneSandhi", c.stored);
    }
    MainWindow again(WindowDeps(ui, *other.store).ime(ime).words(words));
    again.formLoad();
    EXPECT_EQ(again.program().reading.ReadNeutralTone, c.on);
    EXPECT_EQ(again.program().reading.ReadToneSandhi, c.on);
    EXPECT_EQ(again.program().menu.numNeutralTone->isChecked(), c.on);
    EXPECT_EQ(again.program().menu.numToneSandhi->isChecked(), c.on);
  }
}

}  // namespace
