// The drawing tools by interaction state.
#include "editor/drawing_tools.h"

#include <QApplication>
#include <memory>

#include "editor/curve_tool.h"
#include "editor/draw_support.h"
#include "editor/line_tool.h"
#include "editor/place_tool.h"
#include "editor/shape_tools.h"
#include "editor/text_tool.h"

namespace zelk {

std::vector<OwnedTool> MakeDrawingTools(ToolContext& ctx) {
  if (!ctx.drawing.beep) ctx.drawing.beep = [] { QApplication::beep(); };
  if (!ctx.drawing.holeDrawn)
    ctx.drawing.holeDrawn = [&ctx](const std::vector<Coord>& hole) {
      return AppendHole(ctx, hole);
    };
  std::vector<OwnedTool> tools;
  tools.emplace_back(Interaction::Place, std::make_unique<PlaceTool>(ctx));
  tools.emplace_back(Interaction::FreehandStraight, std::make_unique<LineTool>(ctx));
  tools.emplace_back(Interaction::Rectangular, std::make_unique<RectangularTool>(ctx));
  tools.emplace_back(Interaction::Circle, std::make_unique<CircleTool>(ctx));
  tools.emplace_back(Interaction::Ellipse, std::make_unique<EllipseTool>(ctx));
  tools.emplace_back(Interaction::Curve, std::make_unique<CurveTool>(ctx));
  tools.emplace_back(Interaction::Text, std::make_unique<TextTool>(ctx));
  return tools;
}

}  // namespace zelk
