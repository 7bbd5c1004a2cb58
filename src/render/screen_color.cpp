// Conversion of process colours to the RGB shown on screens, printers and bitmaps.
#include "render/screen_color.h"

#include <algorithm>

namespace zelk {

namespace {

// 0..200 half per cent to 0..255; the rounding offsets differ for black, which prints heavier.
int Scale(int v, int offset) {
  return (v * 51 + offset) / 40;
}

uint8_t Channel(int value) {
  return static_cast<uint8_t>(std::clamp(value, 0, 255));
}

}  // namespace

Rgb ScreenColor(const Cmyk& cmyk) {
  int c = Scale(cmyk.c, 20);
  int m = Scale(cmyk.m, 20);
  int y = Scale(cmyk.y, 20);
  int k = Scale(cmyk.k, 15);
  return {Channel(255 - c - k), Channel(255 - m - k), Channel(255 - y - k)};
}

}  // namespace zelk
