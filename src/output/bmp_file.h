// Uncompressed 24-bit Windows bitmap files: header layout and a writer that never leaves half a
// file.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "storage/messages.h"

namespace zelk {

constexpr int kBmpFileHeaderSize = 14;
constexpr int kBmpInfoHeaderSize = 40;
constexpr int kBmpPixelOffset = kBmpFileHeaderSize + kBmpInfoHeaderSize;  // no palette at 24 bits

// Bytes of one pixel row: whole 32-bit words.
constexpr uint32_t BmpRowSize(int bitsPerPixel, int width) {
  return ((static_cast<uint32_t>(bitsPerPixel) * static_cast<uint32_t>(width) + 31) / 32) * 4;
}

// round(resolution / 2540 * 100000): dots per inch as pixels per metre.
int32_t PixelsPerMetre(int resolution);

// The 54 bytes in front of the pixels of a 24-bit bitmap with rows stored bottom-up.
std::array<uint8_t, kBmpPixelOffset> BmpHeader24(int width, int height, int resolution);

// Fills `bgr` (3 * width bytes) with row y, counted from the top, as blue, green, red triples.
using BmpRowSource = std::function<void(int y, uint8_t* bgr)>;

// Writes a 24-bit bitmap, the bottom row first. The file is written under a temporary name in
// the same folder and renamed over `path` only when complete, so a failure leaves any older
// file untouched. File errors reach the sink with the file name; progress counts ";lines
// written". Returns false on failure.
bool WriteBmp24(const std::string& path, int width, int height, int resolution,
                const BmpRowSource& rows, MessageSink* sink, Progress* progress = nullptr);

}  // namespace zelk
