// SPDX-License-Identifier: GPL-3.0-or-later
// The code page 936 codec: a table of cases, and the whole table against
// glibc's converter where the two agree on what the code page holds.
#include <gtest/gtest.h>
#include <iconv.h>

#include <QByteArray>
#include <QString>

#include "platform/cp936.h"

namespace {

QByteArray bytes(std::initializer_list<int> b) {
  QByteArray out;
  for (int x : b) out.append(static_cast<char>(x));
  return out;
}

}  // namespace

TEST(Cp936, DecodesATableOfCases) {
  struct Case {
    QByteArray in;
    QString out;
    bool ok;
  };
  const Case cases[] = {
      {bytes({}), QString(), true},
      {"abc\r\n", "abc\r\n", true},
      {bytes({0x80}), QStringLiteral("€"), true},  // the euro sign of Windows
      {bytes({0xD6, 0xD0, 0xCE, 0xC4}), QStringLiteral("中文"), true},
      {bytes({0x81, 0x40}), QStringLiteral("丂"), true},  // the GBK extension
      {bytes({0xA1, 0xA4}), QStringLiteral("·"), true},
      {bytes({0xAA, 0xA1}), QString(QChar(0xE000)), true},  // user-defined area
      {bytes({0xFF}), QString(QChar(0xF8F5)), true},
      {bytes({0x41, 0xD6}), QStringLiteral("A\uFFFD"), false},  // a lead byte alone at the end
      {bytes({0xD6, 0x0D, 0x0A}), QStringLiteral("\uFFFD\r\n"), false},
      {bytes({0x81, 0x7F, 0x41}),
       QStringLiteral("\uFFFD\x7F"
                      "A"),
       false},
      {bytes({0xC4, 0xE3, 0xBA}), QStringLiteral("你\uFFFD"), false},
  };
  for (const Case& c : cases) {
    bool ok = !c.ok;
    EXPECT_EQ(cp936::decode(c.in, &ok), c.out) << c.in.toHex().constData();
    EXPECT_EQ(ok, c.ok) << c.in.toHex().constData();
  }
  // A converter's sticky error does not leak into the next call.
  bool ok = false;
  EXPECT_EQ(cp936::decode("ok", &ok), "ok");
  EXPECT_TRUE(ok);
}

TEST(Cp936, EncodesATableOfCases) {
  struct Case {
    QString in;
    QByteArray out;
    qsizetype firstBad;
  };
  const Case cases[] = {
      {QString(), QByteArray(), -1},
      {QStringLiteral("€"), bytes({0x80}), -1},
      {QStringLiteral("中文A"), bytes({0xD6, 0xD0, 0xCE, 0xC4, 0x41}), -1},
      {QStringLiteral("丂"), bytes({0x81, 0x40}), -1},
      {QString(QChar(0xF8F5)), bytes({0xFF}), -1},
      {QStringLiteral("a😀b"), "a?b", 1},     // one character, one replacement
      {QStringLiteral("x\u0080"), "x?", 1},  // a C1 control the code page lacks
      {QStringLiteral("한국"), "??", 0},     // Hangul is not in GBK
      {QStringLiteral("ab") + QChar(0xD800) + QStringLiteral("c"), "ab?c", 2},  // a lone surrogate
      {QStringLiteral("?"), "?", -1},
  };
  for (const Case& c : cases) {
    qsizetype bad = 99;
    EXPECT_EQ(cp936::encode(c.in, &bad), c.out) << c.in.toStdString();
    EXPECT_EQ(bad, c.firstBad) << c.in.toStdString();
  }
  bool ok = false;
  EXPECT_EQ(cp936::encodeChar(u'中', &ok), bytes({0xD6, 0xD0}));
  EXPECT_TRUE(ok);
  EXPECT_EQ(cp936::encodeChar(u'€', &ok), bytes({0x80}));
  EXPECT_EQ(cp936::encodeChar(u'\u00E9', &ok), bytes({0xA8, 0xA6}));
  EXPECT_EQ(cp936::encodeChar(u'\uAC00', &ok), "?");
  EXPECT_FALSE(ok);
  EXPECT_EQ(cp936::decodePair(0xD6, 0xD0), u'中');
  EXPECT_EQ(cp936::decodePair(0x41, 0x41), u'\uFFFD');
  EXPECT_EQ(cp936::decodeSingle(0x80), u'€');
}

TEST(Cp936, AgreesWithGlibcOutsideTheUserDefinedAreas) {
  // Windows maps the user-defined and unassigned cells to private-use
  // characters (and 0xFF to U+F8F5), glibc leaves them out; everywhere
  // else the two tables must be the same.
  auto isPrivate = [](char32_t c) { return c >= 0xE000 && c <= 0xF8FF; };
  iconv_t enc = iconv_open("CP936", "UTF-16LE");
  iconv_t dec = iconv_open("UTF-16LE", "CP936");
  ASSERT_NE(enc, iconv_t(-1));
  ASSERT_NE(dec, iconv_t(-1));
  int mismatches = 0;
  for (char32_t c = 0; c < 0x10000; ++c) {
    if ((c >= 0xD800 && c < 0xE000) || isPrivate(c)) continue;
    char16_t u = char16_t(c);
    char* in = reinterpret_cast<char*>(&u);
    size_t inLeft = 2;
    char out[8];
    char* o = out;
    size_t outLeft = sizeof out;
    iconv(enc, nullptr, nullptr, nullptr, nullptr);
    const bool theirs = iconv(enc, &in, &inLeft, &o, &outLeft) != size_t(-1);
    qsizetype bad = -1;
    const QByteArray mine = cp936::encode(QStringView(&u, 1), &bad);
    if (theirs != (bad < 0) || (theirs && mine != QByteArray(out, o - out))) {
      if (++mismatches < 10) ADD_FAILURE() << "U+" << std::hex << unsigned(c);
    }
  }
  for (int lead = 0x81; lead <= 0xFE; ++lead) {
    for (int trail = 0x40; trail <= 0xFE; ++trail) {
      const char pair[2] = {char(lead), char(trail)};
      bool ok = false;
      const QString mine = cp936::decode(QByteArrayView(pair, 2), &ok);
      if (ok && mine.size() == 1 && isPrivate(mine[0].unicode())) continue;
      char* in = const_cast<char*>(pair);
      size_t inLeft = 2;
      char16_t out[4];
      char* o = reinterpret_cast<char*>(out);
      size_t outLeft = sizeof out;
      iconv(dec, nullptr, nullptr, nullptr, nullptr);
      const bool theirs = iconv(dec, &in, &inLeft, &o, &outLeft) != size_t(-1) && inLeft == 0;
      const bool same =
          theirs ? ok && mine == QString::fromUtf16(out, (sizeof out - outLeft) / 2) : !ok;
      if (!same && ++mismatches < 10) ADD_FAILURE() << std::hex << lead << " " << trail;
    }
  }
  iconv_close(enc);
  iconv_close(dec);
  EXPECT_EQ(mismatches, 0);
}

TEST(Cp936, EveryValidSequenceComesBackAsTheSameBytes) {
  // Opening and saving a file unchanged must give the same bytes.
  for (int b = 0; b < 0x10000; ++b) {
    QByteArray in;
    if (b < 0x100) {
      if (cp936::isLeadByte(static_cast<unsigned char>(b))) continue;
      in.append(char(b));
    } else {
      if (!cp936::isLeadByte(static_cast<unsigned char>(b >> 8))) continue;
      in.append(char(b >> 8)).append(char(b & 0xFF));
    }
    bool ok = false;
    const QString s = cp936::decode(in, &ok);
    if (!ok || s.size() != 1) continue;
    qsizetype bad = 0;
    ASSERT_EQ(cp936::encode(s, &bad), in) << std::hex << b;
    ASSERT_EQ(bad, -1);
  }
}
