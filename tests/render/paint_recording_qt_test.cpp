// The replayed calls must make the picture the painter made, or the baseline means nothing.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <filesystem>
#include <functional>
#include <thread>

#include "render/font_service_qt.h"
#include "render/map_painting.h"
#include "render/paint_recording.h"
#include "render/painter_device.h"
#include "render/view_transform.h"
#include "test_support.h"

namespace zelk {
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
    PaintRecordingDevice device(direct, &recording);
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
    PaintRecordingDevice device(like, &recording);
    QPainter p(&device);
    p.drawText(QPointF(2, 15), "x");
  }
  EXPECT_GT(recording.Unsupported(), 0);
}

// The two-thread drawing hands the painter the calls the one-thread drawing makes. The shipped
// demo map has every kind of symbol and texts.
class MapPaintingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::copy_file(std::string(ZELK_SHIPPED_DATA_DIR) + "/demo.zkm", path_);
    store_.WorkingFile().OpenExisting(path_);
    ASSERT_TRUE(store_.LoadFromWorkingFile());
    ASSERT_TRUE(store_.MapExtent(&extent_));
  }
  void TearDown() override { store_.CloseWorkingFile(); }

  // The whole map in an image of `width` pixels, as the screen draws it.
  MapPainting Screen(int width, QSize* size) {
    MapPainting how;
    const double unitsPerPixel =
        static_cast<double>(extent_.right - extent_.left) / 256.0 / (width - 20);
    how.state.scaleX = 1.0 / (unitsPerPixel * 256);
    how.state.scaleY = -how.state.scaleX;
    how.state.originX = extent_.left - static_cast<int32_t>(10 * unitsPerPixel * 256);
    how.state.originY = extent_.top + static_cast<int32_t>(10 * unitsPerPixel * 256);
    how.state.clipRectangle = extent_;
    how.antialiased = true;
    how.fonts = &fonts_;
    *size =
        QSize(width, static_cast<int>((extent_.top - extent_.bottom) / 256.0 / unitsPerPixel) + 20);
    return how;
  }

  // Draws with `how` on a white image, the painter clipped to `clip` when it is not empty.
  QImage Paint(const MapPainting& how, QSize size, const QRect& clip = {},
               const MapDrawingOptions& options = {}, MapDrawingResult* result = nullptr) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    if (!clip.isEmpty()) painter.setClipRect(clip);
    RenderScratch scratch;
    const MapDrawingResult r =
        PaintMapRegion(store_, painter, how, how.state.clipRectangle, scratch, options);
    if (result) *result = r;
    return image;
  }

  RecordingSink sink_;
  TempDir dir_;
  std::string path_ = dir_.Path("demo.zkm");
  MapStore store_{&sink_};
  Box extent_;
  QtFontService fonts_;
};

TEST_F(MapPaintingTest, TwoThreadsPaintWhatOneThreadPaints) {
  QSize size;
  MapPainting screen = Screen(900, &size);
  MapPainting print = screen;
  print.antialiased = false;
  SetResolutionTransform(print.state, 200, 1.0, extent_.left & kPosMask, extent_.top & kPosMask);
  // Map units are hundredths of a millimetre.
  const auto pixels = [](int64_t words) {
    return static_cast<int>(words / 256.0 / 2540 * 200) + 2;
  };
  const QSize printSize(pixels(extent_.right - extent_.left), pixels(extent_.top - extent_.bottom));
  const struct {
    const char* what;
    MapPainting how;
    QSize size;
    QRect clip;
  } cases[] = {
      {"screen, smooth", screen, size, {}},
      {"screen, a part of the window clipped", screen, size, QRect(130, 70, 400, 300)},
      {"200 DPI", print, printSize, {}},
  };
  for (const auto& c : cases) {
    MapPainting one = c.how;
    one.oneThread = true;
    MapDrawingResult a, b;
    const QImage two = Paint(c.how, c.size, c.clip, {}, &a);
    const QImage single = Paint(one, c.size, c.clip, {}, &b);
    EXPECT_TRUE(a.completed && b.completed) << c.what;
    EXPECT_EQ(a.objectsDrawn, b.objectsDrawn) << c.what;
    EXPECT_GT(a.objectsDrawn, 10) << c.what;
    EXPECT_TRUE(two == single) << c.what;
    EXPECT_NE(two.pixel(c.size.width() / 2, c.size.height() / 2), 0u) << c.what;
  }
  // Something was drawn: the picture is not blank.
  const QImage blank = [&] {
    QImage i(size, QImage::Format_RGB32);
    i.fill(Qt::white);
    return i;
  }();
  EXPECT_FALSE(Paint(screen, size) == blank);
}

TEST_F(MapPaintingTest, InputAndProgressAreTakenOnTheCallingThreadAndStopTheDrawing) {
  QSize size;
  MapPainting how = Screen(700, &size);
  MapPainting one = how;
  one.oneThread = true;
  const QImage whole = Paint(one, size);
  const MapPainting plain = how;
  const std::thread::id caller = std::this_thread::get_id();
  int asked = 0;
  bool otherThread = false, nestedSame = false, countsRise = true;
  int64_t last = 0;
  MapDrawingOptions options;
  options.objectDrawn = [&](int64_t n) {
    otherThread |= std::this_thread::get_id() != caller;
    countsRise &= n > last;
    last = n;
  };
  how.inputWaiting = [&] {
    otherThread |= std::this_thread::get_id() != caller;
    if (++asked == 1) {
      // A drawing started while another is under way (as an event handler may) draws on this
      // thread and reads the map while the other waits.
      nestedSame = Paint(plain, size) == whole;
    }
    return asked >= 2;
  };
  // Slow enough pieces that input is asked for before the end.
  MapDrawingResult result;
  QImage stopped;
  for (int attempt = 0; attempt < 50 && asked < 2; ++attempt) {
    asked = 0;
    last = 0;
    stopped = Paint(how, size, {}, options, &result);
  }
  ASSERT_GE(asked, 2);
  EXPECT_FALSE(result.completed);
  EXPECT_FALSE(otherThread);
  EXPECT_TRUE(nestedSame);
  EXPECT_TRUE(countsRise);
  // The map reads as before: a drawing after the stopped one is whole.
  how.inputWaiting = nullptr;
  EXPECT_TRUE(Paint(how, size) == whole);
}

}  // namespace
}  // namespace zelk
