// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/disk_watch.h"

#include <QFileInfo>
#include <QFileSystemWatcher>

DiskWatch::DiskWatch(QObject* parent) : QObject(parent), watcher_(new QFileSystemWatcher(this)) {
  // A writer's several steps (truncate, write, rename) are one report.
  settle_.setSingleShot(true);
  settle_.setInterval(150);
  connect(&settle_, &QTimer::timeout, this, [this] {
    rewatch();
    Q_EMIT touched();
  });
  auto report = [this](const QString&) { settle_.start(); };
  connect(watcher_, &QFileSystemWatcher::fileChanged, this, report);
  connect(watcher_, &QFileSystemWatcher::directoryChanged, this, report);
}

DiskWatch::~DiskWatch() = default;

void DiskWatch::watch(const QString& fileName) {
  fileName_ = fileName;
  known_ = filestate::stateOf(fileName);
  rewatch();
}

void DiskWatch::clear() {
  fileName_.clear();
  known_ = {};
  rewatch();
}

DiskWatch::Change DiskWatch::check() const {
  if (fileName_.isEmpty()) return Change::None;
  const filestate::FileState now = filestate::stateOf(fileName_);
  if (now == known_) return Change::None;
  if (!now.exists) return known_.exists ? Change::Deleted : Change::None;
  return Change::Modified;  // changed, replaced, or made where none was
}

void DiskWatch::acknowledge() {
  if (!fileName_.isEmpty()) known_ = filestate::stateOf(fileName_);
  rewatch();
}

void DiskWatch::rewatch() {
  // A file replaced by another (a save by rename) is a new file to the
  // system: the watch is set again after every report. The folder tells
  // of a file removed or made again.
  const QStringList old = watcher_->files() + watcher_->directories();
  if (!old.isEmpty()) watcher_->removePaths(old);
  if (fileName_.isEmpty()) return;
  const QFileInfo info(fileName_);
  if (info.exists()) watcher_->addPath(fileName_);
  const QString folder = info.absolutePath();
  if (QFileInfo(folder).isDir()) watcher_->addPath(folder);
}
