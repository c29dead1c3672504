// SPDX-License-Identifier: GPL-3.0-or-later
#include "reading/word_readings.h"

#include <QDir>
#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/edit_control.h"
#include "platform/file_access.h"
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

// A count: digits only, 1 to 10^12; 0 when it is no count.
qint64 parseCount(QStringView s) {
  if (s.isEmpty() || s.size() > 12) return 0;
  qint64 n = 0;
  for (const QChar c : s) {
    if (c < u'0' || c > u'9') return 0;
    n = n * 10 + (c.unicode() - u'0');
  }
  return n;
}

int toneOf(const QString& reading) {
  if (reading.isEmpty()) return 0;
  const QChar last = reading.back();
  return last >= u'1' && last <= u'5' ? last.unicode() - u'0' : 0;
}

}  // namespace

bool WordReadings::load(const QString& path) {
  tried_ = true;
  words_.clear();
  text_.clear();
  loadedFrom_.clear();
  QByteArray data;
  if (fileaccess::readRegularFile(path, kMaxFileBytes, &data) != fileaccess::ReadStatus::Ok)
    return false;
  if (!data.startsWith(kHeader)) return false;

  QString text = QString::fromUtf8(data);
  if (text.size() >= std::numeric_limits<qint32>::max()) return false;
  // The count stands in logp until the total is known.
  std::vector<Entry> words;
  words.reserve(size_t(data.count('\n')) + 1);
  data = QByteArray();
  const QStringView all(text);
  qsizetype from = 0;
  double total = 0;
  while (from < all.size()) {
    qsizetype to = all.indexOf(u'\n', from);
    if (to < 0) to = all.size();
    QStringView line = all.sliced(from, to - from);
    const qsizetype lineStart = from;
    from = to + 1;
    if (line.endsWith(u'\r')) line.chop(1);
    if (line.isEmpty() || line.front() == u'#') continue;
    const qsizetype tab = line.indexOf(u'\t');
    if (tab < 1 || tab > kLongestWord) continue;
    const QStringView word = line.first(tab);
    if (!std::all_of(word.begin(), word.end(), isWordChar)) continue;
    const QStringView rest = line.sliced(tab + 1);
    const qsizetype tab2 = rest.indexOf(u'\t');
    qint64 count = 1;
    qsizetype readings = -1, readingsLength = 0;
    if (tab2 < 0 && !rest.isEmpty() && rest.front().isDigit()) {
      count = parseCount(rest);
    } else {
      const QStringView r = tab2 < 0 ? rest : rest.first(tab2);
      if (r.size() > 0xFFFF || countReadings(r) != word.size()) continue;
      if (tab2 >= 0) count = parseCount(rest.sliced(tab2 + 1));
      readings = lineStart + tab + 1;
      readingsLength = r.size();
    }
    if (count <= 0) continue;
    total += double(count);
    words.push_back({qint32(lineStart), qint32(readings), quint16(readingsLength),
                     quint8(word.size()), float(count)});
  }
  if (words.empty()) return false;
  text_ = std::move(text);
  const double logTotal = std::log(total);
  for (Entry& e : words) e.logp = float(std::log(double(e.logp)) - logTotal);
  // A character the table does not know is less likely than any it knows.
  unknownLogp_ = float(std::log(0.5) - logTotal);
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
  loadedFrom_ = path;
  return true;
}

const WordReadings::Entry* WordReadings::find(QStringView word) const {
  const auto it = std::lower_bound(words_.begin(), words_.end(), word,
                                   [this](const Entry& e, QStringView w) { return wordOf(e) < w; });
  return it != words_.end() && wordOf(*it) == word ? &*it : nullptr;
}

QString WordReadings::readingOf(const Entry* e, QStringView word, qsizetype i) const {
  if (e && e->readings >= 0) {
    const QStringView readings = QStringView(text_).sliced(e->readings, e->readingsLength);
    qsizetype from = 0;
    for (qsizetype k = 0; k < i; ++k) from = readings.indexOf(u' ', from) + 1;
    qsizetype to = readings.indexOf(u' ', from);
    if (to < 0) to = readings.size();
    return readings.sliced(from, to - from).toString();
  }
  if (word.size() == 1) return {};
  // The character's own line.
  const Entry* own = find(word.sliced(i, 1));
  return own && own->readings >= 0 ? readingOf(own, word.sliced(i, 1), 0) : QString();
}

std::vector<int> WordReadings::segment(QStringView run, int longest) const {
  const qsizetype n = run.size();
  // best[i]: the log-probability of the most probable words of run[i, n);
  // length[i]: the length of the first of them.
  std::vector<double> best(size_t(n) + 1, 0.0);
  std::vector<int> length(size_t(n) + 1, 1);
  for (qsizetype i = n - 1; i >= 0; --i) {
    best[size_t(i)] = -1e300;
    const qsizetype most = std::min<qsizetype>({longest, kLongestWord, n - i});
    for (qsizetype l = 1; l <= most; ++l) {
      const Entry* e = find(run.sliced(i, l));
      if (!e && l > 1) continue;
      const double p = (e ? double(e->logp) : double(unknownLogp_)) + best[size_t(i + l)];
      if (p > best[size_t(i)]) {
        best[size_t(i)] = p;
        length[size_t(i)] = int(l);
      }
    }
  }
  std::vector<int> out;
  for (qsizetype i = 0; i < n; i += length[size_t(i)]) out.push_back(length[size_t(i)]);
  return out;
}

// Third tones of run[from, from + length), one word: a word of two reads
// 3 3 as 2 3; a longer one is taken apart into its most probable words,
// each changed first, then the third tone before a part that still starts
// with one, from the right (展览|馆 2 2 3, 小|老虎 3 2 3). A word of no
// smaller words changes every third tone before a third tone.
void WordReadings::sandhi(QStringView run, qsizetype from, qsizetype length,
                          std::vector<int>& tones, int depth) const {
  if (length < 2) return;
  std::vector<int> parts;
  if (length > 2 && depth < 4) parts = segment(run.sliced(from, length), int(length - 1));
  if (parts.size() < 2 || size_t(length) == parts.size()) {
    const std::vector<int> before(tones.begin() + from, tones.begin() + from + length);
    for (qsizetype i = 0; i + 1 < length; ++i)
      if (before[size_t(i)] == 3 && before[size_t(i + 1)] == 3) tones[size_t(from + i)] = 2;
    return;
  }
  std::vector<qsizetype> starts;
  qsizetype at = from;
  for (const int l : parts) {
    starts.push_back(at);
    sandhi(run, at, l, tones, depth + 1);
    at += l;
  }
  for (size_t k = parts.size() - 1; k-- > 0;) {
    const qsizetype last = starts[k + 1] - 1;
    if (tones[size_t(last)] == 3 && tones[size_t(starts[k + 1])] == 3) tones[size_t(last)] = 2;
  }
}

QString WordReadings::readingIn(QStringView text, qsizetype index, const Options& options,
                                const OwnReading& own) {
  if (index < 0 || index >= text.size() || !ensureLoaded() || !isWordChar(text[index])) return {};
  if (!options.byWords && !options.toneSandhi) return {};
  // The run of Chinese characters around the index, at most kWindow on
  // each side.
  qsizetype first = index, last = index + 1;
  while (first > 0 && index - first < kWindow && isWordChar(text[first - 1])) --first;
  while (last < text.size() && last - index <= kWindow && isWordChar(text[last])) ++last;
  const QStringView run = text.sliced(first, last - first);
  const qsizetype at = index - first;
  const std::vector<int> words = segment(run);

  // The word the index stands in; its reading there.
  std::vector<qsizetype> starts;
  size_t mine = 0;
  qsizetype start = 0;
  for (size_t k = 0; k < words.size(); ++k) {
    starts.push_back(start);
    if (start <= at && at < start + words[k]) mine = k;
    start += words[k];
  }
  auto readingAtRun = [&](qsizetype i, size_t k) {
    const QStringView word = run.sliced(starts[k], words[k]);
    QString r;
    if (options.byWords) r = readingOf(find(word), word, i - starts[k]);
    if (own && (r.isEmpty() || (!options.neutralTone && r.endsWith(u'5')))) {
      const QString o = own(run[i]);
      if (r.isEmpty() || (o.size() > 1 && o.chopped(1) == r.chopped(1) && !o.endsWith(u'5'))) r = o;
    }
    return r;
  };
  const QString reading = readingAtRun(at, mine);
  if (!options.toneSandhi) return options.byWords ? reading : QString();

  // Third tones: the word itself, then the words beside it where the two
  // make at most three syllables. Only the words next to the index matter:
  // the tone of a character changes by the one after it.
  const size_t lastWord = std::min(words.size() - 1, mine + 2);
  std::vector<int> tones(size_t(run.size()), 0);
  for (size_t k = mine; k <= lastWord; ++k)
    for (qsizetype i = starts[k]; i < starts[k] + words[k]; ++i)
      tones[size_t(i)] = i == at ? toneOf(reading) : toneOf(readingAtRun(i, k));
  for (size_t k = mine; k <= lastWord; ++k) sandhi(run, starts[k], words[k], tones, 0);
  for (size_t k = lastWord; k-- > mine;) {
    const qsizetype end = starts[k + 1];
    if (words[k] + words[k + 1] <= 3 && tones[size_t(end - 1)] == 3 && tones[size_t(end)] == 3)
      tones[size_t(end - 1)] = 2;
  }
  const int tone = tones[size_t(at)];
  if (tone == toneOf(reading) || reading.isEmpty()) return options.byWords ? reading : QString();
  return reading.chopped(1) + QString::number(tone);
}

QString WordReadings::readingAt(const EditControl& t, int pos, const Options& options,
                                const OwnReading& own) {
  if (pos < 0 || !ensureLoaded()) return {};
  const int from = std::max(0, pos - kWindow);
  const QString window = t.TextMid(from, pos - from + kWindow + 1);
  return readingIn(window, pos - from, options, own);
}
