// Pictures of glyphs at one device transform and colour, filled once and then copied.
#pragma once

#include <QImage>
#include <QPainterPath>
#include <QPoint>
#include <QRgb>
#include <cstddef>
#include <cstdint>

#include "render/lru_cache.h"

namespace zelk {

// A glyph of a face on a device: glyph units to device pixels by (m11, m12, m21, m22), as
// QTransform has them, the glyph's origin then on a whole pixel.
struct GlyphImageKey {
  const void* face = nullptr;
  char32_t character = 0;
  double m11 = 0, m12 = 0, m21 = 0, m22 = 0;
  QRgb color = 0;
  bool antialiased = false;
  bool operator==(const GlyphImageKey&) const = default;
};

struct GlyphImageKeyHash {
  size_t operator()(const GlyphImageKey& k) const;
};

// Filling a glyph's path on a QImage of the RGB32 or premultiplied ARGB32 format, with no clip
// but a whole-pixel rectangle, gives the same pixels as copying (source over) a picture in which
// the same path was filled on transparent pixels, moved by whole pixels: the rasterizer's
// coverage does not depend on whole-pixel moves, and the source-over blend of a covered
// premultiplied pixel is the solid fill's blend of short spans. The picture is kept only where
// this holds exactly:
//   - no vertex may lie on the edge of the rasterizer's 1/64-pixel grid, where the rounding of
//     the moved coordinates could go either way (checked by filling with the path moved a
//     2^-24 pixel either way: the pictures must not change);
//   - no row may hold more than 16 equally covered partial pixels in a row, which the solid
//     fill blends with another rounding.
// Elsewhere the caller fills the path, as it would without pictures. Large glyphs are always
// filled. A picture is made the second time a glyph is asked for, so that texts turned by many
// different angles cost nothing extra.
class GlyphImageCache {
 public:
  static constexpr int kMaxSide = 256;  // device pixels; beyond this glyphs are filled

  explicit GlyphImageCache(size_t budgetBytes) : pictures_(budgetBytes) {}

  // The picture of a glyph and the offset of its top left from the glyph's origin; nullptr
  // when the caller must fill the path. makePath() gives the glyph's outline, called only when
  // a picture is to be made.
  template <typename MakePath>
  const QImage* Find(const GlyphImageKey& key, QPoint* offset, MakePath&& makePath) {
    Picture* p = pictures_.Find(key);
    if (!p) {
      pictures_.Insert(key, Picture{}, kEntryCost);
      return nullptr;
    }
    if (p->state == State::Path) return nullptr;
    if (p->state == State::SeenOnce) p = &Make(key, makePath());
    if (p->state != State::Image) return nullptr;
    *offset = p->offset;
    return &p->image;
  }

  int64_t PicturesMade() const { return made_; }
  int64_t PicturesRefused() const { return refused_; }
  size_t Bytes() const { return pictures_.TotalCost(); }
  size_t Size() const { return pictures_.Size(); }
  size_t Budget() const { return pictures_.Budget(); }

 private:
  enum class State : uint8_t { SeenOnce, Image, Path };
  struct Picture {
    QImage image;
    QPoint offset;
    State state = State::SeenOnce;
  };
  static constexpr size_t kEntryCost = 160;  // the entry, its list and index nodes

  Picture& Make(const GlyphImageKey& key, const QPainterPath& path);

  LruCache<GlyphImageKey, Picture, GlyphImageKeyHash> pictures_;
  int64_t made_ = 0;
  int64_t refused_ = 0;
};

}  // namespace zelk
