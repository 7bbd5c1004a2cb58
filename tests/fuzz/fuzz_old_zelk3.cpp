// Reads arbitrary bytes as a ZELK 3 map and its ".IDX" file: the index, every record it names,
// and the conversion of each record into a map object.
#include <algorithm>

#include "old_map_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The first two bytes say how much of the rest is the ".IDX" file.
  if (size < 2) return 0;
  const size_t idxSize = std::min<size_t>(size - 2, data[0] | (data[1] << 8));
  return zelk::fuzz::ReadOldMap(zelk::OldFormat::Zelk3,
                                std::span<const uint8_t>(data + 2 + idxSize, size - 2 - idxSize),
                                std::span<const uint8_t>(data + 2, idxSize));
}
