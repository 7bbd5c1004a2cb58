// Line objects drawn by their line symbol: the layer order, the output path helpers and the main
// line.
#include <algorithm>
#include <cmath>

#include "geometry/coord_math.h"
#include "render/line_symbol_draw.h"

namespace zelk {

namespace {
constexpr int32_t kControlFlags = kFirstCurvePoint | kSecondCurvePoint;

int32_t NonNegative(int16_t v) {
  return std::max<int32_t>(v, 0);
}
}  // namespace

RenderScratch::RenderScratch() : line_(std::make_unique<LineWork>()) {}
RenderScratch::~RenderScratch() = default;

LineLengths::LineLengths(const LineSymbol& s)
    : lineWidth(NonNegative(s.LineWidth)),
      distFromStart(NonNegative(s.DistFromStart)),
      distToEnd(NonNegative(s.DistToEnd)),
      mainLength(NonNegative(s.MainLength)),
      endLength(NonNegative(s.EndLength)),
      mainGap(NonNegative(s.MainGap)),
      secGap(NonNegative(s.SecGap)),
      endGap(NonNegative(s.EndGap)),
      primSymDist(s.PrimSymDist),
      dblWidth(NonNegative(s.DblWidth)),
      dblLeftWidth(NonNegative(s.DblLeftWidth)),
      dblRightWidth(NonNegative(s.DblRightWidth)),
      dblLength(NonNegative(s.DblLength)),
      dblGap(NonNegative(s.DblGap)),
      decLast(std::clamp<int32_t>(s.DecLast, 0, 200)) {}

int64_t RoundDistance(double r) {
  if (std::isnan(r)) return 0;
  // Far beyond any line length; keeps the conversion defined for damaged values.
  constexpr double kLimit = 4.0e15;
  return static_cast<int64_t>(std::nearbyint(std::clamp(r, -kLimit, kLimit)));
}

bool ListHasColor(std::span<const uint8_t> list, int color) {
  bool found = false;
  ForEachElement(list, static_cast<int>(list.size() / 8), [&](const ElementView& e) {
    found = e.head.color == color;
    return !found;
  });
  return found;
}

void AppendStoredLine(std::span<const Coord> points, OutputPath& out) {
  const size_t n = points.size();
  size_t i = 0;
  while (i < n) {
    Coord p = points[i];
    p.y &= ~kHoleStart;
    if (i + 3 < n && (points[i + 1].x & kFirstCurvePoint)) {
      p.x &= ~(kControlFlags | kSingleCurvePoint);
      out.Add(p);
      Coord c1 = points[i + 1], c2 = points[i + 2];
      c1.x = (c1.x & ~(kControlFlags | kSingleCurvePoint)) | kFirstCurvePoint;
      c2.x = (c2.x & ~(kControlFlags | kSingleCurvePoint)) | kSecondCurvePoint;
      c1.y &= ~kHoleStart;
      c2.y &= ~kHoleStart;
      out.Add(c1);
      out.Add(c2);
      i += 3;
      continue;
    }
    // A three-point curve's control point needs a point on each side.
    const bool single = (p.x & kSingleCurvePoint) && i > 0 && i + 1 < n;
    p.x &= ~(kControlFlags | kSingleCurvePoint);
    if (single) p.x |= kSingleCurvePoint;
    out.Add(p);
    ++i;
  }
}

LineDrawer::LineDrawer(RenderContext& ctx, std::span<const Coord> points, const LineSymbol& sym,
                       LineWork& work)
    : ctx_(ctx),
      points_(points),
      sym_(sym),
      len_(sym),
      work_(work),
      wp_(work.path),
      out_(work.out) {}

void LineDrawer::Draw() {
  const int pass = ctx_.PassColor();
  if (len_.lineWidth > 0 && sym_.LineColor == pass) {
    if (len_.mainGap > 0 || len_.secGap > 0 || len_.endGap > 0) {
      DrawDashedMainLine();
    } else {
      DrawSolidMainLine();
    }
  }
  const bool alongLists = ListHasColor(sym_.MainList, pass) || ListHasColor(sym_.SecList, pass) ||
                          ListHasColor(sym_.StartList, pass) || ListHasColor(sym_.EndList, pass);
  if (alongLists &&
      (sym_.NPrimSym > 0 || sym_.SecDSize > 0 || sym_.StartDSize > 0 || sym_.EndDSize > 0)) {
    DrawSymbolsAlongLine();
  }
  if (sym_.CornerDSize > 0 && ListHasColor(sym_.CornerList, pass)) DrawCornerSymbols();

  // Modes beyond "Both lines dashed" exist only in damaged records; they draw no double line.
  const unsigned mode = sym_.DblMode;
  if (mode >= 1 && mode <= 3) {
    const double leftOffset = -((len_.dblWidth + len_.dblLeftWidth) / 2);
    const double rightOffset = (len_.dblRightWidth + len_.dblWidth) / 2;
    if (len_.dblLeftWidth > 0 && sym_.DblLeftColor == pass) {
      if (mode == 1) {
        DrawFullSide(true, leftOffset, len_.dblLeftWidth);
      } else {
        DrawDashedSide(leftOffset, len_.dblLeftWidth);
      }
    }
    if (len_.dblRightWidth > 0 && sym_.DblRightColor == pass) {
      if (mode == 3) {
        DrawDashedSide(rightOffset, len_.dblRightWidth);
      } else {
        DrawFullSide(false, rightOffset, len_.dblRightWidth);
      }
    }
    if (len_.dblWidth > 0 && sym_.DblFillColor == pass && sym_.DblFill()) DrawDoubleLineFill();
  }
}

void LineDrawer::PrepareWorkPath() {
  if (prepared_) return;
  wp_.PrepareWorkPath(points_);
  prepared_ = true;
}

// --- Output path helpers ----------------------------------------------------------------------

void LineDrawer::BeginAtPosition() {
  out_.Begin(wp_.Position());
  open_ = true;
}

void LineDrawer::ExtendTo(double d) {
  if (!open_) BeginAtPosition();
  wp_.ExtendToDistance(d, out_);
}

void LineDrawer::StrokeOut(int32_t width, int style) {
  open_ = false;
  if (out_.Count() < 2) return;
  OutputDevice& dev = ctx_.device;
  dev.BeginPath(out_[0]);
  for (int i = 1; i < out_.Count(); ++i) dev.AddPoint(out_[i]);
  dev.StrokeLongPath(width, style);
}

bool LineDrawer::LineClosed() const {
  return points_.size() >= 3 && points_.back().SamePlace(points_.front());
}

void LineDrawer::OffsetAndStroke(double offset, int32_t width) {
  const bool closed = sideCloses_;
  FirstSegment first;
  const bool storeNow = closed && !sideStart_.stored && out_.Count() >= 2 &&
                        out_[0].SamePlace(points_.front()) && first.StoreFrom(out_);
  if (!storeNow) first = sideStart_.raw;
  const int count = out_.Count();
  int appended = 0;
  // A path that is only the first segment itself has nothing to close.
  const bool longEnough = storeNow ? count > first.count : count >= 2;
  if (closed && (storeNow || sideStart_.stored) && longEnough &&
      out_.Back().SamePlace(first.points[0])) {
    for (int i = 1; i < first.count; ++i) out_.Add(first.points[i]);
    appended = out_.Count() - count;
  }
  OffsetOutputPath(out_, offset);
  if (storeNow) {
    // The side starts where it will end, on the closing point's mitre: offset square to the
    // first segment it would stick out into the inside of the corner.
    MitreOffsetter mitre;
    Coord start, unused;
    mitre.ClosingOffsetPoints(wp_.Points(), offset, 0, start, unused);
    out_[0] = start;
    sideStart_.raw = first;
    for (int i = 1; i < first.count; ++i) sideStart_.offset[i] = out_[i];
    sideStart_.stored = true;
  }
  // The repeated points take their offsets from the first drawing: at the end of the path they
  // would lack the turn that follows them.
  for (int k = 1; k <= appended; ++k) out_[count - 1 + k] = sideStart_.offset[k];
  StrokeOut(width, kStyleFlatBevel);
}

void LineDrawer::FillPoints(std::span<const Coord> points) {
  if (points.size() < 3) return;
  OutputDevice& dev = ctx_.device;
  auto fill = [&dev](std::span<const Coord> pts) {
    dev.BeginPath(pts[0]);
    for (size_t i = 1; i < pts.size(); ++i) dev.AddPoint(pts[i]);
    return dev.FillPath(kFillSolid);
  };
  // Most pieces go in one fill; the device refuses only very long or very large ones.
  if (!fill(points)) FillPolygon(ctx_, points, fill);
}

void LineDrawer::DrawList(std::span<const uint8_t> list, Coord origin, double cos, double sin,
                          double factor) {
  if (list.empty()) return;
  // A line whose points all coincide has no direction; its symbols stand upright.
  if (cos == 0 && sin == 0) cos = 1;
  ElementPlacement placement;
  placement.origin = PosOnly(origin);
  placement.cos = cos;
  placement.sin = sin;
  placement.yFactor = factor;
  DrawElementList(ctx_, list, static_cast<int>(list.size() / 8), placement);
}

void LineDrawer::DrawListAtPosition(std::span<const uint8_t> list, double factor) {
  wp_.DirectionAtPosition();
  DrawList(list, wp_.Position(), wp_.Cos(), wp_.Sin(), factor);
}

// --- Main line ---------------------------------------------------------------------------------

void LineDrawer::DrawSolidMainLine() {
  if (len_.distFromStart != 0 || len_.distToEnd != 0) {
    DrawSolidWithDistances();
    return;
  }
  out_.Clear();
  AppendStoredLine(points_, out_);
  CloseOverFirstSegment(out_);
  StrokeOut(len_.lineWidth, sym_.LineEnds);
}

bool LineDrawer::ThinForTaper() const {
  const OutputState& st = ctx_.device.State();
  const double scale = std::max(std::abs(st.scaleX), std::abs(st.scaleY));
  return len_.lineWidth * 256.0 * scale < 1.5;
}

// The walk runs over the whole line rather than section by section: a distance from the start
// longer than the first section then ends inside a later section instead of doubling back.
void LineDrawer::DrawSolidWithDistances() {
  PrepareWorkPath();
  const int sections = wp_.SectionCount();
  if (sections == 0) return;
  const int64_t total = wp_.TotalLength();
  const int64_t s = len_.distFromStart, t = len_.distToEnd;
  const int64_t first = wp_.SectionLength(0), last = wp_.SectionLength(sections - 1);
  const bool pointed = sym_.PointedEnds();
  open_ = false;
  wp_.StartWholePath();

  if (pointed) {
    int64_t a;
    if (sections == 1) {
      a = 3 * (s + t) / 2 > first ? RoundDistance(2.0 * s / 3 * first / (s + t)) : s;
    } else {
      a = 3 * s / 2 > first ? 2 * s / 3 : s;
    }
    a = std::min(a, total);
    DrawPointedStart(a, a / 2);
  } else {
    wp_.MoveToDistance(static_cast<double>(s));
    BeginAtPosition();
  }

  if (pointed && t >= 1) {
    int64_t a;
    if (sections == 1) {
      a = first >= 3 * (s + t) / 2 ? t : RoundDistance(2.0 * t / 3 * first / (s + t));
    } else {
      a = last >= 3 * t / 2 ? t : 2 * t / 3;
    }
    a = std::min(a, total);
    DrawPointedEnd(total, a, a / 2);
    return;
  }
  // Nothing is left between the undrawn ends.
  if (static_cast<double>(total - t) <= wp_.LastDistance()) {
    open_ = false;
    return;
  }
  ExtendTo(static_cast<double>(total - t));
  StrokeOut(len_.lineWidth, sym_.LineEnds);
}

void LineDrawer::DrawPointedStart(int64_t a, int64_t b) {
  if (ThinForTaper() || a < 1) {
    wp_.MoveToDistance(0);
    BeginAtPosition();
    return;
  }
  const Coord tip = PosOnly(wp_.Points().front());
  wp_.MoveToDistance(static_cast<double>(b));
  wp_.OffsetPointsAtPosition(RoundDistance(len_.lineWidth / 3.0));
  const Coord leftB = wp_.LeftPoint(), rightB = wp_.RightPoint();
  wp_.MoveToDistance(static_cast<double>(a));
  wp_.OffsetPointsAtPosition(len_.lineWidth / 2);
  const Coord polygon[5] = {tip, leftB, wp_.LeftPoint(), wp_.RightPoint(), rightB};
  FillPoints(polygon);
  BeginAtPosition();
}

void LineDrawer::DrawPointedEnd(int64_t total, int64_t a, int64_t b) {
  if (ThinForTaper() || a < 1) {
    ExtendTo(static_cast<double>(total));
    StrokeOut(len_.lineWidth, kStyleRound);
    return;
  }
  // The middle part exists only while the two tapers do not meet.
  if (open_ && total - a > wp_.LastDistance()) {
    ExtendTo(static_cast<double>(total - a));
    StrokeOut(len_.lineWidth, kStyleRound);
  }
  open_ = false;
  const Coord tip = PosOnly(wp_.Points().back());
  wp_.MoveToDistance(static_cast<double>(total - a));
  wp_.OffsetPointsAtPosition(len_.lineWidth / 2);
  const Coord leftA = wp_.LeftPoint(), rightA = wp_.RightPoint();
  wp_.MoveToDistance(static_cast<double>(total - b));
  wp_.OffsetPointsAtPosition(RoundDistance(len_.lineWidth / 3.0));
  const Coord polygon[5] = {leftA, wp_.LeftPoint(), tip, wp_.RightPoint(), rightA};
  FillPoints(polygon);
}

void LineDrawer::CutGap(int64_t from, int64_t to, int64_t gap) {
  if (gap <= 0 || to <= from + gap || scale_ <= 0.5) return;
  ExtendTo(static_cast<double>((from + to - gap) / 2));
  StrokeOut(len_.lineWidth, sym_.LineEnds);
  wp_.MoveToDistance(static_cast<double>((from + to + gap) / 2));
  BeginAtPosition();
}

void LineDrawer::DrawDashedMainLine() {
  PrepareWorkPath();
  const int sections = wp_.SectionCount();
  const int64_t largest = wp_.LargestSectionLength();
  const int64_t A = len_.mainLength, G = len_.mainGap, E = len_.endLength;
  const int style = sym_.LineEnds;
  const int32_t width = len_.lineWidth;
  int64_t budget = kMaxPieces;
  open_ = false;

  for (int k = 0; k < sections; ++k) {
    wp_.StartSection(k, len_.mainLength, len_.mainGap, len_.endLength, len_.distFromStart,
                     len_.distToEnd, sym_.MinTwoGaps());
    const int64_t L = wp_.CurrentSectionLength();
    const int64_t n = wp_.DashCount();
    const double s = wp_.DashScale();
    scale_ = s;
    const int64_t g = k == 0 ? len_.distFromStart : 0;
    const int64_t h = k == sections - 1 ? len_.distToEnd : 0;
    if (L - g - h < 1) continue;
    // Too many dashes to be told apart, or a gap longer than the section (the dashes would
    // shrink below nothing): the section runs through.
    if (n > budget || s <= 0) {
      if (!open_) {
        wp_.MoveToDistance(static_cast<double>(g));
        BeginAtPosition();
      }
      ExtendTo(static_cast<double>(L - h));
      continue;
    }
    budget -= n;

    int64_t t = RoundDistance(s * E) + g;
    if (!open_) {
      wp_.MoveToDistance(static_cast<double>(g));
      BeginAtPosition();
    }
    CutGap(g, t, len_.endGap);
    if (G > 0 && open_ && (s > 0.5 || L > largest - 10)) {
      ExtendTo(static_cast<double>(t));
      StrokeOut(width, style);
    }
    if (n > 0 && s * A > 0) {
      for (int64_t i = 1; i <= n; ++i) {
        const int64_t u = t + G;
        t = RoundDistance((static_cast<double>(i) * A + E) * s + static_cast<double>(i) * G) + g;
        if (!open_ && G > 0) {
          wp_.MoveToDistance(static_cast<double>(u));
          BeginAtPosition();
        }
        CutGap(u, t, len_.secGap);
        if (G > 0 && open_ && (s > 0.5 || L > largest - 5)) {
          ExtendTo(static_cast<double>(t));
          StrokeOut(width, style);
        }
      }
    }
    const int64_t u = open_ ? t : t + G;
    const int64_t e = L - h;
    if (u < e) {
      if (!open_) {
        wp_.MoveToDistance(static_cast<double>(u));
        BeginAtPosition();
      }
      CutGap(u, e, len_.endGap);
      // The path stays open: this section's last end dash and the next one's first are one
      // stroke through the corner.
      ExtendTo(static_cast<double>(e));
    }
  }
  if (open_) {
    wp_.CloseOverStoredSegment(out_);
    StrokeOut(width, style);
  }
}

// --- Entry points -------------------------------------------------------------------------------

void DrawLineObject(RenderContext& ctx, const ObjectRecord& obj, const SymbolRecord& sym) {
  if (obj.PointCount() < 2) return;
  const std::optional<LineSymbol> line = LineSymbol::Decode(sym);
  if (!line) {
    DrawFallbackLine(ctx, obj);
    return;
  }
  LineDrawer drawer(ctx, obj.coords, *line, ctx.scratch.Line());
  drawer.Draw();
}

}  // namespace zelk
