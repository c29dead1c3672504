// SPDX-License-Identifier: GPL-3.0-or-later
// The sound set's paths and how a sound is named in a trace.
#include <QDir>

#include "platform/sound_files.h"
#include "platform/sound_output.h"
#include "platform/timer.h"
#include "reading/speech.h"

void BuildSoundPaths(ReadingState& r, const QString& exeDir) {
  const QString dir = soundSetDir(exeDir);
  const QChar sep = QDir::separator();
  // A root folder already ends in the separator.
  r.AppDir = dir.endsWith(sep) ? dir : dir + sep;
  r.SegmentFilePath = r.AppDir + QStringLiteral("QZCSo.wav");
}

QString SoundStep::describe() const {
  switch (kind) {
    case Wav: {
      QString name = wav.section(QLatin1Char('/'), -1);
      if (name.endsWith(QLatin1String(".wav"))) name.chop(4);
      return name;
    }
    case Segment: return QStringLiteral("%1-%2").arg(from).arg(to);
    case Pause: return QStringLiteral("(%1)").arg(pause);
  }
  return QString();
}
