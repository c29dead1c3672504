#include "platform/ui.h"

#include <QCoreApplication>
#include <QProgressDialog>

#include <QApplication>
#include <QColorDialog>
#include <QDialog>
#include <QFileDialog>
#include <QFontDatabase>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>

MsgResult QtUi::message(QWidget* parent, const QString& text, const QString& title, MsgIcon icon,
                        MsgButtons buttons) {
  QMessageBox box(parent);
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
    const QString pattern = QString(parts[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' '));
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
  return dlg.exec() == QDialog::Accepted;
}

std::optional<QColor> QtUi::colorDialog(QWidget* parent, const QColor& initial) {
  const QColor c = QColorDialog::getColor(initial, parent);
  if (!c.isValid()) return std::nullopt;
  return c;
}

QStringList QtUi::screenFonts() { return QFontDatabase::families(); }

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

std::unique_ptr<ProgressWindow> QtUi::progress(QWidget* parent, const QString& title, const QString& label) {
  return std::make_unique<QtProgressWindow>(parent, title, label);
}
