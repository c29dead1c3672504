// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the program needs to tell that a file changed under it, to tell a
// running copy of the program from one that is gone, and where per-user
// state lives.
#include <QString>
#include <QtGlobal>

namespace filestate {

// A file as the system describes it (through links): equal states mean the
// file was left alone; a write, a replacement or a removal changes it.
struct FileState {
  bool exists = false;
  qint64 size = 0;
  qint64 modifiedNs = 0;
  qint64 changedNs = 0;
  quint64 inode = 0;
  quint64 device = 0;
  bool operator==(const FileState&) const = default;
};
FileState stateOf(const QString& fileName);

// The user's folder for state that outlives a run: $XDG_STATE_HOME when it
// is an absolute path, else ~/.local/state.
QString userStateFolder();

// An exclusive lock on a file, held as long as the object lives (the
// system lets it go when the process ends in any way, a kill included):
// whoever gets it knows that no other process holds it.
class FileLock {
 public:
  FileLock() = default;
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  // Creates the file when missing; false when another process holds it.
  bool tryLock(const QString& fileName);
  bool locked() const { return fd_ >= 0; }
  // Removes the file and lets the lock go.
  void removeAndUnlock();
  void unlock();

 private:
  int fd_ = -1;
  QString name_;
};

}  // namespace filestate
