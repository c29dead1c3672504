// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/file_state.h"

#include <QDir>
#include <QFile>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace filestate {

FileState stateOf(const QString& fileName) {
  FileState s;
#ifdef Q_OS_UNIX
  struct stat st {};
  if (::stat(QFile::encodeName(fileName).constData(), &st) != 0) return s;
  s.exists = true;
  s.size = st.st_size;
  s.modifiedNs = qint64(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
  s.changedNs = qint64(st.st_ctim.tv_sec) * 1'000'000'000 + st.st_ctim.tv_nsec;
  s.inode = st.st_ino;
  s.device = st.st_dev;
#else
  (void)fileName;
#endif
  return s;
}

QString userStateFolder() {
  const QString xdg = qEnvironmentVariable("XDG_STATE_HOME");
  if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg)) return QDir::cleanPath(xdg);
  return QDir::homePath() + QStringLiteral("/.local/state");
}

FileLock::~FileLock() { unlock(); }

bool FileLock::tryLock(const QString& fileName) {
  unlock();
#ifdef Q_OS_UNIX
  const int fd = ::open(QFile::encodeName(fileName).constData(),
                        O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
  if (fd < 0) return false;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return false;
  }
  fd_ = fd;
  name_ = fileName;
  return true;
#else
  (void)fileName;
  return false;
#endif
}

void FileLock::removeAndUnlock() {
  if (fd_ < 0) return;
  QFile::remove(name_);
  unlock();
}

void FileLock::unlock() {
#ifdef Q_OS_UNIX
  if (fd_ >= 0) ::close(fd_);
#endif
  fd_ = -1;
  name_.clear();
}

}  // namespace filestate
