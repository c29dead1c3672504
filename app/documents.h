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
  // True when the document was written.
  bool numSave();
  bool numSaveAs();
  void numPrint();
  void LoadTextFile(const QString& fileName);

  // The save question, shown when the document has unsaved changes (No
  // when there is nothing to ask); Yes saves, and `saved` tells whether
  // the save went through. New and Open ask Yes/No and go on whatever the
  // answer; the close of the window also offers Cancel.
  MsgResult askToSave(MsgButtons buttons, bool* saved = nullptr);

  // How the document is written: the encoding and line ends its file was
  // found to have; code page 936 and CR LF for a new document.
  const textfile::Format& format() const { return format_; }

 private:
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

// Prints text to a started printer: CR LF (a lone CR or LF too) begins a
// new line, in a font that has the Chinese characters, paged by the
// printer's page size, as many copies as the printer was given when it does
// not make them itself. The job is finished at the end. False when the
// printer could not be started.
bool PrintText(QPrinter& printer, const QString& text);
