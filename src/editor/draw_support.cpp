// The line being drawn, its limits, snapping, smoothing, joining and the commit.
#include "editor/draw_support.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

#include "geometry/coord_math.h"
#include "geometry/curves.h"

namespace zelk {

namespace {

double PX(const Coord& c) {
  return static_cast<double>(c.x & kPosMask);
}
double PY(const Coord& c) {
  return static_cast<double>(c.y & kPosMask);
}

// Distance from p to the segment a-b, all in words.
double SegmentDistance(const Coord& p, const Coord& a, const Coord& b) {
  const double ax = PX(a), ay = PY(a), bx = PX(b), by = PY(b), px = PX(p), py = PY(p);
  const double dx = bx - ax, dy = by - ay;
  const double len2 = dx * dx + dy * dy;
  double t = len2 > 0 ? ((px - ax) * dx + (py - ay) * dy) / len2 : 0;
  t = std::clamp(t, 0.0, 1.0);
  return std::hypot(px - (ax + t * dx), py - (ay + t * dy));
}

// The ring [first, end) of the point at `index`: the outer ring or a hole.
std::pair<int, int> RingOf(const std::vector<Coord>& pts, int index) {
  int first = 0;
  for (int i = 1; i <= index; ++i)
    if (pts[static_cast<size_t>(i)].y & kHoleStart) first = i;
  int end = index + 1;
  while (end < static_cast<int>(pts.size()) && !(pts[static_cast<size_t>(end)].y & kHoleStart))
    ++end;
  return {first, end};
}

Coord SwapControlFlags(Coord c) {
  const int32_t f = c.x & (kFirstCurvePoint | kSecondCurvePoint);
  c.x &= ~(kFirstCurvePoint | kSecondCurvePoint);
  if (f & kFirstCurvePoint) c.x |= kSecondCurvePoint;
  if (f & kSecondCurvePoint) c.x |= kFirstCurvePoint;
  return c;
}

// Whether the mouse lies near a point or the outline of an object.
bool ObjectNear(const ObjectRecord& o, const Coord& mouse, int32_t tol) {
  const std::vector<Coord>& p = o.coords;
  const int n = static_cast<int>(p.size());
  for (const Coord& c : p)
    if (Near(c, mouse, tol)) return true;
  std::array<Coord, MaxFlattenPoints(5)> flat;
  auto segmentNear = [&](const Coord& a, const Coord& b) {
    return SegmentDistance(mouse, a, b) <= tol;
  };
  int ringStart = 0;
  for (int i = 0; i < n; ++i) {
    const bool ringEnds = i + 1 == n || (p[static_cast<size_t>(i + 1)].y & kHoleStart);
    if (ringEnds) {
      if (o.type == ObjectType::Area && i > ringStart &&
          segmentNear(p[static_cast<size_t>(i)], p[static_cast<size_t>(ringStart)]))
        return true;
      ringStart = i + 1;
      continue;
    }
    const Coord& a = p[static_cast<size_t>(i)];
    if (IsFirstControl(p[static_cast<size_t>(i + 1)]) && i + 3 < n) {
      const int k = FlattenBezier(&p[static_cast<size_t>(i)], flat, 5, tol / 256.0);
      Coord prev = a;
      for (int j = 0; j < k; ++j) {
        if (segmentNear(prev, flat[static_cast<size_t>(j)])) return true;
        prev = flat[static_cast<size_t>(j)];
      }
      i += 2;
    } else if (!IsControl(a)) {
      if (segmentNear(a, p[static_cast<size_t>(i + 1)])) return true;
    }
  }
  return false;
}

// The anchor of the object nearest to the mouse.
int NearestAnchor(const ObjectRecord& o, const Coord& mouse) {
  int best = -1;
  double bestDist = 0;
  for (int i = 0; i < o.PointCount(); ++i) {
    const Coord& c = o.coords[static_cast<size_t>(i)];
    if (IsControl(c)) continue;
    const double d = Dist(c, mouse);
    if (best < 0 || d < bestDist) {
      best = i;
      bestDist = d;
    }
  }
  return best;
}

}  // namespace

bool ReadLiveObject(MapStore& store, int32_t n, ObjectRecord* obj) {
  if (n <= 0) return false;
  // Deleted objects keep their record in the file; they must not come back through a tool.
  IndexEntry e;
  if (!store.SymbolEditing() && (!store.ReadEntry(n, &e) || !e.Live())) return false;
  return store.ReadObject(n, obj) && obj->PointCount() > 0;
}

bool Near(const Coord& a, const Coord& b, int64_t d) {
  return std::llabs(int64_t{a.x & kPosMask} - (b.x & kPosMask)) <= d &&
         std::llabs(int64_t{a.y & kPosMask} - (b.y & kPosMask)) <= d;
}

double Dist(const Coord& a, const Coord& b) {
  return std::hypot(PX(a) - PX(b), PY(a) - PY(b));
}

// --- Smoothing ---------------------------------------------------------------------------------

namespace {

int SmoothPass(std::vector<Coord>& pts, int s, int e, double threshold, bool nudge) {
  std::vector<char> keep(static_cast<size_t>(e - s + 1), 1);
  int last = s;  // the last kept point
  for (int q = s + 1; q < e; ++q) {
    Coord& Q = pts[static_cast<size_t>(q)];
    const Coord& R = pts[static_cast<size_t>(q + 1)];
    const Coord& before = pts[static_cast<size_t>(q - 1)];
    const bool fixed = IsCorner(Q) || (Q.y & kHoleStart) || IsControl(Q) || IsControl(R) ||
                       IsSecondControl(before) || (Q.x & kNoLeftLine) != (before.x & kNoLeftLine) ||
                       (Q.y & kNoRightLine) != (before.y & kNoRightLine);
    if (fixed) {
      last = q;
      continue;
    }
    const Coord& P = pts[static_cast<size_t>(last)];
    const double dx = PX(Q) - PX(P), dy = PY(Q) - PY(P);
    const double ex = PX(R) - PX(P), ey = PY(R) - PY(P);
    bool drop = (std::abs(dx) < 512 && std::abs(dy) < 512) || Q.SamePlace(R) ||
                (dx == 0 && ex == 0) || (dy == 0 && ey == 0);
    double m = 0, o = 0;
    if (!drop) {
      m = ey != 0 ? ex / ey * dy - dx : ex / 2 - dx;
      o = ex != 0 ? dx * ey / ex - dy : ey / 2 - dy;
      drop = (ey != 0 && std::abs(m) <= threshold) || (ex != 0 && std::abs(o) <= threshold);
    }
    if (drop) {
      keep[static_cast<size_t>(q - s)] = 0;
      continue;
    }
    if (nudge) {
      // One unit towards the chord across the larger deviation, one towards the middle of P
      // and R along it.
      const double midX = (PX(P) + PX(R)) / 2, midY = (PY(P) + PY(R)) / 2;
      auto step = [](double v) { return v > 0 ? 256 : -256; };
      if (std::abs(m) >= std::abs(o)) {
        if (std::abs(o) > 256) Q.y += step(o);
        if (std::abs(midX - PX(Q)) > 256) Q.x += step(midX - PX(Q));
      } else {
        if (std::abs(m) > 256) Q.x += step(m);
        if (std::abs(midY - PY(Q)) > 256) Q.y += step(midY - PY(Q));
      }
    }
    last = q;
  }
  int w = s;
  for (int i = s; i <= e; ++i)
    if (keep[static_cast<size_t>(i - s)])
      pts[static_cast<size_t>(w++)] = pts[static_cast<size_t>(i)];
  const int newEnd = w - 1;
  pts.erase(pts.begin() + w, pts.begin() + e + 1);
  return newEnd;
}

}  // namespace

int SmoothStretch(std::vector<Coord>& pts, int s, int e, int level) {
  const int n = static_cast<int>(pts.size());
  if (s < 0 || e >= n || e - s < 2) return std::clamp(e, -1, n - 1);
  level = std::clamp(level, 0, 2);
  static constexpr int kPasses[] = {1, 2, 4};
  static constexpr double kThreshold[] = {256, 448, 640};
  for (int pass = 0; pass < kPasses[level] && e - s >= 2; ++pass)
    e = SmoothPass(pts, s, e, kThreshold[level], level > 0);
  return e;
}

// --- Outlines ----------------------------------------------------------------------------------

std::vector<Coord> FollowPoints(const ObjectRecord& obj, int from, int to) {
  std::vector<Coord> out;
  const std::vector<Coord>& p = obj.coords;
  const int n = static_cast<int>(p.size());
  if (from < 0 || to < 0 || from >= n || to >= n || from == to) return out;
  auto copy = [&](const Coord& c, bool backwards) {
    Coord k = backwards ? SwapControlFlags(c) : c;
    k.x &= ~kNoLeftLine;
    k.y &= ~(kNoRightLine | kHoleStart);
    out.push_back(k);
  };
  if (obj.type != ObjectType::Area) {
    if (from < to) {
      for (int i = from + 1; i <= to; ++i) copy(p[static_cast<size_t>(i)], false);
    } else {
      for (int i = from - 1; i >= to; --i) copy(p[static_cast<size_t>(i)], true);
    }
    return out;
  }
  const auto [first, end] = RingOf(p, from);
  if (to < first || to >= end) return out;
  int len = end - first;
  // A ring closed by repeating its first point goes round without the repetition.
  if (len > 1 && p[static_cast<size_t>(end - 1)].SamePlace(p[static_cast<size_t>(first)])) --len;
  if (len < 2) return out;
  // The repeated first point stands for the first point.
  const int fr = (from - first) % len, tr = (to - first) % len;
  if (fr == tr) return out;
  const int forward = (tr - fr + len) % len, backward = (fr - tr + len) % len;
  if (forward <= backward) {
    for (int i = 1; i <= forward; ++i) copy(p[static_cast<size_t>(first + (fr + i) % len)], false);
  } else {
    for (int i = 1; i <= backward; ++i)
      copy(p[static_cast<size_t>(first + (fr - i + len) % len)], true);
  }
  return out;
}

std::vector<Coord> EllipsePoints(double cx, double cy, double ux, double uy, double vx, double vy) {
  constexpr double k = 0.55;
  auto pt = [](double x, double y, int32_t xf = 0) {
    return Coord{RoundToPosition(x) | xf, RoundToPosition(y)};
  };
  // Anchors at the angles pi, 3pi/2, 0, pi/2 of c + u cos t + v sin t; the tangent there is
  // -u sin t + v cos t.
  const double ax[5] = {cx - ux, cx - vx, cx + ux, cx + vx, cx - ux};
  const double ay[5] = {cy - uy, cy - vy, cy + uy, cy + vy, cy - uy};
  const double tx[5] = {-vx, ux, vx, -ux, -vx};
  const double ty[5] = {-vy, uy, vy, -uy, -vy};
  std::vector<Coord> out{pt(ax[0], ay[0])};
  for (int i = 0; i < 4; ++i) {
    out.push_back(pt(ax[i] + k * tx[i], ay[i] + k * ty[i], kFirstCurvePoint));
    out.push_back(pt(ax[i + 1] - k * tx[i + 1], ay[i + 1] - k * ty[i + 1], kSecondCurvePoint));
    out.push_back(pt(ax[i + 1], ay[i + 1]));
  }
  return out;
}

void ReverseLine(std::vector<Coord>& pts) {
  const int n = static_cast<int>(pts.size());
  std::vector<Coord> out(pts.size());
  for (int k = 0; k < n; ++k) {
    Coord c = SwapControlFlags(pts[static_cast<size_t>(n - 1 - k)]);
    c.x &= ~kNoLeftLine;
    c.y &= ~kNoRightLine;
    // The flags of a stretch sit on its first point, which is now the other end.
    if (k < n - 1) {
      const Coord& s = pts[static_cast<size_t>(n - 2 - k)];
      c.x |= s.x & kNoLeftLine;
      c.y |= s.y & kNoRightLine;
    }
    out[static_cast<size_t>(k)] = c;
  }
  pts = std::move(out);
}

int OuterRingEnd(const std::vector<Coord>& pts) {
  for (size_t i = 1; i < pts.size(); ++i)
    if (pts[i].y & kHoleStart) return static_cast<int>(i);
  return static_cast<int>(pts.size());
}

// --- Storing -----------------------------------------------------------------------------------

bool RewriteOrReplace(MapStore& store, int32_t* n, ObjectRecord& obj) {
  IndexEntry e;
  if (!store.ReadEntry(*n, &e)) return false;
  return obj.Length() <= e.length ? store.RewriteObject(*n, obj) : store.ReplaceObject(n, obj);
}

namespace {

Box DrawnBox(MapStore& store, const ObjectRecord& obj) {
  return obj.BoundingBox(store.SymbolFor(obj.symbol).Extent());
}

}  // namespace

bool StoreNewObject(ToolContext& ctx, ObjectRecord& obj) {
  if (!ctx.store.IsOpen() || obj.PointCount() < 1 ||
      obj.PointCount() + std::max<int>(obj.textUnits, 0) > kMaxPoints)
    return false;
  ctx.undo.BeginUndoStep(0, obj);
  if (!ctx.store.AddObject(obj)) return false;
  ctx.state.SelectedObject = ctx.store.ObjectCount();
  ctx.state.ClearMultipleSelection();
  ctx.state.ObjectBuffer = obj;
  ctx.view.DrawObjectNow(obj);
  ctx.view.RepaintMarks();
  return true;
}

bool ReplaceSelected(ToolContext& ctx, int32_t n, const ObjectRecord& before, ObjectRecord& obj) {
  if (!ctx.store.IsOpen() || n <= 0 || obj.PointCount() < 1 ||
      obj.PointCount() + std::max<int>(obj.textUnits, 0) > kMaxPoints)
    return false;
  ctx.undo.BeginUndoStep(n, before);
  if (!ctx.store.ReplaceObject(&n, obj)) return false;
  ctx.state.SelectedObject = n;
  ctx.state.ClearMultipleSelection();
  ctx.state.ObjectBuffer = obj;
  Box box = DrawnBox(ctx.store, obj);
  if (before.PointCount() > 0) box.Unite(DrawnBox(ctx.store, before));
  ctx.view.RedrawBox(box);
  ctx.view.RepaintMarks();
  return true;
}

bool AppendHole(ToolContext& ctx, const std::vector<Coord>& hole) {
  const int32_t n = ctx.state.SelectedObject;
  ObjectRecord area;
  if (hole.size() < 3 || !ctx.store.IsOpen() || !ReadLiveObject(ctx.store, n, &area) ||
      area.type != ObjectType::Area)
    return false;
  if (area.PointCount() + static_cast<int>(hole.size()) + std::max<int>(area.textUnits, 0) >
      kMaxPoints)
    return false;
  ObjectRecord changed = area;
  for (size_t i = 0; i < hole.size(); ++i) {
    Coord c = hole[i];
    c.y &= ~kHoleStart;
    if (i == 0) c.y |= kHoleStart;
    changed.coords.push_back(c);
  }
  return ReplaceSelected(ctx, n, area, changed);
}

// --- The session -------------------------------------------------------------------------------

void DrawSession::Clear() {
  active_ = false;
  start_ = 0;
  continued_ = 0;
  original_ = ObjectRecord{};
  setAside_.clear();
  cutLine_ = ObjectRecord{};
  stretches_.clear();
}

void DrawSession::Reset(ToolPurpose purpose) {
  Clear();
  purpose_ = purpose;
}

bool DrawSession::NearPick(const Coord& a, const Coord& b) const {
  return Near(a, b, ctx_.state.PickTolerance);
}

bool DrawSession::Begin(const ToolEvent& e, bool mayContinue) {
  const ToolPurpose purpose = purpose_;
  Clear();
  purpose_ = purpose;
  if (!ctx_.state.MapOpen || !ctx_.store.IsOpen()) return false;
  if (purpose_ == ToolPurpose::Draw) return BeginNew(e, mayContinue);
  // A cut line or a hole across the selected area, which stays in the object buffer.
  const int32_t n = ctx_.state.SelectedObject;
  ObjectRecord area;
  if (!ReadLiveObject(ctx_.store, n, &area) || area.type != ObjectType::Area) return false;
  if (purpose_ == ToolPurpose::CutLine) {
    if (ctx_.drawing.cutLineStarts && !ctx_.drawing.cutLineStarts(e.map)) return false;
    ctx_.state.ObjectBuffer = area;
    cutLine_.symbol = area.symbol;
    cutLine_.type = ObjectType::Line;
    start_ = 0;
  } else {
    original_ = area;
    ctx_.state.ObjectBuffer = area;
    start_ = area.PointCount();
  }
  active_ = true;
  return true;
}

bool DrawSession::BeginNew(const ToolEvent& e, bool mayContinue) {
  EditorState& st = ctx_.state;
  if (st.SymbolEditing && ctx_.drawing.symbolEditorAllows && !ctx_.drawing.symbolEditorAllows())
    return false;
  ObjectRecord head;
  if (st.SymbolEditing) {
    head = st.ElementHead;
    head.coords.clear();
    if (head.type != ObjectType::Line && head.type != ObjectType::Area) return false;
  } else {
    const int place = st.CurrentSymbol;
    if (place < 0 || place >= ctx_.store.SymbolCount()) return false;
    const SymbolRecord& sym = ctx_.store.Symbol(place);
    if (sym.Type() != SymbolType::Line && sym.Type() != SymbolType::Area) return false;
    head.symbol = sym.Number();
    head.type = static_cast<ObjectType>(sym.Type());
  }
  st.SelectedObject = 0;
  st.ClearMultipleSelection();
  ctx_.view.RepaintMarks();
  ObjectRecord& obj = st.ObjectBuffer;
  obj = head;
  start_ = 0;
  if (mayContinue && e.shift && !ContinueAt(e.map)) return false;
  active_ = true;
  return true;
}

// Finds a line or area of the current symbol whose end lies near the press; false only when
// the one found is already full (a new object is begun when none is found).
bool DrawSession::ContinueAt(const Coord& press) {
  const int32_t count = ctx_.store.ObjectCount();
  if (count <= 0) return true;
  const int32_t tol = ctx_.state.PickTolerance;
  const Box box{press.x - tol, press.y - tol, press.x + tol, press.y + tol};
  ObjectRecord& obj = ctx_.state.ObjectBuffer;
  const int32_t stop = searchFrom_ >= 1 && searchFrom_ <= count ? searchFrom_ : count;
  int32_t current = stop;
  ObjectRecord o;
  for (;;) {
    const SearchResult r = ctx_.store.Search(box, stop, -1, &current);
    if (r.found && ctx_.store.ReadObject(current, &o) && o.PointCount() > 0 &&
        o.symbol == obj.symbol && o.type == obj.type) {
      const int ringEnd = OuterRingEnd(o.coords);
      std::vector<Coord> ring(o.coords.begin(), o.coords.begin() + ringEnd);
      bool take = false;
      if (!ring.empty() && NearPick(ring.back(), press)) {
        take = true;
      } else if (!ring.empty() && NearPick(ring.front(), press)) {
        // Drawing always goes on from the last point.
        ReverseLine(ring);
        take = true;
      }
      if (take) {
        searchFrom_ = current;
        const int slots = o.PointCount() + std::max<int>(o.textUnits, 0);
        if (slots + 1 > kMaxPoints) {
          TooManyPoints();
          return false;
        }
        original_ = o;
        continued_ = current;
        setAside_.assign(o.coords.begin() + ringEnd, o.coords.end());
        obj = o;
        obj.coords = std::move(ring);
        start_ = obj.PointCount() - 1;
        return true;
      }
    }
    if (r.done) break;
  }
  return true;
}

bool DrawSession::Room(int adding) {
  const ObjectRecord& o = Obj();
  const int slots =
      o.PointCount() + static_cast<int>(setAside_.size()) + std::max<int>(o.textUnits, 0);
  return slots + adding <= kMaxPoints;
}

void DrawSession::TooManyPoints() {
  if (ctx_.drawing.beep) ctx_.drawing.beep();
  if (ctx_.sink) ctx_.sink->Error(kMaxPointsMessage, kHelpMaxPoints);
}

void DrawSession::AppendCorner(const Coord& c) {
  if (NewCount() > 0 && !IsControl(Last()) && NearPick(Last(), c)) {
    Last() = At(c, Last().x & kFlagMask, (Last().y & kFlagMask) | kCornerPoint);
    return;
  }
  Append(At(c, 0, kCornerPoint));
}

std::optional<SnapHit> DrawSession::FindSnap(const Coord& mouse) {
  const int32_t count = ctx_.store.ObjectCount();
  if (count <= 0) return std::nullopt;
  const int32_t tol = ctx_.state.PickTolerance;
  const Box box{mouse.x - tol, mouse.y - tol, mouse.x + tol, mouse.y + tol};
  const int32_t stop = searchFrom_ >= 1 && searchFrom_ <= count ? searchFrom_ : count;
  int32_t current = stop;
  for (;;) {
    const SearchResult r = ctx_.store.Search(box, stop, -1, &current);
    if (r.found && current != continued_) {
      if (auto hit = SnapOn(current, mouse)) {
        searchFrom_ = current;
        return hit;
      }
    }
    if (r.done) break;
  }
  return std::nullopt;
}

std::optional<SnapHit> DrawSession::SnapOn(int32_t object, const Coord& mouse) {
  ObjectRecord o;
  if (!ReadLiveObject(ctx_.store, object, &o)) return std::nullopt;
  if (o.type != ObjectType::Line && o.type != ObjectType::Area) return std::nullopt;
  if (ctx_.store.SymbolFor(o.symbol).Status() == kStatusHidden) return std::nullopt;
  if (!ObjectNear(o, mouse, ctx_.state.PickTolerance)) return std::nullopt;
  const int i = NearestAnchor(o, mouse);
  if (i < 0) return std::nullopt;
  return SnapHit{object, i, PosOnly(o.coords[static_cast<size_t>(i)])};
}

bool DrawSession::SnapRelease(const SnapHit& first, const Coord& mouse) {
  if (auto hit = SnapOn(first.object, mouse)) {
    if (hit->index == first.index) return true;
    ObjectRecord o;
    ctx_.store.ReadObject(first.object, &o);
    const std::vector<Coord> pts = FollowPoints(o, first.index, hit->index);
    if (!pts.empty()) {
      // Whole segments only: a control point never arrives without its partner and anchor.
      for (size_t i = 0; i < pts.size();) {
        const size_t size = IsControl(pts[i]) ? std::min<size_t>(3, pts.size() - i) : 1;
        if (!Room(static_cast<int>(size))) {
          if (NewCount() > 0 && !IsControl(Last())) Last().y |= kCornerPoint;
          TooManyPoints();
          return false;
        }
        for (size_t k = 0; k < size; ++k) Append(pts[i + k]);
        i += size;
      }
      Last().y |= kCornerPoint;
      return true;
    }
  }
  std::optional<SnapHit> other = FindSnap(mouse);
  const Coord end = other ? other->pos : PosOnly(mouse);
  if (NewCount() > 0 && NearPick(Last(), end)) return true;
  if (!Room(1)) {
    TooManyPoints();
    return false;
  }
  AppendCorner(end);
  return true;
}

void DrawSession::OpenStretch(int index) {
  if (!stretches_.empty() && stretches_.back().last < 0) CloseStretch(index);
  if (static_cast<int>(stretches_.size()) >= kMaxStretches) return;
  stretches_.push_back({index, -1});
}

void DrawSession::CloseStretch(int index) {
  if (stretches_.empty() || stretches_.back().last >= 0) return;
  if (index - stretches_.back().first < 2) {
    stretches_.pop_back();
    return;
  }
  stretches_.back().last = index;
}

void DrawSession::SmoothStretches(int level) {
  CloseStretch(Count() - 1);
  std::vector<Coord>& pts = Pts();
  for (auto it = stretches_.rbegin(); it != stretches_.rend(); ++it) {
    if (it->last < 0 || it->first < start_ || it->last >= static_cast<int>(pts.size())) continue;
    SmoothStretch(pts, it->first, it->last, level);
  }
  stretches_.clear();
}

void DrawSession::ShowBand(std::vector<RubberShape> extra) {
  std::vector<RubberShape> shapes;
  const std::vector<Coord>& pts = Pts();
  if (active_ && start_ < static_cast<int>(pts.size()))
    shapes.push_back(
        {RubberShape::Kind::Path, std::vector<Coord>(pts.begin() + start_, pts.end()), false});
  for (RubberShape& s : extra) shapes.push_back(std::move(s));
  ctx_.view.SetRubberBand(std::move(shapes));
}

void DrawSession::Discard() {
  if (purpose_ == ToolPurpose::Hole || continued_ > 0) {
    ctx_.state.ObjectBuffer = original_;
  } else if (purpose_ == ToolPurpose::Draw) {
    ctx_.state.ObjectBuffer.coords.clear();
  }
  Clear();
}

bool DrawSession::JoinEnd(Coord& end, const Coord* own) {
  const int32_t count = ctx_.store.ObjectCount();
  const ObjectRecord& obj = Obj();
  const Box box{end.x - kJoinDistance, end.y - kJoinDistance, end.x + kJoinDistance,
                end.y + kJoinDistance};
  std::optional<Coord> best;
  double bestDist = 0;
  auto consider = [&](const Coord& c) {
    if (!Near(c, end, kJoinDistance)) return;
    const double d = Dist(c, end);
    if (!best || d < bestDist) {
      best = c;
      bestDist = d;
    }
  };
  if (own) consider(*own);
  int32_t current = count;
  ObjectRecord o;
  while (count > 0) {
    const SearchResult r = ctx_.store.Search(box, count, -1, &current);
    if (r.found && current != continued_ && ctx_.store.ReadObject(current, &o) &&
        o.PointCount() > 0 && o.symbol == obj.symbol && o.type == obj.type &&
        (!ctx_.store.SymbolEditing() || (o.ElementLineWidth() == obj.ElementLineWidth() &&
                                         o.ElementLineStyle() == obj.ElementLineStyle() &&
                                         o.ElementDiameter() == obj.ElementDiameter()))) {
      consider(o.coords.front());
      consider(o.coords.back());
    }
    if (r.done) break;
  }
  if (!best) return false;
  end = At(*best, end.x & kFlagMask, end.y & kFlagMask);
  return own && best->SamePlace(*own);
}

void DrawSession::AutoJoin() {
  std::vector<Coord>& pts = Pts();
  if (pts.size() < 2) return;
  const bool closed =
      JoinEnd(pts.back(), pts.size() >= 4 ? &pts.front() : nullptr) && pts.size() >= 4;
  if (!closed && !Continuing()) JoinEnd(pts.front(), nullptr);
}

bool DrawSession::Commit(bool join) {
  if (!active_) return false;
  if (!ctx_.state.MapOpen || !ctx_.store.IsOpen()) {
    Discard();
    return false;
  }
  const bool lineSymbol = ctx_.store.SymbolEditing()
                              ? Obj().type == ObjectType::Line
                              : ctx_.store.SymbolFor(Obj().symbol).Type() == SymbolType::Line;
  if (join && ctx_.prefs.autoJoin && lineSymbol && purpose_ == ToolPurpose::Draw) AutoJoin();
  bool changed = false;
  switch (purpose_) {
    case ToolPurpose::CutLine: {
      const std::vector<Coord> line = cutLine_.coords;
      Clear();
      if (line.size() >= 2 && ctx_.drawing.cutLineDrawn) {
        ctx_.drawing.cutLineDrawn(line);
        changed = true;
      }
      break;
    }
    case ToolPurpose::Hole: {
      std::vector<Coord> hole(Pts().begin() + start_, Pts().end());
      Discard();
      if (hole.size() >= 3 && ctx_.drawing.holeDrawn) changed = ctx_.drawing.holeDrawn(hole);
      break;
    }
    case ToolPurpose::Draw: {
      ObjectRecord& obj = Obj();
      if (Continuing()) {
        if (NewCount() < 2) {
          Discard();
          break;
        }
        ObjectRecord next = obj;
        next.coords.insert(next.coords.end(), setAside_.begin(), setAside_.end());
        const int32_t n = continued_;
        const ObjectRecord before = original_;
        Clear();
        changed = ReplaceSelected(ctx_, n, before, next);
        if (!changed) ctx_.state.ObjectBuffer = before;
        break;
      }
      const int least = obj.type == ObjectType::Area ? 3 : 2;
      if (obj.PointCount() < least) {
        Discard();
        break;
      }
      ObjectRecord next = obj;
      if (ctx_.store.SymbolFor(next.symbol).IsLineText() && !ctx_.store.SymbolEditing() &&
          ctx_.drawing.askLineText && !ctx_.drawing.askLineText(next)) {
        Discard();
        break;
      }
      Clear();
      changed = StoreNewObject(ctx_, next);
      break;
    }
  }
  active_ = false;
  return changed;
}

}  // namespace zelk
