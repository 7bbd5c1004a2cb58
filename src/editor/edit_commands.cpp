// The Edit menu's commands and the editing buttons of the toolbar.
#include "editor/edit_commands.h"

#include "editor/outline.h"
#include "editor/point_ops.h"
#include "editor/selection.h"

namespace zelk {

namespace {

// The outer ring of an area as a line: the points before the first hole, closed back to the
// first point so that the border looks as it did. False when it has no ring of two points.
bool OuterRingAsLine(ObjectRecord& obj) {
  const auto rings = Rings(obj);
  if (rings.empty()) return false;
  obj.coords.resize(static_cast<size_t>(rings.front().second));
  obj.type = ObjectType::Line;
  TidyPoints(obj);
  if (obj.PointCount() < 2) return false;
  const Coord first = obj.coords.front();
  if (!obj.coords.back().SamePlace(first)) obj.coords.push_back(PosOnly(first));
  return true;
}

}  // namespace

SymbolFit GiveSymbol(ObjectRecord& obj, const SymbolRecord& symbol) {
  const SymbolType st = symbol.Type();
  const int type = static_cast<int>(obj.type);
  const bool equal = static_cast<int>(st) == type;
  const bool lineToArea = st == SymbolType::Line && obj.type == ObjectType::Area;
  const bool areaToLine = st == SymbolType::Area && obj.type == ObjectType::Line;
  const bool textToFrame =
      st == SymbolType::Text && obj.type == ObjectType::Rectangle && obj.textUnits >= 1;
  if (!equal && !lineToArea && !areaToLine && !textToFrame) return SymbolFit::Refused;
  ObjectRecord changed = obj;
  if (lineToArea && !OuterRingAsLine(changed)) return SymbolFit::Refused;
  if (areaToLine && changed.PointCount() < 3) return SymbolFit::Refused;
  changed.symbol = symbol.Number();
  if (type < 4) changed.type = static_cast<ObjectType>(st);
  if (st == SymbolType::Line && !symbol.IsLineText()) {
    changed.textUnits = 0;
    changed.textArea.clear();
  }
  obj = std::move(changed);
  if (symbol.IsLineText() && obj.textUnits < 1) return SymbolFit::NeedsText;
  return SymbolFit::Fits;
}

EditCommands::EditCommands(CommandContext& c, UndoRing& undo, ToolContext* tools)
    : c_(c), undo_(undo), selection_(tools ? std::make_unique<Selection>(*tools) : nullptr) {}

EditCommands::~EditCommands() = default;

void EditCommands::Undo() {
  if (!CanUndo()) return;
  WaitCursor wait(c_.window);
  undo_.Undo();
}

void EditCommands::Redo() {
  if (!CanRedo()) return;
  WaitCursor wait(c_.window);
  undo_.Redo();
}

void EditCommands::DuplicateObject() {
  if (!selection_ || !c_.doc.IsOpen() || !selection_->Refresh()) return;
  ToolContext& ctx = selection_->Context();
  const ObjectRecord before = c_.state.ObjectBuffer;
  ObjectRecord copy = before;
  // 30 pixels to the right and 30 down, in whole map units at the present zoom.
  const ViewTransform& v = ctx.view.View();
  const int32_t dx = v.scaleX != 0 ? RoundToPosition(30.0 / v.scaleX) : 0;
  const int32_t dy = v.scaleY != 0 ? RoundToPosition(30.0 / v.scaleY) : 0;
  MoveObjectRecord(copy, dx, dy);
  undo_.BeginUndoStep(c_.state.SelectedObject, before);
  if (!ctx.store.AddObject(copy)) return;
  undo_.Committed();
  const int32_t n = ctx.store.ObjectCount();
  selection_->Select(n);
  IndexEntry e;
  if (ctx.store.ReadEntry(n, &e)) ctx.view.RedrawBox(e.box);
  ctx.view.DrawObjectNow(copy);
}

void EditCommands::ChangeSymbol() {
  if (!selection_ || !c_.doc.IsOpen()) return;
  MapStore& store = c_.Store();
  const int place = c_.state.CurrentSymbol;
  if (place < 0 || place >= store.SymbolCount() || !selection_->Refresh()) return;
  const SymbolRecord& symbol = store.Symbol(place);
  const ObjectRecord before = c_.state.ObjectBuffer;
  ObjectRecord obj = before;
  const SymbolFit fit = GiveSymbol(obj, symbol);
  if (fit == SymbolFit::Refused) return;
  if (fit == SymbolFit::NeedsText) {
    const std::optional<std::string> text = askLineText ? askLineText() : std::nullopt;
    if (!text || text->empty()) return;
    obj.SetText(*text);
    obj.FixTextUnits();
    // The text must fit beside the points whole.
    if (obj.Text() != *text || obj.PointCount() + obj.textUnits > kMaxPoints) return;
  }
  if (obj == before) return;
  selection_->Commit(obj, before);
}

}  // namespace zelk
