// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The text clipboard as the program sees it: line breaks are CR LF, as in
// the document, whatever the platform's own convention.
#include <QMetaObject>
#include <QString>

namespace clipboard {

// The clipboard's text; empty when it holds no text. Every line break (LF,
// CR LF or a lone CR) comes as CR LF, as when the control pastes by itself.
QString text();
// Puts text on the clipboard; CR LF become the platform's line break.
void setText(const QString& text);
void clear();

}  // namespace clipboard

// Tells whether the clipboard may have changed since it was last asked.
// The platform reports changes made by other programs too.
class ClipboardWatch {
 public:
  ClipboardWatch();
  ~ClipboardWatch();
  ClipboardWatch(const ClipboardWatch&) = delete;
  ClipboardWatch& operator=(const ClipboardWatch&) = delete;
  // True once after each change (and on the first call).
  bool takeChange();

 private:
  QMetaObject::Connection connection_;
  bool changed_ = true;
};
