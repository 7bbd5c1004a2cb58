// A template image in memory: the scan at full size and its halved copies (a pyramid), drawn
// under the map at any view from the copy that fits the zoom.
#pragma once

#include <QImage>
#include <QTransform>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "render/template_fit.h"
#include "render/view_transform.h"

class QPainter;

namespace zelk {

class MessageSink;

// What a template file says of itself before it is read.
struct TemplateProbe {
  bool bmp = false;
  int width = 0;
  int height = 0;
  int bitCount = 0;           // BMP only
  int32_t pelsPerMeterX = 0;  // 0: the file states no resolution
  int32_t pelsPerMeterY = 0;
};

class TemplateImage {
 public:
  TemplateImage();
  ~TemplateImage();
  // Reads the header of a BMP file, or the size of a PNG, JPEG or TIFF file. Failures are shown
  // through the sink.
  static std::optional<TemplateProbe> Probe(const std::string& path, MessageSink& sink);

  // Reads the pixels. The resolution (pixels per metre) is the file's or the one given for a
  // file without. False after the failure has been shown.
  bool Load(const std::string& path, const TemplateProbe& probe, int32_t pelsPerMeterX,
            int32_t pelsPerMeterY, MessageSink& sink);
  // A ready image (tests, generated scans).
  void SetImage(QImage image, int32_t pelsPerMeterX, int32_t pelsPerMeterY);

  bool Loaded() const { return !levels_.empty(); }
  int Width() const { return levels_.empty() ? 0 : levels_[0].width(); }
  int Height() const { return levels_.empty() ? 0 : levels_[0].height(); }
  int32_t PelsPerMeterX() const { return pelsX_; }
  int32_t PelsPerMeterY() const { return pelsY_; }
  const QImage& Level(int n);
  // A BMP scan's rows are read when a view first needs them, or a few at a time after the
  // first picture; the file stays open until all are read.
  bool AllRowsRead() const { return !source_; }
  int LevelsBuilt() const { return static_cast<int>(levels_.size()); }
  // Makes every halved copy down to one that fits in 256 pixels.
  void BuildAllLevels();
  // Makes the next of those copies; false once all are made.
  bool BuildNextLevel();
  // Makes up to `rows` rows of the copy being made; false once all are made. Small steps keep
  // the program answering while a large scan's copies are made.
  bool BuildRows(int rows);

  // Template pixels (x right, y down, corners at whole numbers) to device pixels of the view.
  QTransform PixelToDevice(const ViewTransform& view, const TemplatePlacement& placement,
                           double mapScale) const;
  // The copy a view draws from: each of its pixels at least one device pixel wide.
  int LevelFor(const QTransform& pixelToDevice) const;
  // Draws the part of the template inside `paintRect`; dimmed shows it brighter.
  void Draw(QPainter& painter, const ViewTransform& view, const TemplatePlacement& placement,
            double mapScale, const QRect& paintRect, bool dimmed);

  // Dimmed, the template over white keeps this share of its darkness.
  static constexpr double kDimOpacity = 0.4;

 private:
  const QImage& EnsureLevel(int n);
  // Adds rows to the copy being made, the next level; false when there is none to make.
  bool GrowLevel(int rows);
  void EnsureRows(int top, int bottom);
  struct RowSource;
  std::unique_ptr<RowSource> source_;
  std::vector<uint8_t> rowRead_;
  int rowsRead_ = 0;
  int readCursor_ = 0;
  std::vector<QImage> levels_;
  QImage pending_;  // the next level while it is made
  int pendingRow_ = 0;
  int32_t pelsX_ = 0;
  int32_t pelsY_ = 0;
};

// Half the width and height (rounded up), each pixel the mean of the 2 x 2 it covers.
QImage HalveImage(const QImage& source);

}  // namespace zelk
