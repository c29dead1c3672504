// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The state of reading/: its options, the sound set's place and what the
// sounds of a reading leave for the next. Declared here, below the
// subsystems, so that the program-wide state can hold it; the reading
// rendered into a file keeps one of its own.
#include <QString>
#include <QtGlobal>

class InputMethod;
class WordReadings;

struct ReadingState {
  // The pinyin input method the text is converted with (null: none), and
  // whether the last conversion found it missing.
  InputMethod* ime = nullptr;
  bool PinyinImeMissing = false;
  // The segment file is open for the reading session.
  bool SoundFileOpen = false;
  // The sound set's folder, with a trailing separator, and its segment file.
  QString AppDir;
  QString SegmentFilePath;
  bool GlideActive = false;  // a glide and the rest of its final are playing
  qint16 VoiceChoice = 0;
  qint16 CustomSpeed = 0;
  // 按词语读多音字: a polyphone reads as in the word it stands in, from the
  // word table (loaded at the first reading; null: none).
  bool ReadByWords = true;
  WordReadings* words = nullptr;
  // 轻声: a syllable without a tone (tone 5) plays the neutral-tone finals,
  // pitched after the tone heard before it (`PreviousTone`, 0 for none);
  // off, it plays the fourth tone's.
  bool ReadNeutralTone = true;
  // 上声变调: within a word a third tone before a third tone is read as a
  // second.
  bool ReadToneSandhi = true;
  qint16 PreviousTone = 0;
  // A selection of more than one character when reading starts is read to
  // its end; off: reading goes on to the end of the text.
  bool ReadSelectionOnly = true;
};
