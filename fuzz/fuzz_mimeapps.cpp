// SPDX-License-Identifier: GPL-3.0-or-later
// The mimeapps.list editor: for any list, every line but those of the types
// set in the [Default Applications] group comes back byte for byte and in
// order; the group then names our entries for those types; and a second
// edit changes nothing.
#include "fuzz/fuzz_check.h"
#include "platform/file_types.h"

namespace {

const QList<QPair<QString, QString>> kDefaults = {
    {QStringLiteral("text/plain"), QStringLiteral("QZChimepadTxt.desktop")},
    {QStringLiteral("application/x-qzc"), QStringLiteral("QZChimepadQzC.desktop")},
    {QStringLiteral("text/x-log"), QStringLiteral("QZChimepadLog.desktop")},
};
const QByteArray kGroup = QByteArrayLiteral("[Default Applications]");

QList<QByteArray> linesOf(const QByteArray& bytes) {
  QList<QByteArray> lines = bytes.split('\n');
  if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
  return lines;
}

QByteArray keyOf(const QByteArray& line) {
  const qsizetype eq = line.indexOf('=');
  return eq > 0 ? line.left(eq).trimmed() : QByteArray();
}

bool ours(const QByteArray& key) {
  for (const auto& d : kDefaults)
    if (d.first.toUtf8() == key) return true;
  return false;
}

// The range of the last [Default Applications] group: its header, its end.
std::pair<qsizetype, qsizetype> groupOf(const QList<QByteArray>& lines) {
  qsizetype start = -1;
  for (qsizetype i = 0; i < lines.size(); ++i)
    if (lines[i].trimmed() == kGroup) start = i;
  if (start < 0) return {-1, -1};
  qsizetype end = start + 1;
  while (end < lines.size() && !lines[end].trimmed().startsWith('[')) ++end;
  return {start, end};
}

// The lines but those of our types inside the group.
QList<QByteArray> othersOf(const QList<QByteArray>& lines) {
  const auto [start, end] = groupOf(lines);
  QList<QByteArray> out;
  for (qsizetype i = 0; i < lines.size(); ++i)
    if (!(i > start && i < end && ours(keyOf(lines[i])))) out << lines[i];
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray old(reinterpret_cast<const char*>(data), qsizetype(size));
  const QByteArray edited = mimeappsWithDefaults(old, kDefaults);
  const QList<QByteArray> before = linesOf(old), after = linesOf(edited);

  QList<QByteArray> expected = othersOf(before);
  if (groupOf(before).first < 0) expected << kGroup;  // a group made at the end
  FUZZ_CHECK(othersOf(after) == expected);

  const auto [start, end] = groupOf(after);
  FUZZ_CHECK(start >= 0);
  for (const auto& [mime, entry] : kDefaults) {
    bool found = false;
    for (qsizetype i = start + 1; i < end; ++i) {
      if (keyOf(after[i]) != mime.toUtf8()) continue;
      found = true;
      FUZZ_CHECK(after[i].mid(after[i].indexOf('=') + 1).trimmed() == entry.toUtf8() + ';');
    }
    FUZZ_CHECK(found);
  }
  // Nothing is cut from the end of the last line.
  if (old.endsWith('\n')) FUZZ_CHECK(edited.endsWith('\n'));
  FUZZ_CHECK(mimeappsWithDefaults(edited, kDefaults) == edited);
  return 0;
}
