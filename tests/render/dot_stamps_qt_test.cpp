// Dots and circle lines copied from stamps must give exactly the pixels of drawing them.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QPicture>
#include <functional>
#include <memory>
#include <string>

#include "render/dot_stamps.h"
#include "render/painter_device.h"

namespace zelk {
namespace {

constexpr int kSide = 160;

Coord U(int32_t x, int32_t y) {
  return Coord::FromUnits(x, y);
}

// 0.37 pixels per map unit: centres fall on every fraction of a pixel before rounding.
OutputState FractionalState() {
  OutputState s;
  s.scaleX = 0.37 / 256;
  s.scaleY = -0.37 / 256;
  s.originX = U(-20, 0).x;
  s.originY = U(0, 420).y;
  s.clipRectangle = {U(-100, 0).x, U(0, -100).y, U(520, 0).x, U(0, 520).y};
  return s;
}

QImage Picture(bool stamping, bool smooth, const std::function<void(PainterDevice&)>& draw) {
  QImage image(kSide, kSide, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  PainterDevice device(painter, FractionalState());
  device.SetAntialiasing(smooth);
  device.SetStamping(stamping);
  device.SelectColorPass(3, {170, 20, 90, 10});
  draw(device);
  return image;
}

int64_t DifferentPixels(const QImage& a, const QImage& b) {
  int64_t n = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) n += a.pixel(x, y) != b.pixel(x, y);
  return n;
}

// A slanted triangle with a hole: clip edges cross many dots.
void ClipToTriangleWithHole(PainterDevice& d) {
  d.BeginPath(U(-30, -30));
  d.AddPoint(U(450, 60));
  d.AddPoint(U(90, 450));
  d.AddPoint(U(-30, -30));
  d.AddPoint({U(120, 140).x, U(120, 140).y | kHoleStart});
  d.AddPoint(U(200, 150));
  d.AddPoint(U(150, 210));
  d.AddPoint(U(120, 140));
  ASSERT_EQ(d.ClipPath(), ClipResult::Clipped);
}

// Dots and rings of many sizes at positions in steps of 7.3 map units, some reaching off the
// image; the whole drawing is done once more in another colour to overlap the first.
void ManyShapes(PainterDevice& d, int lineWidth) {
  for (int pass = 0; pass < 2; ++pass) {
    int diameter = 3;
    for (double y = -10; y < 440; y += 19.7) {
      for (double x = -15; x < 440; x += 23.3) {
        const Coord at = Coord::FromUnits(static_cast<int32_t>(x + pass * 5),
                                          static_cast<int32_t>(y + pass * 3));
        if (lineWidth == 0) {
          d.Dot(at, diameter);
        } else {
          d.Ring(at, lineWidth, diameter);
        }
        diameter = diameter % 90 + 4;
      }
    }
    d.SelectColorPass(4, {0, 180, 40, 60});
  }
}

TEST(DotStamps, StampedShapesGiveExactlyTheDrawnPixels) {
  // Line widths in map units: 0 is a dot; at 0.37 pixels per unit 3 gives one-pixel circle
  // lines, 6 two pixels, 11 four.
  for (int lineWidth : {0, 3, 6, 11}) {
    for (bool smooth : {false, true}) {
      for (int clips : {0, 1, 2}) {
        auto draw = [&](PainterDevice& d) {
          if (clips >= 1) ClipToTriangleWithHole(d);
          if (clips >= 2) {
            d.BeginPath(U(0, 0));
            d.AddPoint(U(400, 0));
            d.AddPoint(U(400, 300));
            d.AddPoint(U(0, 400));
            ASSERT_EQ(d.ClipPath(), ClipResult::Clipped);
          }
          ManyShapes(d, lineWidth);
        };
        const QImage drawn = Picture(false, smooth, draw);
        const QImage stamped = Picture(true, smooth, draw);
        EXPECT_EQ(DifferentPixels(drawn, stamped), 0)
            << "line " << lineWidth << " smooth " << smooth << " clips " << clips;
        EXPECT_NE(drawn.pixel(80, 80), qRgb(255, 255, 255));  // something was drawn
      }
    }
  }
}

TEST(DotStamps, WhatIsStampedAndWhatIsDrawn) {
  struct Case {
    StampShape shape;
    bool stampable;
  };
  const QRgb c = qRgb(1, 2, 3);
  const Case cases[] = {
      {{5, 5, 0, c, false}, true},     // discs, aliased or smooth
      {{40, 38, 0, c, true}, true},    //
      {{64, 64, 0, c, false}, true},   // up to the largest stamp
      {{65, 20, 0, c, false}, false},  //
      {{0, 5, 0, c, false}, false},    // nothing to draw
      {{12, 12, 2, c, false}, true},   // aliased circle lines from two pixels
      {{12, 12, 1, c, false}, false},  // one-pixel lines round by their position
      {{12, 12, 2, c, true}, false},   // smooth ones blend otherwise on a stamp
      {{12, 12, 6, c, false}, false},  // as wide as half the circle: a disc
  };
  for (const Case& k : cases) {
    EXPECT_EQ(DotStamps::Stampable(k.shape), k.stampable)
        << k.shape.width << "x" << k.shape.height << " pen " << k.shape.pen << " smooth "
        << k.shape.antialiased;
  }
}

TEST(DotStamps, EachShapeIsDrawnOnceAndCroppedToItsPixels) {
  DotStamps stamps;
  const StampShape disc{9, 7, 0, qRgb(200, 10, 10), false};
  const Stamp& a = stamps.Get(disc);
  const Stamp& b = stamps.Get(StampShape{9, 7, 0, qRgb(10, 200, 10), false});
  EXPECT_EQ(&stamps.Get(disc), &a);
  EXPECT_NE(&a, &b);
  EXPECT_EQ(stamps.Size(), 2u);
  // The stamp of an aliased disc is the disc's pixels and nothing around them.
  QImage drawn(20, 20, QImage::Format_ARGB32_Premultiplied);
  drawn.fill(Qt::transparent);
  {
    QPainter p(&drawn);
    PaintDisc(p, QRect(5, 6, 9, 7), QColor(200, 10, 10));
  }
  // Cropped: every edge row and column of the image holds some of the disc.
  auto inked = [&](int x0, int y0, int dx, int dy, int n) {
    for (int i = 0; i < n; ++i)
      if (qAlpha(a.image.pixel(x0 + i * dx, y0 + i * dy)) != 0) return true;
    return false;
  };
  const int w = a.image.width(), h = a.image.height();
  ASSERT_GT(w, 0);
  EXPECT_TRUE(inked(0, 0, 1, 0, w) && inked(0, h - 1, 1, 0, w));
  EXPECT_TRUE(inked(0, 0, 0, 1, h) && inked(w - 1, 0, 0, 1, h));
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < 20; ++x) {
      const QPoint in = QPoint(x, y) - QPoint(5, 6) - a.offset;
      const QRgb stamp = a.image.rect().contains(in) ? a.image.pixel(in) : 0;
      ASSERT_EQ(drawn.pixel(x, y), stamp) << x << "," << y;
    }
  }
}

TEST(DotStamps, PixelSurfacesStampAndOthersDrawShapes) {
  QImage image(10, 10, QImage::Format_RGB32);
  QPainter onImage(&image);
  EXPECT_TRUE(PainterDevice(onImage).CanStamp());
  QPicture picture;
  QPainter onPicture(&picture);
  EXPECT_FALSE(PainterDevice(onPicture).CanStamp());
}

}  // namespace
}  // namespace zelk
