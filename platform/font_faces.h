// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The screen fonts as a Chinese user expects to see them: each family once
// (not once per foundry), by its Chinese name where the font has one, and
// the face the system would draw a face name with that is not installed
// ("宋体" on Linux).
#include <QString>
#include <QStringList>

namespace fontfaces {

// A family name without the foundry the platform adds to tell apart
// families of the same name ("Nimbus Sans [urw]" gives "Nimbus Sans").
QString withoutFoundry(const QString& family);

// The names to show for families: each family once, in the order given, by
// the Chinese name that `chineseName` gives for it where it has one.
QStringList shownFamilies(const QStringList& families, QString (*chineseName)(const QString&));

// The installed families as shownFamilies gives them.
QStringList screenFaces();

// The font's Simplified Chinese family name (else its Traditional one);
// empty when it has none.
QString chineseName(const QString& family);

// The installed face the system draws Chinese text in a face name with, as
// screenFaces shows it; empty when nothing is known.
QString resolveFace(const QString& name);

}  // namespace fontfaces
