// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The text-file format: code page 936 text with CR LF line ends, no header,
// no byte-order mark; and the files of a Linux desktop as they come: UTF-8
// or UTF-16 (with their byte-order marks), lone LF line ends.
#include <QByteArray>
#include <QString>

#include "platform/file_access.h"
#include "platform/text_encoding.h"

namespace textfile {

// How a document's file is written: its encoding, and whether its lines
// end with a lone LF (when every line break of the file is one) or CR LF.
struct Format {
  textenc::Encoding encoding = textenc::Encoding::Gbk;
  bool lfLines = false;
};

// The document text of a file's bytes, in the encoding they are found to
// have (textenc::detect). A line ends at CR LF, at a lone CR (which becomes
// CR LF) or at a lone LF, which stays as it is. A last line without any
// line break gains one, of the document's kind; an empty file gives the
// empty text. Invalid bytes are kept (textenc).
QString decodeDocument(QByteArrayView bytes, Format* format = nullptr);

// Files from this size on are shown gradually: `leadingLines` at once, the
// whole text after.
constexpr qsizetype kGradualBytes = qsizetype(2) << 20;
constexpr qsizetype kPreviewBytes = qsizetype(128) << 10;

// The first lines within `maxBytes` of the start of a document's bytes,
// ending with a line break, as `decodeDocument` gives them: decoded in the
// encoding those bytes are found to have (the whole file, looked at later,
// may rarely be found to have another), `format` receiving that encoding
// and the line ends of those lines. A first line longer than `maxBytes`
// gives its start, cut where a character starts, when that start is longer
// than the edit control keeps in one piece. Empty when there is no such start (a lone CR
// there, a short piece of a line, UTF-16).
QString leadingLines(QByteArrayView bytes, qsizetype maxBytes, Format* format);

// Reads a whole file as a document text; false, with the platform's error
// text, when it cannot be read. Only a regular file within the size the
// editor holds is read; `status` tells a refusal from a failure. `format`
// receives the encoding and line ends the file was found to have.
bool read(const QString& fileName, QString* text, QString* error = nullptr,
          fileaccess::ReadStatus* status = nullptr, Format* format = nullptr);

// The bytes of a document text as it stands (no line break is added), in
// the encoding given. `firstUnencodable` receives the index of the first
// character the encoding lacks (it is written as '?'), or -1.
QByteArray encodeDocument(QStringView text, qsizetype* firstUnencodable = nullptr,
                          textenc::Encoding encoding = textenc::Encoding::Gbk);

// Replaces the file with the bytes, atomically: on any failure (disk full
// included) the old file stays whole. A file marked read-only, or not a
// regular file, is refused. In place only when no temporary file can be made.
// False, with the platform's error text, on failure.
bool write(const QString& fileName, const QByteArray& bytes, QString* error = nullptr);

// The whole character (a surrogate pair counts as one) at index i of text.
QString characterAt(QStringView text, qsizetype i);

}  // namespace textfile
