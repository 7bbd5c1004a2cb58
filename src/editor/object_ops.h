// Object operations on records, without a window: reversing, filling or bordering, merging
// lines or texts, and joining a line's ends to touching ends.
#pragma once

#include <string>
#include <vector>

#include "storage/map_store.h"

namespace zelk {

// Fill or make border: the new object the current symbol makes of `obj`. From an area with a
// selected hole (`hole` > 0, the index of its first point) the hole's ring; from an area and a
// line symbol the outer ring; otherwise all points. Nothing when the types do not fit: equal
// types, a line symbol for an area, an area symbol for a line (of three points or more).
std::optional<ObjectRecord> FillOrBorder(const ObjectRecord& obj, int hole,
                                         const SymbolRecord& symbol);

enum class MergeResult { Merged, NotMergeable, NotAllTouch, TooManyPoints };
// Merges lines of one symbol whose ends touch into `out` (the first line is the seed; the others
// are attached at whichever end touches, reversed when needed; the shared point is kept once),
// or texts of one symbol into the first, joined in the order given with a paragraph break.
MergeResult MergeObjects(const std::vector<ObjectRecord>& objects, ObjectRecord* out);

// Smooth: the freehand smoothing at `level` (0..2) over the outer ring of a line or area. False
// when there is nothing to smooth.
bool SmoothOuterRing(ObjectRecord& obj, int level);

// The text of a line-text object after its coordinates, in blocks of 64 characters. False, with
// the line unchanged, when the text is longer than 511 bytes or coordinates and text would take
// more than 2000 slots.
bool SetLineText(ObjectRecord& line, const std::string& mapText);

// Join: each end of `line` (the last first) moves onto the nearest touching end of another line
// of its symbol, the last point onto the line's own first when it has four points or more.
// `self` is the line's own number. True when a point moved.
bool JoinLineEnds(MapStore& store, int32_t self, ObjectRecord& line);

}  // namespace zelk
