// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The file commands of the main window and the text-file loader.
#include <QString>
#include <functional>
#include <memory>

#include "app/disk_watch.h"
#include "app/text_file.h"
#include "platform/ui.h"

class QPrinter;
struct Program;

class Documents {
 public:
  explicit Documents(Program& p) : p_(p) {}
  void numNew();
  void numOpen();
  // Opens a named file as Open does, without the dialog (a file dropped on
  // the window): the save question first.
  void openFile(const QString& fileName);
  // True when the document was written.
  bool numSave();
  bool numSaveAs();
  void numPrint();
  void LoadTextFile(const QString& fileName);
  // The loader, telling what became of the load. A file that is not a
  // regular file or is too large to hold is refused with a message; the
  // caller then leaves the document as it was (no name is bound).
  enum class LoadResult { Loaded, AlreadyShown, Failed, Refused };
  LoadResult loadTextFile(const QString& fileName);
  // The place of the file being closed is remembered (caret, scroll); a
  // file opened goes back to the place remembered for it.
  void rememberPlace();
  void restorePlace();

  // The save question, shown when the document has unsaved changes (No
  // when there is nothing to ask); Yes saves, and `saved` tells whether
  // the save went through. New and Open ask Yes/No and go on unless a save
  // the user asked for failed or was cancelled; the close of the window also
  // offers Cancel.
  MsgResult askToSave(MsgButtons buttons, bool* saved = nullptr);

  // How the document is written: the encoding and line ends its file was
  // found to have; code page 936 and CR LF for a new document.
  const textfile::Format& format() const { return format_; }

  // The document's file as other programs leave it.
  DiskWatch& diskWatch() { return *watch_; }
  // Tells the user of a change another program made to the document's
  // file since the document last met it: a changed file offers 重新载入
  // (one step of the history) and 保留我的, a deleted one is said to be
  // gone. False when the file was loaded again, so that a save asked for
  // does not go on. Nothing is asked twice for one change.
  bool noticeDiskChange();
  // Loads the file again in place of the text, as one step of the history.
  bool reloadFromDisk();
  // Puts a text kept by the crash recovery in the window, bound to its
  // file (whose text on disk becomes the base of the history) or untitled.
  void restoreText(const QString& fileName, bool hasFileName, const textfile::Format& format,
                   const QString& text);
  // Called after every write of the document (the recovery file goes).
  std::function<void()> afterWrite;
  // Called when a large file that was loading is all in.
  std::function<void()> onLoaded;
  // Told the name of each file opened or saved (for the recent files).
  std::function<void(const QString&)> onFileUsed;

 private:
  // After the document was written to `fileName`: our own write is no
  // change of another program's.
  void written(const QString& fileName);
  bool noticing_ = false;
  bool writing_ = false;
  std::unique_ptr<DiskWatch> watch_ = std::make_unique<DiskWatch>();

  // The save question of New and Open: false when the user said Yes and
  // the save failed or was cancelled, so that the command does not go on.
  bool proceedAfterSaveQuestion();
  // Open after its dialog: load and bind the document to the name.
  void openChosen(const QString& name);
  enum class Written { Yes, Declined, Failed };
  // Writes the document to a file, asking first when the code page would
  // replace characters; shows the "出错" message on failure. `text`
  // receives the text written.
  Written writeDocument(const QString& fileName, QString* text);
  // The save dialog; empty when cancelled or given only spaces.
  QString askSaveName();
  void showError(const QString& platformText);

  // What the reading of a large file on another thread found.
  struct WholeFile {
    fileaccess::ReadStatus status = fileaccess::ReadStatus::Ok;
    QString error;
    textfile::Format format;
  };
  // A large file is all in: `text` is its text; `edited` when the user
  // changed the document while it loaded.
  void loaded(const WholeFile& whole, const QString& text, bool edited);
  // The document's format becomes `f`; the control's line break follows.
  void setFormat(const textfile::Format& f);

  Program& p_;
  textfile::Format format_;
};

// The refusal of a file name whose bytes are not valid in the locale's
// encoding, shown as far as it is text.
QString unreadableNameMessage(const QString& shownName);

// Prints text to a started printer: CR LF (a lone CR or LF too) begins a
// new line, in a font that has the Chinese characters, paged by the
// printer's page size, as many copies as the printer was given when it does
// not make them itself. The job is finished at the end. False when the
// printer could not be started.
bool PrintText(QPrinter& printer, const QString& text);
