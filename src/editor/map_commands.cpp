// The map-wide commands of the Extras menu.
#include "editor/map_commands.h"

#include <QMessageBox>
#include <cmath>
#include <cstdio>

#include "dialogs/map_wide_dlgs.h"
#include "editor/backup_commands.h"
#include "render/map_measure.h"
#include "storage/map_wide.h"
#include "storage/optimize.h"

namespace zelk {

namespace {
constexpr const char* kExportBySymbolFilter =
    "Export by Symbol;Map files (*.zkm)|*.zkm|All files (*.*)|*.*";
constexpr const char* kPartialMapFilter = "Partial Map;Map files (*.zkm)|*.zkm|All files (*.*)|*.*";
constexpr int kExportBySymbolHelp = 181;
}  // namespace

void MapCommands::PartialWindow() {
  if (!c_.doc.IsOpen()) return;
  c_.window.StartWindowRectangle([this] { return partialWindow_; },
                                 [this](const Box& b) { partialWindow_ = b; }, help::kMainWindow);
}

bool MapCommands::AskMapArea() {
  return c_.sink && c_.sink->Ask(kMapAreaQuestion, kMapAreaHelp) == Answer::Yes;
}

void MapCommands::Rewritten(bool symbolsChanged) {
  undo_.ResetUndo();
  undo_.Committed();
  c_.state.SelectedObject = 0;
  c_.state.ClearMultipleSelection();
  c_.Store().SetModified(true);
  if (symbolsChanged) c_.window.SymbolTableChanged();
  c_.window.RedrawAll();
}

void MapCommands::Optimize() {
  if (!c_.doc.IsOpen() || !c_.sink) return;
  TOptimizeDlg dlg(*c_.sink, c_.help, c_.window.DialogParent());
  if (dlg.exec() != QDialog::Accepted) return;
  OptimizeResult r;
  {
    WaitCursor wait(c_.window);
    r = OptimizeMap(c_.Store(), dlg.deleteUndefined, *progress_);
  }
  if (!c_.Store().IsOpen()) {
    // The optimized file could not be opened again: nothing is shown of the map.
    c_.window.SymbolTableChanged();
    c_.window.RedrawAll();
    return;
  }
  if (!r.ok) return;
  Rewritten(true);
  TOptResultDlg result(OptimizeReport(r), *c_.sink, c_.help, c_.window.DialogParent());
  result.exec();
}

void MapCommands::MoveMap() {
  if (!c_.MapHasObjects() || !c_.sink) return;
  TMoveMapDlg dlg(*c_.sink, c_.help, c_.window.DialogParent());
  if (dlg.exec() != QDialog::Accepted) return;
  const auto words = [](double mm) { return static_cast<int32_t>(std::lround(mm * 100)) * 256; };
  const MapWideResult r =
      TransformMap(c_.Store(), MapTransform::Move(words(dlg.dxMm), words(dlg.dyMm)), *progress_,
                   [this] { return AskMapArea(); });
  if (!r.cancelled) Rewritten(false);
}

void MapCommands::StretchMap() {
  if (!c_.MapHasObjects() || !c_.sink) return;
  TStretchMapDlg dlg(*c_.sink, c_.help, c_.window.DialogParent());
  if (dlg.exec() != QDialog::Accepted) return;
  const double fx = (dlg.mirrorX ? -dlg.hPercent : dlg.hPercent) / 100.0;
  const double fy = (dlg.mirrorY ? -dlg.vPercent : dlg.vPercent) / 100.0;
  const MapWideResult r = TransformMap(c_.Store(), MapTransform::Stretch(fx, fy), *progress_,
                                       [this] { return AskMapArea(); });
  if (!r.cancelled) Rewritten(false);
}

void MapCommands::RotateMap() {
  if (!c_.MapHasObjects() || !c_.sink) return;
  TRotateMapDlg dlg(*c_.sink, c_.help, c_.window.DialogParent());
  if (dlg.exec() != QDialog::Accepted) return;
  const MapWideResult r =
      TransformMap(c_.Store(), MapTransform::Rotate(dlg.degrees, dlg.rotateSymbols), *progress_,
                   [this] { return AskMapArea(); });
  if (!r.cancelled) Rewritten(false);
}

void MapCommands::ChangeScale() {
  if (!c_.doc.IsOpen() || !c_.sink) return;
  TChangeScaleDlg dlg(c_.Store().Setup().MapScale(), *c_.sink, c_.help, c_.window.DialogParent());
  if (dlg.exec() != QDialog::Accepted) return;
  const MapWideResult r = zelk::ChangeScale(c_.Store(), dlg.newScale, dlg.scaleSymbols, *progress_,
                                            [this] { return AskMapArea(); });
  if (!r.cancelled) Rewritten(dlg.scaleSymbols);
}

void MapCommands::ChangeSymbols() {
  if (!c_.MapHasObjects() || !c_.sink) return;
  TChangeSymDlg dlg(c_.Store(), *c_.sink, c_.help, c_.window.DialogParent());
  if (dlg.exec() != QDialog::Accepted) return;
  const MapWideResult r =
      zelk::ChangeSymbols(c_.Store(), {dlg.from, dlg.layer, dlg.to}, *progress_);
  if (r.changed > 0 || r.ok) Rewritten(false);
}

void MapCommands::ExportBySymbol() {
  if (!c_.MapHasObjects() || !c_.chooser) return;
  const std::set<int> symbols = SymbolsForBySymbolCommand(c_.Store(), c_.state.CurrentSymbol);
  c_.window.RepaintSymbols();
  if (symbols.empty()) return;
  const auto path = c_.chooser->ChooseFile(kExportBySymbolFilter, "zkm", c_.doc.Name(),
                                           kExportBySymbolHelp, true);
  if (!path) return;
  WaitCursor wait(c_.window);
  if (zelk::ExportBySymbol(c_.Store(), symbols, *path, *progress_) >= 0) {
    c_.prefs.PutRecentOnTop(*path);
    c_.doc.WritePreferences();
  }
}

void MapCommands::DeleteBySymbol() {
  if (!c_.MapHasObjects() || !c_.sink) return;
  if (!c_.sink->Confirm("Delete all objects with a selected symbol?")) return;
  const std::set<int> symbols = SymbolsForBySymbolCommand(c_.Store(), c_.state.CurrentSymbol);
  c_.window.RepaintSymbols();
  c_.state.SelectedObject = 0;
  c_.state.ClearMultipleSelection();
  MapWideResult r;
  {
    UndoRing::Pause pause(undo_);
    r = zelk::DeleteBySymbol(c_.Store(), symbols, *progress_);
  }
  if (!r.objects.empty()) {
    // One step for the whole deletion: undo brings every object back.
    Box extent;
    bool first = true;
    for (const int32_t n : r.objects) {
      IndexEntry e;
      if (!c_.Store().ReadEntry(n, &e)) continue;
      if (first)
        extent = e.box;
      else
        extent.Unite(e.box);
      first = false;
    }
    undo_.BeginUndoStep(0, ObjectRecord{});
    undo_.RecordBulk(UndoKind::BulkDeleted, r.objects, extent);
    undo_.Committed();
  }
  c_.state.SelectedObject = 0;
  c_.state.ClearMultipleSelection();
  c_.window.RedrawAll();
}

void MapCommands::EnlargeSymbols() {
  if (!c_.doc.IsOpen() || !c_.sink || c_.Store().SymbolCount() == 0) return;
  TEnlargeSymDlg dlg(*c_.sink, c_.help, c_.window.DialogParent());
  if (dlg.exec() != QDialog::Accepted) return;
  MapStore& store = c_.Store();
  std::vector<int> places;
  for (int i = 0; i < store.SymbolCount(); ++i) {
    const bool chosen =
        dlg.allSymbols || (c_.state.CurrentSymbol < 0 ? store.Symbol(i).Selected() != 0
                                                      : i == c_.state.CurrentSymbol);
    if (chosen) places.push_back(i);
  }
  int clamped = 0;
  {
    WaitCursor wait(c_.window);
    zelk::EnlargeSymbols(store, places, dlg.percent / 100.0, &clamped);
  }
  if (clamped > 0)
    c_.sink->Error(ComposeMessage(";symbols reached the largest size a symbol can have.",
                                  std::to_string(clamped)));
  // The objects' boxes were written anew without undo records.
  Rewritten(true);
}

void MapCommands::PartialMap() {
  if (!c_.MapHasObjects() || !c_.chooser) return;
  Box window = partialWindow_;
  if (window.left >= window.right || window.bottom >= window.top) {
    if (c_.sink) c_.sink->Error("Mark the partial map window first (Extras > Partial map window).");
    return;
  }
  const auto path =
      c_.chooser->ChooseFile(kPartialMapFilter, "zkm", c_.doc.Name(), help::kMainWindow, true);
  if (!path) return;
  WaitCursor wait(c_.window);
  if (ExportPartialMap(c_.Store(), window, *path, *progress_) >= 0) {
    c_.prefs.PutRecentOnTop(*path);
    c_.doc.WritePreferences();
  }
}

void MapCommands::Backup() {
  BackupCommand(c_, *progress_);
}

void MapCommands::Restore() {
  RestoreCommand(c_, *progress_);
  undo_.ResetUndo();
  undo_.Committed();
}

void MapCommands::GridLines() {
  if (!c_.doc.IsOpen() || !c_.sink) return;
  MapStore& store = c_.Store();
  const int place = c_.state.CurrentSymbol;
  if (place < 0 || place >= store.SymbolCount() || store.Symbol(place).Type() != SymbolType::Line ||
      store.Symbol(place).IsLineText()) {
    c_.sink->Error("The selected line symbol is used for the grid lines.");
    return;
  }
  TGridLinesDlg dlg(*c_.sink, c_.help, c_.window.DialogParent());
  if (dlg.exec() != QDialog::Accepted) return;
  Box area = partialWindow_;
  if (area.left >= area.right || area.bottom >= area.top) {
    if (!store.MapExtent(&area)) {
      c_.sink->Error("The map has no objects; mark a partial map window for the grid.");
      return;
    }
  }
  std::vector<int32_t> added;
  {
    UndoRing::Pause pause(undo_);
    WaitCursor wait(c_.window);
    added = AddGridLines(store, store.Symbol(place).Number(), area,
                         dlg.realWorld ? GridKind::RealWorld : GridKind::Paper);
  }
  if (added.empty()) return;
  undo_.BeginUndoStep(0, ObjectRecord{});
  undo_.RecordBulk(UndoKind::BulkAdded, added, area);
  undo_.Committed();
  c_.window.RedrawAll();
}

void MapCommands::Measure() {
  if (!c_.doc.IsOpen() || !c_.sink) return;
  ObjectRecord obj;
  if (c_.state.SelectedObject <= 0 || !c_.Store().ReadObject(c_.state.SelectedObject, &obj)) {
    c_.sink->Error("Select a line or an area to measure.");
    return;
  }
  const double scale = c_.Store().Setup().MapScale();
  const Measurement m = MeasureObject(obj, scale);
  char text[256];
  if (obj.type == ObjectType::Area)
    std::snprintf(text, sizeof text,
                  "Area: %.2f mm2 on paper, %.1f m2 on the ground\nOutline: %.2f mm, %.1f m",
                  m.areaMm2, m.areaM2, m.lengthMm, m.lengthM);
  else
    std::snprintf(text, sizeof text, "Length: %.2f mm on paper, %.1f m on the ground", m.lengthMm,
                  m.lengthM);
  QMessageBox::information(c_.window.DialogParent(), "Measure", text);
}

}  // namespace zelk
