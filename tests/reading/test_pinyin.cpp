// SPDX-License-Identifier: GPL-3.0-or-later
// Text to pinyin: the conversion over a scripted input method (modes,
// separators, trimming, skip marks, the candidate window, a missing input
// method) and over the dictionary the program installs.
#include <gtest/gtest.h>

#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QStringList>
#include <cstring>

#include "app/main_window.h"
#include "platform/cp936.h"
#include "platform/pinyin_dictionary_ime.h"
#include "reading/text_to_pinyin.h"
#include "support/test_window.h"

namespace {

// An input method manager that answers from a script and records what it
// was asked.
class ScriptedIme : public InputMethod {
 public:
  struct Entry {
    Layout layout;
    std::optional<QString> name;  // as written into the name buffer
  };
  std::vector<Entry> layouts{{0x04090409, std::nullopt},
                             {0xE0200804, QStringLiteral("微软拼音输入法")}};
  int maxKeyValue = 16;
  // Candidate lists by character; a character not listed has no reading.
  QHash<QString, QByteArray> lists;
  // Any character not listed gets this reading, when set.
  std::optional<QByteArray> readingForAll;
  bool failFetch = false;

  QStringList asked;  // characters sent for reverse conversion
  QList<Layout> namesAsked;
  int layoutListCalls = 0;

  void give(const QString& c, const QList<QByteArray>& candidates) {
    lists[c] = candidate_list::build(candidates);
  }

  QList<Layout> keyboardLayoutList() override {
    ++layoutListCalls;
    QList<Layout> out;
    for (const Entry& e : layouts) out << e.layout;
    return out;
  }
  std::optional<QString> imeName(Layout layout) override {
    namesAsked << layout;
    for (const Entry& e : layouts)
      if (e.layout == layout) return e.name;
    return std::nullopt;
  }
  int maxKey(Layout) override { return maxKeyValue; }
  quint32 reverseConversionList(Layout, QByteArrayView source, char* list,
                                quint32 length) override {
    const QString c = cp936::decode(source);
    if (length == 0) asked << c;
    QByteArray l = lists.value(c);
    if (l.isEmpty() && readingForAll) l = candidate_list::build({*readingForAll});
    if (l.isEmpty()) return 0;
    if (length == 0) return quint32(l.size());
    if (failFetch || length < quint32(l.size())) return 0;
    std::memcpy(list, l.constData(), size_t(l.size()));
    return quint32(l.size());
  }
};

class TextToPinyinTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ime.give(QStringLiteral("虎"), {"hu3"});
    ime.give(QStringLiteral("中"), {"zhong1", "zhong4"});
    ime.give(QStringLiteral("女"), {"nv3"});
  }
  QString convert(const QString& text, int mode, const QString& separator = QStringLiteral(" ")) {
    return TextToPinyin(&ime, missing, text, mode, separator);
  }
  ScriptedIme ime;
  bool missing = false;
};

TEST_F(TextToPinyinTest, ModesSeparatorsAndTrimming) {
  struct Case {
    QString text;
    int mode;
    QString separator;
    QString expected;
  };
  const Case cases[] = {
      {"虎a", 0, " ", "hu3 a "},
      {"虎a", 1, " ", "hu  "},  // the letter's piece is empty but keeps its separator
      {"虎a", 2, " ", "HA"},    // no separator in mode 2
      {"虎", 2, " ", "H"},
      {"中女", 0, "|", "zhong1|nv3|"},
      {"中女", 1, "", "zhongnv"},
      {"中女", 0, "--", "zhong1--nv3--"},
      {"  虎  ", 0, " ", "hu3 "},          // leading and trailing spaces dropped
      {"虎 中", 0, " ", "hu3   zhong1 "},  // an inner space stays, with its separator
      {"虎 中", 1, ",", "hu,,zhong,"},
      {"虎 中", 2, ",", "H Z"},
      {"7", 0, " ", "7 "},
      {"7", 1, " ", " "},
      {"x", 2, " ", "X"},
      {"\t虎", 0, " ", "\t hu3 "},  // only spaces are trimmed
      {"虎\r\n", 0, " ", "hu3 \r \n "},
      {"虎", 3, " ", ""},  // no other mode adds anything
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text.toStdString() + " mode " + std::to_string(c.mode));
    EXPECT_EQ(convert(c.text, c.mode, c.separator), c.expected);
  }
  EXPECT_FALSE(missing);
}

TEST_F(TextToPinyinTest, BlankTextAsksNothingAndLeavesTheFlag) {
  for (bool installed : {true, false}) {
    if (!installed) ime.layouts.clear();
    for (bool before : {false, true}) {
      for (const QString& text : {QString(), QStringLiteral("   ")}) {
        missing = before;
        ime.layoutListCalls = 0;
        EXPECT_EQ(convert(text, 0), QString());
        EXPECT_EQ(missing, before);
        EXPECT_EQ(ime.layoutListCalls, 0);
      }
    }
  }
}

TEST_F(TextToPinyinTest, MissingInputMethodGivesOneSpaceAndSetsTheFlag) {
  std::vector<ScriptedIme::Entry> beyondTheList;
  for (int i = 1; i <= 255; ++i) beyondTheList.push_back({InputMethod::Layout(i), std::nullopt});
  beyondTheList.push_back({256, QStringLiteral("微软拼音输入法")});
  struct Case {
    const char* what;
    std::vector<ScriptedIme::Entry> layouts;
  };
  const Case cases[] = {
      {"no layouts", {}},
      {"no input method", {{1, std::nullopt}, {2, std::nullopt}}},
      {"another input method", {{1, QStringLiteral("智能拼音输入法")}}},
      {"name with a version", {{1, QStringLiteral("微软拼音输入法 2007")}}},
      {"name contained", {{1, QStringLiteral("新微软拼音输入法")}}},
      {"name cut short", {{1, QStringLiteral("微软拼音输入")}}},
      {"beyond the 255 layouts listed", beyondTheList},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ime.layouts = c.layouts;
    for (int mode : {0, 1, 2}) {
      missing = false;
      EXPECT_EQ(convert(QStringLiteral("虎a"), mode), QStringLiteral(" "));
      EXPECT_TRUE(missing);
    }
    EXPECT_TRUE(ime.asked.isEmpty());
  }
  missing = false;
  EXPECT_EQ(TextToPinyin(nullptr, missing, QStringLiteral("虎"), 2, QStringLiteral(" ")),
            QStringLiteral(" "));
  EXPECT_TRUE(missing);
}

TEST_F(TextToPinyinTest, TheFlagIsNeverCleared) {
  missing = true;
  EXPECT_EQ(convert(QStringLiteral("虎"), 2), QStringLiteral("H"));
  EXPECT_TRUE(missing);
}

TEST_F(TextToPinyinTest, NameIsTrimmedOfPaddingAndNuls) {
  // The name buffer as the input method leaves it: 255 spaces overwritten
  // with the name and its terminating NUL.
  QString buffer = QStringLiteral("微软拼音输入法") + QChar(0);
  buffer += QString(255 - buffer.size(), u' ');
  for (const QString& name : {buffer, QStringLiteral("  微软拼音输入法  "),
                              QStringLiteral("微软拼音") + QChar(0) + QStringLiteral("输入法")}) {
    ime.layouts = {{7, name}};
    missing = false;
    EXPECT_EQ(convert(QStringLiteral("虎"), 0), QStringLiteral("hu3 "));
    EXPECT_FALSE(missing);
  }
}

TEST_F(TextToPinyinTest, FirstMatchingLayoutIsUsedAndTheWalkStopsThere) {
  ime.layouts = {{1, QStringLiteral("全拼")},
                 {2, std::nullopt},
                 {3, QStringLiteral("微软拼音输入法")},
                 {4, QStringLiteral("微软拼音输入法")}};
  convert(QStringLiteral("虎"), 0);
  EXPECT_EQ(ime.namesAsked, (QList<InputMethod::Layout>{1, 2, 3}));
}

TEST_F(TextToPinyinTest, SkipMarksAreNeverSentToTheInputMethod) {
  ime.readingForAll = QByteArray("zz1");
  ASSERT_EQ(PinyinSkipMarks.size(), 49);
  for (const QChar mark : PinyinSkipMarks) {
    SCOPED_TRACE(QString(mark).toStdString());
    EXPECT_EQ(convert(QString(mark) + QStringLiteral("虎"), 0),
              QString(mark) + QStringLiteral(" hu3 "));
    EXPECT_EQ(convert(QString(mark), 2), QString(mark));
  }
  EXPECT_EQ(ime.asked, QStringList(PinyinSkipMarks.size(), QStringLiteral("虎")));
}

TEST_F(TextToPinyinTest, OnlyDoubleByteCharactersAreSent) {
  ime.readingForAll = QByteArray("zz1");
  // Double-byte in the code page yet no skip mark: sent.
  for (const QString& c :
       {QStringLiteral("★"), QStringLiteral("Ａ"), QStringLiteral("é"), QStringLiteral("〇")}) {
    ime.asked.clear();
    EXPECT_EQ(convert(c, 0), QStringLiteral("zz1 ")) << c.toStdString();
    EXPECT_EQ(ime.asked, QStringList{c});
  }
  // Single-byte, or not in the code page at all: read as themselves.
  ime.asked.clear();
  EXPECT_EQ(convert(QStringLiteral("a7~ก"), 0), QStringLiteral("a 7 ~ ก "));
  EXPECT_EQ(convert(QStringLiteral("a7~ก"), 2), QStringLiteral("A7~ก"));
  EXPECT_TRUE(ime.asked.isEmpty());
}

TEST_F(TextToPinyinTest, CharacterWithoutReadingReadsAsItself) {
  // Double-byte and sent, but the input method has nothing for it.
  EXPECT_EQ(convert(QStringLiteral("★虎"), 0), QStringLiteral("★ hu3 "));
  EXPECT_EQ(convert(QStringLiteral("★"), 1), QStringLiteral(" "));
  EXPECT_EQ(convert(QStringLiteral("ａ"), 2), QStringLiteral("Ａ"));
  // A failing step leaves the character unconverted too.
  ime.maxKeyValue = 0;
  EXPECT_EQ(convert(QStringLiteral("虎"), 0), QStringLiteral("虎 "));
  ime.maxKeyValue = 16;
  ime.failFetch = true;
  EXPECT_EQ(convert(QStringLiteral("虎"), 0), QStringLiteral("虎 "));
}

TEST_F(TextToPinyinTest, CharacterBeyondTheCodePageStaysWhole) {
  const QString face = QString::fromUcs4(U"\U0001F600");
  EXPECT_EQ(convert(face + QStringLiteral("虎"), 0), face + QStringLiteral(" hu3 "));
  EXPECT_EQ(convert(face, 1), QStringLiteral(" "));
  EXPECT_EQ(convert(face, 2), face);
  // A letter of a script with case beyond the basic plane is upper-cased whole.
  EXPECT_EQ(convert(QString::fromUcs4(U"\U00010428"), 2), QString::fromUcs4(U"\U00010400"));
  EXPECT_EQ(ime.asked, QStringList{QStringLiteral("虎")});
}

TEST_F(TextToPinyinTest, OnlyTheFirstCandidateIsRead) {
  ime.give(QStringLiteral("长"), {"chang2", "zhang3"});
  EXPECT_EQ(convert(QStringLiteral("长"), 0), QStringLiteral("chang2 "));
  EXPECT_EQ(convert(QStringLiteral("长"), 1), QStringLiteral("chang "));
  EXPECT_EQ(convert(QStringLiteral("长"), 2), QStringLiteral("C"));
}

TEST_F(TextToPinyinTest, CandidateWindowIsTwiceTheMaximumKeyLength) {
  ime.give(QStringLiteral("庄"), {"zhuang1"});
  ime.give(QStringLiteral("空"), {"  kong1  "});
  ime.give(QStringLiteral("无"), {""});
  struct Case {
    int maxKey;
    QString text;
    QString expected;
  };
  const Case cases[] = {
      {16, "庄", "zhuang1 "}, {4, "庄", "zhuang1 "},  // 8 bytes hold the 7 letters and the NUL
      {3, "庄", "zhuang "},                           // cut to 6 bytes
      {1, "庄", "zh "},       {16, "空", "kong1 "},   // spaces trimmed
      {2, "空", "ko "},                               // "  ko" trimmed
      {1, "空", ""},   // only spaces: empty reading, nothing appended
      {16, "无", ""},  // empty candidate: not even the separator
      {16, "无虎", "hu3 "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text.toStdString() + " M=" + std::to_string(c.maxKey));
    ime.maxKeyValue = c.maxKey;
    EXPECT_EQ(convert(c.text, 0), c.expected);
  }
}

TEST_F(TextToPinyinTest, CandidateIsReadInTheCodePage) {
  ime.give(QStringLiteral("虎"), {cp936::encode(u"hǔ")});
  EXPECT_EQ(convert(QStringLiteral("虎"), 0), QStringLiteral("hǔ "));
}

TEST_F(TextToPinyinTest, ListLongerThanTheBufferIsReadSafely) {
  // 70 candidates: the list needs more than 255 bytes and its first
  // candidate lies beyond byte 255.
  QList<QByteArray> many{"duo1"};
  for (int i = 1; i < 70; ++i) many << "zzzz" + QByteArray::number(i % 4 + 1);
  ime.give(QStringLiteral("多"), many);
  ASSERT_GT(ime.lists[QStringLiteral("多")].size(), 255);
  EXPECT_EQ(convert(QStringLiteral("多"), 0), QStringLiteral("duo1 "));
}

// The dictionary the build installs beside the program.
class DictionaryPinyinTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ime_ = new PinyinDictionaryIme({QStringLiteral(CHIMEPAD_BIN_DIR "/pinyin.txt")});
  }
  static void TearDownTestSuite() { delete ime_; }
  QString convert(const QString& text, int mode) {
    return TextToPinyin(ime_, missing, text, mode, QStringLiteral(" ")).trimmed();
  }
  static PinyinDictionaryIme* ime_;
  bool missing = false;
};
PinyinDictionaryIme* DictionaryPinyinTest::ime_ = nullptr;

TEST_F(DictionaryPinyinTest, ProbeFindsTheInstalledDictionary) {
  EXPECT_EQ(convert(QStringLiteral("虎"), 2), QStringLiteral("H"));
  EXPECT_FALSE(missing);
}

TEST_F(DictionaryPinyinTest, ReadingsOfCharacters) {
  const std::pair<const char16_t*, const char*> cases[] = {
      // plain
      {u"虎", "hu3"},
      {u"中", "zhong1"},
      {u"国", "guo2"},
      {u"人", "ren2"},
      {u"儿", "er2"},
      {u"爱", "ai4"},
      {u"一", "yi1"},
      {u"不", "bu4"},
      {u"双", "shuang1"},
      {u"窗", "chuang1"},
      {u"嗯", "n2"},
      // ü: v alone, ue after n and l, u after j q x y
      {u"女", "nv3"},
      {u"绿", "lv4"},
      {u"吕", "lv3"},
      {u"略", "lue4"},
      {u"虐", "nue4"},
      {u"居", "ju1"},
      {u"去", "qu4"},
      {u"学", "xue2"},
      {u"鱼", "yu2"},
      {u"云", "yun2"},
      {u"月", "yue4"},
      {u"圈", "quan1"},
      // neutral tone
      {u"的", "de5"},
      {u"了", "le5"},
      {u"吗", "ma5"},
      {u"们", "men5"},
      // overridden: the reading of the character alone
      {u"子", "zi3"},
      {u"地", "di4"},
      {u"似", "si4"},
      {u"长", "chang2"},
      {u"迹", "ji4"},
      {u"罗", "luo2"},
      {u"佛", "fo2"},
      {u"著", "zhu4"},
      {u"茄", "qie2"},
      {u"脏", "zang1"},
      // heteronyms that keep their usual reading
      {u"行", "xing2"},
      {u"还", "hai2"},
      {u"重", "zhong4"},
      {u"乐", "le4"},
      {u"都", "dou1"},
      // the round zero; a compatibility ideograph through its unified twin
      {u"〇", "ling2"},
      {u"\uF92C", "lang2"},
  };
  for (const auto& [c, reading] : cases) {
    const QString ch = QString::fromUtf16(c);
    const QString r = QString::fromLatin1(reading);
    SCOPED_TRACE(ch.toStdString());
    EXPECT_EQ(convert(ch, 0), r);
    EXPECT_EQ(convert(ch, 1), r.chopped(1));
    EXPECT_EQ(convert(ch, 2), r.left(1).toUpper());
  }
  EXPECT_FALSE(missing);
}

TEST_F(DictionaryPinyinTest, EveryGb2312CharacterHasAWellFormedReading) {
  // Both levels of GB2312 (6,763 characters), spelled as the syllable table
  // expects: v only as the final of n and l, ue only after j q x y n l.
  static const QRegularExpression form(QStringLiteral("^([a-z]+)([1-5])$"));
  int checked = 0;
  for (int lead = 0xB0; lead <= 0xF7; ++lead) {
    for (int trail = 0xA1; trail <= 0xFE; ++trail) {
      if (lead == 0xD7 && trail > 0xF9) continue;
      const QChar c(cp936::decodePair(uchar(lead), uchar(trail)));
      SCOPED_TRACE(QString(c).toStdString());
      const QString full = convert(c, 0);
      const auto m = form.match(full);
      ASSERT_TRUE(m.hasMatch()) << full.toStdString();
      const QString letters = m.captured(1);
      if (letters.contains(u'v')) {
        EXPECT_TRUE(letters == u"nv" || letters == u"lv") << full.toStdString();
      }
      if (letters.endsWith(u"ue")) {
        EXPECT_TRUE(QStringLiteral("jqxynl").contains(letters.front())) << full.toStdString();
      }
      EXPECT_EQ(convert(c, 1), letters);
      EXPECT_EQ(convert(c, 2), letters.left(1).toUpper());
      ++checked;
    }
  }
  EXPECT_EQ(checked, 6763);
}

TEST(MainWindowPinyin, MakesTheDictionaryInputMethodWhenNoneIsGiven) {
  ScriptedUi ui;
  TempSettings temp;
  MainWindow w(WindowDeps(ui, *temp.store));
  auto* ime = dynamic_cast<PinyinDictionaryIme*>(w.program().reading.ime);
  ASSERT_NE(ime, nullptr);
  EXPECT_TRUE(ime->loadedFrom().isEmpty());  // nothing read before reading starts
}

}  // namespace
