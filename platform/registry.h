// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The Windows registry, as far as the program uses it: reading one value
// (the about box looks for the system-information tool) and writing default
// values below HKEY_CLASSES_ROOT (the file-type association). Values cross
// the seam as the ANSI functions see them: bytes in code page 936.
// On other systems the registry holds no keys and takes no writes.
#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <optional>

enum class RegRoot { ClassesRoot, CurrentUser, LocalMachine };

// Value types.
constexpr quint32 kRegSz = 1;
constexpr quint32 kRegDword = 4;
// Access masks for opening a key.
constexpr quint32 kKeyRead = 0x20019;  // query, enumerate, notify, read control

class Registry {
 public:
  using Key = quintptr;
  struct Value {
    quint32 type = 0;
    QByteArray data;  // the bytes the query returned
  };

  virtual ~Registry() = default;
  // Opens an existing key below a root (RegOpenKeyExA); nullopt on failure.
  virtual std::optional<Key> openKey(RegRoot root, const QString& path, quint32 access) = 0;
  // Reads a named value into a buffer of `bufferSize` bytes
  // (RegQueryValueExA); nullopt on failure, a value too large included.
  virtual std::optional<Value> queryValue(Key key, const QString& name, int bufferSize) = 0;
  virtual void closeKey(Key key) = 0;
  // Creates or opens `key` below the root (RegCreateKeyA) and sets the
  // default value of its subkey `subKey` (created as needed; empty for the
  // key itself) to a text of type REG_SZ (RegSetValueA). False on failure.
  virtual bool setDefaultValue(RegRoot root, const QString& key, const QString& subKey,
                               const QString& text) = 0;
};

// The system's registry (on other systems than Windows: an empty one).
Registry& systemRegistry();
