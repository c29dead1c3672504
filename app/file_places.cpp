// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/file_places.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "platform/file_access.h"

namespace {
// Far more than 100 lines of a long path each could take.
constexpr qint64 kMaxStoreBytes = 4 * 1024 * 1024;
constexpr char kHeader[] = "# Chimepad file places 1";
}  // namespace

QString FilePlaces::defaultStoreFile() {
#if QT_VERSION >= QT_VERSION_CHECK(6, 7, 0)
  QString dir = QStandardPaths::writableLocation(QStandardPaths::StateLocation);
#else
  // The state folder of the XDG rules, where Qt has no name for it yet.
  QString dir = qEnvironmentVariable("XDG_STATE_HOME");
  if (dir.isEmpty() || QDir::isRelativePath(dir))
    dir = QDir::homePath() + QStringLiteral("/.local/state");
  dir += QStringLiteral("/Chimepad");
#ifdef Q_OS_WIN
  dir = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
#endif
#endif
  return dir + QStringLiteral("/places");
}

QString FilePlaces::key(const QString& file) {
  return QDir::cleanPath(QFileInfo(file).absoluteFilePath());
}

bool FilePlaces::load() {
  entries_.clear();
  if (!QFileInfo::exists(storeFile_)) return true;
  QByteArray bytes;
  if (fileaccess::readRegularFile(storeFile_, kMaxStoreBytes, &bytes) != fileaccess::ReadStatus::Ok)
    return false;
  // One file a line, most recent first: caret, scroll and the path
  // percent-encoded (any character may stand in a file name).
  for (const QByteArray& line : bytes.split('\n')) {
    if (line.isEmpty() || line.startsWith('#')) continue;
    const QList<QByteArray> f = line.split('\t');
    if (f.size() != 3) continue;
    bool ok1 = false, ok2 = false;
    FilePlace place;
    place.caret = f[0].toInt(&ok1);
    place.scroll = f[1].toInt(&ok2);
    const QString file = QString::fromUtf8(QByteArray::fromPercentEncoding(f[2]));
    if (!ok1 || !ok2 || place.caret < 0 || place.scroll < 0 || file.isEmpty()) continue;
    if (find(file)) continue;
    entries_.push_back({key(file), place});
    if (int(entries_.size()) >= kMaxFiles) break;
  }
  return true;
}

bool FilePlaces::save(QString* error) const {
  QByteArray bytes = QByteArray(kHeader) + '\n';
  for (const Entry& e : entries_)
    bytes += QByteArray::number(e.place.caret) + '\t' + QByteArray::number(e.place.scroll) + '\t' +
             e.file.toUtf8().toPercentEncoding("/") + '\n';
  QDir().mkpath(QFileInfo(storeFile_).absolutePath());
  return fileaccess::writeFile(storeFile_, bytes, error);
}

std::optional<FilePlace> FilePlaces::find(const QString& file) const {
  const QString k = key(file);
  for (const Entry& e : entries_)
    if (e.file == k) return e.place;
  return std::nullopt;
}

void FilePlaces::remember(const QString& file, const FilePlace& place) {
  const QString k = key(file);
  entries_.erase(
      std::remove_if(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.file == k; }),
      entries_.end());
  entries_.insert(entries_.begin(), {k, place});
  if (int(entries_.size()) > kMaxFiles) entries_.resize(kMaxFiles);
}
