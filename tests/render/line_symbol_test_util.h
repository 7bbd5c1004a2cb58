// Line symbols, element lists and line objects built for the line renderer's tests.
#pragma once

#include <cstdint>
#include <vector>

#include "render/object_renderer.h"
#include "storage/records.h"
#include "storage/symbol_records.h"
#include "symbol_builders.h"

namespace zelk::linetest {

using test::U;
using Elem = test::Element;

inline std::vector<uint8_t> ElementList(const std::vector<Elem>& elements) {
  return test::EncodeElements(elements);
}

using test::LineDef;

inline ObjectRecord Line(std::vector<Coord> coords) {
  ObjectRecord o;
  o.type = ObjectType::Line;
  o.symbol = 1010;
  o.coords = std::move(coords);
  return o;
}

// A horizontal line of `length` map units from (0, 0).
inline ObjectRecord Straight(int32_t length) {
  return Line({U(0, 0), U(length, 0)});
}

// A dot of the diameter at the origin, the simplest symbol whose position can be read back.
inline std::vector<uint8_t> DotList(int16_t color, int16_t diameter) {
  return ElementList({{kElementDot, 0, color, 0, diameter, {U(0, 0)}}});
}

}  // namespace zelk::linetest
