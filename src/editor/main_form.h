// The main window: its parts, the command table wired to menus and toolbar, and the dispatch
// of commands, mouse, keys and scroll bars.
#pragma once

#include <QMainWindow>
#include <array>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "editor/command_context.h"
#include "editor/command_table.h"
#include "editor/editor_state.h"
#include "editor/tool.h"
#include "editor/tool_context.h"
#include "editor/undo_ring.h"
#include "editor/view_tools.h"
#include "render/font_service.h"
#include "storage/document.h"

class QActionGroup;
class QCheckBox;
class QComboBox;
class QMenu;
class QScrollBar;
class QTimer;
class QToolBar;
class QToolButton;
class QPushButton;

namespace zelk {

class DocumentDialogs;
class EditCommands;
class ExchangeCommands;
class ClipboardCommands;
class ObjectCommands;
class TextTyping;
class GpsCommands;
class OutputCommands;
class FileCommands;
class HelpCommands;
class MapCommands;
class OptionsCommands;
class SymbolCommands;
class TemplateCommands;
class ViewCommands;
class HelpRequester;
class InputGate;
class StatusProgress;
class TScaleRuler;
class TRealSpin;
class TStatusPanel;
class TSymbolWin;
class TWorkWin;

// Everything the main window works with that comes from outside it.
struct MainFormServices {
  MessageSink* sink = nullptr;
  FileChooser* chooser = nullptr;
  DocumentDialogs* dialogs = nullptr;
  HelpRequester* help = nullptr;
  FontService* fonts = nullptr;
  Preferences* prefs = nullptr;
  RegistryStore* registry = nullptr;  // null: preferences stay in memory
  std::string tempPath;               // the temporary working copy
};

class TMainFm : public QMainWindow,
                public ToolView,
                public DocumentObserver,
                public CommandWindow,
                public UndoView {
 public:
  explicit TMainFm(const MainFormServices& services, QWidget* parent = nullptr);
  ~TMainFm() override;

  EditorState& State() { return state_; }
  Document& Doc() { return *doc_; }
  Preferences& Prefs() { return *prefs_; }
  ZoomHistory& History() override { return history_; }
  CommandContext& Context() { return *context_; }
  SymbolCommands& Symbols() { return *symbolCommands_; }
  UndoRing& Undo() { return *undo_; }
  TemplateCommands& Templates() { return *templateCommands_; }
  // What the drawing and editing tools work with.
  ToolContext& Tools() { return *toolContext_; }

  // --- Command steps --------------------------------------------------------------------
  // True while a long operation runs; every handler asks first and does nothing then.
  bool IsBusy() const;
  // Ends the running interaction as its own finish would. A view command ends only the
  // interactions a view change replaces.
  void BeginCommand(Steps steps = Steps::Full);
  // Refreshes menus and buttons and starts the tool of the mode for the current symbol.
  void EndCommand();
  // Lets a tool of a later part take over an interaction state (2..18).
  void RegisterTool(Interaction interaction, Tool* tool);
  // Registers the tools of a tool area and keeps them for the life of the window.
  void AdoptTools(std::vector<OwnedTool> tools);
  Tool* ToolFor(Interaction interaction);

  // The posted start-up work: recovery, then the map of the command line or the last one.
  void StartUp(const std::vector<std::string>& arguments);
  // A map handed over by a second start of the program.
  void OpenRequested(const std::string& path);
  // The session ends: the command line that starts the program again with the open map, also
  // kept as the "ZelkStart" run-once value.
  std::vector<std::string> SessionEnding(const std::string& program);

  // --- Commands -------------------------------------------------------------------------
  QAction* Action(const std::string& component) const;
  // Runs a row of the command table as its menu item or button would.
  void Trigger(const std::string& component);
  // Enabled and checked states of menu items and buttons, from the rules of the table.
  void UpdateMenuStates();
  CommandConditions Conditions() const;

  // --- Input --------------------------------------------------------------------------------
  // The keyboard rules; true when the key was used up. The form sees every key first.
  bool FormKeyDown(int key, Qt::KeyboardModifiers modifiers, const QString& text);
  // The caret, selection and clipboard keys while a text is typed; false for other keys.
  bool TextEditingKey(int key, Qt::KeyboardModifiers modifiers);
  void FormKeyUp(int key);
  void WorkMouseDown(Qt::MouseButton button, PixelPos pos, Qt::KeyboardModifiers modifiers);
  void WorkMouseMove(PixelPos pos, Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons);
  void WorkMouseUp(Qt::MouseButton button, PixelPos pos, Qt::KeyboardModifiers modifiers);
  // Wheel notches over the work window: scrolling, or with Ctrl zooming about the mouse.
  void WorkWheel(PixelPos pos, int notches, Qt::KeyboardModifiers modifiers);
  // A scroll bar action (QAbstractSlider::SliderAction); `position` for thumb moves.
  void ScrollBarAction(Qt::Orientation orientation, int action, int position);
  void SymbolBoxClick(int place, bool shift, bool ctrl);
  // Connects the symbol editor's panels to point-symbol editing.
  void WireSymbolEditor();
  bool fillingPanels_ = false;  // the panels are being filled, not changed by the user
  // The text of the coordinate pane for a position in coordinate words.
  std::string CoordinateText(int32_t x, int32_t y) const;
  std::string ZoomText() const;

  // --- Components ---------------------------------------------------------------------------
  QToolBar* Toolbar;
  QWidget* SymPanel;
  QWidget* ParamPanel;
  // The symbol editor's shape buttons and parameters.
  QToolButton* SymLineBtn;
  QToolButton* SymAreaBtn;
  QToolButton* SymCircleBtn;
  QToolButton* SymDotBtn;
  QPushButton* SymCloseBtn;
  QPushButton* SymHelpBtn;
  QComboBox* ParamColorB;
  TRealSpin* ParamWidthB;
  TRealSpin* ParamDiameterB;
  QCheckBox* ParamRoundB;
  QWidget* WorkPanel;
  TScaleRuler* HorScale;
  TScaleRuler* VerScale;
  TWorkWin* WorkWin;
  TSymbolWin* SymbolBox;
  QScrollBar* HScroll;
  QScrollBar* VScroll;
  QWidget* CornerP;
  TStatusPanel* Status;
  QTimer* ViewTimer;
  QMenu* SymPopUp;
  Progress& ProgressDisplay();

  // --- ToolView and CommandWindow ------------------------------------------------------------
  const ViewTransform& View() const override;
  Coord DeviceToMap(PixelPos p) const override;
  PixelPos MapToDevice(const Coord& c) const override;
  void SetRubberBand(std::vector<RubberShape> shapes) override;
  void RedrawBox(const Box& box) override;
  void RedrawAll() override;
  void SetView(double zoom, int32_t centreX, int32_t centreY, bool remember) override;
  void SetPrompt(const std::string& text) override;
  void SetRightStatus(const std::string& text) override;
  void SetCursorShape(const std::string& name) override;
  void DrawObjectNow(const ObjectRecord& obj) override;
  void RepaintMarks() override;
  void SetWorkHelpContext(int context) override;
  void RepaintOverlay() override;
  void StartViewInteraction(ViewZoomTool::Kind kind) override;
  void StartWindowRectangle(std::function<Box()> read, std::function<void(const Box&)> write,
                            int helpContext) override;
  void SymbolTableChanged() override;
  void ShowSymbolEditor(bool on) override;
  void RepaintSymbols() override;
  void SetCurrentSymbol(int place) override;
  void SetWaitCursor(bool on) override;
  void CloseWindow() override;
  QWidget* DialogParent() override { return this; }
  void ShowGpsPosition(std::optional<Coord> at, const std::string& text) override;
  void AddPointAt(const Coord& at) override;
  void StartInteraction(Interaction i) override;
  GpsCommands& Gps() { return *gpsCommands_; }

  // --- DocumentObserver --------------------------------------------------------------------
  void CaptionChanged(const std::string& caption) override;
  void StatusText(const std::string& text) override;
  void MapChanged() override;
  void RecentFilesChanged() override;

  // --- UndoView --------------------------------------------------------------------------------
  void ClearSelection() override;
  void SelectMarked(const std::vector<int32_t>& objects, const Box& extent) override;
  void UndoStateChanged() override;

 protected:
  void closeEvent(QCloseEvent* e) override;

 private:
  void BuildPanels();
  void BuildCommands();
  void Run(const CommandRow& row);
  void StartToolForMode();
  ToolEvent MakeEvent(PixelPos pos, Qt::KeyboardModifiers modifiers);
  void UpdateRightStatus();
  void UpdateViewDisplays();
  // After a scroll or zoom: the view goes into the map's settings and the file at once, so
  // that the map opens where it was left. Resizes and opening a map do not come here.
  void KeepView();
  void ShowCoordinates();
  void SetHelpContext(int context);
  bool ReplayShortcut(int key, Qt::KeyboardModifiers modifiers);
  void WriteToolSettings();

  EditorState state_;
  Preferences* prefs_;
  MainFormServices services_;
  std::unique_ptr<Document> doc_;
  InputGate* gate_ = nullptr;
  std::unique_ptr<StatusProgress> progress_;
  ZoomHistory history_;

  std::unique_ptr<UndoRing> undo_;
  std::unique_ptr<ToolContext> toolContext_;
  std::unique_ptr<TextTyping> textTyping_;
  std::unique_ptr<CommandContext> context_;
  std::unique_ptr<FileCommands> fileCommands_;
  std::unique_ptr<EditCommands> editCommands_;
  std::unique_ptr<ExchangeCommands> exchangeCommands_;
  std::unique_ptr<ClipboardCommands> clipboardCommands_;
  std::unique_ptr<ObjectCommands> objectCommands_;
  std::unique_ptr<GpsCommands> gpsCommands_;
  std::unique_ptr<OutputCommands> outputCommands_;
  std::unique_ptr<ViewCommands> viewCommands_;
  std::unique_ptr<SymbolCommands> symbolCommands_;
  std::unique_ptr<MapCommands> mapCommands_;
  std::unique_ptr<OptionsCommands> optionsCommands_;
  std::unique_ptr<HelpCommands> helpCommands_;
  std::unique_ptr<TemplateCommands> templateCommands_;
  std::unique_ptr<CommandAreas> areas_;

  std::array<Tool*, kInteractionCount> tools_{};
  std::vector<std::unique_ptr<Tool>> ownedTools_;
  std::unique_ptr<NoDrawTool> noDrawTool_;
  std::unique_ptr<ViewZoomTool> zoomTool_;
  std::unique_ptr<WindowRectTool> windowTool_;
  Interaction savedState_ = Interaction::Idle;  // the interaction a view interaction interrupted
  std::string savedCursor_;
  std::string savedPrompt_;
  int windowHelp_ = help::kMainWindow;  // in force while a window rectangle runs
  bool leftDown_ = false;
  bool wasOpen_ = false;
  std::string lastName_;
  std::string gpsText_;  // shown in the status bar's middle while the GPS is open

  std::map<std::string, QAction*> actions_;
  std::vector<std::pair<const CommandRow*, QAction*>> rowActions_;
  std::array<QAction*, 5> recentActions_{};
  QAction* recentSep_ = nullptr;
};

}  // namespace zelk
