// What every older-format fuzz target checks: the index of a map, every record it names, and the
// conversion of each record into a map object.
#pragma once

#include <cstdint>
#include <span>

#include "storage/older_formats.h"

namespace zelk::fuzz {

inline int ReadOldMap(zelk::OldFormat format, std::span<const uint8_t> file,
                      std::span<const uint8_t> idx) {
  const zelk::OldIndex index = zelk::ReadOldIndex(format, file, idx);
  for (const zelk::OldEntry& e : index.entries) {
    // Every entry the reader lets through lies inside the file.
    if (e.offset < 0 || e.units < 0 ||
        e.offset + 4 * int64_t{e.units} > static_cast<int64_t>(file.size()))
      __builtin_trap();
    const auto old = zelk::DecodeOldObject(
        format, file.subspan(static_cast<size_t>(e.offset), static_cast<size_t>(e.units) * 4));
    if (!old) continue;
    const auto obj = zelk::ConvertOldObject(*old);
    if (!obj) continue;
    // What would be stored is a record the engine accepts.
    if (obj->PointCount() < 1 || obj->PointCount() > 2000) __builtin_trap();
    if (!zelk::ObjectRecord::Decode(obj->Encode())) __builtin_trap();
  }
  return 0;
}

}  // namespace zelk::fuzz
