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

void SearchCommands::numFind() { openWindow(false); }

void SearchCommands::numHuan() { openWindow(true); }

void SearchCommands::openWindow(bool withReplace) {
  if (p_.ReadingActive) {
    notice(p_.frmMain, QStringLiteral("请先停止朗读!"));
    return;
  }
  if (p_.SearchDialogOpen) return;  // one search window at a time
  load(withReplace);
}

void SearchCommands::numNext() {
  // Repeats the last search as it stands, whatever else is going on.
  findAndSelect(SearchPattern{p_.search.FindText, p_.search.FindMatchCase, regex_},
                p_.search.FindUpward, p_.frmMain);
}

void SearchCommands::unloadWindows() {
  if (find_) unload(false);
  if (huan_) unload(true);
}

void SearchCommands::followFindBox(bool hasText) {
  if (QAction* next = p_.menu.numNext; next && next->isEnabled() != hasText)
    next->setEnabled(hasText);
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
  // A search goes through the whole text, never the part of a load that is in.
  t->finishLoading();
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

// ---- the find and the replace window ----

SearchCommands::WindowParts SearchCommands::parts(bool withReplace) const {
  if (withReplace) {
    HuanDialog* d = huan_;
    if (!d) return {};
    return {d, d->Text1, d->Text2, d->Check1, {d->Command1, d->Command2, d->Command3}, d->Command4};
  }
  FindDialog* d = find_;
  if (!d) return {};
  return {d, d->Text1, nullptr, d->Check1, {d->Command1}, d->Command2};
}

void SearchCommands::load(bool withReplace) {
  if (withReplace) huan_ = new HuanDialog(p_.frmMain);
  else find_ = new FindDialog(p_.frmMain);
  const WindowParts w = parts(withReplace);
  QDialog* d = w.window;
  // The buttons that search need a text to find.
  auto enableButtons = [w](bool hasText) {
    for (QPushButton* b : w.needText) b->setEnabled(hasText);
  };
  QObject::connect(w.findBox, &QLineEdit::textChanged, d, [this, enableButtons](const QString& s) {
    enableButtons(!s.isEmpty());
    followFindBox(!s.isEmpty());
  });
  // Enter in a box finds; it never replaces.
  for (QLineEdit* box : {w.findBox, w.replaceBox}) {
    if (!box) continue;
    QObject::connect(box, &QLineEdit::returnPressed, d, [this, w, withReplace] {
      if (!w.findBox->text().isEmpty()) findNext(withReplace);
    });
  }
  QObject::connect(w.needText.front(), &QPushButton::clicked, d,
                   [this, withReplace] { findNext(withReplace); });
  QObject::connect(w.cancel, &QPushButton::clicked, d,
                   [this, withReplace] { unload(withReplace); });
  if (withReplace) {
    QObject::connect(w.needText[1], &QPushButton::clicked, d, [this] { replaceOne(); });
    QObject::connect(w.needText[2], &QPushButton::clicked, d, [this] { replaceAll(); });
  } else {
    // The occurrences in view stay marked while the find window is open.
    FindDialog* f = find_;
    QObject::connect(f->Text1, &QLineEdit::textChanged, d, [this] { scheduleMarks(); });
    QObject::connect(f->Check1, &QCheckBox::toggled, d, [this] { scheduleMarks(); });
    QObject::connect(f->Check2, &QCheckBox::toggled, d, [this] { scheduleMarks(); });
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
  }
  // Escape and the window's close button end up here.
  QObject::connect(d, &QDialog::finished, d, [this, withReplace] { unload(withReplace); });

  p_.SearchDialogOpen = true;
  w.findBox->setText(p_.search.FindText);
  if (w.replaceBox) w.replaceBox->setText(p_.search.ReplaceText);
  enableButtons(!w.findBox->text().isEmpty());
  w.matchCase->setChecked(p_.search.FindMatchCase);
  if (!withReplace) {
    find_->Check2->setChecked(regex_);
    (p_.search.FindUpward ? find_->Option1 : find_->Option2)->setChecked(true);
  }
  w.findBox->selectAll();
  if (!withReplace) scheduleMarks();
  d->show();
  d->raise();
  d->activateWindow();
}

void SearchCommands::unload(bool withReplace) {
  const WindowParts w = parts(withReplace);
  if (!w.window) return;
  if (withReplace) huan_ = nullptr;
  else find_ = nullptr;
  QObject::disconnect(w.window, &QDialog::finished, nullptr, nullptr);
  if (w.replaceBox) p_.search.ReplaceText = w.replaceBox->text();
  w.window->hide();
  w.window->deleteLater();
  p_.SearchDialogOpen = false;
  if (!withReplace) clearMarks();
}

void SearchCommands::findNext(bool withReplace) {
  const WindowParts w = parts(withReplace);
  if (!w.window) return;
  p_.search.FindMatchCase = w.matchCase->isChecked();
  p_.search.FindText = w.findBox->text();
  // The replace window finds plain text, always towards the end of the text.
  regex_ = !withReplace && find_->Check2->isChecked();
  if (!withReplace) p_.search.FindUpward = find_->Option1->isChecked();
  const bool upward = !withReplace && p_.search.FindUpward;
  if (findAndSelect(SearchPattern{p_.search.FindText, p_.search.FindMatchCase, regex_}, upward,
                    w.window))
    activateMainWindow();
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
  findNext(true);
}

void SearchCommands::replaceAll() {
  HuanDialog* d = huan_;
  EditControl* t = p_.txtFile;
  if (!d || !t) return;
  p_.search.FindMatchCase = d->Check1->isChecked();
  p_.search.FindText = d->Text1->text();
  regex_ = false;
  t->finishLoading();
  try {
    // The new text is made in one pass and given to the control once; a
    // large one is shown from its start at once, the rest following.
    ReplaceAllResult r =
        ReplaceAllInText(t->Text(), p_.search.FindText, d->Text2->text(), p_.search.FindMatchCase);
    auto done = [this, t](const QString&, bool) {
      t->setSelStart(t->TextLength());
      t->ensureCursorVisible();
      p_.RecordUndo();  // one entry for the whole operation
    };
    if (r.count > 0) t->setTextGradually(r.text, done);
    else done(QString(), false);
  } catch (...) {
    return;  // a failure ends the action silently
  }
  notice(d, QStringLiteral("替换完毕!"));
}
