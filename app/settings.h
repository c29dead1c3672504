// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>

struct Program;
class SettingsStore;

// Applies the stored preferences to the editor font and colour, the voice
// and the reading speed. Missing or unusable values are skipped.
void LoadSettings(Program& p);
// Writes the live preferences to the store; a failing write is skipped.
void SaveSettings(Program& p);

// The font size as stored: a decimal point whatever the locale, at most four
// decimals, no trailing zeros (9 gives "9", 10.5 gives "10.5").
QString fontSizeText(double points);
// Reads a stored size back; false when the text is not a number.
bool parseFontSize(const QString& text, double* points);

// 按词语读多音字 as stored: on unless stored as off.
bool StoredReadByWords(const SettingsStore& s);
