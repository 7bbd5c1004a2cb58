// Writes bitmap files for the template tests, every header field under the test's control.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace zelk::test {

struct BmpLayout {
  int32_t width = 4;
  int32_t height = 3;
  bool topDown = false;
  uint16_t bitCount = 24;
  int32_t xRes = 11811;  // 300 DPI
  int32_t yRes = 11811;
  uint32_t headerSize = 40;
  uint32_t compression = 0;
  uint16_t planes = 1;
  uint32_t colorsUsed = 0;  // 0: the full palette for indexed files
  // Overrides of computed fields; -1 keeps them.
  int64_t pixelOffset = -1;
  int64_t truncateTo = -1;
  // The palette index (indexed) or 0xRRGGBB colour (24 bits) of pixel (x, y from the top).
  std::function<uint32_t(int x, int y)> pixel = [](int x, int y) {
    return static_cast<uint32_t>((x * 40 + 10) << 16 | (y * 60 + 5) << 8 | ((x + y) * 20));
  };
  // Palette entries as 0xRRGGBB.
  std::function<uint32_t(int i)> paletteColor = [](int i) {
    return static_cast<uint32_t>((i * 17 % 256) << 16 | (255 - i) << 8 | (i * 5 % 256));
  };
};

inline void Put16(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  b[at] = v & 0xff;
  b[at + 1] = (v >> 8) & 0xff;
}
inline void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + static_cast<size_t>(i)] = (v >> (8 * i)) & 0xff;
}

inline uint32_t PaletteCount(const BmpLayout& s) {
  if (s.bitCount > 8) return s.colorsUsed;
  return s.colorsUsed ? s.colorsUsed : (1u << s.bitCount);
}

inline std::vector<uint8_t> MakeBmp(const BmpLayout& s) {
  const uint32_t palette = PaletteCount(s);
  const uint32_t rowSize = ((s.bitCount * static_cast<uint32_t>(s.width) + 31) / 32) * 4;
  const uint32_t offset =
      s.pixelOffset >= 0 ? static_cast<uint32_t>(s.pixelOffset) : 14 + s.headerSize + 4 * palette;
  const size_t natural = 14 + s.headerSize + 4 * palette;
  const size_t pixelBytes = size_t{rowSize} * static_cast<size_t>(std::abs(s.height));
  std::vector<uint8_t> b(std::max<size_t>(natural, offset) + pixelBytes, 0);
  b[0] = 'B';
  b[1] = 'M';
  Put32(b, 2, static_cast<uint32_t>(b.size()));
  Put32(b, 10, offset);
  Put32(b, 14, s.headerSize);
  Put32(b, 18, static_cast<uint32_t>(s.width));
  Put32(b, 22, static_cast<uint32_t>(s.topDown ? -s.height : s.height));
  Put16(b, 26, s.planes);
  Put16(b, 28, s.bitCount);
  Put32(b, 30, s.compression);
  Put32(b, 34, static_cast<uint32_t>(pixelBytes));
  Put32(b, 38, static_cast<uint32_t>(s.xRes));
  Put32(b, 42, static_cast<uint32_t>(s.yRes));
  Put32(b, 46, s.colorsUsed);
  for (uint32_t i = 0; i < palette && s.bitCount <= 8; ++i) {
    const uint32_t c = s.paletteColor(static_cast<int>(i));
    const size_t at = 14 + s.headerSize + 4 * i;
    if (at + 4 > b.size()) break;
    b[at] = c & 0xff;
    b[at + 1] = (c >> 8) & 0xff;
    b[at + 2] = (c >> 16) & 0xff;
  }
  const int h = std::abs(s.height);
  for (int stored = 0; stored < h && s.height != 0; ++stored) {
    const int y = s.topDown ? stored : h - 1 - stored;
    const size_t row = offset + size_t{rowSize} * static_cast<size_t>(stored);
    for (int x = 0; x < s.width; ++x) {
      const uint32_t v = s.pixel(x, y);
      if (row + rowSize > b.size()) break;
      switch (s.bitCount) {
        case 24:
          b[row + 3 * x] = v & 0xff;
          b[row + 3 * x + 1] = (v >> 8) & 0xff;
          b[row + 3 * x + 2] = (v >> 16) & 0xff;
          break;
        case 8:
          b[row + x] = static_cast<uint8_t>(v);
          break;
        case 4:
          b[row + x / 2] |= static_cast<uint8_t>((v & 15) << ((x & 1) ? 0 : 4));
          break;
        case 1:
          b[row + x / 8] |= static_cast<uint8_t>((v & 1) << (7 - (x & 7)));
          break;
        default:
          break;
      }
    }
  }
  if (s.truncateTo >= 0 && static_cast<size_t>(s.truncateTo) < b.size())
    b.resize(static_cast<size_t>(s.truncateTo));
  return b;
}

}  // namespace zelk::test
