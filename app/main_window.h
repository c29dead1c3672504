// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window `frmMain`: the edit control filling the client area, the
// menu bar, the three timers, and the start-up and shut-down sequences.
#include <QMainWindow>
#include <QSet>
#include <QTimer>
#include <functional>
#include <memory>
#include <vector>

#include "app/documents.h"
#include "app/recent_files.h"
#include "app/recovery.h"
#include "app/status_bar.h"
#include "editing/edit_commands.h"
#include "platform/input_method.h"
#include "platform/settings_store.h"
#include "platform/sound_output.h"
#include "platform/ui.h"
#include "program/program.h"
#include "reading/reading_commands.h"
#include "reading/word_readings.h"
#include "search/search_commands.h"

// What the main window uses of the outside world. Anything left null is
// made by the window itself with the real platform objects.
struct MainWindowDeps {
  Ui* ui = nullptr;
  SettingsStore* settings = nullptr;
  SoundOutput* sound = nullptr;
  InputMethod* ime = nullptr;
  WordReadings* words = nullptr;  // the word table; made from words.txt when null
  Timer* timer1 = nullptr;
  Timer* timer2 = nullptr;
  Timer* timer3 = nullptr;
  Timer* wavTimer = nullptr;
  // The places of the files last closed; the user's own store when null.
  FilePlaces* places = nullptr;
  // The command-line tail: everything after the program path.
  QString commandLine;
  // Not empty when the tail's bytes name no file the program could reach
  // again: shown instead of loading, and no name is bound.
  QString commandLineRefusal;
  // The folder of the crash recovery files; none kept when empty.
  QString recoveryFolder;
  // How long the typing must rest before the unsaved text is kept, and the
  // longest it waits while the typing goes on.
  int recoveryIdleMs = 2000;
  int recoveryLongestMs = 10000;
};

// The command-line tail as one file name: everything after the program
// path. The platform hands it over split at spaces; it is joined again with
// single spaces, neither trimmed nor unquoted.
QString commandLineTail(const QStringList& arguments);
// The message that refuses a command-line tail whose bytes are not valid in
// the locale's encoding (a GBK name on a UTF-8 system); empty when valid.
QString commandLineNameRefusal(int argc, const char* const* argv);
class EditorZoom;
class QMimeData;

// The editor's text size on a first start (no stored window or font).
constexpr double kFirstStartPoints = 12;

// The first local file among dragged data; empty when none.
QString droppedFileName(const QMimeData* data);
// Whether a menu item works on the part of a large file that is in while
// the rest loads; the others wait for the whole text first.
bool worksWhileLoading(const QString& item);

class MainWindow : public QMainWindow {
  Q_OBJECT
 public:
  using Deps = MainWindowDeps;

  explicit MainWindow(Deps deps = {});
  ~MainWindow() override;

  // The start-up sequence (the load of the window); call before show().
  void formLoad();

  Program& program() { return p_; }
  // True when the menu item of that name has its handler connected.
  bool handlesMenuItem(const QString& name) const { return handled_.contains(name); }
  Documents& documents() { return documents_; }
  EditCommands& editCommands() { return edit_; }
  ReadingCommands& readingCommands() { return *reading_; }
  SearchCommands& searchCommands() { return search_; }
  EditorZoom& zoom() { return *zoom_; }
  RecentFiles& recentFiles() { return recent_; }
  // Opens a file of the 最近的文件 list; one that is gone is refused with
  // a message and taken off the list.
  void openRecent(const QString& fileName);
  StatusPanel& statusPanel() { return *status_; }

 protected:
  void closeEvent(QCloseEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;
  // Coming back to the window: the file may have changed meanwhile.
  void changeEvent(QEvent* e) override;

 public:
  // Offers the texts of copies that ended without closing (恢复 / 丢弃);
  // formLoad does it last.
  void offerRecovery();
  // Keeps the unsaved text in this copy's recovery file now (or removes
  // the file when nothing is unsaved); the idle timer does it by itself.
  void keepRecovery();
  recovery::Store* recoveryStore() { return recovery_.get(); }

 private:
  void connectRecovery(const Deps& deps);
  void noticeDiskChangeSoon();
  std::unique_ptr<recovery::Store> recovery_;
  QTimer recoveryIdle_, recoveryLongest_;
  bool diskCheckQueued_ = false;

  // The handler of each menu item, by the item's name; `onToggle` ones
  // follow the check however it changes (settings restored too), the others
  // run when the item is chosen.
  struct MenuHandler {
    QString name;
    bool onToggle = false;
    std::function<void(bool)> handler;
  };
  std::vector<MenuHandler> menuHandlers();
  void connectMenu();
  void connectEditor();
  void connectEditorItems();
  void fillRecentMenu();

  Program p_;
  QSet<QString> handled_;  // the menu items connected to their handlers
  QString commandLine_;
  QString commandLineRefusal_;
  std::vector<std::unique_ptr<QObject>> ownedObjects_;
  std::unique_ptr<Ui> ownedUi_;
  std::unique_ptr<SettingsStore> ownedSettings_;
  std::unique_ptr<SoundOutput> ownedSound_;
  std::unique_ptr<InputMethod> ownedIme_;
  std::unique_ptr<WordReadings> ownedWords_;
  std::unique_ptr<FilePlaces> ownedPlaces_;
  Documents documents_{p_};
  EditCommands edit_{p_};
  std::unique_ptr<ReadingCommands> reading_;  // made once the timers are set
  SearchCommands search_{p_};
  RecentFiles recent_{nullptr};
  EditorZoom* zoom_ = nullptr;  // owned by the editor
  StatusPanel* status_ = nullptr;
};
