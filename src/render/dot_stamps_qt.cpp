// Stamps of discs and circle lines, and the drawing they share with the painter device.
#include <QPainter>
#include <algorithm>

#include "render/dot_stamps.h"
#include "render/output_device.h"

namespace zelk {

QPen DevicePen(int32_t deviceWidth, int style, const QColor& color) {
  QPen pen(color);
  // One-pixel lines go through the raster engine's thin-line path, which draws the same
  // pixels many times faster than the general stroker.
  pen.setWidth(deviceWidth <= 1 ? 0 : deviceWidth);
  pen.setCapStyle(style == kStyleRound ? Qt::RoundCap : Qt::FlatCap);
  pen.setJoinStyle(style == kStyleRound       ? Qt::RoundJoin
                   : style == kStyleFlatMitre ? Qt::SvgMiterJoin
                                              : Qt::BevelJoin);
  // Sharp corners bevel beyond ten line widths of mitre, as on printers.
  pen.setMiterLimit(5);
  return pen;
}

void PaintDisc(QPainter& painter, const QRect& rect, const QColor& color) {
  painter.setPen(Qt::NoPen);
  painter.setBrush(color);
  painter.drawEllipse(rect);
  painter.setBrush(Qt::NoBrush);
}

void PaintCircleLine(QPainter& painter, const QRect& rect, int32_t penWidth, const QColor& color) {
  // The line lies inside the outer diameter: its centre runs half a pen width further in.
  const double half = penWidth / 2.0;
  painter.drawEllipse(
      QRectF(rect.x() + half, rect.y() + half, rect.width() - penWidth, rect.height() - penWidth));
}

bool DotStamps::Stampable(const StampShape& s) {
  if (s.width <= 0 || s.height <= 0 || s.width > kMaxSide || s.height > kMaxSide) return false;
  if (s.pen == 0) return true;
  return !s.antialiased && s.pen >= 2 && 2 * s.pen < std::min(s.width, s.height);
}

size_t DotStamps::Hash::operator()(const StampShape& s) const {
  uint64_t h = (uint64_t(uint32_t(s.width)) << 40) ^ (uint64_t(uint32_t(s.height)) << 20) ^
               (uint64_t(uint32_t(s.pen)) << 2) ^ (s.antialiased ? 1u : 0u);
  h ^= uint64_t(s.color) * 0x9E3779B97F4A7C15ull;
  return static_cast<size_t>(h ^ (h >> 29));
}

const Stamp& DotStamps::Get(const StampShape& shape) {
  if (lastShape_ && *lastShape_ == shape) return *lastStamp_;
  auto found = stamps_.find(shape);
  if (found == stamps_.end()) {
    if (stamps_.size() >= kMaxStamps) stamps_.clear();
    found = stamps_.emplace(shape, Draw(shape)).first;
  }
  lastShape_ = &found->first;
  lastStamp_ = &found->second;
  return found->second;
}

Stamp DotStamps::Draw(const StampShape& s) {
  // Smooth edges reach into the pixels around the rectangle.
  constexpr int kMargin = 2;
  QImage image(s.width + 2 * kMargin, s.height + 2 * kMargin, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  {
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, s.antialiased);
    painter.setBackgroundMode(Qt::TransparentMode);
    const QRect rect(kMargin, kMargin, s.width, s.height);
    const QColor color = QColor::fromRgb(s.color);
    if (s.pen == 0) {
      PaintDisc(painter, rect, color);
    } else {
      painter.setPen(DevicePen(s.pen, kStyleFlatBevel, color));
      painter.setBrush(Qt::NoBrush);
      PaintCircleLine(painter, rect, s.pen, color);
    }
  }
  // Copying transparent pixels costs as much as copying the others: keep only the shape's.
  int left = image.width(), top = image.height(), right = -1, bottom = -1;
  for (int y = 0; y < image.height(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      if (qAlpha(line[x]) == 0) continue;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
  }
  if (right < 0) return {QImage(), QPoint()};
  return {image.copy(left, top, right - left + 1, bottom - top + 1),
          QPoint(left - kMargin, top - kMargin)};
}

}  // namespace zelk
