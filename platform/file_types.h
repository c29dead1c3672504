// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Recording which program opens a file type. On Windows: keys below
// HKEY_CLASSES_ROOT. Elsewhere: the freedesktop way, in the user's own
// directories (desktop entries, a shared-mime-info package, the defaults in
// mimeapps.list and themed icons). Failures are skipped silently.
#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

class Registry;

struct FileType {
  QString progId;       // "QZChimepadTxt"
  QString description;  // "文本文档"
  QString extension;    // ".txt"
  int iconIndex = 0;    // 0 the program, 1 its own documents, 2 text documents
  QString mimeType;     // "text/plain"
};

// The registry writes, in this order: every identifier's description, every
// extension naming its identifier, every identifier's open command
// ("shell\open\command": `programDir` joined with "Chimepad.exe %1"), every
// identifier's icon ("DefaultIcon": the program path and ",index").
// `programDir` is in Windows form; a drive root ends with a backslash.
void writeRegistryFileTypes(Registry& registry, const QList<FileType>& types,
                            const QString& programDir);

struct FreedesktopDirs {
  QString dataHome;    // $XDG_DATA_HOME, else ~/.local/share
  QString configHome;  // $XDG_CONFIG_HOME, else ~/.config
  static FreedesktopDirs fromEnvironment();
};

// One desktop entry "<progId>.desktop" per type starting `executable` with
// the file, one shared-mime-info package "<progId>.xml" per type (the glob
// and the document icon; the description for a type of our own), the
// defaults in mimeapps.list and the icons; then update-mime-database and
// update-desktop-database when they are installed.
// Nothing is written when `executable` cannot be written into an entry
// safely (desktopEntryRefusal): the refusal is returned, else empty.
QString writeFreedesktopFileTypes(const QList<FileType>& types, const FreedesktopDirs& dirs,
                                  const QString& executable);

// The data folders the desktop searches after the data home:
// $XDG_DATA_DIRS, else /usr/local/share and /usr/share.
QStringList freedesktopDataDirs();

// The desktop-file ID of the installed menu entry when the program in
// `exeDir` is an installed copy: its data folder holds that entry, and the
// desktop searches that folder (it is `dataHome` or one of `dataDirs`).
// Empty for a copy run from a build folder, or one installed where the
// desktop does not look.
QString installedDesktopEntryId(const QString& exeDir, const QString& dataHome,
                                const QStringList& dataDirs);

// Makes the desktop entry `desktopId` the default for every type in
// mimeapps.list, keeping the rest of the list as it was.
void setFreedesktopDefaults(const QList<FileType>& types, const FreedesktopDirs& dirs,
                            const QString& desktopId);

// The association of the program in `exeDir` (started as `executable`):
// through the installed menu entry for an installed copy, otherwise with
// entries of its own (writeFreedesktopFileTypes).
// Returns the refusal of writeFreedesktopFileTypes, or empty.
QString storeFreedesktopFileTypes(const QList<FileType>& types, const FreedesktopDirs& dirs,
                                  const QStringList& dataDirs, const QString& exeDir,
                                  const QString& executable);

// The theme name of an icon index ("chimepad", "chimepad-doc-qzc",
// "chimepad-doc-txt").
QString fileTypeIconName(int iconIndex);

// A value of a desktop entry's key of type string: "\\", "\\n", "\\t",
// "\\r" for a backslash, a newline, a tab and a carriage return, "\\s"
// for a leading space.
QString desktopStringValue(const QString& value);

// An argument of a desktop entry's Exec line: "%" as "%%", quoted in double
// quotes when it holds a reserved character (with '"', '`', '$' and '\\'
// escaped inside), and the whole escaped as a string value.
QString desktopExecArgument(const QString& arg);

// Why a program path cannot be written into a desktop entry safely (a
// control character other than newline, tab and carriage return, a name not
// valid in the locale's encoding, a relative path), as the message to show;
// empty when it can.
QString desktopEntryRefusal(const QString& executable);

// The desktop entry of a type that starts `executable` with the file.
QByteArray desktopEntryText(const FileType& type, const QString& executable);

// A mimeapps.list with the defaults set in its [Default Applications] group
// (made at the end when missing): a line of a type already there is
// rewritten only when its value differs, a type not there is added after
// the group's last entry; every other byte stays as it was, lines in other
// encodings and CR LF line ends included.
QByteArray mimeappsWithDefaults(const QByteArray& old,
                                const QList<QPair<QString, QString>>& defaults);

// The platform's own way, for the running program. `registry` null: the
// system's. Elsewhere than Windows, an installed copy is made the default
// through its installed menu entry; a copy run from a build folder, which
// has none, writes entries of its own that start it by its full path.
// Returns a refusal to show the user (the program's path cannot be written
// into a desktop entry safely; nothing was written), or empty.
QString storeFileTypes(const QList<FileType>& types, Registry* registry);
