// Builders that turn readable symbol descriptions into symbol records whose counts agree.
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "datagen.h"

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
  head.pointCount = static_cast<int16_t>(points.size());
  const size_t at = bytes_.size();
  bytes_.resize(at + SymbolElementHead::kSize + 8 * points.size(), 0);
  head.Encode(bytes_.data() + at);
  size_t p = at + SymbolElementHead::kSize;
  for (const Pt& pt : points) {
    const Coord c = pt.ToCoord();
    PutI32(bytes_.data() + p, c.x);
    PutI32(bytes_.data() + p + 4, c.y);
    p += 8;
    const double r = std::hypot(pt.x, pt.y);
    reach_ = std::max(reach_, static_cast<int>(std::ceil(r)) + std::max<int>(width, diameter) / 2 + 1);
  }
  colours_.push_back(colour);
}

void ElementList::AddColoursTo(ColorSet& set) const {
  for (int16_t c : colours_) set.Add(c);
}

SymbolRecord NewSymbol(int number, int16_t type, const std::string& description, int size) {
  SymbolRecord s;
  s.Resize(size);
  s.SetLength(size);
  s.SetNumber(number);
  s.SetType(type);
  s.SetDescription(description);
  std::fill(s.MutableIcon(), s.MutableIcon() + SymbolRecord::kIconSize, uint8_t{255});
  return s;
}

namespace {

void CopyList(SymbolRecord& s, int at, const ElementList& list) {
  std::copy(list.Bytes().begin(), list.Bytes().end(), s.MutableBytes().begin() + at);
}

void Check(const SymbolRecord& s) {
  if (!s.IsConsistent()) {
    std::fprintf(stderr, "zelk-datagen: symbol %d does not pass its size check\n", s.Number());
    std::exit(1);
  }
}

}  // namespace

SymbolRecord PointSymbol(int number, const std::string& description, const ElementList& elements) {
  SymbolRecord s = NewSymbol(number, kSymbolPoint, description, 352 + 8 * elements.Units());
  s.SetI16At(348, elements.Units());
  CopyList(s, 352, elements);
  ColorSet set;
  elements.AddColoursTo(set);
  s.SetColors(set);
  s.SetExtent(elements.Reach());
  Check(s);
  return s;
}

SymbolRecord LineSymbol(int number, const std::string& description, const LineFields& f) {
  const ElementList* lists[5] = {&f.main, &f.secondary, &f.corner, &f.start, &f.end};
  int units = 0;
  for (const ElementList* l : lists) units += l->Units();
  SymbolRecord s = NewSymbol(number, kSymbolLine, description, 424 + 8 * units);
  const int16_t words[37] = {f.lineColor,     f.lineWidth,    f.lineEnds,     f.distFromStart,
                             f.distToEnd,     f.mainLength,   f.endLength,    f.mainGap,
                             f.secGap,        f.endGap,       f.minGap,       f.nPrimSym,
                             f.primSymDist,   f.dblMode,      f.dblFlags,     f.dblFillColor,
                             f.dblLeftColor,  f.dblRightColor, f.dblWidth,    f.dblLeftWidth,
                             f.dblRightWidth, f.dblLength,    f.dblGap,       0,
                             0,               0,              f.decMode,      f.decLast,
                             0,               0,              0,              0,
                             static_cast<int16_t>(f.main.Units()),
                             static_cast<int16_t>(f.secondary.Units()),
                             static_cast<int16_t>(f.corner.Units()),
                             static_cast<int16_t>(f.start.Units()),
                             static_cast<int16_t>(f.end.Units())};
  for (int i = 0; i < 37; ++i) s.SetI16At(348 + 2 * i, words[i]);
  int at = 424;
  ColorSet set;
  int reach = f.lineWidth / 2;
  for (const ElementList* l : lists) {
    CopyList(s, at, *l);
    at += 8 * l->Units();
    l->AddColoursTo(set);
    reach = std::max(reach, l->Reach());
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
  SymbolRecord s = NewSymbol(number, kSymbolArea, description, 380 + 8 * f.structure.Units());
  const int16_t words[16] = {0,           f.fillOn,        f.fillColor,      f.hatchMode,
                             f.hatchColor, f.hatchLineWidth, f.hatchDist,     f.hatchAngle1,
                             f.hatchAngle2, 0,               f.structMode,     f.structWidth,
                             f.structHeight, f.structAngle,  0,
                             static_cast<int16_t>(f.structure.Units())};
  for (int i = 0; i < 16; ++i) s.SetI16At(348 + 2 * i, words[i]);
  CopyList(s, 380, f.structure);
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
  SymbolRecord s = NewSymbol(number, kSymbolRectangle, description, 416);
  s.SetI16At(348, f.lineColor);
  s.SetI16At(350, f.lineWidth);
  s.SetI16At(352, f.radius);
  s.SetI16At(354, f.gridFlags);
  s.SetI16At(356, f.cellWidth);
  s.SetI16At(358, f.cellHeight);
  s.SetI16At(364, f.unnumCells);
  PutShortString(s.MutableBytes().data() + 366, 4, f.unnumText);
  ColorSet set;
  set.Add(f.lineColor);
  s.SetColors(set);
  s.SetExtent(f.lineWidth / 2 + 8);
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

void AddObject(MapStore& store, int symbol, int16_t type, const std::vector<Pt>& points,
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
