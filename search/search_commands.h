#pragma once
// Find, find next and replace, with their modeless windows.
#include <QPointer>
#include <QString>

#include "search/search_dialogs.h"

struct Program;
class QWidget;

class SearchCommands {
 public:
  explicit SearchCommands(Program& p) : p_(p) {}
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
  // Moves the open search window off the match it has just selected.
  void moveOffMatch();
  void activateMainWindow();
  void notice(QWidget* owner, const QString& text);

  Program& p_;
  QPointer<FindDialog> find_;
  QPointer<HuanDialog> huan_;
};
