// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/settings.h"

#include <QAction>
#include <cmath>
#include <limits>
#include <optional>

#include "appearance/font_choices.h"
#include "platform/edit_control.h"
#include "platform/settings_store.h"
#include "platform/timer.h"
#include "platform/ui.h"
#include "program/program.h"

namespace {

const QString kFont = QStringLiteral("Font");
const QString kSound = QStringLiteral("Sound");
// The window's own choices, beyond the font and the sound.
const QString kView = QStringLiteral("View");

std::optional<bool> parseBool(const QString& text) {
  const QString t = text.trimmed();
  if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) return true;
  if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) return false;
  bool ok = false;
  const double d = t.toDouble(&ok);
  if (ok) return d != 0;
  return std::nullopt;
}

// A whole number in signed 16 bits, rounded half to even; nullopt when the
// value does not fit.
std::optional<qint16> toInt16(double d) {
  if (!std::isfinite(d)) return std::nullopt;
  const double r = std::nearbyint(d);
  if (r < std::numeric_limits<qint16>::min() || r > std::numeric_limits<qint16>::max())
    return std::nullopt;
  return static_cast<qint16>(r);
}

void checkSpeedItem(Program& p, int index) {
  for (int i = 0; i < 4; ++i)
    if (p.menu.numSoundSpeed[i]) p.menu.numSoundSpeed[i]->setChecked(i == index);
}

}  // namespace

QString fontSizeText(double points) {
  QString s = QString::number(std::round(points * 10000.0) / 10000.0, 'f', 4);
  while (s.endsWith(QLatin1Char('0'))) s.chop(1);
  if (s.endsWith(QLatin1Char('.'))) s.chop(1);
  return s;
}

bool parseFontSize(const QString& text, double* points) {
  QString t = text.trimmed();
  t.replace(QLatin1Char(','), QLatin1Char('.'));  // a comma-decimal locale wrote it
  bool ok = false;
  const double v = t.toDouble(&ok);
  if (!ok || !std::isfinite(v)) return false;
  *points = v;
  return true;
}

void LoadSettings(Program& p) {
  SettingsStore& s = *p.settings;
  EditControl& t = *p.txtFile;

  if (const QString v = s.read(kFont, QStringLiteral("Name")); !v.isEmpty()) {
    // A font that is not installed is skipped.
    if (!p.ui || p.ui->screenFonts().contains(v, Qt::CaseInsensitive)) t.setFontName(v);
  }
  if (const QString v = s.read(kFont, QStringLiteral("Size")); !v.isEmpty()) {
    double pt = 0;
    // Only what the font dialog offers: a size near 0 would hide the text.
    if (parseFontSize(v, &pt) && pt >= font_choices::kSmallestPoints &&
        pt <= font_choices::kLargestPoints)
      t.setFontSize(pt);
  }
  if (const QString v = s.read(kFont, QStringLiteral("Bold")); !v.isEmpty()) {
    if (const auto b = parseBool(v)) t.setFontBold(*b);
  }
  if (const QString v = s.read(kFont, QStringLiteral("Italic")); !v.isEmpty()) {
    if (const auto b = parseBool(v)) t.setFontItalic(*b);
  }
  if (const QString v = s.read(kFont, QStringLiteral("BackColor")); !v.isEmpty()) {
    bool ok = false;
    const qlonglong c = v.trimmed().toLongLong(&ok);
    if (ok && c >= std::numeric_limits<qint32>::min() && c <= std::numeric_limits<qint32>::max())
      t.setBackColor(static_cast<qint32>(c));
  }
  // The status bar is shown unless the store says otherwise (older stores
  // have no such key).
  if (const QString v = s.read(kView, QStringLiteral("StatusBar")); !v.isEmpty()) {
    if (const auto b = parseBool(v); b && p.menu.numStatusBar) p.menu.numStatusBar->setChecked(*b);
  }
  if (!s.read(kSound, QStringLiteral("Reader")).isEmpty()) {
    if (p.menu.numSoundOpt[0]) p.menu.numSoundOpt[0]->setChecked(true);
    p.reading.VoiceChoice = 0;
  }
  // 按词语读多音字: on unless stored as off (older files do not have it).
  if (const QString v = s.read(kSound, QStringLiteral("ReadByWords")); !v.isEmpty()) {
    if (const auto b = parseBool(v)) p.reading.ReadByWords = *b;
  }
  if (p.menu.numWords) p.menu.numWords->setChecked(p.reading.ReadByWords);
  // 轻声 and 上声变调: the same, each on unless stored as off.
  if (const QString v = s.read(kSound, QStringLiteral("NeutralTone")); !v.isEmpty()) {
    if (const auto b = parseBool(v)) p.reading.ReadNeutralTone = *b;
  }
  if (p.menu.numNeutralTone) p.menu.numNeutralTone->setChecked(p.reading.ReadNeutralTone);
  if (const QString v = s.read(kSound, QStringLiteral("ToneSandhi")); !v.isEmpty()) {
    if (const auto b = parseBool(v)) p.reading.ReadToneSandhi = *b;
  }
  if (p.menu.numToneSandhi) p.menu.numToneSandhi->setChecked(p.reading.ReadToneSandhi);
  // A selection is read to its end unless stored as off.
  if (const QString v = s.read(kSound, QStringLiteral("ReadSelectionOnly")); !v.isEmpty()) {
    if (const auto b = parseBool(v)) p.reading.ReadSelectionOnly = *b;
  }

  const QString speed = s.read(kSound, QStringLiteral("Speed"));
  if (speed.isEmpty()) return;
  // Each speed item reads at the interval the menu gives it (较慢 1000 ms,
  // 中速 500, 较快 100), so that a checked item reads as it did before.
  static const int kRestored[] = {1000, 500, 100};
  for (int i = 0; i < 3; ++i) {
    if (speed == QString::number(i)) {
      checkSpeedItem(p, i);
      p.Timer2->setInterval(kRestored[i]);
      return;
    }
  }
  checkSpeedItem(p, 3);
  const QString value = s.read(kSound, QStringLiteral("SpeedValue"));
  if (value.isEmpty()) {
    p.Timer2->setInterval(1000);
    return;
  }
  // Not a number reads as 0; a number beyond 16 bits is unusable and skipped.
  bool ok = false;
  const double d = value.trimmed().toDouble(&ok);
  if (ok && (!std::isfinite(d) || d < 0)) {
    // No dialog gives such a value: taken as if none were stored.
    p.Timer2->setInterval(1000);
    return;
  }
  const auto custom = toInt16(ok ? d : 0.0);
  if (!custom) return;
  p.reading.CustomSpeed = *custom;
  const int product = p.reading.CustomSpeed * 100;
  if (product > std::numeric_limits<qint16>::max() || product < std::numeric_limits<qint16>::min())
    return;  // the 16-bit product overflows: the interval keeps its value
  // A value no dialog accepts (0 or below) would stall reading at 0 ms; it
  // is taken as if no value were stored.
  p.Timer2->setInterval(product > 0 ? product : 1000);
}

bool StoredReadByWords(const SettingsStore& s) {
  return parseBool(s.read(kSound, QStringLiteral("ReadByWords"))).value_or(true);
}

void SaveSettings(Program& p) {
  SettingsStore& s = *p.settings;
  const EditControl& t = *p.txtFile;
  s.write(kFont, QStringLiteral("Name"), t.FontName());
  s.write(kFont, QStringLiteral("Size"), fontSizeText(t.FontSize()));
  s.write(kFont, QStringLiteral("Bold"),
          t.FontBold() ? QStringLiteral("True") : QStringLiteral("False"));
  s.write(kFont, QStringLiteral("Italic"),
          t.FontItalic() ? QStringLiteral("True") : QStringLiteral("False"));
  s.write(kFont, QStringLiteral("BackColor"), QString::number(t.BackColor()));
  s.write(kSound, QStringLiteral("Reader"), QString::number(p.reading.VoiceChoice));
  s.write(kSound, QStringLiteral("ReadByWords"),
          p.reading.ReadByWords ? QStringLiteral("True") : QStringLiteral("False"));
  s.write(kSound, QStringLiteral("NeutralTone"),
          p.reading.ReadNeutralTone ? QStringLiteral("True") : QStringLiteral("False"));
  s.write(kSound, QStringLiteral("ToneSandhi"),
          p.reading.ReadToneSandhi ? QStringLiteral("True") : QStringLiteral("False"));
  s.write(kSound, QStringLiteral("ReadSelectionOnly"),
          p.reading.ReadSelectionOnly ? QStringLiteral("True") : QStringLiteral("False"));
  int speed = 3;
  for (int i = 0; i < 3; ++i) {
    if (p.menu.numSoundSpeed[i] && p.menu.numSoundSpeed[i]->isChecked()) {
      speed = i;
      break;
    }
  }
  s.write(kSound, QStringLiteral("Speed"), QString::number(speed));
  s.write(kSound, QStringLiteral("SpeedValue"), QString::number(p.reading.CustomSpeed));
  if (p.menu.numStatusBar)
    s.write(kView, QStringLiteral("StatusBar"),
            p.menu.numStatusBar->isChecked() ? QStringLiteral("True") : QStringLiteral("False"));
  s.sync();
}
