// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The pinyin input method on systems without the Windows one: a reverse-
// conversion dictionary read from the data file "pinyin.txt" that is
// installed with the program. It is installed, under the name
// "微软拼音输入法", exactly when that file can be read.
//
// The data file is UTF-8 text. Its first line is the header
// "# Chimepad pinyin dictionary"; every other line that does not start with
// '#' holds one character, a tab, and its readings separated by spaces, the
// usual reading first, each in lower-case letters followed by a tone digit
// 1 to 5 (5: neutral tone).
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <vector>

#include "platform/input_method.h"

// The readings of the characters of the basic multilingual plane (the code
// page reaches no others), held for fast look-up.
class PinyinDictionary {
 public:
  static constexpr const char* kHeader = "# Chimepad pinyin dictionary";

  // Reads a data file; false when it is missing, unreadable or not a
  // dictionary (wrong header, no readings at all). A failed load leaves the
  // dictionary empty.
  bool load(const QString& path);
  bool isEmpty() const { return entries_ == 0; }
  int size() const { return entries_; }

  // The readings of one character, each NUL-terminated, one after another;
  // `count` of them. Empty when the character has none.
  struct Readings {
    QByteArrayView strings;
    int count = 0;
  };
  Readings readings(char16_t c) const;
  // The length of the longest reading, tone digit included.
  int longestReading() const { return longest_; }

 private:
  // Per code point: 0, or 1 + the position in pool_ of [count][length lo]
  // [length hi][the NUL-terminated readings].
  std::vector<quint32> index_;
  QByteArray pool_;
  int entries_ = 0;
  int longest_ = 0;
};

class PinyinDictionaryIme : public InputMethod {
 public:
  static const QString kName;  // "微软拼音输入法"
  static constexpr const char* kFileName = "pinyin.txt";
  static constexpr Layout kLayout = 0xE0200804;  // an input-method handle, Chinese (PRC)

  // Where an installed program keeps the file: beside the executable, then
  // in the installed data folder (share/chimepad of its prefix).
  static QStringList defaultPlaces();

  // Looks for the data file in `places` (full file paths), first one that
  // loads wins. Nothing is read until the layouts are first asked for; while
  // no file could be read, every such question looks again, so a file put in
  // place later is found.
  explicit PinyinDictionaryIme(QStringList places = defaultPlaces());

  // A dictionary file removed or changed since it was read is read again
  // (or found missing) by the next conversion.
  void refresh() override;
  QList<Layout> keyboardLayoutList() override;
  std::optional<QString> imeName(Layout layout) override;
  int maxKey(Layout layout) override;
  quint32 reverseConversionList(Layout layout, QByteArrayView source, char* list,
                                quint32 length) override;

  // The file the dictionary came from; empty while none is loaded.
  QString loadedFrom() const { return loadedFrom_; }

 private:
  bool installed() const { return !loadedFrom_.isEmpty(); }

  QStringList places_;
  PinyinDictionary dictionary_;
  QString loadedFrom_;
  QDateTime loadedModified_;
  qint64 loadedSize_ = -1;
  QList<Layout> layouts_;
};
