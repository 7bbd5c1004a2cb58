// Output primitives on a QPainter: pens, fills, hatch brushes, clips, discs, circles, glyphs.
#include <QColor>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QTransform>
#include <algorithm>
#include <cmath>
#include <numbers>

#include "render/device_path.h"
#include "render/font_service_qt.h"
#include "render/painter_device.h"

namespace zelk {

namespace {

QPainterPath RingsPath(const DevicePolyline& poly) {
  QPainterPath qp;
  qp.setFillRule(Qt::OddEvenFill);
  size_t start = 0;
  for (int length : poly.ringLengths) {
    const DevicePoint* p = poly.points.data() + start;
    qp.moveTo(p[0].x, p[0].y);
    for (int i = 1; i < length; ++i) qp.lineTo(p[i].x, p[i].y);
    qp.closeSubpath();
    start += length;
  }
  return qp;
}

enum class Placement { Draw, Invisible, TooLarge };

// Polygons lying wholly off the device are skipped. Very large ones, and ones reaching beyond
// the device range, would be distorted by rounding to device coordinates, so the caller is
// asked to split them; the test runs before rounding.
Placement PlacePolygon(const RealPolyline& poly, const DeviceRect& clip) {
  const RealBounds b = BoundsOf(poly);
  if (b.right < 0 || b.bottom < 0 || b.left > clip.right || b.top > clip.bottom) {
    return Placement::Invisible;
  }
  if (b.right - b.left > PainterDevice::kMaxDeviceExtent ||
      b.bottom - b.top > PainterDevice::kMaxDeviceExtent || b.left < kMinDevice ||
      b.top < kMinDevice || b.right > kMaxDevice || b.bottom > kMaxDevice) {
    return Placement::TooLarge;
  }
  return Placement::Draw;
}

Qt::BrushStyle HatchStyle(int passColor) {
  switch (((passColor % 4) + 4) % 4) {
    case 0:
      return Qt::HorPattern;
    case 1:
      return Qt::VerPattern;
    case 2:
      return Qt::FDiagPattern;
    default:
      return Qt::BDiagPattern;
  }
}

}  // namespace

PainterDevice::PainterDevice(QPainter& painter, const OutputState& state)
    : OutputDevice(state), painter_(painter) {
  painter_.setRenderHint(QPainter::Antialiasing, false);
  painter_.setBackgroundMode(Qt::TransparentMode);
  const QPaintEngine* engine = painter_.paintEngine();
  stamping_ = engine && engine->type() == QPaintEngine::Raster;
}

PainterDevice::~PainterDevice() {
  FlushLines();
  while (ClipDepth() > 0) EndClip();
}

void PainterDevice::DrawsFor(const QPaintDevice* target, bool raster) {
  target_ = target;
  stamping_ = raster;
}

void PainterDevice::FlushLines() {
  FlushDots();
  FlushThinLines();
}

void PainterDevice::FlushDots() {
  if (dotBatch_.empty()) return;
  painter_.setPen(Qt::NoPen);
  painter_.setBrush(dotColor_);
  painter_.drawRects(dotBatch_.data(), static_cast<int>(dotBatch_.size()));
  painter_.setBrush(Qt::NoBrush);
  dotBatch_.clear();
  penValid_ = false;
}

void PainterDevice::FlushThinLines() {
  if (lineBatch_.empty()) return;
  // The painter's pen may have changed since the lines were collected (dots, fills, glyphs):
  // they carry their own.
  if (thinPen_.color() != lineColor_) thinPen_.setColor(lineColor_);
  painter_.setPen(thinPen_);
  painter_.drawLines(lineBatch_.data(), static_cast<int>(lineBatch_.size()));
  lineBatch_.clear();
  penValid_ = false;
}

void PainterDevice::SetAntialiasing(bool on) {
  painter_.setRenderHint(QPainter::Antialiasing, on);
}

QColor PainterDevice::DrawColor() const {
  Rgb c = State().DrawRgb();
  return QColor(c.r, c.g, c.b);
}

void PainterDevice::ColorChanged() {
  FlushLines();
  penValid_ = false;
}

int32_t PainterDevice::StrokeWidth(int32_t width) const {
  const OutputState& s = State();
  int32_t f = RoundToDevice(width * s.scaleX * 256.0);
  if (!s.screen && s.lineWidthPercentage >= 10 && s.lineWidthPercentage <= 99) {
    f = RoundToDevice(f * s.lineWidthPercentage / 100.0);
  }
  return std::max(f, 1);
}

void PainterDevice::SelectPen(int32_t deviceWidth, int style) {
  Rgb rgb = State().DrawRgb();
  if (penValid_ && penWidth_ == deviceWidth && penStyle_ == style && penRgb_ == rgb) return;
  FlushLines();
  painter_.setPen(DevicePen(deviceWidth, style, DrawColor()));
  painter_.setBrush(Qt::NoBrush);
  penValid_ = true;
  penWidth_ = deviceWidth;
  penStyle_ = style;
  penRgb_ = rgb;
}

void PainterDevice::SelectNoPen() {
  FlushLines();
  painter_.setPen(Qt::NoPen);
  penValid_ = false;
}

void PainterDevice::DoStroke(std::span<const Coord> path, int32_t width, int style) {
  const OutputState& s = State();
  const int32_t f = StrokeWidth(width);
  // Curves are flattened to a few device pixels whatever the pen: a thick line shows its
  // facets as plainly as a thin one.
  ToRealPolyline(path, s, s.curveTolerance, scratch_.flat, &scratch_.real);
  const RealPolyline& poly = scratch_.real;
  DeviceRect rect = DeviceClipRect(s);
  // Ends cut off at the enlarged rectangle lie a pen width away from what is seen.
  const int64_t reach = int64_t{f} + 2;
  auto clamp = [](int64_t v) {
    return static_cast<int32_t>(std::clamp<int64_t>(v, kMinDevice, kMaxDevice));
  };
  rect = {clamp(rect.left - reach), clamp(rect.top - reach), clamp(rect.right + reach),
          clamp(rect.bottom + reach)};
  const bool thin = f <= 1;
  if (thin) {
    // Collected beside the dots: both are of the current colour, so their order cannot show.
    if (lineBatch_.empty()) lineColor_ = DrawColor();
  } else {
    FlushLines();
    SelectPen(f, style);
  }
  size_t start = 0;
  for (int length : poly.ringLengths) {
    std::span<const RealPoint> ring(poly.points.data() + start, static_cast<size_t>(length));
    start += static_cast<size_t>(length);
    if (length < 2) continue;
    ClipToRuns(ring, rect, &strokeRuns_);
    size_t at = 0;
    for (int count : strokeRuns_.ringLengths) {
      const DevicePoint* p = strokeRuns_.points.data() + at;
      at += static_cast<size_t>(count);
      if (thin) {
        // One-pixel lines have no visible joins or caps: their segments are collected and
        // drawn in one call when the colour changes or anything else is drawn.
        for (int i = 0; i + 1 < count; ++i)
          lineBatch_.emplace_back(p[i].x, p[i].y, p[i + 1].x, p[i + 1].y);
        continue;
      }
      if (count == 2) {
        // A single segment goes to the line rasterizer without building a polyline.
        painter_.drawLine(QPoint(p[0].x, p[0].y), QPoint(p[1].x, p[1].y));
        continue;
      }
      run_.clear();
      for (int i = 0; i < count; ++i) run_.emplace_back(p[i].x, p[i].y);
      painter_.drawPolyline(run_.data(), static_cast<int>(run_.size()));
    }
  }
}

bool PainterDevice::DoFill(std::span<const Coord> path, int style) {
  FlushLines();
  const OutputState& s = State();
  ToRealPolyline(path, s, s.curveTolerance, scratch_.flat, &scratch_.real);
  switch (PlacePolygon(scratch_.real, DeviceClipRect(s))) {
    case Placement::Invisible:
      return true;
    case Placement::TooLarge:
      return false;
    case Placement::Draw:
      break;
  }
  DevicePolyline& poly = fillPoly_;
  RoundPolyline(scratch_.real, &poly);
  CloseRings(poly);
  if (poly.points.size() < 4) return true;
  SelectNoPen();
  if (style == kFillHatched) {
    int shift = ((s.passColor / 4) % 8 + 8) % 8;
    painter_.setBrushOrigin((s.passColor & 1) ? QPoint(shift, 0) : QPoint(0, shift));
    painter_.fillPath(RingsPath(poly), QBrush(DrawColor(), HatchStyle(s.passColor)));
    painter_.setBrushOrigin(0, 0);
  } else if (poly.ringLengths.size() == 1) {
    // One ring: a plain polygon, much cheaper for the raster engine than a painter path.
    painter_.setBrush(DrawColor());
    polygon_.resize(static_cast<qsizetype>(poly.points.size()));
    for (size_t i = 0; i < poly.points.size(); ++i)
      polygon_[static_cast<qsizetype>(i)] = QPoint(poly.points[i].x, poly.points[i].y);
    painter_.drawPolygon(polygon_.constData(), static_cast<int>(polygon_.size()), Qt::OddEvenFill);
    painter_.setBrush(Qt::NoBrush);
  } else {
    painter_.fillPath(RingsPath(poly), QBrush(DrawColor()));
  }
  return true;
}

ClipResult PainterDevice::DoClip(std::span<const Coord> path) {
  FlushLines();
  const OutputState& s = State();
  ToRealPolyline(path, s, s.curveTolerance, scratch_.flat, &scratch_.real);
  switch (PlacePolygon(scratch_.real, DeviceClipRect(s))) {
    case Placement::Invisible:
      return ClipResult::NothingVisible;
    case Placement::TooLarge:
      return ClipResult::Refused;
    case Placement::Draw:
      break;
  }
  DevicePolyline poly;
  RoundPolyline(scratch_.real, &poly);
  CloseRings(poly);
  if (poly.points.size() < 4) return ClipResult::NothingVisible;
  painter_.save();
  painter_.setClipPath(RingsPath(poly), Qt::IntersectClip);
  clips_.push_back(std::move(poly));
  return ClipResult::Clipped;
}

void PainterDevice::DoEndClip() {
  FlushLines();
  painter_.restore();
  if (!clips_.empty()) clips_.pop_back();
  penValid_ = false;
}

void PainterDevice::FillEllipse(int32_t x, int32_t y, int32_t w, int32_t h) {
  // A disc of one or two pixels is its bounding square; filling that skips the ellipse
  // rasterizer, which dominates maps with dense dot structures.
  if (w <= 2 && h <= 2) {
    // Collected like one-pixel lines and filled in one call.
    if (dotBatch_.empty()) dotColor_ = DrawColor();  // the colour may change before the flush
    dotBatch_.emplace_back(x - w / 2, y - h / 2, w, h);
    return;
  }
  if (Stamped(x - w / 2, y - h / 2, w, h, 0)) return;
  SelectNoPen();
  PaintDisc(painter_, QRect(x - w / 2, y - h / 2, w, h), DrawColor());
}

bool PainterDevice::Stamped(int32_t left, int32_t top, int32_t w, int32_t h, int32_t pen) {
  if (!stamping_) return false;
  const bool smooth = painter_.testRenderHint(QPainter::Antialiasing);
  const Rgb c = State().DrawRgb();
  const StampShape shape{w, h, pen, qRgb(c.r, c.g, c.b), smooth};
  if (!DotStamps::Stampable(shape)) return false;
  const Stamp& stamp = stamps_.Get(shape);
  const QPoint at(left + stamp.offset.x(), top + stamp.offset.y());
  if (smooth && !clips_.empty() && !InsideClips(QRect(at, stamp.image.size()))) return false;
  // Whatever was collected lies under the stamp, as it would under the shape.
  FlushLines();
  if (!stamp.image.isNull()) painter_.drawImage(at, stamp.image);
  return true;
}

namespace {

// Whether the segment a-b meets the closed rectangle r.
bool SegmentMeetsRect(const DevicePoint& a, const DevicePoint& b, const QRect& r) {
  const int64_t l = r.left(), t = r.top(), rt = int64_t{r.left()} + r.width(),
                bt = int64_t{r.top()} + r.height();
  if (std::max(a.x, b.x) < l || std::min(a.x, b.x) > rt || std::max(a.y, b.y) < t ||
      std::min(a.y, b.y) > bt) {
    return false;
  }
  // The corners on both sides of the line (or one on it): the segment crosses the rectangle.
  const int64_t dx = int64_t{b.x} - a.x, dy = int64_t{b.y} - a.y;
  auto side = [&](int64_t x, int64_t y) { return dx * (y - a.y) - dy * (x - a.x); };
  const int64_t s[4] = {side(l, t), side(rt, t), side(l, bt), side(rt, bt)};
  const bool anyPositive = s[0] > 0 || s[1] > 0 || s[2] > 0 || s[3] > 0;
  const bool anyNegative = s[0] < 0 || s[1] < 0 || s[2] < 0 || s[3] < 0;
  return !(anyPositive && !anyNegative) && !(anyNegative && !anyPositive);
}

// Even-odd inside test of the point (x, y) in real device units.
bool InsideRings(const DevicePolyline& poly, double x, double y) {
  bool inside = false;
  size_t start = 0;
  for (int length : poly.ringLengths) {
    const DevicePoint* p = poly.points.data() + start;
    start += static_cast<size_t>(length);
    for (int i = 0, j = length - 1; i < length; j = i++) {
      if ((p[i].y > y) != (p[j].y > y) &&
          x < p[j].x + (y - p[j].y) * double(p[i].x - p[j].x) / double(p[i].y - p[j].y)) {
        inside = !inside;
      }
    }
  }
  return inside;
}

}  // namespace

bool PainterDevice::InsideClips(const QRect& rect) const {
  // A pixel on the clip's edge is partly covered: keep a pixel away from every edge.
  const QRect reach = rect.adjusted(-1, -1, 1, 1);
  for (const DevicePolyline& clip : clips_) {
    size_t start = 0;
    for (int length : clip.ringLengths) {
      const DevicePoint* p = clip.points.data() + start;
      start += static_cast<size_t>(length);
      for (int i = 0; i + 1 < length; ++i)
        if (SegmentMeetsRect(p[i], p[i + 1], reach)) return false;
    }
    if (!InsideRings(clip, rect.x() + rect.width() / 2.0, rect.y() + rect.height() / 2.0))
      return false;
  }
  return true;
}

void PainterDevice::DoDot(const Coord& centre, int32_t diameter) {
  const OutputState& s = State();
  DevicePoint c = ToDevice(s, centre);
  int32_t w = RoundToDevice(std::abs(diameter * s.scaleX * 256.0));
  int32_t h = RoundToDevice(std::abs(diameter * s.scaleY * 256.0));
  if (w <= 0 || h <= 0) return;
  FillEllipse(c.x, c.y, w, h);
}

void PainterDevice::DoRing(const Coord& centre, int32_t lineWidth, int32_t diameter) {
  FlushLines();
  const OutputState& s = State();
  DevicePoint c = ToDevice(s, centre);
  int32_t w = RoundToDevice(std::abs(diameter * s.scaleX * 256.0));
  int32_t h = RoundToDevice(std::abs(diameter * s.scaleY * 256.0));
  if (w <= 0 || h <= 0) return;
  int32_t p = std::max(RoundToDevice(std::abs(lineWidth * s.scaleX * 256.0)), 1);
  if (2 * p >= std::min(w, h)) {
    FillEllipse(c.x, c.y, w, h);
    return;
  }
  if (Stamped(c.x - w / 2, c.y - h / 2, w, h, p)) return;
  SelectPen(p, kStyleFlatBevel);
  PaintCircleLine(painter_, QRect(c.x - w / 2, c.y - h / 2, w, h), p, DrawColor());
}

QtFontService& PainterDevice::Fonts() {
  if (fonts_) return *fonts_;
  if (!ownFonts_) ownFonts_ = std::make_unique<QtFontService>();
  return *ownFonts_;
}

void PainterDevice::SetFontService(FontService* fonts) {
  fonts_ = dynamic_cast<QtFontService*>(fonts);
}

bool PainterDevice::GlyphImagesApply() {
  if (!glyphImages_ || ClipDepth() > 0) return false;
  if (glyphTargetChecked_) return glyphTargetFits_;
  glyphTargetChecked_ = true;
  const QPaintDevice* target = target_ ? target_ : painter_.device();
  if (!target || target->devType() != QInternal::Image) return false;
  const QImage::Format format = static_cast<const QImage*>(target)->format();
  if (format != QImage::Format_RGB32 && format != QImage::Format_ARGB32_Premultiplied) return false;
  if (painter_.compositionMode() != QPainter::CompositionMode_SourceOver ||
      painter_.opacity() != 1.0 || !painter_.worldTransform().isIdentity())
    return false;
  if (painter_.hasClipping()) {
    // A whole-pixel rectangle cuts pictures and fills alike; any other clip blends its edges.
    const QRectF bounds = painter_.clipBoundingRect();
    if (bounds != QRectF(bounds.toAlignedRect()) || painter_.clipRegion().rectCount() != 1)
      return false;
  }
  glyphTargetFits_ = true;
  return true;
}

void PainterDevice::DoDrawCharacter(const CharacterSpec& ch) {
  FlushLines();
  const OutputState& s = State();
  if (!DrawableCharacter(ch.character)) return;
  const double sx = s.scaleX * 256.0;  // device units per map unit
  const double sy = s.scaleY * 256.0;
  const double height = ch.HeightUnits();
  const double deviceHeight = height * std::abs(sy);
  if (!std::isfinite(deviceHeight) || deviceHeight > 32767.0) return;
  // Characters far outside the device would only cost time (and overflow device coordinates).
  const DevicePoint at = ToDevice(s, ch.position);
  const DeviceRect clip = DeviceClipRect(s);
  const double reach = std::max(deviceHeight, height * std::abs(sx)) * 2;
  if (at.x + reach < clip.left || at.x - reach > clip.right || at.y + reach < clip.top ||
      at.y - reach > clip.bottom) {
    return;
  }

  QtFontService& fonts = Fonts();
  QtFontService::Face* face = fonts.FaceFor(ch.fontName, ch.weight, ch.italic);

  // Glyph units (y down) -> map units (y up), turned counter-clockwise on the map, -> device.
  const double k = height / QtFontService::kReferenceSize;
  const double a = ch.angle * std::numbers::pi / 1800.0;
  const double cs = std::cos(a), sn = std::sin(a);
  QTransform t(sx * cs * k, sy * sn * k, sx * sn * k, -sy * cs * k, at.x, at.y);
  const QColor color = DrawColor();
  if (GlyphImagesApply()) {
    const GlyphImageKey key{
        face,    ch.character, t.m11(),     t.m12(),
        t.m21(), t.m22(),      color.rgb(), painter_.testRenderHint(QPainter::Antialiasing)};
    QPoint offset;
    const QImage* picture =
        fonts.GlyphImages().Find(key, &offset, [&] { return fonts.GlyphPath(face, ch.character); });
    if (picture) {
      painter_.drawImage(QPoint(at.x + offset.x(), at.y + offset.y()), *picture);
      return;
    }
  }
  const QPainterPath glyph = fonts.GlyphPath(face, ch.character);
  if (glyph.isEmpty()) return;
  SelectNoPen();
  // The painter transforms the cached outline itself: no copy of the path per character.
  painter_.setTransform(t);
  painter_.fillPath(glyph, color);
  painter_.resetTransform();
}

}  // namespace zelk
