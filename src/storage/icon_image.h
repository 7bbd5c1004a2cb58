// The 22 x 22 pixel, 16-colour icon of a symbol and the drawing tools of the icon editor.
#pragma once

#include <array>
#include <cstdint>

namespace zelk {

// The icon as the symbol record holds it: 22 rows of 12 bytes, the bottom row first, two
// pixels a byte with the left one in the high 4 bits.
class IconImage {
 public:
  static constexpr int kSize = 22;
  static constexpr int kBytes = 264;
  static constexpr int kRowBytes = 12;

  IconImage() { bytes_.fill(255); }
  explicit IconImage(const uint8_t* bytes);
  const std::array<uint8_t, kBytes>& Bytes() const { return bytes_; }

  // Pixel (x, y) with y = 0 the top row; outside 0..21 reads 15 (white) and is never written.
  int Get(int x, int y) const;
  void Set(int x, int y, int color);

  void Line(int x0, int y0, int x1, int y1, int color);
  void Rect(int x0, int y0, int x1, int y1, int color, bool filled);
  // The ellipse inside the rectangle of the two corners.
  void Ellipse(int x0, int y0, int x1, int y1, int color, bool filled);

  bool operator==(const IconImage&) const = default;

 private:
  std::array<uint8_t, kBytes> bytes_{};
};

// The 16 colours of the icon palette (red, green, blue).
struct IconColor {
  uint8_t r, g, b;
};
extern const std::array<IconColor, 16> kIconPalette;

enum class IconTool { Pen, Line, Rect, FullRect, Circle, FullCircle };
enum class IconStep { Idle, Dragging };

// The icon editor's interaction: press, move and release in icon pixels. A shape is previewed
// from the picture as it was at the press; presses outside the icon are ignored.
class IconEditor {
 public:
  explicit IconEditor(const IconImage& image) : image_(image) {}
  const IconImage& Image() const { return image_; }
  IconTool tool = IconTool::Pen;
  int color = 0;
  IconStep Step() const { return step_; }

  void Press(int x, int y);
  void Move(int x, int y);
  void Release(int x, int y);

 private:
  void DrawShape(int x, int y);
  IconImage image_;
  IconImage before_;
  IconStep step_ = IconStep::Idle;
  int x0_ = 0, y0_ = 0;
};

}  // namespace zelk
