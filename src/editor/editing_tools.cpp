// The editing tools, made for the main window.
#include "editor/editing_tools.h"

#include <memory>

#include "editor/cut_tool.h"
#include "editor/edit_tool.h"
#include "editor/point_ops.h"
#include "editor/rotate_tool.h"

namespace zelk {

std::vector<OwnedTool> MakeEditingTools(ToolContext& ctx) {
  auto selection = std::make_shared<Selection>(ctx);
  std::vector<OwnedTool> tools;
  tools.emplace_back(Interaction::Edit, std::make_unique<EditTool>(selection));
  tools.emplace_back(Interaction::Rotate, std::make_unique<RotateTool>(selection));
  tools.emplace_back(Interaction::PointOperation, std::make_unique<PointOpTool>(selection));
  tools.emplace_back(Interaction::CutLine, std::make_unique<LineCutTool>(selection));
  InstallAreaCut(ctx, selection);
  return tools;
}

}  // namespace zelk
