#pragma once
// The file commands of the main window and the text-file loader.
#include <QString>

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

 private:
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
