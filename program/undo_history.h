// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's own undo history: 256 slots, each a snapshot of the whole
// editor text with the caret of the moment, and the position of the current
// one. Slot 0 is the base text; slots above the position are never read.
//
// Only the current snapshot is kept whole. Every older one is kept as the
// step back from the slot above it (the common head and tail lengths and
// the middle that differs), so a long history of small edits to a large
// document costs little more than the document itself.
#include <QString>
#include <array>
#include <deque>
#include <vector>

class EditControl;

class UndoHistory {
 public:
  static constexpr int kSlots = 256;

  UndoHistory() { reset(QString()); }

  // Slot 0 becomes the base text with caret 0; the position goes to 0.
  void reset(const QString& baseText);
  // Takes note that the control shows exactly the current snapshot, when it
  // does; later records then compare only what changed since.
  void follow(EditControl& control);

  // Records the control's text and caret when the text differs from the
  // current snapshot; true when something was recorded. When the history
  // is full the oldest snapshot is dropped. The history follows the control
  // from then on: the next record compares only what changed since.
  bool record(EditControl& control);

  // One step back: the control shows the previous snapshot with its caret
  // and the position goes down by one. False (and nothing done) at 0.
  bool undo(EditControl& control);
  // One step forward again over what `undo` took back: the control shows
  // the next snapshot with its caret. Any new record, and a reset, drop the
  // steps that could be redone. False (and nothing done) when there are none.
  bool redo(EditControl& control);
  bool canRedo() const { return !forward_.empty(); }

  // Forgets the current snapshot, leaving the control as it is: the
  // position goes down by one and the next record compares with the
  // snapshot before. False (and nothing done) at 0.
  bool dropCurrent();

  qint16 UndoPos() const { return pos_; }
  // The snapshot of a slot from 0 to UndoPos (empty above it).
  QString text(int slot) const;
  qint32 caret(int slot) const { return slot >= 0 && slot < kSlots ? carets_[slot] : 0; }
  // The current snapshot.
  const QString& currentText() const { return head_; }

  // Characters held by all snapshots together (the current one whole, the
  // others by their differing middles).
  qsizetype heldChars() const;

 private:
  // How slot k is made from slot k + 1: keep `head` units at the start and
  // `tail` at the end, and put `middle` between them.
  struct Step {
    qsizetype head = 0;
    qsizetype tail = 0;
    QString middle;
  };

  // Records `text` by comparing it whole with the current snapshot.
  bool recordWhole(const QString& text, int caret);
  // Makes `text` the new current snapshot; `step` leads back from it.
  void push(QString text, qint32 caret, Step step);
  void stopFollowing() { followed_ = nullptr; }
  void followNow(EditControl& control);
  static QString applied(const QString& text, const Step& step);

  // Shows `to` in the control, which shows head_, changing only the middle
  // the step names when it can.
  void showStep(EditControl& control, const Step& step, const QString& to);
  // forward_.back() leads from slot pos_ to slot pos_ + 1, with its caret.
  struct Forward {
    Step step;
    qint32 caret = 0;
  };
  std::vector<Forward> forward_;

  QString head_;           // the text of slot pos_
  std::deque<Step> back_;  // back_[k] leads from slot k + 1 to slot k
  std::array<qint32, kSlots> carets_{};
  qint16 pos_ = 0;

  // The control known to show head_, at which change count and mark.
  const EditControl* followed_ = nullptr;
  quint64 followedCount_ = 0;
  quint64 followedMark_ = 0;
};
