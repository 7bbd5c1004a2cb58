// Builders that turn readable symbol descriptions into symbol records whose counts agree.
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "datagen.h"
#include "storage/symbol_records.h"

namespace zelk::datagen {

ElementList& ElementList::Line(int16_t colour, int16_t width, std::initializer_list<Pt> points,
                               int16_t style) {
  return Line(colour, width, std::vector<Pt>(points), style);
}
ElementList& ElementList::Line(int16_t colour, int16_t width, const std::vector<Pt>& points,
                               int16_t style) {
  Element(kElementLine, colour, width, 0, style, points);
  return *this;
}
ElementList& ElementList::Area(int16_t colour, std::initializer_list<Pt> points) {
  return Area(colour, std::vector<Pt>(points));
}
ElementList& ElementList::Area(int16_t colour, const std::vector<Pt>& points) {
  Element(kElementArea, colour, 0, 0, 0, points);
  return *this;
}
ElementList& ElementList::Circle(int16_t colour, int16_t lineWidth, int16_t diameter, Pt centre) {
  Element(kElementCircle, colour, lineWidth, diameter, 0, {centre});
  return *this;
}
ElementList& ElementList::Dot(int16_t colour, int16_t diameter, Pt centre) {
  Element(kElementDot, colour, 0, diameter, 0, {centre});
  return *this;
}

void ElementList::Element(int16_t kind, int16_t colour, int16_t width, int16_t diameter,
                          int16_t style, const std::vector<Pt>& points) {
  SymbolElementHead head;
  head.kind = kind;
  head.flags = style;
  head.color = colour;
  head.lineWidth = width;
  head.diameter = diameter;
  std::vector<Coord> coords;
  for (const Pt& pt : points) coords.push_back(pt.ToCoord());
  AppendElement(bytes_, head, coords);
  for (const Pt& pt : points) {
    const double r = std::hypot(pt.x, pt.y);
    reach_ =
        std::max(reach_, static_cast<int>(std::ceil(r)) + std::max<int>(width, diameter) / 2 + 1);
  }
  colours_.push_back(colour);
}

void ElementList::AddColoursTo(ColorSet& set) const {
  for (int16_t c : colours_) set.Add(c);
}

SymbolRecord NewSymbol(int number, SymbolType type, const std::string& description) {
  SymbolRecord s;
  s.SetNumber(number);
  s.SetType(type);
  s.SetDescription(description);
  std::fill(s.MutableIcon(), s.MutableIcon() + SymbolRecord::kIconSize, uint8_t{255});
  return s;
}

namespace {

void Check(const SymbolRecord& s) {
  if (!s.IsConsistent()) {
    std::fprintf(stderr, "zelk-datagen: symbol %d does not pass its size check\n", s.Number());
    std::exit(1);
  }
}

}  // namespace

SymbolRecord PointSymbol(int number, const std::string& description, const ElementList& elements) {
  zelk::PointSymbol p;
  p.ElementUnits = static_cast<int16_t>(elements.Units());
  p.Elements = elements.Bytes();
  SymbolRecord s = NewSymbol(number, SymbolType::Point, description);
  p.Encode(s);
  ColorSet set;
  elements.AddColoursTo(set);
  s.SetColors(set);
  s.SetExtent(elements.Reach());
  Check(s);
  return s;
}

SymbolRecord LineSymbol(int number, const std::string& description, const LineFields& f) {
  zelk::LineSymbol l;
  l.LineColor = f.lineColor;
  l.LineWidth = f.lineWidth;
  l.LineEnds = static_cast<uint16_t>(f.lineEnds);
  l.DistFromStart = f.distFromStart;
  l.DistToEnd = f.distToEnd;
  l.MainLength = f.mainLength;
  l.EndLength = f.endLength;
  l.MainGap = f.mainGap;
  l.SecGap = f.secGap;
  l.EndGap = f.endGap;
  l.MinGap = f.minGap;
  l.NPrimSym = f.nPrimSym;
  l.PrimSymDist = f.primSymDist;
  l.DblMode = static_cast<uint16_t>(f.dblMode);
  l.DblFlags = static_cast<uint16_t>(f.dblFlags);
  l.DblFillColor = f.dblFillColor;
  l.DblLeftColor = f.dblLeftColor;
  l.DblRightColor = f.dblRightColor;
  l.DblWidth = f.dblWidth;
  l.DblLeftWidth = f.dblLeftWidth;
  l.DblRightWidth = f.dblRightWidth;
  l.DblLength = f.dblLength;
  l.DblGap = f.dblGap;
  l.DecMode = static_cast<uint16_t>(f.decMode);
  l.DecLast = f.decLast;
  l.MainList = f.main.Bytes();
  l.SecList = f.secondary.Bytes();
  l.CornerList = f.corner.Bytes();
  l.StartList = f.start.Bytes();
  l.EndList = f.end.Bytes();
  l.SetSizesFromLists();
  SymbolRecord s = NewSymbol(number, SymbolType::Line, description);
  l.Encode(s);
  const ElementList* lists[5] = {&f.main, &f.secondary, &f.corner, &f.start, &f.end};
  ColorSet set;
  int reach = f.lineWidth / 2;
  for (const ElementList* list : lists) {
    list->AddColoursTo(set);
    reach = std::max(reach, list->Reach());
  }
  // Corner symbols widen like a mitre, up to four times.
  reach = std::max(reach, 2 * f.corner.Reach());
  if (f.lineWidth > 0) set.Add(f.lineColor);
  if (f.dblMode != 0) {
    if (f.dblLeftWidth > 0) set.Add(f.dblLeftColor);
    if (f.dblRightWidth > 0) set.Add(f.dblRightColor);
    if ((f.dblFlags & 1) && f.dblWidth > 0) set.Add(f.dblFillColor);
    reach = std::max(reach, f.dblWidth / 2 + std::max(f.dblLeftWidth, f.dblRightWidth) + 1);
  }
  s.SetColors(set);
  s.SetExtent(reach);
  Check(s);
  return s;
}

SymbolRecord AreaSymbol(int number, const std::string& description, const AreaFields& f) {
  zelk::AreaSymbol a;
  a.FillOn = f.fillOn;
  a.FillColor = f.fillColor;
  a.HatchMode = f.hatchMode;
  a.HatchColor = f.hatchColor;
  a.HatchLineWidth = f.hatchLineWidth;
  a.HatchDist = f.hatchDist;
  a.HatchAngle1 = f.hatchAngle1;
  a.HatchAngle2 = f.hatchAngle2;
  a.StructMode = f.structMode;
  a.StructWidth = f.structWidth;
  a.StructHeight = f.structHeight;
  a.StructAngle = f.structAngle;
  a.StructSize = static_cast<int16_t>(f.structure.Units());
  a.Structure = f.structure.Bytes();
  SymbolRecord s = NewSymbol(number, SymbolType::Area, description);
  a.Encode(s);
  ColorSet set;
  if (f.fillOn) set.Add(f.fillColor);
  if (f.hatchMode > 0) set.Add(f.hatchColor);
  if (f.structMode > 0) f.structure.AddColoursTo(set);
  s.SetColors(set);
  // Areas draw inside their outline; the extent widens the structure grid instead.
  s.SetExtent(f.structMode > 0 ? f.structure.Reach() : 0);
  Check(s);
  return s;
}

SymbolRecord RectangleSymbol(int number, const std::string& description, const RectangleFields& f) {
  zelk::RectangleSymbol r;
  r.LineColor = f.lineColor;
  r.LineWidth = f.lineWidth;
  r.Radius = f.radius;
  r.GridFlags = static_cast<uint16_t>(f.gridFlags);
  r.CellWidth = f.cellWidth;
  r.CellHeight = f.cellHeight;
  r.UnnumCells = f.unnumCells;
  r.UnnumText = f.unnumText;
  SymbolRecord s = NewSymbol(number, SymbolType::Rectangle, description);
  r.Encode(s);
  ColorSet set;
  set.Add(f.lineColor);
  s.SetColors(set);
  s.SetExtent(r.Extent());
  Check(s);
  return s;
}

void Add(MapStore& store, const SymbolRecord& symbol) {
  if (!store.AppendSymbol(symbol) || store.SymbolCount() == 0 ||
      store.Symbol(store.SymbolCount() - 1).Number() != symbol.Number()) {
    std::fprintf(stderr, "zelk-datagen: symbol %d was not added\n", symbol.Number());
    std::exit(1);
  }
}

void AddObject(MapStore& store, int symbol, ObjectType type, const std::vector<Pt>& points,
               int16_t angle, const std::string& text) {
  ObjectRecord o;
  o.symbol = static_cast<int16_t>(symbol);
  o.type = type;
  o.angle = angle;
  for (const Pt& p : points) o.coords.push_back(p.ToCoord());
  if (!text.empty()) o.SetText(text);
  if (!store.AddObject(o)) {
    std::fprintf(stderr, "zelk-datagen: an object of symbol %d was refused\n", symbol);
    std::exit(1);
  }
}

}  // namespace zelk::datagen
