// The fixed palette used on displays with 8 bits per pixel.
#pragma once

#include <array>

#include "render/screen_color.h"

namespace zelk {

constexpr int kPaletteSize = 236;

// A 6x6x6 colour cube (levels 0, 51, ... 255) in two halves by red level around 20 greys:
// 108 entries with red levels 0..2, the greys, then 108 entries with red levels 3..5.
std::array<Rgb, kPaletteSize> SystemPalette();

// The palette entry a colour is shown as on such a display (nearest by squared distance).
Rgb PaletteColor(const Rgb& rgb);

}  // namespace zelk
