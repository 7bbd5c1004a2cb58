// Bitmap export: renders the map into a QImage through the graphics-device mode and writes it.
#include <QtCore/QSaveFile>
#include <QtGui/QImage>
#include <QtGui/QImageWriter>
#include <QtGui/QPainter>
#include <algorithm>
#include <cctype>
#include <cmath>
#include <memory>

#include "output/bitmap_export.h"
#include "output/bmp_file.h"
#include "render/font_service_qt.h"
#include "render/map_drawing.h"
#include "render/map_painting.h"
#include "render/painter_device.h"
#include "render/view_transform.h"

namespace zelk {

BitmapSize BitmapSizeFor(const Box& extent, int resolution) {
  // Map coordinates div 256 give 0.01 mm; the side in pixels is resolution * side / 2540, and
  // one pixel more holds the far edge.
  const auto side = [&](int32_t low, int32_t high) {
    const int64_t units = static_cast<int64_t>(high >> 8) - static_cast<int64_t>(low >> 8);
    const double pixels =
        std::nearbyint(resolution * static_cast<double>(units) / double(kUnitsPerInch));
    return std::max<int64_t>(0, std::llround(pixels)) + 1;
  };
  return {side(extent.left, extent.right), side(extent.bottom, extent.top)};
}

bool DrawableExtent(const MapStore& store, Box* extent) {
  constexpr int32_t kLimit = 51200000;  // 200000 map units as coordinate words
  const Box area{-kLimit, -kLimit, kLimit, kLimit};
  bool any = false;
  Box r;
  for (int i = 0; i < store.BlockCount(); ++i) {
    const IndexBlockCache& block = store.Block(i);
    if (block.liveCount == 0) continue;
    for (const IndexEntry& e : block.entries) {
      if (e.symbol == 0 || !e.Used()) continue;
      const Box& b = e.box;
      if (b.right < area.left || b.left > area.right || b.top < area.bottom || b.bottom > area.top)
        continue;
      const Box cut{std::max(b.left, area.left), std::max(b.bottom, area.bottom),
                    std::min(b.right, area.right), std::min(b.top, area.top)};
      if (any) {
        r.Unite(cut);
      } else {
        r = cut;
      }
      any = true;
    }
  }
  if (any && extent) *extent = r;
  return any;
}

std::string CheckResolution(const std::string& text, int* resolution) {
  size_t start = 0, end = text.size();
  while (start < end && std::isspace(static_cast<unsigned char>(text[start]))) ++start;
  while (end > start && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
  const std::string t = text.substr(start, end - start);
  size_t digitsFrom = (!t.empty() && (t[0] == '+' || t[0] == '-')) ? 1 : 0;
  const bool integer = t.size() > digitsFrom && t.size() - digitsFrom <= 9 &&
                       std::all_of(t.begin() + static_cast<std::ptrdiff_t>(digitsFrom), t.end(),
                                   [](char c) { return c >= '0' && c <= '9'; });
  if (!integer) return ComposeMessage(";must be a number.", "Resolution");
  const int value = std::stoi(t);
  if (value < kMinExportResolution || value > kMaxExportResolution)
    return ComposeMessage(";must be between;and",
                          "Resolution;" + std::to_string(kMinExportResolution) + ";" +
                              std::to_string(kMaxExportResolution) + " DPI");
  if (resolution) *resolution = value;
  return {};
}

namespace {

// Counts drawn objects for the progress display and turns its abort request into the
// renderer's input test.
class DrawingProgress {
 public:
  explicit DrawingProgress(Progress* p) : progress_(p) {}
  bool AbortRequested() const { return progress_ && progress_->AbortRequested(); }
  void Drawn(int64_t n) {
    if (progress_) progress_->Step(static_cast<int32_t>(std::min<int64_t>(n, INT32_MAX)), 0);
  }

 private:
  Progress* progress_;
};

bool EndsWithPng(const std::string& path) {
  if (path.size() < 4) return false;
  std::string tail = path.substr(path.size() - 4);
  std::transform(tail.begin(), tail.end(), tail.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return tail == ".png";
}

bool WritePng(const std::string& path, const QImage& image, MessageSink* sink) {
  // QSaveFile writes beside the target and renames only on commit.
  QSaveFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::WriteOnly)) {
    if (sink) sink->Error(ComposeMessage("Cannot create", path));
    return false;
  }
  QImageWriter writer(&file, "png");
  if (!writer.write(image) || !file.commit()) {
    file.cancelWriting();
    if (sink) sink->Error(ComposeMessage("Cannot write to", path));
    return false;
  }
  return true;
}

}  // namespace

bool RenderMapImage(MapStore& store, const Box& extent, int resolution, FontService& fonts,
                    QImage& image, Progress* progress, bool antialiased) {
  image.fill(Qt::white);
  QPainter painter(&image);
  OutputState state;
  state.screen = false;
  SetResolutionTransform(state, resolution, 1.0, extent.left & kPosMask, extent.top & kPosMask);
  state.clipRectangle = extent;
  MapPainting how;
  how.state = state;
  how.antialiased = antialiased;
  // Glyphs are drawn from the fonts the texts were measured with.
  how.fonts = &fonts;
  DrawingProgress counter(progress);
  RenderScratch scratch;
  how.inputWaiting = [&counter] { return counter.AbortRequested(); };
  MapDrawingOptions options;
  options.objectDrawn = [&counter](int64_t n) { counter.Drawn(n); };
  return PaintMapRegion(store, painter, how, extent, scratch, options).completed;
}

ExportResult ExportBitmap(MapStore& store, const BitmapExportRequest& request, MessageSink* sink,
                          Progress* progress) {
  if (request.resolution < kMinExportResolution || request.resolution > kMaxExportResolution) {
    if (sink) sink->Error(CheckResolution(std::to_string(request.resolution), nullptr));
    return ExportResult::Refused;
  }
  Box extent;
  if (!store.MapExtent(&extent)) return ExportResult::NoExtent;
  if (!DrawableExtent(store, &extent)) {
    if (sink) sink->Error(kNothingToDrawMessage);
    return ExportResult::NothingToDraw;
  }
  const BitmapSize size = BitmapSizeFor(extent, request.resolution);
  // A side of no pixels, more than 32000 pixels, or a file past 2^31 bytes is refused.
  const int64_t fileBytes = (size.width * 24 + 31) / 32 * 4 * size.height + 54;
  if (size.width < 1 || size.height < 1 || size.width > kMaxBitmapSide ||
      size.height > kMaxBitmapSide || fileBytes > INT32_MAX) {
    if (sink) sink->Error("BMP Resolution is too high");
    return ExportResult::Refused;
  }
  QImage image(static_cast<int>(size.width), static_cast<int>(size.height), QImage::Format_RGB32);
  if (image.isNull()) {
    if (sink) sink->Error("Windows cannot create bitmap");
    return ExportResult::Failed;
  }
  std::unique_ptr<QtFontService> systemFonts;
  FontService* fonts = request.fonts;
  if (!fonts) fonts = (systemFonts = std::make_unique<QtFontService>()).get();
  const bool png = EndsWithPng(request.path);
  if (progress) progress->Start(";objects drawn.", store.LiveObjectCount(), 50, true);
  const bool completed = RenderMapImage(store, extent, request.resolution, *fonts, image, progress,
                                        png && request.antialiased);
  if (progress) progress->End();
  if (!completed) return ExportResult::Aborted;

  if (png) {
    return WritePng(request.path, image, sink) ? ExportResult::Written : ExportResult::Failed;
  }
  return WriteImageAsBmp(request.path, image, request.resolution, sink, progress)
             ? ExportResult::Written
             : ExportResult::Failed;
}

bool WriteImageAsBmp(const std::string& path, const QImage& image, int resolution,
                     MessageSink* sink, Progress* progress) {
  const QImage pixels =
      image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32
          ? image
          : image.convertToFormat(QImage::Format_RGB32);
  // The image is asked for its size once and for each row once; the pixels are read straight.
  const int width = pixels.width();
  const BmpRowSource rows = [&pixels, width](int y, uint8_t* bgr) {
    const auto* line = reinterpret_cast<const QRgb*>(pixels.constScanLine(y));
    for (int x = 0; x < width; ++x, bgr += 3) {
      const QRgb p = line[x];
      bgr[0] = static_cast<uint8_t>(qBlue(p));
      bgr[1] = static_cast<uint8_t>(qGreen(p));
      bgr[2] = static_cast<uint8_t>(qRed(p));
    }
  };
  return WriteBmp24(path, width, pixels.height(), resolution, rows, sink, progress);
}

}  // namespace zelk
