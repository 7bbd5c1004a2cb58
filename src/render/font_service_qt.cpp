// The font service over Qt's font database: family resolution, cached faces, widths and outlines.
#include "render/font_service_qt.h"

#include <QFont>
#include <QFontDatabase>
#include <QList>
#include <QPointF>
#include <array>
#include <bit>
#include <cmath>
#include <thread>

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
  QFont font;
  QRawFont raw;  // at kReferenceSize, for the thread that opened the face
  std::thread::id owner = std::this_thread::get_id();
  // A font is read by the thread that opened it: the map drawing thread opens one of its own.
  mutable QRawFont drawingThreadRaw;
  mutable std::thread::id drawingThread;

  const QRawFont& Raw() const {
    const std::thread::id here = std::this_thread::get_id();
    if (here == owner || !raw.isValid()) return raw;
    if (drawingThread != here) {
      drawingThreadRaw = QRawFont::fromFont(font);
      drawingThread = here;
    }
    return drawingThreadRaw;
  }
  double ascent = 0;
  double descent = 0;
  std::array<double, 256> latinAdvance{};
  std::array<bool, 256> latinKnown{};
  std::unordered_map<char32_t, double> advances;

  quint32 GlyphOf(char32_t c) const {
    if (!raw.isValid() || !Drawable(c)) return 0;
    const QList<quint32> glyphs = Raw().glyphIndexesForString(QString::fromUcs4(&c, 1));
    return glyphs.isEmpty() ? 0 : glyphs.front();
  }

  double MeasureAdvance(char32_t c) const {
    if (!raw.isValid() || !Drawable(c)) return 0;
    const QList<quint32> glyphs = Raw().glyphIndexesForString(QString::fromUcs4(&c, 1));
    if (glyphs.isEmpty()) return 0;
    const QList<QPointF> adv = Raw().advancesForGlyphIndexes(glyphs, QRawFont::UseDesignMetrics);
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

  QPainterPath ReadPath(char32_t c) const {
    QPainterPath path;
    if (raw.isValid() && Drawable(c) && c != 32) {
      path = Raw().pathForGlyph(GlyphOf(c));
      path.setFillRule(Qt::WindingFill);
    }
    return path;
  }
};

namespace {
// What a cached value costs beside its data: the entry, its list and index nodes.
constexpr size_t kCacheEntryCost = 96;

size_t HashOf(const void* face, uint64_t a, uint64_t b) {
  uint64_t h = reinterpret_cast<uintptr_t>(face) * 0x9e3779b97f4a7c15ull;
  h ^= a + 0x9e3779b97f4a7c15ull + (h << 6) + (h >> 2);
  h ^= b + 0x9e3779b97f4a7c15ull + (h << 6) + (h >> 2);
  return static_cast<size_t>(h);
}
}  // namespace

size_t QtFontService::GlyphKeyHash::operator()(const GlyphKey& k) const {
  return HashOf(k.face, k.c, 0);
}

size_t QtFontService::OutlineKeyHash::operator()(const OutlineKey& k) const {
  return HashOf(k.face, k.c, std::bit_cast<uint64_t>(k.height));
}

struct QtFontService::Measuring {
  Face* face = nullptr;
  double scale = 0;  // map units per reference pixel
};

QtFontService::QtFontService() : QtFontService(CacheBudget{}) {}

QtFontService::QtFontService(const CacheBudget& budget)
    : paths_(budget.glyphPaths), outlines_(budget.outlines), images_(budget.glyphImages) {}

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
  const bool bold = weight > 550;
  if (lastFace_ && bold == lastFaceBold_ && italic == lastFaceItalic_ && name == lastFaceName_)
    return lastFace_;
  QString family = FamilyFor(name);
  if (family.isEmpty()) family = FamilyFor(kMissingFontName);
  FaceKey key{family, bold, italic};
  auto it = faces_.find(key);
  if (it == faces_.end()) it = faces_.emplace(key, OpenFace(family, bold, italic)).first;
  lastFaceName_ = name;
  lastFaceBold_ = bold;
  lastFaceItalic_ = italic;
  lastFace_ = it->second.get();
  return lastFace_;
}

std::unique_ptr<QtFontService::Face> QtFontService::OpenFace(const QString& family, bool bold,
                                                             bool italic) {
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
    face->font = font;
    face->raw = QRawFont::fromFont(font);
    if (face->raw.isValid()) {
      face->ascent = face->raw.ascent();
      face->descent = face->raw.descent();
    }
  }
  return face;
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

QPainterPath QtFontService::GlyphPath(Face* face, char32_t c) {
  const GlyphKey key{face, c};
  if (const QPainterPath* cached = paths_.Find(key)) return *cached;
  QPainterPath path = face->ReadPath(c);
  ++extracted_;
  const size_t cost =
      kCacheEntryCost + static_cast<size_t>(path.elementCount()) * sizeof(QPainterPath::Element);
  return paths_.Insert(key, std::move(path), cost);
}

QPainterPath QtFontService::GlyphPath(const std::string& name, int weight, bool italic,
                                      char32_t c) {
  return GlyphPath(FaceFor(name, weight, italic), c);
}

std::vector<GlyphContour> QtFontService::GlyphOutline(const FontRequest& font, char32_t c) {
  Measuring& m = MeasuringFor(font);
  const OutlineKey key{m.face, font.height, c};
  if (const std::vector<GlyphContour>* cached = outlines_.Find(key)) return *cached;
  const QPainterPath path = GlyphPath(m.face, c);
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
  size_t cost = kCacheEntryCost;
  for (const GlyphContour& g : contours) cost += sizeof(g) + g.points.size() * sizeof(Coord);
  return outlines_.Insert(key, std::move(contours), cost);
}

}  // namespace zelk
