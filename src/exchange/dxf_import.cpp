#include "exchange/dxf_import.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>

#include "exchange/code_pages.h"
#include "render/font_service.h"
#include "render/text_render.h"
#include "storage/map_store.h"
#include "storage/messages.h"
#include "storage/text_format.h"

namespace zelk {

namespace {

constexpr double kPi = std::numbers::pi;

struct Pt {
  double x = 0, y = 0;
};

// x' = a x + b y + e, y' = c x + d y + f: a block's contents placed by an INSERT.
struct Affine {
  double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;
  Pt Map(Pt p) const { return {a * p.x + b * p.y + e, c * p.x + d * p.y + f}; }
  Affine Then(const Affine& o) const {  // first this, then o
    return {o.a * a + o.b * c, o.a * b + o.b * d,       o.c * a + o.d * c,
            o.c * b + o.d * d, o.a * e + o.b * f + o.e, o.c * e + o.d * f + o.f};
  }
  double Rotation() const { return std::atan2(c, a); }
  bool Mirrored() const { return a * d - b * c < 0; }
};

enum class Kind {
  None,
  Line,
  Polyline,
  LwPolyline,
  Point,
  Insert,
  Text,
  MText,
  Circle,
  Arc,
  Ellipse,
  Spline
};

Kind KindOf(std::string_view v) {
  static const std::pair<std::string_view, Kind> kKinds[] = {
      {"LINE", Kind::Line},       {"POLYLINE", Kind::Polyline}, {"LWPOLYLINE", Kind::LwPolyline},
      {"POINT", Kind::Point},     {"INSERT", Kind::Insert},     {"TEXT", Kind::Text},
      {"MTEXT", Kind::MText},     {"CIRCLE", Kind::Circle},     {"ARC", Kind::Arc},
      {"ELLIPSE", Kind::Ellipse}, {"SPLINE", Kind::Spline}};
  for (const auto& [name, kind] : kKinds)
    if (v == name) return kind;
  return Kind::None;
}

struct Entity {
  Kind kind = Kind::None;
  bool valid = true;
  std::string layer;
  std::vector<Pt> pts;  // the points of the entity (vertices, control points, the position)
  std::vector<double> bulges;
  std::vector<Pt> fit;
  std::vector<double> knots;
  Pt second;  // LINE's end, ELLIPSE's major axis, MTEXT's direction
  bool hasSecond = false;
  double radius = 0, ratio = 1, start = 0, end = 360, param0 = 0, param1 = 2 * kPi;
  double angle = 0;  // degrees
  bool hasAngle = false;
  double scaleX = 1, scaleY = 1;
  int flags = 0, degree = 3;
  std::string text, block;
};

struct Block {
  Pt base;
  std::vector<Entity> entities;
};

// Keeps a file from claiming unbounded memory with blocks.
constexpr size_t kMaxBlockPoints = 4000000;
constexpr int kMaxInsertDepth = 8;
// Entities placed through blocks in one import: blocks that insert each other many times would
// otherwise multiply without end.
constexpr int64_t kMaxPlaced = 1000000;

enum class Encoding { Oem, Ansi, Utf8 };

// MTEXT formatting codes removed: \P a paragraph end, \~ a blank, \\ \{ \} the characters,
// \S stacked fractions as a/b, other codes up to their ';', braces dropped.
std::string PlainMText(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    if (c == '{' || c == '}') continue;
    if (c != '\\' || i + 1 >= s.size()) {
      out += c;
      continue;
    }
    const char code = s[++i];
    switch (code) {
      case 'P':
        out += "\r\n";
        break;
      case '~':
        out += ' ';
        break;
      case '\\':
      case '{':
      case '}':
        out += code;
        break;
      case 'L':
      case 'l':
      case 'O':
      case 'o':
      case 'K':
      case 'k':
        break;
      case 'U':
        out += "\\U";  // \U+XXXX is decoded with the text's encoding
        break;
      case 'S': {
        const size_t semi = s.find(';', i);
        const std::string stacked =
            s.substr(i + 1, semi == std::string::npos ? std::string::npos : semi - i - 1);
        for (const char k : stacked) out += (k == '^' || k == '#') ? '/' : k;
        i = semi == std::string::npos ? s.size() : semi;
        break;
      }
      default: {
        const size_t semi = s.find(';', i);
        i = semi == std::string::npos ? s.size() : semi;
        break;
      }
    }
  }
  return out;
}

class Importer {
 public:
  Importer(MapStore& store, const DxfImportParams& params, const CrossRefTable& table,
           FontService* fonts, Progress& progress)
      : store_(store), params_(params), table_(table), fonts_(fonts), progress_(progress) {}

  DxfImportResult Run(DxfReader& reader);

 private:
  void Take(const DxfGroup& g, Entity& e, bool inVertex);
  void Finish(Entity& e, const Affine& t, const std::string& insertLayer, int depth);
  bool Emit(ObjectRecord& obj, const std::string& layer);
  std::string TextOf(const std::string& raw) const;
  // DXF coordinates to a map coordinate word; false when out of range.
  bool ToMap(Pt p, const Affine& t, int flagsX, Coord* out) const;
  void AddCurve(const Entity& e, const Affine& t, std::vector<Coord>& out, bool& ok) const;

  MapStore& store_;
  const DxfImportParams& params_;
  const CrossRefTable& table_;
  FontService* fonts_;
  Progress& progress_;
  DxfImportResult result_;
  Encoding encoding_ = Encoding::Oem;
  std::map<std::string, Block> blocks_;
  size_t blockPoints_ = 0;
  int64_t placed_ = 0;
  bool stop_ = false;
};

std::string Importer::TextOf(const std::string& raw) const {
  std::string text;
  switch (encoding_) {
    case Encoding::Oem:
      text = OemToMapText(raw);
      break;
    case Encoding::Ansi:
      text = raw;
      break;
    case Encoding::Utf8:
      text = DxfUnicodeToMapText(raw);
      break;
  }
  if (encoding_ != Encoding::Utf8 && text.find("\\U+") != std::string::npos)
    text = DxfUnicodeToMapText(Cp1252ToUtf8(text));
  // What an object can hold.
  if (text.size() > 8191) text.resize(8191);
  return text;
}

bool Importer::ToMap(Pt p, const Affine& t, int flagsX, Coord* out) const {
  const Pt q = t.Map(p);
  const double mx = (q.x - params_.offsetX) * params_.factor;
  const double my = (q.y - params_.offsetY) * params_.factor;
  if (!(mx > -200000 && mx < 200000 && my > -200000 && my < 200000)) return false;
  *out = Coord::FromUnits(static_cast<int32_t>(std::nearbyint(mx)),
                          static_cast<int32_t>(std::nearbyint(my)), flagsX, 0);
  return true;
}

void Importer::Take(const DxfGroup& g, Entity& e, bool inVertex) {
  auto number = [&](double* v) {
    const std::optional<double> n = g.Number();
    if (n)
      *v = *n;
    else
      e.valid = false;
  };
  auto point = [&](size_t i) -> Pt& {
    if (e.pts.size() <= i) e.pts.resize(i + 1);
    return e.pts[i];
  };
  if (g.code == 8 && !inVertex) {
    e.layer.assign(g.value.substr(0, 255));
    return;
  }
  switch (e.kind) {
    case Kind::Line:
      if (g.code == 10)
        number(&point(0).x);
      else if (g.code == 20)
        number(&point(0).y);
      else if (g.code == 11)
        number(&point(1).x);
      else if (g.code == 21)
        number(&point(1).y);
      break;
    case Kind::Polyline:
      if (inVertex) {
        if (g.code == 10)
          number(&e.pts.back().x);
        else if (g.code == 20)
          number(&e.pts.back().y);
        else if (g.code == 42)
          number(&e.bulges.back());
        else if (g.code == 70 && g.value == "16")
          e.flags |= 1 << 16;  // frame point: dropped
      } else if (g.code == 70) {
        const std::optional<double> n = g.Number();
        if (n) e.flags = static_cast<int>(*n) & 0xffff;
      }
      break;
    case Kind::LwPolyline:
      if (g.code == 10) {
        e.pts.push_back({});
        e.bulges.push_back(0);
        number(&e.pts.back().x);
      } else if (!e.pts.empty() && g.code == 20) {
        number(&e.pts.back().y);
      } else if (!e.pts.empty() && g.code == 42) {
        number(&e.bulges.back());
      } else if (g.code == 70) {
        const std::optional<double> n = g.Number();
        if (n) e.flags = static_cast<int>(*n);
      }
      break;
    case Kind::Spline:
      if (g.code == 10) {
        e.pts.push_back({});
        number(&e.pts.back().x);
      } else if (g.code == 20 && !e.pts.empty()) {
        number(&e.pts.back().y);
      } else if (g.code == 11) {
        e.fit.push_back({});
        number(&e.fit.back().x);
      } else if (g.code == 21 && !e.fit.empty()) {
        number(&e.fit.back().y);
      } else if (g.code == 40) {
        if (const std::optional<double> n = g.Number()) e.knots.push_back(*n);
      } else if (g.code == 70 || g.code == 71) {
        const std::optional<double> n = g.Number();
        if (n) (g.code == 70 ? e.flags : e.degree) = static_cast<int>(*n);
      }
      break;
    default:
      if (g.code == 10)
        number(&point(0).x);
      else if (g.code == 20)
        number(&point(0).y);
      else if (g.code == 11 || g.code == 21) {
        double v = 0;
        number(&v);
        (g.code == 11 ? e.second.x : e.second.y) = v;
        e.hasSecond = true;
      } else if (g.code == 40) {
        number(e.kind == Kind::Ellipse ? &e.ratio : &e.radius);
      } else if (g.code == 41) {
        if (e.kind == Kind::Ellipse)
          number(&e.param0);
        else if (e.kind == Kind::Insert)
          number(&e.scaleX);
      } else if (g.code == 42) {
        if (e.kind == Kind::Ellipse)
          number(&e.param1);
        else if (e.kind == Kind::Insert)
          number(&e.scaleY);
      } else if (g.code == 50) {
        const std::optional<double> n = g.Number();
        if (n && e.kind == Kind::Arc) {
          e.start = *n;
        } else if (n && *n >= -360 && *n <= 360) {
          e.angle = *n;
          e.hasAngle = true;
        }
      } else if (g.code == 51) {
        number(&e.end);
      } else if (g.code == 1 || g.code == 3) {
        if (e.text.size() < 65536) e.text.append(g.value.substr(0, 65536 - e.text.size()));
      } else if (g.code == 2 && e.kind == Kind::Insert) {
        e.block.assign(g.value.substr(0, 255));
      }
      break;
  }
}

// A bulge between two vertices as cubic pieces of at most 90 degrees; `emit` gets each
// piece's two control points and its end.
template <typename F>
void BulgeArc(Pt a, Pt b, double bulge, F&& emit) {
  const double theta = 4 * std::atan(bulge);  // signed included angle
  const double chord = std::hypot(b.x - a.x, b.y - a.y);
  if (chord == 0 || !std::isfinite(theta)) return;
  const double r = chord / (2 * std::sin(std::abs(theta) / 2));
  // The centre lies to the left of a->b for a positive bulge.
  const double mx = (a.x + b.x) / 2, my = (a.y + b.y) / 2;
  const double h = r * std::cos(std::abs(theta) / 2);
  const double ux = -(b.y - a.y) / chord, uy = (b.x - a.x) / chord;
  const double side = (theta > 0) == (std::abs(theta) < kPi) ? 1 : -1;
  const Pt c{mx + side * h * ux, my + side * h * uy};
  const double a0 = std::atan2(a.y - c.y, a.x - c.x);
  const int pieces = std::max(1, static_cast<int>(std::ceil(std::abs(theta) / (kPi / 2) - 1e-9)));
  const double step = theta / pieces;
  const double k = 4.0 / 3.0 * std::tan(step / 4);
  for (int i = 0; i < pieces; ++i) {
    const double s = a0 + step * i, t = s + step;
    const Pt p0{c.x + r * std::cos(s), c.y + r * std::sin(s)};
    const Pt p3 = i + 1 == pieces ? b : Pt{c.x + r * std::cos(t), c.y + r * std::sin(t)};
    emit(Pt{p0.x - k * r * std::sin(s), p0.y + k * r * std::cos(s)},
         Pt{p3.x + k * r * std::sin(t), p3.y - k * r * std::cos(t)}, p3);
  }
}

// Points of a B-spline by de Boor's algorithm, evenly in its parameter.
std::vector<Pt> SampleSpline(const Entity& e) {
  const int p = std::clamp(e.degree, 1, 10);
  const size_t n = e.pts.size();
  std::vector<Pt> out;
  if (n < static_cast<size_t>(p) + 1) return e.pts;
  std::vector<double> knots = e.knots;
  if (knots.size() != n + static_cast<size_t>(p) + 1) {
    // A clamped uniform knot vector.
    knots.clear();
    for (int i = 0; i <= p; ++i) knots.push_back(0);
    for (size_t i = 1; i < n - static_cast<size_t>(p); ++i) knots.push_back(static_cast<double>(i));
    for (int i = 0; i <= p; ++i) knots.push_back(static_cast<double>(n - static_cast<size_t>(p)));
  }
  const double u0 = knots[static_cast<size_t>(p)], u1 = knots[n];
  if (!(u1 > u0)) return e.pts;
  const int samples = static_cast<int>(std::min<size_t>(n * 8, 1990));
  std::vector<Pt> d(static_cast<size_t>(p) + 1);
  for (int s = 0; s <= samples; ++s) {
    const double u = u0 + (u1 - u0) * s / samples;
    size_t k = static_cast<size_t>(p);
    while (k + 1 < n && knots[k + 1] <= u) ++k;
    for (int j = 0; j <= p; ++j)
      d[static_cast<size_t>(j)] = e.pts[k - static_cast<size_t>(p) + static_cast<size_t>(j)];
    for (int r = 1; r <= p; ++r)
      for (int j = p; j >= r; --j) {
        const size_t i = k - static_cast<size_t>(p) + static_cast<size_t>(j);
        const double den =
            knots[i + static_cast<size_t>(p) + 1 - static_cast<size_t>(r)] - knots[i];
        const double alpha = den == 0 ? 0 : (u - knots[i]) / den;
        d[static_cast<size_t>(j)] = {
            (1 - alpha) * d[static_cast<size_t>(j) - 1].x + alpha * d[static_cast<size_t>(j)].x,
            (1 - alpha) * d[static_cast<size_t>(j) - 1].y + alpha * d[static_cast<size_t>(j)].y};
      }
    out.push_back(d[static_cast<size_t>(p)]);
  }
  return out;
}

void Importer::AddCurve(const Entity& e, const Affine& t, std::vector<Coord>& out, bool& ok) const {
  auto anchor = [&](Pt p) {
    if (!ok || out.size() + 1 > static_cast<size_t>(kMaxPoints)) return;
    Coord c;
    if (!ToMap(p, t, 0, &c))
      ok = false;
    else
      out.push_back(c);
  };
  auto bezier = [&](Pt c1, Pt c2, Pt end) {
    // A curve is kept whole or not at all.
    if (!ok || out.empty() || out.size() + 3 > static_cast<size_t>(kMaxPoints)) return;
    Coord a, b, c;
    if (!ToMap(c1, t, kFirstCurvePoint, &a) || !ToMap(c2, t, kSecondCurvePoint, &b) ||
        !ToMap(end, t, 0, &c)) {
      ok = false;
      return;
    }
    out.insert(out.end(), {a, b, c});
  };
  auto ellipseArc = [&](Pt c, Pt major, double ratio, double p0, double p1) {
    // The unit circle's arc from p0 to p1, taken through the ellipse's axes.
    const Pt minor{-major.y * ratio, major.x * ratio};
    auto at = [&](double u, double ux, double uy) {
      return Pt{c.x + major.x * ux + minor.x * uy, c.y + major.y * ux + minor.y * uy};
      (void)u;
    };
    while (p1 <= p0) p1 += 2 * kPi;
    const double sweep = p1 - p0;
    const int pieces = std::max(1, static_cast<int>(std::ceil(sweep / (kPi / 2) - 1e-9)));
    const double step = sweep / pieces, k = 4.0 / 3.0 * std::tan(step / 4);
    anchor(at(p0, std::cos(p0), std::sin(p0)));
    for (int i = 0; i < pieces; ++i) {
      const double s = p0 + step * i, u = s + step;
      bezier(at(s, std::cos(s) - k * std::sin(s), std::sin(s) + k * std::cos(s)),
             at(u, std::cos(u) + k * std::sin(u), std::sin(u) - k * std::cos(u)),
             at(u, std::cos(u), std::sin(u)));
    }
  };
  switch (e.kind) {
    case Kind::Line:
      if (e.pts.size() < 2) {
        ok = false;
        return;
      }
      anchor(e.pts[0]);
      anchor(e.pts[1]);
      break;
    case Kind::Polyline:
    case Kind::LwPolyline: {
      const bool closed = e.flags & 1;
      const size_t n = e.pts.size();
      for (size_t i = 0; i < n && ok; ++i) {
        if (i == 0) anchor(e.pts[0]);
        const bool last = i + 1 == n;
        if (last && !closed) break;
        const Pt to = last ? e.pts[0] : e.pts[i + 1];
        const double bulge = i < e.bulges.size() ? e.bulges[i] : 0;
        if (bulge != 0 && std::isfinite(bulge))
          BulgeArc(e.pts[i], to, bulge, bezier);
        else
          anchor(to);
      }
      break;
    }
    case Kind::Circle:
      if (e.pts.empty() || !(e.radius > 0)) {
        ok = false;
        return;
      }
      ellipseArc(e.pts[0], {e.radius, 0}, 1, 0, 2 * kPi);
      break;
    case Kind::Arc:
      if (e.pts.empty() || !(e.radius > 0)) {
        ok = false;
        return;
      }
      ellipseArc(e.pts[0], {e.radius, 0}, 1, e.start * kPi / 180, e.end * kPi / 180);
      break;
    case Kind::Ellipse: {
      if (e.pts.empty() || !e.hasSecond || !(e.ratio > 0)) {
        ok = false;
        return;
      }
      const bool full = std::abs(e.param1 - e.param0) >= 2 * kPi - 1e-9 || e.param1 == e.param0;
      ellipseArc(e.pts[0], e.second, e.ratio, full ? 0 : e.param0, full ? 2 * kPi : e.param1);
      break;
    }
    case Kind::Spline: {
      if (e.fit.size() >= 2) {
        // Through the fit points: a smooth curve whose tangent at each point is parallel to
        // the chord of its neighbours.
        std::vector<Pt> f = e.fit;
        const bool closed = e.flags & 1;
        if (closed) f.push_back(f.front());
        const size_t n = f.size();
        auto at = [&](ptrdiff_t i) {
          if (closed && n > 2) {
            const ptrdiff_t m = static_cast<ptrdiff_t>(n) - 1;
            return f[static_cast<size_t>(((i % m) + m) % m)];
          }
          return f[static_cast<size_t>(std::clamp<ptrdiff_t>(i, 0, static_cast<ptrdiff_t>(n) - 1))];
        };
        anchor(f[0]);
        for (size_t i = 0; i + 1 < n; ++i) {
          const ptrdiff_t k = static_cast<ptrdiff_t>(i);
          const Pt p0 = at(k - 1), p1 = at(k), p2 = at(k + 1), p3 = at(k + 2);
          bezier({p1.x + (p2.x - p0.x) / 6, p1.y + (p2.y - p0.y) / 6},
                 {p2.x - (p3.x - p1.x) / 6, p2.y - (p3.y - p1.y) / 6}, f[i + 1]);
        }
      } else {
        const std::vector<Pt> pts = SampleSpline(e);
        for (const Pt& p : pts) anchor(p);
        if ((e.flags & 1) && !pts.empty()) anchor(pts.front());
      }
      break;
    }
    default:
      break;
  }
}

bool Importer::Emit(ObjectRecord& obj, const std::string& layer) {
  const int type = static_cast<int>(obj.type);
  if (const CrossRefEntry* entry = table_.SymbolFor(layer, type)) {
    obj.symbol = static_cast<int16_t>(entry->symbolNumber);
    obj.type = static_cast<ObjectType>(entry->symbolType);
  } else {
    obj.symbol = -1;
    obj.SetLayerName(layer.substr(0, 15));
  }
  if (obj.type == ObjectType::Text && fonts_ && obj.symbol > 0) {
    const int place = store_.SymbolPlace(obj.symbol);
    if (place >= 0) LayOutTextBox(*fonts_, obj, store_.Symbol(place));
  }
  if (!store_.AddObject(obj)) {
    stop_ = true;
    return false;
  }
  result_.added.push_back(store_.ObjectCount());
  progress_.Step(static_cast<int32_t>(result_.added.size()), store_.ObjectCount());
  if (progress_.AbortRequested()) stop_ = true;
  return true;
}

void Importer::Finish(Entity& e, const Affine& t, const std::string& insertLayer, int depth) {
  if (!e.valid || stop_) return;
  // Entities of a block on layer "0" take the layer of the INSERT that places them.
  const std::string& layer = (e.layer == "0" && !insertLayer.empty()) ? insertLayer : e.layer;
  ObjectRecord obj;
  const double turn = t.Rotation() * 180 / kPi;
  auto angleWord = [&](double degrees) {
    double a = std::fmod(degrees + turn, 360.0);
    return static_cast<int16_t>(std::nearbyint(a * 10));
  };
  switch (e.kind) {
    case Kind::Point:
    case Kind::Insert: {
      if (e.pts.empty()) e.pts.resize(1);
      if (e.kind == Kind::Insert && depth < kMaxInsertDepth) {
        const auto it = blocks_.find(e.block);
        if (it != blocks_.end() && !it->second.entities.empty() &&
            !(table_.SymbolFor(layer, 1) != nullptr)) {
          // The block's contents: moved by its base point, scaled, turned, placed.
          const double r = e.angle * kPi / 180;
          const Block& b = it->second;
          const Affine local{e.scaleX * std::cos(r),
                             -e.scaleY * std::sin(r),
                             e.scaleX * std::sin(r),
                             e.scaleY * std::cos(r),
                             0,
                             0};
          Affine place = local;
          const Pt base = local.Map(b.base);
          place.e = e.pts[0].x - base.x;
          place.f = e.pts[0].y - base.y;
          const Affine whole = place.Then(t);
          // Copies: a block may hold the INSERT that is being finished.
          std::vector<Entity> contents = b.entities;
          for (Entity& inner : contents) {
            if (++placed_ > kMaxPlaced || stop_) break;
            Finish(inner, whole, layer, depth + 1);
          }
          return;
        }
      }
      Coord c;
      if (!ToMap(e.pts[0], t, 0, &c)) return;
      obj.type = ObjectType::Point;
      obj.coords = {c};
      if (e.hasAngle) obj.angle = angleWord(e.angle);
      Emit(obj, layer);
      return;
    }
    case Kind::Text:
    case Kind::MText: {
      if (e.pts.empty()) return;
      Coord c;
      if (!ToMap(e.pts[0], t, 0, &c)) return;
      obj.type = ObjectType::Text;
      // The position and the four corners of the text, at the position until laid out.
      obj.coords.assign(5, c);
      const std::string raw = e.kind == Kind::MText ? PlainMText(e.text) : e.text;
      obj.SetText(TextOf(raw));
      double degrees = e.angle;
      if (e.kind == Kind::MText && e.hasSecond && !e.hasAngle)
        degrees = std::atan2(e.second.y, e.second.x) * 180 / kPi;
      if (e.hasAngle || degrees != 0) obj.angle = angleWord(degrees);
      Emit(obj, layer);
      return;
    }
    default:
      break;
  }
  bool ok = true;
  obj.type = ObjectType::Line;
  AddCurve(e, t, obj.coords, ok);
  if (!ok || obj.coords.size() < 2) return;
  Emit(obj, layer);
}

DxfImportResult Importer::Run(DxfReader& reader) {
  progress_.Start(";objects imported.", 0, 10, true, "Importing");
  enum class Section { None, Header, Blocks, Entities, Other };
  Section section = Section::None;
  DxfGroup g;
  bool expectSectionName = false;
  std::string headerVariable, version, codePage;
  Entity entity;
  bool inEntity = false, inVertex = false;
  Block* block = nullptr;
  const Affine identity;

  auto closeEntity = [&] {
    if (!inEntity) return;
    inEntity = false;
    if (entity.kind == Kind::Polyline) return;  // open until SEQEND
    if (section == Section::Blocks && block) {
      blockPoints_ += entity.pts.size() + entity.fit.size() + 1;
      if (blockPoints_ <= kMaxBlockPoints) block->entities.push_back(std::move(entity));
    } else if (section == Section::Entities) {
      Finish(entity, identity, {}, 0);
    }
  };
  auto finishPolyline = [&] {
    if (section == Section::Blocks && block) {
      blockPoints_ += entity.pts.size() + 1;
      if (blockPoints_ <= kMaxBlockPoints) block->entities.push_back(std::move(entity));
    } else if (section == Section::Entities && entity.pts.size() >= 2) {
      Finish(entity, identity, {}, 0);
    }
    entity = Entity{};
  };
  bool inPolyline = false;

  for (;;) {
    const DxfReader::Result r = reader.Next(&g);
    if (r == DxfReader::Result::End) break;
    if (r == DxfReader::Result::Error) {
      result_.error = "Error in DXF file";
      result_.stopped = true;
      break;
    }
    if (expectSectionName) {
      expectSectionName = false;
      if (g.code == 2) {
        section = g.value == "HEADER"     ? Section::Header
                  : g.value == "BLOCKS"   ? Section::Blocks
                  : g.value == "ENTITIES" ? Section::Entities
                                          : Section::Other;
        if (section == Section::Entities) {
          // The header has been read: refuse a text encoding the map cannot take.
          if (version >= "AC1021") {
            encoding_ = Encoding::Utf8;
          } else if (codePage.empty() || codePage == "DOS850" || codePage == "DOS437" ||
                     codePage == "DOS437" || codePage == "dos850" || codePage == "dos437") {
            encoding_ = Encoding::Oem;
          } else if (codePage == "ANSI_1252" || codePage == "ansi_1252") {
            encoding_ = Encoding::Ansi;
          } else {
            result_.error = "The DXF file's texts are in the code page " + codePage +
                            ", which cannot be imported. Nothing was imported.";
            result_.stopped = true;
            break;
          }
        }
        continue;
      }
    }
    if (g.code == 0) {
      if (inPolyline) {
        if (inVertex) {
          inVertex = false;
          if (entity.flags & (1 << 16)) {
            entity.pts.pop_back();
            entity.bulges.pop_back();
            entity.flags &= 0xffff;
          } else if (entity.pts.size() > static_cast<size_t>(kMaxPoints)) {
            entity.pts.pop_back();  // further vertices are ignored
            entity.bulges.pop_back();
          }
        }
        if (g.value == "VERTEX") {
          inVertex = true;
          entity.pts.push_back({});
          entity.bulges.push_back(0);
          continue;
        }
        inPolyline = false;
        finishPolyline();
        if (g.value == "SEQEND") continue;
      }
      closeEntity();
      if (stop_) {
        result_.stopped = true;
        break;
      }
      if (g.value == "SECTION") {
        expectSectionName = true;
        continue;
      }
      if (g.value == "ENDSEC") {
        section = Section::None;
        block = nullptr;
        continue;
      }
      if (section == Section::Blocks) {
        if (g.value == "BLOCK") {
          block = nullptr;
          entity = Entity{};
          entity.kind = Kind::Insert;  // reads the name (2) and base point (10, 20)
          inEntity = false;
          // The block's head is read into a scratch entity until its first entity.
          Entity head;
          head.kind = Kind::Insert;
          std::string name;
          Pt base;
          // Groups up to the next code 0 belong to the block head.
          DxfGroup h;
          bool ended = false;
          for (;;) {
            const DxfReader::Result hr = reader.Next(&h);
            if (hr != DxfReader::Result::Group) {
              ended = true;
              if (hr == DxfReader::Result::Error) {
                result_.error = "Error in DXF file";
                result_.stopped = true;
              }
              break;
            }
            if (h.code == 0) break;
            if (h.code == 2) name.assign(h.value.substr(0, 255));
            if (h.code == 10 && h.Number()) base.x = *h.Number();
            if (h.code == 20 && h.Number()) base.y = *h.Number();
          }
          if (ended) break;
          Block& b = blocks_[name];
          b = Block{};
          b.base = base;
          block = &b;
          g = h;
          // Fall through with the group that ended the head.
          if (g.value == "ENDBLK") {
            block = nullptr;
            continue;
          }
        } else if (g.value == "ENDBLK") {
          block = nullptr;
          continue;
        }
      }
      const Kind kind = KindOf(g.value);
      if ((section == Section::Entities || (section == Section::Blocks && block)) &&
          kind != Kind::None) {
        entity = Entity{};
        entity.kind = kind;
        inEntity = true;
        if (kind == Kind::Polyline) inPolyline = true;
      }
      continue;
    }
    if (section == Section::Header) {
      if (g.code == 9) {
        headerVariable.assign(g.value);
      } else if (headerVariable == "$ACADVER" && g.code == 1) {
        version.assign(g.value.substr(0, 16));
      } else if (headerVariable == "$DWGCODEPAGE" && g.code == 3) {
        codePage.assign(g.value.substr(0, 32));
      }
      continue;
    }
    if (inPolyline) {
      Take(g, entity, inVertex);
    } else if (inEntity) {
      Take(g, entity, false);
    }
  }
  if (inPolyline && !result_.stopped)
    finishPolyline();
  else if (!result_.stopped)
    closeEntity();
  if (reader.ReadFailed() && result_.error.empty()) result_.error = "Error in DXF file";
  progress_.End();
  return std::move(result_);
}

}  // namespace

DxfExtent ScanDxfExtent(DxfReader& reader) {
  DxfExtent x;
  DxfGroup g;
  std::string variable;
  bool haveMin = false, haveMax = false;
  int pending = 0;  // 1 min, 2 max
  bool minX = false, maxX = false;
  while (reader.Next(&g) == DxfReader::Result::Group) {
    if (g.value == "ENTITIES") break;
    if (g.code == 9) {
      pending = (g.value == "$EXTMIN" || g.value == "$LIMMIN")   ? 1
                : (g.value == "$EXTMAX" || g.value == "$LIMMAX") ? 2
                                                                 : 0;
      continue;
    }
    const std::optional<double> v = g.Number();
    if (pending == 1 && g.code == 10 && v) {
      x.minX = *v;
      minX = true;
    } else if (pending == 1 && g.code == 20 && v && minX) {
      x.minY = *v;
      haveMin = true;
      pending = 0;
    } else if (pending == 2 && g.code == 10 && v) {
      x.maxX = *v;
      maxX = true;
    } else if (pending == 2 && g.code == 20 && v && maxX) {
      x.maxY = *v;
      haveMax = true;
      pending = 0;
    }
  }
  x.found = haveMin && haveMax;
  if (x.found) {
    x.offsetX = std::nearbyint((x.minX + x.maxX) / 2);
    x.offsetY = std::nearbyint((x.minY + x.maxY) / 2);
  }
  return x;
}

DxfExtent ScanDxfFirstVertex(DxfReader& reader) {
  DxfExtent x;
  DxfGroup g;
  bool afterVertex = false, haveX = false, haveY = false;
  while (reader.Next(&g) == DxfReader::Result::Group) {
    if (g.value == "EOF" && g.code == 0) break;
    if (g.value == "VERTEX") {
      afterVertex = true;
      continue;
    }
    if (!afterVertex) continue;
    const std::optional<double> v = g.Number();
    if (g.code == 10 && v && !haveX) {
      x.offsetX = *v;
      haveX = true;
    } else if (g.code == 20 && v && !haveY) {
      x.offsetY = *v;
      haveY = true;
    }
    if (haveX && haveY) break;
  }
  return x;
}

double GisFactor(double mapScale) {
  return mapScale > 0 ? 100000.0 / mapScale : 0;
}
double MillimetreFactor(double mmPerUnit) {
  return mmPerUnit * 100;
}

DxfImportResult ImportDxf(MapStore& store, DxfReader& reader, const DxfImportParams& params,
                          const CrossRefTable& table, FontService* fonts, Progress& progress) {
  DxfImportResult result;
  if (!reader.Open()) {
    result.error = "Cannot open";
    result.stopped = true;
    return result;
  }
  store.BeginBatch();
  Importer importer(store, params, table, fonts, progress);
  result = importer.Run(reader);
  if (!store.EndBatch()) {
    result.stopped = true;
    result.added.clear();
  }
  if (params.gis && params.importCoordinates && !result.added.empty()) {
    SetupBlock& s = store.MutableSetup();
    s.SetRealWorldX(params.offsetX);
    s.SetRealWorldY(params.offsetY);
    if (s.RealWorldGrid() == 0) s.SetRealWorldGrid(1000);
    store.WriteSettings();
  }
  return result;
}

}  // namespace zelk
