// Which tool a mode starts, how a mode button changes the modes, and the modes a map keeps.
#pragma once

#include "editor/editor_state.h"
#include "storage/map_store.h"

namespace zelk {

struct ToolChoice {
  Interaction interaction = Interaction::NoDrawing;
  ToolPurpose purpose = ToolPurpose::Draw;
};

// The tool `EndCommand` starts for `ToolMode` and the current symbol. A mode that needs a
// selection falls back to the last selection mode first (which changes `ToolMode`).
ToolChoice ChooseTool(EditorState& state, MapStore& store);

// A mode button: Edit point and Edit object clear a multiple selection, drawing modes become
// the last drawing mode.
void ChooseMode(EditorState& state, Mode m);

// The modes a map keeps in its settings, read when it opens and written after every command.
void RestoreModes(EditorState& state, const SetupBlock& setup);
void StoreModes(const EditorState& state, SetupBlock& setup);

}  // namespace zelk
