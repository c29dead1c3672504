// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Watches the document's file for changes made by other programs: the
// file's state when the document last met it (load, save, a change shown
// to the user) against its state now.
#include <QObject>
#include <QString>
#include <QTimer>

#include "platform/file_state.h"

class QFileSystemWatcher;

class DiskWatch : public QObject {
  Q_OBJECT
 public:
  explicit DiskWatch(QObject* parent = nullptr);
  ~DiskWatch() override;

  // The document is bound to this file, as it is on disk now (missing too).
  void watch(const QString& fileName);
  // No file (an untitled document).
  void clear();
  const QString& fileName() const { return fileName_; }

  enum class Change { None, Modified, Deleted };
  // How the file differs from the state last taken.
  Change check() const;
  // The file's state now becomes the one the document knows.
  void acknowledge();

 Q_SIGNALS:
  // The system reported something about the file or its folder; sent once
  // the burst of reports is over.
  void touched();

 private:
  void rewatch();

  QString fileName_;
  filestate::FileState known_;
  QFileSystemWatcher* watcher_ = nullptr;
  QTimer settle_;
};
