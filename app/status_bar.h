// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The status bar under the text: the caret's line and column, the
// document's encoding and its line ends. It lives in the main window's
// QStatusBar as permanent widgets, beside the passing messages others show
// there; the menu item 状态栏(&B) hides the whole bar.
#include <QObject>
#include <QString>
#include <functional>

#include "app/text_file.h"

class EditControl;
class QLabel;
class QStatusBar;

struct StatusFigures {
  int line = 1;      // from 1
  int column = 1;    // from 1, in characters
  QString encoding;  // "GBK", "UTF-8", "UTF-8 BOM", "UTF-16 LE", "UTF-16 BE"
  QString lineEnds;  // "CRLF", "LF", or "混合" when both occur
};

// The figures of the control and the document's format; no scan of the
// text (the control keeps its counts of line breaks).
StatusFigures statusFigures(const EditControl& t, const textfile::Format& format);

class StatusPanel : public QObject {
  Q_OBJECT
 public:
  StatusPanel(QStatusBar* bar, EditControl* t, std::function<textfile::Format()> format);
  // Shows the figures as they stand.
  void refresh();
  // The texts shown, in order: position, encoding, line ends.
  QString positionText() const;
  QString encodingText() const;
  QString lineEndsText() const;

 private:
  EditControl* t_;
  std::function<textfile::Format()> format_;
  QLabel* position_;
  QLabel* encoding_;
  QLabel* lineEnds_;
};
