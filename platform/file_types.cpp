// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/file_types.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringList>

#include "platform/file_access.h"
#include "platform/paths.h"
#include "platform/registry.h"

namespace {

const QString kExeName = QStringLiteral("Chimepad.exe");

// "dir\Chimepad.exe" + suffix, without doubling the backslash of a root.
QString programPath(const QString& dir, const QString& suffix) {
  const QString sep = dir.endsWith(QLatin1Char('\\')) ? QString() : QStringLiteral("\\");
  return dir + sep + kExeName + suffix;
}

bool writeFile(const QString& path, const QByteArray& content) {
  if (!QDir().mkpath(QFileInfo(path).absolutePath())) return false;
  QSaveFile f(path);
  if (!f.open(QIODevice::WriteOnly)) return false;
  f.write(content);
  return f.commit();
}

QString iconResource(int index) {
  switch (index) {
    case 1: return QStringLiteral(":/icons/doc-qzc.svg");
    case 2: return QStringLiteral(":/icons/doc-txt.svg");
    default: return QStringLiteral(":/icons/app.svg");
  }
}

void installIcon(const QString& dataHome, int index) {
  QFile source(iconResource(index));
  if (!source.open(QIODevice::ReadOnly)) return;
  const QString context = index == 0 ? QStringLiteral("apps") : QStringLiteral("mimetypes");
  writeFile(dataHome + QStringLiteral("/icons/hicolor/scalable/") + context + QLatin1Char('/') +
                fileTypeIconName(index) + QStringLiteral(".svg"),
            source.readAll());
}

QString xmlEscaped(const QString& s) { return s.toHtmlEscaped(); }

// Our own type gets its description; a type the system knows keeps its own.
bool ownType(const FileType& t) { return t.mimeType.startsWith(QLatin1String("application/x-")); }

QByteArray mimePackage(const FileType& t) {
  QString xml = QStringLiteral(
                    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                    "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
                    "  <mime-type type=\"%1\">\n")
                    .arg(xmlEscaped(t.mimeType));
  if (ownType(t))
    xml += QStringLiteral("    <comment>%1</comment>\n").arg(xmlEscaped(t.description));
  xml += QStringLiteral("    <icon name=\"%1\"/>\n").arg(fileTypeIconName(t.iconIndex));
  xml += QStringLiteral("    <glob pattern=\"*%1\"/>\n").arg(xmlEscaped(t.extension));
  xml += QStringLiteral("  </mime-type>\n</mime-info>\n");
  return xml.toUtf8();
}

// Reads the list when it is a regular file of a holdable size; `exists`
// tells whether there is one at all. False when one exists that cannot be
// read so (a FIFO, a device, unreadable): it is left alone.
bool readList(const QString& path, QByteArray* bytes) {
  const QFileInfo info(path);
  if (!info.exists() && !info.isSymLink()) return true;  // none yet
  constexpr qint64 kMaxListBytes = qint64(4) << 20;
  return fileaccess::readRegularFile(path, kMaxListBytes, bytes) == fileaccess::ReadStatus::Ok;
}

void writeDefaults(const QString& configHome, const QList<QPair<QString, QString>>& defaults) {
  const QString listPath = configHome + QStringLiteral("/mimeapps.list");
  QByteArray old;
  if (!readList(listPath, &old)) return;  // left alone rather than overwritten
  const QByteArray updated = mimeappsWithDefaults(old, defaults);
  if (updated == old && QFileInfo::exists(listPath)) return;
  if (!QDir().mkpath(configHome)) return;
  fileaccess::writeFile(listPath, updated);
}

void runQuietly(const QString& tool, const QString& dir) {
  const QString path = QStandardPaths::findExecutable(tool);
  if (path.isEmpty()) return;
  QProcess proc;
  proc.setStandardOutputFile(QProcess::nullDevice());
  proc.setStandardErrorFile(QProcess::nullDevice());
  proc.start(path, {dir});
  if (proc.waitForStarted(5000) && !proc.waitForFinished(30000)) proc.kill();
}

}  // namespace

void writeRegistryFileTypes(Registry& registry, const QList<FileType>& types,
                            const QString& programDir) {
  const RegRoot root = RegRoot::ClassesRoot;
  for (const FileType& t : types)
    registry.setDefaultValue(root, t.progId, QString(), t.description);
  for (const FileType& t : types) registry.setDefaultValue(root, t.extension, QString(), t.progId);
  for (const FileType& t : types)
    registry.setDefaultValue(root, t.progId, QStringLiteral("shell\\open\\command"),
                             programPath(programDir, QStringLiteral(" %1")));
  for (const FileType& t : types)
    registry.setDefaultValue(
        root, t.progId, QStringLiteral("DefaultIcon"),
        programPath(programDir, QLatin1Char(',') + QString::number(t.iconIndex)));
}

FreedesktopDirs FreedesktopDirs::fromEnvironment() {
  // Relative paths are not valid here and are ignored.
  auto dir = [](const char* var, const QString& fallback) {
    const QString v = qEnvironmentVariable(var);
    return QDir::isAbsolutePath(v) ? v : QDir::homePath() + fallback;
  };
  return {dir("XDG_DATA_HOME", QStringLiteral("/.local/share")),
          dir("XDG_CONFIG_HOME", QStringLiteral("/.config"))};
}

QStringList freedesktopDataDirs() {
  QStringList dirs;
  for (const QString& d :
       qEnvironmentVariable("XDG_DATA_DIRS").split(QLatin1Char(':'), Qt::SkipEmptyParts))
    if (QDir::isAbsolutePath(d)) dirs << d;
  if (dirs.isEmpty()) dirs = {QStringLiteral("/usr/local/share"), QStringLiteral("/usr/share")};
  return dirs;
}

QString installedDesktopEntryId(const QString& exeDir, const QString& dataHome,
                                const QStringList& dataDirs) {
  const QString dataRoot = QFileInfo(installedDataRoot(exeDir)).canonicalFilePath();
  const QString id = desktopEntryFileName();
  if (dataRoot.isEmpty() || !QFileInfo(dataRoot + QStringLiteral("/applications/") + id).isFile())
    return {};
  for (const QString& searched : QStringList{dataHome} + dataDirs)
    if (QFileInfo(searched).canonicalFilePath() == dataRoot) return id;
  return {};
}

void setFreedesktopDefaults(const QList<FileType>& types, const FreedesktopDirs& dirs,
                            const QString& desktopId) {
  QList<QPair<QString, QString>> defaults;
  for (const FileType& t : types) defaults.append({t.mimeType, desktopId});
  writeDefaults(dirs.configHome, defaults);
}

QString fileTypeIconName(int iconIndex) {
  switch (iconIndex) {
    case 1: return QStringLiteral("chimepad-doc-qzc");
    case 2: return QStringLiteral("chimepad-doc-txt");
    default: return QStringLiteral("chimepad");
  }
}

QString desktopStringValue(const QString& value) {
  QString out;
  out.reserve(value.size() + 8);
  for (qsizetype i = 0; i < value.size(); ++i) {
    const QChar c = value[i];
    if (c == QLatin1Char('\\')) out += QStringLiteral("\\\\");
    else if (c == QLatin1Char('\n')) out += QStringLiteral("\\n");
    else if (c == QLatin1Char('\t')) out += QStringLiteral("\\t");
    else if (c == QLatin1Char('\r')) out += QStringLiteral("\\r");
    else if (c == QLatin1Char(' ') && i == 0) out += QStringLiteral("\\s");  // not trimmed away
    else out += c;
  }
  return out;
}

QString desktopExecArgument(const QString& arg) {
  // The quoting of the Exec key first, then the escapes of every string
  // value over the whole: a reader undoes them in the other order.
  static const QString reserved = QStringLiteral(" \t\n\r\"'\\><~|&;$*?#()`");
  QString a = arg;
  a.replace(QLatin1Char('%'), QStringLiteral("%%"));
  bool quote = a.isEmpty();
  for (const QChar c : a)
    if (reserved.contains(c)) quote = true;
  if (!quote) return desktopStringValue(a);
  QString out = QStringLiteral("\"");
  for (const QChar c : a) {
    if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
        c == QLatin1Char('\\'))
      out += QLatin1Char('\\');
    out += c;
  }
  out += QLatin1Char('"');
  return desktopStringValue(out);
}

QString desktopEntryRefusal(const QString& executable) {
  // The entry is UTF-8 text and its values may hold no control characters
  // but the escaped ones; a name that is not valid in the locale's encoding
  // would name another file once written.
  bool bad = !fileaccess::decodeFileName(QFile::encodeName(executable)).has_value() ||
             executable.contains(QChar::ReplacementCharacter) ||
             !QFileInfo(executable).isAbsolute();
  for (const QChar c : executable) {
    const bool escaped = c == QLatin1Char('\n') || c == QLatin1Char('\t') || c == QLatin1Char('\r');
    if ((c.unicode() < 0x20 && !escaped) || c.unicode() == 0x7F || c.isSurrogate() ||
        c.category() == QChar::Other_Format || c == QChar(0x2028) || c == QChar(0x2029))
      bad = true;
  }
  // "%" is written "%%" as the desktop entry format says, but GLib looks for the
  // program under the name still holding "%%" and refuses the entry: such
  // an association would silently not work.
  if (executable.contains(QLatin1Char('%'))) bad = true;
  // Mangled by its encoding to UTF-8 and back: not one name.
  if (QString::fromUtf8(executable.toUtf8()) != executable) bad = true;
  if (!bad) return {};
  QString shown = executable;
  for (QChar& c : shown)
    if (c.unicode() < 0x20 || c.unicode() == 0x7F) c = QChar(0xFFFD);
  return QStringLiteral(
             "程序所在的路径“%1”含有无法安全写入桌面文件的字符,未关联文件类型。\r\n"
             "请把程序移到别的文件夹再试。")
      .arg(shown);
}

QByteArray desktopEntryText(const FileType& t, const QString& executable) {
  QString s = QStringLiteral("[Desktop Entry]\n");
  s += QStringLiteral("Type=Application\n");
  s += QStringLiteral("Version=1.0\n");
  s += QStringLiteral("Name=") + desktopStringValue(QStringLiteral("妙音朗读器")) +
       QLatin1Char('\n');
  s += QStringLiteral("Comment=") + desktopStringValue(t.description) + QLatin1Char('\n');
  s += QStringLiteral("Exec=") + desktopExecArgument(executable) + QStringLiteral(" %f\n");
  s += QStringLiteral("Icon=") + desktopStringValue(fileTypeIconName(0)) + QLatin1Char('\n');
  QString mime = desktopStringValue(t.mimeType);
  mime.replace(QLatin1Char(';'), QStringLiteral("\\;"));  // a list of strings
  s += QStringLiteral("MimeType=") + mime + QStringLiteral(";\n");
  s += QStringLiteral("NoDisplay=true\n");
  s += QStringLiteral("Terminal=false\n");
  return s.toUtf8();
}

QByteArray mimeappsWithDefaults(const QByteArray& old,
                                const QList<QPair<QString, QString>>& defaults) {
  // Bytes, not text: lines of other encodings stay exactly as they were.
  QList<QByteArray> lines = old.split('\n');
  const bool endedWithNewline = old.endsWith('\n');
  if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
  const QByteArray group = QByteArrayLiteral("[Default Applications]");
  qsizetype start = -1;
  for (qsizetype i = 0; i < lines.size(); ++i)
    if (lines[i].trimmed() == group) start = i;
  bool appendedAtEnd = false;
  if (start < 0) {
    lines << group;
    start = lines.size() - 1;
    appendedAtEnd = true;
  }
  qsizetype end = start + 1;
  while (end < lines.size() && !lines[end].trimmed().startsWith('[')) ++end;
  for (const auto& [mime, entry] : defaults) {
    const QByteArray key = mime.toUtf8();
    const QByteArray value = entry.toUtf8() + ';';
    bool found = false;
    for (qsizetype i = start + 1; i < end; ++i) {
      const qsizetype eq = lines[i].indexOf('=');
      if (eq <= 0 || lines[i].left(eq).trimmed() != key) continue;
      found = true;
      if (lines[i].mid(eq + 1).trimmed() == value) continue;  // already so: untouched
      const bool cr = lines[i].endsWith('\r');
      lines[i] = key + '=' + value + (cr ? "\r" : "");
    }
    if (!found) {
      // After the group's last entry, before any blank lines closing it.
      qsizetype at = end;
      while (at > start + 1 && lines[at - 1].trimmed().isEmpty()) --at;
      const bool cr = lines[start].endsWith('\r');
      lines.insert(at, key + '=' + value + (cr ? "\r" : ""));
      if (at == lines.size() - 1) appendedAtEnd = true;
      ++end;
    }
  }
  QByteArray out = lines.join('\n');
  if (endedWithNewline || appendedAtEnd) out += '\n';
  return out;
}

QString writeFreedesktopFileTypes(const QList<FileType>& types, const FreedesktopDirs& dirs,
                                  const QString& executable) {
  // Nothing is written for a program path no entry can hold safely.
  const QString refusal = desktopEntryRefusal(executable);
  if (!refusal.isEmpty()) return refusal;
  const QString applications = dirs.dataHome + QStringLiteral("/applications");
  const QString mime = dirs.dataHome + QStringLiteral("/mime");
  QList<QPair<QString, QString>> defaults;
  installIcon(dirs.dataHome, 0);
  for (const FileType& t : types) {
    writeFile(applications + QLatin1Char('/') + t.progId + QStringLiteral(".desktop"),
              desktopEntryText(t, executable));
    writeFile(mime + QStringLiteral("/packages/") + t.progId + QStringLiteral(".xml"),
              mimePackage(t));
    installIcon(dirs.dataHome, t.iconIndex);
    defaults.append({t.mimeType, t.progId + QStringLiteral(".desktop")});
  }
  writeDefaults(dirs.configHome, defaults);
  runQuietly(QStringLiteral("update-mime-database"), mime);
  runQuietly(QStringLiteral("update-desktop-database"), applications);
  return {};
}

QString storeFreedesktopFileTypes(const QList<FileType>& types, const FreedesktopDirs& dirs,
                                  const QStringList& dataDirs, const QString& exeDir,
                                  const QString& executable) {
  const QString installed = installedDesktopEntryId(exeDir, dirs.dataHome, dataDirs);
  if (installed.isEmpty()) return writeFreedesktopFileTypes(types, dirs, executable);
  setFreedesktopDefaults(types, dirs, installed);
  return {};
}

QString storeFileTypes(const QList<FileType>& types, Registry* registry) {
#ifdef Q_OS_WIN
  writeRegistryFileTypes(registry ? *registry : systemRegistry(), types,
                         QDir::toNativeSeparators(executableDir()));
  return {};
#else
  Q_UNUSED(registry);
  return storeFreedesktopFileTypes(types, FreedesktopDirs::fromEnvironment(), freedesktopDataDirs(),
                                   executableDir(), QCoreApplication::applicationFilePath());
#endif
}
