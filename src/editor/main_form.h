// The main window: menus, toolbar, symbol box, rulers, status line, and the command dispatch.
#pragma once

#include <QMainWindow>
#include <array>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "editor/editor_state.h"
#include "editor/tool.h"
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

namespace zelk {

class DocumentDialogs;
class HelpRequester;
class InputGate;
class StatusProgress;
class TScaleRuler;
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

class TMainFm : public QMainWindow, public ToolView, public DocumentObserver {
 public:
  explicit TMainFm(const MainFormServices& services, QWidget* parent = nullptr);
  ~TMainFm() override;

  EditorState& State() { return state_; }
  Document& Doc() { return *doc_; }
  Preferences& Prefs() { return *prefs_; }
  ZoomHistory& History() { return history_; }

  // --- Command steps --------------------------------------------------------------------
  // True while a long operation runs; every handler asks first and does nothing then.
  bool IsBusy() const;
  // Ends the running interaction as its own finish would.
  void BeginCommand();
  // Refreshes menus and buttons and starts the tool of the mode for the current symbol.
  void EndCommand();
  // Lets a tool of a later part take over an interaction state (2..18).
  void RegisterTool(int16_t interactionState, Tool* tool);
  Tool* ToolFor(int16_t interactionState);

  // The posted start-up work: recovery, then the map of the command line or the last one.
  void StartUp(const std::vector<std::string>& arguments);
  // A map handed over by a second start of the program.
  void OpenRequested(const std::string& path);
  // The session ends: the command line that starts the program again with the open map, also
  // kept as the "ZelkStart" run-once value.
  std::vector<std::string> SessionEnding(const std::string& program);

  // --- Commands (menu items and buttons) ----------------------------------------------
  QAction* Action(const std::string& component) const;
  void ModeButtonClick(int16_t mode);
  void FileNewClick();
  void FileOpenClick();
  void FileSaveClick();
  void FileSaveAsClick();
  void FileInfoClick();
  void FilePrintWinClick();
  void FileListClick(int n);
  void ViewRedrawClick();
  void ViewMoveClick();
  void ViewZoomInClick();
  void ViewZoomOutClick();
  void ViewEntireClick();
  void ViewFactorClick(double factor);
  void SymbolStatusClick(uint8_t status);
  void SymbolDeleteClick();
  void SymbolDuplicateClick();
  void SymbolLoadClick();
  void ExtrasPartialWinClick();
  void OptionsPrefClick();
  void OptionsScalesClick();
  void GridBtnClick();
  void AutoJoinBtnClick();
  void SmoothBtnClick(int level);
  // Enabled and checked states of menu items and buttons from the map and the selection.
  void UpdateMenuStates();

  // --- Input --------------------------------------------------------------------------------
  // The keyboard rules; true when the key was used up. The form sees every key first.
  bool FormKeyDown(int key, Qt::KeyboardModifiers modifiers, const QString& text);
  void FormKeyUp(int key);
  void WorkMouseDown(Qt::MouseButton button, PixelPos pos, Qt::KeyboardModifiers modifiers);
  void WorkMouseMove(PixelPos pos, Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons);
  void WorkMouseUp(Qt::MouseButton button, PixelPos pos, Qt::KeyboardModifiers modifiers);
  // A scroll bar action (QAbstractSlider::SliderAction); `position` for thumb moves.
  void ScrollBarAction(Qt::Orientation orientation, int action, int position);
  void SymbolBoxClick(int place, bool shift, bool ctrl);
  // The text of the coordinate pane for a position in coordinate words.
  std::string CoordinateText(int32_t x, int32_t y) const;
  std::string ZoomText() const;
  // The partial map window kept for the partial map export.
  const Box& PartialWindow() const { return partialWindow_; }

  // --- Components ---------------------------------------------------------------------------
  QToolBar* Toolbar;
  QWidget* SymPanel;
  QWidget* ParamPanel;
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

  // --- ToolView -------------------------------------------------------------------------------
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

  // --- DocumentObserver --------------------------------------------------------------------
  void CaptionChanged(const std::string& caption) override;
  void StatusText(const std::string& text) override;
  void MapChanged() override;
  void RecentFilesChanged() override;

 protected:
  void closeEvent(QCloseEvent* e) override;

 private:
  void BuildMenus();
  void BuildToolbar();
  void BuildPanels();
  QAction* Item(QMenu* menu, const char* component, const char* caption, const QKeySequence& shortcut,
                std::function<void()> handler, bool available = true);
  // Runs a command between the two fixed steps, unless busy.
  void Command(const std::function<void()>& body);
  void StartToolForMode();
  void FinishInteraction();
  void StartViewInteraction(ViewZoomTool::Kind kind);
  void StartWindowRectangle(bool printWindow);
  ToolEvent MakeEvent(PixelPos pos, Qt::KeyboardModifiers modifiers);
  void SetCurrentSymbol(int place);
  void UpdateRightStatus();
  void UpdateViewDisplays();
  // After a scroll or zoom: the view goes into the map's settings and the file at once, so
  // that the map opens where it was left. Resizes and opening a map do not come here.
  void KeepView();
  void ShowCoordinates();
  void AfterMapOpened();
  void SetHelpContext(int context);
  bool ReplayShortcut(int key, Qt::KeyboardModifiers modifiers);
  // Symbol places a symbol command works on: the current one, or every marked one.
  std::vector<int> TargetSymbols() const;
  bool MapHasObjects() const;
  void WriteToolSettings();

  EditorState state_;
  Preferences* prefs_;
  MainFormServices services_;
  std::unique_ptr<Document> doc_;
  InputGate* gate_ = nullptr;
  std::unique_ptr<StatusProgress> progress_;
  ZoomHistory history_;

  std::array<Tool*, interaction::kCount> tools_{};
  std::unique_ptr<NoDrawTool> noDrawTool_;
  std::unique_ptr<ViewZoomTool> zoomTool_;
  std::unique_ptr<WindowRectTool> windowTool_;
  int16_t savedState_ = 0;  // the interaction a view interaction interrupted
  std::string savedCursor_;
  std::string savedPrompt_;
  Box partialWindow_;
  bool leftDown_ = false;
  int lastClickedSymbol_ = -1;
  bool wasOpen_ = false;
  std::string lastName_;

  std::map<std::string, QAction*> actions_;
  std::map<int16_t, QAction*> modeActions_;
  std::vector<std::pair<double, QAction*>> factorActions_;
  std::array<QAction*, 5> recentActions_{};
  QMenu* fileMenu_ = nullptr;
  QAction* recentSep_ = nullptr;
};

}  // namespace zelk
