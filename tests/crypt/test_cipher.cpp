// SPDX-License-Identifier: GPL-3.0-or-later
// The cipher as plain functions: vectors worked out by hand from the code
// page, round trips, refusals and the save-and-reopen path.
#include <gtest/gtest.h>

#include <QStringList>

#include "app/text_file.h"
#include "crypt/cipher.h"
#include "platform/cp936.h"
#include "platform/edit_control.h"

using namespace cipher;

namespace {

const QString M = QStringLiteral("Kestrovanlabiii//");
const QString kBlockA = QStringLiteral("Kestrovanlab//{1.00}&&81180") +
                        QStringLiteral("98?{'}?231") + QStringLiteral("123000Qz南无阿弥陀佛");

QString u(std::initializer_list<char16_t> units) {
  QString s;
  for (char16_t c : units) s.append(QChar(c));
  return s;
}

// What a save followed by an open gives back, through the program's own
// file format: the text written as it stands, read back with CR LF after
// every line.
QString saveAndReopen(const QString& text) {
  return textfile::decodeDocument(textfile::encodeDocument(text));
}

}  // namespace

TEST(CipherCodes, FollowCodePage936) {
  EXPECT_EQ(code(u'A'), 65);
  EXPECT_EQ(code(u'\r'), 13);
  EXPECT_EQ(code(u'中'), 0xD6D0 - 65536);
  EXPECT_EQ(code(u'€'), 0x80);
  EXPECT_EQ(code(u'\u0E01'), '?');  // not in the code page: the code of its replacement
  EXPECT_EQ(character(0x80), u'€');
  EXPECT_EQ(character(0xD6D8 - 65536), u'重');
  EXPECT_EQ(character(0x81), u'\uFFFD');  // a lone lead byte
  EXPECT_EQ(character(0xD6FF - 65536), u'\uFFFD');
}

TEST(CipherVectors, ByHand) {
  struct Case {
    const char* what;
    QString plain;
    QString password;
    QString expected;
  };
  const QString header = QStringLiteral("Kestrovanlab//{1.00}&&81180");
  const QString trailer = QStringLiteral("123000Qz南无阿弥陀佛");
  const std::vector<Case> cases = {
      {"ascii shifted", QStringLiteral("abc"), QStringLiteral("a"),
       kBlockA + QStringLiteral("ijk")},
      {"punctuation, space, w onto DEL", QStringLiteral("Hello, w!"), QStringLiteral("a"),
       kBlockA + QStringLiteral("Pmttw4(") + QChar(0x7F) + QStringLiteral(")")},
      {"x onto the euro sign", QStringLiteral("x"), QStringLiteral("a"),
       kBlockA + QStringLiteral("€")},
      {"y and z escaped", QStringLiteral("yz"), QStringLiteral("a"), kBlockA + M + "y" + M + "z"},
      {"line break shifted", QStringLiteral("1\r\n"), QStringLiteral("a"),
       kBlockA + u({'9', 0x15, 0x12})},
      {"chinese shifted", QStringLiteral("中好"), QStringLiteral("a"),
       kBlockA + QStringLiteral("重核")},
      {"chinese escaped (trail byte leaves its range)", QStringLiteral("主筑"), QStringLiteral("a"),
       kBlockA + M + QStringLiteral("主") + M + QStringLiteral("筑")},
      {"euro escaped (would land on a lead byte)", QStringLiteral("€"), QStringLiteral("a"),
       kBlockA + M + QStringLiteral("€")},
      {"outside the code page escaped", QStringLiteral("\u0E01"), QStringLiteral("a"),
       kBlockA + M + QStringLiteral("\u0E01")},
      {"surrogate pair escaped unit by unit", QStringLiteral("\U0001F600"), QStringLiteral("a"),
       kBlockA + M + u({0xD83D}) + M + u({0xDE00})},
      {"empty text", QString(), QStringLiteral("a"), kBlockA},
      {"password with spaces", QString(), QStringLiteral(" a b"),
       header + QStringLiteral("33?{'}?23199?{'}?23235?{'}?233102?{'}?234") + trailer},
      {"chinese password: negative groups", QString(), QStringLiteral("密码"),
       header + QStringLiteral("-15395?{'}?231-15635?{'}?232") + trailer},
      // The three characters that would shift onto CR, LF and space are escaped.
      {"no raw CR, LF or space", u({0x05, 0x02, 0x18}), QStringLiteral("a"),
       kBlockA + M + u({0x05}) + M + u({0x02}) + M + u({0x18})},
      // Shifted units that would spell the escape marker: the first is escaped.
      {"would spell the marker", QStringLiteral("xC]kljgnYfdYZaaa''C"), QStringLiteral("a"),
       kBlockA + QStringLiteral("€") + M + QStringLiteral("Cestrovanlabiii//K")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const QString enc = encrypt(c.plain, c.password);
    EXPECT_EQ(enc, c.expected);
    EXPECT_EQ(decrypt(enc, c.password), c.plain);
  }
  EXPECT_EQ(passwordBlock(QStringLiteral("a")), kBlockA);
}

TEST(CipherRoundTrip, TableOfTexts) {
  QString everyUnit;
  for (int c = 0; c < 65536; ++c) everyUnit.append(QChar(static_cast<char16_t>(c)));
  const QStringList texts = {
      QString(),
      QStringLiteral("妙音朗读器\r\n第二行 with ASCII, 数字 0123456789.\r\n"),
      QStringLiteral("xyz{|}~ \t\r\n\r\n"),
      QStringLiteral("Kestrovanlabiii//"),  // the marker itself as plain text
      QStringLiteral("Kestrovanlab//{1.00}&&81180 looks like a header"),
      QStringLiteral("主筑€\U0001F600\u0E01?"),
      everyUnit,
  };
  const QStringList passwords = {QStringLiteral("a"), QStringLiteral(" pass word "),
                                 QStringLiteral("密码12")};
  for (const QString& password : passwords) {
    for (const QString& text : texts) {
      const QString enc = encrypt(text, password);
      const QString body = enc.mid(passwordBlock(password).size());
      EXPECT_FALSE(body.contains(QLatin1Char('\r')) || body.contains(QLatin1Char('\n')) ||
                   body.contains(QLatin1Char(' ')));
      const auto dec = decrypt(enc, password);
      ASSERT_TRUE(dec.has_value());
      EXPECT_TRUE(*dec == text) << "text of length " << text.size() << ", password "
                                << password.toStdString();
    }
  }
}

TEST(CipherDecrypt, RefusesAnyOtherPassword) {
  const QString enc = encrypt(QStringLiteral("secret 秘密"), QStringLiteral("Key"));
  EXPECT_FALSE(decrypt(enc, QStringLiteral("key")));   // case of a letter
  EXPECT_FALSE(decrypt(enc, QStringLiteral("Ke")));    // a prefix
  EXPECT_FALSE(decrypt(enc, QStringLiteral("Key ")));  // not trimmed
  EXPECT_FALSE(decrypt(enc, QString()));
  EXPECT_FALSE(decrypt(QStringLiteral("plain text without the header"), QStringLiteral("Key")));
  EXPECT_FALSE(decrypt(enc.left(20), QStringLiteral("Key")));  // shorter than the block
  EXPECT_FALSE(decrypt(enc.toLower(), QStringLiteral("Key")));
  EXPECT_TRUE(decrypt(enc, QStringLiteral("Key")));
}

TEST(CipherDecrypt, DoubleEncryptionOuterPasswordFirst) {
  const QString plain = QStringLiteral("两层 two layers");
  const QString twice = encrypt(encrypt(plain, QStringLiteral("inner")), QStringLiteral("outer"));
  EXPECT_FALSE(decrypt(twice, QStringLiteral("inner")));
  const auto once = decrypt(twice, QStringLiteral("outer"));
  ASSERT_TRUE(once);
  EXPECT_EQ(decrypt(*once, QStringLiteral("inner")), plain);
}

TEST(CipherDecrypt, SurvivesSaveAndReopen) {
  const QStringList texts = {QString(), QStringLiteral("文本\r\n"),
                             QStringLiteral("a\r\nb\r\n\r\n中文 yz"), u({0x05, 0x02, 0x05}),
                             u({'x', 0x18})};
  for (const QString& plain : texts) {
    const QString enc = encrypt(plain, QStringLiteral("pw"));
    // Through the edit control, then saved and opened twice.
    EditControl control;
    control.setText(enc);
    ASSERT_EQ(control.Text(), enc);
    const QString reopened = saveAndReopen(saveAndReopen(control.Text()));
    ASSERT_NE(reopened, enc);
    EXPECT_EQ(decrypt(reopened, QStringLiteral("pw")), plain);
    // What another editor may leave after the text: line breaks and spaces.
    for (const char* tail : {"\n", "\r", " ", "  ", "\r\n \n", " \r\n\r\n", "\n\r"}) {
      SCOPED_TRACE(testing::PrintToString(std::string(tail)));
      EXPECT_EQ(decrypt(enc + QLatin1String(tail), QStringLiteral("pw")), plain);
      EXPECT_EQ(decrypt(reopened + QLatin1String(tail), QStringLiteral("pw")), plain);
    }
  }
}

TEST(CipherDecrypt, MarkerAtTheEndOfTheBody) {
  std::vector<double> reported;
  const auto dec = decrypt(kBlockA + QStringLiteral("ijk") + M, QStringLiteral("a"),
                           [&](double v) { reported.push_back(v); });
  EXPECT_EQ(dec, QStringLiteral("abc"));
  ASSERT_FALSE(reported.empty());
  for (double v : reported) {
    EXPECT_GE(v, 0.0);
    EXPECT_LE(v, 100.0);
  }
}

TEST(CipherProgress, StartsAtZeroEndsAtHundredAndRises) {
  const QString text(300000, QChar(u'字'));
  std::vector<double> reported;
  const QString enc = encrypt(text, QStringLiteral("p"), [&](double v) { reported.push_back(v); });
  ASSERT_GE(reported.size(), 3u);
  EXPECT_EQ(reported.front(), 0.0);
  EXPECT_EQ(reported.back(), 100.0);
  EXPECT_TRUE(std::is_sorted(reported.begin(), reported.end()));
  reported.clear();
  ASSERT_TRUE(decrypt(enc, QStringLiteral("p"), [&](double v) { reported.push_back(v); }));
  ASSERT_GE(reported.size(), 3u);
  EXPECT_EQ(reported.front(), 0.0);
  EXPECT_EQ(reported.back(), 100.0);
  // A refused password starts no work.
  reported.clear();
  EXPECT_FALSE(decrypt(enc, QStringLiteral("q"), [&](double v) { reported.push_back(v); }));
  EXPECT_TRUE(reported.empty());
}

TEST(CipherPassword, BlankMeansOnlySpaces) {
  EXPECT_TRUE(isBlankPassword(QString()));
  EXPECT_TRUE(isBlankPassword(QStringLiteral("   ")));
  EXPECT_FALSE(isBlankPassword(QStringLiteral(" a ")));
  EXPECT_FALSE(isBlankPassword(QStringLiteral("\t")));
}
