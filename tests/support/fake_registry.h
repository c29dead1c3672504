// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A registry in memory: keys with their values for the readers, a log of
// every write in order, and keys that refuse to open with write rights.
#include <QMap>
#include <QSet>
#include <QString>
#include <vector>

#include "platform/cp936.h"
#include "platform/registry.h"

class FakeRegistry : public Registry {
 public:
  struct Write {
    RegRoot root;
    QString key;
    QString subKey;
    QString text;
    bool operator==(const Write&) const = default;
  };

  // Values by (root, key path as given, value name).
  void put(RegRoot root, const QString& key, const QString& name, quint32 type,
           const QByteArray& data) {
    keys_[id(root, key)][name.toLower()] = Value{type, data};
  }
  void putString(RegRoot root, const QString& key, const QString& name, const QString& text) {
    put(root, key, name, kRegSz, cp936::encode(text) + QByteArray(1, '\0'));
  }
  // A key that only opens for reading.
  void protect(RegRoot root, const QString& key) { protected_.insert(id(root, key)); }

  std::vector<Write> writes;
  std::vector<quint32> openAccess;  // the access mask of every open
  int openKeys = 0;                 // opened and not yet closed

  std::optional<Key> openKey(RegRoot root, const QString& path, quint32 access) override {
    openAccess.push_back(access);
    const QString k = id(root, path);
    if (!keys_.contains(k)) return std::nullopt;
    const quint32 writeRights = 0x2 | 0x4 | 0x20;  // set value, create subkey, create link
    if (protected_.contains(k) && (access & writeRights)) return std::nullopt;
    handles_.push_back(k);
    ++openKeys;
    return static_cast<Key>(handles_.size());
  }
  std::optional<Value> queryValue(Key key, const QString& name, int bufferSize) override {
    const auto& values = keys_[handles_.at(key - 1)];
    const auto it = values.find(name.toLower());
    if (it == values.end() || it->data.size() > bufferSize) return std::nullopt;
    return *it;
  }
  void closeKey(Key) override { --openKeys; }
  bool setDefaultValue(RegRoot root, const QString& key, const QString& subKey,
                       const QString& text) override {
    writes.push_back({root, key, subKey, text});
    return true;
  }

 private:
  static QString id(RegRoot root, const QString& key) {
    return QString::number(int(root)) + u'|' + key.toLower();
  }
  QMap<QString, QMap<QString, Value>> keys_;
  QSet<QString> protected_;
  std::vector<QString> handles_;
};
