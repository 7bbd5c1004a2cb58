// The selection shared by the editing tools and commands: picking with cycling, marking with a
// rectangle, the selected object kept in the object buffer, and the storing and showing of a
// changed object.
#pragma once

#include <cstdint>
#include <string>

#include "editor/tool_context.h"

namespace zelk {

class Selection {
 public:
  explicit Selection(ToolContext& ctx) : ctx_(ctx) {}
  Selection(const Selection&) = delete;
  Selection& operator=(const Selection&) = delete;

  ToolContext& Context() { return ctx_; }
  MapStore& Store() { return ctx_.store; }
  EditorState& State() { return ctx_.state; }
  int32_t Tolerance() const { return ctx_.state.PickTolerance; }
  bool MapUsable() const { return ctx_.state.MapOpen && ctx_.store.IsOpen(); }

  // Reads the selected object into the object buffer again. When it is gone (deleted by another
  // step, the map closed) the selection is dropped and false returned.
  bool Refresh();
  // One object becomes the selection: loaded, its marks drawn, its details in the status bar.
  void Select(int32_t n);
  // Nothing stays selected.
  void SelectNone();

  // An object whose symbol may be picked and marked (neither protected nor hidden).
  bool Selectable(const IndexEntry& e) const;
  // The hit test of an object's type at a point, within `tolerance` words.
  static bool Hits(const ObjectRecord& obj, Coord p, int32_t tolerance);
  // The point lies within `tolerance` words of the object's points or outline (never merely
  // inside it).
  static bool NearOutline(const ObjectRecord& obj, Coord p, double tolerance);
  // The object near the point, searched after the one the previous pick found; 0 when none.
  // Only objects marked in the multiple selection count when `markedOnly` is set.
  int32_t Pick(Coord at, bool markedOnly = false);
  // Marks every selectable object inside the rectangle by the preference "Selecting objects".
  void MarkInRect(const Box& rect);
  // The marked objects become the selection: one is selected, two or more form the group.
  void ShowMarked();
  // Inside the rectangle by the select mode: 0 when an anchor lies in it, 1 when every anchor
  // and the midpoint of every curve does.
  static bool InsideByMode(const ObjectRecord& obj, const Box& rect, int mode);

  // Stores a changed version of the selected object: opens the undo step with the version as it
  // was, rewrites it in place when it is no longer than the stored one and stores it anew
  // otherwise, then shows the change. The object keeps being selected (under its new number).
  // False, with nothing stored, when the object is gone or the engine refused.
  bool Commit(ObjectRecord& changed, const ObjectRecord& before);
  // Shows a stored change: the old and new places are redrawn (later, when the preference
  // delays lines or areas), the object is drawn at once and the marks anew.
  void ShowChange(const Box& oldBox, int32_t n, const ObjectRecord& obj);
  // Redraws what delayed redrawing kept back.
  void FlushDelayed();
  bool DelayedPending() const { return delayedPending_; }

  // The status text of a selected object: symbol number, description and point count.
  std::string Details(const ObjectRecord& obj) const;

 private:
  ToolContext& ctx_;
  Box delayed_;
  bool delayedPending_ = false;
};

}  // namespace zelk
