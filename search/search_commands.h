// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Find, find next and replace, with their modeless windows.
#include <QPointer>
#include <QString>
#include <QTimer>
#include <vector>

#include "search/search_dialogs.h"
#include "search/text_search.h"

struct Program;
class QWidget;

class SearchCommands {
 public:
  explicit SearchCommands(Program& p);
  ~SearchCommands();
  SearchCommands(const SearchCommands&) = delete;
  SearchCommands& operator=(const SearchCommands&) = delete;

  void numFind();
  void numNext();
  void numHuan();
  // Unloads the find and the replace window, whether or not they are open.
  void unloadWindows();

  // The open windows, or null.
  FindDialog* frmFind() const { return find_; }
  HuanDialog* frmHuan() const { return huan_; }

 private:
  // The find window (`frmFind`) and the replace window (`frmHuan`) share
  // one flow; `withReplace` names the replace window. Opening refuses
  // while reading, and while a search window is open.
  void openWindow(bool withReplace);
  void load(bool withReplace);
  void unload(bool withReplace);
  void findNext(bool withReplace);
  // What the two windows have in common (all null when the window is not
  // open): the boxes, the match-case box, the buttons that need a text to
  // find (find next first) and the cancel button.
  struct WindowParts {
    QDialog* window = nullptr;
    QLineEdit* findBox = nullptr;
    QLineEdit* replaceBox = nullptr;  // null in the find window
    QCheckBox* matchCase = nullptr;
    std::vector<QPushButton*> needText;
    QPushButton* cancel = nullptr;
  };
  WindowParts parts(bool withReplace) const;
  void replaceOne();
  void replaceAll();

  // The find box of a window changed: its buttons and `numNext` follow it.
  void followFindBox(bool hasText);
  // Searches from the editor's selection and selects the occurrence; when
  // there is none, says so over `owner` and leaves the selection alone.
  bool findAndSelect(const SearchPattern& pattern, bool upward, QWidget* owner);
  // Moves the open search window off the match it has just selected.
  void moveOffMatch();
  void activateMainWindow();
  void notice(QWidget* owner, const QString& text);

  // The occurrences in view are marked while the find window is open.
  void scheduleMarks();
  void updateMarks();
  void clearMarks();

  Program& p_;
  // The find window's last search was by regular expression (find next
  // searches the same way); the replace window always finds plain text.
  bool regex_ = false;
  QTimer marksTimer_;
  QPointer<FindDialog> find_;
  QPointer<HuanDialog> huan_;
};
