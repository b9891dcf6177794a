#include "shell/ui/qt/app_icon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace zelmo {

namespace {

QPixmap DrawIcon(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  const qreal edge = size / 16.0;
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(0x1F, 0x6F, 0x8B));
  painter.drawRoundedRect(QRectF(edge, edge, size - 2 * edge, size - 2 * edge), 3 * edge, 3 * edge);
  // A "Z" of three strokes.
  QPainterPath z;
  const qreal left = 4.5 * edge, right = size - 4.5 * edge;
  const qreal top = 4.5 * edge, bottom = size - 4.5 * edge;
  z.moveTo(left, top);
  z.lineTo(right, top);
  z.lineTo(left, bottom);
  z.lineTo(right, bottom);
  painter.setBrush(Qt::NoBrush);
  painter.setPen(QPen(Qt::white, 2 * edge, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
  painter.drawPath(z);
  return pixmap;
}

}  // namespace

QIcon MakeAppIcon() {
  QIcon icon;
  for (int size : {16, 32, 64}) icon.addPixmap(DrawIcon(size));
  return icon;
}

}  // namespace zelmo
