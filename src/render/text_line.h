// Line texts: where each character of a text along a line stands and how it is turned.
#pragma once

#include <vector>

#include "geometry/work_path.h"
#include "render/font_service.h"
#include "render/text_symbol.h"
#include "storage/records.h"

namespace zelk {

struct LineTextCharacter {
  Coord position;  // start of the character on its baseline
  int angle = 0;   // tenths of a degree: the direction of the character's own piece of line
  char32_t character = 0;
  bool operator==(const LineTextCharacter&) const = default;
};

// The direction from p0 to p1 in tenths of a degree, as atan(dy / dx) turned by 180 degrees
// when the piece runs to the left: between -90 and 270 degrees.
int CharacterAngle(Coord p0, Coord p1);

// Places the characters of a line text along its object's line ("Left", "Center", "Right" or
// "All line"): nothing on lines shorter than one map unit; lines longer than 64000 map units
// are used up to there. `path` is the caller's work path, reused between objects.
std::vector<LineTextCharacter> LayOutLineText(FontService& fonts, const ObjectRecord& obj,
                                              const TextSymbolFields& f, WorkPath& path);

}  // namespace zelk
