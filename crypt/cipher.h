// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The text cipher: a fixed shift of every character's code-page-936 code by
// 8, behind a password block that carries the password in a reversible
// numeric form. Plain functions over strings; the password dialog drives them.
//
// The encrypted text is, with nothing in between:
//   the header "Kestrovanlab//{1.00}&&81180",
//   per password character p(i), i = 1..k: decimal(code(p(i)) + i),
//     "?{'}?23", decimal(i),
//   the trailer "123000Qz南无阿弥陀佛",
//   per plain character one unit: the character shifted up by 8 when shifting
//     back down gives it again and the shifted unit is no CR, LF or space,
//     otherwise the escape marker "Kestrovanlabiii//" followed by the
//     character unchanged.
#include <QString>
#include <QStringView>
#include <functional>
#include <optional>

namespace cipher {

inline const QString kHeader = QStringLiteral("Kestrovanlab//{1.00}&&81180");
inline const QString kSeparator = QStringLiteral("?{'}?23");
inline const QString kTrailer = QStringLiteral("123000Qz南无阿弥陀佛");
inline const QString kEscapeMarker = QStringLiteral("Kestrovanlabiii//");

// The code of a character in code page 936: a single byte b gives b, a pair
// L T gives L * 256 + T - 65536 (negative). A character the code page lacks
// gets the code of its replacement '?'.
int code(char16_t c);
// The character of a code: 0..255 one byte, anything else the pair of bytes
// (n mod 65536) div 256, (n mod 65536) mod 256. Invalid bytes give U+FFFD.
char16_t character(int n);

// Called with 0 once the work starts (after the password check), then now
// and then with the share done, and with 100 at the end.
using Progress = std::function<void(double percent)>;

// The header, the password groups and the trailer. The password is used as
// typed, spaces included.
QString passwordBlock(QStringView password);

// True when the password holds nothing but spaces (encryption refuses it).
bool isBlankPassword(QStringView password);

// The unit of one plain character, without the context rule of `encrypt`.
QString bodyUnit(char16_t c);

// Encrypts a whole text under the password.
QString encrypt(QStringView plain, QStringView password, const Progress& progress = {});

// Decrypts a text that begins with the password block of `password`;
// nullopt when it does not (wrong password, or not an encrypted text).
std::optional<QString> decrypt(QStringView encrypted, QStringView password,
                               const Progress& progress = {});

}  // namespace cipher
