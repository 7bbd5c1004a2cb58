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

// Characters that have a glyph to draw: not the control characters (C0, DEL and C1, where the
// code page's unassigned bytes land), not surrogates, not beyond Unicode. Others draw nothing
// and have no width.
inline bool DrawableCharacter(char32_t c) {
  return c >= 32 && !(c >= 0x7F && c <= 0x9F) && c <= 0x10FFFF && !(c >= 0xD800 && c <= 0xDFFF);
}

struct FontRequest {
  std::string name;   // face name as the symbol stores it, for example "Arial"
  double height = 0;  // character height in map units
  int weight = 400;   // 700 bold
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
