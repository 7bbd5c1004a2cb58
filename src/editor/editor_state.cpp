// The editing state's buffers, reserved once when the main window is created.
#include "editor/editor_state.h"

namespace zelk {

EditorState::EditorState() {
  ObjectBuffer.coords.reserve(kMaxPoints);
  MultipleSelection.reserve(kSelectionBlockSize / sizeof(int32_t));
  WorkBlock.reserve(2 * 65536);
  UndoBlock.reserve(3 * kObjectBlockSize);
}

}  // namespace zelk
