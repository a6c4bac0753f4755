#include "ui/AppIcon.h"

#include <QPainter>
#include <QPainterPath>

namespace quillet::ui {

QPixmap AppIconPixmap(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  // Drawn on a 64-unit grid, like the SVG.
  painter.scale(size / 64.0, size / 64.0);

  painter.setPen(QPen(QColor(0x2b, 0x4a, 0x6f), 2));
  painter.setBrush(QColor(0xf7, 0xf4, 0xe8));
  painter.drawRoundedRect(QRectF(8, 4, 40, 54), 3, 3);

  // Log lines, the middle ones shortened: the compacted text.
  painter.setPen(QPen(QColor(0x6b, 0x7b, 0x8c), 3, Qt::SolidLine, Qt::RoundCap));
  const qreal ends[] = {40, 22, 40, 26, 36};
  for (int i = 0; i < 5; ++i)
    painter.drawLine(QPointF(15, 14 + i * 9), QPointF(ends[i], 14 + i * 9));

  QPainterPath feather;
  feather.moveTo(60, 2);
  feather.cubicTo(48, 6, 34, 22, 28, 44);
  feather.cubicTo(38, 34, 52, 22, 60, 2);
  painter.setPen(QPen(QColor(0x8a, 0x1c, 0x1c), 1.5));
  painter.setBrush(QColor(0xc8, 0x3a, 0x2e));
  painter.drawPath(feather);
  painter.setPen(QPen(QColor(0x3a, 0x2a, 0x1a), 2.5, Qt::SolidLine, Qt::RoundCap));
  painter.drawLine(QPointF(56, 8), QPointF(24, 52));
  return pixmap;
}

QIcon AppIcon() {
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64}) icon.addPixmap(AppIconPixmap(size));
  return icon;
}

}  // namespace quillet::ui
