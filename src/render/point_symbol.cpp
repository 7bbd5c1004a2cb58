// Point symbols and the element lists that point, line and area symbols share.
#include <cmath>
#include <vector>

#include "geometry/coord_math.h"
#include "render/object_renderer.h"

namespace zelk {
namespace {

// The element's points scaled across the line, turned and moved to the placement's origin.
std::vector<Coord> PlacePoints(const ElementView& e, const ElementPlacement& pl) {
  std::vector<Coord> pts(static_cast<size_t>(e.head.pointCount));
  for (int i = 0; i < e.head.pointCount; ++i) {
    Coord p = e.Point(i);
    if (pl.yFactor != 1.0) p.y = RoundToPosition(PosWord(p.y) * pl.yFactor) | FlagByte(p.y);
    pts[static_cast<size_t>(i)] = p;
  }
  if (pl.cos != 1.0 || pl.sin != 0.0)
    RotatePoints(0, 0, pts.data(), static_cast<int>(pts.size()), pl.cos, pl.sin, pts.data());
  MovePoints(pts, pl.origin.x, pl.origin.y);
  return pts;
}

// The same for the first point alone, without a buffer: structures place dots and circles by
// the million.
Coord PlaceFirstPoint(const ElementView& e, const ElementPlacement& pl) {
  Coord p = e.Point(0);
  if (pl.yFactor != 1.0) p.y = RoundToPosition(PosWord(p.y) * pl.yFactor) | FlagByte(p.y);
  if (pl.cos != 1.0 || pl.sin != 0.0) RotatePoints(0, 0, &p, 1, pl.cos, pl.sin, &p);
  MovePoints(std::span<Coord>(&p, 1), pl.origin.x, pl.origin.y);
  return p;
}

void DrawElement(RenderContext& ctx, const ElementView& e, const ElementPlacement& pl) {
  OutputDevice& dev = ctx.device;
  const int n = e.head.pointCount;
  switch (e.head.kind) {
    case kElementLine: {
      if (n < 2) return;
      const std::vector<Coord> pts = PlacePoints(e, pl);
      dev.BeginPath(pts[0]);
      for (int i = 1; i < n; ++i) dev.AddPoint(pts[static_cast<size_t>(i)]);
      dev.StrokePath(e.head.lineWidth, static_cast<uint16_t>(e.head.flags));
      return;
    }
    case kElementArea: {
      if (n <= 2) return;
      // Element areas fill solid even in the hatched view: they are part of a small drawing.
      FillPolygon(ctx, PlacePoints(e, pl), [&dev](std::span<const Coord> piece) {
        dev.BeginPath(piece[0]);
        for (size_t i = 1; i < piece.size(); ++i) dev.AddPoint(piece[i]);
        return dev.FillPath(kFillSolid);
      });
      return;
    }
    case kElementCircle:
    case kElementDot: {
      if (n < 1) return;
      const Coord centre = PlaceFirstPoint(e, pl);
      int32_t diameter = e.head.diameter;
      if (pl.yFactor != 1.0) diameter = RoundToInt(diameter * pl.yFactor);
      if (e.head.kind == kElementCircle) {
        dev.Ring(centre, e.head.lineWidth, diameter);
      } else {
        dev.Dot(centre, diameter);
      }
      return;
    }
    default:
      return;
  }
}

void DrawFallbackCross(RenderContext& ctx, const Coord& at) {
  OutputDevice& dev = ctx.device;
  const bool wasAlternative = dev.State().useAlternative;
  dev.UseAlternativeColor(true);
  const Coord p = PosOnly(at);
  const int32_t d = 30 * 256;
  dev.BeginPath({ClampCoord(int64_t{p.x} - d), p.y});
  dev.AddPoint({ClampCoord(int64_t{p.x} + d), p.y});
  dev.StrokePath(15, kStyleFlatBevel);
  dev.BeginPath({p.x, ClampCoord(int64_t{p.y} - d)});
  dev.AddPoint({p.x, ClampCoord(int64_t{p.y} + d)});
  dev.StrokePath(15, kStyleFlatBevel);
  dev.UseAlternativeColor(wasAlternative);
}

}  // namespace

void DrawElementList(RenderContext& ctx, std::span<const uint8_t> list, int sizeUnits,
                     const ElementPlacement& placement) {
  const int pass = ctx.PassColor();
  ForEachElement(list, sizeUnits, [&](const ElementView& e) {
    if (e.head.color == pass) DrawElement(ctx, e, placement);
    return true;
  });
}

void DrawElements(RenderContext& ctx, std::span<const ElementView> elements,
                  const ElementPlacement& placement) {
  for (const ElementView& e : elements) DrawElement(ctx, e, placement);
}

void DrawPointObject(RenderContext& ctx, const ObjectRecord& obj, const SymbolRecord& sym) {
  if (obj.coords.empty()) return;
  const Coord at = obj.coords[0];
  if (ctx.symbolEditing && (obj.symbol == kEditedCircleSymbol || obj.symbol == kEditedDotSymbol)) {
    const EditedElementFields f = EditedElementFields::Of(obj);
    if (obj.symbol == kEditedCircleSymbol) {
      ctx.device.Ring(PosOnly(at), f.lineWidth, f.diameter);
    } else {
      ctx.device.Dot(PosOnly(at), f.diameter);
    }
    return;
  }
  const std::optional<PointSymbol> point = PointSymbol::Decode(sym);
  if (!point) {
    DrawFallbackCross(ctx, at);
    return;
  }
  ElementPlacement placement;
  placement.origin = PosOnly(at);
  if (obj.angle != 0) {
    const double a = AngleToRadians(obj.angle);
    placement.cos = std::cos(a);
    placement.sin = std::sin(a);
  }
  DrawElementList(ctx, point->Elements, point->ElementUnits, placement);
}

}  // namespace zelk
