// The generated splash picture.
#include "app/splash.h"

#include <QApplication>
#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QSplashScreen>
#include <cmath>

namespace zelk {

QPixmap MakeSplashPicture(const QString& version) {
  constexpr int kWidth = 420;
  constexpr int kHeight = 260;
  QPixmap pixmap(kWidth, kHeight);
  pixmap.fill(QColor(250, 246, 232));
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);

  // Contour lines around a hill, every fifth one thicker, as on a printed map.
  const QPointF top(300, 110);
  for (int i = 1; i <= 12; ++i) {
    QPainterPath ring;
    const double r = 14.0 * i;
    for (int a = 0; a <= 72; ++a) {
      const double t = a * 2 * M_PI / 72;
      const double wobble = 1 + 0.12 * std::sin(3 * t + i * 0.4) + 0.05 * std::cos(5 * t);
      const QPointF pt(top.x() + r * 1.25 * wobble * std::cos(t),
                       top.y() + r * wobble * std::sin(t));
      a == 0 ? ring.moveTo(pt) : ring.lineTo(pt);
    }
    p.setPen(QPen(QColor(176, 104, 40), i % 5 == 0 ? 2.2 : 1.0));
    p.drawPath(ring);
  }
  // A lake and a dashed path.
  p.setPen(QPen(QColor(40, 110, 180), 1.5));
  p.setBrush(QColor(150, 200, 235));
  p.drawEllipse(QPointF(90, 190), 48, 26);
  QPen path(QColor(30, 30, 30), 2.0, Qt::DashLine);
  p.setPen(path);
  p.setBrush(Qt::NoBrush);
  QPainterPath track(QPointF(20, 60));
  track.cubicTo(QPointF(120, 40), QPointF(160, 150), QPointF(260, 140));
  track.cubicTo(QPointF(330, 135), QPointF(380, 200), QPointF(410, 240));
  p.drawPath(track);

  // Title block.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 255, 255, 220));
  p.drawRoundedRect(QRectF(18, 16, 190, 92), 6, 6);
  QFont title = QApplication::font();
  title.setPointSize(34);
  title.setBold(true);
  p.setFont(title);
  p.setPen(QColor(20, 60, 40));
  p.drawText(QRectF(30, 18, 170, 56), Qt::AlignLeft | Qt::AlignVCenter, "ZELK");
  QFont small = QApplication::font();
  small.setPointSize(9);
  p.setFont(small);
  p.drawText(QRectF(32, 70, 170, 18), Qt::AlignLeft | Qt::AlignVCenter, "Thematic map editor");
  p.drawText(QRectF(32, 86, 170, 18), Qt::AlignLeft | Qt::AlignVCenter, "Version " + version);
  p.setPen(QPen(QColor(60, 60, 60), 1));
  p.setBrush(Qt::NoBrush);
  p.drawRect(QRectF(0.5, 0.5, kWidth - 1, kHeight - 1));
  return pixmap;
}

QSplashScreen* ShowSplash(const QString& version) {
  auto* splash = new QSplashScreen(MakeSplashPicture(version));
  splash->show();
  QApplication::processEvents();
  return splash;
}

}  // namespace zelk
