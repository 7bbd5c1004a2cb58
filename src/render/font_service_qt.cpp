// The font service over Qt's font database: family resolution, cached faces, widths and outlines.
#include "render/font_service_qt.h"

#include <QFont>
#include <QFontDatabase>
#include <QList>
#include <QPointF>
#include <array>
#include <cmath>

namespace zelk {

namespace {

// The standard names of map files and the free families drawn with the same advance widths.
struct StandIn {
  const char* name;
  std::array<const char*, 3> families;
};
constexpr StandIn kStandIns[] = {
    {"Arial", {"Liberation Sans", "Arimo", nullptr}},
    {"Times New Roman", {"Liberation Serif", "Tinos", nullptr}},
    {"Courier New", {"Liberation Mono", "Cousine", nullptr}},
    // Liberation Sans is wider than the narrow face, but better than a serif stand-in.
    {"Arial Narrow", {"Liberation Sans Narrow", "Nimbus Sans Narrow", "Liberation Sans"}},
};

constexpr const char* kMissingFontName = "Times New Roman";

std::string Lower(const std::string& s) {
  std::string r = s;
  for (char& c : r) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return r;
}

bool Drawable(char32_t c) {
  return DrawableCharacter(c);
}

}  // namespace

struct QtFontService::Face {
  QRawFont raw;  // at kReferenceSize
  double ascent = 0;
  double descent = 0;
  std::array<double, 256> latinAdvance{};
  std::array<bool, 256> latinKnown{};
  std::unordered_map<char32_t, double> advances;
  std::unordered_map<char32_t, QPainterPath> paths;

  quint32 GlyphOf(char32_t c) const {
    if (!raw.isValid() || !Drawable(c)) return 0;
    const QList<quint32> glyphs = raw.glyphIndexesForString(QString::fromUcs4(&c, 1));
    return glyphs.isEmpty() ? 0 : glyphs.front();
  }

  double MeasureAdvance(char32_t c) const {
    if (!raw.isValid() || !Drawable(c)) return 0;
    const QList<quint32> glyphs = raw.glyphIndexesForString(QString::fromUcs4(&c, 1));
    if (glyphs.isEmpty()) return 0;
    const QList<QPointF> adv = raw.advancesForGlyphIndexes(glyphs, QRawFont::UseDesignMetrics);
    return adv.isEmpty() ? 0 : adv.front().x();
  }

  double Advance(char32_t c) {
    if (c < 256) {
      if (!latinKnown[c]) {
        latinAdvance[c] = MeasureAdvance(c);
        latinKnown[c] = true;
      }
      return latinAdvance[c];
    }
    auto it = advances.find(c);
    if (it == advances.end()) it = advances.emplace(c, MeasureAdvance(c)).first;
    return it->second;
  }

  const QPainterPath& Path(char32_t c) {
    auto it = paths.find(c);
    if (it != paths.end()) return it->second;
    QPainterPath path;
    if (raw.isValid() && Drawable(c) && c != 32) {
      path = raw.pathForGlyph(GlyphOf(c));
      path.setFillRule(Qt::WindingFill);
    }
    return paths.emplace(c, std::move(path)).first->second;
  }
};

struct QtFontService::Measuring {
  Face* face = nullptr;
  double scale = 0;  // map units per reference pixel
};

QtFontService::QtFontService() = default;
QtFontService::~QtFontService() = default;

QString QtFontService::FamilyFor(const std::string& name) {
  auto cached = families_.find(name);
  if (cached != families_.end()) return cached->second;
  if (!installedRead_) {
    for (const QString& family : QFontDatabase::families()) {
      installed_.emplace(Lower(family.toStdString()), family);
    }
    installedRead_ = true;
  }
  QString family;
  const std::string key = Lower(name);
  if (auto it = installed_.find(key); !name.empty() && it != installed_.end()) {
    family = it->second;
  } else {
    for (const StandIn& s : kStandIns) {
      if (key != Lower(s.name)) continue;
      for (const char* candidate : s.families) {
        if (!candidate) continue;
        if (auto c = installed_.find(Lower(candidate)); c != installed_.end()) {
          family = c->second;
          break;
        }
      }
      break;
    }
  }
  families_.emplace(name, family);
  return family;
}

bool QtFontService::IsInstalled(const std::string& name) {
  return !name.empty() && !FamilyFor(name).isEmpty();
}

QtFontService::Face* QtFontService::FaceFor(const std::string& name, int weight, bool italic) {
  QString family = FamilyFor(name);
  if (family.isEmpty()) family = FamilyFor(kMissingFontName);
  const bool bold = weight > 550;
  FaceKey key{family, bold, italic};
  auto it = faces_.find(key);
  if (it != faces_.end()) return it->second.get();
  auto face = std::make_unique<Face>();
  if (!family.isEmpty()) {
    QFont font;
    font.setFamilies({family});
    font.setPixelSize(static_cast<int>(kReferenceSize));
    font.setWeight(bold ? QFont::Bold : QFont::Normal);
    font.setItalic(italic);
    font.setKerning(false);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setStyleStrategy(QFont::StyleStrategy(QFont::NoFontMerging | QFont::PreferOutline));
    face->raw = QRawFont::fromFont(font);
    if (face->raw.isValid()) {
      face->ascent = face->raw.ascent();
      face->descent = face->raw.descent();
    }
  }
  return faces_.emplace(key, std::move(face)).first->second.get();
}

QtFontService::Measuring& QtFontService::MeasuringFor(const FontRequest& font) {
  if (lastMeasuring_ && font == lastRequest_) return *lastMeasuring_;
  MeasuringKey key{font.name, font.height, font.weight > 550, font.italic};
  auto it = measuring_.find(key);
  if (it == measuring_.end()) {
    auto m = std::make_unique<Measuring>();
    m->face = FaceFor(font.name, font.weight, font.italic);
    const double h = std::isfinite(font.height) ? std::abs(font.height) : 0.0;
    m->scale = h / kReferenceSize;
    it = measuring_.emplace(key, std::move(m)).first;
  }
  lastRequest_ = font;
  lastMeasuring_ = it->second.get();
  return *lastMeasuring_;
}

double QtFontService::CharWidth(const FontRequest& font, char32_t c) {
  Measuring& m = MeasuringFor(font);
  return m.face->Advance(c) * m.scale;
}

double QtFontService::Ascent(const FontRequest& font) {
  Measuring& m = MeasuringFor(font);
  return m.face->ascent * m.scale;
}

double QtFontService::Descent(const FontRequest& font) {
  Measuring& m = MeasuringFor(font);
  return m.face->descent * m.scale;
}

const QPainterPath& QtFontService::GlyphPath(const std::string& name, int weight, bool italic,
                                             char32_t c) {
  return FaceFor(name, weight, italic)->Path(c);
}

std::vector<GlyphContour> QtFontService::GlyphOutline(const FontRequest& font, char32_t c) {
  Measuring& m = MeasuringFor(font);
  const QPainterPath& path = m.face->Path(c);
  std::vector<GlyphContour> contours;
  // Glyph pixels (y down) to whole map units (y up) in coordinate words.
  auto word = [&](const QPointF& p, int32_t xFlag) {
    const double x = std::nearbyint(p.x() * m.scale);
    const double y = std::nearbyint(-p.y() * m.scale);
    return Coord::FromUnits(static_cast<int32_t>(x), static_cast<int32_t>(y), xFlag);
  };
  for (int i = 0; i < path.elementCount(); ++i) {
    const QPainterPath::Element e = path.elementAt(i);
    if (e.type == QPainterPath::MoveToElement || contours.empty()) {
      contours.emplace_back();
      contours.back().points.push_back(word(e, 0));
    } else if (e.type == QPainterPath::LineToElement) {
      contours.back().points.push_back(word(e, 0));
    } else if (e.type == QPainterPath::CurveToElement && i + 2 < path.elementCount()) {
      // Qt keeps quadratic pieces of TrueType outlines already raised to cubic ones.
      contours.back().points.push_back(word(e, kFirstCurvePoint));
      contours.back().points.push_back(word(path.elementAt(i + 1), kSecondCurvePoint));
      contours.back().points.push_back(word(path.elementAt(i + 2), 0));
      i += 2;
    }
  }
  std::erase_if(contours, [](const GlyphContour& g) { return g.points.size() < 3; });
  return contours;
}

}  // namespace zelk
