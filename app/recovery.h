// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Crash recovery: the unsaved text of the document, written a moment after
// the typing stops to a file of this copy of the program in the user's
// state folder, so that a kill or a crash loses at most the last moments.
// Each running copy holds a lock beside its file; a file whose lock nobody
// holds was left by a copy that is gone, and is offered at the next start.
#include <QDateTime>
#include <QString>
#include <memory>
#include <vector>

#include "app/text_file.h"
#include "platform/file_state.h"

namespace recovery {

// What is kept of a document.
struct Record {
  QString fileName;  // CurrentFileName
  bool hasFileName = false;
  textfile::Format format;
  QDateTime time;  // when it was written
  QString text;
};

// The bytes of a record and back; nullopt for bytes that are no record.
QByteArray encode(const Record& r);
std::optional<Record> decode(const QByteArray& bytes);

// The folder of the recovery files: Chimepad/recovery in the user's state
// folder.
QString defaultFolder();

// A record left by a copy that is gone, locked by this one until it is
// taken or thrown away.
struct Orphan {
  Record record;
  QString path;
  std::unique_ptr<filestate::FileLock> lock;
};

class Store {
 public:
  explicit Store(QString folder);
  ~Store();

  // The records of copies that are gone, the oldest first. A file that is
  // no regular file, too large or no record is left alone.
  std::vector<Orphan> orphans();
  // Removes an orphan's files (after 丢弃, or once its text is back).
  static void discard(Orphan& o);

  // Replaces this copy's record, atomically; false on failure.
  bool write(const Record& r);
  // Removes this copy's record (the text is saved or thrown away).
  void remove();
  // This copy's record file; empty before the first write.
  QString path() const { return path_; }

 private:
  QString folder_;
  QString id_;
  QString path_;
  filestate::FileLock lock_;
};

}  // namespace recovery
