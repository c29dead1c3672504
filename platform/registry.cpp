// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/registry.h"

#include "platform/cp936.h"

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

#ifdef Q_OS_WIN

HKEY rootKey(RegRoot root) {
  switch (root) {
    case RegRoot::ClassesRoot: return HKEY_CLASSES_ROOT;
    case RegRoot::CurrentUser: return HKEY_CURRENT_USER;
    case RegRoot::LocalMachine: return HKEY_LOCAL_MACHINE;
  }
  return HKEY_CLASSES_ROOT;
}

class WinRegistry : public Registry {
 public:
  std::optional<Key> openKey(RegRoot root, const QString& path, quint32 access) override {
    HKEY h = nullptr;
    const QByteArray p = cp936::encode(path);
    if (RegOpenKeyExA(rootKey(root), p.constData(), 0, access, &h) != ERROR_SUCCESS)
      return std::nullopt;
    return reinterpret_cast<Key>(h);
  }

  std::optional<Value> queryValue(Key key, const QString& name, int bufferSize) override {
    QByteArray buffer(bufferSize, '\0');
    DWORD type = 0;
    DWORD size = static_cast<DWORD>(bufferSize);
    const QByteArray n = cp936::encode(name);
    if (RegQueryValueExA(reinterpret_cast<HKEY>(key), n.constData(), nullptr, &type,
                         reinterpret_cast<BYTE*>(buffer.data()), &size) != ERROR_SUCCESS)
      return std::nullopt;
    buffer.truncate(static_cast<qsizetype>(size));
    return Value{static_cast<quint32>(type), buffer};
  }

  void closeKey(Key key) override { RegCloseKey(reinterpret_cast<HKEY>(key)); }

  bool setDefaultValue(RegRoot root, const QString& key, const QString& subKey,
                       const QString& text) override {
    HKEY h = nullptr;
    const QByteArray k = cp936::encode(key);
    if (RegCreateKeyA(rootKey(root), k.constData(), &h) != ERROR_SUCCESS) return false;
    const QByteArray s = cp936::encode(subKey);
    const QByteArray t = cp936::encode(text);
    const LONG r = RegSetValueA(h, subKey.isEmpty() ? nullptr : s.constData(), REG_SZ,
                                t.constData(), static_cast<DWORD>(t.size()));
    RegCloseKey(h);
    return r == ERROR_SUCCESS;
  }
};

#else

// No registry here: every key is missing and writes go nowhere.
class EmptyRegistry : public Registry {
 public:
  std::optional<Key> openKey(RegRoot, const QString&, quint32) override { return std::nullopt; }
  std::optional<Value> queryValue(Key, const QString&, int) override { return std::nullopt; }
  void closeKey(Key) override {}
  bool setDefaultValue(RegRoot, const QString&, const QString&, const QString&) override {
    return false;
  }
};

#endif

}  // namespace

Registry& systemRegistry() {
#ifdef Q_OS_WIN
  static WinRegistry registry;
#else
  static EmptyRegistry registry;
#endif
  return registry;
}
