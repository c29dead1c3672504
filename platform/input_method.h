#pragma once
// The input-method manager as the pinyin conversion uses it: the installed
// keyboard layouts in order, each input method's name, its maximum key
// length, and the reverse conversion of one character.
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

class InputMethod {
 public:
  using Layout = quintptr;
  virtual ~InputMethod() = default;
  // The installed layouts, in list order (at most 255).
  virtual QList<Layout> layouts() = 0;
  // The name of the input method behind a layout; nullopt when the layout
  // is no input method.
  virtual std::optional<QString> name(Layout layout) = 0;
  // The maximum number of key strokes of a composition; 0 when the input
  // method cannot convert.
  virtual int maxKey(Layout layout) = 0;
  // The reverse-conversion candidates of one character, first first; empty
  // when it has no reading.
  virtual QStringList reverseConversion(Layout layout, const QString& character) = 0;
};
