#pragma once
// Recording which program opens a file type. On Windows: keys below
// HKEY_CLASSES_ROOT. Elsewhere: the freedesktop way, in the user's own
// directories (desktop entries, a shared-mime-info package, the defaults in
// mimeapps.list and themed icons). Failures are skipped silently.
#include <QList>
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
void writeFreedesktopFileTypes(const QList<FileType>& types, const FreedesktopDirs& dirs,
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
void storeFreedesktopFileTypes(const QList<FileType>& types, const FreedesktopDirs& dirs,
                               const QStringList& dataDirs, const QString& exeDir,
                               const QString& executable);

// The theme name of an icon index ("chimepad", "chimepad-doc-qzc",
// "chimepad-doc-txt").
QString fileTypeIconName(int iconIndex);

// An argument of a desktop entry's Exec line, quoted and escaped as needed.
QString desktopExecArgument(const QString& arg);

// The platform's own way, for the running program. `registry` null: the
// system's. Elsewhere than Windows, an installed copy is made the default
// through its installed menu entry; a copy run from a build folder, which
// has none, writes entries of its own that start it by its full path.
void storeFileTypes(const QList<FileType>& types, Registry* registry);
