// Cursors and toolbar glyphs painted with QPainter, so that no image files are needed.
#include "editor/cursors.h"

#include <QBitmap>
#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QString>
#include <array>
#include <functional>

namespace zelk {

namespace {

// Draws a shape twice: a white halo under a black line, so that it shows on any map.
void Haloed(QPainter& p, const std::function<void()>& draw, double width = 1.0) {
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(Qt::white, width + 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  draw();
  p.setPen(QPen(Qt::black, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  draw();
}

void Cross(QPainter& p) {
  Haloed(p, [&] {
    p.drawLine(QPointF(10, 1), QPointF(10, 8));
    p.drawLine(QPointF(10, 12), QPointF(10, 19));
    p.drawLine(QPointF(1, 10), QPointF(8, 10));
    p.drawLine(QPointF(12, 10), QPointF(19, 10));
  });
}

void Arrow(QPainter& p) {
  QPainterPath a;
  a.moveTo(1, 1);
  a.lineTo(1, 15);
  a.lineTo(5, 11);
  a.lineTo(8, 17);
  a.lineTo(10, 16);
  a.lineTo(7, 10);
  a.lineTo(12, 10);
  a.closeSubpath();
  p.setPen(QPen(Qt::black, 1));
  p.setBrush(Qt::white);
  p.drawPath(a);
}

// The small picture beside the hot spot that tells the tools apart.
void Badge(QPainter& p, const std::string& name) {
  p.save();
  p.translate(17, 17);
  auto line = [&](double x1, double y1, double x2, double y2) {
    Haloed(p, [&] { p.drawLine(QPointF(x1, y1), QPointF(x2, y2)); });
  };
  if (name == "DrawPoint") {
    Haloed(p, [&] { p.drawEllipse(QPointF(6, 6), 3, 3); });
  } else if (name == "DrawRect" || name == "AdjScreen") {
    Haloed(p, [&] { p.drawRect(QRectF(1, 2, 11, 8)); });
  } else if (name == "DrawFreehand") {
    Haloed(p, [&] {
      QPainterPath s;
      s.moveTo(0, 10);
      s.cubicTo(4, 0, 8, 14, 13, 3);
      p.drawPath(s);
    });
  } else if (name == "DrawStraight") {
    line(0, 12, 13, 1);
  } else if (name == "Draw45") {
    line(0, 12, 12, 0);
    line(0, 12, 12, 12);
  } else if (name == "DrawCircle") {
    Haloed(p, [&] { p.drawEllipse(QPointF(6, 6), 5, 5); });
  } else if (name == "DrawEllipse") {
    Haloed(p, [&] { p.drawEllipse(QPointF(7, 6), 6, 4); });
  } else if (name == "DrawCurve") {
    Haloed(p, [&] {
      QPainterPath s;
      s.moveTo(0, 12);
      s.cubicTo(0, 0, 13, 12, 13, 0);
      p.drawPath(s);
    });
  } else if (name == "DrawText") {
    QFont f;
    f.setPixelSize(12);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::black);
    p.drawText(QRectF(0, 0, 14, 14), Qt::AlignCenter, "A");
  } else if (name == "NoDraw") {
    Haloed(
        p,
        [&] {
          p.drawEllipse(QPointF(6, 6), 5, 5);
          p.drawLine(QPointF(2.5, 9.5), QPointF(9.5, 2.5));
        },
        1.5);
  } else if (name == "Cut") {
    Haloed(p, [&] {
      p.drawEllipse(QPointF(3, 10), 2.5, 2.5);
      p.drawEllipse(QPointF(10, 10), 2.5, 2.5);
      p.drawLine(QPointF(4, 8), QPointF(11, 0));
      p.drawLine(QPointF(9, 8), QPointF(2, 0));
    });
  } else if (name == "Rotate" || name == "RotatePattern") {
    Haloed(p, [&] {
      p.drawArc(QRectF(1, 1, 11, 11), 30 * 16, 270 * 16);
      p.drawLine(QPointF(11, 2), QPointF(11, 6));
      p.drawLine(QPointF(11, 6), QPointF(7, 6));
    });
  } else if (name == "NormalPoint" || name == "CornerPoint" || name == "RemovePoint") {
    p.setPen(Qt::black);
    p.setBrush(name == "RemovePoint" ? Qt::white : Qt::black);
    if (name == "CornerPoint")
      p.drawRect(QRectF(3, 3, 6, 6));
    else
      p.drawEllipse(QPointF(6, 6), 3.5, 3.5);
    if (name != "RemovePoint") line(6, 0, 6, 2);
    if (name == "RemovePoint") line(2, 6, 10, 6);
  } else if (name == "Anchor" || name == "AdjTemplate" || name == "AdjGps") {
    Haloed(p, [&] {
      p.drawEllipse(QPointF(6, 3), 2, 2);
      p.drawLine(QPointF(6, 5), QPointF(6, 13));
      p.drawArc(QRectF(1, 6, 10, 7), 180 * 16, 180 * 16);
    });
  }
  p.restore();
}

QPixmap Canvas() {
  QPixmap pm(32, 32);
  pm.fill(Qt::transparent);
  return pm;
}

QCursor MakeDrawnCursor(const std::string& name) {
  QPixmap pm = Canvas();
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing, true);
  int hx = 10, hy = 10;
  if (name == "EditPoint" || name == "EditObject" || name == "MoveMulti") {
    hx = hy = 1;
    Arrow(p);
    if (name == "EditPoint") {
      p.setPen(Qt::black);
      p.setBrush(Qt::black);
      p.drawRect(QRectF(14, 14, 5, 5));
    } else if (name == "MoveMulti") {
      Haloed(p, [&] {
        p.drawLine(QPointF(14, 20), QPointF(26, 20));
        p.drawLine(QPointF(20, 14), QPointF(20, 26));
      });
    } else {
      Haloed(p, [&] { p.drawRect(QRectF(14, 14, 10, 8)); });
    }
  } else if (name == "Zoom") {
    hx = hy = 7;
    Haloed(p, [&] {
      p.drawEllipse(QPointF(7, 7), 6, 6);
      p.drawLine(QPointF(4, 7), QPointF(10, 7));
      p.drawLine(QPointF(7, 4), QPointF(7, 10));
    });
    Haloed(
        p, [&] { p.drawLine(QPointF(12, 12), QPointF(19, 19)); }, 3);
  } else if (name == "MoveView") {
    hx = hy = 10;
    Haloed(p, [&] {
      p.drawLine(QPointF(10, 1), QPointF(10, 19));
      p.drawLine(QPointF(1, 10), QPointF(19, 10));
      for (auto [x, y, dx, dy] : std::array<std::array<double, 4>, 4>{
               {{10, 1, 1, 1}, {10, 19, 1, -1}, {1, 10, 1, 1}, {19, 10, -1, 1}}}) {
        if (x == 10) {
          p.drawLine(QPointF(x, y), QPointF(x - 3, y + 3 * dy));
          p.drawLine(QPointF(x, y), QPointF(x + 3, y + 3 * dy));
        } else {
          p.drawLine(QPointF(x, y), QPointF(x + 3 * dx, y - 3));
          p.drawLine(QPointF(x, y), QPointF(x + 3 * dx, y + 3));
        }
      }
    });
  } else {
    Cross(p);
    Badge(p, name);
  }
  p.end();
  return QCursor(pm, hx, hy);
}

const std::array<const char*, 25> kDrawnCursors = {
    "NoDraw",    "DrawPoint",   "DrawRect",    "DrawFreehand", "DrawStraight",
    "Draw45",    "DrawCircle",  "DrawEllipse", "DrawCurve",    "DrawText",
    "EditPoint", "EditObject",  "MoveMulti",   "Cut",          "Anchor",
    "Rotate",    "NormalPoint", "CornerPoint", "RemovePoint",  "RotatePattern",
    "Zoom",      "MoveView",    "AdjTemplate", "AdjScreen",    "AdjGps"};

}  // namespace

bool IsDrawnCursor(const std::string& name) {
  for (const char* n : kDrawnCursors)
    if (name == n) return true;
  return false;
}

QCursor EditorCursor(const std::string& name) {
  if (name == "SizeAll") return Qt::SizeAllCursor;
  if (name == "SizeNS") return Qt::SizeVerCursor;
  if (name == "SizeWE") return Qt::SizeHorCursor;
  if (name == "SizeNWSE") return Qt::SizeFDiagCursor;
  if (name == "SizeNESW") return Qt::SizeBDiagCursor;
  if (name == "Wait") return Qt::WaitCursor;
  if (name == "IBeam") return Qt::IBeamCursor;
  if (!IsDrawnCursor(name)) return Qt::ArrowCursor;
  static QHash<QString, QCursor> cache;
  const QString key = QString::fromStdString(name);
  auto it = cache.find(key);
  if (it == cache.end()) it = cache.insert(key, MakeDrawnCursor(name));
  return *it;
}

// --- Toolbar glyphs ----------------------------------------------------------------------------

QIcon ToolbarIcon(const std::string& c) {
  QPixmap pm(20, 20);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing, true);
  const QPen ink(QColor(20, 20, 20), 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  const QPen red(QColor(200, 0, 0), 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  const QPen blue(QColor(0, 60, 200), 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  p.setPen(ink);
  p.setBrush(Qt::NoBrush);
  auto dot = [&](double x, double y, bool filled = true) {
    p.save();
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(filled ? QBrush(Qt::black) : QBrush(Qt::white));
    p.drawRect(QRectF(x - 2, y - 2, 4, 4));
    p.restore();
  };
  auto wave = [&](double y) {
    QPainterPath s;
    s.moveTo(2, y);
    s.cubicTo(7, y - 8, 12, y + 8, 18, y - 2);
    p.drawPath(s);
  };
  if (c == "DuplicateBtn") {
    p.drawRect(QRectF(2, 2, 10, 10));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(7, 7, 10, 10));
  } else if (c == "ChangeBtn") {
    p.drawEllipse(QPointF(6, 6), 3.5, 3.5);
    p.setPen(red);
    p.drawLine(QPointF(9, 13), QPointF(17, 13));
    p.drawLine(QPointF(14, 10), QPointF(17, 13));
    p.drawLine(QPointF(14, 16), QPointF(17, 13));
  } else if (c == "FillBtn") {
    p.setBrush(QColor(120, 180, 255));
    p.drawPolygon(QPolygonF({QPointF(3, 15), QPointF(8, 3), QPointF(17, 8), QPointF(14, 17)}));
  } else if (c == "ReverseBtn") {
    p.drawLine(QPointF(3, 7), QPointF(17, 7));
    p.drawLine(QPointF(13, 4), QPointF(17, 7));
    p.drawLine(QPointF(13, 10), QPointF(17, 7));
    p.drawLine(QPointF(3, 14), QPointF(17, 14));
    p.drawLine(QPointF(7, 11), QPointF(3, 14));
    p.drawLine(QPointF(7, 17), QPointF(3, 14));
  } else if (c == "UndoBtn") {
    p.drawArc(QRectF(4, 5, 12, 11), 90 * 16, -240 * 16);
    p.drawLine(QPointF(10, 5), QPointF(6, 2));
    p.drawLine(QPointF(10, 5), QPointF(6, 8));
  } else if (c == "RemovePtBtn" || c == "NormalPtBtn" || c == "CornerPtBtn") {
    wave(12);
    if (c == "CornerPtBtn") {
      dot(10, 11);
    } else if (c == "NormalPtBtn") {
      p.save();
      p.setBrush(Qt::black);
      p.drawEllipse(QPointF(10, 11), 2.5, 2.5);
      p.restore();
    } else {
      p.setPen(red);
      p.drawLine(QPointF(7, 8), QPointF(13, 14));
      p.drawLine(QPointF(13, 8), QPointF(7, 14));
    }
  } else if (c == "DirectionBtn") {
    for (int i = 0; i < 3; ++i) p.drawLine(QPointF(3 + 5 * i, 17), QPointF(8 + 5 * i, 3));
    p.setPen(red);
    p.drawArc(QRectF(8, 8, 10, 10), 0, 120 * 16);
  } else if (c == "RotateBtn") {
    p.drawRect(QRectF(6, 6, 8, 8));
    p.setPen(red);
    p.drawArc(QRectF(2, 2, 16, 16), 20 * 16, 120 * 16);
    p.drawLine(QPointF(16, 6), QPointF(17, 10));
  } else if (c == "CutHoleBtn") {
    p.setBrush(QColor(120, 180, 255));
    p.drawRect(QRectF(2, 2, 16, 16));
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(10, 10), 4, 4);
  } else if (c == "CutBtn") {
    p.drawEllipse(QPointF(5, 15), 2.5, 2.5);
    p.drawEllipse(QPointF(15, 15), 2.5, 2.5);
    p.drawLine(QPointF(6.5, 13), QPointF(15, 2));
    p.drawLine(QPointF(13.5, 13), QPointF(5, 2));
  } else if (c == "EditObjBtn") {
    p.setPen(QPen(Qt::black, 1, Qt::DotLine));
    p.drawRect(QRectF(2, 2, 14, 12));
    p.setPen(ink);
    wave(9);
  } else if (c == "EditPointBtn") {
    wave(11);
    dot(2, 11, false);
    dot(10, 10);
    dot(18, 9, false);
  } else if (c == "CurveBtn") {
    p.setPen(blue);
    wave(11);
  } else if (c == "EllipseBtn") {
    p.setPen(blue);
    p.drawEllipse(QPointF(10, 10), 8, 5);
  } else if (c == "CircleBtn") {
    p.setPen(blue);
    p.drawEllipse(QPointF(10, 10), 7, 7);
  } else if (c == "RectangularBtn") {
    p.setPen(blue);
    p.drawPolyline(QPolygonF(
        {QPointF(3, 15), QPointF(3, 5), QPointF(12, 5), QPointF(12, 15), QPointF(17, 15)}));
  } else if (c == "StraightBtn") {
    p.setPen(blue);
    p.drawPolyline(QPolygonF({QPointF(2, 16), QPointF(8, 4), QPointF(13, 13), QPointF(18, 3)}));
  } else if (c == "FreehandBtn") {
    p.setPen(blue);
    QPainterPath s;
    s.moveTo(2, 14);
    s.cubicTo(4, 2, 8, 18, 11, 8);
    s.cubicTo(13, 2, 16, 12, 18, 5);
    p.drawPath(s);
  } else if (c == "GridBtn") {
    p.setPen(QPen(QColor(60, 60, 160), 1));
    for (int i = 3; i <= 17; i += 5) {
      p.drawLine(QPointF(i, 2), QPointF(i, 18));
      p.drawLine(QPointF(2, i), QPointF(18, i));
    }
  } else if (c == "AutoJoinBtn") {
    p.drawLine(QPointF(2, 14), QPointF(9, 8));
    p.setPen(blue);
    p.drawLine(QPointF(11, 8), QPointF(18, 14));
    dot(10, 8);
  } else if (c == "Smooth0Btn" || c == "Smooth1Btn" || c == "Smooth2Btn") {
    const int level = c[6] - '0';
    QPainterPath s;
    if (level == 0) {
      s.moveTo(2, 14);
      s.lineTo(5, 6);
      s.lineTo(8, 15);
      s.lineTo(11, 5);
      s.lineTo(14, 14);
      s.lineTo(18, 6);
    } else if (level == 1) {
      s.moveTo(2, 13);
      s.cubicTo(5, 3, 7, 17, 10, 9);
      s.cubicTo(13, 3, 15, 15, 18, 8);
    } else {
      s.moveTo(2, 12);
      s.cubicTo(8, 4, 12, 16, 18, 9);
    }
    p.drawPath(s);
    QFont f;
    f.setPixelSize(8);
    p.setFont(f);
    p.drawText(QRectF(13, 12, 7, 8), Qt::AlignCenter, QString::number(level));
  }
  p.end();
  return QIcon(pm);
}

}  // namespace zelk
