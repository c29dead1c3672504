#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <QStringList>

#include "app/main_window.h"
#include "platform/paths.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Chimepad"));
  QApplication::setOrganizationName(QStringLiteral("Chimepad"));
  // Lets the desktop match the window with the installed menu entry.
  QGuiApplication::setDesktopFileName(applicationId());
  // The interface is Chinese: the platform's own texts (the buttons of the
  // message boxes, the standard dialogs) are shown in Chinese too.
  QTranslator qtTexts;
  if (qtTexts.load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"), QStringLiteral("_"),
                   QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QApplication::installTranslator(&qtTexts);
  MainWindow::Deps deps;
  deps.commandLine = commandLineTail(QApplication::arguments());
  deps.commandLineRefusal = commandLineNameRefusal(argc, argv);
  MainWindow w(deps);
  w.formLoad();
  w.show();
  return app.exec();
}
