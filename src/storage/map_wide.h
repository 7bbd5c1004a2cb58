// Operations on every object of the map at once: move, stretch, rotate, change of scale,
// enlarging symbols, changing and deleting objects by symbol.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "storage/map_store.h"

namespace zelk {

// Coordinates must stay within this many words of the origin (2 m on paper either way).
constexpr int32_t kMapAreaLimit = 51200000;
constexpr int kMapAreaHelp = 50;
constexpr const char* kMapAreaQuestion =
    "Part of the map comes out of the map area and will be lost. Do you want to continue?";

// One map-wide change of positions. Positions are handled in map units (0.01 mm); flag bytes
// stay with their points.
struct MapTransform {
  enum class Kind { Move, Stretch, Rotate, Scale };
  Kind kind = Kind::Move;
  int32_t dx = 0, dy = 0;    // Move: coordinate words (flag byte ignored)
  double fx = 1, fy = 1;     // Stretch (negative for mirroring) and Scale (fx only)
  double degrees = 0;        // Rotate, counter-clockwise about the origin
  bool withSymbols = false;  // Rotate: turn symbols too; Scale: symbols are scaled as well

  static MapTransform Move(int32_t dxWords, int32_t dyWords);
  static MapTransform Stretch(double fx, double fy);
  static MapTransform Rotate(double degrees, bool rotateSymbols);
  static MapTransform Scale(double factor, bool scaleSymbols);

  // A position (map units) carried to its new place, unrounded.
  void Apply(double x, double y, double* nx, double* ny) const;
  // A whole point: the new position rounded to map units (halves to even) with the flags kept.
  // Empty when it lands outside the map area.
  std::optional<Coord> Point(Coord c) const;
  // Whether all four corners of a box of words transformed stay inside the map area.
  bool KeepsInside(const Box& box) const;
  // The object carried along: the points, the corner order of mirrored rectangles, the angle
  // of turned symbols. False (and the object half changed) when a point leaves the map area.
  bool ApplyToObject(ObjectRecord& obj) const;
  // What the progress line counts.
  const char* ProgressText() const;
};

// Answers the map area question (true: go on). Without one the operation goes on.
using AreaQuestion = std::function<bool()>;

struct MapWideResult {
  bool ok = true;          // false: refused, stopped by Esc or a write failed
  bool stopped = false;    // Esc
  bool cancelled = false;  // the map area question was answered No
  int32_t changed = 0;
  int32_t deleted = 0;
  std::vector<int32_t> objects;  // the objects changed or deleted, ascending
};

// Moves, stretches, rotates or rescales every live object (rewritten in place, or deleted when
// a point leaves the map area). The engine's undo recorder hears nothing of it: the caller
// resets its undo history.
MapWideResult TransformMap(MapStore& store, const MapTransform& t, Progress& progress,
                           const AreaQuestion& ask = {});

// The dimensions of a symbol multiplied by `factor`: widths, lengths, gaps, sizes, distances,
// the element lists and the extent. Values that would leave their 16-bit fields are clamped
// to them; returns false when that happened.
bool ScaleSymbol(SymbolRecord& rec, double factor);

// Scales the symbols at the given places of the table and updates their objects. Returns false
// when a write failed; `clamped` counts the symbols whose values were clamped.
bool EnlargeSymbols(MapStore& store, const std::vector<int>& places, double factor,
                    int* clamped = nullptr);

// Change of the map scale from the settings' scale to `newScale`: positions are multiplied by
// actual / new, with the symbols when `scaleSymbols`; the settings get the new scale and the
// paper grid distance follows. A scale of 0 or less is refused with a message.
MapWideResult ChangeScale(MapStore& store, double newScale, bool scaleSymbols, Progress& progress,
                          const AreaQuestion& ask = {});

// Which objects Change Symbols picks.
struct SymbolChange {
  int from = 0;       // symbol number as stored (ten times the number shown)
  std::string layer;  // when not empty: objects of a negative number with this DXF layer
  int to = 0;
};

// Whether an object may take a symbol of the given type: equal types; a line symbol for an area
// with an outer ring; an area symbol for a line; a text symbol for framed text. A line text
// symbol goes only to objects that carry text, a rectangle symbol only to rectangles without.
bool SymbolFitsObject(const ObjectRecord& obj, const SymbolRecord& target);
// Gives the object the symbol (with the type and text changes that go with it).
void ChangeObjectSymbol(ObjectRecord& obj, const SymbolRecord& target);

// Changes every matching live object whose type fits the target symbol. The target must exist
// (a message otherwise).
MapWideResult ChangeSymbols(MapStore& store, const SymbolChange& change, Progress& progress);

// Deletes every live object whose symbol number is in `symbols`; the deleted numbers come
// back in the result (the caller records them for undo).
MapWideResult DeleteBySymbol(MapStore& store, const std::set<int>& symbols, Progress& progress);

// The marked symbols: the current one alone when one is current (the marks of all others are
// cleared), otherwise those already selected.
std::set<int> SymbolsForBySymbolCommand(MapStore& store, int currentPlace);

// Writes a new map file with all symbols, the settings and the information text, and the live
// objects whose symbol is in `symbols`. Returns the number exported, -1 after a failure or Esc
// (the file is then not made).
int32_t ExportBySymbol(MapStore& store, const std::set<int>& symbols, const std::string& path,
                       Progress& progress);
// The same for the live objects whose box meets `window` (coordinate words).
int32_t ExportPartialMap(MapStore& store, const Box& window, const std::string& path,
                         Progress& progress);

}  // namespace zelk
