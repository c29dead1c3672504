// SPDX-License-Identifier: GPL-3.0-or-later
#include "editing/editor_zoom.h"

#include <QEvent>
#include <QTextDocument>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "platform/edit_control.h"

EditorZoom::EditorZoom(EditControl* editor)
    : QObject(editor), editor_(editor), viewport_(editor->viewport()) {
  editor_->installEventFilter(this);
  viewport_->installEventFilter(this);
}

void EditorZoom::step(int by) {
  const int to = std::clamp(steps_ + by, kMinSteps, kMaxSteps);
  if (to == steps_) return;
  steps_ = to;
  apply();
}

void EditorZoom::reset() {
  steps_ = 0;
  wheelRest_ = 0;
  apply();
}

double EditorZoom::shownPoints() const { return editor_->document()->defaultFont().pointSizeF(); }

QFont EditorZoom::shownFont() const {
  QFont f = editor_->font();
  if (steps_ != 0 && f.pointSizeF() > 0)
    f.setPointSizeF(f.pointSizeF() * std::pow(kFactor, steps_));
  return f;
}

bool EditorZoom::isShown() const {
  const QFont shown = editor_->document()->defaultFont(), wanted = shownFont();
  return std::abs(shown.pointSizeF() - wanted.pointSizeF()) < 0.01 &&
         shown.family() == wanted.family() && shown.bold() == wanted.bold() &&
         shown.italic() == wanted.italic();
}

void EditorZoom::apply() {
  // The control draws its text in the document's font; its own font stays
  // the chosen one.
  editor_->document()->setDefaultFont(shownFont());
}

bool EditorZoom::eventFilter(QObject* watched, QEvent* event) {
  if (watched == viewport_ && event->type() == QEvent::Wheel) {
    auto* wheel = static_cast<QWheelEvent*>(event);
    if (wheel->modifiers() == Qt::ControlModifier) {
      wheelRest_ += wheel->angleDelta().y();
      const int whole = wheelRest_ / 120;  // one notch of a wheel
      wheelRest_ -= whole * 120;
      if (whole != 0) step(whole);
      wheel->accept();
      return true;
    }
  }
  // Setting the control's font (even to the one it has) gives its document
  // that font: the zoom is laid on it again afterwards.
  const bool fontChanged = watched == editor_ && event->type() == QEvent::FontChange;
  const bool painting = watched == viewport_ && event->type() == QEvent::Paint;
  if (steps_ != 0 && (fontChanged || (painting && !isShown())))
    QMetaObject::invokeMethod(
        this, [this] { apply(); }, Qt::QueuedConnection);
  return QObject::eventFilter(watched, event);
}
