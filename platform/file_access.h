#pragma once
// Reading and writing whole files, safely: only regular files are read (a
// FIFO or a device is refused without blocking), a file too large to hold is
// refused with its reason, and a save replaces the file atomically, writing
// in place only when no temporary file can be created beside it.
#include <QByteArray>
#include <QString>
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

// True for a name that leads (through links) to a regular file.
bool isRegularFile(const QString& fileName);

// Opens a regular file for reading without blocking; -1 (errno set) when it
// cannot be opened or is not a regular file. The caller closes the
// descriptor. Unix only; elsewhere always -1.
int openRegularFile(const QString& fileName);

// The largest document the editor takes: what memory can hold with the
// document's layout and its history, within the control's 32-bit positions.
qint64 maxDocumentBytes();

// Replaces a file with the bytes. Atomic: the bytes go to a temporary file
// beside it which then takes the file's place, so that on any failure the
// old file stays whole. Only when that temporary file cannot be created (a
// folder the user cannot write into, a name too long to extend) is the file
// written in place: its room is reserved first, so that a full disk still
// leaves the old contents. A file that exists but is not a regular file, and
// one marked read-only, are refused. False, with the platform's error text.
bool writeFile(const QString& fileName, const QByteArray& bytes, QString* error = nullptr);

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
