#include "platform/paths.h"

#include <QCoreApplication>

QString executableDir() { return QCoreApplication::applicationDirPath(); }
