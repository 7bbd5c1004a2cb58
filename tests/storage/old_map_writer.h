// Writes maps of the three older layouts for the conversion tests and fuzz seeds.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "storage/byte_io.h"
#include "storage/older_formats.h"

namespace zelk::test {

struct OldRecord {
  int16_t symbol = 0;
  int16_t type = 0;
  int16_t angle = 0;
  std::vector<std::pair<int16_t, int16_t>> points;  // 0.1 mm
  std::string text;
  int16_t countOverride = -1;  // a coordinate count that disagrees with the points
};

inline std::vector<uint8_t> EncodeOldRecord(const OldRecord& r) {
  std::vector<uint8_t> b(12 + 4 * r.points.size(), 0);
  PutI16(b.data(), r.symbol);
  PutI16(b.data() + 2, r.type);
  PutI16(b.data() + 4,
         r.countOverride >= 0 ? r.countOverride : static_cast<int16_t>(r.points.size()));
  PutI16(b.data() + 6, r.angle);
  for (size_t i = 0; i < r.points.size(); ++i) {
    PutI16(b.data() + 12 + 4 * i, r.points[i].first);
    PutI16(b.data() + 14 + 4 * i, r.points[i].second);
  }
  for (char c : r.text) b.push_back(static_cast<uint8_t>(c));
  b.push_back(0);
  while (b.size() % 4) b.push_back(0);
  return b;
}

// An entry as written: position and length in units, as the layout counts them.
struct OldSlot {
  int64_t pos = 0;
  int64_t len = 0;
};

struct OldMapFiles {
  std::vector<uint8_t> file;  // the map (".elt" for ZELK 3)
  std::vector<uint8_t> idx;   // ZELK 3 only
  std::vector<OldSlot> slots;
};

// Lays out the records one after another from unit 256 of the object data, with settings
// (map scale) in front of them, the index first. `extraSlots` adds index entries naming
// positions given by the test.
inline OldMapFiles WriteOldMap(OldFormat f, const std::vector<OldRecord>& records,
                               int32_t mapScale = 15000,
                               const std::vector<OldSlot>& extraSlots = {}) {
  OldMapFiles out;
  std::vector<uint8_t> data(1024, 0);  // settings, then objects from unit 256
  PutI32(data.data() + 16, mapScale);
  for (const OldRecord& r : records) {
    const std::vector<uint8_t> rec = EncodeOldRecord(r);
    out.slots.push_back(
        {static_cast<int64_t>(data.size() / 4), static_cast<int64_t>(rec.size() / 4)});
    data.insert(data.end(), rec.begin(), rec.end());
  }
  for (const OldSlot& s : extraSlots) out.slots.push_back(s);
  const auto n = static_cast<int32_t>(out.slots.size());
  switch (f) {
    case OldFormat::Zelk5: {
      const int32_t b = 24 + 24 * n;
      out.file.assign(static_cast<size_t>(b), 0);
      PutI16(out.file.data(), 3245);
      PutI16(out.file.data() + 2, 204);
      PutI32(out.file.data() + 8, b);
      for (int32_t i = 0; i < n; ++i) {
        PutI32(out.file.data() + 24 + 24 * i + 8, static_cast<int32_t>(out.slots[i].pos));
        PutI32(out.file.data() + 24 + 24 * i + 12, static_cast<int32_t>(out.slots[i].len));
      }
      out.file.insert(out.file.end(), data.begin(), data.end());
      break;
    }
    case OldFormat::Zelk4:
    case OldFormat::Zelk3: {
      // Slot 0 is the header; the entries follow in slots 1..n.
      std::vector<uint8_t> index(static_cast<size_t>(16 * (n + 1)), 0);
      PutI16(index.data(), 3245);
      PutI16(index.data() + 2, f == OldFormat::Zelk4 ? 238 : 221);
      PutI32(index.data() + 8, n + 1);
      for (int32_t i = 0; i < n; ++i) {
        PutI32(index.data() + 16 * (i + 1) + 8, static_cast<int32_t>(out.slots[i].pos));
        PutI16(index.data() + 16 * (i + 1) + 12, static_cast<int16_t>(out.slots[i].len));
      }
      if (f == OldFormat::Zelk4) {
        out.file = index;
        out.file.insert(out.file.end(), data.begin(), data.end());
      } else {
        out.idx = index;
        out.file = data;
        PutI16(out.file.data(), 3245);  // the ".elt" head: mark and kind over the settings
        PutI16(out.file.data() + 2, 255);
      }
      break;
    }
  }
  return out;
}

}  // namespace zelk::test
