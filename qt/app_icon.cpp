#include "qt/app_icon.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <algorithm>
#include <cmath>

namespace qthost {

QPixmap AppIconPixmap(int size) {
  QPixmap pm(size, size);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  const double s = size;

  // The tile.
  const QRectF tile(0.5, 0.5, s - 1.0, s - 1.0);
  const double radius = s * 0.2;
  QLinearGradient fill(0, 0, 0, s);
  fill.setColorAt(0.0, QColor(0x2f, 0x7d, 0xc4));
  fill.setColorAt(1.0, QColor(0x17, 0x4a, 0x7e));
  p.setPen(QPen(QColor(0x10, 0x35, 0x5c), std::max(1.0, s / 32.0)));
  p.setBrush(fill);
  p.drawRoundedRect(tile, radius, radius);

  // Step pulses, their edges on whole pixels so that small sizes stay sharp: two pulses up to
  // 32 pixels, three above.
  const double pen = std::max(1.0, std::round(s / 16.0));
  auto snap = [&](double v) { return std::round(v - pen / 2.0) + pen / 2.0; };
  const int pulses = size <= 32 ? 2 : 3;
  const double margin = s * 0.14;
  const double unit = (s - 2.0 * margin) / (4.0 * pulses);
  const double low = snap(s * 0.66), high = snap(s * 0.28);
  QPainterPath wave;
  wave.moveTo(snap(margin), low);
  for (int i = 0; i < pulses; ++i) {
    const double rise = snap(margin + unit * (1 + 4 * i));
    const double fall = snap(margin + unit * (3 + 4 * i));
    wave.lineTo(rise, low);
    wave.lineTo(rise, high);
    wave.lineTo(fall, high);
    wave.lineTo(fall, low);
  }
  const double left = snap(margin), right = snap(s - margin);
  wave.lineTo(right, low);
  QPen white(Qt::white, pen, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
  p.setPen(white);
  p.setBrush(Qt::NoBrush);
  p.drawPath(wave);

  // The direction line under it, in amber.
  const double base = snap(s * 0.82);
  QPen amber(QColor(0xff, 0xb3, 0x2e), pen, Qt::SolidLine, Qt::FlatCap);
  p.setPen(amber);
  p.drawLine(QPointF(left, base), QPointF(right, base));
  return pm;
}

QIcon AppIcon() {
  QIcon icon;
  for (int size : {16, 20, 24, 32, 48, 64, 128, 256}) icon.addPixmap(AppIconPixmap(size));
  return icon;
}

}  // namespace qthost
