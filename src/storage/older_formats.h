// Maps of the three earlier generations of the program, read and converted into a new map.
//
// Layouts (little-endian; "units" are 4 bytes):
//   ZELK 5 (file kind 204): i32 at 8 is b, where the index ends and the object data begin;
//     index entries of 24 bytes from 24 up to b, with the object's position in units from b
//     (i32 at entry offset 8) and its length in units (i32 at 12). No settings are read.
//   ZELK 4 (file kind 238): index entries of 16 bytes from 16; the i32 at 8 is the slot count n
//     (slot 0 is the header itself, entries are slots 1..n-1); the object data and the 347
//     bytes of settings begin at s = 16 x n; position in units from s (i32 at 8), length in
//     units (i16 at 12).
//   ZELK 3 (".elt" with kind 255 and ".IDX" whose i16 at 2 is 221): the entries as ZELK 4 in
//     the ".IDX" file, one slot per 16 bytes (slot 0 its header); positions in units from the
//     start of the ".elt" file, whose first 347 bytes are the settings.
// An old object record: a head of 3 units (i16 symbol number, i16 object type 1..5, i16
// coordinate count, i16 angle in tenths of a degree, 4 bytes unused), one unit per coordinate
// (i16 x, i16 y in 0.1 mm), then the text, zero-terminated, to the end of the record.
// Old settings: i32 map scale at 16 (a ZELK 3 file's head lies over the first bytes); the rest
// is not used.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "storage/messages.h"
#include "storage/records.h"

namespace zelk {

class Document;

enum class OldFormat { Zelk5, Zelk4, Zelk3 };

struct OldEntry {
  int64_t offset = 0;  // of the record in the object file
  int32_t units = 0;
};

// The plausible entries of an old index, and what was left out.
struct OldIndex {
  std::vector<OldEntry> entries;
  int32_t slotCount = 0;    // entries the index names (slot 0 not counted)
  int32_t beyondEnd = 0;    // of them, entries whose slot lies beyond the end of the index file
  int32_t implausible = 0;  // entries that failed the checks of position and length
  int64_t dataStart = 0;
  std::optional<int32_t> mapScale;  // from the old settings, when plausible
};

// Reads the index of an old map from the bytes of its files (`idx` only for ZELK 3). Never reads
// outside the bytes given; positions are computed in 64 bits.
OldIndex ReadOldIndex(OldFormat format, std::span<const uint8_t> file,
                      std::span<const uint8_t> idx = {});

struct OldObject {
  int16_t symbol = 0;
  int16_t type = 0;
  int16_t angle = 0;
  std::vector<Coord> coords;  // converted to coordinate words
  std::string text;
};

// Decodes one old record of `units` units; nothing when it is not convertible (symbol number or
// count below 1, type outside 1..5, more coordinates than the record holds - for ZELK 5 these are
// cut instead).
std::optional<OldObject> DecodeOldObject(OldFormat format, std::span<const uint8_t> record);

// The new object for an old one: coordinate form, text and the corners of rectangles and text
// boxes; nothing when the old object has too few coordinates for its type.
std::optional<ObjectRecord> ConvertOldObject(const OldObject& old);

struct ConversionResult {
  bool converted = false;  // complete: not stopped, no error
  bool stopped = false;
  int32_t objects = 0;
  int32_t skipped = 0;  // entries and records left out
  std::string note;     // what was skipped, for the user
};

// Converts the old map at `path` into a new, untitled, modified map of `doc` made from the
// shipped symbol set ("zelk4.sym", "ZELK4.SYM" for ZELK 3 maps); objects whose symbol is
// missing from it get replacement symbols of their type.
ConversionResult ConvertOlderMap(Document& doc, const std::string& path, int16_t fileKind,
                                 Progress& progress);

}  // namespace zelk
