// The editing tools as one tool area: edit point and edit object, rotate, and the point
// operations, sharing one selection.
#pragma once

#include <vector>

#include "editor/tool.h"
#include "editor/tool_context.h"

namespace zelk {

std::vector<OwnedTool> MakeEditingTools(ToolContext& ctx);

}  // namespace zelk
