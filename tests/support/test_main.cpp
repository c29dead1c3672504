// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <QApplication>
#include <QTemporaryDir>

int main(int argc, char** argv) {
  // Tests never need a display.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  ::testing::InitGoogleTest(&argc, argv);
  // Nor the user's own files: a first start writes the file-type association
  // below the freedesktop directories, which point into a temporary folder.
  QTemporaryDir xdg;
  if (xdg.isValid()) {
    qputenv("XDG_DATA_HOME", xdg.filePath(QStringLiteral("data")).toUtf8());
    qputenv("XDG_CONFIG_HOME", xdg.filePath(QStringLiteral("config")).toUtf8());
    qputenv("XDG_STATE_HOME", xdg.filePath(QStringLiteral("state")).toUtf8());
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Chimepad"));
  return RUN_ALL_TESTS();
}
