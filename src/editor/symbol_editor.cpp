// Point-symbol editing.
#include "editor/symbol_editor.h"

#include <cmath>

#include "editor/symbol_commands.h"
#include "storage/map_store.h"

namespace zelk {

namespace {
// The view a symbol is drawn in: its origin in the middle, 50 pixels to the millimetre.
constexpr double kEditingZoom = 16;
}  // namespace

std::vector<Coord> StructureShifts(const StructureCell& cell) {
  std::vector<Coord> raw;
  const int32_t w = cell.width, h = cell.height;
  if (cell.mode == 1) {
    for (int j = -1; j <= 1; ++j) {
      raw.push_back({j * w, h});
      raw.push_back({j * w, -h});
    }
  } else if (cell.mode == 2) {
    for (int sy : {-1, 1})
      for (int sx : {-1, 1}) raw.push_back({sx * w / 2, sy * h});
  } else {
    return {};
  }
  raw.push_back({w, 0});
  raw.push_back({-w, 0});
  const double a = cell.angle * M_PI / 180.0, c = std::cos(a), s = std::sin(a);
  std::vector<Coord> out;
  for (const Coord& p : raw) {
    const double x = p.x * c - p.y * s, y = p.y * c + p.x * s;
    out.push_back({static_cast<int32_t>(std::nearbyint(x)) & ~0xff,
                   static_cast<int32_t>(std::nearbyint(y)) & ~0xff});
  }
  return out;
}

void SymbolEditor::UpdateHead(int16_t kind, int color, int width, int style, int diameter) {
  ObjectRecord& h = c_.state.ElementHead;
  h = ObjectRecord{};
  h.symbol = static_cast<int16_t>(kElementSymbolBase + kind);
  h.type = kind == kElementLine   ? ObjectType::Line
           : kind == kElementArea ? ObjectType::Area
                                  : ObjectType::Point;
  h.angle = static_cast<int16_t>(color);
  h.SetElementWords(width, style, diameter);
  // The pseudo symbol the engine builds for this head is made current for the tools.
  c_.Store().SelectSymbol(h.symbol);
}

void SymbolEditor::SetShape(int16_t kind) {
  UpdateHead(std::clamp<int16_t>(kind, kElementLine, kElementDot), Color(), LineWidth(),
             RoundEnds() ? 1 : 0, Diameter());
}
void SymbolEditor::SetColor(int number) {
  UpdateHead(Shape(), number, LineWidth(), RoundEnds() ? 1 : 0, Diameter());
}
void SymbolEditor::SetLineWidth(int units) {
  UpdateHead(Shape(), Color(), units, RoundEnds() ? 1 : 0, Diameter());
}
void SymbolEditor::SetDiameter(int units) {
  UpdateHead(Shape(), Color(), LineWidth(), RoundEnds() ? 1 : 0, units);
}
void SymbolEditor::SetRoundEnds(bool on) {
  UpdateHead(Shape(), Color(), LineWidth(), on ? 1 : 0, Diameter());
}

bool SymbolEditor::Begin(int place, int list) {
  MapStore& store = c_.Store();
  if (Active() || place < 0 || place >= store.SymbolCount()) return false;
  const SymbolRecord& rec = store.Symbol(place);
  ElementList elements;
  cell_.reset();
  switch (rec.Type()) {
    case SymbolType::Point:
      elements = ReadPointElements(rec);
      break;
    case SymbolType::Line:
      if (rec.IsLineText() || list < 0 || list > 4) return false;
      elements = ReadLineFields(rec).lists[static_cast<size_t>(list)];
      break;
    case SymbolType::Area: {
      const AreaSymbolFields a = ReadAreaFields(rec);
      elements = a.structure;
      if (a.fields.StructMode == 1 || a.fields.StructMode == 2)
        cell_ = StructureCell{a.fields.StructMode, a.fields.StructWidth * 256,
                              a.fields.StructHeight * 256, a.fields.StructAngle * 0.1};
      break;
    }
    default:
      return false;
  }
  place_ = place;
  list_ = list;
  const ViewTransform& v = c_.window.View();
  savedZoom_ = v.zoom;
  savedX_ = v.centreX;
  savedY_ = v.centreY;
  savedMode_ = c_.state.ToolMode;
  c_.state.SelectedObject = 0;
  c_.state.ClearMultipleSelection();
  store.BeginSymbolEditing(elements);
  c_.state.SymbolEditing = true;
  // New elements start in the topmost colour that shows on paper (not an empty one).
  const SymbolHeader& colors = store.Colors();
  int color = colors.colors[0].colorNumber;
  for (int i = 0; i < std::clamp<int>(colors.colorCount, 0, kMaxColors); ++i) {
    const ColorRecord& c = colors.colors[static_cast<size_t>(i)];
    if (c.cmyk[0] || c.cmyk[1] || c.cmyk[2] || c.cmyk[3]) {
      color = c.colorNumber;
      break;
    }
  }
  UpdateHead(kElementLine, color, 10, 0, 100);
  if (c_.state.ToolMode < Mode::Freehand || c_.state.ToolMode > Mode::Curve)
    c_.state.ToolMode = c_.state.DrawMode >= Mode::Freehand ? c_.state.DrawMode : Mode::Straight;
  c_.window.ShowSymbolEditor(true);
  c_.window.SetView(kEditingZoom, 0, 0, false);
  c_.window.RedrawAll();
  return true;
}

int SymbolEditor::End() {
  if (!Active()) return -1;
  MapStore& store = c_.Store();
  const ElementList elements = store.EndSymbolEditing();
  c_.state.SymbolEditing = false;
  c_.state.SelectedObject = 0;
  c_.state.ClearMultipleSelection();
  c_.state.ToolMode = savedMode_;
  cell_.reset();
  c_.window.ShowSymbolEditor(false);
  c_.window.SetView(savedZoom_, savedX_, savedY_, false);
  if (place_ < 0 || place_ >= store.SymbolCount()) return -1;
  const SymbolRecord& rec = store.Symbol(place_);
  SymbolRecord done;
  switch (rec.Type()) {
    case SymbolType::Point:
      done = FinishPointSymbol(rec, elements);
      break;
    case SymbolType::Line: {
      LineSymbolFields f = ReadLineFields(rec);
      f.lists[static_cast<size_t>(list_)] = elements;
      std::array<bool, 4> keep{};
      for (size_t k = 0; k < 4; ++k) keep[k] = !f.lists[k + 1].empty();
      done = FinishLineSymbol(rec, f.fields, f.lists, keep);
      break;
    }
    case SymbolType::Area: {
      const AreaSymbolFields a = ReadAreaFields(rec);
      done = FinishAreaSymbol(rec, a.fields, elements);
      break;
    }
    default:
      return -1;
  }
  SymbolCommands symbols(c_);
  if (!symbols.StoreSymbol(place_, done)) return -1;
  return place_;
}

}  // namespace zelk
