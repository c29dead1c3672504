// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/input_method.h"

#include <QtEndian>
#include <cstring>

namespace candidate_list {

void write(char* dest, int count, QByteArrayView strings) {
  const quint32 total = size(count, quint32(strings.size()));
  auto put = [dest](int at, quint32 v) { qToLittleEndian<quint32>(v, dest + at); };
  put(0, total);            // dwSize
  put(4, kStyleRead);       // dwStyle
  put(8, quint32(count));   // dwCount
  put(12, 0);               // dwSelection
  put(16, 0);               // dwPageStart
  put(20, quint32(count));  // dwPageSize
  const quint32 first = kHeaderSize + 4 * quint32(count);
  quint32 at = 0;
  for (int i = 0; i < count; ++i) {
    put(kHeaderSize + 4 * i, first + at);
    const void* nul = std::memchr(strings.data() + at, 0, size_t(strings.size()) - at);
    at =
        nul ? quint32(static_cast<const char*>(nul) - strings.data()) + 1 : quint32(strings.size());
  }
  if (!strings.isEmpty()) std::memcpy(dest + first, strings.data(), size_t(strings.size()));
}

QByteArray build(const QList<QByteArray>& candidates) {
  QByteArray strings;
  for (const QByteArray& c : candidates) {
    strings += c;
    strings += '\0';
  }
  QByteArray out(qsizetype(size(int(candidates.size()), quint32(strings.size()))), '\0');
  write(out.data(), int(candidates.size()), strings);
  return out;
}

}  // namespace candidate_list
