// Optimize/Repair: the map rewritten without deleted objects, damaged ones repaired or dropped.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "storage/map_store.h"

namespace zelk {

struct OptimizeResult {
  bool ok = false;       // the map was replaced by the optimized file
  bool stopped = false;  // Esc: the map is as it was
  int64_t sizeBefore = 0;
  int64_t sizeAfter = 0;
  int32_t written = 0;
  int32_t repaired = 0;
  int32_t damagedDeleted = 0;
  int32_t spuriousDeleted = 0;
  int32_t undefined = 0;
  bool undefinedDeleted = false;
  // "101.2 x: 12.34 y: -5.00" for the first 64 objects of unknown symbol, then "etc.".
  std::vector<std::string> undefinedList;
};

// What the walk decides for one object.
enum class OptimizeVerdict { Keep, Repaired, Damaged, Spurious, Undefined };

// The checks of one index entry and the record it points at (`record` holds the bytes read at
// the entry's position, as many as the file had, at most the entry's length). `obj` gets the
// object as it will be written.
OptimizeVerdict CheckObject(const IndexEntry& entry, int64_t fileSize,
                            std::span<const uint8_t> record, const MapStore& store,
                            ObjectRecord* obj);

// Writes the optimized map beside the working file, syncs it, and only then puts it in place of
// the working file, which is opened and read again (modified). Esc or any failure leaves the
// working file as it was (a failure is shown, with "The map was left as it was.").
OptimizeResult OptimizeMap(MapStore& store, bool deleteUndefined, Progress& progress);

// The lines of the result dialog.
std::vector<std::string> OptimizeReport(const OptimizeResult& r);

}  // namespace zelk
