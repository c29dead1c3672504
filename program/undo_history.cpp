// SPDX-License-Identifier: GPL-3.0-or-later
#include "program/undo_history.h"

#include <algorithm>

#include "platform/edit_control.h"

namespace {

qsizetype commonHead(QStringView a, QStringView b) {
  const qsizetype n = std::min(a.size(), b.size());
  const char16_t* x = a.utf16();
  const char16_t* y = b.utf16();
  qsizetype i = 0;
  while (i < n && x[i] == y[i]) ++i;
  return i;
}

// Common tail of a and b, not reaching into their first `head` units.
qsizetype commonTail(QStringView a, QStringView b, qsizetype head) {
  const qsizetype n = std::min(a.size(), b.size()) - head;
  const char16_t* x = a.utf16() + a.size();
  const char16_t* y = b.utf16() + b.size();
  qsizetype i = 0;
  while (i < n && x[-1 - i] == y[-1 - i]) ++i;
  return i;
}

// True when position i of the text lies between a CR and its LF.
bool splitsBreak(const QString& s, qsizetype i) {
  return i > 0 && i < s.size() && s[i - 1] == QLatin1Char('\r') && s[i] == QLatin1Char('\n');
}

}  // namespace

void UndoHistory::reset(const QString& baseText) {
  head_ = baseText;
  back_.clear();
  forward_.clear();
  pos_ = 0;
  carets_[0] = 0;
  stopFollowing();
}

void UndoHistory::follow(EditControl& control) {
  if (control.TextLength() == head_.size() && control.Text() == head_) followNow(control);
  else stopFollowing();
}

void UndoHistory::followNow(EditControl& control) {
  followed_ = &control;
  followedCount_ = control.changeCount();
  followedMark_ = control.markChanges();
}

QString UndoHistory::applied(const QString& text, const Step& step) {
  QString r;
  r.reserve(step.head + step.middle.size() + step.tail);
  r.append(QStringView(text).left(step.head));
  r.append(step.middle);
  r.append(QStringView(text).right(step.tail));
  return r;
}

void UndoHistory::push(QString text, qint32 caret, Step step) {
  forward_.clear();  // a new change: what was undone can no longer be redone
  head_ = std::move(text);
  if (pos_ < kSlots - 1) {
    back_.resize(pos_);  // what was undone can no longer be reached
    back_.push_back(std::move(step));
    ++pos_;
  } else {
    // Full: every snapshot moves down one slot and the oldest is dropped.
    back_.pop_front();
    back_.push_back(std::move(step));
    std::move(carets_.begin() + 1, carets_.end(), carets_.begin());
  }
  carets_[pos_] = caret;
}

bool UndoHistory::recordWhole(const QString& text, int caret) {
  if (text == head_) return false;
  const qsizetype h = commonHead(text, head_);
  const qsizetype t = commonTail(text, head_, h);
  Step step{h, t, head_.mid(h, head_.size() - h - t)};
  push(text, caret, std::move(step));
  stopFollowing();
  return true;
}

bool UndoHistory::record(EditControl& control) {
  // The same change count: certainly the text of the current snapshot.
  if (followed_ == &control && control.changeCount() == followedCount_) return false;
  int h = 0, t = 0;
  if (followed_ != &control || !control.changedSpan(followedMark_, &h, &t)) {
    const bool recorded = recordWhole(control.Text(), control.SelStart());
    followNow(control);
    return recorded;
  }
  // Only the span the changes touched can differ from the current snapshot.
  const qsizetype oldLen = head_.size();
  const qsizetype newLen = control.TextLength();
  const qsizetype shorter = std::min(oldLen, newLen);
  const qsizetype head = std::min<qsizetype>(h, shorter);
  const qsizetype tail = std::min<qsizetype>(t, shorter - head);
  const QString midNew = control.TextMid(int(head), int(newLen - head - tail));
  const QStringView midOld = QStringView(head_).mid(head, oldLen - head - tail);
  if (midNew == midOld) {
    followNow(control);
    return false;
  }
  const qsizetype a = commonHead(midNew, midOld);
  const qsizetype b = commonTail(midNew, midOld, a);
  Step step{head + a, tail + b, midOld.mid(a, midOld.size() - a - b).toString()};
  // The current snapshot becomes the new text in place.
  QString text = std::move(head_);
  text.replace(step.head, oldLen - step.head - step.tail, midNew.constData() + a,
               midNew.size() - a - b);
  push(std::move(text), control.SelStart(), std::move(step));
  followNow(control);
  return true;
}

void UndoHistory::showStep(EditControl& control, const Step& step, const QString& to) {
  if (followed_ == &control && control.changeCount() == followedCount_) {
    // The control shows the current snapshot: change only the middle, its
    // ends moved off any CR LF they would split.
    qsizetype h = step.head, t = step.tail;
    while (h > 0 && (splitsBreak(head_, h) || splitsBreak(to, h))) --h;
    while (t > 0 && (splitsBreak(head_, head_.size() - t) || splitsBreak(to, to.size() - t))) --t;
    control.replaceText(int(h), int(head_.size() - h - t), to.mid(h, to.size() - h - t));
  } else {
    control.setText(to);
  }
}

bool UndoHistory::undo(EditControl& control) {
  if (pos_ < 1) return false;
  const Step& step = back_.back();
  QString prev = applied(head_, step);
  showStep(control, step, prev);
  control.setSelStart(carets_[pos_ - 1]);
  // The way forward again: the same ends, the current middle.
  forward_.push_back(
      {Step{step.head, step.tail, head_.mid(step.head, head_.size() - step.head - step.tail)},
       carets_[pos_]});
  back_.pop_back();
  --pos_;
  head_ = std::move(prev);
  // A snapshot the control cannot hold as it stands (a lone CR) is not
  // followed; the next record then compares the whole text.
  if (control.TextLength() == head_.size()) followNow(control);
  else stopFollowing();
  return true;
}

bool UndoHistory::dropCurrent() {
  if (pos_ < 1) return false;
  head_ = applied(head_, back_.back());
  back_.pop_back();
  --pos_;
  forward_.clear();
  stopFollowing();
  return true;
}

bool UndoHistory::redo(EditControl& control) {
  if (forward_.empty() || pos_ >= kSlots - 1) return false;
  Forward f = std::move(forward_.back());
  forward_.pop_back();
  QString next = applied(head_, f.step);
  showStep(control, f.step, next);
  control.setSelStart(f.caret);
  back_.push_back(Step{f.step.head, f.step.tail,
                       head_.mid(f.step.head, head_.size() - f.step.head - f.step.tail)});
  ++pos_;
  carets_[pos_] = f.caret;
  head_ = std::move(next);
  if (control.TextLength() == head_.size()) followNow(control);
  else stopFollowing();
  return true;
}

QString UndoHistory::text(int slot) const {
  if (slot == pos_) return head_;
  if (slot < 0 || slot > pos_) return {};
  QString t = head_;
  for (int k = pos_ - 1; k >= slot; --k) t = applied(t, back_[k]);
  return t;
}

qsizetype UndoHistory::heldChars() const {
  qsizetype n = head_.size();
  for (const Step& s : back_) n += s.middle.size();
  for (const Forward& f : forward_) n += f.step.middle.size();
  return n;
}
