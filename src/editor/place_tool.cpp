// Point and rectangle objects.
#include "editor/place_tool.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>

#include "geometry/coord_math.h"

namespace zelk {

int16_t DragAngle(const Coord& from, const Coord& to) {
  const double dx = double(to.x & kPosMask) - (from.x & kPosMask);
  const double dy = double(to.y & kPosMask) - (from.y & kPosMask);
  if (dx == 0 && dy == 0) return 0;
  int tenths = RoundToInt(std::atan2(dy, dx) * 1800 / std::numbers::pi);
  if (tenths < 0) tenths += 3600;
  if (tenths >= 3600) tenths -= 3600;
  return static_cast<int16_t>(tenths);
}

const SymbolRecord* PlaceTool::Symbol() const {
  const int place = ctx_.state.CurrentSymbol;
  if (place < 0 || place >= ctx_.store.SymbolCount()) return nullptr;
  const SymbolRecord& s = ctx_.store.Symbol(place);
  if (s.Type() != SymbolType::Point && s.Type() != SymbolType::Rectangle) return nullptr;
  return &s;
}

void PlaceTool::Start(ToolPurpose) {
  pressed_ = false;
  const SymbolRecord* s = Symbol();
  rectangle_ = !PlacesElement() && s && s->Type() == SymbolType::Rectangle;
  ctx_.state.InteractionState = Interaction::Place;
  ctx_.state.CursorName = rectangle_ ? "DrawRect" : "DrawPoint";
  ctx_.view.SetCursorShape(ctx_.state.CursorName);
  ctx_.view.SetWorkHelpContext(rectangle_ ? help::kRectangles : help::kPoints);
}

bool PlaceTool::PlacesElement() const {
  return ctx_.state.SymbolEditing && ctx_.state.ElementHead.type == ObjectType::Point;
}

void PlaceTool::Down(const ToolEvent& e) {
  if (!ctx_.state.MapOpen || !ctx_.store.IsOpen() || pressed_ || (!Symbol() && !PlacesElement()))
    return;
  if (ctx_.state.SymbolEditing && ctx_.drawing.symbolEditorAllows &&
      !ctx_.drawing.symbolEditorAllows())
    return;
  ctx_.state.SelectedObject = 0;
  ctx_.state.ClearMultipleSelection();
  ctx_.view.RepaintMarks();
  pressed_ = true;
  pressPixel_ = e.pixel;
  pressMap_ = At(e.map);
}

void PlaceTool::Move(const ToolEvent& e) {
  if (!pressed_) return;
  const Coord m = At(e.map);
  ctx_.view.SetRubberBand({{rectangle_ ? RubberShape::Kind::Rectangle : RubberShape::Kind::Polyline,
                            {pressMap_, m},
                            false}});
}

void PlaceTool::Up(const ToolEvent& e) {
  if (!pressed_) return;
  pressed_ = false;
  ctx_.view.SetRubberBand({});
  const SymbolRecord* s = Symbol();
  if ((!s && !PlacesElement()) || !ctx_.state.MapOpen || !ctx_.store.IsOpen()) {
    End();
    return;
  }
  const Coord m = At(e.map);
  if (PlacesElement()) {
    // A circle or dot element: its colour rides in the angle word, so it is never turned.
    ObjectRecord obj = ctx_.state.ElementHead;
    obj.coords = {pressMap_};
    StoreNewObject(ctx_, obj);
    End();
    return;
  }
  ObjectRecord obj;
  obj.symbol = s->Number();
  obj.type = static_cast<ObjectType>(s->Type());
  if (rectangle_) {
    const int32_t l = std::min(pressMap_.x, m.x), r = std::max(pressMap_.x, m.x);
    const int32_t b = std::min(pressMap_.y, m.y), t = std::max(pressMap_.y, m.y);
    // A rectangle without width or height would be drawn as nothing.
    if (l == r || b == t) {
      End();
      return;
    }
    obj.coords = {{l, b}, {r, b}, {r, t}, {l, t}};
  } else {
    obj.coords = {pressMap_};
    if (std::abs(e.pixel.x - pressPixel_.x) > kAngleDrag ||
        std::abs(e.pixel.y - pressPixel_.y) > kAngleDrag)
      obj.angle = DragAngle(pressMap_, m);
  }
  StoreNewObject(ctx_, obj);
  End();
}

void PlaceTool::End() {
  pressed_ = false;
  ctx_.state.InteractionState = Interaction::Idle;
}

void PlaceTool::Finish() {
  ctx_.view.SetRubberBand({});
  End();
}

}  // namespace zelk
