// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The command line: a file name to open (the whole tail after the program
// path), or one of the few forms that start with "--": the help, the
// version, and reading a text file into a wav file without a window.
#include <QString>
#include <QStringList>
#include <optional>

class QTextStream;
class InputMethod;

// The version of the project, as the build gives it.
inline const QString kChimepadVersion = QStringLiteral(CHIMEPAD_VERSION);

struct CommandLine {
  enum class Mode { Open, ReadToWav, Help, Version, Error };
  Mode mode = Mode::Open;
  QString fileName;  // Open: the file to open, empty for none
  QString textFile;  // ReadToWav
  QString wavFile;
  int intervalMs = 500;
  bool trace = false;
  // --neutral-tone / --no-neutral-tone, --tone-sandhi / --no-tone-sandhi;
  // unset: as stored in the settings (on when nothing is stored).
  std::optional<bool> neutralTone;
  std::optional<bool> toneSandhi;
  // Polyphones by their words (--by-words, 1) or each character alone
  // (--by-chars, 0); -1: as 按词语读多音字 is stored.
  int byWords = -1;
  QString error;  // Error: what was wrong, one line
};

// `arguments` as the platform hands them over, the program path first.
CommandLine ParseCommandLine(const QStringList& arguments);

// The text of --help and of --version.
QString HelpText();
QString VersionText();

// Decodes a text file for reading in the encoding it is found to have, as
// Open finds it (a byte-order mark is dropped); line breaks stay as they are.
QString DecodeTextForReading(const QByteArray& bytes);

// Runs --read-to-wav: the exit status, 0 on success; a one-line message on
// `err` on failure; with --trace one line per unit on `out`. `soundDir` and
// `ime` stand for the sound set and the pinyin dictionary of the program.
int RunReadToWav(const CommandLine& cl, QTextStream& out, QTextStream& err, const QString& soundDir,
                 InputMethod* ime);
