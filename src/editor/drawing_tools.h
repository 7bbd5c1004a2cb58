// The drawing tools of the toolbar's drawing modes, for the main window to adopt.
#pragma once

#include <vector>

#include "editor/tool.h"
#include "editor/tool_context.h"

namespace zelk {

// The place, freehand and straight, rectangular, circle, ellipse and curve tools over one
// context. Hooks the context leaves unset get the editor's own: the system's error sound and
// the hole appended to the selected area.
std::vector<OwnedTool> MakeDrawingTools(ToolContext& ctx);

}  // namespace zelk
