// The output steps: every sound of the reading is made through these.
#include <QDir>

#include "program/program.h"
#include "platform/sound_files.h"
#include "platform/sound_output.h"
#include "platform/timer.h"
#include "reading/speech.h"

void BuildSoundPaths(Program& p, const QString& exeDir) {
  const QString dir = soundSetDir(exeDir);
  const QChar sep = QDir::separator();
  // A root folder already ends in the separator.
  p.AppDir = dir.endsWith(sep) ? dir : dir + sep;
  p.SegmentFilePath = p.AppDir + QStringLiteral("QZCSo.wav");
}

bool Speech::live() const { return entries_.empty() || entries_.back() == generation_; }

void Speech::Stop() {
  ++generation_;
  if (p_.sound) p_.sound->stopAll();
}

void Speech::PlayWav(const QString& name) {
  if (!live()) return;
  if (p_.sound) p_.sound->sndPlaySound(p_.AppDir + name, kSndSync);
}

void Speech::PlaySegment(int from, int to, int pause) {
  if (!live()) return;
  if (p_.Timer2) p_.Timer2->setEnabled(false);
  if (p_.sound)
    p_.sound->mciExecute(QStringLiteral("play ") + p_.SegmentFilePath + QStringLiteral(" from ") +
                         QString::number(from) + QStringLiteral(" to ") + QString::number(to));
  if (p_.Timer3) {
    p_.Timer3->setInterval(pause);
    p_.Timer3->setEnabled(true);
  }
}

void Speech::Pause(int length) {
  if (!live()) return;
  if (p_.Timer2) p_.Timer2->setEnabled(false);
  if (p_.Timer3) {
    p_.Timer3->setInterval(length);
    p_.Timer3->setEnabled(true);
  }
}

void Speech::Timer3Tick() {
  // Switching the step timer on restarts its countdown: the next step comes
  // one full step interval after the pause.
  if (p_.Timer2) p_.Timer2->setEnabled(true);
  if (p_.Timer3) p_.Timer3->setEnabled(false);
}
