// Symbol icons and the icon editor's tools.
#include "storage/icon_image.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace zelk {

const std::array<IconColor, 16> kIconPalette = {{
    {0, 0, 0},
    {128, 0, 0},
    {0, 128, 0},
    {128, 128, 0},
    {0, 0, 128},
    {128, 0, 128},
    {0, 128, 128},
    {128, 128, 128},
    {192, 192, 192},
    {255, 0, 0},
    {0, 255, 0},
    {255, 255, 0},
    {0, 0, 255},
    {255, 0, 255},
    {0, 255, 255},
    {255, 255, 255},
}};

IconImage::IconImage(const uint8_t* bytes) {
  std::memcpy(bytes_.data(), bytes, kBytes);
}

int IconImage::Get(int x, int y) const {
  if (x < 0 || y < 0 || x >= kSize || y >= kSize) return 15;
  const uint8_t b = bytes_[static_cast<size_t>((kSize - 1 - y) * kRowBytes + x / 2)];
  return x % 2 == 0 ? b >> 4 : b & 15;
}

void IconImage::Set(int x, int y, int color) {
  if (x < 0 || y < 0 || x >= kSize || y >= kSize) return;
  uint8_t& b = bytes_[static_cast<size_t>((kSize - 1 - y) * kRowBytes + x / 2)];
  const auto c = static_cast<uint8_t>(color & 15);
  b = x % 2 == 0 ? static_cast<uint8_t>((b & 0x0f) | (c << 4))
                 : static_cast<uint8_t>((b & 0xf0) | c);
}

void IconImage::Line(int x0, int y0, int x1, int y1, int color) {
  const int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
  const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
  int err = dx + dy;
  for (;;) {
    Set(x0, y0, color);
    if (x0 == x1 && y0 == y1) break;
    const int e2 = 2 * err;
    if (e2 >= dy) err += dy, x0 += sx;
    if (e2 <= dx) err += dx, y0 += sy;
  }
}

void IconImage::Rect(int x0, int y0, int x1, int y1, int color, bool filled) {
  const int l = std::min(x0, x1), r = std::max(x0, x1), t = std::min(y0, y1), b = std::max(y0, y1);
  for (int y = t; y <= b; ++y)
    for (int x = l; x <= r; ++x)
      if (filled || y == t || y == b || x == l || x == r) Set(x, y, color);
}

void IconImage::Ellipse(int x0, int y0, int x1, int y1, int color, bool filled) {
  const double l = std::min(x0, x1), r = std::max(x0, x1), t = std::min(y0, y1),
               b = std::max(y0, y1);
  const double cx = (l + r) / 2, cy = (t + b) / 2, ax = (r - l) / 2 + 0.5, ay = (b - t) / 2 + 0.5;
  auto inside = [&](double x, double y) {
    const double u = (x - cx) / ax, v = (y - cy) / ay;
    return u * u + v * v <= 1.0;
  };
  for (int y = static_cast<int>(t); y <= static_cast<int>(b); ++y)
    for (int x = static_cast<int>(l); x <= static_cast<int>(r); ++x) {
      if (!inside(x, y)) continue;
      // The outline: pixels inside with a four-neighbour outside.
      const bool edge =
          !inside(x - 1, y) || !inside(x + 1, y) || !inside(x, y - 1) || !inside(x, y + 1);
      if (filled || edge) Set(x, y, color);
    }
}

void IconEditor::Press(int x, int y) {
  if (x < 0 || y < 0 || x >= IconImage::kSize || y >= IconImage::kSize) return;
  before_ = image_;
  x0_ = x;
  y0_ = y;
  step_ = IconStep::Dragging;
  if (tool == IconTool::Pen)
    image_.Set(x, y, color);
  else
    DrawShape(x, y);
}

void IconEditor::Move(int x, int y) {
  if (step_ != IconStep::Dragging) return;
  if (tool == IconTool::Pen) {
    image_.Set(x, y, color);
    return;
  }
  image_ = before_;
  DrawShape(x, y);
}

void IconEditor::Release(int x, int y) {
  if (step_ != IconStep::Dragging) return;
  Move(x, y);
  step_ = IconStep::Idle;
}

void IconEditor::DrawShape(int x, int y) {
  // Shapes end at the icon's edge when the mouse leaves it.
  x = std::clamp(x, 0, IconImage::kSize - 1);
  y = std::clamp(y, 0, IconImage::kSize - 1);
  switch (tool) {
    case IconTool::Pen:
      break;
    case IconTool::Line:
      image_.Line(x0_, y0_, x, y, color);
      break;
    case IconTool::Rect:
    case IconTool::FullRect:
      image_.Rect(x0_, y0_, x, y, color, tool == IconTool::FullRect);
      break;
    case IconTool::Circle:
    case IconTool::FullCircle:
      image_.Ellipse(x0_, y0_, x, y, color, tool == IconTool::FullCircle);
      break;
  }
}

}  // namespace zelk
