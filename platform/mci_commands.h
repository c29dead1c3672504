// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The multimedia command strings of the segment sound file, built and read
// in this one place:
//   "open <path> alias QzcSounds"
//   "play <path> from <first ms> to <last ms>"  (the file named by its path
//                                                or by its alias)
//   "close QzcSounds"
// `MciCommands` carries such strings out on a typed sound output.
#include <QString>

class SoundOutput;

inline const QString kSegmentAlias = QStringLiteral("QzcSounds");

QString mciOpenCommand(const QString& path);
QString mciPlayCommand(const QString& path, qint64 fromMs, qint64 toMs);
QString mciCloseCommand();

class MciCommands {
 public:
  explicit MciCommands(SoundOutput& out) : out_(out) {}
  // Answers non-zero on success, zero for a failure or a command it does
  // not know.
  int execute(const QString& command);
  // The file open under the alias, empty when none.
  QString openFile() const { return path_; }

 private:
  SoundOutput& out_;
  QString alias_;
  QString path_;
};
