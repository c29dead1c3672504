#pragma once
// The main window `frmMain`: the edit control filling the client area, the
// menu bar, the three timers, and the start-up and shut-down sequences.
#include <QMainWindow>
#include <memory>

#include "app/documents.h"
#include "platform/input_method.h"
#include "platform/settings_store.h"
#include "platform/sound_output.h"
#include "platform/ui.h"
#include "program/program.h"
#include "editing/edit_commands.h"
#include "reading/reading_commands.h"
#include "search/search_commands.h"

// What the main window uses of the outside world. Anything left null is
// made by the window itself with the real platform objects.
struct MainWindowDeps {
  Ui* ui = nullptr;
  SettingsStore* settings = nullptr;
  SoundOutput* sound = nullptr;
  InputMethod* ime = nullptr;
  Timer* timer1 = nullptr;
  Timer* timer2 = nullptr;
  Timer* timer3 = nullptr;
  Timer* wavTimer = nullptr;
  // The command-line tail: everything after the program path.
  QString commandLine;
};

// The command-line tail as one file name: everything after the program
// path. The platform hands it over split at spaces; it is joined again with
// single spaces, neither trimmed nor unquoted.
QString commandLineTail(const QStringList& arguments);

class MainWindow : public QMainWindow {
  Q_OBJECT
 public:
  using Deps = MainWindowDeps;

  explicit MainWindow(Deps deps = {});
  ~MainWindow() override;

  // The start-up sequence (the load of the window); call before show().
  void formLoad();

  Program& program() { return p_; }
  Documents& documents() { return documents_; }
  EditCommands& editCommands() { return edit_; }
  ReadingCommands& readingCommands() { return reading_; }
  SearchCommands& searchCommands() { return search_; }

 protected:
  void closeEvent(QCloseEvent* e) override;

 private:
  void connectMenu();
  void connectEditor();

  Program p_;
  QString commandLine_;
  std::vector<std::unique_ptr<QObject>> ownedObjects_;
  std::unique_ptr<Ui> ownedUi_;
  std::unique_ptr<SettingsStore> ownedSettings_;
  std::unique_ptr<SoundOutput> ownedSound_;
  std::unique_ptr<InputMethod> ownedIme_;
  Documents documents_{p_};
  EditCommands edit_{p_};
  ReadingCommands reading_{p_};
  SearchCommands search_{p_};
};
