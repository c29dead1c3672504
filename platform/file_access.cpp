#include "platform/file_access.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>
#include <cerrno>

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

// Writes all of the bytes at the offset; false (errno set) on failure.
bool writeAllAt(int fd, const QByteArray& bytes, off_t at) {
  qsizetype done = 0;
  while (done < bytes.size()) {
    const ssize_t n =
        ::pwrite(fd, bytes.constData() + done, size_t(bytes.size() - done), at + off_t(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = ENOSPC;
      return false;
    }
    done += n;
  }
  return true;
}

// The file written where it stands: room for the new contents is reserved
// before a byte of the old is touched, then it is overwritten and cut to
// length. A file that did not exist is removed again on failure.
bool writeInPlace(const QString& fileName, const QByteArray& bytes, QString* error) {
  const QByteArray path = QFile::encodeName(fileName);
  bool created = false;
  int fd = ::open(path.constData(), O_WRONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0 && errno == ENOENT) {
    fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    created = fd >= 0;
  }
  if (fd < 0) {
    setError(error, qt_error_string(errno));
    return false;
  }
  auto fail = [&](int err) {
    ::close(fd);
    if (created) ::unlink(path.constData());
    setError(error, qt_error_string(err));
    return false;
  };
  struct stat st {};
  if (::fstat(fd, &st) != 0) return fail(errno);
  if (!S_ISREG(st.st_mode)) return fail(EINVAL);
  if (bytes.size() > st.st_size) {
    const int r = ::posix_fallocate(fd, 0, off_t(bytes.size()));
    if (r != 0) return fail(r);
  }
  if (!writeAllAt(fd, bytes, 0)) return fail(errno);
  if (::ftruncate(fd, off_t(bytes.size())) != 0) return fail(errno);
  if (::fsync(fd) != 0 && errno != EINVAL && errno != EROFS) return fail(errno);
  if (::close(fd) != 0) {
    setError(error, qt_error_string(errno));
    return false;
  }
  return true;
}

// Whether the name of the temporary file made beside the file (the file's
// own name and ".XXXXXX") is one the folder can hold.
bool temporaryNameFits(const QString& fileName) {
  const QFileInfo info(fileName);
  const QByteArray dir = QFile::encodeName(info.absolutePath());
  const long nameMax = ::pathconf(dir.constData(), _PC_NAME_MAX);
  if (nameMax <= 0) return true;
  return QFile::encodeName(info.fileName()).size() + 7 <= nameMax;
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

ReadStatus readRegularFile(const QString& fileName, qint64 maxBytes, QByteArray* bytes,
                           QString* error) {
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
  // The file may grow while it is read: no more than the limit is taken.
  QByteArray data(qsizetype(st.st_size), Qt::Uninitialized);
  qsizetype got = 0;
  for (;;) {
    if (got == data.size()) {
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
  // A name too long to extend: no temporary file can be named beside it.
  if (!temporaryNameFits(fileName)) return writeInPlace(fileName, bytes, error);
#endif
  QSaveFile f(fileName);
  f.setDirectWriteFallback(false);
  // Unbuffered, so that a failing write tells the platform's own reason.
  if (!f.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
#ifdef Q_OS_UNIX
    // No temporary file beside it: the file is written where it stands.
    return writeInPlace(fileName, bytes, error);
#else
    setError(error, f.errorString());
    return false;
#endif
  }
  // A short write (a full disk) is no error yet; writing on tells why.
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
}

bool isLossyName(const QString& fileName) {
  return fileName.contains(QChar::ReplacementCharacter) && !QFileInfo::exists(fileName);
}

std::optional<QString> decodeFileName(const QByteArray& bytes) {
  const QString name = QFile::decodeName(bytes);
  if (QFile::encodeName(name) != bytes) return std::nullopt;
  return name;
}

}  // namespace fileaccess
