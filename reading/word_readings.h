#pragma once
// Reading a polyphonic character by the word it stands in (银行 yin2 hang2,
// 音乐 yin1 yue4, 重新 chong2 xin1): a table of words with the reading of each
// of their characters, read from the data file "words.txt" installed with the
// program, and the look-up of a character's word in the text around it.
//
// The data file is UTF-8 text. Its first line is the header
// "# Chimepad word readings"; every other line that does not start with '#'
// holds a word of two to kLongestWord Chinese characters of the basic plane,
// a tab, and one reading per character separated by spaces, each in
// lower-case letters followed by a tone digit 1 to 5.
#include <QString>
#include <QStringList>
#include <QStringView>
#include <vector>

class EditControl;

class WordReadings {
 public:
  static constexpr const char* kHeader = "# Chimepad word readings";
  static constexpr const char* kFileName = "words.txt";
  static constexpr int kLongestWord = 8;

  // Where an installed program keeps the file: beside the executable, then
  // in ../share/chimepad relative to it.
  static QStringList defaultPlaces();

  // Nothing is read until the first look-up; the first of `places` (full
  // file paths) that loads is used. A table that cannot be read is tried
  // once only: after that every look-up finds nothing.
  explicit WordReadings(QStringList places = defaultPlaces());

  // Loads the table if that has not been tried yet; true when it is loaded.
  bool ensureLoaded();
  // Reads a data file; false when it is missing, unreadable or not a table
  // (wrong header, no word at all). A failed load leaves the table empty.
  bool load(const QString& path);
  bool isEmpty() const { return words_.empty(); }
  qsizetype size() const { return qsizetype(words_.size()); }
  QString loadedFrom() const { return loadedFrom_; }

  // The reading of `text[index]` in the word of `text` that covers it: the
  // longest such word, and of words of equal length the one that starts
  // first. Empty when no word of the table covers it. Words never reach
  // over a character that stands in no word (punctuation, a line break, a
  // space, a letter).
  QString readingIn(QStringView text, qsizetype index);

  // The same for the character at `pos` of the edit control, looking at
  // the kLongestWord - 1 characters on each side of it only.
  QString readingAt(const EditControl& t, int pos);

 private:
  bool inWord(QChar c) const { return c.unicode() < wordChars_.size() && wordChars_[c.unicode()]; }

  // One word of the table: where it and its readings stand in text_.
  struct Entry {
    qsizetype word;
    qsizetype readings;
    int wordLength;
    int readingsLength;
  };
  QStringView wordOf(const Entry& e) const {
    return QStringView(text_).sliced(e.word, e.wordLength);
  }
  const Entry* find(QStringView word) const;

  QStringList places_;
  bool tried_ = false;
  QString loadedFrom_;
  // The whole file, and its words sorted, for a binary search.
  QString text_;
  std::vector<Entry> words_;
  // The characters that stand in some word, by code unit.
  std::vector<bool> wordChars_;
};
