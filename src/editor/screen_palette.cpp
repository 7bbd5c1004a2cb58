// The fixed palette of 8-bit displays and the nearest entry of a colour.
#include "editor/screen_palette.h"

#include <cmath>
#include <limits>

namespace zelk {

std::array<Rgb, kPaletteSize> SystemPalette() {
  std::array<Rgb, kPaletteSize> p{};
  int n = 0;
  auto cube = [&](int redFrom, int redTo) {
    for (int r = redFrom; r <= redTo; ++r)
      for (int g = 0; g < 6; ++g)
        for (int b = 0; b < 6; ++b)
          p[static_cast<size_t>(n++)] =
              Rgb{static_cast<uint8_t>(r * 51), static_cast<uint8_t>(g * 51),
                  static_cast<uint8_t>(b * 51)};
  };
  cube(0, 2);
  for (int i = 0; i < 20; ++i) {
    const auto v = static_cast<uint8_t>(std::lround(i * 255.0 / 19.0));
    p[static_cast<size_t>(n++)] = Rgb{v, v, v};
  }
  cube(3, 5);
  return p;
}

Rgb PaletteColor(const Rgb& rgb) {
  static const std::array<Rgb, kPaletteSize> palette = SystemPalette();
  int best = std::numeric_limits<int>::max();
  Rgb result;
  for (const Rgb& e : palette) {
    const int dr = e.r - rgb.r, dg = e.g - rgb.g, db = e.b - rgb.b;
    const int d = dr * dr + dg * dg + db * db;
    if (d < best) {
      best = d;
      result = e;
    }
  }
  return result;
}

}  // namespace zelk
