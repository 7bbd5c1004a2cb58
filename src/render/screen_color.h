// Map colours as process-colour bytes and as device RGB, and the conversion between them.
#pragma once

#include <cstdint>

namespace zelk {

// Cyan, magenta, yellow and black, each 0..200 in half per cent.
struct Cmyk {
  uint8_t c = 0;
  uint8_t m = 0;
  uint8_t y = 0;
  uint8_t k = 0;
  bool operator==(const Cmyk&) const = default;
};

struct Rgb {
  uint8_t r = 0;
  uint8_t g = 0;
  uint8_t b = 0;
  bool operator==(const Rgb&) const = default;
};

// The colour in which the screen, ordinary printers and bitmaps show a map colour. Bytes above
// 200 (damaged colour records) only push the result further towards 0, never wrap.
Rgb ScreenColor(const Cmyk& cmyk);

}  // namespace zelk
