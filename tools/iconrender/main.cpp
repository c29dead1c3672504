// SPDX-License-Identifier: GPL-3.0-or-later
// iconrender SVG OUT.png SIZE: renders an SVG icon as a square PNG of SIZE
// pixels with a transparent background, for the icon theme's fixed sizes.
#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>

int main(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);
  const QStringList args = QCoreApplication::arguments();
  bool sizeOk = false;
  const int size = args.size() == 4 ? args[3].toInt(&sizeOk) : 0;
  if (!sizeOk || size < 1 || size > 4096) {
    std::fprintf(stderr, "usage: iconrender SVG OUT.png SIZE\n");
    return 2;
  }
  QSvgRenderer svg(args[1]);
  if (!svg.isValid()) {
    std::fprintf(stderr, "iconrender: cannot read %s\n", qPrintable(args[1]));
    return 1;
  }
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  {
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    svg.render(&painter, QRectF(0, 0, size, size));
  }
  if (!image.save(args[2], "PNG")) {
    std::fprintf(stderr, "iconrender: cannot write %s\n", qPrintable(args[2]));
    return 1;
  }
  return 0;
}
