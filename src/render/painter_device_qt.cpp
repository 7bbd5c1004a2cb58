// Output primitives on a QPainter: pens, fills, hatch brushes, clips, discs, circles, glyphs.
#include "render/painter_device.h"

#include <QColor>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QTransform>
#include <algorithm>
#include <cmath>
#include <numbers>

#include "render/device_path.h"
#include "render/font_service_qt.h"

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

DeviceRect Bounds(const DevicePolyline& poly) {
  DeviceRect r{poly.points[0].x, poly.points[0].y, poly.points[0].x, poly.points[0].y};
  for (const DevicePoint& p : poly.points) {
    r.left = std::min(r.left, p.x);
    r.right = std::max(r.right, p.x);
    r.top = std::min(r.top, p.y);
    r.bottom = std::max(r.bottom, p.y);
  }
  return r;
}

enum class Placement { Draw, Invisible, TooLarge };

// Polygons lying wholly off the device are skipped; very large ones would be distorted by the
// clamping of device coordinates, so the caller is asked to split them.
Placement PlacePolygon(const DevicePolyline& poly, const DeviceRect& clip) {
  DeviceRect b = Bounds(poly);
  if (b.right < 0 || b.bottom < 0 || b.left > clip.right || b.top > clip.bottom) {
    return Placement::Invisible;
  }
  if (b.right - b.left > PainterDevice::kMaxDeviceExtent ||
      b.bottom - b.top > PainterDevice::kMaxDeviceExtent) {
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
}

PainterDevice::~PainterDevice() {
  while (ClipDepth() > 0) EndClip();
}

void PainterDevice::SetAntialiasing(bool on) {
  painter_.setRenderHint(QPainter::Antialiasing, on);
}

QColor PainterDevice::DrawColor() const {
  Rgb c = State().DrawRgb();
  return QColor(c.r, c.g, c.b);
}

void PainterDevice::ColorChanged() {
  penValid_ = false;
}

int32_t PainterDevice::StrokeWidth(int32_t width) const {
  const OutputState& s = State();
  int32_t f = DeviceRound(width * s.scaleX * 256.0);
  if (!s.screen && s.lineWidthPercentage >= 10 && s.lineWidthPercentage <= 99) {
    f = DeviceRound(f * s.lineWidthPercentage / 100.0);
  }
  return std::max(f, 1);
}

void PainterDevice::SelectPen(int32_t deviceWidth, int style) {
  Rgb rgb = State().DrawRgb();
  if (penValid_ && penWidth_ == deviceWidth && penStyle_ == style && penRgb_ == rgb) return;
  QPen pen(DrawColor());
  pen.setWidth(deviceWidth);
  pen.setCapStyle(style == kStyleRound ? Qt::RoundCap : Qt::FlatCap);
  pen.setJoinStyle(style == kStyleRound       ? Qt::RoundJoin
                   : style == kStyleFlatMitre ? Qt::SvgMiterJoin
                                              : Qt::BevelJoin);
  // Sharp corners bevel beyond ten line widths of mitre, as on printers.
  pen.setMiterLimit(5);
  painter_.setPen(pen);
  painter_.setBrush(Qt::NoBrush);
  penValid_ = true;
  penWidth_ = deviceWidth;
  penStyle_ = style;
  penRgb_ = rgb;
}

void PainterDevice::SelectNoPen() {
  painter_.setPen(Qt::NoPen);
  penValid_ = false;
}

void PainterDevice::DoStroke(std::span<const Coord> path, int32_t width, int style) {
  const OutputState& s = State();
  const int32_t f = StrokeWidth(width);
  // The flattening tolerance follows the pen: a thick line hides finer detail.
  const double tolerance = std::max<double>(s.curveTolerance, f / (s.scaleX * 256.0));
  DevicePolyline poly = ToDevicePolyline(path, s, tolerance);
  DeviceRect rect = DeviceClipRect(s);
  rect = {rect.left - f, rect.top - f, rect.right + f, rect.bottom + f};
  SelectPen(f, style);
  std::vector<QPoint> run;
  size_t start = 0;
  for (int length : poly.ringLengths) {
    std::span<const DevicePoint> ring(poly.points.data() + start, length);
    start += length;
    if (length < 2) continue;
    for (auto [first, last] : VisibleRuns(ring, rect)) {
      run.clear();
      for (int i = first; i <= last; ++i) run.emplace_back(ring[i].x, ring[i].y);
      painter_.drawPolyline(run.data(), static_cast<int>(run.size()));
    }
  }
}

bool PainterDevice::DoFill(std::span<const Coord> path, int style) {
  const OutputState& s = State();
  DevicePolyline poly = ToDevicePolyline(path, s, s.curveTolerance);
  CloseRings(poly);
  if (poly.points.size() < 4) return true;
  switch (PlacePolygon(poly, DeviceClipRect(s))) {
    case Placement::Invisible:
      return true;
    case Placement::TooLarge:
      return false;
    case Placement::Draw:
      break;
  }
  SelectNoPen();
  if (style == kFillHatched) {
    int shift = ((s.passColor / 4) % 8 + 8) % 8;
    painter_.setBrushOrigin((s.passColor & 1) ? QPoint(shift, 0) : QPoint(0, shift));
    painter_.fillPath(RingsPath(poly), QBrush(DrawColor(), HatchStyle(s.passColor)));
    painter_.setBrushOrigin(0, 0);
  } else {
    painter_.fillPath(RingsPath(poly), QBrush(DrawColor()));
  }
  return true;
}

ClipResult PainterDevice::DoClip(std::span<const Coord> path) {
  const OutputState& s = State();
  DevicePolyline poly = ToDevicePolyline(path, s, s.curveTolerance);
  CloseRings(poly);
  if (poly.points.size() < 4) return ClipResult::NothingVisible;
  switch (PlacePolygon(poly, DeviceClipRect(s))) {
    case Placement::Invisible:
      return ClipResult::NothingVisible;
    case Placement::TooLarge:
      return ClipResult::Refused;
    case Placement::Draw:
      break;
  }
  painter_.save();
  painter_.setClipPath(RingsPath(poly), Qt::IntersectClip);
  return ClipResult::Clipped;
}

void PainterDevice::DoEndClip() {
  painter_.restore();
  penValid_ = false;
}

void PainterDevice::FillEllipse(int32_t x, int32_t y, int32_t w, int32_t h) {
  SelectNoPen();
  painter_.setBrush(DrawColor());
  painter_.drawEllipse(QRectF(x - w / 2, y - h / 2, w, h));
  painter_.setBrush(Qt::NoBrush);
}

void PainterDevice::DoDot(const Coord& centre, int32_t diameter) {
  const OutputState& s = State();
  DevicePoint c = ToDevice(s, centre);
  int32_t w = DeviceRound(std::abs(diameter * s.scaleX * 256.0));
  int32_t h = DeviceRound(std::abs(diameter * s.scaleY * 256.0));
  if (w <= 0 || h <= 0) return;
  FillEllipse(c.x, c.y, w, h);
}

void PainterDevice::DoRing(const Coord& centre, int32_t lineWidth, int32_t diameter) {
  const OutputState& s = State();
  DevicePoint c = ToDevice(s, centre);
  int32_t w = DeviceRound(std::abs(diameter * s.scaleX * 256.0));
  int32_t h = DeviceRound(std::abs(diameter * s.scaleY * 256.0));
  if (w <= 0 || h <= 0) return;
  int32_t p = std::max(DeviceRound(std::abs(lineWidth * s.scaleX * 256.0)), 1);
  if (2 * p >= std::min(w, h)) {
    FillEllipse(c.x, c.y, w, h);
    return;
  }
  // The line lies inside the outer diameter: its centre runs half a pen width further in.
  SelectPen(p, kStyleFlatBevel);
  double half = p / 2.0;
  painter_.drawEllipse(QRectF(c.x - w / 2 + half, c.y - h / 2 + half, w - p, h - p));
}

QtFontService& PainterDevice::Fonts() {
  if (fonts_) return *fonts_;
  if (!ownFonts_) ownFonts_ = std::make_unique<QtFontService>();
  return *ownFonts_;
}

void PainterDevice::DoDrawCharacter(const CharacterSpec& ch) {
  const OutputState& s = State();
  if (ch.character < 32 || ch.character > 0x10FFFF ||
      (ch.character >= 0xD800 && ch.character <= 0xDFFF)) {
    return;
  }
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

  const QPainterPath& glyph = Fonts().GlyphPath(ch.fontName, ch.weight, ch.italic, ch.character);
  if (glyph.isEmpty()) return;

  // Glyph units (y down) -> map units (y up), turned counter-clockwise on the map, -> device.
  const double k = height / QtFontService::kReferenceSize;
  const double a = ch.angle * std::numbers::pi / 1800.0;
  const double cs = std::cos(a), sn = std::sin(a);
  QTransform t(sx * cs * k, sy * sn * k, sx * sn * k, -sy * cs * k, at.x, at.y);
  SelectNoPen();
  // The painter transforms the cached outline itself: no copy of the path per character.
  painter_.setTransform(t);
  painter_.fillPath(glyph, DrawColor());
  painter_.resetTransform();
}

}  // namespace zelk
