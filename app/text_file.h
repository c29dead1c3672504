#pragma once
// The text-file format: code page 936 text, lines separated by CR LF, no
// header, no byte-order mark.
#include <QByteArray>
#include <QString>

#include "platform/file_access.h"

namespace textfile {

// The document text of a file's bytes. A line ends at CR LF or at a lone
// CR; every line, the last one included, is followed by CR LF. A lone LF
// stays inside its line. Invalid bytes become U+FFFD.
QString decodeDocument(QByteArrayView bytes);

// Reads a whole file as a document text; false, with the platform's error
// text, when it cannot be read. Only a regular file within the size the
// editor holds is read; `status` tells a refusal from a failure.
bool read(const QString& fileName, QString* text, QString* error = nullptr,
          fileaccess::ReadStatus* status = nullptr);

// The bytes of a document text as it stands (no line break is added).
// `firstUnencodable` receives the index of the first character the code
// page lacks (it is written as '?'), or -1.
QByteArray encodeDocument(QStringView text, qsizetype* firstUnencodable = nullptr);

// Replaces the file with the bytes, atomically: on any failure (disk full
// included) the old file stays whole. A file marked read-only, or not a
// regular file, is refused. In place only when no temporary file can be made.
// False, with the platform's error text, on failure.
bool write(const QString& fileName, const QByteArray& bytes, QString* error = nullptr);

// The whole character (a surrogate pair counts as one) at index i of text.
QString characterAt(QStringView text, qsizetype i);

}  // namespace textfile
