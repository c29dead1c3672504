// SPDX-License-Identifier: GPL-3.0-or-later
#include "about/about_dialog.h"

#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/cp936.h"
#include "platform/system_info.h"
#include "platform/ui.h"
#include "program/program.h"

namespace {

QFrame* line(QWidget* parent, const char* name) {
  auto* f = new QFrame(parent);
  f->setObjectName(QLatin1String(name));
  f->setFrameShape(QFrame::HLine);
  f->setFrameShadow(QFrame::Sunken);
  return f;
}

}  // namespace

FrmAbout::FrmAbout(Program& p, QWidget* parent) : QDialog(parent), p_(p) {
  setObjectName(QStringLiteral("frmAbout"));
  setWindowTitle(QStringLiteral("关于..."));
  setModal(true);

  Image1 = new QLabel(this);
  Image1->setObjectName(QStringLiteral("Image1"));
  Image1->setPixmap(QIcon(QStringLiteral(":/icons/app.svg")).pixmap(48, 48));
  Label1 = new QLabel(QStringLiteral("妙音朗读器"), this);
  Label1->setObjectName(QStringLiteral("Label1"));
  QFont title = Label1->font();
  title.setPointSizeF(title.pointSizeF() * 1.5);
  title.setBold(true);
  Label1->setFont(title);
  Label2 = new QLabel(QStringLiteral("妙音朗读器测试版 Beta 0.91"), this);
  Label2->setObjectName(QStringLiteral("Label2"));
  Line1 = line(this, "Line1");
  Line2 = line(this, "Line2");
  Command1 = new QPushButton(QStringLiteral("确 定"), this);
  Command1->setObjectName(QStringLiteral("Command1"));
  Command1->setDefault(true);
  Command2 = new QPushButton(QStringLiteral("系统信息(&S)..."), this);
  Command2->setObjectName(QStringLiteral("Command2"));

  auto* head = new QHBoxLayout;
  head->addWidget(Image1, 0, Qt::AlignTop);
  auto* names = new QVBoxLayout;
  names->addWidget(Label1);
  names->addWidget(Label2);
  head->addLayout(names, 1);
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(Command1);
  buttons->addWidget(Command2);
  auto* foot = new QHBoxLayout;
  foot->addStretch();
  foot->addLayout(buttons);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(head);
  layout->addWidget(Line1);
  layout->addStretch();
  layout->addWidget(Line2);
  layout->addLayout(foot);
  setMinimumWidth(360);

  connect(Command1, &QPushButton::clicked, this, [this] { accept(); });
  connect(Command2, &QPushButton::clicked, this, [this] { StartSysInfo(p_, this); });
}

KeyValue GetKeyValue(Registry& registry, RegRoot root, const QString& keyPath,
                     const QString& valueName) {
  // Read rights are enough: asking for write rights as well would fail for
  // every user who may not change these keys.
  const std::optional<Registry::Key> key = registry.openKey(root, keyPath, kKeyRead);
  if (!key) return {};
  const std::optional<Registry::Value> v = registry.queryValue(*key, valueName, 1024);
  if (!v) {
    registry.closeKey(*key);
    return {};
  }
  QByteArray data = v->data;
  if (!data.isEmpty() && data.back() == '\0') data.chop(1);
  KeyValue out;
  out.found = true;
  if (v->type == kRegSz) {
    out.value = cp936::decode(data);
  } else if (v->type == kRegDword) {
    // The bytes, last to first, make the number (every byte with both of
    // its hexadecimal digits).
    quint64 n = 0;
    for (qsizetype i = data.size() - 1; i >= 0; --i)
      n = n << 8 | static_cast<unsigned char>(data[i]);
    out.value = QString::number(n);
  }
  registry.closeKey(*key);
  return out;
}

void StartSysInfo(Program& p, QWidget* parent) {
  Registry& registry = p.registry ? *p.registry : systemRegistry();
  QString path;
  const KeyValue tool = GetKeyValue(registry, RegRoot::LocalMachine,
                                    QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"),
                                    QStringLiteral("PATH"));
  if (tool.found) {
    path = localPath(tool.value);
  } else {
    const KeyValue folder = GetKeyValue(
        registry, RegRoot::LocalMachine,
        QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location"), QStringLiteral("MSINFO"));
    const QString joined = localPath(folder.value + QStringLiteral("\\MSINFO32.EXE"));
    if (folder.found && QFileInfo::exists(joined)) path = joined;
  }
  if (path.isEmpty()) path = systemInformationTool();
  if (path.isEmpty() || !p.ui->startProgram(path))
    p.ui->message(parent, QStringLiteral("此时系统信息不可用"), QString(), MsgIcon::None,
                  MsgButtons::Ok);
}
