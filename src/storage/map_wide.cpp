// Map-wide transforms, symbol scaling and changes of objects by symbol.
#include "storage/map_wide.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "storage/export_writer.h"
#include "storage/symbol_records.h"

namespace zelk {

namespace {

constexpr double kAreaUnits = kMapAreaLimit / 256.0;  // 200000 map units

// Halves to even, as every derived position of the program.
double RoundEven(double v) {
  return std::nearbyint(v);
}

int NormalAngle(int64_t a) {
  return static_cast<int>(((a % 3600) + 3600) % 3600);
}

// Detaches the undo recorder while a map-wide change runs: its records are not kept.
class NoUndo {
 public:
  explicit NoUndo(MapStore& s) : s_(s), was_(s.GetUndoRecorder()) { s.SetUndoRecorder(nullptr); }
  ~NoUndo() { s_.SetUndoRecorder(was_); }
  NoUndo(const NoUndo&) = delete;
  NoUndo& operator=(const NoUndo&) = delete;

 private:
  MapStore& s_;
  UndoRecorder* was_;
};

}  // namespace

MapTransform MapTransform::Move(int32_t dxWords, int32_t dyWords) {
  MapTransform t;
  t.kind = Kind::Move;
  t.dx = dxWords & kPosMask;
  t.dy = dyWords & kPosMask;
  return t;
}

MapTransform MapTransform::Stretch(double fx, double fy) {
  MapTransform t;
  t.kind = Kind::Stretch;
  t.fx = fx;
  t.fy = fy;
  return t;
}

MapTransform MapTransform::Rotate(double degrees, bool rotateSymbols) {
  MapTransform t;
  t.kind = Kind::Rotate;
  t.degrees = degrees;
  t.withSymbols = rotateSymbols;
  return t;
}

MapTransform MapTransform::Scale(double factor, bool scaleSymbols) {
  MapTransform t;
  t.kind = Kind::Scale;
  t.fx = t.fy = factor;
  t.withSymbols = scaleSymbols;
  return t;
}

void MapTransform::Apply(double x, double y, double* nx, double* ny) const {
  switch (kind) {
    case Kind::Move:
      *nx = x + (dx >> 8);
      *ny = y + (dy >> 8);
      return;
    case Kind::Stretch:
    case Kind::Scale:
      *nx = x * fx;
      *ny = y * fy;
      return;
    case Kind::Rotate: {
      const double a = degrees * std::numbers::pi / 180.0;
      const double c = std::cos(a), s = std::sin(a);
      *nx = x * c - y * s;
      *ny = x * s + y * c;
      return;
    }
  }
}

std::optional<Coord> MapTransform::Point(Coord c) const {
  double nx = 0, ny = 0;
  Apply(c.PosX(), c.PosY(), &nx, &ny);
  nx = RoundEven(nx);
  ny = RoundEven(ny);
  if (!(std::abs(nx) <= kAreaUnits) || !(std::abs(ny) <= kAreaUnits)) return std::nullopt;
  return Coord::FromUnits(static_cast<int32_t>(nx), static_cast<int32_t>(ny), c.XFlags(),
                          c.YFlags());
}

bool MapTransform::KeepsInside(const Box& box) const {
  const double xs[2] = {static_cast<double>(box.left >> 8), static_cast<double>(box.right >> 8)};
  const double ys[2] = {static_cast<double>(box.bottom >> 8), static_cast<double>(box.top >> 8)};
  for (double x : xs)
    for (double y : ys) {
      double nx = 0, ny = 0;
      Apply(x, y, &nx, &ny);
      if (!(std::abs(nx) <= kAreaUnits) || !(std::abs(ny) <= kAreaUnits)) return false;
    }
  return true;
}

bool MapTransform::ApplyToObject(ObjectRecord& obj) const {
  if (obj.coords.empty()) return true;
  // Texts keep their box around the anchor, and rectangles their corners around the first
  // one, unless their symbols turn or grow with the map.
  const bool text = obj.type == ObjectType::Text;
  const bool rect = obj.type == ObjectType::Rectangle;
  bool carryRest = false;
  if (kind == Kind::Rotate && !withSymbols) carryRest = text || rect;
  if (kind == Kind::Stretch) carryRest = text;
  if (kind == Kind::Scale && !withSymbols) carryRest = text;
  if (carryRest) {
    const Coord first = obj.coords[0];
    const std::optional<Coord> moved = Point(first);
    if (!moved) return false;
    const int64_t ddx = int64_t{moved->PosX()} - first.PosX();
    const int64_t ddy = int64_t{moved->PosY()} - first.PosY();
    obj.coords[0] = *moved;
    for (size_t i = 1; i < obj.coords.size(); ++i) {
      Coord& c = obj.coords[i];
      const int64_t nx = c.PosX() + ddx, ny = c.PosY() + ddy;
      if (std::abs(nx) > kAreaUnits || std::abs(ny) > kAreaUnits) return false;
      c = Coord::FromUnits(static_cast<int32_t>(nx), static_cast<int32_t>(ny), c.XFlags(),
                           c.YFlags());
    }
  } else {
    for (Coord& c : obj.coords) {
      const std::optional<Coord> moved = Point(c);
      if (!moved) return false;
      c = *moved;
    }
  }
  if (kind == Kind::Rotate && withSymbols) {
    const int64_t tenths = std::llround(degrees * 10.0);
    obj.angle = static_cast<int16_t>(NormalAngle(int64_t{obj.angle} + tenths));
  }
  // A mirrored rectangle runs the other way round: its corners are put back in order so that
  // the first is again the lower left one (in the frame of its angle, which is mirrored too).
  if (kind == Kind::Stretch && rect && obj.coords.size() >= 4) {
    const bool mx = fx < 0, my = fy < 0;
    if (mx || my) {
      std::array<Coord, 4> p{};
      for (int i = 0; i < 4; ++i) p[static_cast<size_t>(i)] = obj.coords[static_cast<size_t>(i)];
      std::array<int, 4> order{};
      if (mx && my)
        order = {2, 3, 0, 1};
      else if (mx)
        order = {1, 0, 3, 2};
      else
        order = {3, 2, 1, 0};
      for (int i = 0; i < 4; ++i) {
        Coord& c = obj.coords[static_cast<size_t>(i)];
        const Coord& from = p[static_cast<size_t>(order[static_cast<size_t>(i)])];
        // Flags belong to the place in the list, not to the corner.
        c = {(from.x & kPosMask) | (c.x & kFlagMask), (from.y & kPosMask) | (c.y & kFlagMask)};
      }
      if (mx != my) obj.angle = static_cast<int16_t>(NormalAngle(-int64_t{obj.angle}));
    }
  }
  return true;
}

const char* MapTransform::ProgressText() const {
  switch (kind) {
    case Kind::Move:
      return ";objects moved.";
    case Kind::Stretch:
      return ";objects stretched.";
    case Kind::Rotate:
      return ";objects rotated.";
    case Kind::Scale:
      return ";objects done";
  }
  return ";objects done";
}

MapWideResult TransformMap(MapStore& store, const MapTransform& t, Progress& progress,
                           const AreaQuestion& ask) {
  MapWideResult result;
  Box extent;
  if (store.MapExtent(&extent) && !t.KeepsInside(extent) && ask && !ask()) {
    result.ok = false;
    result.cancelled = true;
    return result;
  }
  NoUndo noUndo(store);
  const int32_t count = store.ObjectCount();
  progress.Start(t.ProgressText(), count, 10, true);
  ObjectRecord obj;
  WriteBatch batch(store);
  for (int32_t n = 1; n <= count; ++n) {
    IndexEntry e;
    if (!store.ReadEntry(n, &e) || !e.Live()) continue;
    if (!store.ReadObject(n, &obj)) continue;
    bool done = false;
    if (t.ApplyToObject(obj)) {
      done = store.RewriteObject(n, obj);
      if (done) ++result.changed;
    } else {
      done = store.DeleteObject(n);
      if (done) ++result.deleted;
    }
    if (!done) {
      result.ok = false;
      break;
    }
    result.objects.push_back(n);
    progress.Step(result.changed + result.deleted, n);
    if (progress.AbortRequested()) {
      result.ok = false;
      result.stopped = true;
      break;
    }
  }
  if (!batch.Commit()) result.ok = false;
  progress.End();
  return result;
}

// ---------------------------------------------------------------------------------------
// Symbol scaling

namespace {

struct Scaler {
  double f;
  bool clamped = false;
  int16_t I16(int v) {
    const double r = RoundEven(v * f);
    if (r > 32767 || r < -32768) clamped = true;
    return static_cast<int16_t>(std::clamp(r, -32768.0, 32767.0));
  }
  int32_t I32(int32_t v) {
    const double r = RoundEven(v * f);
    if (r > 2147483647.0 || r < -2147483648.0) clamped = true;
    return static_cast<int32_t>(std::clamp(r, -2147483648.0, 2147483647.0));
  }
  int32_t Word(int32_t w) {
    const double r = RoundEven((w >> 8) * f);
    const double lim = 4194303;  // (2^30 - 1) / 256
    if (r > lim || r < -lim) clamped = true;
    const auto units = static_cast<int32_t>(std::clamp(r, -lim, lim));
    return static_cast<int32_t>(static_cast<uint32_t>(units) << 8) | (w & kFlagMask);
  }
  // An element list in place: line widths, diameters and point positions.
  void List(std::vector<uint8_t>& bytes, size_t offset, int units) {
    if (offset > bytes.size()) return;
    const std::span<uint8_t> all(bytes.data() + offset, bytes.size() - offset);
    const size_t end = std::min(all.size(), static_cast<size_t>(std::max(units, 0)) * 8);
    size_t at = 0;
    while (at + SymbolElementHead::kSize <= end) {
      SymbolElementHead h = SymbolElementHead::Decode(all.data() + at);
      if (h.pointCount < 0) break;
      const size_t size = SymbolElementHead::kSize + 8 * static_cast<size_t>(h.pointCount);
      if (at + size > end) break;
      if (h.kind == kElementLine || h.kind == kElementCircle) h.lineWidth = I16(h.lineWidth);
      if (h.kind == kElementCircle || h.kind == kElementDot) h.diameter = I16(h.diameter);
      h.Encode(all.data() + at);
      for (int i = 0; i < h.pointCount; ++i) {
        uint8_t* p = all.data() + at + SymbolElementHead::kSize + 8 * static_cast<size_t>(i);
        PutI32(p, Word(GetI32(p)));
        PutI32(p + 4, Word(GetI32(p + 4)));
      }
      at += size;
    }
  }
};

size_t OffsetIn(const SymbolRecord& rec, const ElementBytes& list) {
  return static_cast<size_t>(list.data() - rec.Bytes().data());
}

}  // namespace

bool ScaleSymbol(SymbolRecord& rec, double factor) {
  Scaler s{factor};
  const SymbolRecord copy = rec;
  struct ListPlace {
    size_t offset;
    int units;
  };
  std::vector<ListPlace> lists;
  switch (rec.Type()) {
    case SymbolType::Point:
      if (const auto p = PointSymbol::Decode(copy))
        lists.push_back({OffsetIn(copy, p->Elements), p->Elements.Units()});
      break;
    case SymbolType::Line:
      if (rec.IsLineText()) {
        if (auto t = LineTextSymbol::Decode(copy)) {
          t->FontSize = s.I16(t->FontSize);
          t->SFSize = s.I16(t->SFSize);
          t->SFOfx = s.I16(t->SFOfx);
          t->SFOfy = s.I16(t->SFOfy);
          t->Encode(rec);
        }
      } else if (auto l = LineSymbol::Decode(copy)) {
        for (int16_t* v :
             {&l->LineWidth, &l->DistFromStart, &l->DistToEnd, &l->MainLength, &l->EndLength,
              &l->MainGap, &l->SecGap, &l->EndGap, &l->PrimSymDist, &l->DblWidth, &l->DblLeftWidth,
              &l->DblRightWidth, &l->DblLength, &l->DblGap})
          *v = s.I16(*v);
        for (const ElementBytes* list :
             {&l->MainList, &l->SecList, &l->CornerList, &l->StartList, &l->EndList})
          lists.push_back({OffsetIn(copy, *list), list->Units()});
        l->Encode(rec);
      }
      break;
    case SymbolType::Area:
      if (auto a = AreaSymbol::Decode(copy)) {
        for (int16_t* v : {&a->HatchLineWidth, &a->HatchDist, &a->StructWidth, &a->StructHeight})
          *v = s.I16(*v);
        lists.push_back({OffsetIn(copy, a->Structure), a->Structure.Units()});
        a->Encode(rec);
      }
      break;
    case SymbolType::Text:
      if (auto t = TextSymbol::Decode(copy)) {
        for (int16_t* v : {&t->FontSize, &t->ParaSpace, &t->IndentFirst, &t->IndentOther,
                           &t->LBWidth, &t->LBDist, &t->SFSize, &t->SFOfx, &t->SFOfy})
          *v = s.I16(*v);
        for (int32_t& tab : t->Tabs) tab = s.I32(tab);
        t->Encode(rec);
      }
      break;
    case SymbolType::Rectangle:
      if (auto r = RectangleSymbol::Decode(copy)) {
        for (int16_t* v : {&r->LineWidth, &r->Radius, &r->CellWidth, &r->CellHeight})
          *v = s.I16(*v);
        r->Encode(rec);
      }
      break;
  }
  for (const ListPlace& l : lists) s.List(rec.MutableBytes(), l.offset, l.units);
  rec.SetExtent(std::max<int>(0, s.I16(rec.Extent())));
  return !s.clamped;
}

bool EnlargeSymbols(MapStore& store, const std::vector<int>& places, double factor, int* clamped) {
  if (clamped) *clamped = 0;
  if (!(factor > 0) || !std::isfinite(factor)) {
    if (store.Sink()) store.Sink()->Error("Factor must be greater than 0.");
    return false;
  }
  bool ok = true;
  std::vector<int> numbers;
  for (const int place : places) {
    if (place < 0 || place >= store.SymbolCount()) continue;
    SymbolRecord& rec = store.MutableSymbol(place);
    if (!ScaleSymbol(rec, factor) && clamped) ++*clamped;
    if (!store.WriteSymbolRecord(place)) ok = false;
    numbers.push_back(rec.Number());
  }
  if (numbers.empty()) return ok;
  const auto [lo, hi] = std::minmax_element(numbers.begin(), numbers.end());
  NoUndo noUndo(store);
  return store.UpdateObjects(*lo, *hi) && ok;
}

MapWideResult ChangeScale(MapStore& store, double newScale, bool scaleSymbols, Progress& progress,
                          const AreaQuestion& ask) {
  MapWideResult result;
  const double actual = store.Setup().MapScale();
  if (!(newScale > 0) || !std::isfinite(newScale) || !(actual > 0)) {
    if (store.Sink()) store.Sink()->Error("The scale must be greater than 0.");
    result.ok = false;
    return result;
  }
  const double factor = actual / newScale;
  const MapTransform t = MapTransform::Scale(factor, scaleSymbols);
  Box extent;
  if (store.MapExtent(&extent) && !t.KeepsInside(extent) && ask && !ask()) {
    result.ok = false;
    result.cancelled = true;
    return result;
  }
  if (scaleSymbols) {
    for (int i = 0; i < store.SymbolCount(); ++i) {
      ScaleSymbol(store.MutableSymbol(i), factor);
      if (!store.WriteSymbolRecord(i)) result.ok = false;
    }
    if (!result.ok) return result;
  }
  result = TransformMap(store, t, progress, {});
  SetupBlock& setup = store.MutableSetup();
  setup.SetMapScale(newScale);
  // The grid keeps its distance on the ground, within what the settings allow.
  setup.SetPaperGrid(std::clamp(setup.PaperGrid() * factor, 0.05, 100.0));
  if (!store.WriteSettings()) result.ok = false;
  return result;
}

// ---------------------------------------------------------------------------------------
// Objects by symbol

namespace {

// The end of the outer ring: the first point that starts a hole, or the point count.
size_t OuterRingEnd(const std::vector<Coord>& pts) {
  for (size_t i = 1; i < pts.size(); ++i)
    if (pts[i].y & kHoleStart) return i;
  return pts.size();
}

}  // namespace

bool SymbolFitsObject(const ObjectRecord& obj, const SymbolRecord& target) {
  const SymbolType t = target.Type();
  const bool hasText = obj.textUnits >= 1;
  switch (obj.type) {
    case ObjectType::Point:
      return t == SymbolType::Point;
    case ObjectType::Line:
      if (t == SymbolType::Line) return !target.IsLineText() || hasText;
      return t == SymbolType::Area;
    case ObjectType::Area:
      if (t == SymbolType::Area) return true;
      // A line of the outer ring: it needs one, and a line text would need a text.
      return t == SymbolType::Line && !target.IsLineText() && OuterRingEnd(obj.coords) >= 2;
    case ObjectType::Text:
      return t == SymbolType::Text;
    case ObjectType::Rectangle:
      return hasText ? t == SymbolType::Text : t == SymbolType::Rectangle;
  }
  return false;
}

void ChangeObjectSymbol(ObjectRecord& obj, const SymbolRecord& target) {
  obj.symbol = target.Number();
  if (static_cast<int>(obj.type) < 4) {
    if (obj.type == ObjectType::Area && target.Type() == SymbolType::Line) {
      // The outer ring alone, closed as a line.
      obj.coords.resize(OuterRingEnd(obj.coords));
      const Coord first = obj.coords.front();
      if (!obj.coords.back().SamePlace(first) && obj.PointCount() < kMaxPoints)
        obj.coords.push_back({first.x & kPosMask, first.y & kPosMask});
    }
    obj.type = static_cast<ObjectType>(target.Type());
  }
  if ((obj.type == ObjectType::Line && !target.IsLineText()) || obj.type == ObjectType::Area ||
      obj.type == ObjectType::Point) {
    obj.textUnits = 0;
    obj.textArea.clear();
  }
}

MapWideResult ChangeSymbols(MapStore& store, const SymbolChange& change, Progress& progress) {
  MapWideResult result;
  const int place = store.SymbolPlace(change.to);
  if (place < 0) {
    if (store.Sink()) store.Sink()->Error("Symbol does not exist.");
    result.ok = false;
    return result;
  }
  const SymbolRecord target = store.Symbol(place);
  NoUndo noUndo(store);
  const int32_t count = store.ObjectCount();
  progress.Start(";objects changed", count, 10, true, "Checking objects...");
  ObjectRecord obj;
  WriteBatch batch(store);
  for (int32_t n = 1; n <= count; ++n) {
    IndexEntry e;
    if (!store.ReadEntry(n, &e) || !e.Live()) continue;
    const bool byLayer = !change.layer.empty();
    if (!byLayer && e.symbol != change.from) continue;
    if (byLayer && e.symbol >= 0) continue;
    if (!store.ReadObject(n, &obj)) continue;
    if (byLayer && obj.LayerName() != change.layer) continue;
    if (!SymbolFitsObject(obj, target)) continue;
    ChangeObjectSymbol(obj, target);
    if (!store.RewriteObject(n, obj)) {
      result.ok = false;
      break;
    }
    ++result.changed;
    result.objects.push_back(n);
    progress.Step(result.changed, n);
    if (progress.AbortRequested()) {
      result.ok = false;
      result.stopped = true;
      break;
    }
  }
  if (!batch.Commit()) result.ok = false;
  progress.End();
  return result;
}

MapWideResult DeleteBySymbol(MapStore& store, const std::set<int>& symbols, Progress& progress) {
  MapWideResult result;
  const int32_t count = store.ObjectCount();
  progress.Start(";objects deleted.", count, 20, false);
  WriteBatch batch(store);
  for (int32_t n = 1; n <= count; ++n) {
    IndexEntry e;
    if (!store.ReadEntry(n, &e) || !e.Live() || !symbols.contains(e.symbol)) continue;
    if (!store.DeleteObject(n)) {
      result.ok = false;
      break;
    }
    ++result.deleted;
    result.objects.push_back(n);
    progress.Step(result.deleted, n);
  }
  if (!batch.Commit()) result.ok = false;
  progress.End();
  return result;
}

std::set<int> SymbolsForBySymbolCommand(MapStore& store, int currentPlace) {
  std::set<int> out;
  if (currentPlace >= 0 && currentPlace < store.SymbolCount()) {
    for (int i = 0; i < store.SymbolCount(); ++i) store.MutableSymbol(i).SetSelected(0);
    store.MutableSymbol(currentPlace).SetSelected(1);
  }
  for (int i = 0; i < store.SymbolCount(); ++i)
    if (store.Symbol(i).Selected()) out.insert(store.Symbol(i).Number());
  return out;
}

int32_t ExportBySymbol(MapStore& store, const std::set<int>& symbols, const std::string& path,
                       Progress& progress) {
  return ExportObjects(
      store, path, [&](int32_t, ObjectRecord& obj) { return symbols.contains(obj.symbol); },
      progress, ";objects exported.", 20);
}

int32_t ExportPartialMap(MapStore& store, const Box& window, const std::string& path,
                         Progress& progress) {
  return ExportObjects(
      store, path,
      [&](int32_t n, ObjectRecord&) {
        IndexEntry e;
        return store.ReadEntry(n, &e) && e.box.Meets(window);
      },
      progress, ";objects exported.", 20);
}

}  // namespace zelk
