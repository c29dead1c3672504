// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/clipboard.h"

#include <QClipboard>
#include <QGuiApplication>

namespace clipboard {

static QClipboard* board() { return QGuiApplication::clipboard(); }

QString text() {
  QClipboard* b = board();
  if (!b) return {};
  const QString s = b->text();
  QString out;
  out.reserve(s.size() + s.size() / 16);
  const qsizetype n = s.size();
  for (qsizetype i = 0; i < n; ++i) {
    const QChar c = s[i];
    if (c == QLatin1Char('\r')) {
      if (i + 1 < n && s[i + 1] == QLatin1Char('\n')) ++i;
      out.append(QLatin1String("\r\n"));
    } else if (c == QLatin1Char('\n')) {
      out.append(QLatin1String("\r\n"));
    } else {
      out.append(c);
    }
  }
  return out;
}

void setText(const QString& text) {
  if (QClipboard* b = board())
    b->setText(QString(text).replace(QLatin1String("\r\n"), QLatin1String("\n")));
}

void clear() {
  if (QClipboard* b = board()) b->clear();
}

}  // namespace clipboard

ClipboardWatch::ClipboardWatch() {
  if (QClipboard* b = QGuiApplication::clipboard())
    connection_ = QObject::connect(b, &QClipboard::dataChanged, [this] { changed_ = true; });
}

ClipboardWatch::~ClipboardWatch() { QObject::disconnect(connection_); }

bool ClipboardWatch::takeChange() {
  const bool c = changed_;
  changed_ = false;
  return c;
}
