// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/scripted_ui.h"

#include <QDialog>
#include <QFontDatabase>

MsgResult ScriptedUi::message(QWidget*, const QString& text, const QString& title, MsgIcon icon,
                              MsgButtons buttons) {
  messages.push_back({text, title, icon, buttons});
  if (onMessage) onMessage(messages.back());
  if (!answers.empty()) {
    const MsgResult r = answers.front();
    answers.pop_front();
    return r;
  }
  return buttons == MsgButtons::Ok ? MsgResult::Ok : MsgResult::No;
}

namespace {
// The next scripted answer; none when the script ran out.
std::optional<QString> takeFront(std::deque<std::optional<QString>>& answers) {
  if (answers.empty() || !answers.front()) {
    if (!answers.empty()) answers.pop_front();
    return std::nullopt;
  }
  QString r = *answers.front();
  answers.pop_front();
  return r;
}
}  // namespace

std::optional<QString> ScriptedUi::openFileName(QWidget*, const FileDialogSetup& setup) {
  fileDialogs.push_back(setup);
  return takeFront(openAnswers);
}

std::optional<QString> ScriptedUi::saveFileName(QWidget*, const FileDialogSetup& setup) {
  fileDialogs.push_back(setup);
  return takeFront(saveAnswers);
}

bool ScriptedUi::printDialog(QWidget*, QPrinter& printer) {
  return onPrint ? onPrint(printer) : false;
}

std::optional<QColor> ScriptedUi::colorDialog(QWidget*, const QColor& initial) {
  colorPresets.push_back(initial);
  if (colorAnswers.empty()) return std::nullopt;
  auto r = colorAnswers.front();
  colorAnswers.pop_front();
  return r;
}

QStringList ScriptedUi::screenFonts() {
  return fonts.isEmpty() ? QFontDatabase::families() : fonts;
}

QString ScriptedUi::resolveFontFace(const QString& name) {
  const auto it = standInFaces.find(name);
  return it == standInFaces.end() ? QString() : it->second;
}

int ScriptedUi::exec(QDialog* dialog) {
  if (onExec) return onExec(dialog);
  return QDialog::Rejected;
}

bool ScriptedUi::startProgram(const QString& path) {
  started.push_back(path);
  return startResult;
}

QStringList ScriptedUi::texts() const {
  QStringList out;
  for (const auto& m : messages) out << m.text;
  return out;
}

namespace {
class ScriptedProgress : public ProgressWindow {
 public:
  explicit ScriptedProgress(ScriptedUi& ui) : ui_(ui) {}
  bool update(int percent) override {
    ui_.progressShown.push_back(percent);
    return ui_.cancelAt < 0 || percent < ui_.cancelAt;
  }

 private:
  ScriptedUi& ui_;
};
}  // namespace

std::unique_ptr<ProgressWindow> ScriptedUi::progress(QWidget*, const QString&, const QString&) {
  ++progressWindows;
  return std::make_unique<ScriptedProgress>(*this);
}

int ScriptedUi::choose(QWidget*, const QString& text, const QString& title, MsgIcon,
                       const QStringList& buttons) {
  choicesShown.push_back({text, title, buttons});
  if (onChoice) onChoice(choicesShown.back());
  if (choiceAnswers.empty()) return -1;
  const int r = choiceAnswers.front();
  choiceAnswers.pop_front();
  return r;
}
