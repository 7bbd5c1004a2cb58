// The selection marks and handles painted over the picture: squares on the anchors of the
// selected object, circles on its curve handles with lines to their anchors, the side middles
// of rectangles, and the boxes of a multiple selection. Drawn with a white pen by exclusive-or.
#pragma once

#include <functional>
#include <vector>

#include "editor/tool_context.h"

class QPainter;

namespace zelk {

struct SelectionMark {
  enum class Kind {
    Anchor,      // a square
    Corner,      // a filled square: a corner point, or a corner of a rectangle object
    Handle,      // a small circle on a curve's control point
    HandleLine,  // from an anchor to its handle
    Box,         // a box of a multiple selection
  };
  Kind kind = Kind::Anchor;
  PixelPos a;
  PixelPos b;  // the other end of a line or box
};

// Marks further than this many pixels outside the window are not made.
constexpr int kMarkMargin = 8;
// At most this many objects of a multiple selection are marked one by one.
constexpr size_t kMaxGroupMarks = 5000;

// The marks of the selection in window pixels, read from the stored object. Handles are shown in
// every mode but edit object.
std::vector<SelectionMark> SelectionMarks(const EditorState& state, MapStore& store,
                                          const ToolView& view);
void PaintSelectionMarks(QPainter& painter, const std::vector<SelectionMark>& marks);
// The work window's mark painter over a tool context.
std::function<void(QPainter&)> MakeMarksPainter(ToolContext& ctx);

}  // namespace zelk
