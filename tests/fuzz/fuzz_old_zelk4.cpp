// Reads arbitrary bytes as a ZELK 4 map: its index, every record it names, and the conversion
// of each record into a map object.
#include "old_map_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return zelk::fuzz::ReadOldMap(zelk::OldFormat::Zelk4, std::span<const uint8_t>(data, size), {});
}
