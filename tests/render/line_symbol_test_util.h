// Line symbols, element lists and line objects built for the line renderer's tests.
#pragma once

#include <cstdint>
#include <vector>

#include "render/line_symbol.h"
#include "render/object_renderer.h"
#include "storage/byte_io.h"
#include "storage/records.h"

namespace zelk::linetest {

inline Coord U(int32_t x, int32_t y, int32_t xf = 0, int32_t yf = 0) {
  return Coord::FromUnits(x, y, xf, yf);
}

struct Elem {
  int16_t kind = kElementLine;
  int16_t style = 0;
  int16_t color = 0;
  int16_t lineWidth = 0;
  int16_t diameter = 0;
  std::vector<Coord> points;
};

inline std::vector<uint8_t> ElementList(const std::vector<Elem>& elements) {
  std::vector<uint8_t> out;
  for (const Elem& e : elements) {
    SymbolElementHead h;
    h.kind = e.kind;
    h.flags = e.style;
    h.color = e.color;
    h.lineWidth = e.lineWidth;
    h.diameter = e.diameter;
    h.pointCount = static_cast<int16_t>(e.points.size());
    const size_t at = out.size();
    out.resize(at + SymbolElementHead::kSize + 8 * e.points.size());
    h.Encode(&out[at]);
    for (size_t i = 0; i < e.points.size(); ++i) {
      PutI32(&out[at + 16 + 8 * i], e.points[i].x);
      PutI32(&out[at + 20 + 8 * i], e.points[i].y);
    }
  }
  return out;
}

// A line symbol with its lists kept alive beside the fields.
struct LineDef {
  LineSymbol f;
  std::vector<uint8_t> main, sec, corner, start, end;

  SymbolRecord Record() const {
    LineSymbol s = f;
    s.MainList = main;
    s.SecList = sec;
    s.CornerList = corner;
    s.StartList = start;
    s.EndList = end;
    return s.Encode();
  }
};

inline ObjectRecord Line(std::vector<Coord> coords) {
  ObjectRecord o;
  o.type = kObjectLine;
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
