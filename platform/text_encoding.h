// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The encodings of text files: found when a file is opened, kept with the
// document and used again when it is saved.
//
// Bytes that are not valid in the file's encoding are kept, one unpaired low
// surrogate per byte: byte b becomes U+DC00 + b (U+DC80..U+DCFF for the
// bytes 0x80..0xFF that code page 936 and UTF-8 can hold invalid, any byte
// for UTF-16). No valid text holds an unpaired surrogate, and nothing a user
// types or pastes can bring one (the clipboard carries valid Unicode only),
// so saving writes exactly those bytes back and nothing else is taken for
// them.
#include <QByteArray>
#include <QString>

namespace textenc {

enum class Encoding { Gbk, Utf8, Utf8Bom, Utf16Le, Utf16Be };

// The name shown to the user: "GBK", "UTF-8", "UTF-8 BOM", "UTF-16 LE",
// "UTF-16 BE".
QString name(Encoding e);

// A UTF-8 byte-order mark means UTF-8, a UTF-16 one UTF-16 of its byte
// order; otherwise bytes that are valid UTF-8 and hold at least one byte
// beyond ASCII are UTF-8, and so are bytes with a few invalid ones among
// many valid sequences beyond ASCII (at least four for each invalid byte);
// anything else is code page 936.
Encoding detect(QByteArrayView bytes);

// The text of a file's bytes (its byte-order mark left out); invalid bytes
// are kept as above.
QString decode(QByteArrayView bytes, Encoding e);

// The bytes of a text, with the byte-order mark the encoding has. A
// character the encoding cannot hold is written as '?'; `firstUnencodable`
// receives the index of the first one (in UTF-16 units), or -1. A kept byte
// that an edit has brought next to bytes it would form a character with
// (a lone lead byte of code page 936 before a letter typed after it) cannot
// be written as itself without changing the text read back: it counts as a
// character the encoding cannot hold. In UTF-16 a lone kept byte (the odd
// last byte of a file) is written at the end, so that no unit is shifted.
QByteArray encode(QStringView text, Encoding e, qsizetype* firstUnencodable = nullptr);

// True when the text is valid UTF-8 (an empty or ASCII text is).
bool isValidUtf8(QByteArrayView bytes);

}  // namespace textenc
