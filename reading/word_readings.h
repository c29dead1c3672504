// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reading a character as it is spoken in the word it stands in (银行 yin2
// hang2, 音乐 yin1 yue4, 重新 chong2 xin1, 的 de5): a table of words with
// their frequencies and readings, read from the data file "words.txt"
// installed with the program, and the look-up of a character's word in the
// text around it. The words of a sentence are the most probable sequence of
// words of the table (each word's probability its count over the table's
// total), found over a bounded window of text around the character.
//
// The data file is UTF-8 text. Its first line is the header
// "# Chimepad word readings"; every other line that does not start with '#'
// holds a word of one to kLongestWord Chinese characters of the basic plane,
// then tab-separated either
//   - the readings, one per character, separated by spaces, each in
//     lower-case letters followed by a tone digit 1 to 5, then the count
//     (a whole number above 0); the count may be left out and is then 1; or
//   - the count alone: each character reads as its own one-character line
//     gives it.
// The file is read only when it is a regular file of at most kMaxFileBytes.
#include <QString>
#include <QStringList>
#include <QStringView>
#include <functional>
#include <vector>

class EditControl;

struct WordReadingOptions {
  // Readings from the table; otherwise each character's own reading (from
  // `own`), the table giving only the words.
  bool byWords = true;
  // Within a word a third tone before another third tone is read as a
  // second (你好 ni2 hao3), by the word's structure in a longer run
  // (展览|馆 zhan2 lan2 guan3, 小|老虎 xiao3 lao2 hu3); a one-character
  // word joins the word beside it where the two make at most three
  // syllables (很|好 hen2 hao3).
  bool toneSandhi = false;
  // Off: a neutral tone of the table (孩子 zi5) gives the character's own
  // reading of that syllable where it has a full tone (zi3), as a sound set
  // without neutral tones reads it.
  bool neutralTone = true;
};

class WordReadings {
 public:
  static constexpr const char* kHeader = "# Chimepad word readings";
  static constexpr const char* kFileName = "words.txt";
  static constexpr int kLongestWord = 8;
  // Characters on each side of the character read that the segmentation
  // looks at.
  static constexpr int kWindow = 16;
  static constexpr qint64 kMaxFileBytes = 64 * 1024 * 1024;

  // Where an installed program keeps the file: beside the executable, then
  // in ../share/chimepad relative to it.
  static QStringList defaultPlaces();

  // Nothing is read until the first look-up; the first of `places` (full
  // file paths) that loads is used. A table that cannot be read is tried
  // once only: after that every look-up finds nothing.
  explicit WordReadings(QStringList places = defaultPlaces());

  // Loads the table if that has not been tried yet; true when it is loaded.
  bool ensureLoaded();
  // Reads a data file; false when it is missing, unreadable, no regular
  // file, larger than kMaxFileBytes or not a table (wrong header, no word at
  // all). A failed load leaves the table empty.
  bool load(const QString& path);
  bool isEmpty() const { return words_.empty(); }
  qsizetype size() const { return qsizetype(words_.size()); }
  QString loadedFrom() const { return loadedFrom_; }

  using Options = WordReadingOptions;
  // A character's own reading ("hang2"), empty when it has none.
  using OwnReading = std::function<QString(QChar)>;

  // The reading of `text[index]` as spoken in the words of `text` around
  // it. Empty when there is none to give: a character that stands in no
  // word (punctuation, a line break, a space, a letter), or with `byWords`
  // off one whose own reading the tone change leaves as it is. Words never
  // reach over a character that is not Chinese. Only the kWindow characters
  // on each side of the index are looked at.
  QString readingIn(QStringView text, qsizetype index, const Options& options = {},
                    const OwnReading& own = {});

  // The same for the character at `pos` of the edit control, reading the
  // kWindow characters on each side of it only.
  QString readingAt(const EditControl& t, int pos, const Options& options = {},
                    const OwnReading& own = {});

  // The most probable words of a run of Chinese characters, as their
  // lengths, none longer than `longest`.
  std::vector<int> segment(QStringView run, int longest = kLongestWord) const;

 private:
  // One word of the table: where it and its readings stand in text_.
  struct Entry {
    qint32 word;
    qint32 readings;  // -1: the characters' own lines
    quint16 readingsLength;
    quint8 wordLength;
    float logp;
  };
  QStringView wordOf(const Entry& e) const {
    return QStringView(text_).sliced(e.word, e.wordLength);
  }
  const Entry* find(QStringView word) const;
  // The reading of the character at `i` of the entry; empty when none.
  QString readingOf(const Entry* e, QStringView word, qsizetype i) const;
  void sandhi(QStringView run, qsizetype from, qsizetype length, std::vector<int>& tones,
              int depth) const;

  QStringList places_;
  bool tried_ = false;
  QString loadedFrom_;
  // The whole file, and its words sorted, for a binary search.
  QString text_;
  std::vector<Entry> words_;
  float unknownLogp_ = 0;
};
