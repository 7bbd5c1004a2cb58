// Builds small maps through the engine for the storage tests.
#pragma once

#include "storage/map_store.h"
#include "test_support.h"

namespace zelk {

// A symbol record of a given type whose counts agree with its length.
inline SymbolRecord MakeSymbol(int number, int type, int extent, std::initializer_list<int> colors,
                               int subtype = 0) {
  SymbolRecord s;
  s.SetType(type);
  s.SetSubtype(subtype);
  int size = 348;
  switch (type) {
    case kSymbolPoint: size = 352; break;
    case kSymbolLine: size = subtype ? 440 : 424; break;
    case kSymbolArea: size = 380; break;
    case kSymbolText: size = 588; break;
    case kSymbolRectangle: size = 416; break;
  }
  s.Resize(size);
  s.SetLength(size);
  s.SetNumber(number);
  s.SetExtent(extent);
  ColorSet set;
  for (int c : colors) set.Add(c);
  s.SetColors(set);
  s.SetDescription("Symbol " + std::to_string(number));
  return s;
}

inline ObjectRecord MakeLine(int symbol, int x0, int y0, int x1, int y1) {
  ObjectRecord o;
  o.symbol = static_cast<int16_t>(symbol);
  o.type = kObjectLine;
  o.coords = {Coord::FromUnits(x0, y0), Coord::FromUnits(x1, y1)};
  return o;
}

inline Box UnitsBox(int l, int b, int r, int t) { return {l * 256, b * 256, r * 256, t * 256}; }

// An engine on a fresh map file in a temporary folder with three colours and a few symbols.
struct MapFixture {
  TempDir dir;
  RecordingSink sink;
  MapStore store{&sink};
  std::string path = dir.Path("map.zkm");

  MapFixture() {
    store.CreateEmptyMap(path);
    SymbolHeader& h = store.MutableColors();
    h.colorCount = 3;
    h.colors[0] = ColorRecord::NewColor(2, "Black");
    h.colors[1] = ColorRecord::NewColor(0, "Blue");
    h.colors[2] = ColorRecord::NewColor(1, "Yellow");
    store.AppendSymbol(MakeSymbol(1010, kSymbolLine, 20, {2}));
    store.AppendSymbol(MakeSymbol(2010, kSymbolArea, 0, {1}));
    store.AppendSymbol(MakeSymbol(3010, kSymbolPoint, 100, {0, 2}));
    store.RewriteSymbolIndex();
  }
  // Closes and reopens the file, so everything is read back from disk.
  bool Reopen() {
    store.CloseWorkingFile();
    store.WorkingFile().OpenExisting(path);
    return store.LoadFromWorkingFile();
  }
};

}  // namespace zelk
