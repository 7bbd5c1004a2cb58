// Glyph pictures: filling them, and refusing those a copy would not reproduce exactly.
#include "render/glyph_images_qt.h"

#include <QColor>
#include <QPainter>
#include <QTransform>
#include <bit>
#include <cmath>

namespace zelk {

namespace {

uint64_t Mix(uint64_t h, uint64_t v) {
  return h ^ (v + 0x9e3779b97f4a7c15ull + (h << 6) + (h >> 2));
}

// True when a row holds more than 16 equally covered partial pixels one after another: the
// solid fill blends such a span another way than a copy of the picture would.
bool LongPartialRun(const QImage& image) {
  for (int y = 0; y < image.height(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    int run = 0, previous = -1;
    for (int x = 0; x < image.width(); ++x) {
      const int a = qAlpha(line[x]);
      if (a > 0 && a < 255 && a == previous) {
        if (++run > 16) return true;
      } else {
        run = 1;
      }
      previous = a;
    }
  }
  return false;
}

}  // namespace

size_t GlyphImageKeyHash::operator()(const GlyphImageKey& k) const {
  uint64_t h = std::bit_cast<uint64_t>(k.m11);
  h = Mix(h, std::bit_cast<uint64_t>(k.m12));
  h = Mix(h, std::bit_cast<uint64_t>(k.m21));
  h = Mix(h, std::bit_cast<uint64_t>(k.m22));
  h = Mix(h, reinterpret_cast<uintptr_t>(k.face));
  h = Mix(h, (uint64_t{k.character} << 33) | (uint64_t{k.color} << 1) | (k.antialiased ? 1 : 0));
  return static_cast<size_t>(h);
}

GlyphImageCache::Picture& GlyphImageCache::Make(const GlyphImageKey& key,
                                                const QPainterPath& path) {
  Picture made;
  made.state = State::Path;
  const QRectF box =
      QTransform(key.m11, key.m12, key.m21, key.m22, 0, 0).mapRect(path.controlPointRect());
  if (!path.isEmpty() && box.isValid() && box.width() <= kMaxSide && box.height() <= kMaxSide) {
    // Two pixels of room on every side: the antialiased fill reaches into the pixel around.
    const int left = static_cast<int>(std::floor(box.left())) - 2;
    const int top = static_cast<int>(std::floor(box.top())) - 2;
    const int width = static_cast<int>(std::ceil(box.right())) + 2 - left;
    const int height = static_cast<int>(std::ceil(box.bottom())) + 2 - top;
    const QColor color = QColor::fromRgb(key.color);
    auto fill = [&](double dx, double dy) {
      QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
      image.fill(Qt::transparent);
      QPainter painter(&image);
      painter.setRenderHint(QPainter::Antialiasing, key.antialiased);
      painter.setTransform(QTransform(key.m11, key.m12, key.m21, key.m22, dx - left, dy - top));
      painter.fillPath(path, color);
      return image;
    };
    QImage image = fill(0, 0);
    const double nudge = std::ldexp(1.0, -24);
    if (!image.isNull() && !LongPartialRun(image) && fill(nudge, 0) == image &&
        fill(-nudge, 0) == image && fill(0, nudge) == image && fill(0, -nudge) == image) {
      made.image = std::move(image);
      made.offset = QPoint(left, top);
      made.state = State::Image;
    }
  }
  if (made.state == State::Image) {
    ++made_;
  } else {
    ++refused_;
  }
  const size_t cost =
      kEntryCost + (made.state == State::Image ? static_cast<size_t>(made.image.sizeInBytes()) : 0);
  return pictures_.Insert(key, std::move(made), cost);
}

}  // namespace zelk
