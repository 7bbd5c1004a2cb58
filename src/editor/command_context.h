// What the command areas (file, view, symbol, options, help...) work with, without the window.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "editor/editor_state.h"
#include "editor/view_tools.h"
#include "render/font_service.h"
#include "render/view_transform.h"
#include "storage/document.h"

class QWidget;

namespace zelk {

class DocumentDialogs;
class HelpRequester;

// The services of the main window a command may ask for. The window implements it; tests use a
// fake that records what was asked.
class CommandWindow {
 public:
  virtual ~CommandWindow() = default;

  // --- View -----------------------------------------------------------------------------
  virtual const ViewTransform& View() const = 0;
  // New zoom (at most 32) and centre; the view is kept in the map's settings. With `remember`
  // the previous view goes to the zoom history.
  virtual void SetView(double zoom, int32_t centreX, int32_t centreY, bool remember) = 0;
  virtual ZoomHistory& History() = 0;
  virtual void RedrawAll() = 0;
  // Lies over the picture (the screen grid): repainted without redrawing the map.
  virtual void RepaintOverlay() = 0;
  // The nested zoom or move interaction (state 1).
  virtual void StartViewInteraction(ViewZoomTool::Kind kind) = 0;
  // The window rectangle interaction (state 17) over a rectangle read from and written back to
  // its owner; `helpContext` is in force while it runs.
  virtual void StartWindowRectangle(std::function<Box()> read,
                                    std::function<void(const Box&)> write, int helpContext) = 0;

  // --- Symbols --------------------------------------------------------------------------
  // The symbol table changed its length or order.
  virtual void SymbolTableChanged() = 0;
  // Marks or status of symbols changed.
  virtual void RepaintSymbols() = 0;
  // Makes a place of the symbol table current (-1 for none) and shows it.
  virtual void SetCurrentSymbol(int place) = 0;

  // Shows or hides the symbol editor's panels (point-symbol editing).
  virtual void ShowSymbolEditor(bool on) { (void)on; }

  // --- GPS ------------------------------------------------------------------------------
  // The GPS position mark (none: removed) and the GPS text that the status bar's middle shows
  // instead of the mouse position (empty: the mouse position again).
  virtual void ShowGpsPosition(std::optional<Coord> at, const std::string& text) {
    (void)at, (void)text;
  }
  // The running drawing tool takes a point at a map position (it beeps when it cannot).
  virtual void AddPointAt(const Coord& at) { (void)at; }
  // Starts the interaction of a state whose tool the window holds (the GPS adjustment).
  virtual void StartInteraction(Interaction i) { (void)i; }

  // --- The rest -------------------------------------------------------------------------
  virtual void SetWaitCursor(bool on) = 0;
  virtual void CloseWindow() = 0;
  // The parent of the dialogs a command opens; null in tests.
  virtual QWidget* DialogParent() = 0;
};

// One instance per main window, handed to every command area.
struct CommandContext {
  Document& doc;
  EditorState& state;
  Preferences& prefs;
  CommandWindow& window;
  MessageSink* sink = nullptr;
  FileChooser* chooser = nullptr;
  DocumentDialogs* dialogs = nullptr;
  HelpRequester* help = nullptr;
  FontService* fonts = nullptr;
  RegistryStore* registry = nullptr;

  MapStore& Store() const { return doc.Store(); }
  bool MapHasObjects() const { return doc.IsOpen() && !doc.Store().MapIsEmpty(); }
};

// Shows the wait cursor for the life of the object.
class WaitCursor {
 public:
  explicit WaitCursor(CommandWindow& w) : w_(w) { w_.SetWaitCursor(true); }
  ~WaitCursor() { w_.SetWaitCursor(false); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

 private:
  CommandWindow& w_;
};

}  // namespace zelk
