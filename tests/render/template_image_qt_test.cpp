// The template drawn under the map: every device pixel checked against where the placement puts
// the template, at several angles and zooms, dimmed, and from the halved copies.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QPainter>
#include <cmath>
#include <filesystem>
#include <numbers>

#include "render/template_image.h"
#include "storage/messages.h"
#include "template_bmp_builder.h"
#include "test_support.h"

namespace zelk {
namespace {

void EnsureGui() {
  static int argc = 1;
  static char name[] = "render_qt_tests";
  static char* argv[] = {name, nullptr};
  if (!QGuiApplication::instance()) new QGuiApplication(argc, argv);
}

constexpr int kCols = 6, kRows = 4;

QRgb BlockColor(int bx, int by) {
  return qRgb(30 + 35 * bx, 20 + 50 * by, 200 - 20 * bx);
}

// A scan of kCols x kRows blocks, each `block` pixels square and of one colour.
QImage Scan(int block) {
  QImage img(kCols * block, kRows * block, QImage::Format_RGB32);
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) img.setPixel(x, y, BlockColor(x / block, y / block));
  return img;
}

struct Case {
  double zoom;
  double angleDeg;
  double draftScale;
  int block;
  bool dimmed;
};

class TemplatePlacementPixels : public ::testing::TestWithParam<Case> {};

TEST_P(TemplatePlacementPixels, EveryPixelShowsThePartOfTheScanPlacedThere) {
  EnsureGui();
  const Case c = GetParam();
  const double pels = 300 / 0.0254;
  TemplateImage image;
  image.SetImage(Scan(c.block), static_cast<int32_t>(std::lround(pels)),
                 static_cast<int32_t>(std::lround(pels)));
  ViewTransform v;
  v.clientWidth = 240;
  v.clientHeight = 180;
  v.zoom = c.zoom;
  v.centreX = 256 * 300;
  v.centreY = -256 * 200;
  v.SetViewTransform();
  TemplatePlacement p;
  p.x = 256 * 340;
  p.y = -256 * 180;
  p.angle = c.angleDeg * std::numbers::pi / 180;
  p.scaleX = p.scaleY = c.draftScale;
  const double mapScale = 15000;

  QImage out(v.clientWidth, v.clientHeight, QImage::Format_RGB32);
  out.fill(Qt::white);
  {
    QPainter painter(&out);
    image.Draw(painter, v, p, mapScale, out.rect(), c.dimmed);
  }
  // Computed here from the definitions: words per pixel = draft scale / map scale / resolution
  // in 1/100 mm times 256; the template's centre at the position, turned counter-clockwise.
  const double kx = c.draftScale / mapScale / pels * 100000 * 256;
  const double cs = std::cos(p.angle), sn = std::sin(p.angle);
  const int w = kCols * c.block, h = kRows * c.block;
  int inside = 0, outside = 0;
  for (int j = 0; j < out.height(); ++j) {
    for (int i = 0; i < out.width(); ++i) {
      const double X = v.originX + (i + 0.5) / v.scaleX;
      const double Y = v.originY + (j + 0.5) / v.scaleY;
      const double dx = X - p.x, dy = Y - p.y;
      const double ux = (cs * dx + sn * dy) / kx, uy = (-sn * dx + cs * dy) / kx;
      const double px = ux + w / 2.0, py = h / 2.0 - uy;
      const QRgb got = out.pixel(i, j);
      const double margin = 1.0 + (c.block >= 8 ? c.block / 8.0 : 0);
      if (px < -margin || py < -margin || px > w + margin || py > h + margin) {
        ASSERT_EQ(got, qRgb(255, 255, 255)) << "outside at " << i << "," << j;
        ++outside;
        continue;
      }
      const double fx = px - std::floor(px / c.block) * c.block;
      const double fy = py - std::floor(py / c.block) * c.block;
      if (px < 0 || py < 0 || px >= w || py >= h) continue;
      if (fx < margin || fx > c.block - margin || fy < margin || fy > c.block - margin) continue;
      QRgb want = BlockColor(static_cast<int>(px) / c.block, static_cast<int>(py) / c.block);
      if (c.dimmed) {
        auto dim = [](int v) {
          return static_cast<int>(std::lround(255 - TemplateImage::kDimOpacity * (255 - v)));
        };
        want = qRgb(dim(qRed(want)), dim(qGreen(want)), dim(qBlue(want)));
      }
      ASSERT_NEAR(qRed(got), qRed(want), 3) << i << "," << j << " template " << px << "," << py;
      ASSERT_NEAR(qGreen(got), qGreen(want), 3) << i << "," << j;
      ASSERT_NEAR(qBlue(got), qBlue(want), 3) << i << "," << j;
      ++inside;
    }
  }
  EXPECT_GT(inside, 200);
  EXPECT_GT(outside, 200);
}

INSTANTIATE_TEST_SUITE_P(
    AnglesAndZooms, TemplatePlacementPixels,
    ::testing::Values(Case{32, 0, 15000, 4, false}, Case{16, 0, 30000, 4, false},
                      Case{32, 5, 15000, 4, false}, Case{32, -8, 15000, 4, false},
                      Case{16, 30, 15000, 6, false}, Case{32, 0, 15000, 4, true},
                      Case{32, 9, 20000, 4, true}, Case{2, 0, 15000, 32, false},
                      Case{1, 4, 15000, 64, false}, Case{0.5, -3, 15000, 128, false}));

TEST(TemplateImagePyramid, HalvedCopiesAverageTheirPixelsAndOddSidesRoundUp) {
  EnsureGui();
  QImage img(5, 3, QImage::Format_RGB32);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) img.setPixel(x, y, qRgb(x * 40, y * 80, 100));
  const QImage half = HalveImage(img);
  ASSERT_EQ(half.size(), QSize(3, 2));
  // (0..1, 0..1): red (0 + 40 + 0 + 40) / 4 = 20, green (0 + 0 + 80 + 80) / 4 = 40.
  EXPECT_EQ(half.pixel(0, 0), qRgb(20, 40, 100));
  // The last column and row repeat themselves.
  EXPECT_EQ(half.pixel(2, 1), qRgb(160, 160, 100));
  TemplateImage t;
  t.SetImage(Scan(100), 11811, 11811);  // 600 x 400
  // One copy at a time, as the editor makes them after the first picture.
  EXPECT_TRUE(t.BuildNextLevel());
  EXPECT_EQ(t.LevelsBuilt(), 2);
  EXPECT_FALSE(t.BuildNextLevel());
  EXPECT_FALSE(t.BuildNextLevel());
  t.BuildAllLevels();
  EXPECT_EQ(t.LevelsBuilt(), 3);  // 600, 300, 150
  EXPECT_EQ(t.Level(2).size(), QSize(150, 100));
  EXPECT_EQ(t.Level(9).width(), 2);  // 600 halved nine times, rounding up
  EXPECT_EQ(t.Level(40).size(), QSize(1, 1));
}

TEST(TemplateImagePyramid, CopiesMadeInStepsOfRowsAreFinishedWhenNeeded) {
  EnsureGui();
  TemplateImage t;
  t.SetImage(Scan(100), 11811, 11811);  // 600 x 400: copies of 300 x 200 and 150 x 100
  const QImage whole = HalveImage(t.Level(0));
  for (int i = 0; i < 3; ++i) {
    EXPECT_TRUE(t.BuildRows(50));
    EXPECT_EQ(t.LevelsBuilt(), 1) << i;
  }
  EXPECT_TRUE(t.BuildRows(50));  // the 200th row ends the first copy
  EXPECT_EQ(t.LevelsBuilt(), 2);
  EXPECT_EQ(t.Level(1), whole);
  // Half of the second copy made, then a view needs it: it is finished at once.
  EXPECT_TRUE(t.BuildRows(50));
  EXPECT_EQ(t.LevelsBuilt(), 2);
  EXPECT_EQ(t.Level(2), HalveImage(whole));
  EXPECT_FALSE(t.BuildRows(50));
}

TEST(TemplateImagePyramid, TheCopyDrawnHasPixelsOfAtLeastOneDevicePixel) {
  TemplateImage t;
  EnsureGui();
  t.SetImage(Scan(10), 11811, 11811);
  EXPECT_EQ(t.LevelFor(QTransform::fromScale(4, 4)), 0);
  EXPECT_EQ(t.LevelFor(QTransform::fromScale(1, 1)), 0);
  EXPECT_EQ(t.LevelFor(QTransform::fromScale(0.5, 0.5)), 1);
  EXPECT_EQ(t.LevelFor(QTransform::fromScale(0.4, 0.4)), 1);
  EXPECT_EQ(t.LevelFor(QTransform::fromScale(0.25, 0.25)), 2);
  EXPECT_EQ(t.LevelFor(QTransform::fromScale(0.1, 0.1)), 3);
}

class Sink : public MessageSink {
 public:
  std::vector<std::string> errors;
  void Error(const std::string& m, int) override { errors.push_back(m); }
  bool Confirm(const std::string&, int) override { return true; }
  Answer Ask(const std::string&, int) override { return Answer::Yes; }
};

TEST(TemplateImageFiles, PngJpegAndTiffAreReadThroughTheImageReaders) {
  EnsureGui();
  TempDir dir;
  const QImage scan = Scan(8);
  struct Format {
    const char* ext;
    int tolerance;
  } formats[] = {{"png", 0}, {"jpg", 12}, {"tif", 0}};
  for (const Format& f : formats) {
    const std::string path = dir.Path(std::string("scan.") + f.ext);
    if (!scan.save(QString::fromStdString(path), nullptr, 95)) {
      ADD_FAILURE() << "no writer for " << f.ext;
      continue;
    }
    Sink sink;
    const auto probe = TemplateImage::Probe(path, sink);
    ASSERT_TRUE(probe) << f.ext;
    EXPECT_FALSE(probe->bmp);
    EXPECT_EQ(probe->width, scan.width());
    EXPECT_EQ(probe->height, scan.height());
    EXPECT_EQ(probe->pelsPerMeterX, 0);  // asked for
    TemplateImage t;
    ASSERT_TRUE(t.Load(path, *probe, 11811, 11811, sink)) << f.ext;
    EXPECT_EQ(t.PelsPerMeterX(), 11811);
    for (int y = 4; y < scan.height(); y += 8)
      for (int x = 4; x < scan.width(); x += 8) {
        const QRgb a = t.Level(0).pixel(x, y), b = scan.pixel(x, y);
        ASSERT_NEAR(qRed(a), qRed(b), f.tolerance) << f.ext << " " << x << "," << y;
        ASSERT_NEAR(qGreen(a), qGreen(b), f.tolerance);
        ASSERT_NEAR(qBlue(a), qBlue(b), f.tolerance);
      }
    EXPECT_TRUE(sink.errors.empty());
  }
}

TEST(TemplateImageFiles, AScanIsReadWhereViewsNeedItThenInStepsUntilComplete) {
  EnsureGui();
  TempDir dir;
  test::BmpLayout layout;
  layout.width = 40;
  layout.height = 600;
  layout.pixel = [](int x, int y) {
    return static_cast<uint32_t>((x * 5) << 16 | (y % 256) << 8 | 7);
  };
  const std::string path = dir.Path("tall.bmp");
  {
    const std::vector<uint8_t> bytes = test::MakeBmp(layout);
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  }
  Sink sink;
  const auto probe = TemplateImage::Probe(path, sink);
  ASSERT_TRUE(probe);
  TemplateImage t;
  ASSERT_TRUE(t.Load(path, *probe, 11811, 11811, sink));
  EXPECT_FALSE(t.AllRowsRead());
  // A view of the top of the scan at one screen pixel per scan pixel or more.
  ViewTransform v;
  v.clientWidth = 100;
  v.clientHeight = 100;
  v.zoom = 8;
  v.SetViewTransform();
  TemplatePlacement p;
  p.y = static_cast<int32_t>(std::lround(300 * p.WordsPerPixelY(15000, 11811))) & ~255;
  QImage out(100, 100, QImage::Format_RGB32);
  out.fill(Qt::white);
  {
    QPainter painter(&out);
    t.Draw(painter, v, p, 15000, out.rect(), false);
  }
  EXPECT_FALSE(t.AllRowsRead());
  int steps = 0;
  while (t.BuildRows(16) && steps < 1000) ++steps;
  EXPECT_TRUE(t.AllRowsRead());
  EXPECT_GT(steps, 10);
  const QImage& full = t.Level(0);
  for (int y = 0; y < 600; y += 7)
    for (int x = 0; x < 40; x += 3)
      ASSERT_EQ(full.pixel(x, y), 0xff000000u | layout.pixel(x, y)) << x << "," << y;
  // A view zoomed out before any row was read: the copy is made from the rows, read then.
  TemplateImage fresh;
  ASSERT_TRUE(fresh.Load(path, *probe, 11811, 11811, sink));
  const QImage firstCopy = fresh.Level(1);
  EXPECT_TRUE(fresh.AllRowsRead());
  EXPECT_EQ(firstCopy, HalveImage(full));
  EXPECT_TRUE(sink.errors.empty());
}

TEST(TemplateImageFiles, RowsTheFileNoLongerHoldsShowThePaper) {
  EnsureGui();
  TempDir dir;
  test::BmpLayout layout;
  layout.width = 8;
  layout.height = 50;
  const std::string path = dir.Path("shrinking.bmp");
  const std::vector<uint8_t> bytes = test::MakeBmp(layout);
  {
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  }
  Sink sink;
  const auto probe = TemplateImage::Probe(path, sink);
  TemplateImage t;
  ASSERT_TRUE(t.Load(path, *probe, 11811, 11811, sink));
  // Bottom-up: cutting the file loses the top rows.
  std::filesystem::resize_file(path, 54 + 24 * 25);
  const QImage& full = t.Level(0);
  EXPECT_TRUE(t.AllRowsRead());
  EXPECT_EQ(full.pixel(3, 0), qRgb(255, 255, 255));
  EXPECT_EQ(full.pixel(3, 49), 0xff000000u | layout.pixel(3, 49));
}

TEST(TemplateImageFiles, WhatIsNoPictureIsRefusedWithTheMessage) {
  EnsureGui();
  TempDir dir;
  const std::string path = dir.Path("notes.png");
  FILE* f = std::fopen(path.c_str(), "wb");
  std::fputs("these are notes, not a picture", f);
  std::fclose(f);
  Sink sink;
  EXPECT_FALSE(TemplateImage::Probe(path, sink));
  ASSERT_EQ(sink.errors.size(), 1u);
  EXPECT_EQ(sink.errors[0], "Template must be a BMP file.");
  EXPECT_FALSE(TemplateImage::Probe(dir.Path("none.bmp"), sink));
  ASSERT_EQ(sink.errors.size(), 2u);
  EXPECT_NE(sink.errors[1].find("none.bmp"), std::string::npos);
}

}  // namespace
}  // namespace zelk
