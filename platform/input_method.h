// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The input-method manager as the pinyin conversion uses it, shaped after
// the Windows calls so that a backend over them is a thin pass-through:
//   keyboardLayoutList()    GetKeyboardLayoutList
//   imeName()               ImmEscapeA(layout, 0, IME_ESC_IME_NAME, buffer)
//   maxKey()                ImmEscapeA(layout, 0, IME_ESC_MAX_KEY, nullptr)
//   reverseConversionList() ImmGetConversionListA(layout, 0, source, list,
//                                                 length, GCL_REVERSECONVERSION)
// Texts that cross the seam as bytes are in the ANSI code page (936).
#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <optional>

class InputMethod {
 public:
  using Layout = quintptr;
  virtual ~InputMethod() = default;

  // Looks again at what is installed: an input method removed or replaced
  // since the last look is noticed by the next conversion.
  virtual void refresh() {}

  // The installed keyboard layouts in list order (at most 255).
  virtual QList<Layout> keyboardLayoutList() = 0;

  // The text the input method behind `layout` writes into the name buffer,
  // as it stands (it may carry padding and a terminating NUL; the caller
  // cleans it up). nullopt when the layout is no input method.
  virtual std::optional<QString> imeName(Layout layout) = 0;

  // The maximum number of key strokes of a composition; 0 when the input
  // method cannot convert.
  virtual int maxKey(Layout layout) = 0;

  // The reverse conversion of `source` (one character in the ANSI code
  // page) as a candidate list in the platform's CANDIDATELIST layout.
  // With `length` 0: the number of bytes the list needs, 0 when there is no
  // reading. Otherwise writes the list into `list` (at most `length` bytes)
  // and returns the number of bytes written, 0 on failure (a list that does
  // not fit included).
  virtual quint32 reverseConversionList(Layout layout, QByteArrayView source, char* list,
                                        quint32 length) = 0;
};

// The CANDIDATELIST layout, little-endian 32-bit fields: dwSize, dwStyle,
// dwCount, dwSelection, dwPageStart, dwPageSize, then dwOffset[dwCount], then
// the NUL-terminated candidate strings the offsets point at.
namespace candidate_list {
inline constexpr int kHeaderSize = 24;    // up to and excluding dwOffset[0]
inline constexpr quint32 kStyleRead = 1;  // IME_CAND_READ

// The size of a list of `count` candidates whose NUL-terminated strings
// take `stringBytes` bytes together.
constexpr quint32 size(int count, quint32 stringBytes) {
  return kHeaderSize + 4 * quint32(count) + stringBytes;
}
// Writes such a list to `dest` (size(count, strings.size()) bytes);
// `strings` holds the candidates one after another, each NUL-terminated.
void write(char* dest, int count, QByteArrayView strings);
// A list of the given candidates (ANSI bytes, without NULs).
QByteArray build(const QList<QByteArray>& candidates);
}  // namespace candidate_list
