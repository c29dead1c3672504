// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/mci_commands.h"

#include <QRegularExpression>

#include "platform/sound_files.h"
#include "platform/sound_output.h"

QString mciOpenCommand(const QString& path) {
  return QStringLiteral("open ") + path + QStringLiteral(" alias ") + kSegmentAlias;
}

QString mciPlayCommand(const QString& path, qint64 fromMs, qint64 toMs) {
  return QStringLiteral("play ") + path + QStringLiteral(" from ") + QString::number(fromMs) +
         QStringLiteral(" to ") + QString::number(toMs);
}

QString mciCloseCommand() { return QStringLiteral("close ") + kSegmentAlias; }

namespace {
QString unquote(QString s) {
  s = s.trimmed();
  if (s.size() >= 2 && s.startsWith(QLatin1Char('"')) && s.endsWith(QLatin1Char('"')))
    s = s.mid(1, s.size() - 2);
  return s;
}
}  // namespace

int MciCommands::execute(const QString& command) {
  static const QRegularExpression openRe(QStringLiteral(R"(^open\s+(.+)\s+alias\s+(\S+)$)"),
                                         QRegularExpression::CaseInsensitiveOption);
  static const QRegularExpression playRe(
      QStringLiteral(R"(^play\s+(.+?)(?:\s+from\s+(\d{1,12}))?(?:\s+to\s+(\d{1,12}))?$)"),
      QRegularExpression::CaseInsensitiveOption);
  static const QRegularExpression closeRe(QStringLiteral(R"(^close\s+(\S+)$)"),
                                          QRegularExpression::CaseInsensitiveOption);
  const QString text = command.trimmed();
  QRegularExpressionMatch m;
  if ((m = openRe.match(text)).hasMatch()) {
    const QString path = unquote(m.captured(1));
    if (!out_.openSegmentFile(path)) return 0;
    path_ = path;
    alias_ = m.captured(2);
    return 1;
  }
  if ((m = playRe.match(text)).hasMatch()) {
    if (path_.isEmpty()) return 0;
    // The file is named by its full path or by its alias.
    const QString name = unquote(m.captured(1));
    if (name.compare(alias_, Qt::CaseInsensitive) != 0 &&
        soundFileSystemPath(name) != soundFileSystemPath(path_))
      return 0;
    const qint64 from = m.captured(2).isEmpty() ? 0 : m.captured(2).toLongLong();
    const qint64 to = m.captured(3).isEmpty() ? -1 : m.captured(3).toLongLong();
    return out_.playSegmentRange(from, to) ? 1 : 0;
  }
  if ((m = closeRe.match(text)).hasMatch()) {
    if (path_.isEmpty() || m.captured(1).compare(alias_, Qt::CaseInsensitive) != 0) return 0;
    path_.clear();
    alias_.clear();
    return out_.closeSegmentFile() ? 1 : 0;
  }
  return 0;
}
