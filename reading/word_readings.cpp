#include "reading/word_readings.h"

#include <QDir>
#include <QFile>
#include <algorithm>

#include "platform/edit_control.h"
#include "platform/paths.h"

QStringList WordReadings::defaultPlaces() {
  const QString dir = executableDir();
  return {QDir(dir).filePath(QLatin1String(kFileName)),
          QDir::cleanPath(dir + QStringLiteral("/../share/chimepad/") + QLatin1String(kFileName))};
}

WordReadings::WordReadings(QStringList places) : places_(std::move(places)) {}

bool WordReadings::ensureLoaded() {
  if (!tried_) {
    tried_ = true;
    for (const QString& place : places_)
      if (load(place)) break;
  }
  return !words_.empty();
}

namespace {

bool isWordChar(QChar c) { return !c.isSurrogate() && c.script() == QChar::Script_Han; }

// Readings separated by single spaces, each lower-case letters and a tone
// digit 1 to 5: their number, or -1 when they are not in that form.
int countReadings(QStringView r) {
  int n = 0;
  qsizetype from = 0;
  while (true) {
    qsizetype to = r.indexOf(u' ', from);
    if (to < 0) to = r.size();
    const QStringView t = r.sliced(from, to - from);
    if (t.size() < 2 || t.back() < u'1' || t.back() > u'5') return -1;
    for (qsizetype i = 0; i + 1 < t.size(); ++i)
      if (t[i] < u'a' || t[i] > u'z') return -1;
    ++n;
    if (to == r.size()) return n;
    from = to + 1;
  }
}

}  // namespace

bool WordReadings::load(const QString& path) {
  tried_ = true;
  words_.clear();
  wordChars_.clear();
  text_.clear();
  loadedFrom_.clear();
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return false;
  const QByteArray data = f.readAll();
  if (!data.startsWith(kHeader)) return false;

  QString text = QString::fromUtf8(data);
  std::vector<Entry> words;
  words.reserve(size_t(data.count('\n')));
  std::vector<bool> chars(0x10000, false);
  const QStringView all(text);
  qsizetype from = 0;
  while (from < all.size()) {
    qsizetype to = all.indexOf(u'\n', from);
    if (to < 0) to = all.size();
    QStringView line = all.sliced(from, to - from);
    const qsizetype lineStart = from;
    from = to + 1;
    if (line.endsWith(u'\r')) line.chop(1);
    if (line.isEmpty() || line.front() == u'#') continue;
    const qsizetype tab = line.indexOf(u'\t');
    if (tab < 2 || tab > kLongestWord) continue;
    const QStringView word = line.first(tab);
    const QStringView readings = line.sliced(tab + 1);
    if (!std::all_of(word.begin(), word.end(), isWordChar)) continue;
    if (countReadings(readings) != word.size()) continue;
    for (const QChar c : word) chars[c.unicode()] = true;
    words.push_back({lineStart, lineStart + tab + 1, int(word.size()), int(readings.size())});
  }
  if (words.empty()) return false;
  text_ = std::move(text);
  // The generator writes the words sorted; a table put together otherwise is
  // sorted here. Of a word listed twice the first stays.
  auto less = [this](const Entry& a, const Entry& b) { return wordOf(a) < wordOf(b); };
  if (!std::is_sorted(words.begin(), words.end(), less))
    std::stable_sort(words.begin(), words.end(), less);
  words.erase(
      std::unique(words.begin(), words.end(),
                  [this](const Entry& a, const Entry& b) { return wordOf(a) == wordOf(b); }),
      words.end());
  words_ = std::move(words);
  wordChars_ = std::move(chars);
  loadedFrom_ = path;
  return true;
}

const WordReadings::Entry* WordReadings::find(QStringView word) const {
  const auto it = std::lower_bound(words_.begin(), words_.end(), word,
                                   [this](const Entry& e, QStringView w) { return wordOf(e) < w; });
  return it != words_.end() && wordOf(*it) == word ? &*it : nullptr;
}

QString WordReadings::readingIn(QStringView text, qsizetype index) {
  if (index < 0 || index >= text.size() || !ensureLoaded() || !inWord(text[index])) return {};
  // A word lies inside the run of word characters around the index.
  qsizetype first = index, last = index + 1;
  while (first > 0 && index - first < kLongestWord - 1 && inWord(text[first - 1])) --first;
  while (last < text.size() && last - index < kLongestWord && inWord(text[last])) ++last;
  const qsizetype longest = std::min<qsizetype>(kLongestWord, last - first);
  for (qsizetype length = longest; length >= 2; --length) {
    // Starts from the earliest that still covers the index.
    for (qsizetype start = std::max(first, index - length + 1);
         start <= index && start + length <= last; ++start) {
      const Entry* e = find(text.sliced(start, length));
      if (!e) continue;
      const QStringView readings = QStringView(text_).sliced(e->readings, e->readingsLength);
      return readings.split(u' ').at(index - start).toString();
    }
  }
  return {};
}

QString WordReadings::readingAt(const EditControl& t, int pos) {
  if (pos < 0 || !ensureLoaded()) return {};
  const int from = std::max(0, pos - (kLongestWord - 1));
  const QString window = t.TextMid(from, pos - from + kLongestWord);
  return readingIn(window, pos - from);
}
