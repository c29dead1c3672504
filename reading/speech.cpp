// SPDX-License-Identifier: GPL-3.0-or-later
// The output steps of `Speech`: every sound of the reading is made through
// these, one after another on the timers of its context.
#include <algorithm>
#include <limits>

#include "platform/sound_output.h"
#include "platform/timer.h"
#include "reading/speech.h"

void Speech::add(SoundStep step) {
  step.glide = c_.reading.GlideActive;
  plan_.push_back(std::move(step));
  if (depth_ == 0) run();
}

void Speech::PlayWav(const QString& name) {
  SoundStep s;
  s.kind = SoundStep::Wav;
  // Names may come with the backslashes of the sound set's own naming.
  s.wav = QString(name).replace(QLatin1Char('\\'), QLatin1Char('/'));
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
    c_.reading.GlideActive = s.glide;
    if (onSound) onSound(s);
    switch (s.kind) {
      case SoundStep::Wav: {
        const QString path = c_.reading.AppDir + s.wav;
        qint64 length = 0;
        if (c_.sound) {
          c_.sound->playWav(path, false);
          length = c_.sound->soundLengthMs(path);
        }
        // A sound that cannot be played takes no time.
        if (length > 0 && c_.WavTimer) {
          waitingWav_ = true;
          c_.WavTimer->setInterval(int(std::min<qint64>(length, std::numeric_limits<int>::max())));
          c_.WavTimer->setEnabled(true);
        }
        break;
      }
      case SoundStep::Segment:
      case SoundStep::Pause:
        // The hold replaces a step that fell due meanwhile: the next step
        // comes one full interval after the hold.
        stepDue_ = false;
        if (c_.Timer2) c_.Timer2->setEnabled(false);
        if (s.kind == SoundStep::Segment && c_.sound) c_.sound->playSegmentRange(s.from, s.to);
        if (c_.Timer3) {
          c_.Timer3->setInterval(s.pause);
          c_.Timer3->setEnabled(true);
        }
        break;
    }
  }
  running_ = false;
  if (waitingWav_) return;
  c_.reading.GlideActive = false;
  plan_.clear();
  next_ = 0;
  if (stepDue_) {
    stepDue_ = false;
    if (onStepDue) onStepDue();
  }
}

void Speech::WavTick() {
  if (c_.WavTimer) c_.WavTimer->setEnabled(false);
  if (!waitingWav_) return;
  waitingWav_ = false;
  run();
}

void Speech::Stop() {
  plan_.clear();
  next_ = 0;
  waitingWav_ = false;
  stepDue_ = false;
  c_.reading.GlideActive = false;
  if (c_.WavTimer) c_.WavTimer->setEnabled(false);
  if (c_.sound) c_.sound->stopAll();
}

void Speech::Timer3Tick() {
  // Switching the step timer on restarts its countdown: the next step comes
  // one full step interval after the pause.
  if (c_.Timer2) c_.Timer2->setEnabled(true);
  if (c_.Timer3) c_.Timer3->setEnabled(false);
}
