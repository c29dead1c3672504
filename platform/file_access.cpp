// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/file_access.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringList>
#include <algorithm>
#include <cerrno>
#include <cstring>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fileaccess {

namespace {

void setError(QString* error, const QString& text) {
  if (error) *error = text;
}

QString notRegularText(const QString& fileName) {
  return QStringLiteral("“%1”不是普通文件,无法打开。").arg(fileName);
}

QString tooLargeText(const QString& fileName, qint64 size, qint64 maxBytes) {
  const auto mb = [](qint64 n) { return QString::number(double(n) / (1024.0 * 1024.0), 'f', 1); };
  return QStringLiteral("文件“%1”太大(%2 MB),无法打开。\r\n能打开的文件最大为 %3 MB。")
      .arg(fileName, mb(size), mb(maxBytes));
}

#ifdef Q_OS_UNIX

// The seam through which tests fail or end the process at a step of a save.
struct Seam {
  bool active = false;
  testing::FaultPlan plan;
  int count = 0;
  bool hit = false;
  QStringList steps;
} seam;

constexpr qsizetype kWriteChunk = qsizetype(1) << 20;

// Called before each call into the platform that a save makes: true (errno
// set) when the test's plan makes this step fail.
bool faultAt(const char* step) {
  if (!seam.active) return false;
  ++seam.count;
  seam.steps << QString::fromLatin1(step);
  const bool hit = seam.plan.failAt == seam.count ||
                   (!seam.hit && seam.plan.failStep && std::strcmp(seam.plan.failStep, step) == 0);
  if (!hit) return false;
  seam.hit = true;
  if (seam.plan.exitProcess) ::_exit(testing::kEndedExitCode);
  errno = seam.plan.error;
  return true;
}

qsizetype writeChunk() {
  return seam.active && seam.plan.writeChunk > 0 ? seam.plan.writeChunk : kWriteChunk;
}

// Writes all of the bytes at the offset; false (errno set) on failure.
bool writeAllAt(int fd, const char* data, qsizetype size, off_t at) {
  qsizetype done = 0;
  while (done < size) {
    const size_t want = size_t(std::min(size - done, writeChunk()));
    if (faultAt("write")) return false;
    const ssize_t n = ::pwrite(fd, data + done, want, at + off_t(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = ENOSPC;
      return false;
    }
    done += n;
  }
  return true;
}

// fsync, where the file system has it.
bool syncFile(int fd) {
  if (faultAt("sync")) return false;
  return ::fsync(fd) == 0 || errno == EINVAL || errno == EROFS;
}

// Makes a rename or a new name in the folder last through a power loss. A
// failure here is not the save's: the file already holds the new text.
void syncFolder(const QByteArray& dir) {
  if (faultAt("open folder")) return;
  const int fd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  if (!faultAt("sync folder")) ::fsync(fd);
  ::close(fd);
}

QByteArray folderOf(const QByteArray& path) {
  const qsizetype slash = path.lastIndexOf('/');
  if (slash < 0) return QByteArrayLiteral(".");
  if (slash == 0) return QByteArrayLiteral("/");
  return path.left(slash);
}

QByteArray baseOf(const QByteArray& path) { return path.mid(path.lastIndexOf('/') + 1); }

mode_t currentUmask() {
  const mode_t m = ::umask(022);
  ::umask(m);
  return m;
}

// Where the backup of a file written in place is kept: the user's state
// folder, else the temporary folder.
QList<QByteArray> backupFolders() {
  QList<QByteArray> dirs;
  const QString state = qEnvironmentVariable("XDG_STATE_HOME");
  const QString base =
      QDir::isAbsolutePath(state) ? state : QDir::homePath() + QStringLiteral("/.local/state");
  dirs << QFile::encodeName(base + QStringLiteral("/Chimepad/save-backups"));
  dirs << QFile::encodeName(QDir::tempPath());
  return dirs;
}

// A copy of the first `size` bytes of the file, synced, in a backup folder:
// "<name>.XXXXXX.bak". Empty (errno set) when none could be made.
QByteArray makeBackup(int fd, const QByteArray& path, off_t size) {
  int lastError = EACCES;
  for (const QByteArray& dir : backupFolders()) {
    QDir().mkpath(QFile::decodeName(dir));
    QByteArray name = dir + '/' + baseOf(path).left(120) + ".XXXXXX.bak";
    if (faultAt("create backup")) {
      lastError = errno;
      continue;
    }
    const int b = ::mkostemps(name.data(), 4, O_CLOEXEC);
    if (b < 0) {
      lastError = errno;
      continue;
    }
    bool ok = true;
    QByteArray buffer(qsizetype(std::clamp<off_t>(size, 1, off_t(kWriteChunk))), Qt::Uninitialized);
    for (off_t at = 0; ok && at < size;) {
      const size_t want = size_t(std::min<off_t>(size - at, off_t(buffer.size())));
      ssize_t n = -1;
      if (!faultAt("read old")) n = ::pread(fd, buffer.data(), want, at);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        if (n == 0) errno = EIO;  // the file shrank under us
        ok = false;
        break;
      }
      ok = writeAllAt(b, buffer.constData(), n, at);
      at += n;
    }
    ok = ok && syncFile(b);
    lastError = errno;
    ::close(b);
    if (ok) {
      syncFolder(dir);
      return name;
    }
    ::unlink(name.constData());
  }
  errno = lastError;
  return {};
}

// Puts the backed-up bytes back into the file; true when it holds them again.
bool restoreFromBackup(int fd, const QByteArray& backup, off_t size) {
  const int b = ::open(backup.constData(), O_RDONLY | O_CLOEXEC);
  if (b < 0) return false;
  bool ok = true;
  QByteArray buffer(qsizetype(std::min<off_t>(size, off_t(kWriteChunk))), Qt::Uninitialized);
  for (off_t at = 0; ok && at < size;) {
    const ssize_t n =
        ::pread(b, buffer.data(), size_t(std::min<off_t>(size - at, buffer.size())), at);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = false;
      break;
    }
    ok = writeAllAt(fd, buffer.constData(), n, at);
    at += n;
  }
  ::close(b);
  return ok && ::ftruncate(fd, size) == 0 && ::fsync(fd) == 0;
}

// The file written where it stands, for a file that cannot be replaced (its
// folder cannot be written, other names link to it, its owner could not be
// kept). A copy of the old contents is made and synced first, room for the
// new contents is reserved before a byte of the old is touched, then the
// file is overwritten, cut to length and synced; only then is the copy
// removed. On a failure the old contents are put back from the copy; should
// the program be ended halfway, the copy stays in the backup folder. A file
// that did not exist is removed again on failure.
bool writeInPlace(const QByteArray& path, const QByteArray& bytes, QString* error) {
  bool created = false;
  int fd = faultAt("open") ? -1 : ::open(path.constData(), O_RDWR | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0 && errno == ENOENT) {
    fd = faultAt("create")
             ? -1
             : ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    created = fd >= 0;
  }
  if (fd < 0) {
    setError(error, qt_error_string(errno));
    return false;
  }
  QByteArray backup;
  struct stat st {};
  auto fail = [&](int err) {
    QString text = qt_error_string(err);
    if (!backup.isEmpty()) {
      if (restoreFromBackup(fd, backup, st.st_size)) {
        ::unlink(backup.constData());
      } else {
        text += QStringLiteral("\r\n原来的文字保存在“%1”。").arg(QFile::decodeName(backup));
      }
    }
    ::close(fd);
    if (created) ::unlink(path.constData());
    setError(error, text);
    return false;
  };
  if (faultAt("stat") || ::fstat(fd, &st) != 0) return fail(errno);
  if (!S_ISREG(st.st_mode)) return fail(EINVAL);
  // An empty file is backed up too: the copy then says its text was empty.
  if (!created) {
    backup = makeBackup(fd, path, st.st_size);
    if (backup.isEmpty()) {
      const int err = errno;
      ::close(fd);
      setError(error, QStringLiteral("文件只能在原处改写,但无法先为它建立备份(%1),所以没有保存。")
                          .arg(qt_error_string(err)));
      return false;
    }
  }
  const QByteArray kept = backup;
  if (bytes.size() > st.st_size) {
    const int r = faultAt("reserve room") ? errno : ::posix_fallocate(fd, 0, off_t(bytes.size()));
    if (r != 0 && r != EOPNOTSUPP && r != EINVAL) {
      // Nothing of the old contents is touched yet: the copy is not needed.
      backup.clear();
      if (!kept.isEmpty()) ::unlink(kept.constData());
      return fail(r);
    }
  }
  if (!writeAllAt(fd, bytes.constData(), bytes.size(), 0)) return fail(errno);
  if (faultAt("truncate") || ::ftruncate(fd, off_t(bytes.size())) != 0) return fail(errno);
  // A write clears the setuid and setgid bits: they are set again.
  struct stat now {};
  if (!created && ::fstat(fd, &now) == 0 && (now.st_mode & 07777) != (st.st_mode & 07777) &&
      (faultAt("chmod") || ::fchmod(fd, st.st_mode & 07777) != 0))
    return fail(errno);
  if (!syncFile(fd)) return fail(errno);
  backup.clear();  // the new text is whole on the disk
  // Synced, the text is saved whatever the close says.
  if (!faultAt("close")) ::close(fd);
  if (created) syncFolder(folderOf(path));
  if (!kept.isEmpty() && !faultAt("remove backup")) ::unlink(kept.constData());
  return true;
}

// Whether the name of the temporary file made beside the file (the file's
// own name and ".XXXXXX") is one the folder can hold.
bool temporaryNameFits(const QByteArray& path) {
  const long nameMax = ::pathconf(folderOf(path).constData(), _PC_NAME_MAX);
  if (nameMax <= 0) return true;
  return baseOf(path).size() + 7 <= nameMax;
}

enum class Replaced { Yes, Failed, NotHere };

// The new contents written to a temporary file beside the file, synced, and
// renamed over it; the folder synced after. The file's mode (the setuid,
// setgid and sticky bits included), owner and group are kept; NotHere when
// no temporary file can be made there, when the owner cannot be kept, or
// when the folder refuses the rename (a sticky folder and a file of
// another user): the file is then to be written in place.
Replaced replaceWithTemporary(const QByteArray& path, const struct stat* old,
                              const QByteArray& bytes, QString* error) {
  const QByteArray dir = folderOf(path);
  // A name too long to extend gets a short one of its own.
  QByteArray temp = temporaryNameFits(path) ? path + ".XXXXXX" : dir + "/.chimepad-XXXXXX";
  const int fd = faultAt("create temporary") ? -1 : ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return Replaced::NotHere;
  auto drop = [&](int err) {
    ::close(fd);
    ::unlink(temp.constData());
    errno = err;
  };
  if (!writeAllAt(fd, bytes.constData(), bytes.size(), 0)) {
    const int err = errno;
    drop(err);
    setError(error, qt_error_string(err));
    return Replaced::Failed;
  }
  if (old) {
    // After the writes, which may clear the setuid and setgid bits, and
    // the owner before the mode, as a change of owner clears them too.
    if (faultAt("chown") || ::fchown(fd, old->st_uid, old->st_gid) != 0) {
      drop(errno);
      return Replaced::NotHere;
    }
  }
  const mode_t mode = old ? (old->st_mode & 07777) : (0666 & ~currentUmask());
  if (faultAt("chmod") || ::fchmod(fd, mode) != 0 || !syncFile(fd)) {
    const int err = errno;
    drop(err);
    setError(error, qt_error_string(err));
    return Replaced::Failed;
  }
  if (faultAt("close") || ::close(fd) != 0) {
    const int err = errno;
    ::unlink(temp.constData());
    setError(error, qt_error_string(err));
    return Replaced::Failed;
  }
  if (faultAt("rename") || ::rename(temp.constData(), path.constData()) != 0) {
    const int err = errno;
    ::unlink(temp.constData());
    if (err == EPERM || err == EACCES) return Replaced::NotHere;
    setError(error, qt_error_string(err));
    return Replaced::Failed;
  }
  syncFolder(dir);
  return Replaced::Yes;
}

#endif

}  // namespace

#ifdef Q_OS_UNIX

int openRegularFile(const QString& fileName) {
  const int fd = ::open(QFile::encodeName(fileName).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    const int err = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    ::close(fd);
    errno = err;
    return -1;
  }
  return fd;
}

namespace {
ReadStatus readRegular(const QString& fileName, qint64 maxBytes, qsizetype headBytes,
                       QByteArray* bytes, qint64* fileSize, QString* error) {
  const int fd = ::open(QFile::encodeName(fileName).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    setError(error, qt_error_string(errno));
    return ReadStatus::Failed;
  }
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    setError(error, qt_error_string(errno));
    return ReadStatus::Failed;
  }
  if (!S_ISREG(st.st_mode)) {
    setError(error, notRegularText(fileName));
    return ReadStatus::NotRegular;
  }
  if (st.st_size > maxBytes) {
    setError(error, tooLargeText(fileName, st.st_size, maxBytes));
    return ReadStatus::TooLarge;
  }
  if (fileSize) *fileSize = st.st_size;
  // The file may grow while it is read: no more than the limit is taken.
  const bool head = headBytes >= 0;
  QByteArray data(head ? std::min<qsizetype>(headBytes, st.st_size) : qsizetype(st.st_size),
                  Qt::Uninitialized);
  qsizetype got = 0;
  for (;;) {
    if (got == data.size()) {
      if (head) break;
      if (got > maxBytes) {
        setError(error, tooLargeText(fileName, got, maxBytes));
        return ReadStatus::TooLarge;
      }
      data.resize(got + std::max<qsizetype>(4096, got / 2));
    }
    const ssize_t n = ::read(fd, data.data() + got, size_t(data.size() - got));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      setError(error, qt_error_string(errno));
      return ReadStatus::Failed;
    }
    if (n == 0) break;
    got += n;
  }
  if (got > maxBytes) {
    setError(error, tooLargeText(fileName, got, maxBytes));
    return ReadStatus::TooLarge;
  }
  data.truncate(got);
  *bytes = std::move(data);
  return ReadStatus::Ok;
}
}  // namespace

ReadStatus readRegularFile(const QString& fileName, qint64 maxBytes, QByteArray* bytes,
                           QString* error) {
  return readRegular(fileName, maxBytes, -1, bytes, nullptr, error);
}

ReadStatus readRegularFileHead(const QString& fileName, qint64 maxBytes, qsizetype headBytes,
                               QByteArray* head, qint64* fileSize, QString* error) {
  return readRegular(fileName, maxBytes, std::max<qsizetype>(0, headBytes), head, fileSize, error);
}

qint64 maxDocumentBytes() {
  // The text is held several times over: as UTF-16, in the control with its
  // layout, and in the history. A sixteenth of the memory leaves room for
  // that; positions of 32 bits bound it whatever the memory.
  constexpr qint64 kCeiling = qint64(512) << 20;
  constexpr qint64 kFloor = qint64(16) << 20;
  const long pages = ::sysconf(_SC_PHYS_PAGES);
  const long pageSize = ::sysconf(_SC_PAGESIZE);
  if (pages <= 0 || pageSize <= 0) return kCeiling;
  const qint64 memory = qint64(pages) * qint64(pageSize);
  return std::clamp(memory / 16, kFloor, kCeiling);
}

#else

int openRegularFile(const QString&) { return -1; }

ReadStatus readRegularFile(const QString& fileName, qint64 maxBytes, QByteArray* bytes,
                           QString* error) {
  const QFileInfo info(fileName);
  if (info.exists() && !info.isFile()) {
    setError(error, notRegularText(fileName));
    return ReadStatus::NotRegular;
  }
  QFile f(fileName);
  if (!f.open(QIODevice::ReadOnly)) {
    setError(error, f.errorString());
    return ReadStatus::Failed;
  }
  if (f.size() > maxBytes) {
    setError(error, tooLargeText(fileName, f.size(), maxBytes));
    return ReadStatus::TooLarge;
  }
  QByteArray data = f.read(maxBytes + 1);
  if (f.error() != QFileDevice::NoError) {
    setError(error, f.errorString());
    return ReadStatus::Failed;
  }
  if (data.size() > maxBytes) {
    setError(error, tooLargeText(fileName, data.size(), maxBytes));
    return ReadStatus::TooLarge;
  }
  *bytes = std::move(data);
  return ReadStatus::Ok;
}

ReadStatus readRegularFileHead(const QString& fileName, qint64 maxBytes, qsizetype headBytes,
                               QByteArray* head, qint64* fileSize, QString* error) {
  QByteArray all;
  const ReadStatus r = readRegularFile(fileName, maxBytes, &all, error);
  if (r != ReadStatus::Ok) return r;
  if (fileSize) *fileSize = all.size();
  *head = all.first(std::clamp<qsizetype>(headBytes, 0, all.size()));
  return ReadStatus::Ok;
}

qint64 maxDocumentBytes() { return qint64(512) << 20; }

#endif

bool isRegularFile(const QString& fileName) { return QFileInfo(fileName).isFile(); }

bool writeFile(const QString& fileName, const QByteArray& bytes, QString* error) {
  const QFileInfo info(fileName);
  if (info.isDir()) {
    setError(error, qt_error_string(EISDIR));
    return false;
  }
  if (info.exists() && !info.isFile()) {
    // A FIFO would block the save, a device would swallow it.
    setError(error, qt_error_string(EINVAL));
    return false;
  }
  if (info.exists() && !(info.permissions() & QFileDevice::WriteOwner)) {
    // Read-only, for its owner too: not replaced, whoever runs the program.
    setError(error, qt_error_string(EACCES));
    return false;
  }
#ifdef Q_OS_UNIX
  // Through a link the file it leads to is written.
  const QString target = info.exists() ? info.canonicalFilePath() : info.absoluteFilePath();
  const QByteArray path = QFile::encodeName(target);
  struct stat st {};
  const bool exists = ::stat(path.constData(), &st) == 0;
  // Replacing a file with other names would part them from it.
  if (exists && st.st_nlink > 1) return writeInPlace(path, bytes, error);
  switch (replaceWithTemporary(path, exists ? &st : nullptr, bytes, error)) {
    case Replaced::Yes: return true;
    case Replaced::Failed: return false;
    case Replaced::NotHere: return writeInPlace(path, bytes, error);
  }
  return false;
#else
  QSaveFile f(fileName);
  f.setDirectWriteFallback(false);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
    setError(error, f.errorString());
    return false;
  }
  for (qsizetype done = 0; done < bytes.size();) {
    const qint64 n = f.write(bytes.constData() + done, bytes.size() - done);
    if (n <= 0) {
      setError(error, f.errorString());
      f.cancelWriting();
      return false;
    }
    done += n;
  }
  if (!f.commit()) {
    setError(error, f.errorString());
    return false;
  }
  return true;
#endif
}

namespace testing {

void setFaultPlan(const FaultPlan& plan) {
#ifdef Q_OS_UNIX
  seam = Seam{};
  seam.active = true;
  seam.plan = plan;
#else
  Q_UNUSED(plan);
#endif
}

void clearFaultPlan() {
#ifdef Q_OS_UNIX
  seam = Seam{};
#endif
}

QStringList stepsTaken() {
#ifdef Q_OS_UNIX
  return seam.steps;
#else
  return {};
#endif
}

}  // namespace testing

bool isLossyName(const QString& fileName) {
  return fileName.contains(QChar::ReplacementCharacter) && !QFileInfo::exists(fileName);
}

std::optional<QString> decodeFileName(const QByteArray& bytes) {
  const QString name = QFile::decodeName(bytes);
  if (QFile::encodeName(name) != bytes) return std::nullopt;
  return name;
}

}  // namespace fileaccess
