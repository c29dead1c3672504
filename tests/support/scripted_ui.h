// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A Ui whose dialogs answer from a script and record what they were shown.
#include <QColor>
#include <QStringList>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "platform/ui.h"

struct ShownMessage {
  QString text;
  QString title;
  MsgIcon icon;
  MsgButtons buttons;
};

class ScriptedUi : public Ui {
 public:
  // Answers in order; when the script runs out: Ok, or No for questions.
  std::deque<MsgResult> answers;
  std::vector<ShownMessage> messages;
  // Called as each message is shown, before it is answered.
  std::function<void(const ShownMessage&)> onMessage;

  std::deque<std::optional<QString>> openAnswers;
  std::deque<std::optional<QString>> saveAnswers;
  std::vector<FileDialogSetup> fileDialogs;
  // The print dialog: accept or cancel, and what to set on the printer.
  std::function<bool(QPrinter&)> onPrint;
  std::deque<std::optional<QColor>> colorAnswers;
  std::vector<QColor> colorPresets;
  QStringList fonts;
  // Faces that stand in for names that are not installed.
  std::map<QString, QString> standInFaces;
  // Runs one of our own modal dialogs: the test drives it and returns a code.
  std::function<int(QDialog*)> onExec;
  std::vector<QString> started;
  bool startResult = true;

  MsgResult message(QWidget*, const QString& text, const QString& title, MsgIcon icon,
                    MsgButtons buttons) override;
  std::optional<QString> openFileName(QWidget*, const FileDialogSetup& setup) override;
  std::optional<QString> saveFileName(QWidget*, const FileDialogSetup& setup) override;
  bool printDialog(QWidget*, QPrinter& printer) override;
  std::optional<QColor> colorDialog(QWidget*, const QColor& initial) override;
  QStringList screenFonts() override;
  QString resolveFontFace(const QString& name) override;
  int exec(QDialog* dialog) override;
  bool startProgram(const QString& path) override;
  // Progress windows: the percentages shown; cancelled once `cancelAt` is
  // reached (never when negative).
  std::unique_ptr<ProgressWindow> progress(QWidget* parent, const QString& title,
                                           const QString& label) override;
  std::vector<int> progressShown;
  int cancelAt = -1;
  int progressWindows = 0;

  // Boxes with buttons of their own: what was shown, and the indices to
  // answer in order (-1, closed, when the script runs out).
  struct ShownChoice {
    QString text;
    QString title;
    QStringList buttons;
  };
  std::vector<ShownChoice> choicesShown;
  std::deque<int> choiceAnswers;
  std::function<void(const ShownChoice&)> onChoice;
  int choose(QWidget*, const QString& text, const QString& title, MsgIcon icon,
             const QStringList& buttons) override;

  QStringList texts() const;
};
