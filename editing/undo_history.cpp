#include "editing/undo_history.h"

#include "platform/edit_control.h"

void UndoHistory::reset(const QString& baseText) {
  pos_ = 0;
  texts_[0] = baseText;
  carets_[0] = 0;
}

bool UndoHistory::record(const EditControl& control) {
  return record(control.Text(), control.SelStart());
}

bool UndoHistory::record(const QString& text, int caret) {
  if (text == texts_[pos_]) return false;
  if (pos_ < kSlots - 1) {
    ++pos_;
  } else {
    texts_.removeFirst();
    texts_.append(QString());
    carets_.removeFirst();
    carets_.append(0);
  }
  texts_[pos_] = text;
  carets_[pos_] = caret;
  return true;
}
