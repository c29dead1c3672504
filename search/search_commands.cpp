#include "search/search_commands.h"

#include <QScreen>
#include <QTextCursor>

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QTextDocument>

#include "platform/edit_control.h"
#include "platform/ui.h"
#include "program/program.h"
#include "search/text_search.h"
#include "search/window_clear_of_match.h"

SearchCommands::~SearchCommands() {
  // The windows die with the main window; none of their handlers may run then.
  delete find_.data();
  delete huan_.data();
}

void SearchCommands::notice(QWidget* owner, const QString& text) {
  p_.ui->message(owner, text, QStringLiteral("提示"), MsgIcon::Information, MsgButtons::Ok);
}

void SearchCommands::numFind() {
  if (p_.ReadingActive) {
    notice(p_.frmMain, QStringLiteral("请先停止朗读!"));
    return;
  }
  if (p_.SearchDialogOpen) return;  // one search window at a time
  loadFind();
}

void SearchCommands::numHuan() {
  if (p_.ReadingActive) {
    notice(p_.frmMain, QStringLiteral("请先停止朗读!"));
    return;
  }
  if (p_.SearchDialogOpen) return;
  loadHuan();
}

void SearchCommands::numNext() {
  // Repeats the last search as it stands, whatever else is going on.
  findAndSelect(p_.FindText, p_.FindMatchCase, p_.FindUpward, p_.frmMain);
}

void SearchCommands::unloadWindows() {
  if (find_) unloadFind();
  if (huan_) unloadHuan();
}

void SearchCommands::followFindBox(bool hasText) {
  if (QAction* next = p_.menu.numNext; next && next->isEnabled() != hasText)
    next->setEnabled(hasText);
}

namespace {

// Whether a find text holds a character that the document keeps otherwise
// than `Text` shows it (line breaks).
bool holdsBreakChars(const QString& find) {
  for (const QChar c : find)
    if (c == u'\r' || c == u'\n' || c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
      return true;
  return false;
}

// The search of the editor text from its selection; the position in `Text`,
// or -1.
int searchEditor(const EditControl& t, const QString& find, bool matchCase, bool upward) {
  const int start = t.SelStart(), length = t.SelLength();
  if (find.isEmpty() || holdsBreakChars(find))
    return FindInText(t.Text(), start, length, find, matchCase, upward);
  // Without line breaks in the find text, searching the document's own text
  // finds the same occurrences and spares building `Text` of the whole
  // document; only the positions are counted differently.
  const int docStart = t.textToDoc(start);
  const int docEnd = t.textToDoc(start + length);
  const int at =
      FindInText(t.document()->toRawText(), docStart, docEnd - docStart, find, matchCase, upward);
  return at < 0 ? -1 : t.docToText(at);
}

}  // namespace

bool SearchCommands::findAndSelect(const QString& find, bool matchCase, bool upward,
                                   QWidget* owner) {
  EditControl* t = p_.txtFile;
  if (!t) return false;
  int at = -1;
  try {
    at = searchEditor(*t, find, matchCase, upward);
  } catch (...) {
    return false;  // a failure ends the search silently
  }
  if (at < 0) {
    notice(owner, QStringLiteral("找不到 '") + find + QStringLiteral("'!"));
    return false;
  }
  t->setSelStart(at);
  t->setSelLength(static_cast<int>(find.size()));
  t->ensureCursorVisible();
  moveOffMatch();
  return true;
}

void SearchCommands::moveOffMatch() {
  EditControl* t = p_.txtFile;
  QWidget* w = find_   ? static_cast<QWidget*>(find_)
               : huan_ ? static_cast<QWidget*>(huan_)
                       : nullptr;
  if (!t || !w || !w->isVisible()) return;
  // The match on the screen: from the caret rectangle at its start to the
  // one at its end.
  QTextCursor c = t->textCursor();
  QTextCursor from = c, to = c;
  from.setPosition(c.selectionStart());
  to.setPosition(c.selectionEnd());
  const QRect match = t->cursorRect(from).united(t->cursorRect(to));
  const QRect global(t->viewport()->mapToGlobal(match.topLeft()), match.size());
  const QScreen* screen = w->screen();
  if (!screen) return;
  const QRect frame = w->frameGeometry();
  const QRect placed = placeClearOf(frame, global, screen->availableGeometry());
  if (placed != frame) w->move(placed.topLeft());
}

void SearchCommands::activateMainWindow() {
  QMainWindow* w = p_.frmMain;
  if (!w) return;
  w->show();
  w->raise();
  w->activateWindow();
  if (p_.txtFile) p_.txtFile->setFocus(Qt::OtherFocusReason);
}

// ---- the find window ----

void SearchCommands::loadFind() {
  auto* d = new FindDialog(p_.frmMain);
  find_ = d;
  QObject::connect(d->Text1, &QLineEdit::textChanged, d, [this, d](const QString& s) {
    d->Command1->setEnabled(!s.isEmpty());
    followFindBox(!s.isEmpty());
  });
  QObject::connect(d->Text1, &QLineEdit::returnPressed, d, [this, d] {
    if (!d->Text1->text().isEmpty()) findNextFromFind();
  });
  QObject::connect(d->Command1, &QPushButton::clicked, d, [this] { findNextFromFind(); });
  QObject::connect(d->Command2, &QPushButton::clicked, d, [this] { unloadFind(); });
  // Escape and the window's close button end up here.
  QObject::connect(d, &QDialog::finished, d, [this] { unloadFind(); });

  p_.SearchDialogOpen = true;
  d->Text1->setText(p_.FindText);
  d->Command1->setEnabled(!d->Text1->text().isEmpty());
  d->Check1->setChecked(p_.FindMatchCase);
  (p_.FindUpward ? d->Option1 : d->Option2)->setChecked(true);
  d->Text1->selectAll();
  d->show();
  d->raise();
  d->activateWindow();
}

void SearchCommands::unloadFind() {
  FindDialog* d = find_;
  if (!d) return;
  find_ = nullptr;
  QObject::disconnect(d, &QDialog::finished, nullptr, nullptr);
  d->hide();
  d->deleteLater();
  p_.SearchDialogOpen = false;
}

void SearchCommands::findNextFromFind() {
  FindDialog* d = find_;
  if (!d) return;
  p_.FindUpward = d->Option1->isChecked();
  p_.FindMatchCase = d->Check1->isChecked();
  p_.FindText = d->Text1->text();
  if (findAndSelect(p_.FindText, p_.FindMatchCase, p_.FindUpward, d)) activateMainWindow();
}

// ---- the replace window ----

void SearchCommands::loadHuan() {
  auto* d = new HuanDialog(p_.frmMain);
  huan_ = d;
  QObject::connect(d->Text1, &QLineEdit::textChanged, d, [this, d](const QString& s) {
    const bool has = !s.isEmpty();
    d->Command1->setEnabled(has);
    d->Command2->setEnabled(has);
    d->Command3->setEnabled(has);
    followFindBox(has);
  });
  // Enter in either box finds; it never replaces.
  for (QLineEdit* box : {d->Text1, d->Text2}) {
    QObject::connect(box, &QLineEdit::returnPressed, d, [this, d] {
      if (!d->Text1->text().isEmpty()) findNextFromHuan();
    });
  }
  QObject::connect(d->Command1, &QPushButton::clicked, d, [this] { findNextFromHuan(); });
  QObject::connect(d->Command2, &QPushButton::clicked, d, [this] { replaceOne(); });
  QObject::connect(d->Command3, &QPushButton::clicked, d, [this] { replaceAll(); });
  QObject::connect(d->Command4, &QPushButton::clicked, d, [this] { unloadHuan(); });
  QObject::connect(d, &QDialog::finished, d, [this] { unloadHuan(); });

  p_.SearchDialogOpen = true;
  d->Text1->setText(p_.FindText);
  d->Text2->setText(p_.ReplaceText);
  const bool has = !d->Text1->text().isEmpty();
  d->Command1->setEnabled(has);
  d->Command2->setEnabled(has);
  d->Command3->setEnabled(has);
  d->Check1->setChecked(p_.FindMatchCase);
  d->Text1->selectAll();
  d->show();
  d->raise();
  d->activateWindow();
}

void SearchCommands::unloadHuan() {
  HuanDialog* d = huan_;
  if (!d) return;
  huan_ = nullptr;
  QObject::disconnect(d, &QDialog::finished, nullptr, nullptr);
  p_.ReplaceText = d->Text2->text();
  d->hide();
  d->deleteLater();
  p_.SearchDialogOpen = false;
}

void SearchCommands::findNextFromHuan() {
  HuanDialog* d = huan_;
  if (!d) return;
  p_.FindMatchCase = d->Check1->isChecked();
  p_.FindText = d->Text1->text();
  // The replace window always searches towards the end of the text.
  if (findAndSelect(p_.FindText, p_.FindMatchCase, false, d)) activateMainWindow();
}

void SearchCommands::replaceOne() {
  HuanDialog* d = huan_;
  EditControl* t = p_.txtFile;
  if (!d || !t) return;
  // Whatever is selected is replaced; it is not compared with the find text.
  if (t->SelLength() > 0) {
    t->setSelText(d->Text2->text());
    p_.RecordUndo();
  }
  findNextFromHuan();
}

void SearchCommands::replaceAll() {
  HuanDialog* d = huan_;
  EditControl* t = p_.txtFile;
  if (!d || !t) return;
  p_.FindMatchCase = d->Check1->isChecked();
  p_.FindText = d->Text1->text();
  try {
    // The new text is made in one pass and given to the control once.
    ReplaceAllResult r =
        ReplaceAllInText(t->Text(), p_.FindText, d->Text2->text(), p_.FindMatchCase);
    if (r.count > 0) t->setText(r.text);
    t->setSelStart(t->TextLength());
    t->ensureCursorVisible();
    p_.RecordUndo();  // one entry for the whole operation
  } catch (...) {
    return;  // a failure ends the action silently
  }
  notice(d, QStringLiteral("替换完毕!"));
}
