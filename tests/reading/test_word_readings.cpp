// Polyphonic characters read by the word they stand in: the look-up over a
// small table, the generated table on real words, the reading unit the
// session forms, and the option that turns it off.
#include <gtest/gtest.h>
#include <QAction>
#include <QFile>
#include <QTemporaryDir>

#include "app/main_window.h"
#include "platform/edit_control.h"
#include "platform/pinyin_dictionary_ime.h"
#include "reading/reading_session.h"
#include "reading/word_readings.h"
#include "support/fake_timer.h"
#include "support/qt_print.h"
#include "support/scripted_ui.h"
#include "support/temp_settings.h"

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
        "银行\tyin2 hang2\n"
        "行长\thang2 zhang3\n"
        "银行行长\tyin2 hang2 hang2 zhang3\n"
        "长大\tzhang3 da4\n"
        "体重\tti3 zhong4\n"
        "重新\tchong2 xin1\n"
        "音乐\tyin1 yue4\n"
        "快乐\tkuai4 le4\n"
        "坏行\tX\n"             // no reading form: skipped
        "三字词\tsan1 zi4\n");  // one reading short: skipped
  }
  QTemporaryDir dir;
  QString path;
};

TEST_F(SmallTable, LongestWordCoveringTheCharacterWinsTiesToTheEarlierStart) {
  WordReadings w({path});
  struct Case {
    const char* text;
    const char* readings;
  } const cases[] = {
      {"银行", "yin2 hang2"},           // polyphone at the end of a word
      {"行长", "hang2 zhang3"},         // at the start
      {"他长大了", "- zhang3 da4 -"},   // inside a sentence
      {"银行长", "yin2 hang2 zhang3"},  // overlap of equal length: 行 to the earlier word
      {"体重新", "ti3 zhong4 xin1"},    // 重 stays with 体重, 新 only in 重新
      {"重新", "chong2 xin1"},
      {"银行行长", "yin2 hang2 hang2 zhang3"},  // the longest word wins
      {"音乐快乐", "yin1 yue4 kuai4 le4"},
      {"银\r\n行", "- - - -"},  // no word across a line break
      {"银\n行", "- - -"},
      {"银，行长", "- - hang2 zhang3"},  // nor across punctuation
      {"银 行", "- - -"},                // nor a space
      {"坏行", "- -"},
      {"三字词", "- - -"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(readingsOf(w, QString::fromUtf8(c.text)), QString::fromUtf8(c.readings));
  }
  EXPECT_EQ(w.size(), 8);
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

// The generated table on words and sentences of ordinary prose.
TEST(GeneratedTable, ReadsPolyphonesByTheirWords) {
  WordReadings w({kWords});
  ASSERT_TRUE(w.ensureLoaded()) << "words.txt not generated";
  struct Case {
    const char* text;
    int at;
    const char* reading;  // "" where no word decides
  } const cases[] = {
      {"银行", 1, "hang2"},     {"音乐", 1, "yue4"},       {"重新", 0, "chong2"},
      {"调整", 0, "tiao2"},     {"长大", 0, "zhang3"},     {"校长", 1, "zhang3"},
      {"银行行长", 2, "hang2"}, {"还是", 0, "hai2"},       {"还钱", 0, "huan2"},
      {"一切", 1, "qie4"},      {"相信", 0, "xiang1"},     {"照相", 1, "xiang4"},
      {"研究", 1, "jiu1"},      {"头发", 1, "fa4"},        {"睡觉", 1, "jiao4"},
      {"觉得", 0, "jue2"},      {"体重新高", 1, "zhong4"}, {"快乐", 1, "le4"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const QString text = QString::fromUtf8(c.text);
    const QString got = w.readingIn(text, c.at);
    const QString expected = QString::fromUtf8(c.reading);
    // A word that reads the character the usual way need not be listed.
    if (got.isEmpty()) {
      PinyinDictionary d;
      ASSERT_TRUE(d.load(kDictionary));
      const PinyinDictionary::Readings r = d.readings(text[c.at].unicode());
      ASSERT_GT(r.count, 0);
      EXPECT_EQ(QString::fromLatin1(r.strings.data()), expected);
    } else {
      EXPECT_EQ(got, expected);
    }
  }
}

class WordReadingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    temp.store->write("Type", "txt", "1");
    MainWindow::Deps d;
    d.ui = &ui;
    d.settings = temp.store.get();
    d.ime = &ime;
    d.words = &words;
    d.timer1 = &timer1;
    d.timer2 = &timer2;
    d.timer3 = &timer3;
    w = std::make_unique<MainWindow>(d);
    w->formLoad();
  }
  Program& p() { return w->program(); }
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

  ScriptedUi ui;
  TempSettings temp;
  FakeTimer timer1, timer2, timer3;
  PinyinDictionaryIme ime{{kDictionary}};
  WordReadings words{{kWords}};
  std::unique_ptr<MainWindow> w;
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
  ASSERT_TRUE(p().ReadByWords);
  ASSERT_TRUE(p().menu.numWords->isChecked());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    p().ReadByWords = true;
    EXPECT_EQ(spelled(unitAt(QString::fromUtf8(c.text), c.at)), QString::fromUtf8(c.byWord));
    p().ReadByWords = false;
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
  p().ime = &missing;
  const ReadingUnit u = unitAt(QStringLiteral("银行"), 1);
  EXPECT_EQ(u.initial, QString());
  EXPECT_EQ(u.rest, QString());
  EXPECT_EQ(u.tone, 5);
}

TEST_F(WordReadingTest, MenuItemTogglesAndTheSettingIsKept) {
  p().menu.numWords->trigger();
  EXPECT_FALSE(p().ReadByWords);
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
    MainWindow::Deps d;
    d.ui = &ui;
    d.settings = other.store.get();
    d.ime = &ime;
    d.words = &words;
    MainWindow again(d);
    again.formLoad();
    EXPECT_EQ(again.program().ReadByWords, c.on);
    EXPECT_EQ(again.program().menu.numWords->isChecked(), c.on);
  }
}

}  // namespace
