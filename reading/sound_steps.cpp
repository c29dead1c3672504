// The output steps: every sound of the reading is made through these, one
// after another on the program's timers.
#include <QDir>

#include "platform/sound_files.h"
#include "platform/sound_output.h"
#include "platform/timer.h"
#include "program/program.h"
#include "reading/speech.h"

void BuildSoundPaths(Program& p, const QString& exeDir) {
  const QString dir = soundSetDir(exeDir);
  const QChar sep = QDir::separator();
  // A root folder already ends in the separator.
  p.AppDir = dir.endsWith(sep) ? dir : dir + sep;
  p.SegmentFilePath = p.AppDir + QStringLiteral("QZCSo.wav");
}

QString SoundStep::describe() const {
  switch (kind) {
    case Wav: {
      QString name = wav.section(QLatin1Char('\\'), -1);
      if (name.endsWith(QLatin1String(".wav"))) name.chop(4);
      return name;
    }
    case Segment: return QStringLiteral("%1-%2").arg(from).arg(to);
    case Pause: return QStringLiteral("(%1)").arg(pause);
  }
  return QString();
}

void Speech::add(SoundStep step) {
  step.glide = p_.GlideActive;
  plan_.push_back(std::move(step));
  if (depth_ == 0) run();
}

void Speech::PlayWav(const QString& name) {
  SoundStep s;
  s.kind = SoundStep::Wav;
  s.wav = name;
  add(std::move(s));
}

void Speech::PlaySegment(int from, int to, int pause) {
  SoundStep s;
  s.kind = SoundStep::Segment;
  s.from = from;
  s.to = to;
  s.pause = pause;
  add(std::move(s));
}

void Speech::Pause(int length) {
  SoundStep s;
  s.kind = SoundStep::Pause;
  s.pause = length;
  add(std::move(s));
}

// Plays the steps in order: a wav sound starts at once and the next step
// waits for its end on the wav timer; a segment or a pause starts in the
// background and holds the step timer.
void Speech::run() {
  if (running_ || waitingWav_) return;
  running_ = true;
  while (next_ < plan_.size() && !waitingWav_) {
    const SoundStep s = plan_[next_++];
    p_.GlideActive = s.glide;
    if (onSound) onSound(s);
    switch (s.kind) {
      case SoundStep::Wav: {
        const QString path = p_.AppDir + s.wav;
        qint64 length = 0;
        if (p_.sound) {
          p_.sound->sndPlaySound(path, kSndAsync);
          length = p_.sound->soundLengthMs(path);
        }
        // A sound that cannot be played takes no time.
        if (length > 0 && p_.WavTimer) {
          waitingWav_ = true;
          p_.WavTimer->setInterval(int(std::min<qint64>(length, std::numeric_limits<int>::max())));
          p_.WavTimer->setEnabled(true);
        }
        break;
      }
      case SoundStep::Segment:
      case SoundStep::Pause:
        // The hold replaces a step that fell due meanwhile: the next step
        // comes one full interval after the hold.
        stepDue_ = false;
        if (p_.Timer2) p_.Timer2->setEnabled(false);
        if (s.kind == SoundStep::Segment && p_.sound)
          p_.sound->mciExecute(QStringLiteral("play ") + p_.SegmentFilePath +
                               QStringLiteral(" from ") + QString::number(s.from) +
                               QStringLiteral(" to ") + QString::number(s.to));
        if (p_.Timer3) {
          p_.Timer3->setInterval(s.pause);
          p_.Timer3->setEnabled(true);
        }
        break;
    }
  }
  running_ = false;
  if (waitingWav_) return;
  p_.GlideActive = false;
  plan_.clear();
  next_ = 0;
  if (stepDue_) {
    stepDue_ = false;
    if (onStepDue) onStepDue();
  }
}

void Speech::WavTick() {
  if (p_.WavTimer) p_.WavTimer->setEnabled(false);
  if (!waitingWav_) return;
  waitingWav_ = false;
  run();
}

void Speech::Stop() {
  plan_.clear();
  next_ = 0;
  waitingWav_ = false;
  stepDue_ = false;
  p_.GlideActive = false;
  if (p_.WavTimer) p_.WavTimer->setEnabled(false);
  if (p_.sound) p_.sound->stopAll();
}

void Speech::Timer3Tick() {
  // Switching the step timer on restarts its countdown: the next step comes
  // one full step interval after the pause.
  if (p_.Timer2) p_.Timer2->setEnabled(true);
  if (p_.Timer3) p_.Timer3->setEnabled(false);
}
