// SPDX-License-Identifier: GPL-3.0-or-later
#include "appearance/font_choices.h"

#include <array>
#include <cmath>

namespace font_choices {
namespace {

struct NamedSize {
  const char16_t* name;
  double points;
};

// Whole multiples of 0.75 point, biggest first.
constexpr std::array<NamedSize, 16> kNamedSizes = {{
    {u"初号", 42},
    {u"小初", 36},
    {u"一号", 26.25},
    {u"小一", 24},
    {u"二号", 21.75},
    {u"小二", 18},
    {u"三号", 15.75},
    {u"小三", 15},
    {u"四号", 14.25},
    {u"小四", 12},
    {u"五号", 10.5},
    {u"小五", 9},
    {u"六号", 7.5},
    {u"小六", 6.75},
    {u"七号", 5.25},
    {u"八号", 3.75},
}};

constexpr int kFirstNumber = 5;
constexpr int kLastNumber = 72;

QString trimSpaces(const QString& s) {
  qsizetype b = 0, e = s.size();
  while (b < e && s[b] == QLatin1Char(' ')) ++b;
  while (e > b && s[e - 1] == QLatin1Char(' ')) --e;
  return s.mid(b, e - b);
}

}  // namespace

QStringList styleEntries() {
  return {QStringLiteral("常规"), QStringLiteral("斜体"), QStringLiteral("粗体"),
          QStringLiteral("粗斜体")};
}

int styleIndex(bool bold, bool italic) { return (bold ? 2 : 0) + (italic ? 1 : 0); }

void styleOf(int index, bool* bold, bool* italic) {
  *bold = index == 2 || index == 3;
  *italic = index == 1 || index == 3;
}

QStringList sizeEntries() {
  QStringList out;
  for (int n = kFirstNumber; n <= kLastNumber; ++n) out << QString::number(n);
  for (const NamedSize& s : kNamedSizes) out << QString::fromUtf16(s.name);
  return out;
}

double sizePoints(int index) {
  if (index >= 0 && index < kFirstNamedSize) return kFirstNumber + index;
  if (index >= kFirstNamedSize && index < kSizeCount)
    return kNamedSizes[index - kFirstNamedSize].points;
  return 0;
}

int sizeIndexFor(double points) {
  for (int i = 0; i < int(kNamedSizes.size()); ++i)
    if (points == kNamedSizes[i].points) return kFirstNamedSize + i;
  if (points >= kFirstNumber && points <= kLastNumber) {
    // std::nearbyint rounds halves to the even neighbour.
    return static_cast<int>(std::nearbyint(points)) - kFirstNumber;
  }
  return -1;
}

int faceIndexFor(const QStringList& faces, const QString& name) {
  const QString wanted = trimSpaces(name);
  int found = -1;
  for (int i = 0; i < faces.size(); ++i)
    if (trimSpaces(faces[i]) == wanted) found = i;
  return found;
}

}  // namespace font_choices
