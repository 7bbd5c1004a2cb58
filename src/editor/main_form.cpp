// The main window: its parts, the command table wired to menus and toolbar, the two command
// steps, and the dispatch of mouse, keys and scroll bars to the running interaction.
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
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <cmath>
#include <filesystem>

#include "dialogs/dialog_base.h"
#include "dialogs/spin_edit.h"
#include "editor/clipboard_commands.h"
#include "editor/cursors.h"
#include "editor/document_dialogs.h"
#include "editor/drawing_tools.h"
#include "editor/edit_commands.h"
#include "editor/editing_tools.h"
#include "editor/exchange_commands.h"
#include "editor/file_commands.h"
#include "editor/gps_commands.h"
#include "editor/help_commands.h"
#include "editor/input_gate.h"
#include "editor/map_commands.h"
#include "editor/marks.h"
#include "editor/object_commands.h"
#include "editor/options_commands.h"
#include "editor/output_commands.h"
#include "editor/status_panes.h"
#include "editor/symbol_box.h"
#include "editor/symbol_commands.h"
#include "editor/template_commands.h"
#include "editor/text_tool.h"
#include "editor/tool_choice.h"
#include "editor/view_commands.h"
#include "editor/work_window.h"
#include "render/screen_color.h"
#include "storage/older_formats.h"

namespace zelk {

TMainFm::TMainFm(const MainFormServices& services, QWidget* parent)
    : QMainWindow(parent), prefs_(services.prefs), services_(services) {
  setObjectName("MainFm");
  setWindowTitle("ZELK");
  if (services_.registry) prefs_->Read(*services_.registry);
  doc_ = std::make_unique<Document>(services_.sink, prefs_, services_.registry, services_.tempPath);
  doc_->SetObserver(this);
  doc_->SetFileChooser(services_.chooser);
  undo_ = std::make_unique<UndoRing>(doc_->Store());
  undo_->SetView(this);
  toolContext_ = std::make_unique<ToolContext>(
      ToolContext{state_, doc_->Store(), *this, *undo_, *prefs_, services_.sink});
  toolContext_->fonts = services_.fonts;
  textTyping_ = std::make_unique<TextTyping>(*toolContext_);
  toolContext_->typing = textTyping_.get();

  context_ = std::make_unique<CommandContext>(
      CommandContext{*doc_, state_, *prefs_, *this, services_.sink, services_.chooser,
                     services_.dialogs, services_.help, services_.fonts, services_.registry});
  fileCommands_ = std::make_unique<FileCommands>(*context_);
  editCommands_ = std::make_unique<EditCommands>(*context_, *undo_, toolContext_.get());
  viewCommands_ = std::make_unique<ViewCommands>(*context_);
  symbolCommands_ = std::make_unique<SymbolCommands>(*context_);
  mapCommands_ = std::make_unique<MapCommands>(*context_, *undo_);
  optionsCommands_ = std::make_unique<OptionsCommands>(*context_);
  helpCommands_ = std::make_unique<HelpCommands>(*context_);
  templateCommands_ = std::make_unique<TemplateCommands>(*context_, *this);
  exchangeCommands_ = std::make_unique<ExchangeCommands>(*context_, *undo_);
  clipboardCommands_ = std::make_unique<ClipboardCommands>(*context_, *undo_, toolContext_.get(),
                                                           MakeSystemClipboard());
  objectCommands_ = std::make_unique<ObjectCommands>(*context_, *undo_, toolContext_.get());
  gpsCommands_ = std::make_unique<GpsCommands>(*context_, toolContext_.get());
  outputCommands_ = std::make_unique<OutputCommands>(*context_);
  outputCommands_->enableMainWindow = [this](bool on) { setEnabled(on); };
  // A line drawn or changed to a line-text symbol asks for its text.
  toolContext_->drawing.askLineText = [this](ObjectRecord& line) {
    return objectCommands_->AskLineText(line);
  };
  editCommands_->askLineText = [this]() -> std::optional<std::string> {
    ObjectRecord probe;
    probe.coords.resize(1);
    if (!objectCommands_->AskLineText(probe)) return std::nullopt;
    return probe.Text();
  };
  areas_ = std::make_unique<CommandAreas>(CommandAreas{
      state_, *fileCommands_, *editCommands_, *viewCommands_, *symbolCommands_, *mapCommands_,
      *optionsCommands_, *helpCommands_, *exchangeCommands_, *clipboardCommands_, *objectCommands_,
      *gpsCommands_, *outputCommands_, *templateCommands_});

  gate_ = new InputGate(this);
  gate_->keyDown = [this](QKeyEvent* k) {
    return FormKeyDown(k->key(), k->modifiers(), k->text());
  };
  gate_->keyUp = [this](QKeyEvent* k) { FormKeyUp(k->key()); };
  gate_->replayShortcut = [this](QKeyEvent* k) { return ReplayShortcut(k->key(), k->modifiers()); };

  noDrawTool_ = std::make_unique<NoDrawTool>(state_, *this);
  zoomTool_ = std::make_unique<ViewZoomTool>(state_, *this);
  windowTool_ = std::make_unique<WindowRectTool>(state_, *this);
  tools_[InteractionSlot(Interaction::NoDrawing)] = noDrawTool_.get();
  tools_[InteractionSlot(Interaction::ViewZoom)] = zoomTool_.get();
  tools_[InteractionSlot(Interaction::WindowRectangle)] = windowTool_.get();
  tools_[InteractionSlot(Interaction::Gps)] = gpsCommands_->AdjustTool();
  AdoptTools(MakeDrawingTools(*toolContext_));
  RegisterTool(Interaction::Template, &templateCommands_->AdjustTool());
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
  BuildCommands();
  AdoptTools(MakeEditingTools(*toolContext_));
  WorkWin->drawMarks = MakeMarksPainter(*toolContext_);
  WorkWin->drawTemplate = [this](QPainter& p, const QRect& r) { templateCommands_->Draw(p, r); };
  progress_ = std::make_unique<StatusProgress>(*Status, state_.AbortRequested);
  doc_->Store().SetProgress(progress_.get());
  exchangeCommands_->SetProgress(progress_.get());
  objectCommands_->SetProgress(progress_.get());
  outputCommands_->SetProgress(progress_.get());
  mapCommands_->SetProgress(progress_.get());
  // Maps of older formats are converted into an untitled map after the question on opening.
  doc_->convertOlderFormat = [this](const std::string& path, int16_t kind) {
    const ConversionResult r = ConvertOlderMap(*doc_, path, kind, *progress_);
    if (!r.note.empty() && services_.sink) services_.sink->Error(r.note);
    undo_->ResetUndo();
    return r.converted;
  };
  ViewTimer = new QTimer(this);
  ViewTimer->setInterval(100);

  resize(552, 330 + 29 + 18 + menuBar()->sizeHint().height());
  SetHelpContext(help::kMainWindow);
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
  WorkWin->drawMarks = nullptr;
  WorkWin->drawTemplate = nullptr;
}

Progress& TMainFm::ProgressDisplay() {
  return *progress_;
}

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
    QToolButton** shapes[4] = {&SymLineBtn, &SymAreaBtn, &SymCircleBtn, &SymDotBtn};
    const char* names[4] = {"Line", "Area", "Circle", "Dot"};
    for (int i = 0; i < 4; ++i) {
      auto* b = new QToolButton(SymPanel);
      b->setText(names[i]);
      b->setCheckable(true);
      b->setAutoExclusive(true);
      b->setObjectName(QString("Sym%1Btn").arg(names[i]));
      row->addWidget(b);
      *shapes[i] = b;
    }
    row->addStretch();
    SymCloseBtn = new QPushButton("&Close", SymPanel);
    SymCloseBtn->setObjectName("SymCloseBtn");
    SymHelpBtn = new QPushButton("&Help", SymPanel);
    SymHelpBtn->setObjectName("SymHelpBtn");
    row->addWidget(SymCloseBtn);
    row->addWidget(SymHelpBtn);
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
    ParamColorB = new QComboBox(ParamPanel);
    ParamColorB->setObjectName("ParamColorB");
    col->addWidget(ParamColorB);
    TRealSpin** spins[2] = {&ParamWidthB, &ParamDiameterB};
    const char* labels[2] = {"Line width:", "Diameter:"};
    const char* spinNames[2] = {"ParamWidthB", "ParamDiameterB"};
    for (int i = 0; i < 2; ++i) {
      col->addWidget(new QLabel(labels[i], ParamPanel));
      auto* spin = new TRealSpin(ParamPanel);
      spin->setObjectName(spinNames[i]);
      spin->SetRange(0, 50.0);
      spin->SetIncrement(0.1);
      spin->SetDecimals(2);
      col->addWidget(spin);
      *spins[i] = spin;
    }
    ParamRoundB = new QCheckBox("Round line ends", ParamPanel);
    ParamRoundB->setObjectName("ParamRoundB");
    col->addWidget(ParamRoundB);
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
    bar->setRange(-ViewCommands::kScrollRange, ViewCommands::kScrollRange);
    const Qt::Orientation o = bar->orientation();
    connect(bar, &QAbstractSlider::actionTriggered, this,
            [this, bar, o](int action) { ScrollBarAction(o, action, bar->sliderPosition()); });
  }

  WorkWin->SetStore(&doc_->Store());
  WorkWin->SetPreferences(prefs_);
  WorkWin->SetFonts(services_.fonts);
  WorkWin->viewChanged = [this] { UpdateViewDisplays(); };
  WorkWin->redrawStatus = [this](const std::string& left, const std::string& centre) {
    Status->LeftStatus->setText(QString::fromStdString(left));
    if (!left.empty())
      Status->CenterStatus->setText(QString::fromStdString(centre));
    else
      ShowCoordinates();
  };
  WorkWin->redrawEnded = [this] { EndCommand(); };
  WorkWin->structureShifts = [this] {
    const auto cell = symbolCommands_->Editor().Cell();
    return state_.SymbolEditing && cell ? StructureShifts(*cell) : std::vector<Coord>{};
  };
  WireSymbolEditor();
  WorkWin->mayPaintNow = [] { return QApplication::activeModalWidget() == nullptr; };
  WorkWin->mousePressed = [this](QMouseEvent* e) {
    WorkMouseDown(e->button(), {e->position().toPoint().x(), e->position().toPoint().y()},
                  e->modifiers());
  };
  WorkWin->mouseMoved = [this](QMouseEvent* e) {
    WorkMouseMove({e->position().toPoint().x(), e->position().toPoint().y()}, e->modifiers(),
                  e->buttons());
  };
  WorkWin->mouseReleased = [this](QMouseEvent* e) {
    WorkMouseUp(e->button(), {e->position().toPoint().x(), e->position().toPoint().y()},
                e->modifiers());
  };
  WorkWin->wheelTurned = [this](QWheelEvent* e) {
    WorkWheel({e->position().toPoint().x(), e->position().toPoint().y()}, e->angleDelta().y() / 120,
              e->modifiers());
  };

  SymbolBox->SetStore(&doc_->Store());
  SymbolBox->SetFonts(services_.fonts);
  SymbolBox->symbolClicked = [this](int place, bool shift, bool ctrl) {
    SymbolBoxClick(place, shift, ctrl);
  };
  SymbolBox->popupRequested = [this](int place, QPoint global) {
    if (place >= 0 && !doc_->Store().Symbol(place).Selected() && place != state_.CurrentSymbol)
      SymbolBoxClick(place, false, false);
    UpdateMenuStates();
    SymPopUp->popup(global);
  };
  HorScale->SetView(&WorkWin->View());
  VerScale->SetView(&WorkWin->View());
}

// --- Menus and toolbar from the command table -------------------------------------------------

void TMainFm::BuildCommands() {
  Toolbar = new QToolBar("Toolbar", this);
  Toolbar->setObjectName("Toolbar");
  Toolbar->setMovable(false);
  Toolbar->setIconSize(QSize(20, 20));
  Toolbar->setFixedHeight(29);
  addToolBar(Qt::TopToolBarArea, Toolbar);
  SymPopUp = new QMenu(this);
  SymPopUp->setObjectName("SymPopUp");
  auto* modes = new QActionGroup(this);
  modes->setExclusive(true);
  auto* smoothing = new QActionGroup(this);
  smoothing->setExclusive(true);

  std::map<std::string, QMenu*> menus;
  auto menuFor = [&](const std::string& place) -> QMenu* {
    if (auto it = menus.find(place); it != menus.end()) return it->second;
    const size_t slash = place.rfind('/');
    QMenu* m = slash == std::string::npos ? menuBar()->addMenu(QString::fromStdString(place))
                                          : menus[place.substr(0, slash)]->addMenu(
                                                QString::fromStdString(place.substr(slash + 1)));
    menus[place] = m;
    return m;
  };

  for (const CommandRow& r : CommandTable()) {
    QAction* a = nullptr;
    if (r.flags & row::kSubmenu) {
      QMenu* parentMenu = menuFor(r.place);
      if (r.flags & row::kSeparatorBefore) parentMenu->addSeparator();
      QMenu* sub = menuFor(std::string(r.place) + "/" + r.caption);
      sub->setObjectName(r.name);
      a = sub->menuAction();
    } else {
      a = new QAction(r.caption, this);
      a->setObjectName(r.name);
      if (*r.shortcut)
        a->setShortcut(QKeySequence::fromString(r.shortcut, QKeySequence::PortableText));
      a->setShortcutContext(Qt::WindowShortcut);
      if (r.helpContext > 0) a->setProperty(kHelpContextProperty, r.helpContext);
      if (r.Available()) {
        connect(a, &QAction::triggered, this, [this, &r] { Run(r); });
      } else {
        // A feature this build does not have yet: shown, never enabled.
        a->setEnabled(false);
        a->setProperty("unavailable", true);
      }
      if (r.InToolbar()) {
        if (r.flags & row::kSeparatorBefore) Toolbar->addSeparator();
        a->setIcon(ToolbarIcon(r.name));
        a->setToolTip(r.caption);
        a->setStatusTip(r.caption);
        Toolbar->addAction(a);
      } else {
        QMenu* m = menuFor(r.place);
        QAction* sep = (r.flags & row::kSeparatorBefore) ? m->addSeparator() : nullptr;
        if (std::string(r.name) == "FileList1") recentSep_ = sep;
        m->addAction(a);
        if (r.flags & row::kSymbolPopup) {
          if (r.flags & row::kSeparatorBefore) SymPopUp->addSeparator();
          SymPopUp->addAction(a);
        }
      }
      if (r.flags & (row::kCheckable | row::kModeGroup | row::kSmoothingGroup))
        a->setCheckable(true);
      if (r.flags & row::kModeGroup) modes->addAction(a);
      if (r.flags & row::kSmoothingGroup) smoothing->addAction(a);
    }
    if (std::string(r.name).rfind("FileList", 0) == 0)
      recentActions_[static_cast<size_t>(r.arg - 1)] = a;
    actions_[r.name] = a;
    rowActions_.emplace_back(&r, a);
  }

  for (QMenu* m : menuBar()->findChildren<QMenu*>()) {
    connect(m, &QMenu::aboutToShow, this, [this] { UpdateMenuStates(); });
    // F1 on a highlighted item opens the item's topic.
    connect(m, &QMenu::hovered, m, [m](QAction* a) {
      m->setProperty(kHelpContextProperty, a->property(kHelpContextProperty));
    });
  }
  connect(SymPopUp, &QMenu::aboutToShow, this, [this] { UpdateMenuStates(); });
}

QAction* TMainFm::Action(const std::string& component) const {
  auto it = actions_.find(component);
  return it == actions_.end() ? nullptr : it->second;
}

void TMainFm::Trigger(const std::string& component) {
  if (QAction* a = Action(component); a && a->isEnabled()) a->trigger();
}

void TMainFm::Run(const CommandRow& r) {
  if (IsBusy()) {
    UpdateMenuStates();  // a toggle clicked meanwhile shows its old state again
    return;
  }
  if (r.steps == Steps::Plain) {
    r.handler(*areas_, r.arg);
    UpdateMenuStates();
    return;
  }
  // While a text is typed the clipboard commands work on its text, and typing goes on.
  if (state_.TextEditing && textTyping_->Active()) {
    const std::string name = r.name;
    bool done = true;
    if (name == "EditCopy")
      clipboardCommands_->CopyText(*textTyping_);
    else if (name == "EditCut")
      clipboardCommands_->CutText(*textTyping_);
    else if (name == "EditPaste")
      clipboardCommands_->PasteText(*textTyping_);
    else if (name == "EditDelete")
      textTyping_->DeleteForward();
    else
      done = false;
    if (done) {
      UpdateMenuStates();
      return;
    }
  }
  BeginCommand(r.steps);
  r.handler(*areas_, r.arg);
  EndCommand();
}

CommandConditions TMainFm::Conditions() const {
  CommandConditions c;
  c.mapOpen = doc_->IsOpen();
  c.mapHasObjects = context_->MapHasObjects();
  c.symbolTargets = !symbolCommands_->Targets().empty();
  c.currentSymbol = state_.CurrentSymbol >= 0;
  c.symbolEditing = state_.SymbolEditing;
  c.canUndo = editCommands_->CanUndo();
  c.canRedo = editCommands_->CanRedo();
  c.canCopyObjects = clipboardCommands_->CanCopyObjects();
  c.canPasteObjects = clipboardCommands_->CanPasteObjects();
  c.canPasteSymbols = clipboardCommands_->CanPasteSymbols();
  c.canDelete = objectCommands_->CanDelete();
  c.lineSelected = objectCommands_->CanJoinOrReverse();
  c.canMerge = objectCommands_->CanMerge();
  c.canFill = objectCommands_->CanFill();
  c.lineTextSelected = objectCommands_->CanEditLineText();
  c.canSmooth = objectCommands_->CanSmooth();
  c.textEditing = state_.TextEditing && textTyping_->Active();
  c.textSelected = c.textEditing && textTyping_->HasSelection();
  c.canPasteText = c.textEditing && clipboardCommands_->CanPasteText();
  c.gpsOpen = gpsCommands_->IsOpen();
  c.gpsPosition = gpsCommands_->HasPosition();
  c.canToCurve = objectCommands_->CanToCurve();
  c.haveHelp = services_.help != nullptr;
  c.templateOpen = templateCommands_->IsOpen();
  c.templateHidden = templateCommands_->Hidden();
  c.zoom = WorkWin->View().zoom;
  c.toolMode = state_.ToolMode;
  c.screenGrid = prefs_->screenGrid;
  c.autoJoin = prefs_->autoJoin;
  c.smoothing = prefs_->smoothing;
  return c;
}

void TMainFm::UpdateMenuStates() {
  const CommandConditions c = Conditions();
  for (auto& [r, a] : rowActions_) {
    if (a->property("unavailable").toBool()) continue;
    a->setEnabled(!r->enabled || r->enabled(c, r->arg));
    if (r->checked && (r->checked(c, r->arg) || !(r->flags & row::kModeGroup)))
      a->setChecked(r->checked(c, r->arg));
  }
}

// --- Command steps ---------------------------------------------------------------------------

bool TMainFm::IsBusy() const {
  return state_.Busy || WorkWin->RedrawRunning();
}

void TMainFm::BeginCommand(Steps steps) {
  if (!state_.MapOpen) return;
  // A view interaction gives way to the one it interrupted.
  if (state_.InteractionState == Interaction::ViewZoom) zoomTool_->Finish();
  if (steps == Steps::View) {
    // A view command replaces a window rectangle; a drawing carries on in the new view.
    if (state_.InteractionState == Interaction::WindowRectangle) windowTool_->Finish();
  } else if (state_.Interacting()) {
    if (Tool* t = ToolFor(state_.InteractionState)) t->Finish();
    state_.InteractionState = Interaction::Idle;
  }
  SetHelpContext(help::kMainWindow);
}

void TMainFm::EndCommand() {
  const bool windowShown = state_.InteractionState == Interaction::WindowRectangle;
  SetHelpContext(windowShown ? windowHelp_ : help::kMainWindow);
  if (state_.Busy) return;
  if (state_.MapOpen && !state_.Interacting()) StartToolForMode();
  UpdateMenuStates();
  WorkWin->setCursor(EditorCursor(state_.CursorName));
  if (!windowShown) UpdateRightStatus();
  WriteToolSettings();
}

void TMainFm::RegisterTool(Interaction i, Tool* tool) {
  if (i <= Interaction::ViewZoom || InteractionSlot(i) >= kInteractionCount) return;
  tools_[InteractionSlot(i)] =
      tool ? tool : (i == Interaction::NoDrawing ? noDrawTool_.get() : nullptr);
}

void TMainFm::AdoptTools(std::vector<OwnedTool> tools) {
  for (auto& [interaction, tool] : tools) {
    RegisterTool(interaction, tool.get());
    ownedTools_.push_back(std::move(tool));
  }
}

Tool* TMainFm::ToolFor(Interaction i) {
  if (InteractionSlot(i) >= kInteractionCount) return nullptr;
  return tools_[InteractionSlot(i)];
}

void TMainFm::StartToolForMode() {
  const ToolChoice choice = ChooseTool(state_, doc_->Store());
  Tool* tool = ToolFor(choice.interaction);
  if (!tool) tool = noDrawTool_.get();
  tool->Start(choice.purpose);
}

void TMainFm::WriteToolSettings() {
  if (!doc_->IsOpen()) return;
  SetupBlock& setup = doc_->Store().MutableSetup();
  StoreModes(state_, setup);
  if (state_.CurrentSymbol >= 0) setup.SetCurrentSymbolIndex(state_.CurrentSymbol);
}

// --- Start-up and documents ------------------------------------------------------------------

void TMainFm::StartUp(const std::vector<std::string>& arguments) {
  fileCommands_->StartUp(arguments);
  EndCommand();
}

void TMainFm::OpenRequested(const std::string& path) {
  if (IsBusy()) return;
  BeginCommand();
  fileCommands_->OpenRequested(path);
  EndCommand();
}

std::vector<std::string> TMainFm::SessionEnding(const std::string& program) {
  return fileCommands_->SessionEnding(program);
}

void TMainFm::CaptionChanged(const std::string& caption) {
  setWindowTitle(QString::fromStdString(caption));
}

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
  // Another map, or the same one with new symbols: no step recorded before matches it.
  undo_->ResetUndo();
  if (open) {
    const SetupBlock& setup = store.Setup();
    if (fresh) {
      RestoreModes(state_, setup);
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
  if (fresh)
    gpsCommands_->MapOpened();
  else if (!open)
    gpsCommands_->MapClosed();
  wasOpen_ = open;
  lastName_ = open ? doc_->Name() : std::string();
  SymbolBox->TableChanged();
  HorScale->SetMapShown(open);
  VerScale->SetMapShown(open);
  UpdateViewDisplays();
  // The template the map names comes back with it; a closed map takes its template along.
  if (fresh)
    templateCommands_->MapOpened();
  else if (!open)
    templateCommands_->MapClosed();
  WorkWin->InvalidateAll();
  // The tool of the mode starts once the command around this has ended.
  QMetaObject::invokeMethod(
      this,
      [this] {
        if (!IsBusy() && !state_.Interacting()) EndCommand();
      },
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
  if (recentSep_) recentSep_->setVisible(shown > 0);
}

void TMainFm::WireSymbolEditor() {
  SymbolEditor& ed = symbolCommands_->Editor();
  const int16_t kinds[4] = {kElementLine, kElementArea, kElementCircle, kElementDot};
  QToolButton* shapes[4] = {SymLineBtn, SymAreaBtn, SymCircleBtn, SymDotBtn};
  for (int i = 0; i < 4; ++i) {
    const int16_t kind = kinds[i];
    connect(shapes[i], &QToolButton::clicked, this, [this, &ed, kind] {
      if (IsBusy() || !state_.SymbolEditing) return;
      BeginCommand();
      ed.SetShape(kind);
      EndCommand();
    });
  }
  connect(ParamColorB, &QComboBox::currentIndexChanged, this, [this, &ed](int index) {
    if (state_.SymbolEditing && !fillingPanels_ && index >= 0)
      ed.SetColor(ParamColorB->itemData(index).toInt());
  });
  connect(ParamWidthB, &QLineEdit::textChanged, this, [this, &ed] {
    if (state_.SymbolEditing)
      ed.SetLineWidth(static_cast<int>(std::nearbyint(ParamWidthB->Value() * 100)));
  });
  connect(ParamDiameterB, &QLineEdit::textChanged, this, [this, &ed] {
    if (state_.SymbolEditing)
      ed.SetDiameter(static_cast<int>(std::nearbyint(ParamDiameterB->Value() * 100)));
  });
  connect(ParamRoundB, &QCheckBox::toggled, this, [this, &ed](bool on) {
    if (state_.SymbolEditing) ed.SetRoundEnds(on);
  });
  connect(SymCloseBtn, &QPushButton::clicked, this, [this] {
    if (IsBusy() || !state_.SymbolEditing) return;
    BeginCommand();
    symbolCommands_->CloseSymbolEditor();
    EndCommand();
  });
  connect(SymHelpBtn, &QPushButton::clicked, this, [this] {
    if (services_.help) services_.help->ShowHelp(help::kSymbolEditor);
  });
}

void TMainFm::ShowSymbolEditor(bool on) {
  SymPanel->setVisible(on);
  ParamPanel->setVisible(on);
  if (!on) return;
  SymbolEditor& ed = symbolCommands_->Editor();
  const SymbolHeader& h = doc_->Store().Colors();
  fillingPanels_ = true;
  ParamColorB->clear();
  for (int i = 0; i < std::clamp<int>(h.colorCount, 1, kMaxColors); ++i) {
    const ColorRecord& c = h.colors[static_cast<size_t>(i)];
    QPixmap swatch(12, 12);
    const Rgb rgb = ScreenColor({c.cmyk[0], c.cmyk[1], c.cmyk[2], c.cmyk[3]});
    swatch.fill(QColor(rgb.r, rgb.g, rgb.b));
    ParamColorB->addItem(QIcon(swatch), QString::fromLatin1(c.name.c_str()), int{c.colorNumber});
  }
  ParamColorB->setCurrentIndex(std::max(0, ParamColorB->findData(ed.Color())));
  ParamWidthB->SetValue(ed.LineWidth() * 0.01);
  ParamDiameterB->SetValue(ed.Diameter() * 0.01);
  ParamRoundB->setChecked(ed.RoundEnds());
  SymLineBtn->setChecked(true);
  fillingPanels_ = false;
}

void TMainFm::closeEvent(QCloseEvent* e) {
  if (IsBusy()) {
    e->ignore();
    return;
  }
  if (state_.SymbolEditing) {
    // Closing while a point symbol is edited ends that editing; the program goes on.
    BeginCommand();
    symbolCommands_->Editor().End();
    EndCommand();
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

void TMainFm::CloseWindow() {
  close();
}

void TMainFm::SetWaitCursor(bool on) {
  if (on)
    QApplication::setOverrideCursor(Qt::WaitCursor);
  else
    QApplication::restoreOverrideCursor();
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

void TMainFm::SymbolTableChanged() {
  SymbolBox->TableChanged();
}
void TMainFm::RepaintSymbols() {
  SymbolBox->update();
}

void TMainFm::UpdateRightStatus() {
  MapStore& store = doc_->Store();
  const int place = state_.CurrentSymbol;
  if (!doc_->IsOpen() || place < 0 || place >= store.SymbolCount()) {
    Status->RightStatus->clear();
    return;
  }
  Status->RightStatus->setText(SymbolText(store.Symbol(place)));
}

void TMainFm::SymbolBoxClick(int place, bool shift, bool ctrl) {
  if (IsBusy()) return;
  BeginCommand();
  symbolCommands_->BoxClick(place, shift, ctrl);
  EndCommand();
}

// --- View --------------------------------------------------------------------------------

const ViewTransform& TMainFm::View() const {
  return WorkWin->View();
}
Coord TMainFm::DeviceToMap(PixelPos p) const {
  return WorkWin->DeviceToMap(p);
}
PixelPos TMainFm::MapToDevice(const Coord& c) const {
  return WorkWin->MapToDevice(c);
}
void TMainFm::SetRubberBand(std::vector<RubberShape> shapes) {
  WorkWin->SetRubberBand(std::move(shapes));
}
void TMainFm::RedrawBox(const Box& box) {
  WorkWin->InvalidateBox(box);
}
void TMainFm::RedrawAll() {
  WorkWin->InvalidateAll();
}
void TMainFm::RepaintOverlay() {
  WorkWin->update();
}
void TMainFm::DrawObjectNow(const ObjectRecord& obj) {
  WorkWin->DrawObjectNow(obj);
}
void TMainFm::RepaintMarks() {
  WorkWin->update();
}
void TMainFm::SetWorkHelpContext(int context) {
  WorkWin->setProperty(kHelpContextProperty, context);
}

void TMainFm::ClearSelection() {
  state_.SelectedObject = 0;
  state_.ClearMultipleSelection();
  RepaintMarks();
}
void TMainFm::SelectMarked(const std::vector<int32_t>& objects, const Box& extent) {
  state_.SelectedObject = 0;
  state_.MultipleSelection.Assign(objects, extent);
  RepaintMarks();
}
void TMainFm::UndoStateChanged() {
  UpdateMenuStates();
}

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
    bar->setValue(std::clamp(value, -ViewCommands::kScrollRange, ViewCommands::kScrollRange));
    const int extent = bar == HScroll ? v.clientWidth : v.clientHeight;
    const double scale = bar == HScroll ? v.scaleX : -v.scaleY;
    bar->setPageStep(std::max(1, static_cast<int>(extent / (scale * double(kWordsPerMm)))));
  }
  HorScale->update();
  VerScale->update();
  Status->ZoomStatus->setText(doc_->IsOpen() ? QString::fromStdString(ZoomText()) : QString());
  // The zoom factor items show the new zoom.
  UpdateMenuStates();
}

std::string TMainFm::ZoomText() const {
  return zelk::ZoomText(WorkWin->View().zoom);
}

void TMainFm::StartViewInteraction(ViewZoomTool::Kind kind) {
  // Zooming does not end a drawing: the interrupted interaction resumes afterwards.
  savedState_ = state_.InteractionState;
  savedCursor_ = state_.CursorName;
  savedPrompt_ = Status->LeftStatus->text().toStdString();
  zoomTool_->SetKind(kind);
  zoomTool_->panPreview = [this](PixelPos offset) { WorkWin->SetPanOffset(offset); };
  zoomTool_->Start(ToolPurpose::Draw);
}

void TMainFm::StartWindowRectangle(std::function<Box()> read, std::function<void(const Box&)> write,
                                   int helpContext) {
  windowTool_->read = std::move(read);
  windowTool_->write = std::move(write);
  windowHelp_ = helpContext;
  windowTool_->Start(ToolPurpose::Draw);
}

void TMainFm::ScrollBarAction(Qt::Orientation o, int action, int position) {
  if (state_.InteractionState == Interaction::Rotate) BeginCommand();
  if (IsBusy() || !state_.MapOpen) return;
  ScrollStep step;
  switch (action) {
    case QAbstractSlider::SliderSingleStepAdd:
      step = ScrollStep::LineForward;
      break;
    case QAbstractSlider::SliderSingleStepSub:
      step = ScrollStep::LineBack;
      break;
    case QAbstractSlider::SliderPageStepAdd:
      step = ScrollStep::PageForward;
      break;
    case QAbstractSlider::SliderPageStepSub:
      step = ScrollStep::PageBack;
      break;
    case QAbstractSlider::SliderMove:
      step = ScrollStep::Thumb;
      break;
    case QAbstractSlider::SliderToMinimum:
      step = ScrollStep::ToStart;
      break;
    case QAbstractSlider::SliderToMaximum:
      step = ScrollStep::ToEnd;
      break;
    default:
      return;
  }
  const bool hor = o == Qt::Horizontal;
  viewCommands_->Scroll(hor, step, position);
  QScrollBar* bar = hor ? HScroll : VScroll;
  bar->setSliderPosition(hor ? WorkWin->View().scrollX : WorkWin->View().scrollY);
  if (!state_.Interacting()) EndCommand();
}

void TMainFm::WorkWheel(PixelPos pos, int notches, Qt::KeyboardModifiers modifiers) {
  if (!(modifiers & Qt::ControlModifier)) {
    for (int i = 0; i < std::abs(notches); ++i)
      ScrollBarAction(
          Qt::Vertical,
          notches > 0 ? QAbstractSlider::SliderSingleStepSub : QAbstractSlider::SliderSingleStepAdd,
          0);
    return;
  }
  // Zooming with the wheel follows the scroll bars' rules: a drawing carries on.
  if (state_.InteractionState == Interaction::Rotate) BeginCommand();
  if (IsBusy() || !state_.MapOpen) return;
  viewCommands_->WheelZoom(pos, notches);
  if (!state_.Interacting()) EndCommand();
}

// --- Status texts -------------------------------------------------------------------------------

void TMainFm::SetPrompt(const std::string& text) {
  Status->LeftStatus->setText(QString::fromStdString(text));
}
void TMainFm::SetRightStatus(const std::string& text) {
  Status->RightStatus->setText(QString::fromStdString(text));
}

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
  return zelk::CoordinateText(doc_->Store().Setup(), prefs_->realWorldCord && !state_.SymbolEditing,
                              x, y);
}

void TMainFm::ShowCoordinates() {
  if (!state_.MapOpen || WorkWin->RedrawRunning()) return;
  if (progress_->Running()) return;
  // While the GPS is open its state takes the place of the mouse position.
  const std::string text = gpsText_.empty() ? CoordinateText(state_.MapX, state_.MapY) : gpsText_;
  Status->CenterStatus->setText(QString::fromStdString(text));
}

void TMainFm::ShowGpsPosition(std::optional<Coord> at, const std::string& text) {
  gpsText_ = text;
  WorkWin->SetGpsMark(at);
  if (gpsText_.empty() || (state_.MapOpen && !WorkWin->RedrawRunning()))
    Status->CenterStatus->setText(QString::fromStdString(gpsText_));
  if (gpsText_.empty()) ShowCoordinates();
  UpdateMenuStates();
}

void TMainFm::AddPointAt(const Coord& at) {
  if (IsBusy() || !state_.MapOpen) return;
  Tool* t = ToolFor(state_.InteractionState);
  if (!t || !t->AddPoint(at)) QApplication::beep();
  if (state_.InteractionState == Interaction::Idle) EndCommand();
}

void TMainFm::StartInteraction(Interaction i) {
  if (!state_.MapOpen) return;
  if (Tool* t = ToolFor(i)) t->Start(ToolPurpose::Draw);
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
    state_.ToolMode = IsDrawing(state_.ToolMode) ? Mode::EditPoint : state_.DrawMode;
    EndCommand();
  }
}

void TMainFm::WorkMouseMove(PixelPos pos, Qt::KeyboardModifiers modifiers,
                            Qt::MouseButtons buttons) {
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
  if (state_.InteractionState == Interaction::Idle) EndCommand();
}

// --- Keyboard ---------------------------------------------------------------------------------

bool TMainFm::FormKeyDown(int key, Qt::KeyboardModifiers modifiers, const QString& text) {
  if (key == Qt::Key_Escape) state_.AbortRequested = true;
  if (IsBusy()) return true;
  // The symbol editor's parameter fields take their own keys.
  if (state_.SymbolEditing && ParamPanel->isAncestorOf(QApplication::focusWidget())) return false;
  if (key == Qt::Key_Escape && (state_.InteractionState == Interaction::ViewZoom ||
                                state_.InteractionState == Interaction::WindowRectangle)) {
    // Esc gives up a zoom or a window rectangle; drawing tools read Esc as a character.
    BeginCommand(Steps::View);
    EndCommand();
    return true;
  }
  if (key == Qt::Key_Alt) {
    state_.Alt = true;
    return false;
  }
  const bool shift = modifiers & Qt::ShiftModifier, ctrl = modifiers & Qt::ControlModifier,
             alt = modifiers & Qt::AltModifier;
  if (alt && key == Qt::Key_Backspace) {
    // The old undo key, beside Ctrl+Z.
    if (const CommandRow* r = FindCommand("EditUndo")) Run(*r);
    return true;
  }
  if (state_.TextEditing && TextEditingKey(key, modifiers)) return true;
  // The older clipboard keys beside Ctrl+X, Ctrl+C and Ctrl+V, and Delete.
  const char* clipboardCommand = (ctrl && key == Qt::Key_Insert)    ? "EditCopy"
                                 : (shift && key == Qt::Key_Insert) ? "EditPaste"
                                 : (shift && key == Qt::Key_Delete) ? "EditCut"
                                 : (key == Qt::Key_Delete && !ctrl) ? "EditDelete"
                                                                    : nullptr;
  if (clipboardCommand && !state_.TextEditing) {
    if (state_.SymbolEditing && !WorkWin->hasFocus()) return false;
    const CommandRow* r = FindCommand(clipboardCommand);
    if (r && r->enabled && r->enabled(Conditions(), r->arg)) {
      Run(*r);
    } else {
      BeginCommand();
      EndCommand();
    }
    return true;
  }
  if (text.isEmpty() || ctrl) return false;
  const char32_t c = text.toUcs4().value(0);
  if (c == 0) return false;
  if (!state_.MapOpen || state_.InteractionState == Interaction::Idle) return false;
  if (Tool* t = ToolFor(state_.InteractionState)) t->Key(c);
  if (state_.InteractionState == Interaction::Idle) EndCommand();
  return true;
}

bool TMainFm::TextEditingKey(int key, Qt::KeyboardModifiers modifiers) {
  const bool shift = modifiers & Qt::ShiftModifier, ctrl = modifiers & Qt::ControlModifier;
  using Move = TextTyping::CaretMove;
  std::optional<Move> move;
  switch (key) {
    case Qt::Key_Home:
      move = Move::Home;
      break;
    case Qt::Key_End:
      move = Move::End;
      break;
    case Qt::Key_Left:
      move = Move::Left;
      break;
    case Qt::Key_Right:
      move = Move::Right;
      break;
    case Qt::Key_Up:
      move = Move::Up;
      break;
    case Qt::Key_Down:
      move = Move::Down;
      break;
    default:
      break;
  }
  if (move) {
    textTyping_->Move(*move, shift);
    return true;
  }
  if (key == Qt::Key_Insert && (ctrl || shift)) {
    if (ctrl)
      clipboardCommands_->CopyText(*textTyping_);
    else
      clipboardCommands_->PasteText(*textTyping_);
  } else if (key == Qt::Key_Delete && shift) {
    clipboardCommands_->CutText(*textTyping_);
  } else if (key == Qt::Key_Delete && !ctrl) {
    textTyping_->DeleteForward();
  } else {
    return false;
  }
  UpdateMenuStates();
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
