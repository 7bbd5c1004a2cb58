// Fonts as the renderer needs them: presence, widths, metrics and glyph outlines.
#pragma once

#include <string>
#include <vector>

#include "storage/coord.h"

namespace zelk {

// One closed contour of a glyph outline in map units relative to the glyph origin on the
// baseline (y up). Points carry the curve flags of coordinate words: kFirstCurvePoint and
// kSecondCurvePoint mark the two control points of a cubic piece.
struct GlyphContour {
  std::vector<Coord> points;
};

struct FontRequest {
  std::string name;    // face name as the symbol stores it, for example "Arial"
  double height = 0;   // character height in map units
  int weight = 400;    // 700 bold
  bool italic = false;
  bool operator==(const FontRequest&) const = default;
};

// Implemented over Qt in the editor and the tools, by a fixed-metrics fake in tests.
class FontService {
 public:
  virtual ~FontService() = default;
  virtual bool IsInstalled(const std::string& name) = 0;
  // Advance width of a character in map units, in a font created at the requested height.
  virtual double CharWidth(const FontRequest& font, char32_t c) = 0;
  virtual double Ascent(const FontRequest& font) = 0;
  virtual double Descent(const FontRequest& font) = 0;
  virtual std::vector<GlyphContour> GlyphOutline(const FontRequest& font, char32_t c) = 0;
};

// Every character is 0.6 of the height wide; ascent 0.8, descent 0.2; no outlines.
// Stands in where real fonts do not matter (geometry tests, headless checks).
class FixedMetricsFonts : public FontService {
 public:
  bool IsInstalled(const std::string& name) override { return name != "Missing Font"; }
  double CharWidth(const FontRequest& f, char32_t) override { return 0.6 * f.height; }
  double Ascent(const FontRequest& f) override { return 0.8 * f.height; }
  double Descent(const FontRequest& f) override { return 0.2 * f.height; }
  std::vector<GlyphContour> GlyphOutline(const FontRequest&, char32_t) override { return {}; }
};

}  // namespace zelk
