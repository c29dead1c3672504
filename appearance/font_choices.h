// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the font dialog offers: the four styles, the 84 sizes with the
// sixteen traditional Chinese size names, and the rules that pick the
// entries matching a font.
#include <QString>
#include <QStringList>

namespace font_choices {

// "常规", "斜体", "粗体", "粗斜体".
QStringList styleEntries();
// The style entry of a font; 0 to 3.
int styleIndex(bool bold, bool italic);
void styleOf(int index, bool* bold, bool* italic);

// "5" to "72", then "初号" (42 points) down to "八号" (3.75 points).
QStringList sizeEntries();
constexpr int kSizeCount = 84;
constexpr int kFirstNamedSize = 68;
// The smallest and the largest size the list offers ("八号" and "72").
constexpr double kSmallestPoints = 3.75;
constexpr double kLargestPoints = 72;
// The points an entry stands for; 0 for an index out of range.
double sizePoints(int index);
// The entry showing a size: the name of exactly that size first, else the
// number it rounds to (halves to even) for sizes from 5 to 72, else -1.
int sizeIndexFor(double points);

// The face entry for a font name: the last entry equal to it once spaces
// are trimmed from both ends; -1 when none.
int faceIndexFor(const QStringList& faces, const QString& name);

}  // namespace font_choices
