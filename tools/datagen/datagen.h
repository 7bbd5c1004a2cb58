// The shipped symbol set and demo map: colours, symbol builders and the parts each source file
// adds.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "storage/map_store.h"

namespace zelk::datagen {

// Colour numbers (what symbols refer to); the drawing order is the table order in colors.cpp.
enum Colour : int16_t {
  kBlack = 0,
  kBrown = 1,
  kBlue = 2,
  kOrange = 3,
  kYellow = 4,
  kBlack50 = 5,
  kBlue50 = 6,
  kGreen60 = 7,
  kGreen30 = 8,
  kYellow50 = 9,
  kBrown20 = 10,
  kWhite = 11,
  kGreen = 12,
};

// A point given in map units (0.01 mm); flags as in coordinate words.
struct Pt {
  int32_t x = 0;
  int32_t y = 0;
  int32_t xFlags = 0;
  int32_t yFlags = 0;
  Coord ToCoord() const { return Coord::FromUnits(x, y, xFlags, yFlags); }
};

// A point-symbol element list under construction (also used for line decorations and area
// structures).
class ElementList {
 public:
  ElementList& Line(int16_t colour, int16_t width, std::initializer_list<Pt> points,
                    int16_t style = 1);
  ElementList& Line(int16_t colour, int16_t width, const std::vector<Pt>& points,
                    int16_t style = 1);
  ElementList& Area(int16_t colour, std::initializer_list<Pt> points);
  ElementList& Area(int16_t colour, const std::vector<Pt>& points);
  ElementList& Circle(int16_t colour, int16_t lineWidth, int16_t diameter, Pt centre = {});
  ElementList& Dot(int16_t colour, int16_t diameter, Pt centre = {});

  int Units() const { return static_cast<int>(bytes_.size() / 8); }
  const std::vector<uint8_t>& Bytes() const { return bytes_; }
  // How far the drawing reaches from the origin, line widths included (map units).
  int Reach() const { return reach_; }
  void AddColoursTo(ColorSet& set) const;

 private:
  void Element(int16_t kind, int16_t colour, int16_t width, int16_t diameter, int16_t style,
               const std::vector<Pt>& points);
  std::vector<uint8_t> bytes_;
  std::vector<int16_t> colours_;
  int reach_ = 0;
};

// The common part every builder fills: number as shown times ten, description; the record of
// the type then sizes it.
SymbolRecord NewSymbol(int number, SymbolType type, const std::string& description);

SymbolRecord PointSymbol(int number, const std::string& description, const ElementList& elements);

// The line symbol fields the shipped symbols set.
struct LineFields {
  int16_t lineColor = 0, lineWidth = 0, lineEnds = 0, distFromStart = 0, distToEnd = 0;
  int16_t mainLength = 0, endLength = 0, mainGap = 0, secGap = 0, endGap = 0, minGap = 0;
  int16_t nPrimSym = 0, primSymDist = 0;
  int16_t dblMode = 0, dblFlags = 0, dblFillColor = 0, dblLeftColor = 0, dblRightColor = 0;
  int16_t dblWidth = 0, dblLeftWidth = 0, dblRightWidth = 0, dblLength = 0, dblGap = 0;
  int16_t decMode = 0, decLast = 0;
  ElementList main, secondary, corner, start, end;
};
SymbolRecord LineSymbol(int number, const std::string& description, const LineFields& f);

// The area symbol fields the shipped symbols set.
struct AreaFields {
  int16_t fillOn = 0, fillColor = 0;
  int16_t hatchMode = 0, hatchColor = 0, hatchLineWidth = 0, hatchDist = 0, hatchAngle1 = 0,
          hatchAngle2 = 0;
  int16_t structMode = 0, structWidth = 0, structHeight = 0, structAngle = 0;
  ElementList structure;
};
SymbolRecord AreaSymbol(int number, const std::string& description, const AreaFields& f);

struct RectangleFields {
  int16_t lineColor = 0, lineWidth = 0, radius = 0, gridFlags = 0, cellWidth = 0, cellHeight = 0;
  int16_t unnumCells = 0;
  std::string unnumText;
};
SymbolRecord RectangleSymbol(int number, const std::string& description, const RectangleFields& f);

// Appends the symbol, reporting a refusal (the generator must never write a partial set).
void Add(MapStore& store, const SymbolRecord& symbol);

// --- What each source file contributes -------------------------------------------------------
void SetColourTable(MapStore& store);       // colors.cpp
void AddPointSymbols(MapStore& store);      // point_symbols.cpp
void AddLineSymbols(MapStore& store);       // line_symbols.cpp
void AddAreaSymbols(MapStore& store);       // area_symbols.cpp
void AddRectangleSymbols(MapStore& store);  // rectangle_symbols.cpp
void AddTextSymbols(MapStore& store);       // text_symbols.cpp

// Named places of the demo map, for its labels.
struct DemoPlace {
  std::string name;
  std::string kind;  // "village", "hill", "lake", "river", "forest", "marsh", "title"
  Pt at;
  int angle = 0;  // tenths of a degree, for names along rivers and roads
};

// The demo terrain's objects (demo_map.cpp); the places it names are returned for the texts.
std::vector<DemoPlace> AddDemoObjects(MapStore& store);
// Labels of the demo map (text_symbols.cpp).
void AddDemoTexts(MapStore& store, const std::vector<DemoPlace>& places);

// Adds an object of a symbol; numbers are as shown times ten.
void AddObject(MapStore& store, int symbol, ObjectType type, const std::vector<Pt>& points,
               int16_t angle = 0, const std::string& text = {});

}  // namespace zelk::datagen
