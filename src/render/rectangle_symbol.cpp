// Rectangle objects: the frame with its rounded corners, the grid and the numbered cells.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "geometry/coord_math.h"
#include "render/object_renderer.h"
#include "storage/text_format.h"

namespace zelk {
namespace {

// The frame of a missing or damaged rectangle symbol: thin enough not to be mistaken for a real
// frame, wide enough to be seen in the light grey.
constexpr int16_t kDefaultRectangleLineWidth = 25;
constexpr int kVerticalGridWidth = 13;
constexpr int kHorizontalGridWidth = 14;
constexpr double kLabelHeight = 529;  // map units; "Arial" bold at size 150
constexpr int kLabelDrop = 420;       // from the cell's top to the label's baseline
// Cells that get a label at most: a grid finer than this is unreadable anyway and would only
// keep the redraw busy.
constexpr int64_t kMaxLabelledCells = 100000;

// The frame drawn for a missing or damaged symbol.
RectangleSymbol DefaultRectangleSymbol() {
  RectangleSymbol r;
  r.LineWidth = kDefaultRectangleLineWidth;
  return r;
}

class RectanglePainter {
 public:
  RectanglePainter(RenderContext& ctx, const ObjectRecord& obj, const RectangleSymbol& r)
      : ctx_(ctx), obj_(obj), r_(r) {}

  void Draw() {
    Frame();
    if (!(r_.GridFlags & 1)) return;
    nx_ = Divisions(int64_t{right_} - left_, r_.CellWidth);
    ny_ = Divisions(int64_t{top_} - bottom_, r_.CellHeight);
    GridLines();
    Labels();
  }

 private:
  void Frame() {
    const std::span<const Coord> c(obj_.coords.data(), 4);
    int64_t sx = 0, sy = 0;
    for (const Coord& p : c) {
      sx += PosWord(p.x) / 4;
      sy += PosWord(p.y) / 4;
    }
    centre_ = {PosWord(ClampCoord(sx)), PosWord(ClampCoord(sy))};
    Coord lowLeft = PosOnly(c[0]), upRight = PosOnly(c[2]);
    if (obj_.angle != 0) {
      const double a = AngleToRadians(obj_.angle);
      cos_ = std::cos(a);
      sin_ = std::sin(a);
      RotatePointsBack(centre_.x, centre_.y, &lowLeft, 1, cos_, sin_, &lowLeft);
      RotatePointsBack(centre_.x, centre_.y, &upRight, 1, cos_, sin_, &upRight);
    }
    left_ = std::min(lowLeft.x, upRight.x);
    right_ = std::max(lowLeft.x, upRight.x);
    bottom_ = std::min(lowLeft.y, upRight.y);
    top_ = std::max(lowLeft.y, upRight.y);
    const int64_t width = int64_t{right_} - left_, height = int64_t{top_} - bottom_;
    const int64_t r = PosWord(static_cast<int32_t>(std::clamp<int64_t>(
        std::min({int64_t{r_.Radius} * 256, width / 2, height / 2}), 0, kMaxCoordWord)));

    OutputDevice& dev = ctx_.device;
    const int64_t l = left_, b = bottom_, rt = right_, t = top_;
    if (r == 0) {
      dev.BeginPath(Pt(l, b));
      dev.AddPoint(Pt(rt, b));
      dev.AddPoint(Pt(rt, t));
      dev.AddPoint(Pt(l, t));
      dev.AddPoint(Pt(l, b));
    } else {
      const int64_t k = PosWord(RoundToPosition(0.45 * static_cast<double>(r)));
      dev.BeginPath(Pt(l + r, b));
      Side(Pt(rt - r, b));
      Corner(Pt(rt - k, b), Pt(rt, b + k), Pt(rt, b + r));
      Side(Pt(rt, t - r));
      Corner(Pt(rt, t - k), Pt(rt - k, t), Pt(rt - r, t));
      Side(Pt(l + r, t));
      Corner(Pt(l + k, t), Pt(l, t - k), Pt(l, t - r));
      Side(Pt(l, b + r));
      Corner(Pt(l, b + k), Pt(l + k, b), Pt(l + r, b));
    }
    Turn();
    dev.StrokePath(r_.LineWidth, kStyleRound);
  }

  static Coord Pt(int64_t x, int64_t y) { return {ClampCoord(x), ClampCoord(y)}; }

  // A straight side, left out when the corners meet (radius of half the side).
  void Side(const Coord& to) {
    const auto path = ctx_.device.Path();
    if (path.empty() || !path.back().SamePlace(to)) ctx_.device.AddPoint(to);
  }
  void Corner(const Coord& c1, const Coord& c2, const Coord& end) {
    ctx_.device.AddPoint({c1.x | kFirstCurvePoint, c1.y});
    ctx_.device.AddPoint({c2.x | kSecondCurvePoint, c2.y});
    ctx_.device.AddPoint(end);
  }
  void Turn() {
    if (obj_.angle != 0) ctx_.device.RotatePath(centre_, cos_, sin_);
  }

  static int Divisions(int64_t extent, int16_t cell) {
    if (cell < 1) return 1;
    return std::max(1, RoundToDevice(static_cast<double>(extent) / cell / 256.0));
  }

  void GridLines() {
    OutputDevice& dev = ctx_.device;
    const double w = static_cast<double>(int64_t{right_} - left_),
                 h = static_cast<double>(int64_t{top_} - bottom_);
    for (int i = 1; i < nx_; ++i) {
      const int32_t x = RoundToPosition(left_ + i * w / nx_);
      dev.BeginPath({x, top_});
      dev.AddPoint({x, bottom_});
      Turn();
      dev.StrokePath(kVerticalGridWidth, kStyleRound);
    }
    for (int i = 1; i < ny_; ++i) {
      const int32_t y = RoundToPosition(bottom_ + i * h / ny_);
      dev.BeginPath({left_, y});
      dev.AddPoint({right_, y});
      Turn();
      dev.StrokePath(kHorizontalGridWidth, kStyleRound);
    }
  }

  void Labels() {
    if (int64_t{nx_} * ny_ > kMaxLabelledCells) return;
    const double cw = static_cast<double>(int64_t{right_} - left_) / nx_;
    const double ch = static_cast<double>(int64_t{top_} - bottom_) / ny_;
    const int64_t numbered = int64_t{nx_} * ny_ - r_.UnnumCells;
    const FontRequest font{"Arial", kLabelHeight, 700, false};
    for (int n = 0; n < ny_; ++n) {
      const int e = (r_.GridFlags & 4) ? ny_ - n - 1 : n;
      for (int u = 0; u < nx_; ++u) {
        const int64_t number = u + 1 + int64_t{e} * nx_;
        const std::string text = number > numbered ? r_.UnnumText : std::to_string(number);
        double x = left_ + cw * (u + 0.07);
        const double y = top_ - ch * (n + 0.05) - kLabelDrop * 256.0;
        // The unnumbered cells' text is map text, in the map's code page.
        for (const char32_t c : Cp1252ToUnicode(text)) {
          CharacterSpec label;
          label.position = {RoundToPosition(x), RoundToPosition(y)};
          if (obj_.angle != 0)
            RotatePoints(centre_.x, centre_.y, &label.position, 1, cos_, sin_, &label.position);
          label.fontName = "Arial";
          label.weight = 700;
          label.size = 150;
          label.angle = obj_.angle;
          label.character = c;
          ctx_.device.DrawCharacter(label);
          const double advance = ctx_.fonts.CharWidth(font, c);
          x += advance * 256.0;
        }
      }
    }
  }

  RenderContext& ctx_;
  const ObjectRecord& obj_;
  const RectangleSymbol& r_;
  Coord centre_;
  double cos_ = 1.0, sin_ = 0.0;
  int32_t left_ = 0, bottom_ = 0, right_ = 0, top_ = 0;
  int nx_ = 1, ny_ = 1;
};

}  // namespace

void DrawRectangleObject(RenderContext& ctx, const ObjectRecord& obj, const SymbolRecord& sym) {
  if (obj.PointCount() < 4) return;
  std::optional<RectangleSymbol> r = RectangleSymbol::Decode(sym);
  if (!r) {
    OutputDevice& dev = ctx.device;
    const bool wasAlternative = dev.State().useAlternative;
    dev.UseAlternativeColor(true);
    RectanglePainter(ctx, obj, DefaultRectangleSymbol()).Draw();
    dev.UseAlternativeColor(wasAlternative);
    return;
  }
  if (r->LineColor != ctx.PassColor()) return;
  // The cell text ends at a zero byte within its field.
  std::string& text = r->UnnumText;
  text.erase(std::find(text.begin(), text.end(), '\0'), text.end());
  RectanglePainter(ctx, obj, *r).Draw();
}

}  // namespace zelk
