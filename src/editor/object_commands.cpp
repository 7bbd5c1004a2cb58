#include "editor/object_commands.h"

#include "dialogs/line_text_dlg.h"
#include "editor/draw_support.h"
#include "editor/object_ops.h"
#include "editor/selection.h"
#include "geometry/curve_fit.h"
#include "storage/map_store.h"
#include "storage/messages.h"

namespace zelk {

namespace {
constexpr int kHelpTooManyPoints = 47;
constexpr int kHelpCannotMerge = 48;
}  // namespace

ObjectCommands::ObjectCommands(CommandContext& c, UndoRing& undo, ToolContext* tools)
    : c_(c), undo_(undo), selection_(tools ? std::make_unique<Selection>(*tools) : nullptr) {}

ObjectCommands::~ObjectCommands() = default;

bool ObjectCommands::Usable() const {
  return selection_ && c_.doc.IsOpen() && !c_.state.SymbolEditing;
}

bool ObjectCommands::CanDelete() const {
  return Usable() && (c_.state.SelectedObject > 0 || c_.state.MultipleCount() > 0);
}

bool ObjectCommands::CanJoinOrReverse() const {
  return Usable() && c_.state.SelectedObject > 0 && c_.state.ObjectBuffer.type == ObjectType::Line;
}

bool ObjectCommands::CanMerge() const {
  return Usable() && c_.state.SelectedObject == 0 && c_.state.MultipleCount() >= 2;
}

bool ObjectCommands::CanFill() const {
  return Usable() && c_.state.SelectedObject > 0 && c_.state.CurrentSymbol >= 0 &&
         c_.state.CurrentSymbol < c_.Store().SymbolCount();
}

bool ObjectCommands::CanEditLineText() const {
  return CanJoinOrReverse() && c_.Store().SymbolFor(c_.state.ObjectBuffer.symbol).IsLineText();
}

bool ObjectCommands::AskLineText(ObjectRecord& line) {
  if (!c_.sink) return false;
  TEditLTextDlg dlg(*c_.sink, c_.help, c_.window.DialogParent());
  dlg.SetText(line.textUnits > 0 ? line.Text() : std::string());
  for (;;) {
    if (dlg.exec() != QDialog::Accepted) return false;
    if (SetLineText(line, dlg.Text())) return true;
    c_.sink->Error("Maximum number of points reached.", 71);
  }
}

void ObjectCommands::EditLineText() {
  if (!CanEditLineText() || !selection_->Refresh()) return;
  const ObjectRecord before = c_.state.ObjectBuffer;
  ObjectRecord obj = before;
  if (!AskLineText(obj) || obj == before) return;
  if (ReplaceSelected(selection_->Context(), c_.state.SelectedObject, before, obj))
    undo_.Committed();
}

void ObjectCommands::Delete() {
  if (!CanDelete()) return;
  MapStore& store = c_.Store();
  ToolContext& ctx = selection_->Context();
  if (c_.state.MultipleCount() > 0) {
    const std::vector<int32_t> objects = c_.state.MultipleSelection.Objects();
    std::vector<int32_t> deleted;
    Box extent;
    {
      UndoRing::Pause pause(undo_);
      store.BeginBatch();
      IndexEntry e;
      for (const int32_t n : objects) {
        if (!store.ReadEntry(n, &e) || !e.Live()) continue;
        if (!store.DeleteObject(n)) continue;
        if (deleted.empty())
          extent = e.box;
        else
          extent.Unite(e.box);
        deleted.push_back(n);
      }
      if (!store.EndBatch()) deleted.clear();
    }
    selection_->SelectNone();
    if (deleted.empty()) return;
    undo_.BeginUndoStep(0, ObjectRecord{});
    undo_.RecordBulk(UndoKind::BulkDeleted, deleted, extent);
    undo_.Committed();
    ctx.view.RedrawBox(extent);
    return;
  }
  if (!selection_->Refresh()) return;
  const int32_t n = c_.state.SelectedObject;
  IndexEntry e;
  if (!store.ReadEntry(n, &e)) return;
  undo_.BeginUndoStep(n, c_.state.ObjectBuffer);
  if (!store.DeleteObject(n)) return;
  undo_.Committed();
  selection_->SelectNone();
  ctx.view.RedrawBox(e.box);
}

void ObjectCommands::ReverseLine() {
  if (!CanJoinOrReverse() || !selection_->Refresh()) return;
  const ObjectRecord before = c_.state.ObjectBuffer;
  ObjectRecord obj = before;
  zelk::ReverseLine(obj.coords);
  if (ReplaceSelected(selection_->Context(), c_.state.SelectedObject, before, obj))
    undo_.Committed();
}

bool ObjectCommands::CanSmooth() const {
  return Usable() && c_.state.SelectedObject > 0 &&
         (c_.state.ObjectBuffer.type == ObjectType::Line ||
          c_.state.ObjectBuffer.type == ObjectType::Area);
}

bool ObjectCommands::CanToCurve() const {
  return CanSmooth() || (Usable() && c_.state.SelectedObject == 0 && c_.state.MultipleCount() > 0);
}

void ObjectCommands::ToCurve() {
  if (!CanToCurve()) return;
  const int level = c_.prefs.smoothing;
  auto convert = [&](ObjectRecord& obj) {
    if (obj.type != ObjectType::Line && obj.type != ObjectType::Area) return false;
    const std::optional<std::vector<Coord>> fitted =
        zelk::ToCurve(obj.coords, level, std::max<int>(obj.textUnits, 0));
    if (!fitted) {
      if (c_.sink) c_.sink->Error("Maximum number of points reached.", 71);
      return false;
    }
    if (*fitted == obj.coords) return false;
    obj.coords = *fitted;  // a line text's text stays after the points
    return true;
  };
  if (c_.state.SelectedObject > 0) {
    if (!selection_->Refresh()) return;
    const ObjectRecord before = c_.state.ObjectBuffer;
    ObjectRecord obj = before;
    if (convert(obj) &&
        ReplaceSelected(selection_->Context(), c_.state.SelectedObject, before, obj))
      undo_.Committed();
    return;
  }
  // The converted objects are stored anew and the originals go, all in one undo step.
  MapStore& store = c_.Store();
  std::vector<int32_t> originals, made;
  Box extent;
  {
    UndoRing::Pause pause(undo_);
    store.BeginBatch();
    for (const int32_t n : c_.state.MultipleSelection.Objects()) {
      ObjectRecord obj;
      IndexEntry e;
      if (!ReadLiveObject(store, n, &obj) || !store.ReadEntry(n, &e) || !convert(obj)) continue;
      if (!store.AddObject(obj)) break;
      made.push_back(store.ObjectCount());
      store.DeleteObject(n);
      if (originals.empty())
        extent = e.box;
      else
        extent.Unite(e.box);
      originals.push_back(n);
      IndexEntry ne;
      if (store.ReadEntry(made.back(), &ne)) extent.Unite(ne.box);
    }
    if (!store.EndBatch()) made.clear();
  }
  if (made.empty()) return;
  undo_.BeginUndoStep(0, ObjectRecord{});
  undo_.RecordBulk(UndoKind::BulkDeleted, originals, extent);
  undo_.RecordBulk(UndoKind::BulkAdded, made, extent);
  undo_.Committed();
  c_.state.MultipleSelection.Assign(made, extent);
  selection_->ShowMarked();
  selection_->Context().view.RedrawBox(extent);
}

void ObjectCommands::ToCurveBySymbol(const std::vector<int>& places) {
  if (!selection_ || !c_.doc.IsOpen() || c_.state.SymbolEditing || places.empty()) return;
  MapStore& store = c_.Store();
  // The current symbol alone is marked in the symbol box, so that the question shows what counts.
  if (c_.state.CurrentSymbol >= 0) {
    for (int i = 0; i < store.SymbolCount(); ++i)
      store.MutableSymbol(i).SetSelected(i == c_.state.CurrentSymbol ? 1 : 0);
    c_.window.RepaintSymbols();
  }
  if (c_.sink && !c_.sink->Confirm("Convert all objects with a selected symbol to curves?", 63))
    return;
  std::vector<bool> marked(65536, false);
  for (const int place : places)
    if (place >= 0 && place < store.SymbolCount())
      marked[static_cast<uint16_t>(store.Symbol(place).Number())] = true;
  selection_->SelectNone();
  const int level = c_.prefs.smoothing;
  const int32_t count = store.ObjectCount();
  int32_t converted = 0;
  bool tooMany = false;
  {
    WaitCursor wait(c_.window);
    UndoRing::Pause pause(undo_);
    progress_->Start(";objects converted.", count, 1, true);
    store.BeginBatch();
    for (int32_t n = 1; n <= count; ++n) {
      if (progress_->AbortRequested()) break;
      IndexEntry e;
      if (!store.ReadEntry(n, &e) || !e.Live() || !marked[static_cast<uint16_t>(e.symbol)])
        continue;
      ObjectRecord obj;
      if (!ReadLiveObject(store, n, &obj) ||
          (obj.type != ObjectType::Line && obj.type != ObjectType::Area))
        continue;
      const std::optional<std::vector<Coord>> fitted =
          zelk::ToCurve(obj.coords, level, std::max<int>(obj.textUnits, 0));
      if (!fitted) {
        tooMany = true;
        continue;
      }
      if (*fitted == obj.coords) continue;
      obj.coords = *fitted;
      int32_t at = n;
      if (!RewriteOrReplace(store, &at, obj)) break;
      ++converted;
      progress_->Step(converted, n);
    }
    store.EndBatch();
    progress_->End();
  }
  // Recorded steps may name objects that moved: they are forgotten.
  undo_.ResetUndo();
  if (tooMany && c_.sink) c_.sink->Error("Maximum number of points reached.", 71);
  c_.window.RedrawAll();
}

void ObjectCommands::Smooth() {
  if (!CanSmooth() || !selection_->Refresh()) return;
  const ObjectRecord before = c_.state.ObjectBuffer;
  ObjectRecord obj = before;
  if (!SmoothOuterRing(obj, c_.prefs.smoothing) || obj == before) return;
  if (ReplaceSelected(selection_->Context(), c_.state.SelectedObject, before, obj))
    undo_.Committed();
}

void ObjectCommands::Join() {
  if (!CanJoinOrReverse() || !selection_->Refresh()) return;
  const ObjectRecord before = c_.state.ObjectBuffer;
  ObjectRecord obj = before;
  if (!JoinLineEnds(c_.Store(), c_.state.SelectedObject, obj)) return;
  if (ReplaceSelected(selection_->Context(), c_.state.SelectedObject, before, obj))
    undo_.Committed();
}

void ObjectCommands::FillOrMakeBorder() {
  if (!CanFill() || !selection_->Refresh()) return;
  const SymbolRecord& symbol = c_.Store().Symbol(c_.state.CurrentSymbol);
  // The whole area's outer ring or all of the object: no hole is chosen on its own.
  std::optional<ObjectRecord> made = FillOrBorder(c_.state.ObjectBuffer, 0, symbol);
  if (!made) return;
  ToolContext& ctx = selection_->Context();
  if (StoreNewObject(ctx, *made)) {
    undo_.Committed();
    IndexEntry e;
    if (ctx.store.ReadEntry(ctx.store.ObjectCount(), &e)) ctx.view.RedrawBox(e.box);
  }
}

void ObjectCommands::Merge() {
  if (!CanMerge()) return;
  MapStore& store = c_.Store();
  const std::vector<int32_t> numbers = c_.state.MultipleSelection.Objects();
  std::vector<ObjectRecord> objects;
  std::vector<int32_t> live;
  Box extent;
  for (const int32_t n : numbers) {
    ObjectRecord o;
    IndexEntry e;
    if (!ReadLiveObject(store, n, &o) || !store.ReadEntry(n, &e)) continue;
    if (live.empty())
      extent = e.box;
    else
      extent.Unite(e.box);
    objects.push_back(std::move(o));
    live.push_back(n);
  }
  ObjectRecord merged;
  switch (MergeObjects(objects, &merged)) {
    case MergeResult::Merged:
      break;
    case MergeResult::TooManyPoints:
      if (c_.sink) c_.sink->Error("Too many points.", kHelpTooManyPoints);
      return;
    case MergeResult::NotAllTouch:
      if (c_.sink) c_.sink->Error("Cannot merge line objects.", kHelpCannotMerge);
      return;
    case MergeResult::NotMergeable:
      return;
  }
  // The result is stored first; only then do the originals go, all in the one step.
  std::vector<int32_t> changed;
  {
    UndoRing::Pause pause(undo_);
    store.BeginBatch();
    if (store.AddObject(merged)) {
      changed.push_back(store.ObjectCount());
      for (const int32_t n : live) store.DeleteObject(n);
    }
    if (!store.EndBatch()) changed.clear();
  }
  if (changed.empty()) return;
  undo_.BeginUndoStep(0, ObjectRecord{});
  // One record takes the originals away, one brings the result: undone together.
  undo_.RecordBulk(UndoKind::BulkDeleted, live, extent);
  undo_.RecordBulk(UndoKind::BulkAdded, changed, extent);
  undo_.Committed();
  selection_->Select(changed.front());
  selection_->Context().view.RedrawBox(extent);
}

}  // namespace zelk
