// The main window: layout, menus and toolbar, the two command steps, the dispatch of mouse,
// keys and scroll bars to the running interaction, view commands and symbol commands.
#include "editor/main_form.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "dialogs/dialog_base.h"
#include "dialogs/map_text.h"
#include "dialogs/prefs_dlg.h"
#include "dialogs/scales_dlg.h"
#include "dialogs/spin_edit.h"
#include "editor/cursors.h"
#include "editor/document_dialogs.h"
#include "editor/input_gate.h"
#include "editor/status_panes.h"
#include "editor/symbol_box.h"
#include "editor/work_window.h"
#include "render/fonts_check.h"

namespace zelk {

namespace {

constexpr int kScrollRange = 2000;  // map millimetres either way
constexpr double kFactors[] = {0.25, 0.5, 1, 2, 4, 8, 16, 32};
constexpr const char* kFactorCaptions[] = {"&0.25X", "0.&5X", "&1X", "&2X", "&4X", "&8X", "1&6X", "&32X"};
constexpr int kSymbolDeleteHelp = 166;

std::string SymbolNumberText(int number) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%d.%d", number / 10, std::abs(number % 10));
  return buf;
}

int16_t StateOfDrawingMode(int m) {
  switch (m) {
    case mode::kFreehand:
    case mode::kStraight: return interaction::kFreehandStraight;
    case mode::kRectangular: return interaction::kRectangular;
    case mode::kCircle: return interaction::kCircle;
    case mode::kEllipse: return interaction::kEllipse;
    default: return interaction::kCurve;
  }
}

}  // namespace

TMainFm::TMainFm(const MainFormServices& services, QWidget* parent)
    : QMainWindow(parent), prefs_(services.prefs), services_(services) {
  setObjectName("MainFm");
  setWindowTitle("ZELK");
  if (services_.registry) prefs_->Read(*services_.registry);
  doc_ = std::make_unique<Document>(services_.sink, prefs_, services_.registry, services_.tempPath);
  doc_->SetObserver(this);
  doc_->SetFileChooser(services_.chooser);

  gate_ = new InputGate(this);
  gate_->keyDown = [this](QKeyEvent* k) { return FormKeyDown(k->key(), k->modifiers(), k->text()); };
  gate_->keyUp = [this](QKeyEvent* k) { FormKeyUp(k->key()); };
  gate_->replayShortcut = [this](QKeyEvent* k) { return ReplayShortcut(k->key(), k->modifiers()); };

  noDrawTool_ = std::make_unique<NoDrawTool>(state_, *this);
  zoomTool_ = std::make_unique<ViewZoomTool>(state_, *this);
  windowTool_ = std::make_unique<WindowRectTool>(state_, *this);
  tools_[interaction::kNoDrawing] = noDrawTool_.get();
  tools_[interaction::kViewZoom] = zoomTool_.get();
  tools_[interaction::kWindowRectangle] = windowTool_.get();
  zoomTool_->ended = [this] {
    state_.InteractionState = savedState_;
    SetCursorShape(savedCursor_);
    SetPrompt(savedPrompt_);
  };
  windowTool_->mapExtent = [this] {
    Box b{-1280000, -1280000, 1280000, 1280000};
    doc_->Store().MapExtent(&b);
    return b;
  };

  BuildPanels();
  BuildMenus();
  BuildToolbar();
  progress_ = std::make_unique<StatusProgress>(*Status, state_.AbortRequested);
  doc_->Store().SetProgress(progress_.get());
  ViewTimer = new QTimer(this);
  ViewTimer->setInterval(100);

  resize(552, 330 + 29 + 18 + menuBar()->sizeHint().height());
  SetHelpContext(101);
  SetCursorShape("");
  UpdateViewDisplays();
  EndCommand();
}

TMainFm::~TMainFm() {
  doc_->SetObserver(nullptr);
  doc_->Store().SetProgress(nullptr);
  // The work window's hooks point here; take them away before the widgets go.
  WorkWin->viewChanged = nullptr;
  WorkWin->redrawEnded = nullptr;
  WorkWin->redrawStatus = nullptr;
}

Progress& TMainFm::ProgressDisplay() { return *progress_; }

// --- Layout ------------------------------------------------------------------------------------

void TMainFm::BuildPanels() {
  auto* central = new QWidget(this);
  auto* outer = new QVBoxLayout(central);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->setSpacing(0);

  SymPanel = new QWidget(central);
  SymPanel->setObjectName("SymPanel");
  SymPanel->setFixedHeight(29);
  {
    auto* row = new QHBoxLayout(SymPanel);
    row->setContentsMargins(4, 2, 4, 2);
    row->addWidget(new QLabel("Symbol Editor", SymPanel));
    for (const char* name : {"Line", "Area", "Circle", "Dot"}) {
      auto* b = new QToolButton(SymPanel);
      b->setText(name);
      b->setCheckable(true);
      b->setObjectName(QString("Sym%1Btn").arg(name));
      row->addWidget(b);
    }
    row->addStretch();
    row->addWidget(new QPushButton("&Close", SymPanel));
    row->addWidget(new QPushButton("&Help", SymPanel));
  }
  SymPanel->hide();
  outer->addWidget(SymPanel);

  auto* middle = new QHBoxLayout;
  middle->setSpacing(0);
  WorkPanel = new QWidget(central);
  WorkPanel->setObjectName("WorkPanel");
  auto* grid = new QGridLayout(WorkPanel);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setSpacing(0);
  HorScale = new TScaleRuler(Qt::Horizontal, WorkPanel);
  VerScale = new TScaleRuler(Qt::Vertical, WorkPanel);
  WorkWin = new TWorkWin(state_, *gate_, WorkPanel);
  WorkWin->setObjectName("WorkWin");
  SymbolBox = new TSymbolWin(WorkPanel);
  SymbolBox->setObjectName("SymbolBox");
  HScroll = new QScrollBar(Qt::Horizontal, WorkPanel);
  VScroll = new QScrollBar(Qt::Vertical, WorkPanel);
  CornerP = new QWidget(WorkPanel);
  auto* rulerCorner = new QWidget(WorkPanel);
  rulerCorner->setFixedSize(TScaleRuler::kThickness, TScaleRuler::kThickness);
  CornerP->setFixedSize(VScroll->sizeHint().width(), HScroll->sizeHint().height());
  grid->addWidget(rulerCorner, 0, 0);
  grid->addWidget(HorScale, 0, 1);
  grid->addWidget(VerScale, 1, 0);
  grid->addWidget(WorkWin, 1, 1);
  grid->addWidget(VScroll, 0, 2, 2, 1);
  grid->addWidget(HScroll, 2, 0, 1, 2);
  grid->addWidget(CornerP, 2, 2);
  grid->addWidget(SymbolBox, 0, 3, 3, 1);
  grid->setColumnStretch(1, 1);
  grid->setRowStretch(1, 1);
  middle->addWidget(WorkPanel, 1);

  ParamPanel = new QWidget(central);
  ParamPanel->setObjectName("ParamPanel");
  ParamPanel->setFixedWidth(185);
  {
    auto* col = new QVBoxLayout(ParamPanel);
    col->addWidget(new QLabel("Color:", ParamPanel));
    col->addWidget(new QComboBox(ParamPanel));
    for (const char* label : {"Line width:", "Diameter:"}) {
      col->addWidget(new QLabel(label, ParamPanel));
      auto* spin = new TRealSpin(ParamPanel);
      spin->SetRange(0, 50.0);
      spin->SetIncrement(0.1);
      spin->SetDecimals(2);
      col->addWidget(spin);
    }
    col->addWidget(new QCheckBox("Round line ends", ParamPanel));
    col->addStretch();
  }
  ParamPanel->hide();
  middle->addWidget(ParamPanel);
  outer->addLayout(middle, 1);

  Status = new TStatusPanel(central);
  Status->setObjectName("Status");
  outer->addWidget(Status);
  setCentralWidget(central);

  for (QScrollBar* bar : {HScroll, VScroll}) {
    bar->setRange(-kScrollRange, kScrollRange);
    const Qt::Orientation o = bar->orientation();
    connect(bar, &QAbstractSlider::actionTriggered, this, [this, bar, o](int action) {
      ScrollBarAction(o, action, bar->sliderPosition());
    });
  }

  WorkWin->SetStore(&doc_->Store());
  WorkWin->SetPreferences(prefs_);
  WorkWin->SetFonts(services_.fonts);
  WorkWin->viewChanged = [this] { UpdateViewDisplays(); };
  WorkWin->redrawStatus = [this](const std::string& left, const std::string& centre) {
    Status->LeftStatus->setText(QString::fromStdString(left));
    if (!left.empty()) Status->CenterStatus->setText(QString::fromStdString(centre));
    else ShowCoordinates();
  };
  WorkWin->redrawEnded = [this] { EndCommand(); };
  WorkWin->mayPaintNow = [] { return QApplication::activeModalWidget() == nullptr; };
  WorkWin->mousePressed = [this](QMouseEvent* e) {
    WorkMouseDown(e->button(), {e->position().toPoint().x(), e->position().toPoint().y()}, e->modifiers());
  };
  WorkWin->mouseMoved = [this](QMouseEvent* e) {
    WorkMouseMove({e->position().toPoint().x(), e->position().toPoint().y()}, e->modifiers(), e->buttons());
  };
  WorkWin->mouseReleased = [this](QMouseEvent* e) {
    WorkMouseUp(e->button(), {e->position().toPoint().x(), e->position().toPoint().y()}, e->modifiers());
  };
  WorkWin->wheelTurned = [this](QWheelEvent* e) {
    const int steps = e->angleDelta().y() / 120;
    for (int i = 0; i < std::abs(steps); ++i)
      ScrollBarAction(Qt::Vertical,
                      steps > 0 ? QAbstractSlider::SliderSingleStepSub : QAbstractSlider::SliderSingleStepAdd, 0);
  };

  SymbolBox->SetStore(&doc_->Store());
  SymbolBox->SetFonts(services_.fonts);
  SymbolBox->symbolClicked = [this](int place, bool shift, bool ctrl) { SymbolBoxClick(place, shift, ctrl); };
  SymbolBox->popupRequested = [this](int place, QPoint global) {
    if (place >= 0 && !doc_->Store().Symbol(place).Selected() && place != state_.CurrentSymbol)
      SymbolBoxClick(place, false, false);
    UpdateMenuStates();
    SymPopUp->popup(global);
  };
  HorScale->SetView(&WorkWin->View());
  VerScale->SetView(&WorkWin->View());
}

QAction* TMainFm::Item(QMenu* menu, const char* component, const char* caption, const QKeySequence& shortcut,
                       std::function<void()> handler, bool available) {
  auto* a = new QAction(caption, this);
  a->setObjectName(component);
  if (!shortcut.isEmpty()) a->setShortcut(shortcut);
  a->setShortcutContext(Qt::WindowShortcut);
  if (available) {
    connect(a, &QAction::triggered, this, [handler = std::move(handler)] { handler(); });
  } else {
    // A feature this build does not have yet: shown, never enabled.
    a->setEnabled(false);
    a->setProperty("unavailable", true);
  }
  if (menu) menu->addAction(a);
  actions_[component] = a;
  return a;
}

QAction* TMainFm::Action(const std::string& component) const {
  auto it = actions_.find(component);
  return it == actions_.end() ? nullptr : it->second;
}

void TMainFm::Command(const std::function<void()>& body) {
  if (IsBusy()) return;
  BeginCommand();
  body();
  EndCommand();
}

void TMainFm::BuildMenus() {
  QMenuBar* bar = menuBar();
  const auto none = [] {};
  // File
  QMenu* file = bar->addMenu("&File");
  fileMenu_ = file;
  Item(file, "FileNew", "&New", QKeySequence(Qt::CTRL | Qt::Key_N), [this] { FileNewClick(); });
  Item(file, "FileOpen", "&Open...", QKeySequence(Qt::CTRL | Qt::Key_O), [this] { FileOpenClick(); });
  Item(file, "FileSave", "&Save", QKeySequence(Qt::CTRL | Qt::Key_S), [this] { FileSaveClick(); });
  Item(file, "FileSaveAs", "Save &as...", {}, [this] { FileSaveAsClick(); });
  file->addSeparator();
  Item(file, "FileInfo", "Information...", {}, [this] { FileInfoClick(); });
  file->addSeparator();
  Item(file, "FilePrintWin", "Print window", {}, [this] { FilePrintWinClick(); });
  Item(file, "FilePrint", "&Print...", QKeySequence(Qt::CTRL | Qt::Key_P), none, false);
  file->addSeparator();
  Item(file, "FileImport", "Import...", {}, none, false);
  QMenu* exportMenu = file->addMenu("&Export");
  exportMenu->setObjectName("FileExport");
  actions_["FileExport"] = exportMenu->menuAction();
  Item(exportMenu, "FileExportDxf", "DXF...", {}, none, false);
  Item(exportMenu, "FileExportBmp", "BMP...", {}, none, false);
  file->addSeparator();
  Item(file, "FileBackup", "&Backup...", {}, none, false);
  Item(file, "FileRestore", "&Restore...", {}, none, false);
  file->addSeparator();
  Item(file, "FileExit", "E&xit", QKeySequence(Qt::ALT | Qt::Key_F4), [this] { close(); });
  recentSep_ = file->addSeparator();
  for (int n = 1; n <= 5; ++n) {
    const std::string name = "FileList" + std::to_string(n);
    recentActions_[static_cast<size_t>(n - 1)] =
        Item(file, name.c_str(), ("&" + std::to_string(n)).c_str(), {}, [this, n] { FileListClick(n); });
  }

  // Edit: object and text editing belong to the editing tools.
  QMenu* edit = bar->addMenu("&Edit");
  Item(edit, "EditUndo", "&Undo", QKeySequence(Qt::CTRL | Qt::Key_Z), none, false);
  Item(edit, "EditRedo", "&Redo", QKeySequence(Qt::CTRL | Qt::Key_Y), none, false);
  edit->addSeparator();
  Item(edit, "EditCut", "Cu&t", QKeySequence(Qt::CTRL | Qt::Key_X), none, false);
  Item(edit, "EditCopy", "&Copy", QKeySequence(Qt::CTRL | Qt::Key_C), none, false);
  Item(edit, "EditPaste", "&Paste", QKeySequence(Qt::CTRL | Qt::Key_V), none, false);
  Item(edit, "EditDelete", "&Delete", {}, none, false);
  edit->addSeparator();
  Item(edit, "EditJoin", "&Join", {}, none, false);
  Item(edit, "EditMerge", "&Merge", {}, none, false);
  Item(edit, "EditToCurve", "To curve", {}, none, false);
  Item(edit, "EditSmooth", "Sm&ooth", {}, none, false);
  edit->addSeparator();
  Item(edit, "EditMeasure", "Mea&sure...", {}, none, false);
  Item(edit, "EditLineText", "&Line text...", QKeySequence(Qt::CTRL | Qt::Key_T), none, false);

  // View
  QMenu* view = bar->addMenu("&View");
  Item(view, "ViewRedraw", "&Redraw", QKeySequence(Qt::Key_F5), [this] { ViewRedrawClick(); });
  Item(view, "ViewMove", "&Move", QKeySequence(Qt::Key_F6), [this] { ViewMoveClick(); });
  Item(view, "ViewZoomIn", "Zoom &in", QKeySequence(Qt::Key_F7), [this] { ViewZoomInClick(); });
  Item(view, "ViewZoomOut", "Zoom &out", QKeySequence(Qt::Key_F8), [this] { ViewZoomOutClick(); });
  Item(view, "ViewEntire", "&Entire map", {}, [this] { ViewEntireClick(); });
  view->addSeparator();
  for (int i = 0; i < 8; ++i) {
    const double f = kFactors[i];
    const std::string name = "ViewFactor" + std::to_string(i);
    QAction* a = Item(view, name.c_str(), kFactorCaptions[i], QKeySequence(Qt::SHIFT | (Qt::Key_F5 + i)),
                      [this, f] { ViewFactorClick(f); });
    a->setCheckable(true);
    factorActions_.emplace_back(f, a);
  }

  // Symbol, and the symbol box's pop-up menu with the same items
  QMenu* symbol = bar->addMenu("&Symbol");
  SymPopUp = new QMenu(this);
  SymPopUp->setObjectName("SymPopUp");
  std::vector<QAction*> popupItems;
  popupItems.push_back(Item(symbol, "SymbolNew", "&New...", {}, none, false));
  popupItems.push_back(Item(symbol, "SymbolEdit", "&Edit...", {}, none, false));
  popupItems.push_back(Item(symbol, "SymbolIcon", "&Icon...", {}, none, false));
  popupItems.push_back(Item(symbol, "SymbolEnlarge", "Enlarge/&Reduce...", {}, none, false));
  symbol->addSeparator();
  popupItems.push_back(nullptr);
  popupItems.push_back(Item(symbol, "SymbolCopy", "&Copy", {}, none, false));
  popupItems.push_back(Item(symbol, "SymbolPaste", "&Paste", {}, none, false));
  popupItems.push_back(Item(symbol, "SymbolDelete", "&Delete", {}, [this] { SymbolDeleteClick(); }));
  popupItems.push_back(Item(symbol, "SymbolDuplicate", "D&uplicate", {}, [this] { SymbolDuplicateClick(); }));
  symbol->addSeparator();
  popupItems.push_back(nullptr);
  popupItems.push_back(Item(symbol, "SymbolColors", "C&olors...", {}, none, false));
  popupItems.push_back(Item(symbol, "SymbolLoad", "&Load symbols from...", {}, [this] { SymbolLoadClick(); }));
  symbol->addSeparator();
  popupItems.push_back(nullptr);
  popupItems.push_back(Item(symbol, "SymbolNormal", "Nor&mal", QKeySequence(Qt::Key_F2),
                            [this] { SymbolStatusClick(kStatusNormal); }));
  popupItems.push_back(Item(symbol, "SymbolProtected", "Pro&tected", QKeySequence(Qt::Key_F3),
                            [this] { SymbolStatusClick(kStatusProtected); }));
  popupItems.push_back(Item(symbol, "SymbolHidden", "&Hidden", QKeySequence(Qt::Key_F4),
                            [this] { SymbolStatusClick(kStatusHidden); }));
  for (QAction* a : popupItems) {
    if (a)
      SymPopUp->addAction(a);
    else
      SymPopUp->addSeparator();
  }

  // Extras
  QMenu* extras = bar->addMenu("Extras");
  for (auto [component, caption] : std::initializer_list<std::pair<const char*, const char*>>{
           {"ExtrasOptimize", "Optimize/repair..."},
           {"ExtrasMove", "Move map.."},
           {"ExtrasChangeScale", "Change scale..."},
           {"ExtrasStretch", "Stretch map..."},
           {"ExtrasRotate", "Rotate map..."},
           {"ExtrasChangeSym", "Change symbols..."},
           {"ExtrasExportSym", "Export by symbol..."},
           {"ExtrasDeleteSym", "Delete by symbol"},
           {"ExtrasToCurveSym", "To curve by symbol..."}})
    Item(extras, component, caption, {}, none, false);
  extras->addSeparator();
  Item(extras, "ExtrasPartialWin", "Partial map window", {}, [this] { ExtrasPartialWinClick(); });
  Item(extras, "ExtrasPartial", "Partial map...", {}, none, false);
  Item(extras, "ExtrasGridLine", "Grid lines...", {}, none, false);

  // Options
  QMenu* options = bar->addMenu("&Options");
  Item(options, "OptionsPref", "&Preferences...", {}, [this] { OptionsPrefClick(); });
  Item(options, "OptionsScales", "&Scales...", {}, [this] { OptionsScalesClick(); });
  options->addSeparator();
  Item(options, "OptionsOpenTemp", "&Open template...", {}, none, false);
  Item(options, "OptionsCloseTemp", "&Close template", {}, none, false);
  Item(options, "OptionsAdjTemp", "&Adjust template...", QKeySequence(Qt::Key_F9), none, false);
  Item(options, "OptionsHideTemp", "&Hide template", QKeySequence(Qt::Key_F10), none, false);
  options->addSeparator();
  Item(options, "OptionsOpenGps", "Open &GPS...", {}, none, false);
  Item(options, "OptionsCloseGps", "C&lose GPS", {}, none, false);
  Item(options, "OptionsAdjGps", "Adjust GPS...", {}, none, false);

  // Help
  QMenu* helpMenu = bar->addMenu("&Help");
  auto showHelp = [this](int context) {
    return [this, context] {
      if (services_.help) services_.help->ShowHelp(context);
    };
  };
  const bool haveHelp = services_.help != nullptr;
  Item(helpMenu, "HelpSearch", "&Search...", {}, showHelp(0), haveHelp);
  Item(helpMenu, "HelpProcedures", "&Procedures...", {}, showHelp(2), haveHelp);
  Item(helpMenu, "HelpMenu", "&Menu...", {}, showHelp(3), haveHelp);
  Item(helpMenu, "HelpToolbar", "&Toolbar...", {}, showHelp(4), haveHelp);
  helpMenu->addSeparator();
  Item(helpMenu, "HelpMap", "Map &info...", {}, [this] {
    if (IsBusy() || !doc_->IsOpen()) return;
    MapStore& s = doc_->Store();
    Box ext;
    const bool any = s.MapExtent(&ext);
    QString text = QString("%1\n\nObjects: %2\nSymbols: %3\nColours: %4\nMap scale: 1:%5")
                       .arg(QString::fromStdString(doc_->Name().empty() ? "Untitled" : doc_->Name()))
                       .arg(s.LiveObjectCount())
                       .arg(s.SymbolCount())
                       .arg(s.Colors().colorCount)
                       .arg(s.Setup().MapScale(), 0, 'f', 0);
    if (any)
      text += QString("\nExtent: %1 x %2 mm")
                  .arg((static_cast<double>(ext.right) - ext.left) / 25600.0, 0, 'f', 1)
                  .arg((static_cast<double>(ext.top) - ext.bottom) / 25600.0, 0, 'f', 1);
    QMessageBox::information(this, "Map Information", text);
  });
  Item(helpMenu, "HelpAbout", "&About ZELK...", {}, [this] {
    QMessageBox::about(this, "About ZELK",
                       "ZELK\n\nAn editor for printed thematic maps.\nVersion " +
                           QCoreApplication::applicationVersion());
  });

  for (QMenu* m : bar->findChildren<QMenu*>())
    connect(m, &QMenu::aboutToShow, this, [this] { UpdateMenuStates(); });
  connect(SymPopUp, &QMenu::aboutToShow, this, [this] { UpdateMenuStates(); });
}

void TMainFm::BuildToolbar() {
  Toolbar = new QToolBar("Toolbar", this);
  Toolbar->setObjectName("Toolbar");
  Toolbar->setMovable(false);
  Toolbar->setIconSize(QSize(20, 20));
  Toolbar->setFixedHeight(29);
  addToolBar(Qt::TopToolBarArea, Toolbar);
  auto button = [this](const char* component, const char* hint, std::function<void()> handler, bool available) {
    QAction* a = Item(nullptr, component, hint, {}, std::move(handler), available);
    a->setIcon(ToolbarIcon(component));
    a->setToolTip(hint);
    a->setStatusTip(hint);
    Toolbar->addAction(a);
    return a;
  };
  const auto none = [] {};
  auto* modes = new QActionGroup(this);
  modes->setExclusive(true);
  struct ModeButton {
    const char* component;
    const char* hint;
    int16_t mode;
  };
  const ModeButton drawing[] = {{"FreehandBtn", "Freehand mode", mode::kFreehand},
                                {"StraightBtn", "Straight line mode", mode::kStraight},
                                {"RectangularBtn", "Rectangular mode", mode::kRectangular},
                                {"CircleBtn", "Circle mode", mode::kCircle},
                                {"EllipseBtn", "Ellipse mode", mode::kEllipse},
                                {"CurveBtn", "Curve mode", mode::kCurve}};
  const ModeButton editing[] = {{"EditPointBtn", "Edit point", mode::kEditPoint},
                                {"EditObjBtn", "Edit object", mode::kEditObject},
                                {"CutBtn", "Cut", mode::kCut},
                                {"CutHoleBtn", "Cut hole", mode::kCutHole},
                                {"RotateBtn", "Rotate object", mode::kRotate},
                                {"DirectionBtn", "Direction of area patterns", mode::kPatternDirection},
                                {"NormalPtBtn", "Insert normal point", mode::kNormalPoint},
                                {"CornerPtBtn", "Insert corner point", mode::kCornerPoint},
                                {"RemovePtBtn", "Remove point", mode::kRemovePoint}};
  auto addModes = [&](const auto& list) {
    for (const ModeButton& b : list) {
      const int16_t m = b.mode;
      QAction* a = button(b.component, b.hint, [this, m] { ModeButtonClick(m); }, true);
      a->setCheckable(true);
      modes->addAction(a);
      modeActions_[m] = a;
    }
  };
  addModes(drawing);
  Toolbar->addSeparator();
  addModes(editing);
  Toolbar->addSeparator();
  button("DuplicateBtn", "Duplicate object", none, false);
  button("ChangeBtn", "Change symbol", none, false);
  button("FillBtn", "Fill or make border", none, false);
  button("ReverseBtn", "Reverse line object", none, false);
  button("UndoBtn", "Undo", none, false);
  Toolbar->addSeparator();
  QAction* grid = button("GridBtn", "Show grid", [this] { GridBtnClick(); }, true);
  grid->setCheckable(true);
  grid->setChecked(prefs_->screenGrid);
  QAction* join = button("AutoJoinBtn", "Automatic joining", [this] { AutoJoinBtnClick(); }, true);
  join->setCheckable(true);
  join->setChecked(prefs_->autoJoin);
  Toolbar->addSeparator();
  auto* smoothing = new QActionGroup(this);
  smoothing->setExclusive(true);
  for (int level = 0; level < 3; ++level) {
    const std::string component = "Smooth" + std::to_string(level) + "Btn";
    const std::string hint = "Smoothing level " + std::to_string(level);
    QAction* a = button(component.c_str(), hint.c_str(), [this, level] { SmoothBtnClick(level); }, true);
    a->setCheckable(true);
    a->setChecked(prefs_->smoothing == level);
    smoothing->addAction(a);
  }
}

// --- Command steps ---------------------------------------------------------------------------

bool TMainFm::IsBusy() const { return state_.Busy || WorkWin->RedrawRunning(); }

void TMainFm::BeginCommand() {
  if (!state_.MapOpen) return;
  FinishInteraction();
  SetHelpContext(101);
}

void TMainFm::FinishInteraction() {
  // A view interaction gives way to the one it interrupted, which ends as well.
  if (state_.InteractionState == interaction::kViewZoom) zoomTool_->Finish();
  if (state_.InteractionState != interaction::kIdle) {
    Tool* t = ToolFor(state_.InteractionState);
    if (t)
      t->Finish();
    state_.InteractionState = interaction::kIdle;
  }
}

void TMainFm::EndCommand() {
  SetHelpContext(101);
  if (state_.Busy) return;
  UpdateMenuStates();
  if (state_.MapOpen && state_.InteractionState == interaction::kIdle) StartToolForMode();
  WorkWin->setCursor(EditorCursor(state_.CursorName));
  if (state_.InteractionState != interaction::kWindowRectangle) UpdateRightStatus();
  WriteToolSettings();
}

void TMainFm::RegisterTool(int16_t interactionState, Tool* tool) {
  if (interactionState <= interaction::kViewZoom || interactionState >= interaction::kCount) return;
  tools_[static_cast<size_t>(interactionState)] = tool ? tool : (interactionState == interaction::kNoDrawing ? noDrawTool_.get() : nullptr);
}

Tool* TMainFm::ToolFor(int16_t s) {
  if (s < 0 || s >= interaction::kCount) return nullptr;
  return tools_[static_cast<size_t>(s)];
}

void TMainFm::StartToolForMode() {
  if (mode::NeedsSelection(state_.ToolMode) && state_.SelectedObject == 0) state_.ToolMode = state_.EditMode;
  const int16_t m = state_.ToolMode;
  int16_t next = interaction::kNoDrawing;
  ToolPurpose purpose = ToolPurpose::Draw;
  MapStore& store = doc_->Store();
  if (mode::IsDrawing(m)) {
    const int place = state_.CurrentSymbol;
    const SymbolRecord* sym = place >= 0 && place < store.SymbolCount() ? &store.Symbol(place) : nullptr;
    if (sym && sym->Status() == kStatusNormal) {
      switch (sym->Type()) {
        case kSymbolPoint:
        case kSymbolRectangle: next = interaction::kPlace; break;
        case kSymbolLine:
        case kSymbolArea: next = StateOfDrawingMode(m); break;
        case kSymbolText: next = interaction::kText; break;
        default: break;
      }
    }
  } else if (m == mode::kEditPoint || m == mode::kEditObject) {
    next = interaction::kEdit;
  } else if (m == mode::kCut) {
    ObjectRecord obj;
    const bool lineSelected = state_.SelectedObject > 0 && store.ReadObject(state_.SelectedObject, &obj) &&
                              obj.type == kObjectLine;
    if (lineSelected) {
      next = interaction::kCutLine;
    } else {
      next = state_.DrawMode == mode::kCurve ? interaction::kCurve : interaction::kFreehandStraight;
      purpose = ToolPurpose::CutLine;
    }
  } else if (m == mode::kCutHole) {
    next = StateOfDrawingMode(state_.DrawMode);
    purpose = ToolPurpose::Hole;
  } else if (m == mode::kRotate) {
    next = interaction::kRotate;
  } else if (m >= mode::kPatternDirection && m <= mode::kRemovePoint) {
    next = interaction::kPointOperation;
  }
  Tool* tool = ToolFor(next);
  if (!tool) tool = noDrawTool_.get();
  tool->Start(purpose);
  if (auto it = modeActions_.find(m); it != modeActions_.end()) it->second->setChecked(true);
}

void TMainFm::ModeButtonClick(int16_t m) {
  Command([&] {
    if (m == mode::kEditPoint || m == mode::kEditObject) {
      state_.ClearMultipleSelection();
      state_.EditMode = m;
    }
    if (mode::IsDrawing(m)) state_.DrawMode = m;
    state_.ToolMode = m;
  });
}

void TMainFm::WriteToolSettings() {
  if (!doc_->IsOpen()) return;
  SetupBlock& setup = doc_->Store().MutableSetup();
  setup.SetCurrentTool(state_.ToolMode);
  setup.SetDrawMode(state_.DrawMode);
  setup.SetEditMode(state_.EditMode);
  if (state_.CurrentSymbol >= 0) setup.SetCurrentSymbolIndex(state_.CurrentSymbol);
}

void TMainFm::UpdateMenuStates() {
  const bool open = doc_->IsOpen();
  const bool objects = MapHasObjects();
  const bool symbols = open && !TargetSymbols().empty();
  auto enable = [this](const char* component, bool on) {
    QAction* a = Action(component);
    if (a && !a->property("unavailable").toBool()) a->setEnabled(on);
  };
  for (const char* c : {"FileSave", "FileSaveAs", "FileInfo", "FilePrintWin", "ViewRedraw", "ViewMove",
                        "ViewZoomIn", "ViewZoomOut", "SymbolLoad", "OptionsScales"})
    enable(c, open);
  enable("FileExport", objects);
  enable("ViewEntire", objects);
  enable("ExtrasPartialWin", objects);
  enable("HelpMap", open);
  for (const char* c : {"SymbolDelete", "SymbolDuplicate", "SymbolNormal", "SymbolProtected", "SymbolHidden"})
    enable(c, symbols && !state_.SymbolEditing);
  for (auto& [f, a] : factorActions_) {
    a->setEnabled(open);
    a->setChecked(open && std::abs(WorkWin->View().zoom - f) < 1e-9);
  }
  if (QAction* grid = Action("GridBtn")) grid->setChecked(prefs_->screenGrid);
}

bool TMainFm::MapHasObjects() const { return doc_->IsOpen() && !doc_->Store().MapIsEmpty(); }

// --- Start-up and documents ------------------------------------------------------------------

void TMainFm::StartUp(const std::vector<std::string>& arguments) {
  // The file is the user's: it is neither replaced by the defaults nor silently ignored.
  if (services_.registry && services_.registry->Unreadable() && services_.sink)
    services_.sink->Error(ComposeMessage("Cannot read from", services_.registry->Path()) +
                          "\r\nThe preferences in it are kept as they are; this run uses the default preferences.");
  doc_->Start(arguments);
  if (doc_->IsOpen()) {
    AfterMapOpened();
    const std::filesystem::path folder = std::filesystem::path(doc_->Name()).parent_path();
    std::error_code ec;
    if (!folder.empty() && std::filesystem::is_directory(folder, ec)) QDir::setCurrent(QString::fromStdString(folder.string()));
  }
  EndCommand();
}

void TMainFm::AfterMapOpened() {
  if (!doc_->IsOpen() || !services_.fonts || !services_.dialogs) return;
  MapStore& s = doc_->Store();
  if (s.SymbolCount() == 0) return;
  const std::vector<std::string> missing =
      FontsCheck(std::span<const SymbolRecord>(&s.Symbol(0), static_cast<size_t>(s.SymbolCount())), 0,
                 s.SymbolCount(), *services_.fonts);
  if (!missing.empty()) services_.dialogs->FontsNotFound(missing);
}

void TMainFm::FileNewClick() {
  Command([&] {
    if (!doc_->Close() || !services_.dialogs) return;
    const auto chosen = services_.dialogs->ChooseSymbolSet();
    if (!chosen) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool ok = doc_->NewMap(*chosen);
    QApplication::restoreOverrideCursor();
    if (ok) AfterMapOpened();
  });
}

void TMainFm::FileOpenClick() {
  Command([&] {
    if (!services_.chooser) return;
    std::string start = "*.zkm";
    if (!doc_->Name().empty())
      start = (std::filesystem::path(doc_->Name()).parent_path() / "*.zkm").string();
    const auto chosen = services_.chooser->ChooseFile(kOpenFilter, "zkm", start, help::kOpen, false);
    if (!chosen) return;
    if (!doc_->Close()) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool ok = doc_->OpenByName(*chosen);
    QApplication::restoreOverrideCursor();
    if (ok) AfterMapOpened();
  });
}

void TMainFm::FileListClick(int n) {
  Command([&] {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool ok = doc_->OpenRecent(n);
    QApplication::restoreOverrideCursor();
    if (ok) AfterMapOpened();
  });
}

void TMainFm::OpenRequested(const std::string& path) {
  Command([&] {
    if (!doc_->Close()) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool ok = doc_->OpenByName(path);
    QApplication::restoreOverrideCursor();
    if (ok) AfterMapOpened();
  });
}

std::vector<std::string> TMainFm::SessionEnding(const std::string& program) {
  std::vector<std::string> command{program};
  if (doc_->IsOpen() && !doc_->Name().empty()) command.push_back(doc_->Name());
  if (services_.registry) {
    std::string line = "\"" + program + "\"";
    if (command.size() > 1) line += " " + command[1];
    services_.registry->SetString("Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce", "ZelkStart", line);
    services_.registry->Save();
  }
  return command;
}

void TMainFm::FileSaveClick() {
  Command([&] { doc_->Save(); });
}

void TMainFm::FileSaveAsClick() {
  Command([&] { doc_->SaveAs(); });
}

void TMainFm::FileInfoClick() {
  Command([&] {
    if (!doc_->IsOpen() || !services_.dialogs) return;
    const auto text = services_.dialogs->EditInformation(doc_->InfoText());
    if (text) doc_->SetInfoText(*text);
  });
}

void TMainFm::SymbolLoadClick() {
  Command([&] {
    if (doc_->LoadSymbols()) AfterMapOpened();
  });
}

void TMainFm::CaptionChanged(const std::string& caption) { setWindowTitle(QString::fromStdString(caption)); }

void TMainFm::StatusText(const std::string& text) {
  Status->LeftStatus->setText(QString::fromStdString(text));
  if (text.empty()) {
    Status->CenterStatus->clear();
    Status->RightStatus->clear();
  }
  // "Loading..." must be seen before the work starts.
  if (!text.empty()) Status->LeftStatus->repaint();
}

void TMainFm::MapChanged() {
  const bool open = doc_->IsOpen();
  MapStore& store = doc_->Store();
  const bool fresh = open && (!wasOpen_ || doc_->Name() != lastName_);
  state_.MapOpen = open;
  state_.SelectedObject = 0;
  state_.ClearMultipleSelection();
  if (open) {
    const SetupBlock& setup = store.Setup();
    if (fresh) {
      state_.ToolMode = setup.CurrentTool();
      state_.DrawMode = mode::IsDrawing(setup.DrawMode()) ? setup.DrawMode() : mode::kCurve;
      state_.EditMode = setup.EditMode() == mode::kEditObject ? mode::kEditObject : mode::kEditPoint;
      if (state_.ToolMode < mode::kFreehand || state_.ToolMode > mode::kRemovePoint) state_.ToolMode = state_.DrawMode;
      history_.Clear();
      const double zoom = setup.Zoom() > 0 && std::isfinite(setup.Zoom()) ? setup.Zoom() : 4.0;
      WorkWin->SetView(std::min(zoom, kMaxZoom), setup.ViewX(), setup.ViewY());
    }
    const int count = store.SymbolCount();
    SetCurrentSymbol(count > 0 ? std::clamp<int>(setup.CurrentSymbolIndex(), 0, count - 1) : -1);
  } else {
    state_.CurrentSymbol = -1;
    SymbolBox->SetCurrent(-1);
    Status->RightStatus->clear();
  }
  wasOpen_ = open;
  lastName_ = open ? doc_->Name() : std::string();
  SymbolBox->TableChanged();
  HorScale->SetMapShown(open);
  VerScale->SetMapShown(open);
  UpdateViewDisplays();
  WorkWin->InvalidateAll();
  // The tool of the mode starts once the command around this has ended.
  QMetaObject::invokeMethod(this, [this] { if (!IsBusy() && state_.InteractionState == 0) EndCommand(); },
                            Qt::QueuedConnection);
}

void TMainFm::RecentFilesChanged() {
  int shown = 0;
  for (int n = 0; n < Preferences::kRecentCount; ++n) {
    QAction* a = recentActions_[static_cast<size_t>(n)];
    const std::string& path = prefs_->recentFiles[static_cast<size_t>(n)];
    a->setVisible(!path.empty());
    if (!path.empty()) {
      a->setText(QString::fromStdString("&" + std::to_string(n + 1) + " " + path));
      ++shown;
    }
  }
  recentSep_->setVisible(shown > 0);
}

void TMainFm::closeEvent(QCloseEvent* e) {
  if (IsBusy()) {
    e->ignore();
    return;
  }
  if (state_.SymbolEditing) {
    // Closing while a point symbol is edited ends that editing; the program goes on.
    e->ignore();
    return;
  }
  BeginCommand();
  if (!doc_->Exit()) {
    e->ignore();
    EndCommand();
    return;
  }
  e->accept();
}

// --- Symbols ----------------------------------------------------------------------------------

void TMainFm::SetCurrentSymbol(int place) {
  MapStore& store = doc_->Store();
  if (place >= store.SymbolCount()) place = store.SymbolCount() - 1;
  state_.CurrentSymbol = static_cast<int16_t>(place);
  if (place >= 0) store.SelectSymbol(store.Symbol(place).Number());
  SymbolBox->SetCurrent(place);
  UpdateRightStatus();
}

void TMainFm::UpdateRightStatus() {
  MapStore& store = doc_->Store();
  const int place = state_.CurrentSymbol;
  if (!doc_->IsOpen() || place < 0 || place >= store.SymbolCount()) {
    Status->RightStatus->clear();
    return;
  }
  const SymbolRecord& s = store.Symbol(place);
  Status->RightStatus->setText(QString::fromStdString(SymbolNumberText(s.Number()) + " ") +
                               MapTextToQt(s.Description()));
}

void TMainFm::SymbolBoxClick(int place, bool shift, bool ctrl) {
  if (IsBusy()) return;
  BeginCommand();
  MapStore& store = doc_->Store();
  if (place >= 0 && place < store.SymbolCount()) {
    if (ctrl) {
      SymbolRecord& s = store.MutableSymbol(place);
      s.SetSelected(s.Selected() ? 0 : 1);
      SetCurrentSymbol(-1);
    } else if (shift && lastClickedSymbol_ >= 0 && lastClickedSymbol_ < store.SymbolCount()) {
      const int lo = std::min(lastClickedSymbol_, place), hi = std::max(lastClickedSymbol_, place);
      for (int i = lo; i <= hi; ++i) store.MutableSymbol(i).SetSelected(1);
      SetCurrentSymbol(-1);
    } else {
      for (int i = 0; i < store.SymbolCount(); ++i) store.MutableSymbol(i).SetSelected(0);
      SetCurrentSymbol(place);
    }
    if (!shift) lastClickedSymbol_ = place;
    SymbolBox->update();
  }
  EndCommand();
}

std::vector<int> TMainFm::TargetSymbols() const {
  std::vector<int> places;
  const MapStore& store = doc_->Store();
  if (!doc_->IsOpen()) return places;
  if (state_.CurrentSymbol >= 0 && state_.CurrentSymbol < store.SymbolCount()) {
    places.push_back(state_.CurrentSymbol);
    return places;
  }
  for (int i = 0; i < store.SymbolCount(); ++i)
    if (store.Symbol(i).Selected()) places.push_back(i);
  return places;
}

void TMainFm::SymbolStatusClick(uint8_t status) {
  Command([&] {
    MapStore& store = doc_->Store();
    bool visibilityChanged = false;
    for (int place : TargetSymbols()) {
      const bool wasHidden = store.Symbol(place).Status() == kStatusHidden;
      if (wasHidden != (status == kStatusHidden)) visibilityChanged = true;
      store.SetSymbolStatus(place, status);
    }
    if (status == kStatusHidden) {
      state_.SelectedObject = 0;
      state_.ClearMultipleSelection();
    }
    SymbolBox->update();
    if (visibilityChanged) WorkWin->InvalidateAll();
  });
}

void TMainFm::SymbolDeleteClick() {
  Command([&] {
    std::vector<int> places = TargetSymbols();
    if (places.empty() || !services_.sink) return;
    if (!services_.sink->Confirm("Delete selected symbol(s)?", kSymbolDeleteHelp)) return;
    MapStore& store = doc_->Store();
    for (auto it = places.rbegin(); it != places.rend(); ++it) store.DeleteSymbol(*it);
    lastClickedSymbol_ = -1;
    SymbolBox->TableChanged();
    SetCurrentSymbol(store.SymbolCount() > 0 ? std::min<int>(places.front(), store.SymbolCount() - 1) : -1);
    // Their objects are now drawn with the placeholder.
    WorkWin->InvalidateAll();
  });
}

void TMainFm::SymbolDuplicateClick() {
  Command([&] {
    MapStore& store = doc_->Store();
    std::vector<int> places = TargetSymbols();
    int inserted = 0;
    int lastCopy = -1;
    // Each copy goes right after its original; later places move on by the copies made.
    for (int place : places) {
      if (store.SymbolCount() >= kMaxSymbols) break;
      const int at = place + inserted;
      SymbolRecord copy = store.Symbol(at);
      copy.SetNumber(copy.Number() + 1);
      if (store.InsertSymbol(at, copy)) {
        ++inserted;
        lastCopy = at + 1;
      }
    }
    if (inserted > 0) {
      store.RewriteSymbolIndex();
      SymbolBox->TableChanged();
      if (state_.CurrentSymbol >= 0) SetCurrentSymbol(lastCopy);
      SymbolBox->update();
    }
  });
}

// --- View --------------------------------------------------------------------------------

const ViewTransform& TMainFm::View() const { return WorkWin->View(); }
Coord TMainFm::DeviceToMap(PixelPos p) const { return WorkWin->DeviceToMap(p); }
PixelPos TMainFm::MapToDevice(const Coord& c) const { return WorkWin->MapToDevice(c); }
void TMainFm::SetRubberBand(std::vector<RubberShape> shapes) { WorkWin->SetRubberBand(std::move(shapes)); }
void TMainFm::RedrawBox(const Box& box) { WorkWin->InvalidateBox(box); }
void TMainFm::RedrawAll() { WorkWin->InvalidateAll(); }

void TMainFm::SetView(double zoom, int32_t centreX, int32_t centreY, bool remember) {
  const ViewTransform& v = WorkWin->View();
  if (remember) history_.Push({v.zoom, v.centreX, v.centreY});
  WorkWin->SetView(std::min(zoom, kMaxZoom), centreX, centreY);
  KeepView();
}

void TMainFm::KeepView() {
  if (!doc_->IsOpen()) return;
  const ViewTransform& v = WorkWin->View();
  MapStore& store = doc_->Store();
  SetupBlock next = store.Setup();
  next.SetZoom(v.zoom);
  next.SetViewX(v.centreX);
  next.SetViewY(v.centreY);
  // Compared as stored, so that a view that comes back to the kept one writes nothing.
  if (next.raw == store.Setup().raw) return;
  store.MutableSetup() = next;
  store.WriteSettings();
}

void TMainFm::UpdateViewDisplays() {
  const ViewTransform& v = WorkWin->View();
  for (QScrollBar* bar : {HScroll, VScroll}) {
    const QSignalBlocker block(bar);
    const int value = bar == HScroll ? v.scrollX : v.scrollY;
    bar->setValue(std::clamp(value, -kScrollRange, kScrollRange));
    const int extent = bar == HScroll ? v.clientWidth : v.clientHeight;
    const double scale = bar == HScroll ? v.scaleX : -v.scaleY;
    bar->setPageStep(std::max(1, static_cast<int>(extent / (scale * 25600.0))));
  }
  HorScale->update();
  VerScale->update();
  Status->ZoomStatus->setText(doc_->IsOpen() ? QString::fromStdString(ZoomText()) : QString());
  for (auto& [f, a] : factorActions_) a->setChecked(doc_->IsOpen() && std::abs(v.zoom - f) < 1e-9);
}

std::string TMainFm::ZoomText() const {
  const double z = WorkWin->View().zoom;
  char buf[32];
  if (std::abs(z - std::round(z)) < 1e-9)
    std::snprintf(buf, sizeof buf, "%.0fX", z);
  else
    std::snprintf(buf, sizeof buf, "%.2fX", z);
  return buf;
}

void TMainFm::ViewRedrawClick() {
  if (IsBusy()) return;
  WorkWin->InvalidateAll();
}

void TMainFm::StartViewInteraction(ViewZoomTool::Kind kind) {
  if (IsBusy() || !state_.MapOpen) return;
  // Zooming does not end a drawing: the interrupted interaction resumes afterwards.
  if (state_.InteractionState == interaction::kViewZoom) zoomTool_->Finish();
  savedState_ = state_.InteractionState;
  savedCursor_ = state_.CursorName;
  savedPrompt_ = Status->LeftStatus->text().toStdString();
  zoomTool_->SetKind(kind);
  zoomTool_->panPreview = [this](PixelPos offset) { WorkWin->SetPanOffset(offset); };
  zoomTool_->Start(ToolPurpose::Draw);
  WorkWin->setCursor(EditorCursor(state_.CursorName));
}

void TMainFm::ViewMoveClick() { StartViewInteraction(ViewZoomTool::Kind::Move); }
void TMainFm::ViewZoomInClick() { StartViewInteraction(ViewZoomTool::Kind::ZoomIn); }

void TMainFm::ViewZoomOutClick() {
  if (IsBusy() || !state_.MapOpen) return;
  const ViewTransform& v = WorkWin->View();
  if (auto previous = history_.Pop())
    WorkWin->SetView(previous->zoom, previous->centreX, previous->centreY);
  else
    WorkWin->SetView(v.zoom / 2, v.centreX, v.centreY);
  KeepView();
}

void TMainFm::ViewFactorClick(double factor) {
  if (IsBusy() || !state_.MapOpen) return;
  const ViewTransform& v = WorkWin->View();
  SetView(factor, v.centreX, v.centreY, true);
}

void TMainFm::ViewEntireClick() {
  if (IsBusy() || !MapHasObjects()) return;
  Box ext;
  if (!doc_->Store().MapExtent(&ext)) return;
  const ViewTransform& v = WorkWin->View();
  // Scales are proportional to the zoom; a margin of 5 per cent keeps the edges visible.
  const double perZoomX = v.scaleX / v.zoom, perZoomY = -v.scaleY / v.zoom;
  const double w = std::max(1.0, static_cast<double>(ext.right) - ext.left);
  const double h = std::max(1.0, static_cast<double>(ext.top) - ext.bottom);
  const double zoom = std::min({v.clientWidth * 0.95 / (w * perZoomX), v.clientHeight * 0.95 / (h * perZoomY), kMaxZoom});
  const int32_t cx = static_cast<int32_t>((static_cast<int64_t>(ext.left) + ext.right) / 2);
  const int32_t cy = static_cast<int32_t>((static_cast<int64_t>(ext.bottom) + ext.top) / 2);
  SetView(zoom, cx, cy, true);
}

void TMainFm::ScrollBarAction(Qt::Orientation o, int action, int position) {
  if (state_.InteractionState == interaction::kRotate) BeginCommand();
  if (IsBusy() || !state_.MapOpen) return;
  const ViewTransform& v = WorkWin->View();
  int32_t cx = v.centreX, cy = v.centreY;
  const bool hor = o == Qt::Horizontal;
  const double pixels = hor ? v.clientWidth : v.clientHeight;
  double stepPixels = 0;
  switch (action) {
    case QAbstractSlider::SliderSingleStepAdd: stepPixels = pixels / 10; break;
    case QAbstractSlider::SliderSingleStepSub: stepPixels = -pixels / 10; break;
    case QAbstractSlider::SliderPageStepAdd: stepPixels = pixels * 9 / 10; break;
    case QAbstractSlider::SliderPageStepSub: stepPixels = -pixels * 9 / 10; break;
    case QAbstractSlider::SliderMove:
    case QAbstractSlider::SliderToMinimum:
    case QAbstractSlider::SliderToMaximum: {
      const int value = action == QAbstractSlider::SliderToMinimum   ? -kScrollRange
                        : action == QAbstractSlider::SliderToMaximum ? kScrollRange
                                                                     : position;
      if (hor) cx = value * 25600;
      else cy = -value * 25600;
      break;
    }
    default: return;
  }
  if (stepPixels != 0) {
    // Scrolling down or right shows more of the map below or to the right.
    if (hor) cx = RoundToCoord(cx + stepPixels / v.scaleX);
    else cy = RoundToCoord(cy + stepPixels / v.scaleY);
  }
  WorkWin->SetView(v.zoom, cx, cy);
  KeepView();
  QScrollBar* bar = hor ? HScroll : VScroll;
  bar->setSliderPosition(hor ? WorkWin->View().scrollX : WorkWin->View().scrollY);
  if (state_.InteractionState == interaction::kIdle) EndCommand();
}

// --- Window rectangles ------------------------------------------------------------------------

void TMainFm::StartWindowRectangle(bool printWindow) {
  if (IsBusy() || !state_.MapOpen) return;
  BeginCommand();
  if (printWindow) {
    windowTool_->read = [this] {
      const SetupBlock& s = doc_->Store().Setup();
      return Box{s.PrintLeft(), s.PrintBottom(), s.PrintRight(), s.PrintTop()};
    };
    windowTool_->write = [this](const Box& b) {
      SetupBlock& s = doc_->Store().MutableSetup();
      s.SetPrintLeft(b.left);
      s.SetPrintBottom(b.bottom);
      s.SetPrintRight(b.right);
      s.SetPrintTop(b.top);
      doc_->Store().SetModified(true);
    };
  } else {
    windowTool_->read = [this] { return partialWindow_; };
    windowTool_->write = [this](const Box& b) { partialWindow_ = b; };
  }
  windowTool_->Start(ToolPurpose::Draw);
  SetHelpContext(printWindow ? 160 : 101);
  WorkWin->setCursor(EditorCursor(state_.CursorName));
  UpdateMenuStates();
}

void TMainFm::FilePrintWinClick() { StartWindowRectangle(true); }
void TMainFm::ExtrasPartialWinClick() { StartWindowRectangle(false); }

// --- Options and toggles ----------------------------------------------------------------------

void TMainFm::OptionsPrefClick() {
  Command([&] {
    if (!services_.sink) return;
    TPrefsDlg dlg(*prefs_, services_.registry, *services_.sink, services_.help, this);
    if (dlg.exec() == QDialog::Accepted && dlg.RepaintNeeded()) WorkWin->InvalidateAll();
  });
}

void TMainFm::OptionsScalesClick() {
  Command([&] {
    if (!services_.sink || !doc_->IsOpen()) return;
    TScalesDlg dlg(doc_->Store(), *services_.sink, services_.help, this);
    if (dlg.exec() == QDialog::Accepted && dlg.RepaintNeeded()) WorkWin->InvalidateAll();
  });
}

void TMainFm::GridBtnClick() {
  if (IsBusy()) {
    Action("GridBtn")->setChecked(prefs_->screenGrid);
    return;
  }
  prefs_->screenGrid = Action("GridBtn")->isChecked();
  doc_->WritePreferences();
  // The grid lies over the picture: no redraw of the map is needed.
  WorkWin->update();
}

void TMainFm::AutoJoinBtnClick() {
  prefs_->autoJoin = Action("AutoJoinBtn")->isChecked();
  doc_->WritePreferences();
}

void TMainFm::SmoothBtnClick(int level) {
  prefs_->smoothing = level;
  doc_->WritePreferences();
}

// --- Status texts -------------------------------------------------------------------------------

void TMainFm::SetPrompt(const std::string& text) { Status->LeftStatus->setText(QString::fromStdString(text)); }
void TMainFm::SetRightStatus(const std::string& text) { Status->RightStatus->setText(QString::fromStdString(text)); }

void TMainFm::SetCursorShape(const std::string& name) {
  state_.CursorName = name;
  WorkWin->setCursor(EditorCursor(name));
}

void TMainFm::SetHelpContext(int context) {
  state_.HelpContext = context;
  WorkWin->setProperty(kHelpContextProperty, context);
  setProperty(kHelpContextProperty, context);
}

std::string TMainFm::CoordinateText(int32_t x, int32_t y) const {
  double mx = x / 25600.0, my = y / 25600.0;
  char buf[96];
  const SetupBlock& setup = doc_->Store().Setup();
  if (!prefs_->realWorldCord || state_.SymbolEditing) {
    std::snprintf(buf, sizeof buf, "%.2f   %.2f", mx, my);
    return buf;
  }
  const double angle = setup.RealWorldAngle();
  if (angle != 0 && std::isfinite(angle)) {
    const double c = std::cos(angle * M_PI / 180), s = std::sin(angle * M_PI / 180);
    const double rx = mx * c - my * s, ry = my * c + mx * s;
    mx = rx;
    my = ry;
  }
  const double scale = setup.MapScale();
  std::snprintf(buf, sizeof buf, "%.0f   %.0f", scale * mx * 0.001 + setup.RealWorldX(),
                scale * my * 0.001 + setup.RealWorldY());
  return buf;
}

void TMainFm::ShowCoordinates() {
  if (!state_.MapOpen || WorkWin->RedrawRunning()) return;
  if (static_cast<StatusProgress*>(progress_.get())->Running()) return;
  Status->CenterStatus->setText(QString::fromStdString(CoordinateText(state_.MapX, state_.MapY)));
}

// --- Mouse dispatch -------------------------------------------------------------------------

ToolEvent TMainFm::MakeEvent(PixelPos pos, Qt::KeyboardModifiers modifiers) {
  state_.Mouse = pos;
  state_.Shift = modifiers & Qt::ShiftModifier;
  state_.Ctrl = modifiers & Qt::ControlModifier;
  state_.Alt = modifiers & Qt::AltModifier;
  ToolEvent e;
  e.pixel = pos;
  e.shift = state_.Shift;
  e.ctrl = state_.Ctrl;
  e.alt = state_.Alt;
  if (state_.MapOpen) {
    e.map = WorkWin->DeviceToMap(pos);
    state_.MapX = e.map.x;
    state_.MapY = e.map.y;
  }
  return e;
}

void TMainFm::WorkMouseDown(Qt::MouseButton button, PixelPos pos, Qt::KeyboardModifiers modifiers) {
  const ToolEvent e = MakeEvent(pos, modifiers);
  if (IsBusy()) return;
  if (button == Qt::LeftButton) {
    leftDown_ = true;
    if (state_.MapOpen) {
      if (Tool* t = ToolFor(state_.InteractionState)) t->Down(e);
    }
    WorkWin->setCursor(EditorCursor(state_.CursorName));
    state_.PreviousMouse = pos;
  } else if (button == Qt::RightButton) {
    if (leftDown_) return;  // the work window holds the mouse
    BeginCommand();
    state_.ClearMultipleSelection();
    state_.ToolMode = mode::IsDrawing(state_.ToolMode) ? mode::kEditPoint : state_.DrawMode;
    EndCommand();
  }
}

void TMainFm::WorkMouseMove(PixelPos pos, Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons) {
  const bool moved = !(pos == state_.Mouse);
  const ToolEvent e = MakeEvent(pos, modifiers);
  if (!state_.MapOpen) return;
  if (moved) {
    ShowCoordinates();
    HorScale->SetMouse(pos.x);
    VerScale->SetMouse(pos.y);
  }
  if (IsBusy()) return;
  if (Tool* t = ToolFor(state_.InteractionState)) t->Move(e);
  state_.PreviousMouse = pos;
}

void TMainFm::WorkMouseUp(Qt::MouseButton button, PixelPos pos, Qt::KeyboardModifiers modifiers) {
  const ToolEvent e = MakeEvent(pos, modifiers);
  if (button != Qt::LeftButton) return;
  leftDown_ = false;
  if (IsBusy() || !state_.MapOpen) return;
  if (Tool* t = ToolFor(state_.InteractionState)) t->Up(e);
  if (state_.InteractionState == interaction::kIdle) EndCommand();
}

// --- Keyboard ---------------------------------------------------------------------------------

bool TMainFm::FormKeyDown(int key, Qt::KeyboardModifiers modifiers, const QString& text) {
  if (key == Qt::Key_Escape) state_.AbortRequested = true;
  if (IsBusy()) return true;
  if (key == Qt::Key_Alt) {
    state_.Alt = true;
    return false;
  }
  const bool shift = modifiers & Qt::ShiftModifier, ctrl = modifiers & Qt::ControlModifier,
             alt = modifiers & Qt::AltModifier;
  if (alt && key == Qt::Key_Backspace) {
    // Undo belongs to the undo recorder; until it is there the key only ends the interaction.
    BeginCommand();
    EndCommand();
    return true;
  }
  const bool clipboardKey = (ctrl && key == Qt::Key_Insert) || (shift && key == Qt::Key_Insert) ||
                            (shift && key == Qt::Key_Delete) || (key == Qt::Key_Delete && !shift && !ctrl);
  if (clipboardKey && !state_.TextEditing) {
    if (state_.SymbolEditing && !WorkWin->hasFocus()) return false;
    BeginCommand();
    EndCommand();
    return true;
  }
  if (text.isEmpty() || ctrl) return false;
  const char32_t c = text.toUcs4().value(0);
  if (c == 0) return false;
  if (!state_.MapOpen || state_.InteractionState == interaction::kIdle) return false;
  if (Tool* t = ToolFor(state_.InteractionState)) t->Key(c);
  if (state_.InteractionState == interaction::kIdle) EndCommand();
  return true;
}

void TMainFm::FormKeyUp(int key) {
  if (key == Qt::Key_Alt) state_.Alt = false;
}

bool TMainFm::ReplayShortcut(int key, Qt::KeyboardModifiers modifiers) {
  const QKeySequence seq(QKeyCombination(modifiers, static_cast<Qt::Key>(key)));
  for (auto& [name, a] : actions_) {
    if (!a->isEnabled() || a->shortcut().isEmpty()) continue;
    if (a->shortcut().matches(seq) == QKeySequence::ExactMatch) {
      a->trigger();
      return true;
    }
  }
  return false;
}

}  // namespace zelk
