#include <QApplication>
#include <QStringList>

#include "app/main_window.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Chimepad"));
  QApplication::setOrganizationName(QStringLiteral("Chimepad"));
  // The whole tail after the program path is one file name; the platform
  // hands it over split at spaces, so it is joined again.
  MainWindow::Deps deps;
  deps.commandLine = QApplication::arguments().mid(1).join(QLatin1Char(' '));
  MainWindow w(deps);
  w.formLoad();
  w.show();
  return app.exec();
}
