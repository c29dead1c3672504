#include "app/text_file.h"

#include "platform/cp936.h"

namespace textfile {

QString decodeDocument(QByteArrayView bytes) {
  const QString s = cp936::decode(bytes);
  const qsizetype n = s.size();
  if (n == 0) return s;
  qsizetype loneCrs = 0;
  const char16_t* in = reinterpret_cast<const char16_t*>(s.utf16());
  for (qsizetype i = 0; i < n; ++i)
    if (in[i] == u'\r' && (i + 1 == n || in[i + 1] != u'\n')) ++loneCrs;
  const bool endsLine = in[n - 1] == u'\r' || (in[n - 1] == u'\n' && n >= 2 && in[n - 2] == u'\r');
  if (loneCrs == 0 && endsLine) return s;
  QString out(n + loneCrs + (endsLine ? 0 : 2), Qt::Uninitialized);
  char16_t* o = reinterpret_cast<char16_t*>(out.data());
  for (qsizetype i = 0; i < n; ++i) {
    *o++ = in[i];
    if (in[i] == u'\r' && (i + 1 == n || in[i + 1] != u'\n')) *o++ = u'\n';
  }
  if (!endsLine) {
    *o++ = u'\r';
    *o++ = u'\n';
  }
  return out;
}

bool read(const QString& fileName, QString* text, QString* error, fileaccess::ReadStatus* status) {
  QByteArray bytes;
  const fileaccess::ReadStatus r =
      fileaccess::readRegularFile(fileName, fileaccess::maxDocumentBytes(), &bytes, error);
  if (status) *status = r;
  if (r != fileaccess::ReadStatus::Ok) return false;
  *text = decodeDocument(bytes);
  return true;
}

QByteArray encodeDocument(QStringView text, qsizetype* firstUnencodable) {
  return cp936::encode(text, firstUnencodable);
}

bool write(const QString& fileName, const QByteArray& bytes, QString* error) {
  return fileaccess::writeFile(fileName, bytes, error);
}

QString characterAt(QStringView text, qsizetype i) {
  if (i < 0 || i >= text.size()) return {};
  if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
    return text.mid(i, 2).toString();
  return text.mid(i, 1).toString();
}

}  // namespace textfile
