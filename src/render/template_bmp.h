// Template bitmaps: the header of a Windows bitmap file checked against the file, and its pixel
// rows decoded to RGB, for 1, 4, 8 and 24 bits per pixel without compression.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zelk {

// What a template bitmap says of itself, after checking.
struct BmpTemplateInfo {
  int32_t width = 0;
  int32_t height = 0;  // always positive; `topDown` tells the order of the rows
  int bitCount = 0;
  int32_t xPelsPerMeter = 0;  // 0 when the file states no usable resolution
  int32_t yPelsPerMeter = 0;
  bool topDown = false;
  uint32_t headerSize = 0;
  uint32_t pixelOffset = 0;
  uint32_t rowSize = 0;           // bytes of a stored row, padded to 4
  std::vector<uint32_t> palette;  // 0xffRRGGBB, 2^bitCount entries for indexed files
  bool HasResolution() const { return xPelsPerMeter > 0 && yPelsPerMeter > 0; }
};

enum class BmpTemplateError {
  None,
  NotBmp,       // no "BM"
  Truncated,    // the file ends before what its header promises
  HeaderSize,   // an information header of an unknown size
  Compression,  // compressed or bit-field pixels
  BitCount,     // not 1, 4, 8 or 24 bits per pixel
  Size,         // width or height zero, negative width, or beyond the limits
  Palette,      // a palette that does not fit between the header and the pixels
  PixelOffset,  // pixels said to start inside the headers or beyond the file
  TooLarge,     // more pixels than a template may have
  ReadFailed,
};

// The message the user sees for a failure.
std::string BmpTemplateMessage(BmpTemplateError e);

// A template may have at most this many pixels (20000 x 20000 and more fit) and this many on a
// side.
constexpr int64_t kMaxTemplatePixels = int64_t{1} << 29;
constexpr int32_t kMaxTemplateSide = 65535;
// Resolutions beyond this (pixels per metre, about 25400 DPI) count as none stated.
constexpr int32_t kMaxTemplatePelsPerMeter = 1000000;

// Reads up to n bytes at a position; returns the count (fewer only at the end of the file),
// or -1 on a read error.
using BmpReadAt = std::function<int64_t(int64_t pos, uint8_t* buf, int64_t n)>;

// Reads and checks the file header, the information header and the palette against the size of
// the file. Nothing is allocated from the header's numbers before they are checked.
BmpTemplateError ReadBmpTemplateInfo(const BmpReadAt& read, int64_t fileSize,
                                     BmpTemplateInfo* info);

// Chunks of at most 8 rows and at most 16 KB, but always at least one row.
int BmpRowsPerChunk(uint32_t rowSize);

// Decodes the rows in the order they are stored, as 0xffRRGGBB pixels (width each), handing
// each with its place counted from the top. The rows are read from the pixel offset in chunks
// of BmpRowsPerChunk rows. `row` may return false to stop (abort).
BmpTemplateError ReadBmpTemplateRows(const BmpReadAt& read, const BmpTemplateInfo& info,
                                     const std::function<bool(int y, const uint32_t* rgb)>& row);

// The same for the rows `top` up to `bottom` (exclusive), counted from the top.
BmpTemplateError ReadBmpTemplateRowRange(
    const BmpReadAt& read, const BmpTemplateInfo& info, int top, int bottom,
    const std::function<bool(int y, const uint32_t* rgb)>& row);

}  // namespace zelk
