// The symbol commands.
#include "editor/symbol_commands.h"

#include <algorithm>

#include "dialogs/colors_dlg.h"
#include "dialogs/icon_dlg.h"
#include "dialogs/symbol_dlgs.h"
#include "editor/file_commands.h"

namespace zelk {

std::vector<int> SymbolCommands::Targets() const {
  std::vector<int> places;
  if (!c_.doc.IsOpen()) return places;
  const MapStore& store = c_.Store();
  if (c_.state.CurrentSymbol >= 0 && c_.state.CurrentSymbol < store.SymbolCount()) {
    places.push_back(c_.state.CurrentSymbol);
    return places;
  }
  for (int i = 0; i < store.SymbolCount(); ++i)
    if (store.Symbol(i).Selected()) places.push_back(i);
  return places;
}

void SymbolCommands::SetStatus(uint8_t status) {
  MapStore& store = c_.Store();
  bool visibilityChanged = false;
  for (int place : Targets()) {
    const bool wasHidden = store.Symbol(place).Status() == kStatusHidden;
    if (wasHidden != (status == kStatusHidden)) visibilityChanged = true;
    store.SetSymbolStatus(place, status);
  }
  if (status == kStatusHidden) {
    c_.state.SelectedObject = 0;
    c_.state.ClearMultipleSelection();
  }
  c_.window.RepaintSymbols();
  if (visibilityChanged) c_.window.RedrawAll();
}

void SymbolCommands::Delete() {
  const std::vector<int> places = Targets();
  if (places.empty() || !c_.sink) return;
  if (!c_.sink->Confirm("Delete selected symbol(s)?", help::kSymbolDelete)) return;
  MapStore& store = c_.Store();
  for (auto it = places.rbegin(); it != places.rend(); ++it) store.DeleteSymbol(*it);
  lastClicked_ = -1;
  c_.window.SymbolTableChanged();
  c_.window.SetCurrentSymbol(
      store.SymbolCount() > 0 ? std::min<int>(places.front(), store.SymbolCount() - 1) : -1);
  // Their objects are now drawn with the placeholder.
  c_.window.RedrawAll();
}

void SymbolCommands::Duplicate() {
  MapStore& store = c_.Store();
  int inserted = 0;
  int lastCopy = -1;
  // Each copy goes right after its original; later places move on by the copies made.
  for (int place : Targets()) {
    if (store.SymbolCount() >= kMaxSymbols) break;
    const int at = place + inserted;
    SymbolRecord copy = store.Symbol(at);
    copy.SetNumber(copy.Number() + 1);
    if (store.InsertSymbol(at, copy)) {
      ++inserted;
      lastCopy = at + 1;
    }
  }
  if (inserted == 0) return;
  store.RewriteSymbolIndex();
  c_.window.SymbolTableChanged();
  if (c_.state.CurrentSymbol >= 0) c_.window.SetCurrentSymbol(lastCopy);
  c_.window.RepaintSymbols();
}

void SymbolCommands::Load() {
  if (c_.doc.LoadSymbols()) FileCommands(c_).CheckFonts();
}

void SymbolCommands::Colors() {
  if (!c_.sink || !c_.doc.IsOpen()) return;
  TColorsDlg dlg(c_.Store(), *c_.sink, c_.help, c_.window.DialogParent());
  if (dlg.exec() != QDialog::Accepted || !dlg.RedrawNeeded()) return;
  c_.window.RepaintSymbols();
  c_.window.RedrawAll();
}

bool SymbolCommands::StoreSymbol(int place, const SymbolRecord& rec) {
  MapStore& store = c_.Store();
  int oldNumber = 0;
  bool ok;
  int newPlace = place;
  if (place >= 0 && place < store.SymbolCount()) {
    const SymbolRecord& old = store.Symbol(place);
    oldNumber = old.Number();
    SymbolRecord r = rec;
    r.SetStatus(old.Status());
    r.SetSelected(old.Selected());
    ok = store.ReplaceSymbol(place, r);
  } else {
    if (store.SymbolCount() >= kMaxSymbols) return false;
    const int after =
        c_.state.CurrentSymbol >= 0 ? c_.state.CurrentSymbol : store.SymbolCount() - 1;
    ok = store.InsertSymbol(after, rec) && store.RewriteSymbolIndex();
    newPlace = std::clamp(after + 1, 0, store.SymbolCount() - 1);
  }
  if (!ok) return false;
  {
    WaitCursor wait(c_.window);
    // Objects of the old number now draw with the placeholder, those of the new one with it.
    if (oldNumber > 0 && oldNumber != rec.Number()) store.UpdateObjects(oldNumber, oldNumber);
    store.UpdateObjects(rec.Number(), rec.Number());
  }
  lastStored_ = newPlace;
  c_.window.SymbolTableChanged();
  c_.window.SetCurrentSymbol(newPlace);
  c_.window.RepaintSymbols();
  c_.window.RedrawAll();
  return true;
}

void SymbolCommands::RunEditor(const SymbolRecord& rec, int place) {
  std::unique_ptr<TSymbolDlg> dlg =
      MakeSymbolDialog(c_.Store(), rec, place, *c_.sink, c_.help, c_.window.DialogParent());
  if (!dlg || dlg->exec() != QDialog::Accepted) return;
  if (!StoreSymbol(place, dlg->Result())) return;
  // "Edit...": the symbol as typed is stored, then its elements are drawn in the work window.
  if (dlg->EditRequest() >= 0) editor_.Begin(lastStored_, dlg->EditRequest());
}

void SymbolCommands::CloseSymbolEditor() {
  const int place = editor_.End();
  if (place >= 0 && c_.sink) RunEditor(c_.Store().Symbol(place), place);
}

void SymbolCommands::New() {
  if (!c_.sink || !c_.doc.IsOpen()) return;
  if (c_.Store().SymbolCount() >= kMaxSymbols) return;
  TNewSymDlg dlg(*c_.sink, c_.help, c_.window.DialogParent());
  if (dlg.exec() != QDialog::Accepted) return;
  RunEditor(EmptySymbol(dlg.Type(), dlg.Subtype()), -1);
}

void SymbolCommands::Edit() {
  if (!c_.sink || !c_.doc.IsOpen()) return;
  const int place = c_.state.CurrentSymbol;
  if (place < 0 || place >= c_.Store().SymbolCount()) return;
  RunEditor(c_.Store().Symbol(place), place);
}

void SymbolCommands::Icon() {
  if (!c_.sink || !c_.doc.IsOpen()) return;
  const int place = c_.state.CurrentSymbol;
  MapStore& store = c_.Store();
  if (place < 0 || place >= store.SymbolCount()) return;
  TEditIconDlg dlg(store.Symbol(place).Icon(), *c_.sink, c_.help, c_.window.DialogParent());
  if (dlg.exec() != QDialog::Accepted) return;
  SymbolRecord r = store.Symbol(place);
  std::copy(dlg.Icon().begin(), dlg.Icon().end(), r.MutableIcon());
  store.ReplaceSymbol(place, r);
  c_.window.RepaintSymbols();
}

void SymbolCommands::BoxClick(int place, bool shift, bool ctrl) {
  MapStore& store = c_.Store();
  if (place < 0 || place >= store.SymbolCount()) return;
  if (ctrl) {
    SymbolRecord& s = store.MutableSymbol(place);
    s.SetSelected(s.Selected() ? 0 : 1);
    c_.window.SetCurrentSymbol(-1);
  } else if (shift && lastClicked_ >= 0 && lastClicked_ < store.SymbolCount()) {
    const int lo = std::min(lastClicked_, place), hi = std::max(lastClicked_, place);
    for (int i = lo; i <= hi; ++i) store.MutableSymbol(i).SetSelected(1);
    c_.window.SetCurrentSymbol(-1);
  } else {
    for (int i = 0; i < store.SymbolCount(); ++i) store.MutableSymbol(i).SetSelected(0);
    c_.window.SetCurrentSymbol(place);
  }
  if (!shift) lastClicked_ = place;
  c_.window.RepaintSymbols();
}

}  // namespace zelk
