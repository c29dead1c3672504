#pragma once
// Recording which program opens a file type. On Windows: keys below
// HKEY_CLASSES_ROOT. Elsewhere: the freedesktop way, in the user's own
// directories (desktop entries, a shared-mime-info package, the defaults in
// mimeapps.list and themed icons). Failures are skipped silently.
#include <QList>
#include <QString>

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
void writeRegistryFileTypes(Registry& registry, const QList<FileType>& types, const QString& programDir);

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

// The theme name of an icon index ("chimepad", "chimepad-doc-qzc",
// "chimepad-doc-txt").
QString fileTypeIconName(int iconIndex);

// An argument of a desktop entry's Exec line, quoted and escaped as needed.
QString desktopExecArgument(const QString& arg);

// The platform's own way, for the running program. `registry` null: the
// system's.
void storeFileTypes(const QList<FileType>& types, Registry* registry);
