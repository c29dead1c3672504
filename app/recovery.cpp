// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/recovery.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include "platform/file_access.h"

namespace recovery {

namespace {
const QByteArray kMagic = QByteArrayLiteral("CHIMEPAD-RECOVERY 1\n");
constexpr auto kRecordSuffix = ".recovery";
constexpr auto kLockSuffix = ".lock";

QString lockOf(const QString& recordPath) {
  return recordPath.left(recordPath.size() - int(qstrlen(kRecordSuffix))) +
         QLatin1String(kLockSuffix);
}
}  // namespace

// A few lines "key=value" of ASCII, a blank line, then the text as UTF-16
// little-endian, exactly as the editor held it (unpaired surrogates and
// the marks of kept bytes too). The file name goes in base64, so that no
// byte of it can end a line.
QByteArray encode(const Record& r) {
  QByteArray out = kMagic;
  out += "name=" + r.fileName.toUtf8().toBase64() + '\n';
  out += "bound=" + QByteArray(r.hasFileName ? "1" : "0") + '\n';
  out += "encoding=" + QByteArray::number(int(r.format.encoding)) + '\n';
  out += "lf=" + QByteArray(r.format.lfLines ? "1" : "0") + '\n';
  out += "time=" + r.time.toUTC().toString(Qt::ISODateWithMs).toLatin1() + '\n';
  out += '\n';
  QByteArray text(r.text.size() * 2, Qt::Uninitialized);
  for (qsizetype i = 0; i < r.text.size(); ++i) {
    const char16_t u = r.text[i].unicode();
    text[2 * i] = char(u & 0xFF);
    text[2 * i + 1] = char(u >> 8);
  }
  return out + text;
}

std::optional<Record> decode(const QByteArray& bytes) {
  if (!bytes.startsWith(kMagic)) return std::nullopt;
  const qsizetype end = bytes.indexOf("\n\n", kMagic.size() - 1);
  if (end < 0) return std::nullopt;
  Record r;
  bool haveTime = false;
  const QList<QByteArray> lines = bytes.mid(kMagic.size(), end - kMagic.size() + 1).split('\n');
  for (const QByteArray& line : lines) {
    const qsizetype eq = line.indexOf('=');
    if (eq < 0) continue;
    const QByteArray key = line.left(eq), value = line.mid(eq + 1);
    if (key == "name") {
      r.fileName = QString::fromUtf8(QByteArray::fromBase64(value));
    } else if (key == "bound") {
      r.hasFileName = value == "1";
    } else if (key == "encoding") {
      bool ok = false;
      const int e = value.toInt(&ok);
      if (!ok || e < int(textenc::Encoding::Gbk) || e > int(textenc::Encoding::Utf16Be))
        return std::nullopt;
      r.format.encoding = textenc::Encoding(e);
    } else if (key == "lf") {
      r.format.lfLines = value == "1";
    } else if (key == "time") {
      r.time = QDateTime::fromString(QString::fromLatin1(value), Qt::ISODateWithMs);
      haveTime = r.time.isValid();
    }
  }
  const qsizetype start = end + 2;
  const qsizetype n = bytes.size() - start;
  if (!haveTime || n % 2 != 0) return std::nullopt;
  r.text.resize(n / 2);
  const auto* p = reinterpret_cast<const uchar*>(bytes.constData() + start);
  for (qsizetype i = 0; i < n / 2; ++i) r.text[i] = QChar(char16_t(p[2 * i] | (p[2 * i + 1] << 8)));
  return r;
}

QString defaultFolder() {
  return filestate::userStateFolder() + QStringLiteral("/Chimepad/recovery");
}

Store::Store(QString folder) : folder_(std::move(folder)) {
  // The process and a random part: a process number used again by a later
  // copy names another file.
  id_ = QString::number(QCoreApplication::applicationPid()) + QLatin1Char('-') +
        QString::number(QRandomGenerator::global()->generate64(), 36);
}

Store::~Store() = default;

std::vector<Orphan> Store::orphans() {
  std::vector<Orphan> out;
  const QDir dir(folder_);
  if (folder_.isEmpty() || !dir.exists()) return out;
  const QFileInfoList files =
      dir.entryInfoList({QStringLiteral("*") + QLatin1String(kRecordSuffix)}, QDir::Files,
                        QDir::Time | QDir::Reversed);
  for (const QFileInfo& f : files) {
    const QString path = f.absoluteFilePath();
    if (path == path_) continue;  // this copy's own
    auto lock = std::make_unique<filestate::FileLock>();
    if (!lock->tryLock(lockOf(path))) continue;  // its copy still runs
    QByteArray bytes;
    // The text as UTF-16 takes twice the bytes of the largest document.
    if (fileaccess::readRegularFile(path, 2 * fileaccess::maxDocumentBytes() + 65536, &bytes) !=
        fileaccess::ReadStatus::Ok)
      continue;
    std::optional<Record> r = decode(bytes);
    if (!r) continue;
    out.push_back({std::move(*r), path, std::move(lock)});
  }
  return out;
}

void Store::discard(Orphan& o) {
  QFile::remove(o.path);
  if (o.lock) o.lock->removeAndUnlock();
}

bool Store::write(const Record& r) {
  if (folder_.isEmpty()) return false;
  if (!lock_.locked()) {
    if (!QDir().mkpath(folder_)) return false;
    QFile::setPermissions(folder_, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QString base = folder_ + QLatin1Char('/') + id_;
    if (!lock_.tryLock(base + QLatin1String(kLockSuffix))) return false;
    path_ = base + QLatin1String(kRecordSuffix);
  }
  return fileaccess::writeFile(path_, encode(r));
}

void Store::remove() {
  if (path_.isEmpty()) return;
  QFile::remove(path_);
  lock_.removeAndUnlock();
  path_.clear();
}

}  // namespace recovery
