// Builds small maps through the engine for the storage tests.
#pragma once

#include "storage/map_store.h"
#include "symbol_builder.h"
#include "test_support.h"

namespace zelk {

using test::MakeSymbol;

inline ObjectRecord MakeLine(int symbol, int x0, int y0, int x1, int y1) {
  ObjectRecord o;
  o.symbol = static_cast<int16_t>(symbol);
  o.type = ObjectType::Line;
  o.coords = {Coord::FromUnits(x0, y0), Coord::FromUnits(x1, y1)};
  return o;
}

inline Box UnitsBox(int l, int b, int r, int t) {
  return {l * 256, b * 256, r * 256, t * 256};
}

// An engine on a fresh map file in a temporary folder with three colours and a few symbols.
struct MapFixture {
  TempDir dir;
  RecordingSink sink;
  MapStore store;
  std::string path = dir.Path("map.zkm");

  explicit MapFixture(FileSystem* files = nullptr) : store(&sink, files) {
    store.CreateEmptyMap(path);
    SymbolHeader& h = store.MutableColors();
    h.colorCount = 3;
    h.colors[0] = ColorRecord::NewColor(2, "Black");
    h.colors[1] = ColorRecord::NewColor(0, "Blue");
    h.colors[2] = ColorRecord::NewColor(1, "Yellow");
    store.AppendSymbol(MakeSymbol(1010, SymbolType::Line, 20, {2}));
    store.AppendSymbol(MakeSymbol(2010, SymbolType::Area, 0, {1}));
    store.AppendSymbol(MakeSymbol(3010, SymbolType::Point, 100, {0, 2}));
    store.RewriteSymbolIndex();
  }
  // Closes and reopens the file, so everything is read back from disk.
  bool Reopen() {
    store.CloseWorkingFile();
    store.WorkingFile().OpenExisting(path);
    return store.LoadFromWorkingFile();
  }
};

// A symbol set on disk: two colours, two symbols, a scale of 1:10000 and an info text.
inline std::string MakeSymbolSet(const std::string& path) {
  RecordingSink sink;
  MapStore store(&sink);
  store.CreateEmptyMap(path);
  SymbolHeader& h = store.MutableColors();
  h.colorCount = 2;
  h.colors[0] = ColorRecord::NewColor(1, "Black");
  h.colors[1] = ColorRecord::NewColor(0, "Green");
  store.AppendSymbol(MakeSymbol(1010, SymbolType::Line, 20, {1}));
  store.AppendSymbol(MakeSymbol(4010, SymbolType::Area, 0, {0}));
  store.RewriteSymbolIndex();
  store.MutableSetup().SetMapScale(10000);
  store.MutableSetup().SetViewX(256 * 50);
  store.MutableSetup().SetZoom(2.0);
  store.WriteSettings();
  store.WriteInfoText("Topographic symbols 1:10000");
  store.CloseWorkingFile();
  return path;
}

// Everything a map holds that a user would miss, one line each: colours, symbols and every
// live object with its points. Unreadable objects show as such.
inline std::vector<std::string> Describe(MapStore& store) {
  std::vector<std::string> out{"colours " + std::to_string(store.Colors().colorCount)};
  for (int i = 0; i < store.SymbolCount(); ++i)
    out.push_back("symbol " + std::to_string(store.Symbol(i).Number()));
  for (int32_t n = 1; n <= store.ObjectCount(); ++n) {
    IndexEntry e;
    if (!store.ReadEntry(n, &e) || !e.Live()) continue;
    ObjectRecord o;
    std::string line = std::to_string(n) + ": " + std::to_string(e.symbol);
    if (!store.ReadObject(n, &o)) line += " unreadable";
    for (const Coord& c : o.coords) line += " " + std::to_string(c.x) + "," + std::to_string(c.y);
    out.push_back(line);
  }
  return out;
}

// The description of a map file read afresh from the disk ("unreadable" when it cannot be).
inline std::vector<std::string> DescribeFile(const std::string& path) {
  RecordingSink sink;
  MapStore store(&sink);
  try {
    store.WorkingFile().OpenForReading(path);
  } catch (const FileError&) {
    return {"unreadable"};
  }
  if (!store.LoadFromWorkingFile()) return {"unreadable"};
  return Describe(store);
}

}  // namespace zelk
