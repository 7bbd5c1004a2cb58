// Symbol records for tests, built through the record types so that their counts agree.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "storage/records.h"
#include "storage/symbol_records.h"

namespace zelk::test {

inline Coord U(int32_t x, int32_t y, int32_t xf = 0, int32_t yf = 0) {
  return Coord::FromUnits(x, y, xf, yf);
}

// One element of a point-symbol element list, as a test writes it.
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
    AppendElement(out, h, e.points);
  }
  return out;
}

inline ColorSet ColorsOf(const std::vector<Element>& elements) {
  ColorSet s;
  for (const Element& e : elements) s.Add(e.color);
  return s;
}

// A record of the type with every type-specific field zero (empty lists), number, extent,
// colours and a description set: what the engine's tests need.
inline SymbolRecord MakeSymbol(int number, SymbolType type, int extent,
                               std::initializer_list<int> colors, int subtype = 0) {
  SymbolRecord s;
  switch (type) {
    case SymbolType::Point:
      PointSymbol{}.Encode(s);
      break;
    case SymbolType::Line:
      if (subtype == kSubtypeLineText) {
        LineTextSymbol{}.Encode(s);
      } else {
        LineSymbol{}.Encode(s);
      }
      break;
    case SymbolType::Area:
      AreaSymbol{}.Encode(s);
      break;
    case SymbolType::Text:
      TextSymbol{}.Encode(s);
      break;
    case SymbolType::Rectangle:
      RectangleSymbol{}.Encode(s);
      break;
  }
  s.SetType(type);
  s.SetSubtype(subtype);
  s.SetNumber(number);
  s.SetExtent(extent);
  ColorSet set;
  for (int c : colors) set.Add(c);
  s.SetColors(set);
  s.SetDescription("Symbol " + std::to_string(number));
  return s;
}

inline SymbolRecord MakePointSymbol(const std::vector<Element>& elements, int number = 1010) {
  const std::vector<uint8_t> list = EncodeElements(elements);
  PointSymbol p;
  p.ElementUnits = static_cast<int16_t>(list.size() / 8);
  p.Elements = list;
  SymbolRecord s = p.Encode();
  s.SetNumber(number);
  s.SetColors(ColorsOf(elements));
  return s;
}

struct AreaFields {
  int fillOn = 0, fillColor = 0, hatchMode = 0, hatchColor = 0, hatchLineWidth = 0, hatchDist = 0,
      hatchAngle1 = 0, hatchAngle2 = 0, structMode = 0, structWidth = 0, structHeight = 0,
      structAngle = 0, extent = 0;
  std::vector<Element> structure;
};

inline SymbolRecord MakeAreaSymbol(const AreaFields& f, int number = 4010) {
  const std::vector<uint8_t> list = EncodeElements(f.structure);
  AreaSymbol a;
  a.FillOn = static_cast<int16_t>(f.fillOn);
  a.FillColor = static_cast<int16_t>(f.fillColor);
  a.HatchMode = static_cast<int16_t>(f.hatchMode);
  a.HatchColor = static_cast<int16_t>(f.hatchColor);
  a.HatchLineWidth = static_cast<int16_t>(f.hatchLineWidth);
  a.HatchDist = static_cast<int16_t>(f.hatchDist);
  a.HatchAngle1 = static_cast<int16_t>(f.hatchAngle1);
  a.HatchAngle2 = static_cast<int16_t>(f.hatchAngle2);
  a.StructMode = static_cast<int16_t>(f.structMode);
  a.StructWidth = static_cast<int16_t>(f.structWidth);
  a.StructHeight = static_cast<int16_t>(f.structHeight);
  a.StructAngle = static_cast<int16_t>(f.structAngle);
  a.StructSize = static_cast<int16_t>(list.size() / 8);
  a.Structure = list;
  SymbolRecord s = a.Encode();
  s.SetNumber(number);
  s.SetExtent(f.extent);
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

inline SymbolRecord MakeRectangleSymbol(const RectangleFields& f, int number = 5010) {
  RectangleSymbol r;
  r.LineColor = static_cast<int16_t>(f.lineColor);
  r.LineWidth = static_cast<int16_t>(f.lineWidth);
  r.Radius = static_cast<int16_t>(f.radius);
  r.GridFlags = static_cast<uint16_t>(f.gridFlags);
  r.CellWidth = static_cast<int16_t>(f.cellWidth);
  r.CellHeight = static_cast<int16_t>(f.cellHeight);
  r.UnnumCells = static_cast<int16_t>(f.unnumCells);
  r.UnnumText = f.unnumText;
  SymbolRecord s = r.Encode();
  s.SetNumber(number);
  ColorSet colors;
  colors.Add(f.lineColor);
  s.SetColors(colors);
  return s;
}

// A line symbol with its lists kept alive beside the fields; the size words follow the lists.
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
    s.SetSizesFromLists();
    return s.Encode();
  }
};

// A line symbol that draws only a main line.
inline SymbolRecord MakeLineSymbol(int number, int color, int width, int extent) {
  LineDef d;
  d.f.LineColor = static_cast<int16_t>(color);
  d.f.LineWidth = static_cast<int16_t>(width);
  SymbolRecord s = d.Record();
  s.SetNumber(number);
  s.SetExtent(extent);
  ColorSet set;
  set.Add(color);
  s.SetColors(set);
  s.SetDescription("Symbol " + std::to_string(number));
  return s;
}

// A text symbol with every field zero but its face name.
inline SymbolRecord MakeTextSymbolWithFont(int number, const std::string& font, int color) {
  TextSymbol t;
  t.FontName = font;
  SymbolRecord s = MakeSymbol(number, SymbolType::Text, 0, {color});
  t.Encode(s);
  return s;
}

}  // namespace zelk::test
