// The interface of a mouse interaction (a tool) and of the view it works through.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "editor/editor_state.h"
#include "render/view_transform.h"
#include "storage/coord.h"

namespace zelk {

// A mouse event as the tools see it: plain values, never a toolkit event.
struct ToolEvent {
  PixelPos pixel;
  Coord map;  // coordinate words, flags clear
  bool shift = false;
  bool ctrl = false;
  bool alt = false;
};

// Rubber-band shapes, kept in coordinate words so that they follow zooming and scrolling.
// Path: the points of a line as stored, Bezier segments (control points flagged as in an
// object) drawn as curves. Handles: pairs of an anchor and a control point, drawn as a line
// with a small square at the control point.
struct RubberShape {
  enum class Kind { Polyline, Rectangle, Ellipse, Path, Handles };
  Kind kind = Kind::Polyline;
  std::vector<Coord> points;  // rectangle and ellipse: two opposite corners
  bool solid = false;         // frames the user manipulates; bands are dotted
  bool operator==(const RubberShape&) const = default;
};

// What a tool may do to the window around it.
class ToolView {
 public:
  virtual ~ToolView() = default;
  virtual const ViewTransform& View() const = 0;
  virtual Coord DeviceToMap(PixelPos p) const = 0;
  virtual PixelPos MapToDevice(const Coord& c) const = 0;
  virtual void SetRubberBand(std::vector<RubberShape> shapes) = 0;
  // Redraws the part of the window showing a box of coordinate words.
  virtual void RedrawBox(const Box& box) = 0;
  virtual void RedrawAll() = 0;
  // New zoom and centre; the previous view goes to the zoom history when `remember` is set.
  virtual void SetView(double zoom, int32_t centreX, int32_t centreY, bool remember) = 0;
  virtual void SetPrompt(const std::string& text) = 0;
  virtual void SetRightStatus(const std::string& text) = 0;
  virtual void SetCursorShape(const std::string& name) = 0;
  // Draws an object at once in all its colours over the picture, without clearing anything
  // (the immediate drawing after a change).
  virtual void DrawObjectNow(const ObjectRecord& obj) {}
  // The selection marks and handles changed: the overlay is painted anew.
  virtual void RepaintMarks() {}
  // The help topic that F1 opens over the work window while the tool runs.
  virtual void SetWorkHelpContext(int context) {}
};

// One interaction state: start, the three mouse events, a key and finish. Start sets
// `InteractionState`; finish commits what can be committed, removes its rubber bands and sets
// `InteractionState` back to 0.
class Tool {
 public:
  virtual ~Tool() = default;
  virtual void Start(ToolPurpose purpose) = 0;
  virtual void Down(const ToolEvent& e) {}
  virtual void Move(const ToolEvent& e) {}
  virtual void Up(const ToolEvent& e) {}
  virtual void Key(char32_t c) {}
  // A point handed in from outside the mouse (the GPS position): a drawing tool takes it as the
  // next corner of its line. False when the tool takes no such points.
  virtual bool AddPoint(const Coord& at) { return false; }
  virtual void Finish() = 0;
};

// A tool made by a tool area, with the interaction state it serves.
using OwnedTool = std::pair<Interaction, std::unique_ptr<Tool>>;

}  // namespace zelk
