// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/search_commands.h"

#include <QScreen>
#include <QTextCursor>

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTextDocument>

#include "platform/edit_control.h"
#include "platform/ui.h"
#include "program/program.h"
#include "search/text_search.h"
#include "search/window_clear_of_match.h"

SearchCommands::SearchCommands(Program& p) : p_(p) {
  // Scrolling, typing and the find box ask for new marks; they are made once
  // the events of the moment are over.
  marksTimer_.setSingleShot(true);
  marksTimer_.setInterval(0);
  QObject::connect(&marksTimer_, &QTimer::timeout, [this] { updateMarks(); });
}

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
  findAndSelect(SearchPattern{p_.search.FindText, p_.search.FindMatchCase, regex_},
                p_.search.FindUpward, p_.frmMain);
}

void SearchCommands::unloadWindows() {
  if (find_) unloadFind();
  if (huan_) unloadHuan();
}

void SearchCommands::followFindBox(bool hasText) {
  if (QAction* next = p_.menu.numNext; next && next->isEnabled() != hasText)
    next->setEnabled(hasText);
}

bool SearchCommands::findAndSelect(const QString& find, bool matchCase, bool upward,
                                   QWidget* owner) {
  return findAndSelect(SearchPattern{find, matchCase, false}, upward, owner);
}

bool SearchCommands::findAndSelect(const SearchPattern& pattern, bool upward, QWidget* owner) {
  EditControl* t = p_.txtFile;
  if (!t) return false;
  if (const QString error = PatternError(pattern); !error.isEmpty()) {
    // A bad pattern finds nothing, and says why.
    const QString text = QStringLiteral("正则表达式有误: ") + error;
    if (find_) find_->Label2->setText(text);
    notice(owner, text);
    return false;
  }
  SearchHit hit;
  QString text;
  try {
    // The search goes over `Text`, whose positions are the selection's: an
    // occurrence across the control's inner joins of a long line is found.
    text = t->Text();
    hit = FindPattern(text, t->SelStart(), t->SelLength(), pattern, upward);
  } catch (...) {
    return false;  // a failure ends the search silently
  }
  if (hit.start < 0) {
    if (find_) find_->Label2->setText(QStringLiteral("找不到"));
    notice(owner, QStringLiteral("找不到 '") + pattern.text + QStringLiteral("'!"));
    return false;
  }
  t->setSelStart(hit.start);
  t->setSelLength(hit.length);
  t->ensureCursorVisible();
  if (find_) {
    int index = 0;
    const int count = CountMatches(text, pattern, hit.start, &index);
    find_->Label2->setText(QStringLiteral("第 %1 个，共 %2 个").arg(index).arg(count));
  }
  moveOffMatch();
  return true;
}

void SearchCommands::scheduleMarks() {
  if (find_) marksTimer_.start();
}

void SearchCommands::clearMarks() {
  marksTimer_.stop();
  if (p_.txtFile && p_.txtFile->markCount() > 0) p_.txtFile->setMarks({}, {}, {});
}

void SearchCommands::updateMarks() {
  EditControl* t = p_.txtFile;
  FindDialog* d = find_;
  if (!t || !d) return;
  const SearchPattern pattern{d->Text1->text(), d->Check1->isChecked(), d->Check2->isChecked()};
  int start = 0, end = 0;
  t->visibleRange(&start, &end);
  // Only the lines in view are searched, however large the document.
  const QString shown = t->TextMid(start, end - start);
  QList<QPair<int, int>> ranges;
  for (const SearchHit& h : MatchesIn(shown, 0, int(shown.size()), pattern))
    ranges.push_back({start + h.start, h.length});
  const bool dark = t->palette().color(QPalette::Base).lightnessF() < 0.5;
  t->setMarks(ranges, dark ? QColor(0x80, 0x60, 0x00) : QColor(0xFF, 0xE0, 0x60),
              dark ? QColor(Qt::white) : QColor(Qt::black));
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
  // The occurrences in view stay marked while the window is open.
  QObject::connect(d->Text1, &QLineEdit::textChanged, d, [this] { scheduleMarks(); });
  QObject::connect(d->Check1, &QCheckBox::toggled, d, [this] { scheduleMarks(); });
  QObject::connect(d->Check2, &QCheckBox::toggled, d, [this] { scheduleMarks(); });
  if (EditControl* t = p_.txtFile) {
    QObject::connect(t, &EditControl::changed, d, [this] { scheduleMarks(); });
    // A scroll, or the whole view redrawn (a resize, wrapping changed).
    QObject::connect(t, &QPlainTextEdit::updateRequest, d, [this, t](const QRect& r, int dy) {
      if (dy || r.contains(t->viewport()->rect())) scheduleMarks();
    });
    QObject::connect(t->verticalScrollBar(), &QScrollBar::valueChanged, d,
                     [this] { scheduleMarks(); });
    QObject::connect(t->horizontalScrollBar(), &QScrollBar::valueChanged, d,
                     [this] { scheduleMarks(); });
  }
  // Escape and the window's close button end up here.
  QObject::connect(d, &QDialog::finished, d, [this] { unloadFind(); });

  p_.SearchDialogOpen = true;
  d->Text1->setText(p_.search.FindText);
  d->Command1->setEnabled(!d->Text1->text().isEmpty());
  d->Check1->setChecked(p_.search.FindMatchCase);
  d->Check2->setChecked(regex_);
  (p_.search.FindUpward ? d->Option1 : d->Option2)->setChecked(true);
  d->Text1->selectAll();
  scheduleMarks();
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
  clearMarks();
}

void SearchCommands::findNextFromFind() {
  FindDialog* d = find_;
  if (!d) return;
  p_.search.FindUpward = d->Option1->isChecked();
  p_.search.FindMatchCase = d->Check1->isChecked();
  p_.search.FindText = d->Text1->text();
  regex_ = d->Check2->isChecked();
  if (findAndSelect(SearchPattern{p_.search.FindText, p_.search.FindMatchCase, regex_},
                    p_.search.FindUpward, d))
    activateMainWindow();
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
  d->Text1->setText(p_.search.FindText);
  d->Text2->setText(p_.search.ReplaceText);
  const bool has = !d->Text1->text().isEmpty();
  d->Command1->setEnabled(has);
  d->Command2->setEnabled(has);
  d->Command3->setEnabled(has);
  d->Check1->setChecked(p_.search.FindMatchCase);
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
  p_.search.ReplaceText = d->Text2->text();
  d->hide();
  d->deleteLater();
  p_.SearchDialogOpen = false;
}

void SearchCommands::findNextFromHuan() {
  HuanDialog* d = huan_;
  if (!d) return;
  p_.search.FindMatchCase = d->Check1->isChecked();
  p_.search.FindText = d->Text1->text();
  regex_ = false;  // the replace window finds plain text
  // The replace window always searches towards the end of the text.
  if (findAndSelect(p_.search.FindText, p_.search.FindMatchCase, false, d)) activateMainWindow();
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
  p_.search.FindMatchCase = d->Check1->isChecked();
  p_.search.FindText = d->Text1->text();
  regex_ = false;
  try {
    // The new text is made in one pass and given to the control once.
    ReplaceAllResult r =
        ReplaceAllInText(t->Text(), p_.search.FindText, d->Text2->text(), p_.search.FindMatchCase);
    if (r.count > 0) t->setText(r.text);
    t->setSelStart(t->TextLength());
    t->ensureCursorVisible();
    p_.RecordUndo();  // one entry for the whole operation
  } catch (...) {
    return;  // a failure ends the action silently
  }
  notice(d, QStringLiteral("替换完毕!"));
}
