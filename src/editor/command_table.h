// The table of the main window's commands: every menu item and toolbar button in one row.
#pragma once

#include <span>

#include "editor/editor_state.h"
#include "storage/preferences.h"

namespace zelk {

class EditCommands;
class ExchangeCommands;
class ClipboardCommands;
class ObjectCommands;
class OutputCommands;
class FileCommands;
class ViewCommands;
class SymbolCommands;
class MapCommands;
class OptionsCommands;
class HelpCommands;
class GpsCommands;
class TemplateCommands;

// The command areas a row's handler reaches. A new area is one more file and one more member.
struct CommandAreas {
  EditorState& state;
  FileCommands& file;
  EditCommands& edit;
  ViewCommands& view;
  SymbolCommands& symbol;
  MapCommands& map;
  OptionsCommands& options;
  HelpCommands& help;
  ExchangeCommands& exchange;
  ClipboardCommands& clipboard;
  ObjectCommands& objects;
  GpsCommands& gps;
  OutputCommands& output;
  TemplateCommands& templates;
};

// What the enabling and checking rules look at, taken from the window when a menu opens and
// after every command.
struct CommandConditions {
  bool mapOpen = false;
  bool mapHasObjects = false;
  bool symbolTargets = false;  // a current symbol or marked ones
  bool currentSymbol = false;  // a symbol is current
  bool symbolEditing = false;
  bool canUndo = false;
  bool canRedo = false;
  bool canCopyObjects = false;    // a current object or a multiple selection
  bool canPasteObjects = false;   // the clipboard holds objects
  bool canPasteSymbols = false;   // the clipboard holds symbols
  bool canDelete = false;         // a selected object or a multiple selection
  bool lineSelected = false;      // Join, Reverse line object
  bool canMerge = false;          // a multiple selection and no object selected alone
  bool canFill = false;           // a selected object and a current symbol
  bool lineTextSelected = false;  // a selected line of a line-text symbol
  bool canSmooth = false;         // a selected line or area
  bool canToCurve = false;        // that, or a multiple selection
  bool textEditing = false;       // a text is typed: the clipboard commands work on its text
  bool textSelected = false;      // characters of it are selected
  bool canPasteText = false;      // the clipboard holds text
  bool gpsOpen = false;           // the GPS receiver is open
  bool gpsPosition = false;       // it gives a position on the map
  bool haveHelp = false;
  bool templateOpen = false;
  bool templateHidden = false;
  double zoom = 1;
  Mode toolMode = Mode::None;
  bool screenGrid = false;
  bool autoJoin = false;
  int smoothing = 1;
};

// How a command runs. Full: refused while busy, then `BeginCommand`, the command, `EndCommand`.
// View: the same, but the command's `BeginCommand` ends only the interactions a view change
// replaces (zoom or move, window rectangle): a drawing in progress carries on afterwards.
// Plain: refused while busy, nothing else (toggles, help, exit).
enum class Steps { Full, View, Plain };

using CommandHandler = void (*)(CommandAreas& areas, int arg);
using CommandRule = bool (*)(const CommandConditions& c, int arg);

namespace row {
constexpr unsigned kSeparatorBefore = 1;
constexpr unsigned kSymbolPopup = 2;  // also in the symbol box's pop-up menu
constexpr unsigned kSubmenu = 4;      // opens the submenu named by the caption
constexpr unsigned kModeGroup = 8;    // the mutually exclusive mode buttons
constexpr unsigned kSmoothingGroup = 16;
constexpr unsigned kCheckable = 32;
}  // namespace row

struct CommandRow {
  const char* name;        // the component name, also the action's object name
  const char* place;       // the menu ("&File", "&File/&Export") or "Toolbar"
  const char* caption;     // the menu caption, or the hint of a toolbar button
  const char* shortcut;    // portable key text ("Ctrl+N", "Shift+F5"); empty for none
  CommandHandler handler;  // null: not in this build, shown and never enabled
  int arg;                 // handed to the handler and the rules (mode, factor, level...)
  int helpContext;         // F1 on the highlighted menu item; 0 for the window's
  CommandRule enabled;     // null: always
  CommandRule checked;     // null: not checkable by rule
  Steps steps;
  unsigned flags;

  bool Available() const { return handler != nullptr || (flags & row::kSubmenu) != 0; }
  bool InToolbar() const;
};

// Built once; in menu order, then toolbar order.
std::span<const CommandRow> CommandTable();
const CommandRow* FindCommand(const char* name);

// The component name of a mode's toolbar button.
const char* ModeButtonName(Mode m);

}  // namespace zelk
