// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The place remembered for each of the files last closed: where the caret
// stood (where reading stopped, when it stopped there) and how far the text
// was scrolled, so that reopening a file goes back there. Kept in a file of
// its own in the user's state folder, apart from the settings; the most
// recent 100 files.
#include <QString>
#include <optional>
#include <vector>

struct FilePlace {
  int caret = 0;
  int scroll = 0;  // the vertical scroll position, in the scroll bar's units
};

class FilePlaces {
 public:
  static constexpr int kMaxFiles = 100;
  // The store kept in `storeFile` (nothing is read until `load`).
  explicit FilePlaces(QString storeFile) : storeFile_(std::move(storeFile)) {}
  // "places" in the user's state folder ("~/.local/state/Chimepad").
  static QString defaultStoreFile();

  // Reads the store. A missing file is an empty store; a file that is no
  // regular file, is too large or cannot be read leaves the store empty
  // (and false). Damaged lines are skipped.
  bool load();
  // Writes the store atomically; false with `error` when it cannot.
  bool save(QString* error = nullptr) const;

  // The place of a file, by its absolute, clean path.
  std::optional<FilePlace> find(const QString& file) const;
  // Remembers a place as the most recent; the oldest beyond 100 go.
  void remember(const QString& file, const FilePlace& place);
  const QString& storeFile() const { return storeFile_; }
  int size() const { return int(entries_.size()); }

 private:
  static QString key(const QString& file);
  struct Entry {
    QString file;
    FilePlace place;
  };
  QString storeFile_;
  std::vector<Entry> entries_;  // most recent first
};
