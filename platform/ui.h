// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one seam between the program and the platform's standard dialogs:
// message boxes, the file, print, colour dialogs, the list of screen fonts,
// modal dialogs of our own and starting another program. The program talks
// only to `Ui`; tests install a scripted one that answers and records.
#include <QColor>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

class QWidget;
class QDialog;
class QPrinter;

enum class MsgIcon { None, Information, Critical, Exclamation, Warning, Question };
enum class MsgButtons { Ok, YesNo, YesNoCancel };
enum class MsgResult { Ok, Yes, No, Cancel };

struct FileDialogSetup {
  QString caption;      // "打开" for open and save alike
  QString filter;       // Windows-style "name|pattern|name|pattern"
  QString defaultName;  // the preset "*.txt"
};

// A modal window that shows how far some work has come, with a cancel
// button.
class ProgressWindow {
 public:
  virtual ~ProgressWindow() = default;
  // Shows `percent` done and lets the window take input; false once the
  // user has cancelled.
  virtual bool update(int percent) = 0;
};

class Ui {
 public:
  virtual ~Ui() = default;
  // A modal message box. `title` empty means the application's own title.
  virtual MsgResult message(QWidget* parent, const QString& text, const QString& title,
                            MsgIcon icon, MsgButtons buttons) = 0;
  virtual std::optional<QString> openFileName(QWidget* parent, const FileDialogSetup& setup) = 0;
  // Asks before overwriting an existing file.
  virtual std::optional<QString> saveFileName(QWidget* parent, const FileDialogSetup& setup) = 0;
  // Shows the print dialog for `printer`; false when cancelled.
  virtual bool printDialog(QWidget* parent, QPrinter& printer) = 0;
  virtual std::optional<QColor> colorDialog(QWidget* parent, const QColor& initial) = 0;
  // The screen fonts, each family once, by its Chinese name where it has one.
  virtual QStringList screenFonts() = 0;
  // The face (as screenFonts names it) the system draws Chinese text in a
  // face name with; empty when none is known.
  virtual QString resolveFontFace(const QString& name) { return name; }
  // Runs one of our own dialogs modally and returns its result code.
  virtual int exec(QDialog* dialog) = 0;
  // Starts a program with a normal, focused window; false on failure.
  virtual bool startProgram(const QString& path) = 0;
  // A modal box with buttons of its own captions, the first the default;
  // the index of the button chosen, -1 when the box was closed without one.
  virtual int choose(QWidget* parent, const QString& text, const QString& title, MsgIcon icon,
                     const QStringList& buttons) {
    (void)parent, (void)text, (void)title, (void)icon, (void)buttons;
    return -1;
  }
  // Opens a progress window; it closes when the returned object goes.
  virtual std::unique_ptr<ProgressWindow> progress(QWidget* parent, const QString& title,
                                                   const QString& label) {
    (void)parent, (void)title, (void)label;
    return nullptr;
  }
};

// The real dialogs.
class QtUi : public Ui {
 public:
  MsgResult message(QWidget* parent, const QString& text, const QString& title, MsgIcon icon,
                    MsgButtons buttons) override;
  std::optional<QString> openFileName(QWidget* parent, const FileDialogSetup& setup) override;
  std::optional<QString> saveFileName(QWidget* parent, const FileDialogSetup& setup) override;
  bool printDialog(QWidget* parent, QPrinter& printer) override;
  std::optional<QColor> colorDialog(QWidget* parent, const QColor& initial) override;
  QStringList screenFonts() override;
  QString resolveFontFace(const QString& name) override;
  int exec(QDialog* dialog) override;
  bool startProgram(const QString& path) override;
  std::unique_ptr<ProgressWindow> progress(QWidget* parent, const QString& title,
                                           const QString& label) override;
  int choose(QWidget* parent, const QString& text, const QString& title, MsgIcon icon,
             const QStringList& buttons) override;
};

// Turns "文本文档(*.txt)|*.txt|所有文件|*.*" into the platform's filter list;
// outside Windows "*.*" becomes "*", every file.
QStringList toQtFilters(const QString& windowsFilter);
