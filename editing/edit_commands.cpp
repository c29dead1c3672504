// SPDX-License-Identifier: GPL-3.0-or-later
#include "editing/edit_commands.h"

#include <QAction>
#include <QDateTime>
#include <QKeyEvent>
#include <QLocale>
#include <QMenu>

#include "platform/clipboard.h"
#include "platform/edit_control.h"
#include "program/program.h"

namespace {

// Writes an item's state only when it differs.
void setEnabled(QAction* a, bool on) {
  if (a && a->isEnabled() != on) a->setEnabled(on);
}

bool isArrowKey(int keyCode) { return keyCode >= 37 && keyCode <= 40; }

// The key code of V, as `virtualKeyCode` gives it.
const int kKeyV = virtualKeyCode(Qt::Key_V);

// The time format without its time-zone name, which the long formats of
// many locales carry.
QString timeFormatWithoutZone(QString f) {
  QString out;
  bool quoted = false;
  for (qsizetype i = 0; i < f.size(); ++i) {
    const QChar c = f[i];
    if (c == QLatin1Char('\'')) quoted = !quoted;
    if (!quoted && c == QLatin1Char('t')) continue;
    out.append(c);
  }
  return out.simplified();
}

}  // namespace

QString dateTimeText(const QDateTime& when, const QLocale& locale) {
  return locale.toString(when.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
         locale.toString(when.time(),
                         timeFormatWithoutZone(locale.timeFormat(QLocale::LongFormat)));
}

EditCommands::EditCommands(Program& p)
    : p_(p), clipboardWatch_(std::make_unique<ClipboardWatch>()) {}

EditCommands::~EditCommands() = default;

void EditCommands::numUndo() {
  if (p_.undo.UndoPos() < 1 || !p_.txtFile) return;
  p_.undo.undo(*p_.txtFile);
  if (p_.undo.UndoPos() < 1) setEnabled(p_.menu.numUndo, false);
  setEnabled(p_.menu.numRedo, p_.undo.canRedo());
}

void EditCommands::numRedo() {
  if (!p_.txtFile) return;
  p_.RecordUndo();  // a change not yet recorded is a new change: nothing to redo then
  if (!p_.undo.redo(*p_.txtFile)) {
    setEnabled(p_.menu.numRedo, false);
    return;
  }
  setEnabled(p_.menu.numUndo, p_.undo.UndoPos() > 0);
  setEnabled(p_.menu.numRedo, p_.undo.canRedo());
}

void EditCommands::numCut() {
  EditControl& t = *p_.txtFile;
  clipboard::clear();
  clipboard::setText(t.SelText());
  t.setSelText(QString());
  p_.RecordUndo();
  setEnabled(p_.menu.numCut, false);
}

void EditCommands::numCopy() {
  clipboard::clear();
  clipboard::setText(p_.txtFile->SelText());
}

void EditCommands::numPaste() {
  // Pasted line breaks become the document's own.
  if (!p_.editing.PasteKeyPressed)
    p_.txtFile->setSelText(p_.txtFile->withLineEnds(clipboard::text()));
  p_.RecordUndo();
  p_.editing.PasteKeyPressed = false;
}

void EditCommands::numDelete() {
  EditControl& t = *p_.txtFile;
  if (t.SelLength() == 0) t.setSelLength(1);
  t.setSelText(QString());
  p_.RecordUndo();
  const int len = t.TextLength();
  if (len == 0 || (t.SelStart() >= len && t.SelLength() == 0)) setEnabled(p_.menu.numDelete, false);
}

void EditCommands::numClear() { clipboard::clear(); }

void EditCommands::numAll() {
  EditControl& t = *p_.txtFile;
  t.setSelStart(0);
  t.setSelLength(t.TextLength());
}

void EditCommands::numDate() {
  p_.txtFile->setSelText(dateTimeText(QDateTime::currentDateTime(), QLocale::system()));
  p_.RecordUndo();
}

void EditCommands::onChange() { p_.editing.TextDirty = true; }

void EditCommands::onKeyDown(int keyCode, int shift) {
  if (keyCode == kKeyV && shift == kCtrlMask) p_.editing.PasteKeyPressed = true;
}

void EditCommands::onKeyUp(int keyCode, int shift, bool autoRepeat) {
  // The release the watch saw is this key-up's, taken only here.
  const bool watched = release_.seen;
  release_.seen = false;
  release_.recorded = false;
  if (autoRepeat || !p_.editing.TextDirty || shift != 0 || isArrowKey(keyCode)) return;
  const int before = p_.undo.UndoPos();
  const QString top = p_.undo.currentText();
  p_.RecordUndo();
  p_.editing.TextDirty = false;
  if (!watched) return;
  release_.posAfter = p_.undo.UndoPos();
  // At the full history the position stays; the snapshot changes.
  release_.recorded = release_.posAfter != before || p_.undo.currentText() != top;
}

// Between the release and the press of an X server's repeat there is no
// time at all; a person takes far longer to press a key again.
constexpr ulong kRepeatGapMs = 2;

class KeyRepeatWatch : public QObject {
 public:
  KeyRepeatWatch(EditCommands& commands, QObject* parent) : QObject(parent), c_(commands) {}

 protected:
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() != QEvent::KeyPress && e->type() != QEvent::KeyRelease) return false;
    const auto* k = static_cast<QKeyEvent*>(e);
    EditCommands::Release& r = c_.release_;
    if (e->type() == QEvent::KeyRelease) {
      // A time of 0 is no time (an event made by a program): never a repeat.
      r = {!k->isAutoRepeat() && k->timestamp() != 0, k->key(), k->timestamp(), false, 0};
      return false;
    }
    const ulong t = k->timestamp();
    const bool repeat = r.key == k->key() && r.time != 0 && t != 0 &&
                        (t >= r.time ? t - r.time : r.time - t) <= kRepeatGapMs;
    if (repeat && r.recorded) c_.onRepeatPress();
    r = {};
    return false;
  }

 private:
  EditCommands& c_;
};

void EditCommands::watchKeyRepeats() {
  if (p_.txtFile) p_.txtFile->installEventFilter(new KeyRepeatWatch(*this, p_.txtFile));
}

void EditCommands::onRepeatPress() {
  // Only the step that release recorded, if nothing came since.
  if (p_.undo.UndoPos() != release_.posAfter || !p_.undo.dropCurrent()) return;
  p_.editing.TextDirty = true;  // the text differs from the snapshot now current
  if (p_.undo.UndoPos() < 1) setEnabled(p_.menu.numUndo, false);
}

void EditCommands::onMouseUp(int button, int, int x, int y) {
  if (button != 2 || !p_.menu.numEdit) return;
  // x and y are in the text area, the viewport of the control.
  p_.menu.numEdit->popup(p_.txtFile->viewport()->mapToGlobal(QPoint(x, y)));
}

void EditCommands::onSelChange() {
  const EditControl& t = *p_.txtFile;
  const bool selected = t.SelLength() > 0;
  setEnabled(p_.menu.numCopy, selected);
  setEnabled(p_.menu.numCut, selected);
  const int len = t.TextLength();
  setEnabled(p_.menu.numDelete, !(len == 0 || (t.SelStart() >= len && !selected)));
}

void EditCommands::onTextEntered() {
  p_.RecordUndo();
  p_.editing.TextDirty = false;
}

void EditCommands::onClipboardTick() {
  // The clipboard is read again only after it has announced a change (by
  // this program or another); a tick follows within 50 ms.
  if (!clipboardWatch_->takeChange()) return;
  const bool hasText = !clipboard::text().isEmpty();
  setEnabled(p_.menu.numPaste, hasText);
  setEnabled(p_.menu.numClear, hasText);
}
