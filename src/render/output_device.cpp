// The checks and path handling that every output surface shares.
#include "render/output_device.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace zelk {

int NormalizeLineStyle(int style) {
  return (style == kStyleRound || style == kStyleFlatMitre) ? style : kStyleFlatBevel;
}

void OutputDevice::SelectColorPass(int number, const Cmyk& cmyk) {
  SelectColorPass(number, cmyk, ScreenColor(cmyk));
}

void OutputDevice::SelectColorPass(int number, const Cmyk& cmyk, const Rgb& deviceColor) {
  state_.passColor = number;
  state_.currentColor = cmyk;
  state_.penColor = deviceColor;
  state_.useAlternative = false;
  ColorChanged();
}

void OutputDevice::UseAlternativeColor(bool on) {
  if (state_.useAlternative == on) return;
  state_.useAlternative = on;
  ColorChanged();
}

void OutputDevice::BeginPath(const Coord& p) {
  path_.clear();
  overflowed_ = false;
  path_.push_back(p);
}

void OutputDevice::AddPoint(const Coord& p) {
  if (path_.size() >= static_cast<size_t>(kMaxPathPoints)) {
    overflowed_ = true;
    return;
  }
  path_.push_back(p);
}

void OutputDevice::RotatePath(const Coord& centre, int angleTenths) {
  double a = angleTenths * std::numbers::pi / 1800.0;
  RotatePath(centre, std::cos(a), std::sin(a));
}

void OutputDevice::RotatePath(const Coord& centre, double cos, double sin) {
  const double cx = centre.x & kPosMask;
  const double cy = centre.y & kPosMask;
  for (Coord& p : path_) {
    double dx = static_cast<double>(p.x & kPosMask) - cx;
    double dy = static_cast<double>(p.y & kPosMask) - cy;
    int32_t x = RoundToCoord(cos * dx + cx - sin * dy);
    int32_t y = RoundToCoord(cos * dy + cy + sin * dx);
    p.x = (x & kPosMask) | (p.x & kFlagMask);
    p.y = (y & kPosMask) | (p.y & kFlagMask);
  }
}

void OutputDevice::StrokePath(int32_t width, int style) {
  if (path_.size() < 2) return;
  DoStroke(path_, width, NormalizeLineStyle(style));
}

void OutputDevice::StrokeLongPath(int32_t width, int style) {
  for (Coord& p : path_) p.y &= ~kHoleStart;
  const int n = static_cast<int>(path_.size());
  if (n < 2) return;
  style = NormalizeLineStyle(style);
  if (n < kLongPathPoints) {
    DoStroke(path_, width, style);
    return;
  }
  const int count = n / 64;
  const int piece = n / count;
  int start = 0;
  for (int i = 0; i < count && start < n - 1; ++i) {
    int end = (i == count - 1) ? n - 1 : std::min(start + piece, n - 1);
    // A piece never ends inside a curve: it takes the rest of the segment along.
    if (end < n - 1 && (path_[end].x & kFirstCurvePoint)) ++end;
    if (end < n - 1 && (path_[end].x & (kSecondCurvePoint | kSingleCurvePointFlag))) ++end;
    bool outer = (i == 0) || (i == count - 1) || end == n - 1;
    DoStroke(std::span<const Coord>(path_).subspan(start, end - start + 1), width,
             outer ? style : kStyleRound);
    start = end;
  }
}

bool OutputDevice::FillPath(int style) {
  if (path_.size() < 3) return true;
  if (path_.size() > static_cast<size_t>(kMaxFillPoints)) return false;
  return DoFill(path_, style == kFillHatched ? kFillHatched : kFillSolid);
}

ClipResult OutputDevice::ClipPath() {
  if (path_.size() < 3) return ClipResult::NothingVisible;
  ClipResult r = DoClip(path_);
  if (r == ClipResult::Clipped) ++clipDepth_;
  return r;
}

void OutputDevice::EndClip() {
  if (clipDepth_ == 0) return;
  --clipDepth_;
  DoEndClip();
}

bool OutputDevice::SquareVisible(const Coord& centre, int32_t reach) const {
  const int64_t r = static_cast<int64_t>(reach) * 256;
  const int64_t x = centre.x & kPosMask;
  const int64_t y = centre.y & kPosMask;
  const Box& c = state_.clipRectangle;
  return x - r < c.right && x + r > c.left && y - r < c.top && y + r > c.bottom;
}

void OutputDevice::Dot(const Coord& centre, int32_t diameter) {
  if (diameter <= 0 || !SquareVisible(centre, diameter)) return;
  DoDot(centre, diameter);
}

void OutputDevice::Ring(const Coord& centre, int32_t lineWidth, int32_t diameter) {
  if (diameter <= 0 || !SquareVisible(centre, diameter)) return;
  if (lineWidth >= diameter) {
    DoDot(centre, diameter);
  } else {
    DoRing(centre, lineWidth, diameter);
  }
}

void OutputDevice::DrawCharacter(const CharacterSpec& character) {
  if (character.size <= 0) return;
  DoDrawCharacter(character);
}

}  // namespace zelk
