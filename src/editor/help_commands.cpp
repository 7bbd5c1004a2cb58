// The Help menu's commands.
#include "editor/help_commands.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <cstdio>

#include "dialogs/dialog_base.h"

namespace zelk {

void HelpCommands::Topic(int context) {
  if (c_.help) c_.help->ShowHelp(context);
}

void HelpCommands::Search() {
  if (c_.help) c_.help->ShowSearch();
}

std::string HelpCommands::MapInfoText() const {
  if (!c_.doc.IsOpen()) return {};
  MapStore& s = c_.Store();
  char buf[256];
  std::snprintf(buf, sizeof buf, "\n\nObjects: %lld\nSymbols: %d\nColours: %d\nMap scale: 1:%.0f",
                static_cast<long long>(s.LiveObjectCount()), s.SymbolCount(),
                static_cast<int>(s.Colors().colorCount), s.Setup().MapScale());
  std::string text = (c_.doc.Name().empty() ? std::string("Untitled") : c_.doc.Name()) + buf;
  Box ext;
  if (s.MapExtent(&ext)) {
    std::snprintf(buf, sizeof buf, "\nExtent: %.1f x %.1f mm",
                  (static_cast<double>(ext.right) - ext.left) / double(kWordsPerMm),
                  (static_cast<double>(ext.top) - ext.bottom) / double(kWordsPerMm));
    text += buf;
  }
  return text;
}

void HelpCommands::MapInfo() {
  if (!c_.doc.IsOpen()) return;
  QMessageBox::information(c_.window.DialogParent(), "Map Information",
                           QString::fromStdString(MapInfoText()));
}

void HelpCommands::About() {
  QMessageBox::about(c_.window.DialogParent(), "About ZELK",
                     "ZELK\n\nAn editor for printed thematic maps.\nVersion " +
                         QCoreApplication::applicationVersion());
}

}  // namespace zelk
