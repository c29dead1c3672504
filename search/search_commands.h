// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Find, find next and replace, with their modeless windows.
#include <QPointer>
#include <QString>
#include <QTimer>

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
  void loadFind();
  void unloadFind();
  void findNextFromFind();
  void loadHuan();
  void unloadHuan();
  void findNextFromHuan();
  void replaceOne();
  void replaceAll();

  // The find box of a window changed: its buttons and `numNext` follow it.
  void followFindBox(bool hasText);
  // Searches from the editor's selection and selects the occurrence; when
  // there is none, says so over `owner` and leaves the selection alone.
  bool findAndSelect(const QString& find, bool matchCase, bool upward, QWidget* owner);
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
