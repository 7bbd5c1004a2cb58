// The graphics-device mode of the output primitives, drawing with a QPainter.
#pragma once

#include <QColor>
#include <QLine>
#include <QPen>
#include <QPoint>
#include <QRect>
#include <QVector>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "render/device_path.h"
#include "render/dot_stamps.h"
#include "render/output_device.h"

class QPainter;
class QColor;

namespace zelk {

class FontService;
class QtFontService;

// Draws on whatever the painter is open on: a QImage (bitmaps, tests), a widget or a printer.
// The output state's scales and origin map coordinate words to the painter's device units; the
// painter itself must have no world transform. Clips are undone when the device is destroyed.
class PainterDevice : public OutputDevice {
 public:
  static constexpr int32_t kMaxDeviceExtent = 30000;  // larger polygons are refused

  explicit PainterDevice(QPainter& painter, const OutputState& state = {});
  ~PainterDevice() override;

  // Smooth edges for the screen; off by default so that pixels are exactly predictable.
  void SetAntialiasing(bool on);
  // Characters are drawn with the glyphs of this service, the one the renderer measured them
  // with; it keeps their outlines and pictures between devices. Without one (or with a service
  // that has no outlines) the device keeps a service of its own.
  void SetFontService(FontService* fonts);
  // Unturned and turned characters of screen sizes are copied from pictures of their glyphs
  // where that gives the same pixels as filling their outlines (on images, without clips but
  // whole-pixel rectangles); on by default. Off, every character is filled.
  void SetGlyphImages(bool on) { glyphImages_ = on; }
  // Draws the one-pixel lines and small dots still collected; call before drawing on the
  // painter directly. The destructor flushes too.
  void FlushLines();
  // Dots, and circle lines where that gives the same pixels, are copied from images drawn once
  // per shape and colour. On by default when the painter draws into pixels (images, widgets);
  // printers and other vector surfaces keep their shapes.
  void SetStamping(bool on) { stamping_ = on; }
  bool CanStamp() const override { return stamping_; }
  // The painter records what a painter on `target` will be given (see PaintMapRegion):
  // stamping and glyph pictures are chosen for that device, not for the recording. `raster`:
  // the target's painter draws into pixels.
  void DrawsFor(const QPaintDevice* target, bool raster);

 protected:
  void ColorChanged() override;
  void DoStroke(std::span<const Coord> path, int32_t width, int style) override;
  bool DoFill(std::span<const Coord> path, int style) override;
  ClipResult DoClip(std::span<const Coord> path) override;
  void DoEndClip() override;
  void DoDot(const Coord& centre, int32_t diameter) override;
  void DoRing(const Coord& centre, int32_t lineWidth, int32_t diameter) override;
  void DoDrawCharacter(const CharacterSpec& character) override;

 private:
  QColor DrawColor() const;
  // Device pen width of a stroke, after the line width percentage of printers.
  int32_t StrokeWidth(int32_t width) const;
  // Selects a pen only when width, style or colour changed.
  void SelectPen(int32_t deviceWidth, int style);
  void SelectNoPen();
  // Both batches hold work of the current colour only; each is drawn with its own pen and brush,
  // whatever the painter was last given.
  void FlushDots();
  void FlushThinLines();
  void FillEllipse(int32_t x, int32_t y, int32_t w, int32_t h);
  // Copies the stamp of a shape whose rectangle's top left is at (left, top); false when the
  // shape is better drawn.
  bool Stamped(int32_t left, int32_t top, int32_t w, int32_t h, int32_t pen);
  // Smooth stamps blend otherwise than the shape where a clip edge cuts them: they are used
  // only where every clip of the device covers the whole stamp.
  bool InsideClips(const QRect& rect) const;

  QtFontService& Fonts();
  // The painter draws on an image in a way that glyph pictures reproduce (see SetGlyphImages).
  bool GlyphImagesApply();

  QPainter& painter_;
  QtFontService* fonts_ = nullptr;
  std::unique_ptr<QtFontService> ownFonts_;
  bool glyphImages_ = true;
  // The painter's own target and clip, looked at once on the first character.
  bool glyphTargetChecked_ = false;
  bool glyphTargetFits_ = false;
  // The device the drawing ends on; null for the painter's own.
  const QPaintDevice* target_ = nullptr;
  bool penValid_ = false;
  int32_t penWidth_ = 0;
  int penStyle_ = -1;
  Rgb penRgb_;
  // Reused between calls so that drawing does not allocate per primitive.
  std::vector<QPoint> run_;
  std::vector<QLine> lineBatch_;
  QColor lineColor_;  // of the collected one-pixel lines
  QPen thinPen_{QColor(), 0};
  std::vector<QRect> dotBatch_;
  QColor dotColor_;
  bool stamping_ = false;
  DotStamps stamps_;
  std::vector<DevicePolyline> clips_;  // the device polygon of each clip in force
  DevicePathScratch scratch_;
  DevicePolyline strokeRuns_;
  DevicePolyline fillPoly_;
  QVector<QPoint> polygon_;
};

}  // namespace zelk
