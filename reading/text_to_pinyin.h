// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Turns text into toned pinyin, one character at a time, through the
// installed pinyin input method ("微软拼音输入法").
#include <QString>
#include <QStringView>

class InputMethod;
struct Program;
struct ReadingState;

// Marks never sent to the input method: each stands for itself.
inline constexpr char16_t kPinyinSkipMarks[] = {
    0x300A, 0x300B, 0xFF0C, 0x3002, 0x002F, 0xFF1F, 0x3001, 0x005D, 0x005B, 0x007B,
    0x007D, 0x201C, 0x201D, 0x2018, 0x2019, 0xFF1B, 0xFF1A, 0xFF01, 0x00B7, 0x3008,
    0x3009, 0x300C, 0x300D, 0x300E, 0x300F, 0xFF5C, 0x3016, 0x3017, 0x3010, 0x3011,
    0xFF08, 0xFF09, 0xFF3B, 0xFF3D, 0xFF5B, 0xFF5D, 0x2026, 0x2014, 0x002E, 0x002C,
    0x0022, 0x0027, 0x0027, 0x003B, 0x003A, 0x003F, 0x002F, 0x005C, 0x0021};
// Not constexpr: GCC does not take the view as a constant expression under
// -fsanitize=undefined (its null-pointer checks).
inline const QStringView PinyinSkipMarks{kPinyinSkipMarks, std::size(kPinyinSkipMarks)};

// The name the input method must bear, compared exactly.
inline constexpr QStringView kPinyinImeName = u"微软拼音输入法";

// `mode` 0: each character becomes its reading with the tone digit ("hu3"),
// followed by `separator`; 1: the reading without its last character ("hu"),
// followed by `separator`; 2: the first letter of the reading in upper case
// ("H"), nothing after it. A character the input method does not convert
// reads as itself. Leading and trailing spaces of `text` are dropped; a
// blank text gives an empty result without asking the input method. When no
// input method of the required name is installed the result is one space and
// `PinyinImeMissing` is set (never cleared here). Other modes add nothing.
QString TextToPinyin(InputMethod* ime, bool& PinyinImeMissing, const QString& text, int mode,
                     const QString& separator);

// The same with the reading's input method and flag.
QString TextToPinyin(ReadingState& r, const QString& text, int mode, const QString& separator);

// The reading of the character at `pos` of the document in the word it
// stands in (行 in 银行: hang2), when reading by words is on, with the
// third tone changed before a third tone (你 in 你好: ni2) when that is on;
// empty when both are off or there is nothing to change.
QString WordReadingAt(Program& p, int pos);
// The same for the character at `at` of `text`.
QString WordReadingIn(ReadingState& r, QStringView text, qsizetype at);

// The conversion of the single character `c` as `TextToPinyin` gives it,
// but with `inWord` (from `WordReadingAt`) as its reading when that is not
// empty. Without the input method the result is the same single space as
// for the character alone.
QString TextToPinyinInWord(ReadingState& r, const QString& c, const QString& inWord, int mode,
                           const QString& separator);
