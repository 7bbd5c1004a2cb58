// Bitmap export: the BMP layout, the size and resolution checks, and files that are never
// half-written.
#include "output/bitmap_export.h"

#include <gtest/gtest.h>

#include <QtGui/QImage>
#include <filesystem>

#include "output/bmp_file.h"
#include "storage/byte_io.h"
#include "storage/map_fixture.h"
#include "storage/symbol_records.h"

namespace zelk {
namespace {

std::vector<uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool OnlyFileIn(const std::string& dir, const std::string& name) {
  int count = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir)) {
    if (e.path().filename() != name) return false;
    ++count;
  }
  return count == 1;
}

bool NoTemporaryIn(const std::string& dir) {
  for (const auto& e : std::filesystem::directory_iterator(dir))
    if (e.path().filename().string().find(".part-") != std::string::npos) return false;
  return true;
}

// --- The file layout -------------------------------------------------------------------------

TEST(BmpFile, HeaderFieldsOfA24BitBitmapWithoutPalette) {
  const auto h = BmpHeader24(5, 3, 300);
  EXPECT_EQ(h[0], 'B');
  EXPECT_EQ(h[1], 'M');
  EXPECT_EQ(GetU32(&h[2]), 16u * 3 + 54);  // file size
  EXPECT_EQ(GetI16(&h[6]), 0);
  EXPECT_EQ(GetI16(&h[8]), 0);
  EXPECT_EQ(GetU32(&h[10]), 54u);  // pixels straight after the headers
  EXPECT_EQ(GetU32(&h[14]), 40u);
  EXPECT_EQ(GetI32(&h[18]), 5);
  EXPECT_EQ(GetI32(&h[22]), 3);  // positive: bottom-up
  EXPECT_EQ(GetI16(&h[26]), 1);
  EXPECT_EQ(GetI16(&h[28]), 24);
  EXPECT_EQ(GetU32(&h[30]), 0u);
  EXPECT_EQ(GetU32(&h[34]), 16u * 3);
  EXPECT_EQ(GetI32(&h[38]), 11811);  // 300 DPI in pixels per metre
  EXPECT_EQ(GetI32(&h[42]), 11811);
  EXPECT_EQ(GetU32(&h[46]), 0u);
  EXPECT_EQ(GetU32(&h[50]), 0u);
}

TEST(BmpFile, RowsArePaddedToWholeWords) {
  EXPECT_EQ(BmpRowSize(24, 1), 4u);
  EXPECT_EQ(BmpRowSize(24, 4), 12u);
  EXPECT_EQ(BmpRowSize(24, 5), 16u);
  EXPECT_EQ(BmpRowSize(8, 5), 8u);
  EXPECT_EQ(BmpRowSize(4, 9), 8u);
  EXPECT_EQ(PixelsPerMetre(2540), 100000);
  EXPECT_EQ(PixelsPerMetre(96), 3780);
}

TEST(BmpFile, WritesTheBottomRowFirstWithZeroPadding) {
  TempDir dir;
  const std::string path = dir.Path("out.bmp");
  // Row y (from the top) has every pixel blue = y, green = 10 + x, red = 200.
  const BmpRowSource rows = [](int y, uint8_t* bgr) {
    for (int x = 0; x < 5; ++x) {
      bgr[3 * x] = static_cast<uint8_t>(y);
      bgr[3 * x + 1] = static_cast<uint8_t>(10 + x);
      bgr[3 * x + 2] = 200;
    }
  };
  RecordingSink sink;
  ASSERT_TRUE(WriteBmp24(path, 5, 3, 300, rows, &sink));
  const auto bytes = ReadAll(path);
  ASSERT_EQ(bytes.size(), 54u + 3 * 16);
  for (int stored = 0; stored < 3; ++stored) {
    const uint8_t* row = &bytes[54 + 16 * static_cast<size_t>(stored)];
    EXPECT_EQ(row[0], 2 - stored) << "stored row " << stored;  // the bottom row (y 2) comes first
    EXPECT_EQ(row[1], 10);
    EXPECT_EQ(row[2], 200);
    EXPECT_EQ(row[3 * 4 + 1], 14);
    EXPECT_EQ(row[15], 0);  // the padding byte
  }
  EXPECT_TRUE(OnlyFileIn(dir.Path(), "out.bmp"));
  EXPECT_TRUE(sink.errors.empty());
}

TEST(BmpFile, RowsWrittenInSeveralPiecesKeepTheirOrder) {
  TempDir dir;
  const std::string path = dir.Path("tall.bmp");
  // 15000-byte rows: about 70 go into one write, so 300 rows take five writes, the last short.
  const int width = 5000, height = 300;
  const BmpRowSource rows = [](int y, uint8_t* bgr) {
    for (int x = 0; x < width; ++x) {
      bgr[3 * x] = static_cast<uint8_t>(y);
      bgr[3 * x + 1] = static_cast<uint8_t>(y >> 8);
      bgr[3 * x + 2] = static_cast<uint8_t>(x);
    }
  };
  RecordingSink sink;
  struct Lines : NullProgress {
    int last = 0;
    void Step(int32_t n, int32_t) override { last = n; }
  } progress;
  ASSERT_TRUE(WriteBmp24(path, width, height, 300, rows, &sink, &progress));
  EXPECT_EQ(progress.last, height);
  const auto bytes = ReadAll(path);
  ASSERT_EQ(bytes.size(), 54u + 15000u * height);
  for (int stored = 0; stored < height; ++stored) {
    const int y = height - 1 - stored;
    const uint8_t* row = &bytes[54 + 15000 * static_cast<size_t>(stored)];
    ASSERT_EQ(row[0], y & 255) << stored;
    ASSERT_EQ(row[1], y >> 8) << stored;
    ASSERT_EQ(row[3 * 4999 + 2], 4999 & 255) << stored;
  }
}

TEST(BmpFile, AFailedWriteLeavesNoFileAndNamesTheTarget) {
  TempDir dir;
  const std::string missing = dir.Path("no-such-folder/out.bmp");
  RecordingSink sink;
  const BmpRowSource rows = [](int, uint8_t*) {};
  EXPECT_FALSE(WriteBmp24(missing, 2, 2, 300, rows, &sink));
  ASSERT_EQ(sink.errors.size(), 1u);
  EXPECT_EQ(sink.errors[0], "Cannot create " + missing);

  // A target that cannot be replaced (a folder) keeps what it was, and no temporary remains.
  const std::string folder = dir.Path("taken.bmp");
  std::filesystem::create_directory(folder);
  sink.errors.clear();
  EXPECT_FALSE(WriteBmp24(folder, 2, 2, 300, rows, &sink));
  EXPECT_EQ(sink.errors.size(), 1u);
  EXPECT_TRUE(std::filesystem::is_directory(folder));
  EXPECT_TRUE(OnlyFileIn(dir.Path(), "taken.bmp"));
}

TEST(BmpFile, AnImageIsWrittenPixelForPixelWhateverItsWidthAndFormat) {
  TempDir dir;
  for (int width : {1, 2, 3, 5, 119}) {
    for (QImage::Format format : {QImage::Format_RGB32, QImage::Format_ARGB32_Premultiplied}) {
      QImage image(width, 7, format);
      for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < width; ++x) image.setPixel(x, y, qRgb(x * 2, 40 + y * 30, 255 - x));
      const std::string path = dir.Path("image.bmp");
      RecordingSink sink;
      ASSERT_TRUE(WriteImageAsBmp(path, image, 300, &sink)) << width;
      const auto bytes = ReadAll(path);
      const uint32_t rowSize = BmpRowSize(24, width);
      ASSERT_EQ(bytes.size(), 54u + rowSize * 7) << width;
      EXPECT_EQ(GetI32(&bytes[18]), width);
      for (int y = 0; y < 7; ++y) {
        const uint8_t* row = &bytes[54 + rowSize * static_cast<size_t>(6 - y)];
        for (int x = 0; x < width; ++x) {
          const QRgb p = image.pixel(x, y);
          ASSERT_EQ(row[3 * x], qBlue(p)) << width << " " << x << "," << y;
          ASSERT_EQ(row[3 * x + 1], qGreen(p)) << width << " " << x << "," << y;
          ASSERT_EQ(row[3 * x + 2], qRed(p)) << width << " " << x << "," << y;
        }
        for (uint32_t pad = 3 * static_cast<uint32_t>(width); pad < rowSize; ++pad)
          EXPECT_EQ(row[pad], 0) << width;
      }
    }
  }
}

// --- Resolution and size ----------------------------------------------------------------------

TEST(BitmapExportChecks, BitmapSizeFollowsResolutionAndExtent) {
  // 100 mm x 50 mm at 300 DPI.
  const BitmapSize s = BitmapSizeFor(UnitsBox(0, 0, 10000, 5000), 300);
  // One pixel more than the extent's length: its far edges have pixels of their own.
  EXPECT_EQ(s.width, 1182);
  EXPECT_EQ(s.height, 592);
  const BitmapSize tiny = BitmapSizeFor(UnitsBox(7, 7, 7, 7), 50);
  EXPECT_EQ(tiny.width, 1);
  EXPECT_EQ(tiny.height, 1);
}

TEST(BitmapExportChecks, ResolutionMustBeAnIntegerFrom50To2540) {
  int r = 0;
  EXPECT_EQ(CheckResolution("300", &r), "");
  EXPECT_EQ(r, 300);
  EXPECT_EQ(CheckResolution(" 50 ", &r), "");
  EXPECT_EQ(r, 50);
  EXPECT_EQ(CheckResolution("2540", &r), "");
  EXPECT_EQ(r, 2540);
  EXPECT_EQ(CheckResolution("2541", &r), "Resolution must be between 50 and 2540 DPI");
  EXPECT_EQ(CheckResolution("49", &r), "Resolution must be between 50 and 2540 DPI");
  EXPECT_EQ(CheckResolution("-300", &r), "Resolution must be between 50 and 2540 DPI");
  EXPECT_EQ(CheckResolution("", &r), "Resolution must be a number.");
  EXPECT_EQ(CheckResolution("300.5", &r), "Resolution must be a number.");
  EXPECT_EQ(CheckResolution("99999999999999", &r), "Resolution must be a number.");
  EXPECT_EQ(r, 2540);  // refused values leave the last good one
}

// --- Whole exports ----------------------------------------------------------------------------

// A map with one area of a solid-fill symbol in pure cyan, spanning the given units.
struct ExportFixture : MapFixture {
  ExportFixture(int width, int height, int left = 0) {
    SymbolHeader& h = store.MutableColors();
    h.colorCount = 1;
    h.colors[0] = ColorRecord::NewColor(0, "Cyan");
    h.colors[0].cmyk = {200, 0, 0, 0};
    store.WriteSymbolHeader();
    SymbolRecord area = MakeSymbol(500, SymbolType::Area, 0, {0});
    AreaSymbol fill;
    fill.FillOn = 1;
    fill.FillColor = 0;
    fill.Encode(area);
    store.AppendSymbol(area);
    store.RewriteSymbolIndex();
    ObjectRecord o;
    o.symbol = 500;
    o.type = ObjectType::Area;
    o.coords = {Coord::FromUnits(left, 0), Coord::FromUnits(left + width, 0),
                Coord::FromUnits(left + width, height), Coord::FromUnits(left, height)};
    store.AddObject(o);
  }
};

TEST(BitmapExport, TooLargeABitmapIsRefusedWithoutWritingAFile) {
  ExportFixture f(300000, 1000, -150000);  // 3 m wide: 35433 pixels at 300 DPI
  const std::string out = f.dir.Path("big.bmp");
  EXPECT_EQ(ExportBitmap(f.store, {out, 300}, &f.sink), ExportResult::Refused);
  ASSERT_EQ(f.sink.errors.size(), 1u);
  EXPECT_EQ(f.sink.errors[0], "BMP Resolution is too high");
  EXPECT_FALSE(std::filesystem::exists(out));
  // The same sheet at a resolution that keeps within 32000 pixels is not refused for its size.
  EXPECT_EQ(BitmapSizeFor({-150000 * 256, 0, 150000 * 256, 1000 * 256}, 270).width, 31891);
}

TEST(BitmapExport, AFileOfMoreThan2GigabytesIsRefusedEvenWithinTheSideLimit) {
  // 2.6 m x 2 m at 300 DPI: 30709 x 23623 pixels, both under 32000, but 2.18 GB of pixels.
  ExportFixture f(260000, 200000, -130000);
  const std::string out = f.dir.Path("huge.bmp");
  EXPECT_EQ(ExportBitmap(f.store, {out, 300}, &f.sink), ExportResult::Refused);
  ASSERT_EQ(f.sink.errors.size(), 1u);
  EXPECT_EQ(f.sink.errors[0], "BMP Resolution is too high");
  EXPECT_FALSE(std::filesystem::exists(out));
  // At 280 DPI the file stays below 2^31 bytes; the size check lets it through.
  const BitmapSize ok = BitmapSizeFor({-130000 * 256, 0, 130000 * 256, 200000 * 256}, 280);
  EXPECT_LT((ok.width * 24 + 31) / 32 * 4 * ok.height + 54, int64_t{INT32_MAX});
}

TEST(BitmapExport, ResolutionOutsideTheRangeIsRefused) {
  ExportFixture f(1000, 1000);
  const std::string out = f.dir.Path("map.bmp");
  EXPECT_EQ(ExportBitmap(f.store, {out, 2541}, &f.sink), ExportResult::Refused);
  EXPECT_EQ(ExportBitmap(f.store, {out, 49}, &f.sink), ExportResult::Refused);
  ASSERT_EQ(f.sink.errors.size(), 2u);
  EXPECT_EQ(f.sink.errors[0], "Resolution must be between 50 and 2540 DPI");
  EXPECT_FALSE(std::filesystem::exists(out));
}

TEST(BitmapExport, AnEmptyMapWritesNothing) {
  MapFixture f;
  const std::string out = f.dir.Path("empty.bmp");
  EXPECT_EQ(ExportBitmap(f.store, {out, 300}, &f.sink), ExportResult::NoExtent);
  EXPECT_FALSE(std::filesystem::exists(out));
  EXPECT_TRUE(f.sink.errors.empty());
}

TEST(BitmapExport, WritesTheRenderedMapAsABmpOfTheExtent) {
  ExportFixture f(1000, 500);  // 10 mm x 5 mm: 119 x 60 pixels at 300 DPI
  const std::string out = f.dir.Path("map.bmp");
  ASSERT_EQ(ExportBitmap(f.store, {out, 300}, &f.sink), ExportResult::Written);
  const auto bytes = ReadAll(out);
  ASSERT_GE(bytes.size(), 54u);
  EXPECT_EQ(GetI32(&bytes[18]), 119);
  EXPECT_EQ(GetI32(&bytes[22]), 60);
  EXPECT_EQ(bytes.size(), 54u + BmpRowSize(24, 119) * 60);
  // The middle pixel is the fill's screen colour (0, 255, 255), stored blue, green, red.
  const size_t mid = 54 + BmpRowSize(24, 119) * 29 + 3 * 59;
  EXPECT_EQ(bytes[mid], 255);
  EXPECT_EQ(bytes[mid + 1], 255);
  EXPECT_EQ(bytes[mid + 2], 0);
  EXPECT_TRUE(NoTemporaryIn(f.dir.Path()));
}

TEST(BitmapExport, ANameEndingInPngWritesPng) {
  ExportFixture f(1000, 500);
  const std::string out = f.dir.Path("map.PNG");
  ASSERT_EQ(ExportBitmap(f.store, {out, 150}, &f.sink), ExportResult::Written);
  QImage image;
  ASSERT_TRUE(image.load(QString::fromStdString(out), "png"));
  EXPECT_EQ(image.width(), 60);
  EXPECT_EQ(image.height(), 31);
  EXPECT_EQ(image.pixel(29, 15), qRgb(0, 255, 255));
}

TEST(BitmapExport, AnAbortedDrawingWritesNoFile) {
  ExportFixture f(1000, 500);
  struct AbortAtOnce : NullProgress {
    bool AbortRequested() override { return true; }
  } progress;
  const std::string out = f.dir.Path("map.bmp");
  EXPECT_EQ(ExportBitmap(f.store, {out, 300}, &f.sink, &progress), ExportResult::Aborted);
  EXPECT_FALSE(std::filesystem::exists(out));
}

// A frame of hairlines (0.01 mm, black) around the given units: its box is the extent.
struct HairlineFrameFixture : MapFixture {
  HairlineFrameFixture(int left, int bottom, int right, int top) {
    SymbolHeader& h = store.MutableColors();
    h.colorCount = 1;
    h.colors[0] = ColorRecord::NewColor(0, "Black");
    h.colors[0].cmyk = {0, 0, 0, 200};
    store.WriteSymbolHeader();
    store.AppendSymbol(test::MakeLineSymbol(600, 0, 1, 0));  // black, 0.01 mm
    store.RewriteSymbolIndex();
    ObjectRecord o;
    o.symbol = 600;
    o.type = ObjectType::Line;
    o.coords = {Coord::FromUnits(left, bottom), Coord::FromUnits(right, bottom),
                Coord::FromUnits(right, top), Coord::FromUnits(left, top),
                Coord::FromUnits(left, bottom)};
    store.AddObject(o);
  }
};

TEST(BitmapExport, HairlinesOnEveryEdgeOfTheExtentAreDrawn) {
  for (int dpi : {100, 300, 600}) {
    HairlineFrameFixture f(0, 0, 1000, 500);
    const std::string out = f.dir.Path("frame.png");
    BitmapExportRequest request{out, dpi};
    request.antialiased = false;
    ASSERT_EQ(ExportBitmap(f.store, request, &f.sink), ExportResult::Written) << dpi;
    QImage image;
    ASSERT_TRUE(image.load(QString::fromStdString(out), "png"));
    const int w = image.width(), h = image.height();
    const int midX = w / 2, midY = h / 2;
    EXPECT_EQ(image.pixel(0, midY), qRgb(0, 0, 0)) << dpi << " left";
    EXPECT_EQ(image.pixel(w - 1, midY), qRgb(0, 0, 0)) << dpi << " right";
    EXPECT_EQ(image.pixel(midX, 0), qRgb(0, 0, 0)) << dpi << " top";
    EXPECT_EQ(image.pixel(midX, h - 1), qRgb(0, 0, 0)) << dpi << " bottom";
    EXPECT_EQ(image.pixel(midX, midY), qRgb(255, 255, 255)) << dpi;
  }
}

TEST(BitmapExport, AMapWhoseObjectsAllLieOutsideTheDrawableAreaSaysSoAndWritesNothing) {
  // 250000 map units from the origin, beyond the 200000 that can be drawn.
  ExportFixture f(1000, 500, 250000);
  for (const char* name : {"far.bmp", "far.png"}) {
    const std::string out = f.dir.Path(name);
    f.sink.errors.clear();
    EXPECT_EQ(ExportBitmap(f.store, {out, 300}, &f.sink), ExportResult::NothingToDraw) << name;
    ASSERT_EQ(f.sink.errors.size(), 1u);
    EXPECT_EQ(f.sink.errors[0], kNothingToDrawMessage);
    EXPECT_FALSE(std::filesystem::exists(out));
  }
  EXPECT_FALSE(DrawableExtent(f.store, nullptr));
}

TEST(BitmapExport, TheDrawableExtentLeavesOutObjectsBeyondTheDrawableArea) {
  ExportFixture f(1000, 500);  // drawable, at the origin
  ObjectRecord far;
  far.symbol = 500;
  far.type = ObjectType::Area;
  far.coords = {Coord::FromUnits(0, 250000), Coord::FromUnits(1000, 250000),
                Coord::FromUnits(1000, 251000)};
  f.store.AddObject(far);
  Box extent;
  ASSERT_TRUE(DrawableExtent(f.store, &extent));
  EXPECT_EQ(extent.top, 500 * 256);
  EXPECT_EQ(extent.right, 1000 * 256);
}

TEST(BitmapExport, PngIsSmoothWhenAskedAndBmpKeepsExactPixels) {
  ExportFixture f(1000, 500);
  ObjectRecord slant;  // a slanted edge shows antialiasing as in-between colours
  slant.symbol = 500;
  slant.type = ObjectType::Area;
  slant.coords = {Coord::FromUnits(0, 600), Coord::FromUnits(1000, 600), Coord::FromUnits(0, 900)};
  f.store.AddObject(slant);
  auto inBetween = [](const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) {
        const QRgb p = image.pixel(x, y);
        if (p != qRgb(255, 255, 255) && p != qRgb(0, 255, 255)) ++count;
      }
    return count;
  };
  const std::string smooth = f.dir.Path("smooth.png"), exact = f.dir.Path("exact.png");
  BitmapExportRequest request{smooth, 300};
  ASSERT_EQ(ExportBitmap(f.store, request, &f.sink), ExportResult::Written);
  request.path = exact;
  request.antialiased = false;
  ASSERT_EQ(ExportBitmap(f.store, request, &f.sink), ExportResult::Written);
  QImage a, b;
  ASSERT_TRUE(a.load(QString::fromStdString(smooth), "png"));
  ASSERT_TRUE(b.load(QString::fromStdString(exact), "png"));
  EXPECT_GT(inBetween(a), 0);
  EXPECT_EQ(inBetween(b), 0);
  // A BMP is never smoothed, whatever the request says.
  const std::string bmp = f.dir.Path("exact.bmp");
  request.path = bmp;
  request.antialiased = true;
  ASSERT_EQ(ExportBitmap(f.store, request, &f.sink), ExportResult::Written);
  QImage c;
  ASSERT_TRUE(c.load(QString::fromStdString(bmp), "bmp"));
  EXPECT_EQ(inBetween(c), 0);
}

}  // namespace
}  // namespace zelk
