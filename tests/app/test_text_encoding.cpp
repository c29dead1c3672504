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

}  // namespace
