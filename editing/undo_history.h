#pragma once
// The program's own undo history: 256 slots of whole-text snapshots with the
// caret of each, and the position of the current one.
#include <QString>
#include <QVector>

class EditControl;

class UndoHistory {
 public:
  static constexpr int kSlots = 256;

  UndoHistory() { reset(QString()); }

  // Slot 0 becomes the base text with caret 0; the position goes to 0.
  void reset(const QString& baseText);
  // Records the control's text and caret when the text differs from the
  // current snapshot; true when something was recorded.
  bool record(const EditControl& control);
  bool record(const QString& text, int caret);

  qint16 UndoPos() const { return pos_; }
  QString text(int slot) const { return texts_.value(slot); }
  qint32 caret(int slot) const { return carets_.value(slot); }

 private:
  QVector<QString> texts_ = QVector<QString>(kSlots);
  QVector<qint32> carets_ = QVector<qint32>(kSlots);
  qint16 pos_ = 0;
};
