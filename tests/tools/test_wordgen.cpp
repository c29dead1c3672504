// SPDX-License-Identifier: GPL-3.0-or-later
// The generator of the word-reading table on small inputs: traditional
// phrases through OpenCC, readings fitted to the pinyin dictionary and the
// 2013 standard, the reviewed additions, reproducible output.
#include <gtest/gtest.h>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "support/qt_print.h"

namespace {

class WordGen : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    write("terra.dict.yaml",
          "# Rime dictionary\n---\nname: terra_pinyin\nversion: \"2021.08.05\"\n...\n\n"
          "行\txing2\n"      // one character: its weight
          "都\tdou1\t90%\n"  // the heavier reading, against the dictionary's order
          "都\tdu1\t10%\n"
          "首都\tshou3 du1\n"
          "銀行\tyin2 hang2\n"
          "研究\tyan2 jiu4\n"    // a Taiwan reading the standard does not give
          "頭髮\ttou2 fa5\n"     // neutral tone of fa1 or fa4: undecided
          "大家\tda4 gu1\t0%\n"  // marked wrong
          "重新\tchong2 xin1\n"
          "體重\tti3 zhong4\n"
          "行長\thang2 zhang3\t20%\n"
          "行長\txing2 chang2\t80%\n"  // the heavier reading wins
          "一下\tyi2 xia4\n"           // 一 keeps its own reading: nothing differs
          "銀行家\tyin2 hang2 jia1\n");
    write("pinyin.txt",
          "# Chimepad pinyin dictionary\n"
          "银\tyin2\n行\txing2 hang2\n长\tchang2 zhang3\n大\tda4\n研\tyan2\n究\tjiu1 jiu4\n"
          "头\ttou2\n发\tfa1 fa4\n家\tjia1\n姑\tgu1\n一\tyi1 yi2 yi4\n下\txia4\n重\tzhong4 chong2\n"
          "新\txin1\n体\tti3\n都\tdu1 dou1\n首\tshou3\n");
    write("dict.txt", "银行 500 n\n行长 20 n\n都 1000 d\n首都 50 ns\nAT&T 3 nz\n体重 40 n\n");
    write("Unihan_Readings.txt", "U+7A76\tkTGHZ2013\t123.456:jiū\n");
  }
  void write(const QString& name, const QByteArray& text) {
    QFile f(dir.filePath(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
  }
  // Runs the generator; its exit code, the table's lines below the header
  // and what it printed.
  int run(const QByteArray& additions, QStringList* lines, QString* messages = nullptr) {
    write("additions.txt", additions);
    QProcess p;
    p.start(
        QStringLiteral(WORDGEN_EXE),
        {QStringLiteral("--opencc"), QStringLiteral(OPENCC_EXE), QStringLiteral("t2s.json"),
         QStringLiteral("--frequencies"), dir.filePath("dict.txt"), dir.filePath("terra.dict.yaml"),
         dir.filePath("pinyin.txt"), dir.filePath("Unihan_Readings.txt"),
         dir.filePath("additions.txt"), dir.filePath("words.txt")});
    EXPECT_TRUE(p.waitForFinished(60000));
    if (messages) *messages = QString::fromLocal8Bit(p.readAllStandardError());
    QFile f(dir.filePath("words.txt"));
    if (lines && f.open(QIODevice::ReadOnly)) {
      const QString text = QString::fromUtf8(f.readAll());
      EXPECT_TRUE(text.startsWith(QLatin1String("# Chimepad word readings\n")));
      for (const QString& l : text.split(u'\n', Qt::SkipEmptyParts))
        if (!l.startsWith(u'#')) *lines << l;
    }
    return p.exitCode();
  }
  QTemporaryDir dir;
};

// Every word of the frequency list and of the phrase dictionary, with its
// count; readings only where they differ from the characters' own lines,
// which give each character its most frequent reading.
TEST_F(WordGen, KeepsEveryWordWithItsCountAndTheReadingsThatDiffer) {
  QStringList lines;
  ASSERT_EQ(run("长大 zhang3 da4\n体重\n", &lines), 0);
  const QStringList expected = {
      QStringLiteral("一\tyi1\t1"),
      QStringLiteral("一下\t1"),  // 一 keeps its own reading
      QStringLiteral("下\txia4\t1"),
      QStringLiteral("发\tfa1\t1"),
      QStringLiteral("大\tda4\t1"),
      QStringLiteral("头\ttou2\t1"),
      QStringLiteral("头发\ttou2 fa5\t1"),  // a neutral tone is kept
      QStringLiteral("家\tjia1\t1"),
      QStringLiteral("新\txin1\t1"),
      QStringLiteral("行\txing2\t1"),
      QStringLiteral("行长\t20"),  // the heavier reading is the characters' own
      QStringLiteral("都\tdou1\t1000"),
      QStringLiteral("重\tzhong4\t1"),
      QStringLiteral("重新\tchong2 xin1\t1"),
      QStringLiteral("银\tyin2\t1"),
      QStringLiteral("银行\tyin2 hang2\t500"),
      QStringLiteral("银行家\tyin2 hang2 jia1\t1"),
      QStringLiteral("长\tchang2\t1"),
      QStringLiteral("长大\tzhang3 da4\t100"),  // an addition; 体重 is left out
      QStringLiteral("首\tshou3\t1"),
      QStringLiteral("首都\tshou3 du1\t50"),
  };
  QStringList sorted = expected;
  sorted.sort();
  EXPECT_EQ(lines, sorted);

  // The same inputs give the same bytes.
  QFile first(dir.filePath("words.txt"));
  ASSERT_TRUE(first.open(QIODevice::ReadOnly));
  const QByteArray before = first.readAll();
  first.close();
  ASSERT_EQ(run("长大 zhang3 da4\n体重\n", nullptr), 0);
  QFile second(dir.filePath("words.txt"));
  ASSERT_TRUE(second.open(QIODevice::ReadOnly));
  EXPECT_EQ(second.readAll(), before);
}

TEST_F(WordGen, RefusesAdditionsThatDoNotFitWithTheirLineNumber) {
  struct Case {
    const char* additions;
    const char* message;
  } const cases[] = {
      {"# comment\n长大 zhang4 da4\n", "additions.txt:2:"},  // no such reading of 长
      {"银行 yin2 hang2\n", "already in the source"},
      {"大家\n", "not in the source"},    // left out already (0%)
      {"长大 zhang3\n", "does not fit"},  // one reading short
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.additions);
    QString messages;
    EXPECT_NE(run(c.additions, nullptr, &messages), 0);
    EXPECT_TRUE(messages.contains(QString::fromUtf8(c.message))) << messages.toStdString();
  }
}

}  // namespace
