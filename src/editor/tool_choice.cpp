// The choice of tool by mode and symbol, and the modes kept in a map.
#include "editor/tool_choice.h"

namespace zelk {

namespace {

Interaction DrawingInteraction(Mode m) {
  switch (m) {
    case Mode::Freehand:
    case Mode::Straight:
      return Interaction::FreehandStraight;
    case Mode::Rectangular:
      return Interaction::Rectangular;
    case Mode::Circle:
      return Interaction::Circle;
    case Mode::Ellipse:
      return Interaction::Ellipse;
    default:
      return Interaction::Curve;
  }
}

}  // namespace

ToolChoice ChooseTool(EditorState& state, MapStore& store) {
  if (NeedsSelection(state.ToolMode) && state.SelectedObject == 0) state.ToolMode = state.EditMode;
  const Mode m = state.ToolMode;
  ToolChoice choice;
  if (IsDrawing(m) && state.SymbolEditing) {
    // The shape chosen in the symbol editor decides: lines and areas are drawn with the tool of
    // the mode, circles and dots placed.
    choice.interaction =
        state.ElementHead.type == ObjectType::Point ? Interaction::Place : DrawingInteraction(m);
  } else if (IsDrawing(m)) {
    const int place = state.CurrentSymbol;
    const SymbolRecord* sym =
        place >= 0 && place < store.SymbolCount() ? &store.Symbol(place) : nullptr;
    if (sym && sym->Status() == kStatusNormal) {
      switch (sym->Type()) {
        case SymbolType::Point:
        case SymbolType::Rectangle:
          choice.interaction = Interaction::Place;
          break;
        case SymbolType::Line:
        case SymbolType::Area:
          choice.interaction = DrawingInteraction(m);
          break;
        case SymbolType::Text:
          choice.interaction = Interaction::Text;
          break;
        default:
          break;
      }
    }
  } else if (m == Mode::EditPoint || m == Mode::EditObject) {
    choice.interaction = Interaction::Edit;
  } else if (m == Mode::Cut) {
    ObjectRecord obj;
    const bool lineSelected = state.SelectedObject > 0 &&
                              store.ReadObject(state.SelectedObject, &obj) &&
                              obj.type == ObjectType::Line;
    if (lineSelected) {
      choice.interaction = Interaction::CutLine;
    } else {
      choice.interaction =
          state.DrawMode == Mode::Curve ? Interaction::Curve : Interaction::FreehandStraight;
      choice.purpose = ToolPurpose::CutLine;
    }
  } else if (m == Mode::CutHole) {
    choice.interaction = DrawingInteraction(state.DrawMode);
    choice.purpose = ToolPurpose::Hole;
  } else if (m == Mode::Rotate) {
    choice.interaction = Interaction::Rotate;
  } else if (m >= Mode::PatternDirection && m <= Mode::RemovePoint) {
    choice.interaction = Interaction::PointOperation;
  }
  return choice;
}

void ChooseMode(EditorState& state, Mode m) {
  if (m == Mode::EditPoint || m == Mode::EditObject) {
    state.ClearMultipleSelection();
    state.EditMode = m;
  }
  if (IsDrawing(m)) state.DrawMode = m;
  state.ToolMode = m;
}

void RestoreModes(EditorState& state, const SetupBlock& setup) {
  const int tool = setup.CurrentTool(), draw = setup.DrawMode();
  state.DrawMode = IsModeNumber(draw) && IsDrawing(static_cast<Mode>(draw))
                       ? static_cast<Mode>(draw)
                       : Mode::Curve;
  state.EditMode =
      setup.EditMode() == ModeNumber(Mode::EditObject) ? Mode::EditObject : Mode::EditPoint;
  state.ToolMode = IsModeNumber(tool) ? static_cast<Mode>(tool) : state.DrawMode;
}

void StoreModes(const EditorState& state, SetupBlock& setup) {
  setup.SetCurrentTool(ModeNumber(state.ToolMode));
  setup.SetDrawMode(ModeNumber(state.DrawMode));
  setup.SetEditMode(ModeNumber(state.EditMode));
}

}  // namespace zelk
