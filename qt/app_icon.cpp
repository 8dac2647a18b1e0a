#include "qt/app_icon.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPen>

#include "app/app_icon_geometry.h"

namespace qthost {

QPixmap AppIconPixmap(int size) {
  QPixmap pm(size, size);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  const app::AppIconGeometry g = app::AppIconGeometryFor(size);
  const double s = g.size;

  // The tile, half a pixel in, so that a one-pixel outline covers the edge pixels.
  const QRectF tile(0.5, 0.5, s - 1.0, s - 1.0);
  QLinearGradient fill(0, 0, 0, s);
  fill.setColorAt(0.0, QColor::fromRgba(app::kIconTileTop));
  fill.setColorAt(1.0, QColor::fromRgba(app::kIconTileBottom));
  p.setPen(QPen(QColor::fromRgba(app::kIconRim), g.rim));
  p.setBrush(fill);
  p.drawRoundedRect(tile, g.radius, g.radius);

  QPainterPath wave;
  wave.moveTo(g.left, g.low);
  for (int i = 0; i < g.pulses; ++i) {
    wave.lineTo(g.rise[i], g.low);
    wave.lineTo(g.rise[i], g.high);
    wave.lineTo(g.fall[i], g.high);
    wave.lineTo(g.fall[i], g.low);
  }
  wave.lineTo(g.right, g.low);
  p.setPen(
      QPen(QColor::fromRgba(app::kIconPulse), g.pen, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
  p.setBrush(Qt::NoBrush);
  p.drawPath(wave);

  p.setPen(QPen(QColor::fromRgba(app::kIconDirection), g.pen, Qt::SolidLine, Qt::FlatCap));
  p.drawLine(QPointF(g.left, g.base), QPointF(g.right, g.base));
  return pm;
}

QIcon AppIcon() {
  QIcon icon;
  for (int size : {16, 20, 24, 32, 48, 64, 128, 256}) icon.addPixmap(AppIconPixmap(size));
  return icon;
}

}  // namespace qthost
