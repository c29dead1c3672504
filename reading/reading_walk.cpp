// SPDX-License-Identifier: GPL-3.0-or-later
#include "reading/reading_walk.h"

#include "platform/timer.h"
#include "reading/reading_session.h"

bool TextSource::refusesPosition(int pos) const {
  return pos > 0 && pos < length() && at(pos) == QLatin1Char('\n') &&
         at(pos - 1) == QLatin1Char('\r');
}

namespace {
int limitOf(const TextSource& t, int end) {
  const int length = t.length();
  return end < 0 || end > length ? length : end;
}
}  // namespace

int characterWidth(const TextSource& t, int pos, int end) {
  const int limit = limitOf(t, end);
  if (pos < 0 || pos >= limit) return 0;
  return pos + 1 < limit && t.at(pos).isHighSurrogate() && t.at(pos + 1).isLowSurrogate() ? 2 : 1;
}

QString characterAt(const TextSource& t, int pos, int end) {
  const int width = characterWidth(t, pos, end);
  QString c;
  for (int i = 0; i < width; ++i) c += t.at(pos + i);
  return c;
}

int nextReadingPosition(const TextSource& t, int pos, int end) {
  const int limit = limitOf(t, end);
  int next = pos + std::max(1, characterWidth(t, pos, end));
  while (next < limit && t.refusesPosition(next)) ++next;
  return std::min(next, std::max(limit, pos));
}

ReadingWalk::ReadingWalk(Speech& speech) : speech_(speech) {
  speech_.onStepDue = [this] {
    if (!text_) return;
    // Switching the running step timer on again restarts its countdown:
    // the next interval counts from the end of the wav sound.
    Timer* const stepTimer = speech_.context().Timer2;
    if (stepTimer && stepTimer->enabled()) stepTimer->setEnabled(true);
    step();
  };
}

void ReadingWalk::begin(TextSource& text, int end) {
  text_ = &text;
  end_ = end;
}

void ReadingWalk::finish() { text_ = nullptr; }

int ReadingWalk::end() const { return text_ ? limitOf(*text_, end_) : 0; }

void ReadingWalk::readAt(int pos) {
  if (!text_) return;
  const int limit = end();
  pos = std::clamp(pos, 0, limit);
  const QString c = characterAt(*text_, pos, limit);
  text_->show(pos, int(c.size()));
  const int after = pos + int(c.size());
  const QString next = characterAt(*text_, after, limit);
  const ReadingUnit unit = FormReadingUnit(speech_.context().reading, c, next,
                                           c.isEmpty() ? QString() : text_->wordReading(pos),
                                           next.isEmpty() ? QString() : text_->wordReading(after));
  if (onUnit) onUnit(unit, pos);
  speech_.SpeakUnit(unit);
}

void ReadingWalk::step() {
  if (!text_) return;
  // The wav sounds of the unit still play: the step comes at their end.
  if (speech_.busy()) {
    speech_.deferStep();
    return;
  }
  const int limit = end();
  const int old = text_->position();
  if (old >= limit) {
    if (onEnd) onEnd();
    return;
  }
  readAt(nextReadingPosition(*text_, old, limit));
}
