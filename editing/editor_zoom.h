// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Zooming the editor's text for the session: Ctrl+wheel, Ctrl+= and Ctrl+-
// step the shown size, Ctrl+0 goes back to the chosen size. Only the display
// changes: the editor's font (what the font dialog shows and the settings
// store) stays the chosen one.
#include <QFont>
#include <QObject>

class QWidget;

class EditControl;

class EditorZoom : public QObject {
 public:
  explicit EditorZoom(EditControl* editor);

  void zoomIn() { step(1); }
  void zoomOut() { step(-1); }
  void reset();
  int steps() const { return steps_; }
  // The size the text is shown at, in points.
  double shownPoints() const;

  // Each step makes the text this much larger; the steps are bounded.
  static constexpr double kFactor = 1.1;
  static constexpr int kMinSteps = -10;
  static constexpr int kMaxSteps = 30;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void step(int by);
  void apply();
  QFont shownFont() const;
  bool isShown() const;

  EditControl* editor_;
  // The control's text area, kept from the start: while the control is
  // being destroyed its children still send events here, and it can no
  // longer be asked for its viewport then.
  QWidget* viewport_;
  int steps_ = 0;
  int wheelRest_ = 0;  // wheel movement short of a whole step
};
