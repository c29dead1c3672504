// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reading and writing whole files, safely: only regular files are read (a
// FIFO or a device is refused without blocking), a file too large to hold is
// refused with its reason, and a save replaces the file atomically, writing
// in place only when no temporary file can be created beside it.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

namespace fileaccess {

enum class ReadStatus {
  Ok,
  Failed,      // missing, unreadable: the platform's error text
  NotRegular,  // a folder, a FIFO, a device...
  TooLarge,    // a regular file beyond the limit
};

// Reads the whole of a regular file of at most `maxBytes`. The open never
// blocks (a FIFO without a writer is refused at once). `error` receives the
// platform's error text, or for a refusal a sentence that says why.
ReadStatus readRegularFile(const QString& fileName, qint64 maxBytes, QByteArray* bytes,
                           QString* error = nullptr);
// As `readRegularFile` (the same checks and refusals), reading only the
// first `headBytes` of the file; `fileSize` receives the file's size.
ReadStatus readRegularFileHead(const QString& fileName, qint64 maxBytes, qsizetype headBytes,
                               QByteArray* head, qint64* fileSize, QString* error = nullptr);

// True for a name that leads (through links) to a regular file.
bool isRegularFile(const QString& fileName);

// Opens a regular file for reading without blocking; -1 (errno set) when it
// cannot be opened or is not a regular file. The caller closes the
// descriptor. Unix only; elsewhere always -1.
int openRegularFile(const QString& fileName);

// The largest document the editor takes: what memory can hold with the
// document's layout and its history, within the control's 32-bit positions.
qint64 maxDocumentBytes();

// Replaces a file with the bytes, so that at any moment (a kill, a full
// disk, a failing call) the old text or the new one is whole. The bytes go
// to a temporary file beside it (under a short name of its own when the
// file's name is too long to extend), synced, which then takes the file's
// place, keeping its mode (setuid, setgid and sticky bits too), owner and
// group; the folder is synced after. A file that other names link to, one
// whose owner could not be kept, one in a folder that refuses the rename (a
// sticky folder) or where no temporary file can be made, is written in
// place: a synced copy of its old contents is made first in the user's
// state folder ($XDG_STATE_HOME/Chimepad/save-backups, else the temporary
// folder), room is reserved, the file overwritten and synced, and then the
// copy is removed; on a failure the old contents are put back, and the
// copy stays should the program be ended halfway. Without a place for the
// copy nothing is written. A file that exists but is not a regular file,
// and one marked read-only, are refused. False, with the platform's error
// text.
bool writeFile(const QString& fileName, const QByteArray& bytes, QString* error = nullptr);

namespace testing {

// Makes the steps of a save (each call into the platform) fail or end the
// process, for tests. Steps are counted from 1 after setFaultPlan.
struct FaultPlan {
  int failAt = -1;                 // the step number that fails, or -1
  const char* failStep = nullptr;  // or the first step of this name ("rename")
  int error = 5;                   // errno of the failure (EIO)
  bool exitProcess = false;        // end the process there instead (_exit)
  qsizetype writeChunk = 0;        // bytes per write call, when above 0
};
constexpr int kEndedExitCode = 86;
void setFaultPlan(const FaultPlan& plan);
void clearFaultPlan();
// The names of the steps taken since setFaultPlan.
QStringList stepsTaken();

}  // namespace testing

// A file name from the bytes of a command-line argument, as the platform's
// file functions take it; nullopt when the bytes are not valid in the
// locale's encoding, so that no name of ours would reach that file again.
std::optional<QString> decodeFileName(const QByteArray& bytes);

// True for a name that holds U+FFFD and names no file: what the platform
// makes of a file name whose bytes are not valid in the locale's encoding
// (a dialog lists such a file so). Opening or saving it would reach another
// file than the one the user chose.
bool isLossyName(const QString& fileName);

}  // namespace fileaccess
