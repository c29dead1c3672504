#include "platform/file_types.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringList>

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

QByteArray desktopEntry(const FileType& t, const QString& executable) {
  QString s = QStringLiteral("[Desktop Entry]\n");
  s += QStringLiteral("Type=Application\n");
  s += QStringLiteral("Version=1.0\n");
  s += QStringLiteral("Name=妙音朗读器\n");
  s += QStringLiteral("Comment=") + t.description + QLatin1Char('\n');
  s += QStringLiteral("Exec=") + desktopExecArgument(executable) + QStringLiteral(" %f\n");
  s += QStringLiteral("Icon=") + fileTypeIconName(0) + QLatin1Char('\n');
  s += QStringLiteral("MimeType=") + t.mimeType + QStringLiteral(";\n");
  s += QStringLiteral("NoDisplay=true\n");
  s += QStringLiteral("Terminal=false\n");
  return s.toUtf8();
}

// Sets keys of the [Default Applications] group of a mimeapps.list, keeping
// every other line as it was.
QByteArray withDefaults(const QByteArray& old, const QList<QPair<QString, QString>>& defaults) {
  QStringList lines = QString::fromUtf8(old).split(QLatin1Char('\n'));
  if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
  const QString group = QStringLiteral("[Default Applications]");
  qsizetype start = -1;
  for (qsizetype i = 0; i < lines.size(); ++i)
    if (lines[i].trimmed() == group) start = i;
  if (start < 0) {
    lines << group;
    start = lines.size() - 1;
  }
  qsizetype end = start + 1;
  while (end < lines.size() && !lines[end].trimmed().startsWith(QLatin1Char('['))) ++end;
  for (const auto& [mime, entry] : defaults) {
    const QString line = mime + QLatin1Char('=') + entry + QLatin1Char(';');
    bool replaced = false;
    for (qsizetype i = start + 1; i < end; ++i) {
      const qsizetype eq = lines[i].indexOf(QLatin1Char('='));
      if (eq > 0 && lines[i].left(eq).trimmed() == mime) {
        lines[i] = line;
        replaced = true;
      }
    }
    if (!replaced) {
      // After the group's last entry, before any blank lines closing it.
      qsizetype at = end;
      while (at > start + 1 && lines[at - 1].trimmed().isEmpty()) --at;
      lines.insert(at, line);
      ++end;
    }
  }
  return (lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8();
}

void writeDefaults(const QString& configHome, const QList<QPair<QString, QString>>& defaults) {
  const QString listPath = configHome + QStringLiteral("/mimeapps.list");
  QByteArray old;
  QFile list(listPath);
  if (list.exists()) {
    if (list.open(QIODevice::ReadOnly)) {
      old = list.readAll();
      list.close();
      writeFile(listPath, withDefaults(old, defaults));
    }  // an unreadable list is left alone rather than overwritten
  } else {
    writeFile(listPath, withDefaults(old, defaults));
  }
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

QString desktopExecArgument(const QString& arg) {
  static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
  QString a = arg;
  a.replace(QLatin1Char('%'), QStringLiteral("%%"));
  bool quote = a.isEmpty();
  for (const QChar c : a)
    if (reserved.contains(c)) quote = true;
  if (!quote) return a;
  QString out = QStringLiteral("\"");
  for (const QChar c : a) {
    if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
        c == QLatin1Char('\\'))
      out += QLatin1Char('\\');
    out += c;
  }
  out += QLatin1Char('"');
  // The value of a desktop entry key is itself escaped: a backslash is "\\".
  out.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
  return out;
}

void writeFreedesktopFileTypes(const QList<FileType>& types, const FreedesktopDirs& dirs,
                               const QString& executable) {
  const QString applications = dirs.dataHome + QStringLiteral("/applications");
  const QString mime = dirs.dataHome + QStringLiteral("/mime");
  QList<QPair<QString, QString>> defaults;
  installIcon(dirs.dataHome, 0);
  for (const FileType& t : types) {
    writeFile(applications + QLatin1Char('/') + t.progId + QStringLiteral(".desktop"),
              desktopEntry(t, executable));
    writeFile(mime + QStringLiteral("/packages/") + t.progId + QStringLiteral(".xml"),
              mimePackage(t));
    installIcon(dirs.dataHome, t.iconIndex);
    defaults.append({t.mimeType, t.progId + QStringLiteral(".desktop")});
  }
  writeDefaults(dirs.configHome, defaults);
  runQuietly(QStringLiteral("update-mime-database"), mime);
  runQuietly(QStringLiteral("update-desktop-database"), applications);
}

void storeFreedesktopFileTypes(const QList<FileType>& types, const FreedesktopDirs& dirs,
                               const QStringList& dataDirs, const QString& exeDir,
                               const QString& executable) {
  const QString installed = installedDesktopEntryId(exeDir, dirs.dataHome, dataDirs);
  if (!installed.isEmpty()) setFreedesktopDefaults(types, dirs, installed);
  else writeFreedesktopFileTypes(types, dirs, executable);
}

void storeFileTypes(const QList<FileType>& types, Registry* registry) {
#ifdef Q_OS_WIN
  writeRegistryFileTypes(registry ? *registry : systemRegistry(), types,
                         QDir::toNativeSeparators(executableDir()));
#else
  Q_UNUSED(registry);
  storeFreedesktopFileTypes(types, FreedesktopDirs::fromEnvironment(), freedesktopDataDirs(),
                            executableDir(), QCoreApplication::applicationFilePath());
#endif
}
