// SPDX-License-Identifier: GPL-3.0-or-later
// File encodings: which one a file is found to have, and invalid bytes kept
// through decoding and encoding again.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QString>

#include "platform/cp936.h"
#include "platform/text_encoding.h"

namespace {

using textenc::Encoding;

QString kept(int byte) { return QString(QChar(char16_t(0xDC00 + byte))); }

TEST(TextEncoding, DetectsTheEncodingOfAFile) {
  struct Case {
    QByteArray in;
    Encoding enc;
  };
  const Case cases[] = {
      {"", Encoding::Gbk},
      {"plain ascii\n", Encoding::Gbk},  // nothing tells: code page 936
      {QStringLiteral("中文").toUtf8(), Encoding::Utf8},
      {cp936::encode(u"中文\r\n"), Encoding::Gbk},
      {cp936::encode(u"妙音朗读器读出文字"), Encoding::Gbk},
      {"\xEF\xBB\xBF", Encoding::Utf8Bom},
      {"\xEF\xBB\xBF"
       "a\xFF",
       Encoding::Utf8Bom},  // a mark decides, even over bad bytes
      {QByteArray("\xFF\xFE"
                  "a\0",
                  4),
       Encoding::Utf16Le},
      {QByteArray("\xFE\xFF\0a", 4), Encoding::Utf16Be},
      {QStringLiteral("中文").toUtf8() + "\xFF", Encoding::Gbk},  // not valid UTF-8
      {"\xC0\xAF", Encoding::Gbk},                                // an overlong form
      {"\xED\xA0\x80", Encoding::Gbk},                            // an encoded surrogate
      {"\xF4\x90\x80\x80", Encoding::Gbk},                        // past U+10FFFF
      {QStringLiteral("中").toUtf8().left(2), Encoding::Gbk},     // cut short
      // The known risk: a very short code-page text that is valid UTF-8.
      {QByteArray("\xC4\xA3"), Encoding::Utf8},
  };
  for (const Case& c : cases) EXPECT_EQ(textenc::detect(c.in), c.enc) << c.in.toHex().constData();
}

// Every invalid byte becomes one kept unit and is written back as itself;
// valid text around it is untouched.
TEST(TextEncoding, InvalidBytesAreKept) {
  struct Case {
    Encoding enc;
    QByteArray in;
    QString text;
  };
  const Case cases[] = {
      {Encoding::Gbk, "\x81", kept(0x81)},
      {Encoding::Gbk, "a\x81\r\n", "a" + kept(0x81) + "\r\n"},
      {Encoding::Gbk, "\xD6\xD0\xD6", QStringLiteral("中") + kept(0xD6)},
      {Encoding::Utf8, "a\xC3(b", "a" + kept(0xC3) + "(b"},
      {Encoding::Utf8, "\xED\xA0\x80", kept(0xED) + kept(0xA0) + kept(0x80)},
      {Encoding::Utf8, "\xE4\xB8", kept(0xE4) + kept(0xB8)},
      {Encoding::Utf8Bom,
       "\xEF\xBB\xBF\xFF"
       "x",
       kept(0xFF) + "x"},
      {Encoding::Utf16Le, QByteArray("\xFF\xFE\x3D\xD8", 4), kept(0x3D) + kept(0xD8)},
      {Encoding::Utf16Be, QByteArray("\xFE\xFF\0a\x41", 5), "a" + kept(0x41)},  // an odd last byte
  };
  for (const Case& c : cases) {
    EXPECT_EQ(textenc::decode(c.in, c.enc), c.text) << c.in.toHex().constData();
    qsizetype bad = 0;
    EXPECT_EQ(textenc::encode(c.text, c.enc, &bad), c.in) << c.in.toHex().constData();
    EXPECT_EQ(bad, -1);
  }
}

// What an encoding cannot hold is written as '?' and told.
TEST(TextEncoding, UnencodableCharactersAreTold) {
  struct Case {
    Encoding enc;
    QString text;
    QByteArray out;
    qsizetype bad;
  };
  const QString loneHigh(QChar(char16_t(0xD83D)));
  const Case cases[] = {
      {Encoding::Gbk, QStringLiteral("😀abc"), "?abc", 0},
      {Encoding::Gbk, QStringLiteral("a\u0E01"), "a?", 1},
      {Encoding::Gbk, "a" + kept(0x41), "a?", 1},  // a byte that was never invalid is no kept byte
      {Encoding::Utf8, QStringLiteral("😀\u0E01"), QStringLiteral("😀\u0E01").toUtf8(), -1},
      {Encoding::Utf8, "x" + loneHigh, "x?", 1},
      {Encoding::Utf16Le, loneHigh, QByteArray("\xFF\xFE?\0", 4), 0},
  };
  for (const Case& c : cases) {
    qsizetype bad = -2;
    EXPECT_EQ(textenc::encode(c.text, c.enc, &bad), c.out) << c.text.toStdString();
    EXPECT_EQ(bad, c.bad) << c.text.toStdString();
  }
}

// A UTF-8 file valid but for a few bytes is UTF-8 (those bytes kept); text
// of code page 936, short or long, stays code page 936 even where some of
// its characters form valid UTF-8 by chance.
TEST(TextEncoding, AFewInvalidBytesDoNotMakeUtf8CodePage936) {
  struct Case {
    const char* name;
    QByteArray in;
    Encoding enc;
  };
  const QByteArray utf8Text = QStringLiteral("妙音朗读器读出文字。\n第二行\n").toUtf8();
  QByteArray cut = utf8Text;
  cut.remove(4, 1);  // one byte of 音 lost
  QByteArray gbkLong;
  for (int i = 0; i < 50; ++i)
    gbkLong += cp936::encode(u"这是一段用代码页九三六写成的文字，路上有炉火。\r\n");
  const Case cases[] = {
      {"utf8-lf with a stray 0xFF", QStringLiteral("中文测试文本\n").toUtf8() + "\xFF\n",
       Encoding::Utf8},
      {"utf8-lf with a byte cut out of a character", cut, Encoding::Utf8},
      {"utf8-lf with a GBK word pasted in", utf8Text + utf8Text + cp936::encode(u"你好") + "\n",
       Encoding::Utf8},
      {"utf8-lf two characters and one bad byte", QStringLiteral("中文").toUtf8() + "\xFF",
       Encoding::Gbk},  // too few to tell
      {"gbk-crlf short", cp936::encode(u"你好\r\n"), Encoding::Gbk},
      {"gbk-crlf one character", cp936::encode(u"中\r\n"), Encoding::Gbk},
      {"gbk-crlf characters that form UTF-8 by chance", cp936::encode(u"路卢陆录芦鲁好\r\n"),
       Encoding::Gbk},
      {"gbk-crlf long text", gbkLong, Encoding::Gbk},
      {"gbk-crlf with a few valid UTF-8 words", gbkLong + QStringLiteral("中文").toUtf8(),
       Encoding::Gbk},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(textenc::detect(c.in), c.enc);
    // Whatever it is found to be, it is written back byte for byte.
    EXPECT_EQ(textenc::encode(textenc::decode(c.in, c.enc), c.enc), c.in);
  }
  // The kept bytes of a UTF-8 file are the invalid ones alone.
  EXPECT_EQ(textenc::decode(QStringLiteral("中文测试文本\n").toUtf8() + "\xFF\n", Encoding::Utf8),
            QStringLiteral("中文测试文本\n") + kept(0xFF) + "\n");
}

// U+FEFF is a character like any other after the byte-order mark and after
// a kept byte: it is read and written back.
TEST(TextEncoding, AZeroWidthNoBreakSpaceAfterTheMarkIsKept) {
  struct Case {
    const char* name;
    QByteArray in;
    QString text;
  };
  const QString feff(QChar(char16_t(0xFEFF)));
  const Case cases[] = {
      {"mark, U+FEFF, A",
       "\xEF\xBB\xBF\xEF\xBB\xBF"
       "A",
       feff + "A"},
      {"mark, invalid byte, two U+FEFF, invalid byte",
       "\xEF\xBB\xBF\xEF\xEF\xBB\xBF\xEF\xBB\xBF\xAA", kept(0xEF) + feff + feff + kept(0xAA)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(textenc::detect(c.in), Encoding::Utf8Bom);
    EXPECT_EQ(textenc::decode(c.in, Encoding::Utf8Bom), c.text);
    EXPECT_EQ(textenc::encode(c.text, Encoding::Utf8Bom), c.in);
  }
  // Without a mark too: U+FEFF after a kept byte of a UTF-8 file.
  const QByteArray plain = QStringLiteral("中文字符").toUtf8() + "\xFF\xEF\xBB\xBF" +
                           QStringLiteral("测试文本").toUtf8();
  EXPECT_EQ(textenc::decode(plain, Encoding::Utf8),
            QStringLiteral("中文字符") + kept(0xFF) + feff + QStringLiteral("测试文本"));
}

// A kept byte that an edit has put next to bytes it would form a character
// with cannot be written as itself (the text read back would differ): it is
// written as '?' and told, like a character the encoding lacks. In UTF-16 a
// lone kept byte goes to the end, so that no unit is shifted.
TEST(TextEncoding, KeptBytesNeverJoinWhatFollowsThem) {
  struct Case {
    const char* name;
    Encoding enc;
    QString text;
    QByteArray out;
    qsizetype bad;
  };
  const Case cases[] = {
      {"gbk lead byte before a typed letter", Encoding::Gbk,
       QStringLiteral("你") + kept(0x81) + "Axyz", "\xC4\xE3?Axyz", 1},
      {"gbk lead byte before a character", Encoding::Gbk, kept(0x81) + QStringLiteral("中"),
       "?\xD6\xD0", 0},
      {"gbk lead byte before a kept lead byte it pairs with", Encoding::Gbk,
       kept(0x81) + kept(0x81), "?\x81", 0},
      {"gbk lead byte before CR LF", Encoding::Gbk, kept(0x81) + "\r\n", "\x81\r\n", -1},
      {"gbk lead byte before a digit (no trail byte)", Encoding::Gbk, kept(0x81) + "0",
       "\x81"
       "0",
       -1},
      {"gbk lead byte at the end", Encoding::Gbk, "a" + kept(0x81), "a\x81", -1},
      {"gbk kept 0xFF before a letter", Encoding::Gbk, kept(0xFF) + "A",
       "\xFF"
       "A",
       -1},
      {"utf8 kept bytes brought together", Encoding::Utf8, kept(0xE4) + kept(0xB8) + kept(0xAD),
       "?\xB8\xAD", 0},
      {"utf8 kept lead byte before a letter", Encoding::Utf8, kept(0xE4) + "A",
       "\xE4"
       "A",
       -1},
      {"utf16le odd byte before typed text", Encoding::Utf16Le, "A" + kept(0x42) + "xy",
       QByteArray("\xFF\xFE"
                  "A\0x\0y\0\x42",
                  9),
       -1},
      {"utf16be a kept pair stays where it is", Encoding::Utf16Be, kept(0xD8) + kept(0x3D) + "b",
       QByteArray("\xFE\xFF\xD8\x3D\0b", 6), -1},
      {"utf16le half a kept pair goes to the end", Encoding::Utf16Le, kept(0x3D) + "b",
       QByteArray("\xFF\xFE"
                  "b\0\x3D",
                  5),
       -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    qsizetype bad = -2;
    const QByteArray out = textenc::encode(c.text, c.enc, &bad);
    EXPECT_EQ(out.toHex(' '), c.out.toHex(' '));
    EXPECT_EQ(bad, c.bad);
  }
}

}  // namespace
