// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/recent_files.h"

#include <QFileInfo>

#include "platform/settings_store.h"

namespace {
const QString kRecent = QStringLiteral("Recent");
QString keyOf(int i) { return QStringLiteral("File%1").arg(i + 1); }
}  // namespace

QStringList RecentFiles::files() const {
  QStringList list;
  if (!store_) return list;
  for (int i = 0; i < kMax; ++i) {
    const QString f = store_->read(kRecent, keyOf(i));
    if (!f.isEmpty() && !list.contains(f)) list << f;
  }
  return list;
}

void RecentFiles::store(const QStringList& files) {
  if (!store_) return;
  for (int i = 0; i < kMax; ++i) {
    if (i < files.size()) store_->write(kRecent, keyOf(i), files[i]);
    else store_->remove(kRecent, keyOf(i));
  }
  store_->sync();
}

void RecentFiles::add(const QString& fileName) {
  if (fileName.isEmpty()) return;
  const QString path = QFileInfo(fileName).absoluteFilePath();
  QStringList list = files();
  list.removeAll(path);
  list.prepend(path);
  while (list.size() > kMax) list.removeLast();
  store(list);
}

void RecentFiles::remove(const QString& fileName) {
  QStringList list = files();
  if (list.removeAll(fileName) > 0) store(list);
}

void RecentFiles::clear() { store({}); }

QString RecentFiles::missingMessage(const QString& fileName) {
  return QStringLiteral("找不到文件“%1”,已从最近的文件中删去。").arg(fileName);
}
