// The editing state the main window shares with every tool: modes, interaction, selection.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "storage/records.h"

namespace zelk {

// Values of `ToolMode`: the mode buttons of the toolbar.
namespace mode {
constexpr int16_t kNone = 0;
constexpr int16_t kFreehand = 5;
constexpr int16_t kStraight = 6;
constexpr int16_t kRectangular = 7;
constexpr int16_t kCircle = 8;
constexpr int16_t kEllipse = 9;
constexpr int16_t kCurve = 10;
constexpr int16_t kEditPoint = 11;
constexpr int16_t kEditObject = 12;
constexpr int16_t kCut = 13;
constexpr int16_t kCutHole = 14;
constexpr int16_t kRotate = 15;
constexpr int16_t kPatternDirection = 16;
constexpr int16_t kNormalPoint = 17;
constexpr int16_t kCornerPoint = 18;
constexpr int16_t kRemovePoint = 19;
inline bool IsDrawing(int m) { return m >= kFreehand && m <= kCurve; }
inline bool NeedsSelection(int m) { return m >= kCut && m <= kRemovePoint; }
}  // namespace mode

// Values of `InteractionState`: the running mouse interaction, by which events are dispatched.
namespace interaction {
constexpr int16_t kIdle = 0;
constexpr int16_t kViewZoom = 1;  // nested: zoom or move the view
constexpr int16_t kPlace = 2;     // point or rectangle symbol
constexpr int16_t kFreehandStraight = 3;
constexpr int16_t kRectangular = 5;
constexpr int16_t kCircle = 6;
constexpr int16_t kEllipse = 7;
constexpr int16_t kCurve = 8;
constexpr int16_t kText = 9;
constexpr int16_t kEdit = 10;
constexpr int16_t kRotate = 11;
constexpr int16_t kPointOperation = 12;
constexpr int16_t kCutLine = 13;
constexpr int16_t kTemplate = 15;
constexpr int16_t kWindowRectangle = 17;
constexpr int16_t kGps = 18;
constexpr int16_t kNoDrawing = 19;
constexpr int kCount = 20;
}  // namespace interaction

// What a drawing tool is started for.
enum class ToolPurpose { Draw = 0, CutLine = 1, Hole = 2 };

struct PixelPos {
  int32_t x = 0;
  int32_t y = 0;
  bool operator==(const PixelPos&) const = default;
};

// One instance, owned by the main window and handed to every tool.
struct EditorState {
  static constexpr size_t kObjectBlockSize = 16384;
  static constexpr size_t kSelectionBlockSize = 32768;

  EditorState();

  bool MapOpen = false;
  bool PaintPending = false;
  bool Busy = false;
  int16_t ToolMode = mode::kNone;
  int16_t DrawMode = mode::kCurve;
  int16_t EditMode = mode::kEditPoint;
  int16_t InteractionState = interaction::kIdle;

  PixelPos Mouse;          // work-window pixels
  PixelPos PreviousMouse;  // at the previous event
  int32_t MapX = 0;        // coordinate words
  int32_t MapY = 0;
  bool Shift = false;
  bool Ctrl = false;
  bool Alt = false;

  bool AbortRequested = false;
  bool TextEditing = false;
  bool SymbolEditing = false;

  std::string CursorName;  // the cursor the running tool shows
  int HelpContext = 101;

  // Place of the current symbol in the symbol table, -1 for none.
  int16_t CurrentSymbol = -1;
  int32_t SelectedObject = 0;
  // Object numbers of a multiple selection; its size is the count.
  std::vector<int32_t> MultipleSelection;
  int32_t MultipleCount() const { return static_cast<int32_t>(MultipleSelection.size()); }
  void ClearMultipleSelection() { MultipleSelection.clear(); }

  // The object being built or edited, and the scratch blocks the tools and undo work in;
  // reserved once so that no tool allocates while the user draws.
  ObjectRecord ObjectBuffer;
  std::vector<uint8_t> WorkBlock;
  std::vector<uint8_t> UndoBlock;

  int32_t PickTolerance = 128;  // coordinate words
};

}  // namespace zelk
