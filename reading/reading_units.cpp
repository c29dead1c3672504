// SPDX-License-Identifier: GPL-3.0-or-later
// Speaking one reading unit: digits, letters, pauses, syllables.
#include "reading/speech.h"

namespace {

// A digit or letter is either a range of the segment file with its pause,
// or a wav file played to its end.
struct UnitSound {
  int from = 0;
  int to = 0;
  int pause = 0;
  const char* wav = nullptr;
};
constexpr UnitSound S(int from, int to, int pause) { return {from, to, pause, nullptr}; }
constexpr UnitSound W(const char* wav) { return {0, 0, 0, wav}; }

// clang-format off
constexpr UnitSound kDigits[10] = {
  S(37255, 37690, 435),  // 0
  S(33300, 33630, 330),  // 1
  S(33070, 33290, 220),  // 2
  S(37695, 38165, 470),  // 3
  S(9550, 10000, 450),   // 4
  S(35270, 35630, 360),  // 5
  S(38165, 38360, 195),  // 6
  S(38370, 38780, 410),  // 7
  S(4150, 4550, 400),    // 8
  S(38785, 39030, 245),  // 9
};

// Either case of a letter sounds the same.
constexpr UnitSound kLetters[26] = {
  W("Sounds\\ei1.wav"),  // A
  S(820, 1050, 230),     // B
  W("Sounds\\spc.wav"),  // C
  S(20120, 20440, 320),  // D
  S(34310, 34570, 260),  // E
  W("Sounds\\spf.wav"),  // F
  W("Sounds\\spg.wav"),  // G
  W("Sounds\\sph.wav"),  // H
  W("Sounds\\spi.wav"),  // I
  W("Sounds\\spj.wav"),  // J
  W("Sounds\\spk.wav"),  // K
  W("Sounds\\spl.wav"),  // L
  W("Sounds\\spm.wav"),  // M
  W("Sounds\\en1.wav"),  // N
  S(37060, 37255, 185),  // O
  S(2305, 2600, 295),    // P
  W("Sounds\\spq.wav"),  // Q
  W("Sounds\\a4.wav"),   // R
  W("Sounds\\sps.wav"),  // S
  S(18940, 19240, 320),  // T
  W("Sounds\\spu.wav"),  // U
  W("Sounds\\spv.wav"),  // V
  W("Sounds\\spw.wav"),  // W
  W("Sounds\\spx.wav"),  // X
  W("Sounds\\spy.wav"),  // Y
  W("Sounds\\spz.wav"),  // Z
};
// clang-format on

constexpr int kEmptyPause = 220;
constexpr int kShortPause = 200;
constexpr int kLongPause = 400;

QString fromCodePoints(std::initializer_list<char16_t> units) {
  QString s;
  for (char16_t u : units) s.append(QChar(u));
  return s;
}

}  // namespace

// Brackets, quotation marks, commas, the enumeration comma, colons,
// slashes, the middle dot and the dash.
const QString& ShortPauseMarks() {
  static const QString marks = fromCodePoints({
      0x300A, 0x300B, 0xFF0C, 0x002F, 0x3001, 0x005D, 0x005B, 0x007B, 0x007D, 0x201C,
      0x201D, 0x2018, 0x2019, 0x00B7, 0xFF1A, 0x3008, 0x3009, 0x300C, 0x300D, 0x300E,
      0x300F, 0xFF5C, 0x3016, 0x3017, 0x3010, 0x3011, 0xFF08, 0xFF09, 0xFF3B, 0xFF3D,
      0xFF5B, 0xFF5D, 0x2014, 0x002C, 0x0022, 0x0027, 0x0027, 0x003A, 0x002F, 0x005C,
  });
  return marks;
}

// Sentence ends, semicolons and the ellipsis.
const QString& LongPauseMarks() {
  static const QString marks =
      fromCodePoints({0x3002, 0xFF1F, 0xFF1B, 0xFF01, 0x2026, 0x002E, 0x003B, 0x003F, 0x0021});
  return marks;
}

void Speech::SpeakUnit(const ReadingUnit& unit) {
  Entry entry(*this);
  const QString& ch = unit.ch;

  auto sound = [this](const UnitSound& s) {
    if (s.wav) PlayWav(QLatin1String(s.wav));
    else PlaySegment(s.from, s.to, s.pause);
  };
  // Only the ASCII digits and letters have sounds of their own: a
  // full-width digit or letter is read as a syllable.
  // Only a syllable pitches a neutral tone after it: a digit, a letter or
  // a pause leaves none.
  const qint16 before = c_.reading.PreviousTone;
  c_.reading.PreviousTone = 0;
  if (ch.size() == 1) {
    const char16_t c = ch.at(0).unicode();
    if (c >= u'0' && c <= u'9') return sound(kDigits[c - u'0']);
    if (c >= u'A' && c <= u'Z') return sound(kLetters[c - u'A']);
    if (c >= u'a' && c <= u'z') return sound(kLetters[c - u'a']);
  }
  if (ch.isEmpty()) return Pause(kEmptyPause);
  if (ShortPauseMarks().contains(ch)) return Pause(kShortPause);
  if (LongPauseMarks().contains(ch)) return Pause(kLongPause);
  c_.reading.PreviousTone = before;
  // As spoken, only 不 and 一 change their tones by the next syllable: 部分
  // is bù fen, 依赖 yī lài. The syllable table changes every bu4 and yi1, so
  // another character is handed over without the next tone.
  const bool ownTone =
      c_.reading.ReadToneSandhi && ch != QStringLiteral("不") && ch != QStringLiteral("一");
  playSyllable(unit.initial, unit.rest, unit.tone, ownTone ? qint16(5) : unit.nextTone);
}
