// The editing state the main window shares with every tool: modes, interaction, selection.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "render/device_path.h"
#include "storage/help_contexts.h"
#include "storage/records.h"

namespace zelk {

// Values of `ToolMode`: the mode buttons of the toolbar. The numbers are those the setup block
// stores.
enum class Mode : int16_t {
  None = 0,
  Freehand = 5,
  Straight = 6,
  Rectangular = 7,
  Circle = 8,
  Ellipse = 9,
  Curve = 10,
  EditPoint = 11,
  EditObject = 12,
  Cut = 13,
  CutHole = 14,
  Rotate = 15,
  PatternDirection = 16,
  NormalPoint = 17,
  CornerPoint = 18,
  RemovePoint = 19,
};
inline bool IsDrawing(Mode m) {
  return m >= Mode::Freehand && m <= Mode::Curve;
}
inline bool NeedsSelection(Mode m) {
  return m >= Mode::Cut && m <= Mode::RemovePoint;
}
// A stored mode number, or nothing when it names no mode.
inline bool IsModeNumber(int n) {
  return n >= 5 && n <= 19;
}
inline int16_t ModeNumber(Mode m) {
  return static_cast<int16_t>(m);
}

// Values of `InteractionState`: the running mouse interaction, by which events are dispatched.
enum class Interaction : int16_t {
  Idle = 0,
  ViewZoom = 1,  // nested: zoom or move the view
  Place = 2,     // point or rectangle symbol
  FreehandStraight = 3,
  Rectangular = 5,
  Circle = 6,
  Ellipse = 7,
  Curve = 8,
  Text = 9,
  Edit = 10,
  Rotate = 11,
  PointOperation = 12,
  CutLine = 13,
  Template = 15,
  WindowRectangle = 17,
  Gps = 18,
  NoDrawing = 19,
};
constexpr int kInteractionCount = 20;
inline size_t InteractionSlot(Interaction i) {
  return static_cast<size_t>(i);
}

// Modes and interactions print as the numbers the program is documented with.
inline std::ostream& operator<<(std::ostream& o, Mode m) {
  return o << static_cast<int>(m);
}
inline std::ostream& operator<<(std::ostream& o, Interaction i) {
  return o << static_cast<int>(i);
}

// What a drawing tool is started for.
enum class ToolPurpose { Draw = 0, CutLine = 1, Hole = 2 };

// A position in work-window pixels.
using PixelPos = DevicePoint;

// The objects of a multiple selection: one bit per object number for every object the engine
// can hold (1200 index blocks of 256), the count of marked objects, their extent and whether the
// group is shown. The bits are allocated once; clearing touches only the words ever marked.
class MarkedObjects {
 public:
  static constexpr int32_t kCapacity = kMaxIndexBlocks * kEntriesPerBlock;

  MarkedObjects() : words_((kCapacity + 64) / 64, 0) {}
  // False for a number out of range or one already marked.
  bool Mark(int32_t n);
  bool Unmark(int32_t n);
  bool Has(int32_t n) const {
    return n > 0 && n <= kCapacity && ((words_[static_cast<size_t>(n) >> 6] >> (n & 63)) & 1);
  }
  int32_t Count() const { return count_; }
  bool Empty() const { return count_ == 0; }
  void Clear();
  // The marked numbers, ascending.
  std::vector<int32_t> Objects() const;
  // Replaces the set by these numbers and their extent.
  void Assign(const std::vector<int32_t>& objects, const Box& extent);
  MarkedObjects& operator=(const std::vector<int32_t>& objects) {
    Assign(objects, Box{});
    return *this;
  }
  size_t Size() const { return words_.size() * sizeof(uint64_t); }

  Box Extent;          // coordinate words
  bool Shown = false;  // drawn as a multiple selection

 private:
  std::vector<uint64_t> words_;
  int32_t count_ = 0;
  size_t low_ = SIZE_MAX, high_ = 0;  // the words that may hold marks
};

// One instance, owned by the main window and handed to every tool.
struct EditorState {
  static constexpr size_t kObjectBlockSize = 16384;
  static constexpr size_t kSelectionBlockSize = 32768;

  EditorState();

  bool MapOpen = false;
  bool PaintPending = false;
  bool Busy = false;
  Mode ToolMode = Mode::None;
  Mode DrawMode = Mode::Curve;      // the last drawing mode
  Mode EditMode = Mode::EditPoint;  // the last selection mode
  Interaction InteractionState = Interaction::Idle;
  bool Interacting() const { return InteractionState != Interaction::Idle; }

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
  // While a point symbol is edited: the head every new element starts from (symbol 32752 +
  // kind, type, colour in the angle word, line width, style and diameter in the words after).
  ObjectRecord ElementHead;

  std::string CursorName;  // the cursor the running tool shows
  int HelpContext = help::kMainWindow;

  // Place of the current symbol in the symbol table, -1 for none.
  int16_t CurrentSymbol = -1;
  int32_t SelectedObject = 0;
  // The objects of a multiple selection.
  MarkedObjects MultipleSelection;
  int32_t MultipleCount() const { return MultipleSelection.Count(); }
  void ClearMultipleSelection() { MultipleSelection.Clear(); }
  // Where the next pick starts searching: the object the previous pick found, so that clicks
  // on one spot cycle through the objects lying there.
  int32_t PickStart = 0;

  // The object being built or edited, and the scratch blocks the tools and undo work in;
  // reserved once so that no tool allocates while the user draws.
  ObjectRecord ObjectBuffer;
  std::vector<uint8_t> WorkBlock;
  std::vector<uint8_t> UndoBlock;

  int32_t PickTolerance = 128;  // coordinate words
};

}  // namespace zelk
