// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/main_window.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QIcon>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QStatusBar>
#include <QUrl>

#include "about/about_command.h"
#include "app/association.h"
#include "app/file_places.h"
#include "app/settings.h"
#include "app/window_placement.h"
#include "appearance/editor_options.h"
#include "appearance/font_command.h"
#include "crypt/crypt_commands.h"
#include "editing/editor_zoom.h"
#include "editing/goto_line.h"
#include "platform/edit_control.h"
#include "platform/file_access.h"
#include "platform/pinyin_dictionary_ime.h"
#include "platform/qt_sound_output.h"
#include "platform/settings_store.h"
#include "platform/sound_output.h"
#include "platform/timer.h"
#include "platform/ui.h"

QString commandLineTail(const QStringList& arguments) {
  return arguments.mid(1).join(QLatin1Char(' '));
}

QString commandLineNameRefusal(int argc, const char* const* argv) {
  QByteArray tail;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) tail += ' ';
    tail += argv[i];
  }
  if (fileaccess::decodeFileName(tail)) return {};
  // Shown as far as it is text; the rest stands as U+FFFD.
  return unreadableNameMessage(QString::fromLocal8Bit(tail));
}

MainWindow::MainWindow(Deps deps)
    : commandLine_(deps.commandLine), commandLineRefusal_(deps.commandLineRefusal) {
  setObjectName(QStringLiteral("frmMain"));
  setWindowIcon(QIcon(QStringLiteral(":/icons/app.svg")));
  resize(518, 310);

  p_.frmMain = this;
  p_.txtFile = new EditControl(this);
  setCentralWidget(p_.txtFile);  // fills the client area and follows resizes

  if (!deps.ui) {
    ownedUi_ = std::make_unique<QtUi>();
    deps.ui = ownedUi_.get();
  }
  if (!deps.settings) {
    ownedSettings_ = std::make_unique<SettingsStore>();
    deps.settings = ownedSettings_.get();
  }
  if (!deps.ime) {
    // Reads its dictionary when reading first asks for it.
    ownedIme_ = std::make_unique<PinyinDictionaryIme>();
    deps.ime = ownedIme_.get();
  }
  if (!deps.words) {
    // Reads its table when reading first looks a word up.
    ownedWords_ = std::make_unique<WordReadings>();
    deps.words = ownedWords_.get();
  }
  if (!deps.sound) {
    ownedSound_ = std::make_unique<QtSoundOutput>();
    deps.sound = ownedSound_.get();
  }
  if (!deps.places) {
    ownedPlaces_ = std::make_unique<FilePlaces>(FilePlaces::defaultStoreFile());
    ownedPlaces_->load();
    deps.places = ownedPlaces_.get();
  }
  p_.places = deps.places;
  p_.ui = deps.ui;
  p_.settings = deps.settings;
  p_.sound = deps.sound;
  p_.reading.ime = deps.ime;
  p_.reading.words = deps.words;

  // The timers' design-time state, also for timers handed in by tests.
  auto makeTimer = [this](Timer* given, int interval, bool enabled) -> Timer* {
    Timer* t = given ? given : new WinTimer(this);
    t->setInterval(interval);
    t->setEnabled(enabled);
    return t;
  };
  p_.Timer1 = makeTimer(deps.timer1, 50, true);
  // 中速, as the checked item says (a stored speed replaces it).
  p_.Timer2 = makeTimer(deps.timer2, 500, false);
  p_.Timer3 = makeTimer(deps.timer3, 0, false);
  p_.WavTimer = makeTimer(deps.wavTimer, 0, false);
  reading_ = std::make_unique<ReadingCommands>(p_);
  p_.Timer1->onTick = [this] { edit_.onClipboardTick(); };
  p_.Timer2->onTick = [this] { reading_->timer2Tick(); };
  p_.Timer3->onTick = [this] { reading_->timer3Tick(); };
  p_.WavTimer->onTick = [this] { reading_->wavTimerTick(); };

  p_.menu.build(menuBar(), this);
  connectMenu();
  connectEditor();
  zoom_ = new EditorZoom(p_.txtFile);
  recent_ = RecentFiles(p_.settings);
  connectEditorItems();
  // Files dragged from a file manager open as Open would open them.
  p_.txtFile->viewport()->installEventFilter(this);
  // The status bar: the caret's line and column, the encoding, the line ends.
  status_ = new StatusPanel(statusBar(), p_.txtFile, [this] { return documents_.format(); });
  // A large file's load shows its progress until all is in.
  connect(p_.txtFile, &EditControl::loadProgress, this, [this](int percent, bool waiting) {
    p_.showStatus(percent < 0 ? QStringLiteral("正在载入…")
                              : QStringLiteral("正在载入… %1%").arg(percent));
    // A command waiting for the load handles no events: drawn at once.
    if (waiting) statusBar()->repaint();
  });
  documents_.onLoaded = [this] {
    status_->refresh();
    // What was typed meanwhile is kept now; nothing is, when nothing was.
    keepRecovery();
  };
  setWindowTitle(kUntitled + QStringLiteral(" - ") + kAppTitle);
  connectRecovery(deps);
  // Another program's change is told at once, our own saves are not.
  connect(&documents_.diskWatch(), &DiskWatch::touched, this, [this] { noticeDiskChangeSoon(); });
}

void MainWindow::connectRecovery(const Deps& deps) {
  if (deps.recoveryFolder.isEmpty()) return;
  recovery_ = std::make_unique<recovery::Store>(deps.recoveryFolder);
  recoveryIdle_.setSingleShot(true);
  recoveryIdle_.setInterval(deps.recoveryIdleMs);
  recoveryLongest_.setSingleShot(true);
  recoveryLongest_.setInterval(deps.recoveryLongestMs);
  connect(&recoveryIdle_, &QTimer::timeout, this, [this] { keepRecovery(); });
  connect(&recoveryLongest_, &QTimer::timeout, this, [this] { keepRecovery(); });
  connect(p_.txtFile, &EditControl::changed, this, [this] {
    recoveryIdle_.start();
    if (!recoveryLongest_.isActive()) recoveryLongest_.start();
  });
  documents_.afterWrite = [this] { keepRecovery(); };
}

void MainWindow::keepRecovery() {
  if (!recovery_) return;
  // Never a half text: the recovery waits for a load to end.
  if (p_.txtFile->isLoading()) return;
  recoveryIdle_.stop();
  recoveryLongest_.stop();
  // Unsaved: a recorded step, or typing not recorded yet. A change event
  // alone (the text of a file just loaded) is nothing to recover.
  const bool unsaved = p_.undo.UndoPos() > 0 ||
                       (p_.editing.TextDirty && p_.txtFile->Text() != p_.undo.currentText());
  if (!unsaved) {
    recovery_->remove();  // nothing unsaved
    return;
  }
  recovery::Record r;
  r.fileName = p_.CurrentFileName;
  r.hasFileName = p_.HasFileName;
  r.format = documents_.format();
  r.time = QDateTime::currentDateTime();
  r.text = p_.txtFile->Text();
  recovery_->write(r);
}

void MainWindow::offerRecovery() {
  if (!recovery_) return;
  std::vector<recovery::Orphan> orphans = recovery_->orphans();
  bool restored = false;
  for (recovery::Orphan& o : orphans) {
    // One text fits the window; the others wait for the next start.
    if (restored) break;
    const recovery::Record& r = o.record;
    const QString text =
        QStringLiteral(
            "妙音朗读器上次没有正常退出。\r\n“%1”有未保存的文字,保存于 %2。\r\n恢复这些文字吗?")
            .arg(r.fileName,
                 QLocale::system().toString(r.time.toLocalTime(), QLocale::ShortFormat));
    const int answer = p_.ui->choose(this, text, kAppTitle, MsgIcon::Question,
                                     {QStringLiteral("恢复"), QStringLiteral("丢弃")});
    if (answer == 0) {
      documents_.restoreText(r.fileName, r.hasFileName, r.format, r.text);
      // Kept as this copy's own before the old file goes.
      keepRecovery();
      recovery::Store::discard(o);
      restored = true;
    } else if (answer == 1) {
      recovery::Store::discard(o);
    }
  }
}

void MainWindow::noticeDiskChangeSoon() {
  if (diskCheckQueued_) return;
  diskCheckQueued_ = true;
  // Out of the event that told of it, so that the box is not shown inside
  // the activation or the watcher's report.
  QMetaObject::invokeMethod(
      this,
      [this] {
        diskCheckQueued_ = false;
        documents_.noticeDiskChange();
      },
      Qt::QueuedConnection);
}

void MainWindow::changeEvent(QEvent* e) {
  QMainWindow::changeEvent(e);
  if (e->type() == QEvent::ActivationChange && isActiveWindow()) noticeDiskChangeSoon();
}

MainWindow::~MainWindow() {
  for (Timer* t : {p_.Timer1, p_.Timer2, p_.Timer3, p_.WavTimer})
    if (t) t->onTick = nullptr;
}

std::vector<MainWindow::MenuHandler> MainWindow::menuHandlers() {
  std::vector<MenuHandler> h = {
      {"numNew", false, [this](bool) { documents_.numNew(); }},
      {"numOpen", false, [this](bool) { documents_.numOpen(); }},
      {"numSave", false, [this](bool) { documents_.numSave(); }},
      {"numSaveAs", false, [this](bool) { documents_.numSaveAs(); }},
      {"numPrint", false, [this](bool) { documents_.numPrint(); }},
      {"numExit", false, [this](bool) { close(); }},
      {"numUndo", false, [this](bool) { edit_.numUndo(); }},
      {"numRedo", false, [this](bool) { edit_.numRedo(); }},
      {"numCut", false, [this](bool) { edit_.numCut(); }},
      {"numCopy", false, [this](bool) { edit_.numCopy(); }},
      {"numPaste", false, [this](bool) { edit_.numPaste(); }},
      {"numDelete", false, [this](bool) { edit_.numDelete(); }},
      {"numClear", false, [this](bool) { edit_.numClear(); }},
      {"numAll", false, [this](bool) { edit_.numAll(); }},
      {"numDate", false, [this](bool) { edit_.numDate(); }},
      {"numFind", false, [this](bool) { search_.numFind(); }},
      {"numNext", false, [this](bool) { search_.numNext(); }},
      {"numHuan", false, [this](bool) { search_.numHuan(); }},
      {"numGoto", false, [this](bool) { numGoto(p_); }},
      {"numEncr", false, [this](bool) { numEncr(p_); }},
      {"numDecr", false, [this](bool) { numDecr(p_); }},
      {"numFont", false, [this](bool) { numFont(p_); }},
      {"numStatusBar", true, [this](bool on) { statusBar()->setVisible(on); }},
      {"numWrap", true, [this](bool on) { p_.txtFile->setWordWrap(on); }},
      {"numLineNumbers", true, [this](bool on) { p_.txtFile->setLineNumbersShown(on); }},
      // The keys are the 格式 menu's 放大, 缩小 and 还原 (each key on one item
      // only: a key given to two actions is ambiguous and does nothing).
      {"numZoomIn", false, [this](bool) { zoom_->zoomIn(); }},
      {"numZoomOut", false, [this](bool) { zoom_->zoomOut(); }},
      {"numZoomReset", false, [this](bool) { zoom_->reset(); }},
      {"numStart", false, [this](bool) { reading_->numStart(); }},
      {"numStop", false, [this](bool) { reading_->numStop(); }},
      {"numReadToFile", false, [this](bool) { reading_->numReadToFile(); }},
      {"numPause", false, [this](bool) { reading_->numPause(); }},
      {"numPrevSentence", false, [this](bool) { reading_->numPrevSentence(); }},
      {"numNextSentence", false, [this](bool) { reading_->numNextSentence(); }},
      // Checking is the handlers' business, not the menu's: the automatic
      // toggle is undone so that the handler sees the state before the click.
      {"numSoundOpt(0)", false,
       [this](bool) {
         p_.menu.numSoundOpt[0]->setChecked(!p_.menu.numSoundOpt[0]->isChecked());
         reading_->numSoundOpt(0);
       }},
      {"numWords", false,
       [this](bool) {
         p_.menu.numWords->setChecked(!p_.menu.numWords->isChecked());
         reading_->numWords();
       }},
      // 轻声 and 上声变调: each toggles its option; the check follows it.
      {"numNeutralTone", false,
       [this](bool) {
         p_.reading.ReadNeutralTone = !p_.reading.ReadNeutralTone;
         p_.menu.numNeutralTone->setChecked(p_.reading.ReadNeutralTone);
       }},
      {"numToneSandhi", false,
       [this](bool) {
         p_.reading.ReadToneSandhi = !p_.reading.ReadToneSandhi;
         p_.menu.numToneSandhi->setChecked(p_.reading.ReadToneSandhi);
       }},
      {"numHelp", false, [](bool) {}},
      {"numAbout", false, [this](bool) { numAbout(p_); }},
  };
  for (int i = 0; i < 4; ++i) {
    h.push_back({QStringLiteral("numSoundSpeed(%1)").arg(i), false, [this, i](bool) {
                   QAction* a = p_.menu.numSoundSpeed[i];
                   a->setChecked(!a->isChecked());
                   reading_->numSoundSpeed(i);
                 }});
  }
  for (int i = 0; i < 3; ++i) {
    h.push_back({QStringLiteral("numSchemeItem(%1)").arg(i), false,
                 [this](bool) { applyEditorOptions(p_, editorOptionsOf(p_)); }});
  }
  return h;
}

void MainWindow::connectMenu() {
  MainMenu& m = p_.menu;
  m.numSoundOpt[0]->setCheckable(true);
  // The groups first, so that an item's group has checked it before its
  // handler runs. Speeds: one exclusive group, drawn with radio marks; the
  // handlers still decide which item is checked.
  auto* speeds = new QActionGroup(this);
  speeds->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
  for (QAction* a : m.numSoundSpeed) speeds->addAction(a);
  auto* schemes = new QActionGroup(this);
  schemes->setExclusive(true);
  for (QAction* a : m.numSchemeItem) schemes->addAction(a);
  // Every item is connected by its name to its handler. While a large file
  // loads, a command that needs its whole text waits for the rest, the
  // progress shown.
  for (MenuHandler& h : menuHandlers()) {
    QAction* a = m.item(h.name);
    if (!a) continue;
    handled_.insert(h.name);
    std::function<void(bool)> handler = std::move(h.handler);
    if (!worksWhileLoading(h.name)) {
      handler = [this, inner = std::move(handler)](bool on) {
        p_.txtFile->finishLoading();
        inner(on);
      };
    }
    if (h.onToggle) connect(a, &QAction::toggled, this, std::move(handler));
    else connect(a, &QAction::triggered, this, std::move(handler));
  }
}

bool worksWhileLoading(const QString& item) {
  // New, Open and Exit drop the load (their save question saves the whole
  // text); the clipboard items and typing work on what is shown; reading
  // reads on as far as the text is in; the others change only the view.
  static const QStringList items = {
      QStringLiteral("numNew"),         QStringLiteral("numOpen"),
      QStringLiteral("numExit"),        QStringLiteral("numCut"),
      QStringLiteral("numCopy"),        QStringLiteral("numPaste"),
      QStringLiteral("numDelete"),      QStringLiteral("numDate"),
      QStringLiteral("numStart"),       QStringLiteral("numStop"),
      QStringLiteral("numStatusBar"),   QStringLiteral("numWrap"),
      QStringLiteral("numLineNumbers"), QStringLiteral("numZoomIn"),
      QStringLiteral("numZoomOut"),     QStringLiteral("numZoomReset"),
      QStringLiteral("numFont"),        QStringLiteral("numWords"),
      QStringLiteral("numNeutralTone"), QStringLiteral("numToneSandhi"),
      QStringLiteral("numHelp"),        QStringLiteral("numAbout")};
  static const QStringList indexed = {QStringLiteral("numSoundSpeed("),
                                      QStringLiteral("numSoundOpt("),
                                      QStringLiteral("numSchemeItem(")};
  if (items.contains(item)) return true;
  for (const QString& prefix : indexed)
    if (item.startsWith(prefix)) return true;
  return false;
}

void MainWindow::connectEditorItems() {
  // The list is read when the menu opens: another window may have changed it.
  connect(p_.menu.numRecent, &QMenu::aboutToShow, this, [this] { fillRecentMenu(); });
  fillRecentMenu();
  documents_.onFileUsed = [this](const QString& name) { recent_.add(name); };
}

void MainWindow::fillRecentMenu() {
  QMenu* menu = p_.menu.numRecent;
  if (!menu) return;
  menu->clear();
  const QStringList files = recent_.files();
  for (int i = 0; i < files.size(); ++i) {
    // "&1 name": the number is the item's key.
    QString shown = files[i];
    shown.replace(QLatin1Char('&'), QLatin1String("&&"));
    QAction* a = menu->addAction(QStringLiteral("&%1 %2").arg((i + 1) % 10).arg(shown));
    a->setObjectName(QStringLiteral("numRecentFile(%1)").arg(i));
    const QString name = files[i];
    connect(a, &QAction::triggered, this, [this, name] { openRecent(name); });
  }
  if (files.isEmpty()) menu->addAction(QStringLiteral("(无)"))->setEnabled(false);
  menu->addSeparator();
  QAction* clear = menu->addAction(QStringLiteral("清除列表(&C)"));
  clear->setObjectName(QStringLiteral("numRecentClear"));
  clear->setEnabled(!files.isEmpty());
  connect(clear, &QAction::triggered, this, [this] {
    recent_.clear();
    fillRecentMenu();
  });
}

void MainWindow::openRecent(const QString& fileName) {
  if (!QFileInfo(fileName).isFile()) {
    p_.ui->message(this, RecentFiles::missingMessage(fileName), QStringLiteral("提示"),
                   MsgIcon::Information, MsgButtons::Ok);
    recent_.remove(fileName);
    fillRecentMenu();
    return;
  }
  documents_.openFile(fileName);
}

QString droppedFileName(const QMimeData* data) {
  if (!data || !data->hasUrls()) return {};
  for (const QUrl& url : data->urls())
    if (url.isLocalFile()) return url.toLocalFile();
  return {};
}

bool MainWindow::eventFilter(QObject* watched, QEvent* e) {
  if (watched == p_.txtFile->viewport()) {
    switch (e->type()) {
      case QEvent::DragEnter:
      case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(e);
        if (droppedFileName(drag->mimeData()).isEmpty()) break;
        drag->setDropAction(Qt::CopyAction);
        drag->accept();
        return true;
      }
      case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(e);
        const QString name = droppedFileName(drop->mimeData());
        if (name.isEmpty()) break;
        drop->setDropAction(Qt::CopyAction);
        drop->accept();
        // After the drop is over, so that the file manager is not held by
        // the save question.
        QMetaObject::invokeMethod(
            this, [this, name] { documents_.openFile(name); }, Qt::QueuedConnection);
        return true;
      }
      default: break;
    }
  }
  return QMainWindow::eventFilter(watched, e);
}

void MainWindow::connectEditor() {
  EditControl* t = p_.txtFile;
  connect(t, &EditControl::changed, this, [this] { edit_.onChange(); });
  connect(t, &EditControl::keyDown, this, [this](int k, int s) { edit_.onKeyDown(k, s); });
  connect(t, &EditControl::keyUp, this, [this](int k, int s, bool r) { edit_.onKeyUp(k, s, r); });
  connect(t, &EditControl::mouseUp, this,
          [this](int b, int s, int x, int y) { edit_.onMouseUp(b, s, x, y); });
  connect(t, &EditControl::selChange, this, [this] { edit_.onSelChange(); });
  connect(t, &EditControl::textEntered, this, [this] { edit_.onTextEntered(); });
  edit_.watchKeyRepeats();
}

void MainWindow::formLoad() {
  // An unexpected error ends the sequence where it stands, silently.
  try {
    // A settings file that cannot be opened (a FIFO): defaults, told once,
    // and no first-start question, whose answer could not be kept.
    const QString settingsProblem = p_.settings->takeProblem();
    if (!settingsProblem.isEmpty())
      p_.ui->message(this, settingsProblem, QStringLiteral("提示"), MsgIcon::Information,
                     MsgButtons::Ok);
    if (p_.settings->usable() &&
        p_.settings->read(QStringLiteral("Type"), QStringLiteral("txt")).isEmpty())
      AssociateFileTypes(p_);
    p_.CurrentFileName = kUntitled;
    p_.setTitle(kUntitled);
    p_.resetHistory(QString());
    p_.menu.numUndo->setEnabled(false);
    p_.search.FindText.clear();
    p_.search.ReplaceText.clear();
    p_.menu.numNext->setEnabled(false);
    p_.search.FindMatchCase = false;
    p_.search.FindUpward = false;
    p_.SearchDialogOpen = false;
    p_.menu.numCopy->setEnabled(false);
    p_.menu.numCut->setEnabled(false);
    p_.menu.numDelete->setEnabled(false);
    p_.menu.numStop->setEnabled(false);
    LoadSettings(p_);
    applyEditorOptions(p_, readEditorOptions(*p_.settings));
    // A first start: a text size one reads without effort.
    if (p_.settings->read(QStringLiteral("Window"), QStringLiteral("Width")).isEmpty() &&
        p_.settings->read(QStringLiteral("Font"), QStringLiteral("Size")).isEmpty())
      p_.txtFile->setFontSize(kFirstStartPoints);
    placeNewWindow(*this, *p_.settings);
    if (!commandLineRefusal_.isEmpty()) {
      // A name no file function of ours would reach: nothing is bound to it.
      p_.ui->message(this, commandLineRefusal_, QStringLiteral("提示"), MsgIcon::Information,
                     MsgButtons::Ok);
    } else if (!commandLine_.isEmpty() &&
               documents_.loadTextFile(commandLine_) != Documents::LoadResult::Refused) {
      p_.CurrentFileName = commandLine_;
      p_.HasFileName = true;
      p_.resetHistory(p_.txtFile->Text());
      p_.menu.numDelete->setEnabled(true);
      documents_.diskWatch().watch(commandLine_);
      if (p_.title() == commandLine_ + QStringLiteral(" - ") + kAppTitle) recent_.add(commandLine_);
      // A file still loading goes to its place once it is all in.
      if (!p_.txtFile->isLoading()) documents_.restorePlace();
    }
    offerRecovery();
  } catch (...) {}
}

void MainWindow::closeEvent(QCloseEvent* e) {
  // Each step runs whatever the one before it did.
  try {
    if (p_.reading.SoundFileOpen && p_.sound) p_.sound->closeSegmentFile();
  } catch (...) {}
  try {
    SaveSettings(p_);
  } catch (...) {}
  try {
    storeWindowPlacement(*this, *p_.settings);
    writeEditorOptions(*p_.settings, editorOptionsOf(p_));
    forgetShownWindow(*p_.settings);
  } catch (...) {}
  try {
    search_.unloadWindows();
  } catch (...) {}
  try {
    bool saved = false;
    const MsgResult r = documents_.askToSave(MsgButtons::YesNoCancel, &saved);
    // Cancel keeps the window; so does a save that was cancelled or failed,
    // so that the text the user asked to keep is not thrown away.
    if (r == MsgResult::Cancel || (r == MsgResult::Yes && !saved)) {
      e->ignore();
      return;
    }
  } catch (...) {}
  try {
    documents_.rememberPlace();
  } catch (...) {}
  // The window goes: a session still running makes no further step or sound.
  if (p_.ReadingActive) {
    p_.Timer2->setEnabled(false);
    p_.Timer3->setEnabled(false);
    reading_->speech().Stop();
  }
  // Closed as the user chose: nothing is left to recover.
  if (recovery_) {
    recoveryIdle_.stop();
    recoveryLongest_.stop();
    recovery_->remove();
  }
  e->accept();
}
