// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/status_bar.h"

#include <QLabel>
#include <QStatusBar>

#include "platform/edit_control.h"

StatusFigures statusFigures(const EditControl& t, const textfile::Format& format) {
  StatusFigures f;
  t.caretLineColumn(&f.line, &f.column);
  f.encoding = textenc::name(format.encoding);
  int crLf = 0, lf = 0;
  t.lineBreakCounts(&crLf, &lf);
  if (crLf > 0 && lf > 0) f.lineEnds = QStringLiteral("混合");
  else if (lf > 0) f.lineEnds = QStringLiteral("LF");
  else if (crLf > 0) f.lineEnds = QStringLiteral("CRLF");
  else
    f.lineEnds =
        t.lineEnd() == EditControl::LineEnd::Lf ? QStringLiteral("LF") : QStringLiteral("CRLF");
  return f;
}

StatusPanel::StatusPanel(QStatusBar* bar, EditControl* t, std::function<textfile::Format()> format)
    : QObject(bar), t_(t), format_(std::move(format)) {
  auto label = [bar](const char* name) {
    auto* l = new QLabel(bar);
    l->setObjectName(QString::fromLatin1(name));
    l->setContentsMargins(6, 0, 6, 0);
    bar->addPermanentWidget(l);
    return l;
  };
  position_ = label("statusPosition");
  encoding_ = label("statusEncoding");
  lineEnds_ = label("statusLineEnds");
  connect(t, &EditControl::selChange, this, &StatusPanel::refresh);
  connect(t, &EditControl::changed, this, &StatusPanel::refresh);
  refresh();
}

void StatusPanel::refresh() {
  const StatusFigures f = statusFigures(*t_, format_());
  position_->setText(QStringLiteral("行 %1,列 %2").arg(f.line).arg(f.column));
  encoding_->setText(f.encoding);
  lineEnds_->setText(f.lineEnds);
}

QString StatusPanel::positionText() const { return position_->text(); }
QString StatusPanel::encodingText() const { return encoding_->text(); }
QString StatusPanel::lineEndsText() const { return lineEnds_->text(); }
