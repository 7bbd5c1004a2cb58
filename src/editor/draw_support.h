// What the drawing tools share: the line being drawn (a new object, a continued one, a hole or a
// cut line), the point limit, snap and follow, freehand stretches and smoothing, automatic
// joining and the commit that stores and selects the result.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "editor/tool_context.h"

namespace zelk {

constexpr const char* kMaxPointsMessage = "Maximum number of points reached.";
constexpr int kHelpMaxPoints = 71;
// A freehand line keeps at most this many stretches; later ones stay as drawn.
constexpr int kMaxStretches = 256;
// Ends closer than this (coordinate words, 0.25 mm) are joined.
constexpr int32_t kJoinDistance = 6400;

// The flags that make a point a control point.
inline bool IsFirstControl(const Coord& c) {
  return (c.x & kFirstCurvePoint) != 0;
}
inline bool IsSecondControl(const Coord& c) {
  return (c.x & kSecondCurvePoint) != 0;
}
inline bool IsControl(const Coord& c) {
  return (c.x & (kFirstCurvePoint | kSecondCurvePoint)) != 0;
}
inline bool IsCorner(const Coord& c) {
  return (c.y & kCornerPoint) != 0;
}
// A position word pair with the given flags.
inline Coord At(const Coord& pos, int32_t xf = 0, int32_t yf = 0) {
  return {(pos.x & kPosMask) | xf, (pos.y & kPosMask) | yf};
}
// Both coordinate differences (flags cleared) at most d.
bool Near(const Coord& a, const Coord& b, int64_t d);
double Dist(const Coord& a, const Coord& b);

// One freehand stretch: indices of its first and last point (last -1 while open).
struct Stretch {
  int first = 0;
  int last = -1;
};

// Smooths the stretch pts[s..e] at level 0, 1 or 2; points after e move down over the dropped
// ones. Returns the new index of the stretch's last point.
int SmoothStretch(std::vector<Coord>& pts, int s, int e, int level);

// A point of another object the mouse snapped to: its anchor nearest to the mouse.
struct SnapHit {
  int32_t object = 0;
  int index = 0;  // of the anchor in the object's points
  Coord pos;      // position, flags clear
};

// Points of the stretch of `obj` from anchor `from` to anchor `to` (the first excluded, the
// last included), whole segments only; backwards with the control flags exchanged. Line and
// area outlines alike; an area follows its ring the shorter way round. Empty when the anchors
// lie in different rings or are the same.
std::vector<Coord> FollowPoints(const ObjectRecord& obj, int from, int to);

// The 13 points of an ellipse with centre c and half axes u and v (coordinate words as reals):
// four Bezier quarters from c - u through c - v, c + u and c + v back to c - u.
std::vector<Coord> EllipsePoints(double cx, double cy, double ux, double uy, double vx, double vy);

// The points in reverse order, curves keeping their shape, the per-stretch flags staying with
// their stretches.
void ReverseLine(std::vector<Coord>& pts);

// The index of the first point flagged as a hole start (the end of the outer ring), or the
// point count.
int OuterRingEnd(const std::vector<Coord>& pts);

// Writes a changed object in place when its record does not grow, otherwise stores it anew
// (the number in *n changes). False when the map refused it.
bool RewriteOrReplace(MapStore& store, int32_t* n, ObjectRecord& obj);

// Reads object n when it is live (not deleted) and has points.
bool ReadLiveObject(MapStore& store, int32_t n, ObjectRecord* obj);

// Stores an object as a new object in one undo step, selects it and draws it. False when the
// engine refused it.
bool StoreNewObject(ToolContext& ctx, ObjectRecord& obj);
// Replaces object n in one undo step (the step keeps `before`), selects and redraws it.
bool ReplaceSelected(ToolContext& ctx, int32_t n, const ObjectRecord& before, ObjectRecord& obj);
// The hole operation the editor uses until the object operations take over: the outline is
// appended to the selected area with a hole flag on its first point.
bool AppendHole(ToolContext& ctx, const std::vector<Coord>& hole);

// The line a drawing tool builds, from the first press to the commit.
class DrawSession {
 public:
  explicit DrawSession(ToolContext& ctx) : ctx_(ctx) {}

  ToolContext& Context() { return ctx_; }
  // Forgets everything; the next press begins anew with this purpose.
  void Reset(ToolPurpose purpose);
  ToolPurpose Purpose() const { return purpose_; }

  // The first press: a new object of the current symbol (purpose 0; with `mayContinue` and
  // Shift an existing line or area near the press is continued), or the line drawn across
  // the selected area (purposes 1 and 2). False when nothing can be drawn.
  bool Begin(const ToolEvent& e, bool mayContinue);
  bool Active() const { return active_; }
  bool Continuing() const { return continued_ > 0; }
  // True when the line continued an existing one and begins at its last point.
  bool ReusesFirstPoint() const { return Continuing(); }

  ObjectRecord& Obj() {
    return purpose_ == ToolPurpose::CutLine ? cutLine_ : ctx_.state.ObjectBuffer;
  }
  std::vector<Coord>& Pts() { return Obj().coords; }
  int Count() { return Obj().PointCount(); }
  // Index of the first point of the line drawn now.
  int Start() const { return start_; }
  int NewCount() { return Count() - start_; }
  Coord& Last() { return Pts().back(); }

  // Room for `adding` more points: points, holes set aside and text stay within an object's
  // 2000 slots.
  bool Room(int adding);
  // The error sound and "Maximum number of points reached.".
  void TooManyPoints();

  void Append(const Coord& c) { Pts().push_back(c); }
  // Appends a corner at c, or moves the last point there when it is already within the pick
  // tolerance of it.
  void AppendCorner(const Coord& c);

  // Snap: the nearest anchor of a line or area near the mouse (hidden symbols skipped); the
  // search starts where the last one stopped.
  std::optional<SnapHit> FindSnap(const Coord& mouse);
  // The object under the mouse is the one snapped to at the press.
  std::optional<SnapHit> SnapOn(int32_t object, const Coord& mouse);
  // The release after a snapped press: snaps the end and copies the other object's outline
  // between the two snaps; an end on no object adds the mouse as a corner unless it is within
  // the pick tolerance of the line's end. False when the point limit stopped the copy (the
  // message has been shown).
  bool SnapRelease(const SnapHit& first, const Coord& mouse);

  // Freehand stretches.
  void ClearStretches() { stretches_.clear(); }
  void OpenStretch(int index);
  void CloseStretch(int index);
  const std::vector<Stretch>& Stretches() const { return stretches_; }
  // Closes an open stretch and smooths every stretch, the last first.
  void SmoothStretches(int level);

  // The line shown as a rubber band, with further shapes.
  void ShowBand(std::vector<RubberShape> extra = {});
  bool NearPick(const Coord& a, const Coord& b) const;

  // Gives the line up: the object being continued or the area stays as it was.
  void Discard();
  // The common commit: automatic joining (when `join`), then the cut line or hole is handed
  // on, the continued object replaced, or the new object stored and selected. True when the
  // map changed (or the line was handed on).
  bool Commit(bool join);

 private:
  void Clear();
  bool BeginNew(const ToolEvent& e, bool mayContinue);
  bool ContinueAt(const Coord& press);
  void AutoJoin();
  bool JoinEnd(Coord& end, const Coord* own);

  ToolContext& ctx_;
  ToolPurpose purpose_ = ToolPurpose::Draw;
  bool active_ = false;
  int start_ = 0;
  int32_t continued_ = 0;        // object being continued
  ObjectRecord original_;        // the continued object or the area, as stored
  std::vector<Coord> setAside_;  // holes of a continued area
  ObjectRecord cutLine_;         // purpose 1 keeps its line apart from the area
  std::vector<Stretch> stretches_;
  int32_t searchFrom_ = 0;  // rotating start of the searches
};

}  // namespace zelk
