// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the data generators of the build (pinyingen, wordgen) share: failing
// with a message, reading their sources (bzip2-compressed or not), running a
// helper program, the numbered form of a pinyin reading, the readings of a
// Unihan field, and writing their output whole or not at all.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

namespace gen {

// The name the messages start with ("pinyingen: ..."); set first in main.
void setProgramName(const char* name);

// Prints "<program>: <message>" to stderr and ends the program with status 1.
[[noreturn]] void fail(const QString& message);

// The bytes of a file; fails when it cannot be read.
QByteArray readAll(const QString& path);

// A file's bytes, decompressed with `bzip2` when its name ends in ".bz2".
QByteArray readCompressed(const QString& path, const QString& bzip2);

// A helper program run to its end with `input` on its standard input.
struct ProgramRun {
  bool ok = false;  // ended normally with status 0
  QByteArray output;
  QByteArray errors;
};
// Fails when the program cannot be started.
ProgramRun runProgram(const QString& program, const QStringList& arguments,
                      const QByteArray& input = {});

// "hǔ" -> "hu3", "nǚ" -> "nv3", "lüè" -> "lue4", "jū" -> "ju1", "de" -> "de5":
// lower-case letters and the tone digit, 5 for the neutral tone; ü alone as
// v, üe after n and l as ue, ü after j, q, x, y as u; ê as e. Nullopt when
// the text is no pinyin syllable.
std::optional<QString> numberedReading(const QString& reading);

// The readings of one Unihan field value, in the order given: kMandarin's
// as they stand, kHanyuPinlu's without their counts, and the location lists
// of the others ("10.11:zhōng,zhòng") by their readings.
QStringList unihanReadings(const QString& field, const QString& value);

// Writes the whole file or, failing, leaves the old one and fails.
void writeFile(const QString& path, const QByteArray& text);

}  // namespace gen
