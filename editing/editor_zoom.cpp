#include "editing/editor_zoom.h"

#include <QEvent>
#include <QTextDocument>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "platform/edit_control.h"

EditorZoom::EditorZoom(EditControl* editor) : QObject(editor), editor_(editor) {
  editor_->installEventFilter(this);
  editor_->viewport()->installEventFilter(this);
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

void EditorZoom::apply() {
  // The control draws its text in the document's font; its own font stays
  // the chosen one.
  QFont f = editor_->font();
  if (steps_ != 0 && f.pointSizeF() > 0) f.setPointSizeF(f.pointSizeF() * std::pow(kFactor, steps_));
  editor_->document()->setDefaultFont(f);
}

bool EditorZoom::eventFilter(QObject* watched, QEvent* event) {
  if (watched == editor_->viewport() && event->type() == QEvent::Wheel) {
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
  if (watched == editor_ && event->type() == QEvent::FontChange && steps_ != 0) {
    // The control gives its document the new font once this event is
    // through; the zoom is laid on it afterwards.
    QMetaObject::invokeMethod(this, [this] { apply(); }, Qt::QueuedConnection);
  }
  return QObject::eventFilter(watched, event);
}
