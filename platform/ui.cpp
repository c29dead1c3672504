// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ui.h"

#include <QCoreApplication>
#include <QProgressDialog>
#include <QPushButton>
#include <vector>

#include <QApplication>
#include <QColorDialog>
#include <QDialog>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QSpacerItem>

#include "platform/font_faces.h"

MsgResult QtUi::message(QWidget* parent, const QString& text, const QString& title, MsgIcon icon,
                        MsgButtons buttons) {
  // Before its window is shown (the first-run question) a box would sit at
  // the hidden window's corner: it is centred on the screen instead.
  QMessageBox box(parent && parent->isVisible() ? parent : nullptr);
  box.setWindowTitle(title.isEmpty() ? QApplication::applicationName() : title);
  box.setText(text);
  switch (icon) {
    case MsgIcon::None: box.setIcon(QMessageBox::NoIcon); break;
    case MsgIcon::Information: box.setIcon(QMessageBox::Information); break;
    case MsgIcon::Critical: box.setIcon(QMessageBox::Critical); break;
    case MsgIcon::Exclamation:
    case MsgIcon::Warning: box.setIcon(QMessageBox::Warning); break;
    case MsgIcon::Question: box.setIcon(QMessageBox::Question); break;
  }
  switch (buttons) {
    case MsgButtons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
    case MsgButtons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    case MsgButtons::YesNoCancel:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
      break;
  }
  // As wide as its title needs, so that the title bar does not cut it
  // ("Chimepad" over the short system-information message): the title bar's
  // font is often larger and bold, and its icon and buttons take room too.
  if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
    const int titleWidth =
        QFontMetrics(box.font()).horizontalAdvance(box.windowTitle()) * 3 / 2 + 160;
    grid->addItem(new QSpacerItem(titleWidth, 0, QSizePolicy::Minimum, QSizePolicy::Expanding),
                  grid->rowCount(), 0, 1, grid->columnCount());
  }
  switch (box.exec()) {
    case QMessageBox::Yes: return MsgResult::Yes;
    case QMessageBox::No: return MsgResult::No;
    case QMessageBox::Cancel: return MsgResult::Cancel;
    default: return buttons == MsgButtons::Ok ? MsgResult::Ok : MsgResult::Cancel;
  }
}

QStringList toQtFilters(const QString& windowsFilter) {
  const QStringList parts = windowsFilter.split(QLatin1Char('|'));
  QStringList out;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString name = parts[i];
    QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
#ifndef Q_OS_WIN
    // "*.*" means every file on Windows; here it would hide names without a
    // dot (README, Makefile).
    for (QString& pattern : patterns)
      if (pattern == QLatin1String("*.*")) pattern = QStringLiteral("*");
#endif
    const QString pattern = patterns.join(QLatin1Char(' '));
    if (!name.contains(QLatin1Char('('))) name += QStringLiteral(" (") + pattern + QLatin1Char(')');
    out << name;
  }
  return out;
}

static void prepare(QFileDialog& dlg, const FileDialogSetup& setup) {
  dlg.setWindowTitle(setup.caption);
  dlg.setNameFilters(toQtFilters(setup.filter));
  if (setup.defaultName.startsWith(QLatin1String("*.")))
    dlg.setDefaultSuffix(setup.defaultName.mid(2));
}

std::optional<QString> QtUi::openFileName(QWidget* parent, const FileDialogSetup& setup) {
  QFileDialog dlg(parent);
  prepare(dlg, setup);
  dlg.setAcceptMode(QFileDialog::AcceptOpen);
  dlg.setFileMode(QFileDialog::ExistingFile);
  if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return std::nullopt;
  return dlg.selectedFiles().first();
}

std::optional<QString> QtUi::saveFileName(QWidget* parent, const FileDialogSetup& setup) {
  QFileDialog dlg(parent);
  prepare(dlg, setup);
  dlg.setAcceptMode(QFileDialog::AcceptSave);
  dlg.setFileMode(QFileDialog::AnyFile);
  dlg.setOption(QFileDialog::DontConfirmOverwrite, false);
  if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return std::nullopt;
  return dlg.selectedFiles().first();
}

bool QtUi::printDialog(QWidget* parent, QPrinter& printer) {
  QPrintDialog dlg(&printer, parent);
  // A range of the selection is offered when the caller set one.
  if (printer.printRange() == QPrinter::Selection)
    dlg.setOption(QAbstractPrintDialog::PrintSelection);
  return dlg.exec() == QDialog::Accepted;
}

std::optional<QColor> QtUi::colorDialog(QWidget* parent, const QColor& initial) {
  const QColor c = QColorDialog::getColor(initial, parent);
  if (!c.isValid()) return std::nullopt;
  return c;
}

QStringList QtUi::screenFonts() { return fontfaces::screenFaces(); }

QString QtUi::resolveFontFace(const QString& name) { return fontfaces::resolveFace(name); }

int QtUi::exec(QDialog* dialog) { return dialog->exec(); }

bool QtUi::startProgram(const QString& path) { return QProcess::startDetached(path, {}); }

namespace {
class QtProgressWindow : public ProgressWindow {
 public:
  QtProgressWindow(QWidget* parent, const QString& title, const QString& label)
      : dialog_(label, QStringLiteral("取消"), 0, 100, parent) {
    dialog_.setWindowTitle(title);
    dialog_.setWindowModality(Qt::WindowModal);
    dialog_.setMinimumDuration(300);
    dialog_.setAutoClose(false);
    dialog_.setAutoReset(false);
    dialog_.setValue(0);
  }
  bool update(int percent) override {
    dialog_.setValue(percent);
    QCoreApplication::processEvents();
    return !dialog_.wasCanceled();
  }

 private:
  QProgressDialog dialog_;
};
}  // namespace

std::unique_ptr<ProgressWindow> QtUi::progress(QWidget* parent, const QString& title,
                                               const QString& label) {
  return std::make_unique<QtProgressWindow>(parent, title, label);
}

int QtUi::choose(QWidget* parent, const QString& text, const QString& title, MsgIcon icon,
                 const QStringList& buttons) {
  QMessageBox box(parent && parent->isVisible() ? parent : nullptr);
  box.setWindowTitle(title.isEmpty() ? QApplication::applicationName() : title);
  box.setText(text);
  switch (icon) {
    case MsgIcon::None: box.setIcon(QMessageBox::NoIcon); break;
    case MsgIcon::Information: box.setIcon(QMessageBox::Information); break;
    case MsgIcon::Critical: box.setIcon(QMessageBox::Critical); break;
    case MsgIcon::Exclamation:
    case MsgIcon::Warning: box.setIcon(QMessageBox::Warning); break;
    case MsgIcon::Question: box.setIcon(QMessageBox::Question); break;
  }
  std::vector<QAbstractButton*> made;
  for (int i = 0; i < buttons.size(); ++i) {
    QPushButton* b =
        box.addButton(buttons[i], i == 0 ? QMessageBox::AcceptRole : QMessageBox::RejectRole);
    if (i == 0) box.setDefaultButton(b);
    made.push_back(b);
  }
  box.exec();
  for (size_t i = 0; i < made.size(); ++i)
    if (box.clickedButton() == made[i]) return int(i);
  return -1;
}
