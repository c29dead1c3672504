// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QStringList>
#include <QTextStream>
#include <QTranslator>
#include <cstdio>

#include "app/command_line.h"
#include "app/main_window.h"
#include "app/recovery.h"
#include "platform/paths.h"
#include "platform/pinyin_dictionary_ime.h"
#include "platform/sound_files.h"
#include "platform/system_info.h"

namespace {
QStringList rawArguments(int argc, char* argv[]) {
  QStringList a;
  for (int i = 0; i < argc; ++i) a << QString::fromLocal8Bit(argv[i]);
  return a;
}

// The forms that need no window.
int runWithoutWindow(int argc, char* argv[], const CommandLine& cl) {
  QCoreApplication app(argc, argv);
  QTextStream out(stdout);
  QTextStream err(stderr);
  switch (cl.mode) {
    case CommandLine::Mode::Help: out << HelpText(); return 0;
    case CommandLine::Mode::Version: out << VersionText(); return 0;
    case CommandLine::Mode::Error: err << "chimepad: " << cl.error << "\n"; return 1;
    case CommandLine::Mode::ReadToWav: {
      PinyinDictionaryIme ime;
      return RunReadToWav(cl, out, err, executableDir(), &ime);
    }
    case CommandLine::Mode::Open: break;
  }
  return 1;
}
}  // namespace

int main(int argc, char* argv[]) {
  mapLargeAllocations();
  const CommandLine cl = ParseCommandLine(rawArguments(argc, argv));
  if (cl.mode != CommandLine::Mode::Open) return runWithoutWindow(argc, argv, cl);

  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Chimepad"));
  QApplication::setOrganizationName(QStringLiteral("Chimepad"));
  // Lets the desktop match the window with the installed menu entry.
  QGuiApplication::setDesktopFileName(applicationId());
  // The interface is Chinese: the platform's own texts (the buttons of the
  // message boxes, the standard dialogs) are shown in Chinese too.
  QTranslator qtTexts;
  if (qtTexts.load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                   QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QApplication::installTranslator(&qtTexts);
  MainWindow::Deps deps;
  deps.commandLine = commandLineTail(QApplication::arguments());
  deps.commandLineRefusal = commandLineNameRefusal(argc, argv);
  deps.recoveryFolder = recovery::defaultFolder();
  MainWindow w(deps);
  w.formLoad();
  w.show();
  return app.exec();
}
