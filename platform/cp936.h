// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Code page 936 (GBK as Windows has it: 0x80 is the euro sign). The one
// place where text meets the ANSI code page: text files, the cipher and
// the input method's lead-byte test all come through here.
#include <QByteArray>
#include <QString>

namespace cp936 {

// Encodes text. Characters the code page lacks become '?', as the platform's
// default replacement does. When `firstUnencodable` is given it receives the
// index (in UTF-16 units) of the first such character, or -1.
QByteArray encode(QStringView text, qsizetype* firstUnencodable = nullptr);

// Decodes bytes. Invalid sequences (a trailing lone lead byte included)
// become U+FFFD; `ok` tells whether there was none.
QString decode(QByteArrayView bytes, bool* ok = nullptr);

// As `decode` and `encode`, for files: an invalid byte b becomes the
// unpaired surrogate U+DC00 + b, and such a surrogate is written back as its
// byte (see platform/text_encoding.h).
QString decodeKeepingBytes(QByteArrayView bytes);
QByteArray encodeKeepingBytes(QStringView text, qsizetype* firstUnencodable = nullptr);

// True when the byte starts a double-byte character (0x81..0xFE).
bool isLeadByte(unsigned char b);

// Bytes of one BMP character, 0 to 2 of them; `ok` false when the code page
// lacks the character (the bytes are then those of the replacement '?').
QByteArray encodeChar(char16_t c, bool* ok = nullptr);

// The character decoded from one byte (0..255) or from a lead/trail pair.
// Returns U+FFFD for a sequence that is not valid.
char16_t decodeSingle(unsigned char b);
char16_t decodePair(unsigned char lead, unsigned char trail);

}  // namespace cp936
