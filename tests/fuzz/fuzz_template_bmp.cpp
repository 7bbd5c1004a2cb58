// Feeds arbitrary bytes to the template bitmap reader as a file: the header checks, then every
// row, whose pixels must all be written, then a range of rows.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "render/template_bmp.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const zelk::BmpReadAt read = [&](int64_t pos, uint8_t* buf, int64_t n) -> int64_t {
    if (pos < 0 || n < 0 || static_cast<uint64_t>(pos) >= size) return 0;
    const int64_t got = std::min<int64_t>(n, static_cast<int64_t>(size) - pos);
    std::memcpy(buf, data + pos, static_cast<size_t>(got));
    return got;
  };
  zelk::BmpTemplateInfo info;
  if (zelk::ReadBmpTemplateInfo(read, static_cast<int64_t>(size), &info) !=
      zelk::BmpTemplateError::None)
    return 0;
  // Whatever the header said was checked against the file, so the pixels fit in it.
  if (static_cast<uint64_t>(info.rowSize) * static_cast<uint64_t>(info.height - 1) > size)
    __builtin_trap();
  int64_t rows = 0;
  uint32_t mix = 0;
  zelk::ReadBmpTemplateRows(read, info, [&](int y, const uint32_t* rgb) {
    if (y < 0 || y >= info.height) __builtin_trap();
    ++rows;
    for (int x = 0; x < info.width; ++x) mix ^= rgb[x];
    return true;
  });
  if (rows > info.height) __builtin_trap();
  // A range of rows named by the last bytes, as a view asks for them.
  const int top = size >= 2 ? data[size - 2] % (info.height + 2) - 1 : 0;
  const int bottom = size >= 1 ? top + data[size - 1] % (info.height + 2) : info.height;
  int64_t inRange = 0;
  zelk::ReadBmpTemplateRowRange(read, info, top, bottom, [&](int y, const uint32_t*) {
    if (y < top || y >= bottom || y < 0 || y >= info.height) __builtin_trap();
    ++inRange;
    return true;
  });
  if (inRange > info.height) __builtin_trap();
  (void)mix;
  return 0;
}
