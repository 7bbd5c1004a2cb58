// What every drawing and editing tool works with: the editing state, the map, the view, the undo
// ring and the preferences. One instance, owned by the main window; tests build their own.
#pragma once

#include "editor/drawing_hooks.h"
#include "editor/editor_state.h"
#include "editor/tool.h"
#include "editor/undo_ring.h"
#include "storage/map_store.h"
#include "storage/messages.h"
#include "storage/preferences.h"

namespace zelk {

class FontService;
class TextTyping;

struct ToolContext {
  EditorState& state;
  MapStore& store;
  ToolView& view;
  UndoRing& undo;
  const Preferences& prefs;
  MessageSink* sink = nullptr;
  // What the drawing tools hand on to other operations.
  DrawingHooks drawing{};
  // The program's font service, for laying out texts being typed; none in some tests.
  FontService* fonts = nullptr;
  // The typing session of text objects (the text tool and the edit tools share it).
  TextTyping* typing = nullptr;
};

}  // namespace zelk
