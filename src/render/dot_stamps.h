// Discs and circle lines drawn once into small images and copied wherever they are needed.
#pragma once

#include <QColor>
#include <QImage>
#include <QPen>
#include <QPoint>
#include <QRect>
#include <cstdint>
#include <unordered_map>

class QPainter;

namespace zelk {

// The pen of a stroke of `deviceWidth` pixels in a line style (0, 1 or 2).
QPen DevicePen(int32_t deviceWidth, int style, const QColor& color);

// A disc filling `rect`, without outline.
void PaintDisc(QPainter& painter, const QRect& rect, const QColor& color);
// A circle line of `penWidth` pixels lying inside `rect` (flat ends, as ring primitives draw).
void PaintCircleLine(QPainter& painter, const QRect& rect, int32_t penWidth, const QColor& color);

// What a stamp shows: the ellipse of a bounding rectangle of width x height pixels at a whole
// pixel position, filled (pen 0) or as a circle line of `pen` pixels, in a colour.
struct StampShape {
  int32_t width = 0;
  int32_t height = 0;
  int32_t pen = 0;
  QRgb color = 0;
  bool antialiased = false;
  bool operator==(const StampShape&) const = default;
};

struct Stamp {
  QImage image;   // premultiplied ARGB, transparent where the shape leaves the surface alone
  QPoint offset;  // of the image's top left from the shape's rectangle's
};

// The stamps of one surface. Copying a stamp gives the pixels that drawing the shape at the same
// whole pixel position gives, for the shapes the raster engine draws alike wherever they lie:
// filled ellipses, aliased (an integer algorithm) or smooth, and aliased circle lines from two
// pixels wide; drawn and stamped shapes were compared at every position of the device range
// (every size to 48 pixels, samples to 64: bench/stamp_check).
// Not one-pixel circle lines, whose rounding depends on the position, nor smooth circle lines,
// whose overlapping pieces blend otherwise on a transparent image than on the surface.
class DotStamps {
 public:
  static constexpr int32_t kMaxSide = 64;  // larger shapes are rare; they are drawn
  static constexpr size_t kMaxStamps = 4096;

  // Whether a shape can be stamped with exactly the pixels of drawing it.
  static bool Stampable(const StampShape& shape);
  // The stamp of a stampable shape, drawn on first use.
  const Stamp& Get(const StampShape& shape);
  size_t Size() const { return stamps_.size(); }

 private:
  struct Hash {
    size_t operator()(const StampShape& s) const;
  };
  static Stamp Draw(const StampShape& shape);

  std::unordered_map<StampShape, Stamp, Hash> stamps_;
  // Structures repeat one shape many times in a row.
  const StampShape* lastShape_ = nullptr;
  const Stamp* lastStamp_ = nullptr;
};

}  // namespace zelk
