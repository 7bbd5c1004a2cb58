// The font service over the fonts installed on this system (Qt and fontconfig), with the free
// stand-ins for the standard font names of map files.
#pragma once

#include <QPainterPath>
#include <QRawFont>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "render/font_service.h"
#include "render/glyph_images_qt.h"
#include "render/lru_cache.h"

namespace zelk {

// Measures and outlines characters in fonts named as map symbols name them. Names are UTF-8.
// "Arial", "Times New Roman", "Courier New" and "Arial Narrow" stand for metric-compatible free
// families; any other name must be an installed family. Fonts are opened once per family, weight
// and slant at a reference size and scaled, so measuring and drawing never create a font per
// character. Glyph outlines are read from the font once and kept, as are outlines in map units
// and glyph pictures for the screen, each within a memory budget (least recently used go
// first). One service lives as long as the program, so that every redraw finds the glyphs
// drawn before. Needs a QGuiApplication (the offscreen platform will do) and must be destroyed
// before it: the map drawing thread, which opens the faces it reads once more, ends with it.
class QtFontService : public FontService {
 public:
  // Glyph paths are kept at this pixel size (one pixel = one glyph unit).
  static constexpr double kReferenceSize = 2048.0;

  // Bytes the caches may take.
  struct CacheBudget {
    size_t glyphPaths = size_t{16} << 20;  // outlines at the reference size
    size_t outlines = size_t{8} << 20;     // outlines in map units, per height
    size_t glyphImages = size_t{32} << 20;
  };

  QtFontService();
  explicit QtFontService(const CacheBudget& budget);
  ~QtFontService() override;
  QtFontService(const QtFontService&) = delete;
  QtFontService& operator=(const QtFontService&) = delete;

  bool IsInstalled(const std::string& name) override;
  double CharWidth(const FontRequest& font, char32_t c) override;
  double Ascent(const FontRequest& font) override;
  double Descent(const FontRequest& font) override;
  std::vector<GlyphContour> GlyphOutline(const FontRequest& font, char32_t c) override;

  // The installed family that draws a face name, or an empty string when there is none.
  QString FamilyFor(const std::string& name);
  // One family, weight and slant, opened at kReferenceSize; it lives as long as the service.
  struct Face;
  // The face that draws a face name in a weight and slant. Names that are not installed draw in
  // the stand-in of "Times New Roman".
  Face* FaceFor(const std::string& name, int weight, bool italic);
  // The outline of a character at kReferenceSize pixels, y growing downwards, origin on the
  // baseline; empty for characters without one. The path shares the cached data.
  QPainterPath GlyphPath(Face* face, char32_t c);
  QPainterPath GlyphPath(const std::string& name, int weight, bool italic, char32_t c);
  // Pictures of glyphs as devices draw them, kept for the service's life within their budget.
  GlyphImageCache& GlyphImages() { return images_; }

  // Outlines read from the fonts so far: each glyph once while it stays cached.
  int64_t GlyphsExtracted() const { return extracted_; }
  size_t GlyphPathBytes() const { return paths_.TotalCost(); }
  size_t OutlineBytes() const { return outlines_.TotalCost(); }

 private:
  struct Measuring;
  using FaceKey = std::tuple<QString, bool, bool>;
  using MeasuringKey = std::tuple<std::string, double, bool, bool>;
  struct GlyphKey {
    const Face* face;
    char32_t c;
    bool operator==(const GlyphKey&) const = default;
  };
  struct GlyphKeyHash {
    size_t operator()(const GlyphKey& k) const;
  };
  struct OutlineKey {
    const Face* face;
    double height;
    char32_t c;
    bool operator==(const OutlineKey&) const = default;
  };
  struct OutlineKeyHash {
    size_t operator()(const OutlineKey& k) const;
  };

  Measuring& MeasuringFor(const FontRequest& font);
  std::unique_ptr<Face> OpenFace(const QString& family, bool bold, bool italic);

  std::unordered_map<std::string, QString> families_;  // name -> family ("" when missing)
  std::map<FaceKey, std::unique_ptr<Face>> faces_;
  std::map<MeasuringKey, std::unique_ptr<Measuring>> measuring_;
  // The last measuring font asked for: texts ask for the same one many times in a row.
  FontRequest lastRequest_;
  Measuring* lastMeasuring_ = nullptr;
  // The last face asked for by name: the characters of a text ask for the same one.
  std::string lastFaceName_;
  bool lastFaceBold_ = false;
  bool lastFaceItalic_ = false;
  Face* lastFace_ = nullptr;
  // Installed families by their lower-case names, read once.
  std::unordered_map<std::string, QString> installed_;
  bool installedRead_ = false;

  LruCache<GlyphKey, QPainterPath, GlyphKeyHash> paths_;
  LruCache<OutlineKey, std::vector<GlyphContour>, OutlineKeyHash> outlines_;
  GlyphImageCache images_;
  int64_t extracted_ = 0;
};

}  // namespace zelk
