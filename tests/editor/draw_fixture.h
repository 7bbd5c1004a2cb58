// A drawing tool's world without a window: a real engine on a temporary map, the undo ring, the
// preferences and a view that records what the tool asks of it.
#pragma once

#include <string>
#include <vector>

#include "editor/draw_support.h"
#include "editor/tool_context.h"
#include "geometry/coord_math.h"
#include "storage/map_fixture.h"

namespace zelk {

class DrawView : public ToolView {
 public:
  DrawView() {
    view.clientWidth = 800;
    view.clientHeight = 600;
    view.zoom = 4;  // a pixel is 2048 coordinate words (0.08 mm)
    view.SetViewTransform();
  }
  ViewTransform view;
  std::vector<RubberShape> rubber;
  std::string prompt, cursor;
  std::vector<std::string> prompts;
  int help = 0;
  int drawnNow = 0, redraws = 0, marks = 0, bands = 0;

  const ViewTransform& View() const override { return view; }
  Coord DeviceToMap(PixelPos p) const override { return view.DeviceToMap(p); }
  PixelPos MapToDevice(const Coord& c) const override { return view.MapToDevice(c); }
  void SetRubberBand(std::vector<RubberShape> s) override {
    rubber = std::move(s);
    ++bands;
  }
  void RedrawBox(const Box&) override { ++redraws; }
  void RedrawAll() override { ++redraws; }
  void SetView(double, int32_t, int32_t, bool) override {}
  void SetPrompt(const std::string& t) override {
    prompt = t;
    prompts.push_back(t);
  }
  void SetRightStatus(const std::string&) override {}
  void SetCursorShape(const std::string& n) override { cursor = n; }
  void DrawObjectNow(const ObjectRecord&) override { ++drawnNow; }
  void RepaintMarks() override { ++marks; }
  void SetWorkHelpContext(int context) override { help = context; }
};

// Symbols: 1010 line (place 0), 2010 area (1), 3010 point (2), 5010 rectangle (3),
// 1020 line text (4), 1030 hidden line (5).
struct DrawFixture {
  MapFixture map;
  EditorState state;
  DrawView view;
  UndoRing undo{map.store};
  Preferences prefs;
  ToolContext ctx{state, map.store, view, undo, prefs, &map.sink};
  int beeps = 0;

  DrawFixture() {
    MapStore& s = map.store;
    s.AppendSymbol(MakeSymbol(5010, SymbolType::Rectangle, 0, {0}));
    s.AppendSymbol(MakeSymbol(1020, SymbolType::Line, 0, {0}, kSubtypeLineText));
    s.AppendSymbol(MakeSymbol(1030, SymbolType::Line, 0, {0}));
    s.SetSymbolStatus(5, kStatusHidden);
    s.RewriteSymbolIndex();
    s.SetUndoRecorder(&undo);
    state.MapOpen = true;
    state.CurrentSymbol = 0;
    state.ToolMode = Mode::Curve;
    state.PickTolerance = view.view.pickTolerance;
    prefs.autoJoin = false;
    ctx.drawing.beep = [this] { ++beeps; };
  }

  MapStore& Store() { return map.store; }
  int32_t Count() { return map.store.ObjectCount(); }
  ObjectRecord Object(int32_t n) {
    ObjectRecord o;
    map.store.ReadObject(n, &o);
    return o;
  }
  ObjectRecord Last() { return Object(Count()); }
  // Map position of a pixel, flags clear.
  Coord M(int x, int y) const { return view.DeviceToMap({x, y}); }
  ToolEvent E(int x, int y, bool shift = false, bool ctrl = false, bool alt = false) const {
    ToolEvent e;
    e.pixel = {x, y};
    e.map = M(x, y);
    e.shift = shift;
    e.ctrl = ctrl;
    e.alt = alt;
    return e;
  }
  // Press, moves along the way in steps of a pixel, release.
  void Drag(Tool& t, int x0, int y0, int x1, int y1, bool shift = false, bool ctrl = false,
            bool alt = false) {
    t.Down(E(x0, y0, shift, ctrl, alt));
    t.Move(E((x0 + x1) / 2, (y0 + y1) / 2, shift, ctrl, alt));
    t.Move(E(x1, y1, shift, ctrl, alt));
    t.Up(E(x1, y1, shift, ctrl, alt));
  }
  void Click(Tool& t, int x, int y, bool shift = false, bool ctrl = false) {
    t.Down(E(x, y, shift, ctrl));
    t.Up(E(x, y, shift, ctrl));
  }
  // Adds a stored object of a symbol through pixel positions.
  int32_t AddObject(int symbol, ObjectType type, const std::vector<Coord>& coords) {
    ObjectRecord o;
    o.symbol = static_cast<int16_t>(symbol);
    o.type = type;
    o.coords = coords;
    UndoRing::Pause pause(undo);
    map.store.AddObject(o);
    return map.store.ObjectCount();
  }
  int Errors(const std::string& text) const {
    int n = 0;
    for (const auto& e : map.sink.errors) n += e == text;
    return n;
  }
};

inline Coord Flagged(Coord c, int32_t xf, int32_t yf = 0) {
  return {(c.x & kPosMask) | xf, (c.y & kPosMask) | yf};
}

}  // namespace zelk
