// Text objects and framed texts: layout into lines, drawing by colour pass, and the box of a text
// being typed.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "render/object_renderer.h"
#include "render/text_symbol.h"

namespace zelk {

enum class TextDrawMode {
  Characters = 0,  // the characters, in the main and the second font
  LinesBelow = 1,  // only the lines below paragraphs
  LayoutOnly = 2,  // nothing drawn: the box corners are written into the object
};

// Draws a text object (type 4) or a framed text (type 5 with text) in one mode. drawMain and
// drawSecond choose the fonts drawn in the Characters mode. A symbol that is not a usable text
// symbol is replaced by DefaultTextSymbol() and drawn in the alternative colour.
void DrawTextInMode(RenderContext& ctx, const ObjectRecord& obj, const SymbolRecord& sym,
                    TextDrawMode mode, bool drawMain = true, bool drawSecond = true);

// Lays the text out without drawing and writes its box into the object, as the editor needs it
// while a text is typed: a text object gets the four corners of its text after its first point
// (lower left, lower right, upper right, upper left, turned by the text's angle); a framed text
// keeps its upper edge and its width, and its two lower corners (points 1 and 2) move to the
// text's lower edge. Returns false and leaves the object alone when it is neither kind of text
// or has too few points.
bool LayOutTextBox(FontService& fonts, ObjectRecord& obj, const SymbolRecord& sym);

// Where the caret stands before each character of a text being typed (and after the last): its
// foot on the line's baseline less the font's descent and its head at the ascent, turned with
// the text. `line` numbers the laid-out lines from 0 and `x` is the place along the line in
// map units, for moving up and down. Characters that start no line (a paragraph's line feed, the
// space a line was broken at) take the place after the one before. Empty when the object holds
// no text layout.
struct CaretPlace {
  Coord foot, head;
  int line = 0;
  int64_t x = 0;
};
std::vector<CaretPlace> TextCaretPlaces(FontService& fonts, const ObjectRecord& obj,
                                        const SymbolRecord& sym);

// The next tab stop after x (map units from the line start): the first position beyond x, then
// steps of the distance between the last two positions (at least 1). Positions are taken in
// ascending order. Without a usable table (count 0 or above 32) x itself.
int64_t NextTabStop(const TextSymbolFields& f, int64_t x);

// Line distance in map units: round(size / 720 * 2540 * lineSpace / 100 * 256) with the flag
// byte cleared.
int64_t LineDistanceUnits(int size, int lineSpace);

}  // namespace zelk
