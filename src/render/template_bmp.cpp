// Template bitmaps: header checks and row decoding.
#include "render/template_bmp.h"

#include <algorithm>
#include <array>

namespace zelk {

namespace {

uint16_t U16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t U32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
int32_t I32(const uint8_t* p) {
  return static_cast<int32_t>(U32(p));
}

bool ReadExactly(const BmpReadAt& read, int64_t pos, uint8_t* buf, int64_t n) {
  return read(pos, buf, n) == n;
}

constexpr int kFileHeaderSize = 14;
constexpr uint32_t kCompressionRgb = 0;

}  // namespace

std::string BmpTemplateMessage(BmpTemplateError e) {
  switch (e) {
    case BmpTemplateError::None:
      return {};
    case BmpTemplateError::NotBmp:
      return "Template must be a BMP file.";
    case BmpTemplateError::Truncated:
      return "Template file is shorter than its header says.";
    case BmpTemplateError::HeaderSize:
      return "Template file has a bitmap header of an unknown kind.";
    case BmpTemplateError::Compression:
      return "Template bitmap is compressed; only uncompressed bitmaps can be used.";
    case BmpTemplateError::BitCount:
      return "Template bitmap must have 1, 4, 8 or 24 bits per pixel.";
    case BmpTemplateError::Size:
      return "Template bitmap has an invalid width or height.";
    case BmpTemplateError::Palette:
      return "Template bitmap has an invalid color palette.";
    case BmpTemplateError::PixelOffset:
      return "Template bitmap says its pixels start where they cannot be.";
    case BmpTemplateError::TooLarge:
      return "Not enough memory for template.";
    case BmpTemplateError::ReadFailed:
      return "Template file cannot be read.";
  }
  return {};
}

BmpTemplateError ReadBmpTemplateInfo(const BmpReadAt& read, int64_t fileSize,
                                     BmpTemplateInfo* info) {
  *info = BmpTemplateInfo{};
  std::array<uint8_t, kFileHeaderSize + 40> head{};
  if (fileSize < 2) return BmpTemplateError::NotBmp;
  const int64_t got = read(0, head.data(), static_cast<int64_t>(head.size()));
  if (got < 0) return BmpTemplateError::ReadFailed;
  if (got < 2 || head[0] != 'B' || head[1] != 'M') return BmpTemplateError::NotBmp;
  if (got < static_cast<int64_t>(head.size())) return BmpTemplateError::Truncated;

  const uint32_t pixelOffset = U32(&head[10]);
  const uint32_t headerSize = U32(&head[14]);
  // The information headers of the versions that share the first 40 bytes.
  if (headerSize != 40 && headerSize != 52 && headerSize != 56 && headerSize != 108 &&
      headerSize != 124)
    return BmpTemplateError::HeaderSize;
  if (kFileHeaderSize + static_cast<int64_t>(headerSize) > fileSize)
    return BmpTemplateError::Truncated;
  const uint8_t* h = &head[kFileHeaderSize];
  const int32_t width = I32(h + 4);
  const int32_t rawHeight = I32(h + 8);
  const uint16_t planes = U16(h + 12);
  const uint16_t bitCount = U16(h + 14);
  const uint32_t compression = U32(h + 16);
  const int32_t xRes = I32(h + 24);
  const int32_t yRes = I32(h + 28);
  const uint32_t colorsUsed = U32(h + 32);

  if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24)
    return BmpTemplateError::BitCount;
  if (compression != kCompressionRgb) return BmpTemplateError::Compression;
  if (planes != 1) return BmpTemplateError::HeaderSize;
  // A negative height stores the rows top-down; the most negative value has no positive twin.
  if (width <= 0 || rawHeight == 0 || rawHeight == INT32_MIN) return BmpTemplateError::Size;
  const int32_t height = rawHeight < 0 ? -rawHeight : rawHeight;
  if (width > kMaxTemplateSide || height > kMaxTemplateSide) return BmpTemplateError::Size;

  const uint64_t rowSize = ((uint64_t{bitCount} * static_cast<uint64_t>(width) + 31) / 32) * 4;
  const uint64_t palettePlace = kFileHeaderSize + uint64_t{headerSize};
  uint64_t paletteCount = 0;
  if (bitCount <= 8) {
    const uint64_t full = uint64_t{1} << bitCount;
    if (colorsUsed > full) return BmpTemplateError::Palette;
    paletteCount = colorsUsed == 0 ? full : colorsUsed;
  }
  const uint64_t paletteEnd = palettePlace + 4 * paletteCount;
  if (pixelOffset < palettePlace) return BmpTemplateError::PixelOffset;
  if (paletteEnd > pixelOffset) return BmpTemplateError::Palette;
  if (pixelOffset >= static_cast<uint64_t>(fileSize)) return BmpTemplateError::PixelOffset;
  // The last row may go without its padding.
  const uint64_t lastRow = (uint64_t{bitCount} * static_cast<uint64_t>(width) + 7) / 8;
  const uint64_t needed =
      uint64_t{pixelOffset} + rowSize * static_cast<uint64_t>(height - 1) + lastRow;
  if (needed > static_cast<uint64_t>(fileSize)) return BmpTemplateError::Truncated;
  if (static_cast<int64_t>(width) * height > kMaxTemplatePixels) return BmpTemplateError::TooLarge;

  info->width = width;
  info->height = height;
  info->bitCount = bitCount;
  info->topDown = rawHeight < 0;
  info->headerSize = headerSize;
  info->pixelOffset = pixelOffset;
  info->rowSize = static_cast<uint32_t>(rowSize);
  const bool resolutionOk =
      xRes > 0 && yRes > 0 && xRes <= kMaxTemplatePelsPerMeter && yRes <= kMaxTemplatePelsPerMeter;
  info->xPelsPerMeter = resolutionOk ? xRes : 0;
  info->yPelsPerMeter = resolutionOk ? yRes : 0;

  if (bitCount <= 8) {
    std::vector<uint8_t> bytes(static_cast<size_t>(4 * paletteCount));
    if (!ReadExactly(read, static_cast<int64_t>(palettePlace), bytes.data(),
                     static_cast<int64_t>(bytes.size())))
      return BmpTemplateError::Truncated;
    // Indices beyond a short palette show black.
    info->palette.assign(size_t{1} << bitCount, 0xff000000u);
    for (size_t i = 0; i < paletteCount; ++i) {
      const uint8_t* e = &bytes[4 * i];
      info->palette[i] = 0xff000000u | (uint32_t{e[2]} << 16) | (uint32_t{e[1]} << 8) | e[0];
    }
  }
  return BmpTemplateError::None;
}

int BmpRowsPerChunk(uint32_t rowSize) {
  constexpr uint32_t kChunkBytes = 16384;
  constexpr int kChunkRows = 8;
  if (rowSize == 0) return kChunkRows;
  return static_cast<int>(std::clamp<uint32_t>(kChunkBytes / rowSize, 1, kChunkRows));
}

BmpTemplateError ReadBmpTemplateRows(const BmpReadAt& read, const BmpTemplateInfo& info,
                                     const std::function<bool(int y, const uint32_t* rgb)>& row) {
  return ReadBmpTemplateRowRange(read, info, 0, info.height, row);
}

BmpTemplateError ReadBmpTemplateRowRange(
    const BmpReadAt& read, const BmpTemplateInfo& info, int top, int bottom,
    const std::function<bool(int y, const uint32_t* rgb)>& row) {
  if (info.width <= 0 || info.height <= 0 || info.rowSize == 0) return BmpTemplateError::Size;
  if (info.bitCount <= 8 && info.palette.size() < (size_t{1} << info.bitCount))
    return BmpTemplateError::Palette;
  const int perChunk = BmpRowsPerChunk(info.rowSize);
  std::vector<uint8_t> chunk(static_cast<size_t>(info.rowSize) * static_cast<size_t>(perChunk));
  std::vector<uint32_t> pixels(static_cast<size_t>(info.width));
  const size_t w = static_cast<size_t>(info.width);
  const uint32_t* pal = info.palette.data();
  const size_t palSize = info.palette.size();
  top = std::clamp(top, 0, info.height);
  bottom = std::clamp(bottom, top, info.height);
  // The stored rows that hold them: the same ones, or counted from the bottom.
  const int begin = info.topDown ? top : info.height - bottom;
  const int end = info.topDown ? bottom : info.height - top;
  for (int first = begin; first < end; first += perChunk) {
    const int rows = std::min(perChunk, end - first);
    const int64_t pos = int64_t{info.pixelOffset} + int64_t{info.rowSize} * first;
    const int64_t want = int64_t{info.rowSize} * rows;
    const int64_t got = read(pos, chunk.data(), want);
    if (got < 0) return BmpTemplateError::ReadFailed;
    // Only the padding of the very last row may be missing.
    if (got < want) {
      const int64_t lastRow = (int64_t{info.bitCount} * info.width + 7) / 8;
      if (first + rows != info.height || got < want - info.rowSize + lastRow)
        return BmpTemplateError::Truncated;
      std::fill(chunk.begin() + got, chunk.begin() + want, uint8_t{0});
    }
    for (int r = 0; r < rows; ++r) {
      const uint8_t* src = chunk.data() + static_cast<size_t>(r) * info.rowSize;
      uint32_t* dst = pixels.data();
      switch (info.bitCount) {
        case 24:
          for (size_t x = 0; x < w; ++x, src += 3)
            dst[x] = 0xff000000u | (uint32_t{src[2]} << 16) | (uint32_t{src[1]} << 8) | src[0];
          break;
        case 8:
          for (size_t x = 0; x < w; ++x) dst[x] = pal[src[x] % palSize];
          break;
        case 4:
          for (size_t x = 0; x < w; ++x)
            dst[x] = pal[((x & 1) ? src[x >> 1] & 0x0f : src[x >> 1] >> 4) % palSize];
          break;
        case 1:
          for (size_t x = 0; x < w; ++x)
            dst[x] = pal[((src[x >> 3] >> (7 - (x & 7))) & 1) % palSize];
          break;
        default:
          return BmpTemplateError::BitCount;
      }
      const int stored = first + r;
      const int y = info.topDown ? stored : info.height - 1 - stored;
      if (!row(y, dst)) return BmpTemplateError::None;
    }
  }
  return BmpTemplateError::None;
}

}  // namespace zelk
