// Builders of symbol records, element lists and objects for the renderer's tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "render/object_renderer.h"
#include "render/recording_device.h"
#include "storage/byte_io.h"
#include "storage/records.h"

namespace zelk::test {

inline Coord U(int32_t x, int32_t y, int32_t xf = 0, int32_t yf = 0) {
  return Coord::FromUnits(x, y, xf, yf);
}

struct Element {
  int16_t kind = kElementLine;
  int16_t style = 0;
  int16_t color = 0;
  int16_t lineWidth = 0;
  int16_t diameter = 0;
  std::vector<Coord> points;
};

inline std::vector<uint8_t> EncodeElements(const std::vector<Element>& elements) {
  std::vector<uint8_t> out;
  for (const Element& e : elements) {
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

inline ColorSet ColorsOf(const std::vector<Element>& elements) {
  ColorSet s;
  for (const Element& e : elements) s.Add(e.color);
  return s;
}

inline SymbolRecord PointSymbol(const std::vector<Element>& elements) {
  const std::vector<uint8_t> list = EncodeElements(elements);
  std::vector<uint8_t> bytes(352, 0);
  bytes.insert(bytes.end(), list.begin(), list.end());
  SymbolRecord s(bytes);
  s.SetLength(static_cast<int>(bytes.size()));
  s.SetType(kSymbolPoint);
  s.SetNumber(1010);
  s.SetI16At(348, static_cast<int>(list.size() / 8));
  s.SetColors(ColorsOf(elements));
  return s;
}

struct AreaFields {
  int fillOn = 0, fillColor = 0, hatchMode = 0, hatchColor = 0, hatchLineWidth = 0,
      hatchDist = 0, hatchAngle1 = 0, hatchAngle2 = 0, structMode = 0, structWidth = 0,
      structHeight = 0, structAngle = 0, extent = 0;
  std::vector<Element> structure;
};

inline SymbolRecord AreaSymbol(const AreaFields& f) {
  const std::vector<uint8_t> list = EncodeElements(f.structure);
  std::vector<uint8_t> bytes(380, 0);
  bytes.insert(bytes.end(), list.begin(), list.end());
  SymbolRecord s(bytes);
  s.SetLength(static_cast<int>(bytes.size()));
  s.SetType(kSymbolArea);
  s.SetNumber(4010);
  s.SetExtent(f.extent);
  const int words[] = {f.fillOn, f.fillColor, f.hatchMode, f.hatchColor, f.hatchLineWidth,
                       f.hatchDist, f.hatchAngle1, f.hatchAngle2};
  for (int i = 0; i < 8; ++i) s.SetI16At(350 + 2 * i, words[i]);
  s.SetI16At(368, f.structMode);
  s.SetI16At(370, f.structWidth);
  s.SetI16At(372, f.structHeight);
  s.SetI16At(374, f.structAngle);
  s.SetI16At(378, static_cast<int>(list.size() / 8));
  ColorSet colors = ColorsOf(f.structure);
  if (f.fillOn) colors.Add(f.fillColor);
  if (f.hatchMode) colors.Add(f.hatchColor);
  s.SetColors(colors);
  return s;
}

struct RectangleFields {
  int lineColor = 0, lineWidth = 30, radius = 0, gridFlags = 0, cellWidth = 0, cellHeight = 0,
      unnumCells = 0;
  std::string unnumText;
};

inline SymbolRecord RectangleSymbol(const RectangleFields& f) {
  SymbolRecord s(std::vector<uint8_t>(416, 0));
  s.SetLength(416);
  s.SetType(kSymbolRectangle);
  s.SetNumber(5010);
  const int words[] = {f.lineColor, f.lineWidth, f.radius, f.gridFlags, f.cellWidth, f.cellHeight};
  for (int i = 0; i < 6; ++i) s.SetI16At(348 + 2 * i, words[i]);
  s.SetI16At(364, f.unnumCells);
  PutShortString(&s.MutableBytes()[366], 4, f.unnumText);
  ColorSet colors;
  colors.Add(f.lineColor);
  s.SetColors(colors);
  return s;
}

inline ObjectRecord Object(int16_t type, std::vector<Coord> coords, int16_t angle = 0) {
  ObjectRecord o;
  o.symbol = 1010;
  o.type = type;
  o.angle = angle;
  o.coords = std::move(coords);
  return o;
}

// A square ring of side s with its lower left corner at (x, y), counter-clockwise.
inline std::vector<Coord> Square(int32_t x, int32_t y, int32_t s, bool hole = false) {
  return {U(x, y, 0, hole ? kHoleStart : 0), U(x + s, y), U(x + s, y + s), U(x, y + s)};
}

// One map unit per device unit; a large clip rectangle.
inline OutputState UnitState() {
  OutputState s;
  s.scaleX = 1.0 / 256;
  s.scaleY = -1.0 / 256;
  s.clipRectangle = {U(-100000, 0).x, U(0, -100000).y, U(100000, 0).x, U(0, 100000).y};
  return s;
}

// Even-odd test of a sample point against straight-edged rings (HoleStart begins a ring).
inline bool EvenOddInside(const std::vector<Coord>& pts, double x, double y) {
  bool inside = false;
  size_t begin = 0;
  while (begin < pts.size()) {
    size_t end = begin + 1;
    while (end < pts.size() && !(pts[end].y & kHoleStart)) ++end;
    for (size_t i = begin; i < end; ++i) {
      const Coord a = pts[i], b = pts[i + 1 < end ? i + 1 : begin];
      const double ax = a.PosX(), ay = a.PosY(), bx = b.PosX(), by = b.PosY();
      if ((ay > y) != (by > y) && x < ax + (y - ay) * (bx - ax) / (by - ay)) inside = !inside;
    }
    begin = end;
  }
  return inside;
}

}  // namespace zelk::test
