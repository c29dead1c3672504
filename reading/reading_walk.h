// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The walk of a reading through a text: one character per step of the step
// timer, the character being read shown, the end of the text (or of the
// part being read) read as the empty unit and then the end. The window's
// reading session and the reading rendered into a file walk the same way.
//
// The rules of the walk, each in this one place:
// - a surrogate pair is one character;
// - no reading position lies where the text refuses a caret (inside a
//   CR LF): the walk goes on until it is past it;
// - a step that falls due while a wav sound of the unit still plays comes
//   as soon as the sound ends, and the step timer counts the next interval
//   from there.
#include <QString>
#include <functional>

#include "reading/speech.h"

// What the walk needs of a text.
class TextSource {
 public:
  virtual ~TextSource() = default;
  virtual int length() const = 0;
  // The code unit at `pos`, 0 <= pos < length().
  virtual QChar at(int pos) const = 0;
  // True where no reading position may stand; by default inside a CR LF.
  virtual bool refusesPosition(int pos) const;
  // The reading position and the character shown as being read there
  // (`width` 0: nothing, at the end).
  virtual int position() const = 0;
  virtual void show(int pos, int width) = 0;
  // The reading of the character at `pos` in the word it stands in; empty
  // for none.
  virtual QString wordReading(int pos) const {
    (void)pos;
    return QString();
  }
};

// Code units of the character at `pos`: 2 for a surrogate pair, 1 for any
// other, 0 at or beyond `end` (the length when -1).
int characterWidth(const TextSource& t, int pos, int end = -1);
QString characterAt(const TextSource& t, int pos, int end = -1);
// The reading position one character on from `pos`, past refused ones.
int nextReadingPosition(const TextSource& t, int pos, int end = -1);

// A text held as a string; the position is the walk's own.
class StringSource : public TextSource {
 public:
  explicit StringSource(QString text) : text_(std::move(text)) {}
  int length() const override { return int(text_.size()); }
  QChar at(int pos) const override { return text_.at(pos); }
  int position() const override { return pos_; }
  void show(int pos, int) override { pos_ = pos; }
  const QString& text() const { return text_; }

 private:
  QString text_;
  int pos_ = 0;
};

class ReadingWalk {
 public:
  // Reads through `speech`, with its reading state and its step timer.
  explicit ReadingWalk(Speech& speech);
  ReadingWalk(const ReadingWalk&) = delete;
  ReadingWalk& operator=(const ReadingWalk&) = delete;

  // Walks `text` up to `end` (-1: to the end of the text, whatever its
  // length then). Nothing is read until `readAt`.
  void begin(TextSource& text, int end = -1);
  // Ends the walk: no deferred step comes any more.
  void finish();
  bool walking() const { return text_ != nullptr; }
  // Shows and reads the character at `pos` at once (the start of a reading,
  // a resume, a jump).
  void readAt(int pos);
  // A tick of the step timer: one character on, then read it; at the end,
  // `onEnd`.
  void step();
  // Where the walk stops: the end given, or the length of the text.
  int end() const;

  // Each unit before it is spoken, with its position.
  std::function<void(const ReadingUnit&, int pos)> onUnit;
  // The walk has reached its end (the step after the empty unit).
  std::function<void()> onEnd;

 private:
  Speech& speech_;
  TextSource* text_ = nullptr;
  int end_ = -1;
};
