// The Options menu's commands and the toolbar toggles.
#include "editor/options_commands.h"

#include "dialogs/prefs_dlg.h"
#include "dialogs/scales_dlg.h"

namespace zelk {

void OptionsCommands::Preferences() {
  if (!c_.sink) return;
  TPrefsDlg dlg(c_.prefs, c_.registry, *c_.sink, c_.help, c_.window.DialogParent());
  if (dlg.exec() == QDialog::Accepted && dlg.RepaintNeeded()) c_.window.RedrawAll();
}

void OptionsCommands::Scales() {
  if (!c_.sink || !c_.doc.IsOpen()) return;
  TScalesDlg dlg(c_.Store(), *c_.sink, c_.help, c_.window.DialogParent());
  if (dlg.exec() == QDialog::Accepted && dlg.RepaintNeeded()) c_.window.RedrawAll();
}

void OptionsCommands::ToggleGrid() {
  c_.prefs.screenGrid = !c_.prefs.screenGrid;
  c_.doc.WritePreferences();
  // The grid lies over the picture: no redraw of the map is needed.
  c_.window.RepaintOverlay();
}

void OptionsCommands::ToggleAutoJoin() {
  c_.prefs.autoJoin = !c_.prefs.autoJoin;
  c_.doc.WritePreferences();
}

void OptionsCommands::SetSmoothing(int level) {
  c_.prefs.smoothing = level;
  c_.doc.WritePreferences();
}

}  // namespace zelk
