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
  return !words_.isEmpty();
}

bool WordReadings::load(const QString& path) {
  tried_ = true;
  words_.clear();
  wordChars_.clear();
  loadedFrom_.clear();
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return false;
  const QByteArray data = f.readAll();
  if (!data.startsWith(kHeader)) return false;

  QHash<QString, QString> words;
  words.reserve(data.count('\n'));
  std::vector<bool> chars(0x10000, false);
  qsizetype from = 0;
  while (from < data.size()) {
    qsizetype to = data.indexOf('\n', from);
    if (to < 0) to = data.size();
    const QByteArrayView raw(data.constData() + from, to - from);
    from = to + 1;
    if (raw.isEmpty() || raw.front() == '#') continue;
    const qsizetype tab = raw.indexOf('\t');
    if (tab <= 0) continue;
    const QString word = QString::fromUtf8(raw.first(tab));
    QString readings = QString::fromUtf8(raw.sliced(tab + 1)).trimmed();
    // One reading per character, each letters and a tone digit.
    if (word.size() < 2 || word.size() > kLongestWord) continue;
    if (readings.count(u' ') + 1 != word.size()) continue;
    bool ok = true;
    for (const QChar c : word) ok = ok && !c.isSurrogate() && c.script() == QChar::Script_Han;
    for (const QStringView r : QStringView(readings).split(u' ')) {
      ok = ok && r.size() >= 2 && r.back() >= u'1' && r.back() <= u'5';
      for (const QChar c : r.chopped(1)) ok = ok && c >= u'a' && c <= u'z';
    }
    if (!ok) continue;
    for (const QChar c : word) chars[c.unicode()] = true;
    words.insert(word, readings);
  }
  if (words.isEmpty()) return false;
  words_ = std::move(words);
  wordChars_ = std::move(chars);
  loadedFrom_ = path;
  return true;
}

QString WordReadings::readingIn(QStringView text, qsizetype index) {
  if (index < 0 || index >= text.size() || !ensureLoaded() || !inWord(text[index])) return {};
  // A word lies inside the run of word characters around the index.
  qsizetype first = index, last = index + 1;
  while (first > 0 && index - first < kLongestWord - 1 && inWord(text[first - 1])) --first;
  while (last < text.size() && last - index < kLongestWord && inWord(text[last])) ++last;
  const qsizetype longest = std::min<qsizetype>(kLongestWord, last - first);
  QString key;
  for (qsizetype length = longest; length >= 2; --length) {
    // Starts from the earliest that still covers the index.
    for (qsizetype start = std::max(first, index - length + 1); start <= index && start + length <= last; ++start) {
      key = text.sliced(start, length).toString();
      const auto it = words_.constFind(key);
      if (it == words_.cend()) continue;
      const qsizetype k = index - start;
      return QStringView(*it).split(u' ').at(k).toString();
    }
  }
  return {};
}

QString WordReadings::readingAt(const EditControl& t, int pos) {
  if (pos < 0 || pos >= t.TextLength() || !ensureLoaded()) return {};
  const QString c = t.CharAt(pos);
  if (c.size() != 1 || !inWord(c[0])) return {};
  const int from = std::max(0, pos - (kLongestWord - 1));
  const QString window = t.TextMid(from, pos - from + kLongestWord);
  return readingIn(window, pos - from);
}
