// Area objects: solid fill, hatch families and structures, each inside the area and outside its
// holes.
#include <algorithm>
#include <cmath>
#include <vector>

#include "geometry/box_ops.h"
#include "geometry/coord_math.h"
#include "render/object_renderer.h"

namespace zelk {
namespace {

// Hatch lines of one family in one piece; more than any device can show apart, so a family
// that needs more is drawn as the solid fill it looks like.
constexpr int64_t kMaxHatchLines = 1000000;
// Structure cells of one piece; beyond this the structure stops as if the user had interrupted.
constexpr int64_t kMaxStructureCells = 64000000;

// The range of whole-word positions along the rotated y (or x) axis that the clip rectangle
// covers, so that lines and cells out of sight are never produced.
struct Range {
  int64_t lo, hi;
};
Range ClipRange(const OutputState& st, double cos, double sin, bool yAxis) {
  const Box& c = st.clipRectangle;
  const double xs[2] = {static_cast<double>(c.left), static_cast<double>(c.right)};
  const double ys[2] = {static_cast<double>(c.bottom), static_cast<double>(c.top)};
  double lo = 1e300, hi = -1e300;
  for (double x : xs) {
    for (double y : ys) {
      // Turned back by the angle, as the piece's points are.
      const double v = yAxis ? cos * y - sin * x : cos * x + sin * y;
      lo = std::min(lo, v);
      hi = std::max(hi, v);
    }
  }
  return {static_cast<int64_t>(std::floor(lo)), static_cast<int64_t>(std::ceil(hi))};
}

class AreaPainter {
 public:
  AreaPainter(RenderContext& ctx, const ObjectRecord& obj, const SymbolRecord& sym,
              const AreaSymbol& a)
      : ctx_(ctx), obj_(obj), sym_(sym), a_(a) {}

  void Draw() {
    const int pass = ctx_.PassColor();
    if (a_.FillOn != 0 && a_.FillColor == pass) {
      SolidFill(ctx_, obj_.coords);
      return;
    }
    const bool hatch = a_.HatchMode > 0 && a_.HatchColor == pass;
    const bool structure = (a_.StructMode == 1 || a_.StructMode == 2) && StructureHasPassColor();
    if (!hatch && !structure) return;
    FillPolygon(ctx_, obj_.coords, [&](std::span<const Coord> piece) {
      return HatchAndStructure(piece, hatch, structure);
    });
  }

  // The outline of every ring in the hatched view, then the fill.
  static void SolidFill(RenderContext& ctx, std::span<const Coord> points) {
    OutputDevice& dev = ctx.device;
    if (dev.State().HatchedView()) {
      size_t begin = 0;
      while (begin < points.size()) {
        size_t end = begin + 1;
        while (end < points.size() && !(points[end].y & kHoleStart)) ++end;
        dev.BeginPath({points[begin].x, points[begin].y & ~kHoleStart});
        for (size_t i = begin + 1; i < end; ++i) dev.AddPoint(points[i]);
        dev.AddPoint(PosOnly(points[begin]));
        dev.StrokePath(1, kStyleFlatBevel);
        begin = end;
      }
    }
    FillPolygon(ctx, points,
                [&ctx](std::span<const Coord> piece) { return SolidFillCallback(ctx, piece); });
  }

 private:
  bool StructureHasPassColor() const {
    bool found = false;
    ForEachElement(a_.Structure, a_.StructSize, [&](const ElementView& e) {
      found = e.head.color == ctx_.PassColor();
      return !found;
    });
    return found;
  }

  // Thin hatch lines of a straight-edged piece can be cut to the piece exactly beforehand; the
  // device then needs no clip, which is what most of the cost of hatching was.
  bool CanCutHatchExactly(std::span<const Coord> piece) const {
    const OutputState& st = ctx_.device.State();
    if (std::abs(a_.HatchLineWidth * st.scaleX * 256.0) > 1.5) return false;
    for (const Coord& c : piece)
      if (c.x & kCurveFlags) return false;
    return true;
  }

  bool HatchAndStructure(std::span<const Coord> piece, bool hatch, bool structure) {
    if (aborted_) return true;
    OutputDevice& dev = ctx_.device;
    if (hatch && !structure && CanCutHatchExactly(piece)) {
      exactHatch_ = true;
      HatchFamily(piece, a_.HatchAngle1 + obj_.angle);
      if (a_.HatchMode == 2) HatchFamily(piece, a_.HatchAngle2 + obj_.angle);
      exactHatch_ = false;
      return true;
    }
    dev.BeginPath(piece[0]);
    for (size_t i = 1; i < piece.size(); ++i) dev.AddPoint(piece[i]);
    const ClipResult clip = dev.ClipPath();
    if (clip == ClipResult::Refused) return false;
    if (clip == ClipResult::NothingVisible) return true;
    if (hatch) {
      HatchFamily(piece, a_.HatchAngle1 + obj_.angle);
      if (a_.HatchMode == 2) HatchFamily(piece, a_.HatchAngle2 + obj_.angle);
    }
    if (structure) Structure(piece);
    dev.EndClip();
    return true;
  }

  // The piece turned back by an angle about the map origin, and its bounding box.
  Box TurnedBox(std::span<const Coord> piece, double cos, double sin) {
    turned_.assign(piece.begin(), piece.end());
    RotatePointsBack(0, 0, turned_.data(), static_cast<int>(turned_.size()), cos, sin,
                     turned_.data());
    return BoxOfPoints(turned_).value_or(Box{});
  }

  void HatchFamily(std::span<const Coord> piece, int angle) {
    OutputDevice& dev = ctx_.device;
    const OutputState& st = dev.State();
    if (std::abs(a_.HatchDist * st.scaleY * 256.0) < 1.0) {
      SolidFill(piece);
      return;
    }
    const int64_t p = int64_t{a_.HatchDist} + a_.HatchLineWidth;
    if (p <= 0) return;
    const double rad = AngleToRadians(angle);
    const double cos = std::cos(rad), sin = std::sin(rad);
    const Box b = TurnedBox(piece, cos, sin);
    const int64_t half = a_.HatchLineWidth / 2;
    int64_t low = ((b.bottom / 256) - half) / p - 1;
    int64_t high = ((b.top / 256) + half) / p + 1;
    const Range seen = ClipRange(st, cos, sin, true);
    low = std::max(low, (seen.lo / 256 - std::abs(half)) / p - 1);
    high = std::min(high, (seen.hi / 256 + std::abs(half)) / p + 1);
    if (high - low > kMaxHatchLines) {
      SolidFill(piece);
      return;
    }
    const int32_t x0 = PosWord(b.left), x1 = PosWord(b.right);
    for (int64_t k = low; k <= high; ++k) {
      const int32_t y = ClampCoord(k * p * 256);
      if (exactHatch_) {
        StrokeInsideRuns(y, cos, sin);
        if (((k - low) & 255) == 255 && Poll()) return;
        continue;
      }
      dev.BeginPath({x0, y});
      dev.AddPoint({x1, y});
      dev.RotatePath({0, 0}, cos, sin);
      dev.StrokePath(a_.HatchLineWidth, kStyleFlatBevel);
      if (((k - low) & 255) == 255 && Poll()) return;
    }
  }

  // Strokes the parts of the line at height y (in the turned piece) that lie inside the piece,
  // by the even-odd rule, turned back by (cos, sin).
  void StrokeInsideRuns(int32_t y, double cos, double sin) {
    OutputDevice& dev = ctx_.device;
    crossings_.clear();
    const double yy = y;
    size_t ringStart = 0;
    for (size_t i = 0; i < turned_.size(); ++i) {
      const bool last = i + 1 == turned_.size() || (turned_[i + 1].y & kHoleStart);
      const Coord a = turned_[i];
      const Coord b = last ? turned_[ringStart] : turned_[i + 1];
      const double ay = PosWord(a.y), by = PosWord(b.y);
      if ((ay <= yy && yy < by) || (by <= yy && yy < ay)) {
        const double ax = PosWord(a.x), bx = PosWord(b.x);
        crossings_.push_back(ax + (yy - ay) * (bx - ax) / (by - ay));
      }
      if (last) ringStart = i + 1;
    }
    std::sort(crossings_.begin(), crossings_.end());
    for (size_t i = 0; i + 1 < crossings_.size(); i += 2) {
      dev.BeginPath({RoundToPosition(crossings_[i]), y});
      dev.AddPoint({RoundToPosition(crossings_[i + 1]), y});
      dev.RotatePath({0, 0}, cos, sin);
      dev.StrokePath(a_.HatchLineWidth, kStyleFlatBevel);
    }
  }

  void SolidFill(std::span<const Coord> piece) {
    FillPolygon(ctx_, piece,
                [this](std::span<const Coord> part) { return SolidFillCallback(ctx_, part); });
  }

  void Structure(std::span<const Coord> piece) {
    const int64_t w = a_.StructWidth, h = a_.StructHeight;
    if (w <= 0 || h <= 0) return;
    ElementPlacement placement;
    if (obj_.angle != 0) {
      const double r = AngleToRadians(obj_.angle);
      placement.cos = std::cos(r);
      placement.sin = std::sin(r);
    }
    const double rad = AngleToRadians(a_.StructAngle + obj_.angle);
    const double cos = std::cos(rad), sin = std::sin(rad);
    const Box b = TurnedBox(piece, cos, sin);
    const int64_t x = sym_.Extent();
    const OutputState& st = ctx_.device.State();
    const Range seenY = ClipRange(st, cos, sin, true);
    const Range seenX = ClipRange(st, cos, sin, false);
    const int64_t ax = std::abs(x);
    const int64_t oLow = std::max(((b.bottom / 256) - x) / h - 1, (seenY.lo / 256 - ax) / h - 1);
    const int64_t oHigh = std::min((x + (b.top / 256)) / h + 1, (seenY.hi / 256 + ax) / h + 1);
    const int64_t qLow = std::max(((b.left / 256) - x) / w - 1, (seenX.lo / 256 - ax) / w - 1);
    const int64_t qHigh = std::min((x + (b.right / 256)) / w + 2, (seenX.hi / 256 + ax) / w + 2);
    if (oHigh < oLow || qHigh < qLow) return;
    // The elements of the pass colour, picked once for all cells, and how far from its origin
    // a cell's drawing can reach in any direction (map units).
    cellElements_.clear();
    double reach = 0;
    ForEachElement(a_.Structure, a_.StructSize, [&](const ElementView& e) {
      if (e.head.color != ctx_.PassColor()) return true;
      cellElements_.push_back(e);
      double r = 0;
      for (int i = 0; i < e.head.pointCount; ++i) {
        const Coord p = e.Point(i);
        r = std::max(r, std::hypot(PosWord(p.x) / 256.0, PosWord(p.y) / 256.0));
      }
      // Mitred corners reach out at most 2.5 line widths, discs and circles half a diameter;
      // a whole width and diameter more are to spare.
      reach = std::max(reach, r + 3.0 * std::abs(e.head.lineWidth) + std::abs(e.head.diameter));
      return true;
    });
    if (cellElements_.empty()) return;
    // A few device pixels more for rounding to the device and smooth edges.
    reach += 2 + 4 / std::max(std::abs(st.scaleX) * 256.0, 1e-9);
    int64_t cells = 0;
    const bool turned = cos != 1.0 || sin != 0.0;
    for (int64_t o = oLow; o <= oHigh; ++o) {
      const int64_t shift = (a_.StructMode == 2 && o % 2 != 0) ? w / 2 : 0;
      // Cells whose drawing cannot meet the piece are left out: the clip would remove all of
      // it. They still count towards the limit, so drawing stops where it always did.
      int64_t first = qLow, last = qHigh;
      CellsNearPiece(h * o, reach, w, shift, &first, &last);
      if (first > last) first = qHigh + 1, last = qHigh;
      cells += first - qLow;
      if (cells >= kMaxStructureCells) return;
      for (int64_t q = first; q <= last; ++q) {
        const int64_t cx = w * q - shift;
        Coord origin{ClampCoord(cx * 256), ClampCoord(h * o * 256)};
        // Unturned, the origin is a whole unit already and stays as it is.
        if (turned) RotatePoints(0, 0, &origin, 1, cos, sin, &origin);
        placement.origin = origin;
        DrawElements(ctx_, cellElements_, placement);
        if (Poll() || ++cells >= kMaxStructureCells) return;
      }
      cells += qHigh - last;
      if (cells >= kMaxStructureCells) return;
    }
  }

  // Narrows the cells [*first, *last] of the row at height y (map units, in the turned piece) to
  // those whose origin lies within `reach` of the piece: from the piece's extent within the band
  // y - reach .. y + reach. Rows reaching beyond the coordinate range keep all their cells.
  void CellsNearPiece(int64_t y, double reach, int64_t w, int64_t shift, int64_t* first,
                      int64_t* last) const {
    const double unitLimit = (kMaxPositionWord >> 8) - 1;
    if (std::abs(static_cast<double>(y)) > unitLimit ||
        std::abs(static_cast<double>(w) * static_cast<double>(*first)) + w > unitLimit ||
        std::abs(static_cast<double>(w) * static_cast<double>(*last)) + w > unitLimit) {
      return;
    }
    const double lo = static_cast<double>(y) - reach, hi = static_cast<double>(y) + reach;
    double left = 1e300, right = -1e300;
    // The x extent of the part of the segment a-b inside the band.
    auto edge = [&](const Coord& a, const Coord& b) {
      const double ax = PosWord(a.x) / 256.0, ay = PosWord(a.y) / 256.0;
      const double bx = PosWord(b.x) / 256.0, by = PosWord(b.y) / 256.0;
      if ((ay < lo && by < lo) || (ay > hi && by > hi)) return;
      double t0 = 0, t1 = 1;
      if (ay != by) {
        const double ta = (lo - ay) / (by - ay), tb = (hi - ay) / (by - ay);
        t0 = std::max(0.0, std::min(ta, tb));
        t1 = std::min(1.0, std::max(ta, tb));
      }
      for (double t : {t0, t1}) {
        const double x = ax + t * (bx - ax);
        left = std::min(left, x);
        right = std::max(right, x);
      }
    };
    const size_t n = turned_.size();
    if (n == 0) return;
    for (size_t i = 0; i + 1 < n;) {
      // A curve lies in the hull of its points, which the segments between all of them
      // cover; a straight side is its own.
      size_t span = 1;
      if ((turned_[i + 1].x & kFirstCurvePoint) && i + 3 < n) {
        span = 3;
      } else if ((turned_[i + 1].x & kSingleCurvePoint) && i + 2 < n) {
        span = 2;
      }
      for (size_t j = i; j < i + span; ++j)
        for (size_t k = j + 1; k <= i + span; ++k) edge(turned_[j], turned_[k]);
      i += span;
    }
    edge(turned_[n - 1], turned_[0]);
    if (left > right) {  // the piece does not come near this row
      *first = *last + 1;
      return;
    }
    // w * q - shift within left - reach .. right + reach.
    const double ww = static_cast<double>(w);
    *first = std::max(*first, static_cast<int64_t>(std::floor((left - reach + shift) / ww)));
    *last = std::min(*last, static_cast<int64_t>(std::ceil((right + reach + shift) / ww)));
  }

  // The redraw's abort test; once true, nothing more of this object is drawn.
  bool Poll() {
    if (!aborted_ && ctx_.Aborted()) aborted_ = true;
    return aborted_;
  }

  RenderContext& ctx_;
  const ObjectRecord& obj_;
  const SymbolRecord& sym_;
  const AreaSymbol& a_;
  std::vector<Coord> turned_;
  std::vector<double> crossings_;
  std::vector<ElementView> cellElements_;
  bool exactHatch_ = false;
  bool aborted_ = false;
};

}  // namespace

void DrawAreaObject(RenderContext& ctx, const ObjectRecord& obj, const SymbolRecord& sym) {
  if (obj.PointCount() < 3) return;
  if (ctx.symbolEditing) {
    AreaPainter::SolidFill(ctx, obj.coords);
    return;
  }
  const std::optional<AreaSymbol> area = AreaSymbol::Decode(sym);
  if (!area) {
    OutputDevice& dev = ctx.device;
    const bool wasAlternative = dev.State().useAlternative;
    dev.UseAlternativeColor(true);
    AreaPainter::SolidFill(ctx, obj.coords);
    dev.UseAlternativeColor(wasAlternative);
    return;
  }
  AreaPainter(ctx, obj, sym, *area).Draw();
}

}  // namespace zelk
