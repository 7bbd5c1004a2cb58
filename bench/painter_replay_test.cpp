// The replayed calls must make the picture the painter made, or the baseline means nothing.
#include "painter_replay.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <functional>

#include "render/painter_device.h"

namespace zelk::bench {
namespace {

// Draws with `draw` on an image directly and through a recording replayed on another image.
void ExpectSamePicture(const std::function<void(QPainter&)>& draw, const char* what) {
  QImage direct(120, 90, QImage::Format_RGB32), replayed(120, 90, QImage::Format_RGB32);
  direct.fill(Qt::white);
  replayed.fill(Qt::white);
  {
    QPainter p(&direct);
    draw(p);
  }
  PainterRecording recording;
  {
    RecordingDevice device(direct, &recording);
    QPainter p(&device);
    draw(p);
  }
  {
    QPainter p(&replayed);
    recording.Replay(p);
  }
  EXPECT_EQ(recording.Unsupported(), 0) << what;
  EXPECT_GT(recording.CallCount(), 0u) << what;
  EXPECT_TRUE(direct == replayed) << what;
}

Coord U(int32_t x, int32_t y) {
  return Coord::FromUnits(x, y);
}

TEST(PainterReplay, EveryKindOfCallGivesTheSamePixels) {
  QImage stamp(7, 5, QImage::Format_ARGB32_Premultiplied);
  stamp.fill(Qt::transparent);
  stamp.setPixel(3, 2, qRgba(200, 0, 0, 255));
  const std::pair<const char*, std::function<void(QPainter&)>> cases[] = {
      {"shapes with pens and brushes",
       [](QPainter& p) {
         p.setPen(QPen(Qt::blue, 3));
         p.drawLine(5, 5, 100, 80);
         const QRect rects[] = {{10, 10, 20, 5}, {40, 40, 3, 3}};
         p.setBrush(Qt::green);
         p.drawRects(rects, 2);
         p.setPen(Qt::NoPen);
         p.drawEllipse(QRect(60, 10, 17, 13));
         p.setPen(QPen(Qt::red, 2));
         p.setBrush(Qt::NoBrush);
         p.drawEllipse(QRectF(20.5, 50.5, 30, 20));
         const QPoint poly[] = {{70, 50}, {110, 60}, {90, 85}, {80, 55}};
         p.drawPolyline(poly, 4);
         p.setBrush(QBrush(Qt::black, Qt::BDiagPattern));
         p.setBrushOrigin(3, 0);
         p.drawPolygon(poly, 4, Qt::OddEvenFill);
       }},
      {"clips saved and restored, transforms and paths",
       [](QPainter& p) {
         p.setRenderHint(QPainter::Antialiasing, true);
         QPainterPath clip;
         clip.addEllipse(QRectF(10, 10, 80, 60));
         p.save();
         p.setClipPath(clip, Qt::IntersectClip);
         p.fillRect(QRect(0, 0, 120, 90), Qt::darkCyan);
         p.restore();
         p.setTransform(QTransform(2, 0.5, -0.5, 2, 60, 40));
         QPainterPath glyph;
         glyph.addRect(0, 0, 10, 6);
         p.fillPath(glyph, Qt::magenta);
         p.resetTransform();
         p.drawLine(QPointF(0.5, 88.5), QPointF(119.5, 1.5));
       }},
      {"images",
       [&stamp](QPainter& p) {
         p.drawImage(QPoint(10, 10), stamp);
         p.drawImage(QRectF(40, 40, 14, 10), stamp, QRectF(0, 0, 7, 5));
       }},
      {"the map device with dots, rings, fills and clips",
       [](QPainter& p) {
         OutputState s;
         s.originY = U(0, 90).y;
         s.clipRectangle = {0, 0, U(120, 0).x, U(0, 90).y};
         PainterDevice device(p, s);
         device.SelectColorPass(1, {0, 200, 200, 0});
         device.Dot(U(20, 20), 9);
         device.Dot(U(30, 20), 2);
         device.Ring(U(60, 40), 3, 25);
         device.BeginPath(U(70, 10));
         device.AddPoint(U(110, 10));
         device.AddPoint(U(90, 60));
         device.ClipPath();
         device.SelectColorPass(2, {200, 0, 0, 0});
         for (int x = 70; x < 110; x += 6) device.Dot(U(x, 20), 5);
         device.EndClip();
       }},
  };
  for (const auto& [what, draw] : cases) ExpectSamePicture(draw, what);
}

TEST(PainterReplay, TextIsCountedAsNotKept) {
  QImage like(20, 20, QImage::Format_RGB32);
  PainterRecording recording;
  {
    RecordingDevice device(like, &recording);
    QPainter p(&device);
    p.drawText(QPointF(2, 15), "x");
  }
  EXPECT_GT(recording.Unsupported(), 0);
}

}  // namespace
}  // namespace zelk::bench

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
