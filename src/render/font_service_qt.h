// The font service over the fonts installed on this system (Qt and fontconfig), with the free
// stand-ins for the standard font names of map files.
#pragma once

#include <QPainterPath>
#include <QRawFont>
#include <QString>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "render/font_service.h"

namespace zelk {

// Measures and outlines characters in fonts named as map symbols name them. Names are UTF-8.
// "Arial", "Times New Roman", "Courier New" and "Arial Narrow" stand for metric-compatible free
// families; any other name must be an installed family. Fonts are opened once per family, weight
// and slant at a reference size and scaled, so measuring and drawing never create a font per
// character. Needs a QGuiApplication (the offscreen platform will do).
class QtFontService : public FontService {
 public:
  // Glyph paths are kept at this pixel size (one pixel = one glyph unit).
  static constexpr double kReferenceSize = 2048.0;

  QtFontService();
  ~QtFontService() override;

  bool IsInstalled(const std::string& name) override;
  double CharWidth(const FontRequest& font, char32_t c) override;
  double Ascent(const FontRequest& font) override;
  double Descent(const FontRequest& font) override;
  std::vector<GlyphContour> GlyphOutline(const FontRequest& font, char32_t c) override;

  // The installed family that draws a face name, or an empty string when there is none.
  QString FamilyFor(const std::string& name);
  // The outline of a character at kReferenceSize pixels, y growing downwards, origin on the
  // baseline. Names that are not installed draw in the stand-in of "Times New Roman". The
  // reference stays valid as long as the service.
  const QPainterPath& GlyphPath(const std::string& name, int weight, bool italic, char32_t c);

 private:
  struct Face;
  struct Measuring;
  using FaceKey = std::tuple<QString, bool, bool>;
  using MeasuringKey = std::tuple<std::string, double, bool, bool>;

  Face* FaceFor(const std::string& name, int weight, bool italic);
  Measuring& MeasuringFor(const FontRequest& font);

  std::unordered_map<std::string, QString> families_;  // name -> family ("" when missing)
  std::map<FaceKey, std::unique_ptr<Face>> faces_;
  std::map<MeasuringKey, std::unique_ptr<Measuring>> measuring_;
  // The last measuring font asked for: texts ask for the same one many times in a row.
  FontRequest lastRequest_;
  Measuring* lastMeasuring_ = nullptr;
  // Installed families by their lower-case names, read once.
  std::unordered_map<std::string, QString> installed_;
  bool installedRead_ = false;
};

}  // namespace zelk
