// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/pinyin_dictionary_ime.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstring>

#include "platform/cp936.h"
#include "platform/file_access.h"
#include "platform/paths.h"

namespace {

// A dictionary of every character with a reading is well under a megabyte;
// anything far bigger is not ours.
constexpr qint64 kMaxFileSize = 32 * 1024 * 1024;
constexpr int kMaxReadingsPerCharacter = 32;

// Decodes the UTF-8 character at the start of `s`; returns its length in
// bytes (0 when it is not well-formed) and the code point in `cp`.
int decodeUtf8(const char* s, const char* end, char32_t& cp) {
  const auto b = [&](int i) { return static_cast<unsigned char>(s[i]); };
  const qsizetype n = end - s;
  if (n < 1) return 0;
  if (b(0) < 0x80) {
    cp = b(0);
    return 1;
  }
  auto cont = [&](int i) { return i < n && (b(i) & 0xC0) == 0x80; };
  if ((b(0) & 0xE0) == 0xC0 && cont(1)) {
    cp = char32_t(b(0) & 0x1F) << 6 | (b(1) & 0x3F);
    return cp >= 0x80 ? 2 : 0;
  }
  if ((b(0) & 0xF0) == 0xE0 && cont(1) && cont(2)) {
    cp = char32_t(b(0) & 0x0F) << 12 | char32_t(b(1) & 0x3F) << 6 | (b(2) & 0x3F);
    return cp >= 0x800 && (cp < 0xD800 || cp > 0xDFFF) ? 3 : 0;
  }
  if ((b(0) & 0xF8) == 0xF0 && cont(1) && cont(2) && cont(3)) {
    cp = char32_t(b(0) & 0x07) << 18 | char32_t(b(1) & 0x3F) << 12 | char32_t(b(2) & 0x3F) << 6 |
         (b(3) & 0x3F);
    return cp >= 0x10000 && cp <= 0x10FFFF ? 4 : 0;
  }
  return 0;
}

// Lower-case letters followed by one tone digit 1 to 5.
bool isReading(const char* s, qsizetype n) {
  if (n < 2 || s[n - 1] < '1' || s[n - 1] > '5') return false;
  for (qsizetype i = 0; i < n - 1; ++i)
    if (s[i] < 'a' || s[i] > 'z') return false;
  return true;
}

}  // namespace

bool PinyinDictionary::load(const QString& path) {
  index_.clear();
  pool_.clear();
  entries_ = 0;
  longest_ = 0;

  // Only a regular file: a FIFO in its place would block, a device never end.
  QByteArray data;
  if (fileaccess::readRegularFile(path, kMaxFileSize, &data) != fileaccess::ReadStatus::Ok)
    return false;
  const qsizetype headerLength = qsizetype(std::strlen(kHeader));
  if (!data.startsWith(QByteArrayView(kHeader, headerLength))) return false;

  std::vector<quint32> index(0x10000, 0);
  QByteArray pool;
  pool.reserve(data.size() / 2);
  int entries = 0;
  int longest = 0;

  const char* p = data.constData();
  const char* const end = p + data.size();
  while (p < end) {
    const char* eol = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p)));
    if (!eol) eol = end;
    const char* lineEnd = eol;
    if (lineEnd > p && lineEnd[-1] == '\r') --lineEnd;
    const char* line = p;
    p = eol + 1;
    if (line == lineEnd || *line == '#') continue;

    // A malformed line is passed over; the rest of the file still counts.
    char32_t cp = 0;
    const int n = decodeUtf8(line, lineEnd, cp);
    if (n == 0 || line + n >= lineEnd || line[n] != '\t') continue;
    if (cp > 0xFFFF || index[cp] != 0) continue;

    const qsizetype start = pool.size();
    pool.append(3, '\0');  // count and length, filled in below
    int count = 0;
    const char* r = line + n + 1;
    while (r < lineEnd && count < kMaxReadingsPerCharacter) {
      const char* sp = static_cast<const char*>(std::memchr(r, ' ', size_t(lineEnd - r)));
      const char* rEnd = sp ? sp : lineEnd;
      if (isReading(r, rEnd - r)) {
        pool.append(r, rEnd - r);
        pool.append('\0');
        ++count;
        longest = std::max(longest, int(rEnd - r));
      }
      r = rEnd + 1;
    }
    const qsizetype length = pool.size() - start - 3;
    if (count == 0 || length > 0xFFFF) {
      pool.truncate(start);
      continue;
    }
    pool[start] = char(count);
    pool[start + 1] = char(length & 0xFF);
    pool[start + 2] = char(length >> 8);
    index[cp] = quint32(start) + 1;
    ++entries;
  }
  if (entries == 0) return false;

  index_ = std::move(index);
  pool_ = std::move(pool);
  pool_.squeeze();
  entries_ = entries;
  longest_ = longest;
  return true;
}

PinyinDictionary::Readings PinyinDictionary::readings(char16_t c) const {
  if (index_.empty()) return {};
  const quint32 at = index_[c];
  if (at == 0) return {};
  const char* e = pool_.constData() + (at - 1);
  const int count = static_cast<unsigned char>(e[0]);
  const int length = static_cast<unsigned char>(e[1]) | static_cast<unsigned char>(e[2]) << 8;
  return {QByteArrayView(e + 3, length), count};
}

const QString PinyinDictionaryIme::kName = QStringLiteral("微软拼音输入法");

QStringList PinyinDictionaryIme::defaultPlaces() {
  const QString dir = executableDir();
  return {QDir(dir).filePath(QLatin1String(kFileName)),
          QDir(installedDataDir(dir)).filePath(QLatin1String(kFileName))};
}

PinyinDictionaryIme::PinyinDictionaryIme(QStringList places) : places_(std::move(places)) {}

QList<InputMethod::Layout> PinyinDictionaryIme::keyboardLayoutList() {
  if (!installed()) {
    for (const QString& place : places_) {
      if (dictionary_.load(place)) {
        loadedFrom_ = place;
        const QFileInfo info(place);
        loadedModified_ = info.lastModified();
        loadedSize_ = info.size();
        layouts_ = {kLayout};
        break;
      }
    }
  }
  return layouts_;
}

void PinyinDictionaryIme::refresh() {
  if (!installed()) return;
  const QFileInfo info(loadedFrom_);
  if (info.isFile() && info.lastModified() == loadedModified_ && info.size() == loadedSize_) return;
  dictionary_ = PinyinDictionary();
  loadedFrom_.clear();
  layouts_.clear();
}

std::optional<QString> PinyinDictionaryIme::imeName(Layout layout) {
  if (!installed() || layout != kLayout) return std::nullopt;
  return kName;
}

int PinyinDictionaryIme::maxKey(Layout layout) {
  if (!installed() || layout != kLayout) return 0;
  return dictionary_.longestReading();
}

quint32 PinyinDictionaryIme::reverseConversionList(Layout layout, QByteArrayView source, char* list,
                                                   quint32 length) {
  if (!installed() || layout != kLayout) return 0;
  char16_t c = 0xFFFD;
  if (source.size() == 1) c = cp936::decodeSingle(static_cast<unsigned char>(source[0]));
  else if (source.size() == 2)
    c = cp936::decodePair(static_cast<unsigned char>(source[0]),
                          static_cast<unsigned char>(source[1]));
  if (c == 0xFFFD) return 0;
  const PinyinDictionary::Readings r = dictionary_.readings(c);
  if (r.count == 0) return 0;
  const quint32 needed = candidate_list::size(r.count, quint32(r.strings.size()));
  if (length == 0) return needed;
  if (!list || length < needed) return 0;
  candidate_list::write(list, r.count, r.strings);
  return needed;
}
