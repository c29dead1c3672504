// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop-entry writer: for any program path the entry is one valid
// UTF-8 line per key, without control characters, and its Exec line, read
// back by the format's rules (string escapes, then quoting, then "%%"),
// names exactly that path; or the path is refused.
#include "fuzz/fuzz_check.h"
#include "platform/file_types.h"

namespace {

// The string escapes of a desktop entry value undone.
QString unescapeValue(const QString& v) {
  QString out;
  for (qsizetype i = 0; i < v.size(); ++i) {
    if (v[i] != QLatin1Char('\\')) {
      out += v[i];
      continue;
    }
    FUZZ_CHECK(i + 1 < v.size());  // no dangling backslash
    const QChar e = v[++i];
    if (e == QLatin1Char('\\')) out += QLatin1Char('\\');
    else if (e == QLatin1Char('n')) out += QLatin1Char('\n');
    else if (e == QLatin1Char('t')) out += QLatin1Char('\t');
    else if (e == QLatin1Char('r')) out += QLatin1Char('\r');
    else if (e == QLatin1Char('s')) out += QLatin1Char(' ');
    else FUZZ_CHECK(false);  // an escape the format lacks
  }
  return out;
}

// The first argument of an Exec line and what follows it.
QString firstArgument(const QString& exec, QString* rest) {
  QString arg;
  qsizetype i = 0;
  if (exec.startsWith(QLatin1Char('"'))) {
    for (i = 1;; ++i) {
      FUZZ_CHECK(i < exec.size());  // the quote is closed
      const QChar c = exec[i];
      if (c == QLatin1Char('"')) break;
      if (c == QLatin1Char('\\')) {
        FUZZ_CHECK(i + 1 < exec.size());
        const QChar n = exec[++i];
        FUZZ_CHECK(QStringLiteral("\"`$\\").contains(n));  // only these are escaped
        arg += n;
        continue;
      }
      FUZZ_CHECK(c != QLatin1Char('`') && c != QLatin1Char('$'));  // unescaped inside quotes
      arg += c;
    }
    ++i;
  } else {
    while (i < exec.size() && exec[i] != QLatin1Char(' ')) {
      FUZZ_CHECK(!QStringLiteral("\t\n\"'\\><~|&;$*?#()`").contains(exec[i]));
      arg += exec[i++];
    }
  }
  *rest = exec.mid(i);
  // Field codes: only "%%" may stand in an argument of ours.
  QString plain;
  for (qsizetype k = 0; k < arg.size(); ++k) {
    if (arg[k] == QLatin1Char('%')) {
      FUZZ_CHECK(k + 1 < arg.size() && arg[k + 1] == QLatin1Char('%'));
      ++k;
    }
    plain += arg[k];
  }
  return plain;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray raw(reinterpret_cast<const char*>(data), qsizetype(size));
  const QString path = QStringLiteral("/") + QString::fromUtf8(raw);
  const FileType type{QStringLiteral("QZChimepadQzC"), QStringLiteral("QZCfiles"),
                      QStringLiteral(".qzc"), 1, QStringLiteral("application/x-qzc")};
  const QString refusal = desktopEntryRefusal(path);
  if (!refusal.isEmpty()) return 0;
  const QByteArray entry = desktopEntryText(type, path);
  FUZZ_CHECK(QString::fromUtf8(entry).toUtf8() == entry);  // valid UTF-8
  for (const char c : entry) FUZZ_CHECK(c == '\n' || static_cast<unsigned char>(c) >= 0x20);
  FUZZ_CHECK(entry.endsWith('\n'));
  const QStringList lines = QString::fromUtf8(entry).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  const QStringList keys = {"Type", "Version",  "Name",      "Comment", "Exec",
                            "Icon", "MimeType", "NoDisplay", "Terminal"};
  FUZZ_CHECK(lines.size() == keys.size() + 1);
  FUZZ_CHECK(lines[0] == QStringLiteral("[Desktop Entry]"));
  QString exec;
  for (qsizetype i = 1; i < lines.size(); ++i) {
    FUZZ_CHECK(lines[i].startsWith(keys[i - 1] + QLatin1Char('=')));
    if (keys[i - 1] == QStringLiteral("Exec")) exec = lines[i].mid(5);
  }
  QString rest;
  FUZZ_CHECK(firstArgument(unescapeValue(exec), &rest) == path);
  FUZZ_CHECK(rest == QStringLiteral(" %f"));
  return 0;
}
