// The command table and the command areas, run without the main window: a document in a
// temporary folder and a window that records what the commands ask of it.
#include <gtest/gtest.h>

#include <QKeySequence>
#include <cmath>
#include <set>

#include "editor/command_table.h"
#include "editor/file_commands.h"
#include "editor/status_panes.h"
#include "editor/symbol_commands.h"
#include "editor/tool_choice.h"
#include "editor/view_commands.h"
#include "editor_fixture.h"
#include "render/real_world.h"
#include "storage/symbol_derived.h"

namespace zelk {
namespace {

class FakeWindow : public CommandWindow {
 public:
  FakeWindow() {
    view.clientWidth = 800;
    view.clientHeight = 600;
    view.zoom = 4;
    view.SetViewTransform();
  }
  ViewTransform view;
  ZoomHistory history;
  std::vector<std::string> log;
  std::function<Box()> read;
  std::function<void(const Box&)> write;
  int windowHelp = 0;
  int current = -2;

  const ViewTransform& View() const override { return view; }
  void SetView(double zoom, int32_t cx, int32_t cy, bool remember) override {
    if (remember) history.Push({view.zoom, view.centreX, view.centreY});
    view.zoom = std::min(zoom, kMaxZoom);
    view.centreX = cx & kPosMask;
    view.centreY = cy & kPosMask;
    view.SetViewTransform();
    log.push_back("view");
  }
  ZoomHistory& History() override { return history; }
  void RedrawAll() override { log.push_back("redraw"); }
  void RepaintOverlay() override { log.push_back("overlay"); }
  void StartViewInteraction(ViewZoomTool::Kind k) override {
    log.push_back(k == ViewZoomTool::Kind::Move ? "move" : "zoomin");
  }
  void StartWindowRectangle(std::function<Box()> r, std::function<void(const Box&)> w,
                            int help) override {
    read = std::move(r);
    write = std::move(w);
    windowHelp = help;
    log.push_back("window");
  }
  void SymbolTableChanged() override { log.push_back("table"); }
  void RepaintSymbols() override { log.push_back("symbols"); }
  void SetCurrentSymbol(int place) override { current = place; }
  void SetWaitCursor(bool) override {}
  void CloseWindow() override { log.push_back("close"); }
  QWidget* DialogParent() override { return nullptr; }
  bool Asked(const std::string& what) const {
    return std::find(log.begin(), log.end(), what) != log.end();
  }
};

struct AreaTest : ::testing::Test {
  TempDir dir;
  RecordingSink sink;
  Preferences prefs;
  EditorState state;
  FakeWindow window;
  Document doc{&sink, &prefs, nullptr, dir.Path("temp.~km")};
  CommandContext context{doc, state, prefs, window, &sink};
  void SetUp() override {
    ASSERT_TRUE(doc.Open(WriteTestMap(dir, "map.zkm", 20)));
    state.MapOpen = true;
  }
  MapStore& Store() { return doc.Store(); }
};

// --- The table -------------------------------------------------------------------------------

TEST(CommandTable, NamesAreUniqueAndEveryShortcutIsAKey) {
  std::set<std::string> names;
  std::set<std::string> shortcuts;
  for (const CommandRow& r : CommandTable()) {
    EXPECT_TRUE(names.insert(r.name).second) << r.name;
    if (*r.shortcut) {
      const QKeySequence k = QKeySequence::fromString(r.shortcut, QKeySequence::PortableText);
      EXPECT_EQ(k.count(), 1) << r.name;
      EXPECT_TRUE(shortcuts.insert(r.shortcut).second) << r.name << " shares " << r.shortcut;
    }
  }
}

TEST(CommandTable, CaptionsAndShortcutsOfTheMenus) {
  struct Expected {
    const char* name;
    const char* place;
    const char* caption;
    const char* shortcut;
  };
  const Expected rows[] = {
      {"FileNew", "&File", "&New", "Ctrl+N"},
      {"FileOpen", "&File", "&Open...", "Ctrl+O"},
      {"FileSave", "&File", "&Save", "Ctrl+S"},
      {"FileSaveAs", "&File", "Save &as...", ""},
      {"FilePrint", "&File", "&Print...", "Ctrl+P"},
      {"FileExportDxf", "&File/&Export", "DXF...", ""},
      {"FileExit", "&File", "E&xit", "Alt+F4"},
      {"EditUndo", "&Edit", "&Undo", "Ctrl+Z"},
      {"EditLineText", "&Edit", "&Line text...", "Ctrl+T"},
      {"ViewRedraw", "&View", "&Redraw", "F5"},
      {"ViewMove", "&View", "&Move", "F6"},
      {"ViewZoomIn", "&View", "Zoom &in", "F7"},
      {"ViewZoomOut", "&View", "Zoom &out", "F8"},
      {"ViewFactor0", "&View", "&0.25X", "Shift+F5"},
      {"ViewFactor7", "&View", "&32X", "Shift+F12"},
      {"SymbolNormal", "&Symbol", "Nor&mal", "F2"},
      {"SymbolHidden", "&Symbol", "&Hidden", "F4"},
      {"ExtrasMove", "Extras", "Move map..", ""},
      {"OptionsAdjTemp", "&Options", "&Adjust template...", "F9"},
      {"OptionsHideTemp", "&Options", "&Hide template", "F10"},
      {"HelpProcedures", "&Help", "&Procedures...", ""},
      {"HelpAbout", "&Help", "&About ZELK...", ""},
      {"CurveBtn", "Toolbar", "Curve mode", ""},
      {"Smooth2Btn", "Toolbar", "Smoothing level 2", ""},
  };
  for (const Expected& e : rows) {
    const CommandRow* r = FindCommand(e.name);
    ASSERT_NE(r, nullptr) << e.name;
    EXPECT_STREQ(r->place, e.place) << e.name;
    EXPECT_STREQ(r->caption, e.caption) << e.name;
    EXPECT_STREQ(r->shortcut, e.shortcut) << e.name;
  }
  for (int m = 5; m <= 19; ++m) EXPECT_NE(ModeButtonName(static_cast<Mode>(m)), nullptr) << m;
  EXPECT_STREQ(ModeButtonName(Mode::EditPoint), "EditPointBtn");
}

TEST(CommandTable, HelpItemsOpenTheirOwnTopics) {
  EXPECT_EQ(FindCommand("HelpProcedures")->arg, help::kProcedures);
  EXPECT_EQ(FindCommand("HelpMenu")->arg, help::kMenu);
  EXPECT_EQ(FindCommand("HelpToolbar")->arg, help::kToolbar);
}

TEST(CommandTable, EnablingRules) {
  CommandConditions none;
  CommandConditions open;
  open.mapOpen = true;
  CommandConditions objects = open;
  objects.mapHasObjects = true;
  CommandConditions symbols = objects;
  symbols.symbolTargets = true;
  symbols.currentSymbol = true;
  CommandConditions editingSymbol = symbols;
  editingSymbol.symbolEditing = true;
  struct Case {
    const char* name;
    bool none, open, objects, symbols, editingSymbol;
  };
  const Case cases[] = {
      {"FileNew", true, true, true, true, true},
      {"FileSave", false, true, true, true, true},
      {"FileExport", false, false, true, true, true},
      {"ViewRedraw", false, true, true, true, true},
      {"ViewEntire", false, false, true, true, true},
      {"ViewFactor3", false, true, true, true, true},
      {"ExtrasPartialWin", false, false, true, true, true},
      {"SymbolDelete", false, false, false, true, false},
      {"SymbolHidden", false, false, false, true, false},
      {"SymbolLoad", false, true, true, true, true},
      {"SymbolNew", false, true, true, true, false},
      {"SymbolColors", false, true, true, true, false},
      {"SymbolEdit", false, false, false, true, false},
      {"SymbolIcon", false, false, false, true, false},
      {"OptionsScales", false, true, true, true, true},
      {"HelpMap", false, true, true, true, true},
      {"EditUndo", false, false, false, false, false},  // nothing recorded
  };
  for (const Case& c : cases) {
    const CommandRow* r = FindCommand(c.name);
    ASSERT_NE(r, nullptr) << c.name;
    auto on = [&](const CommandConditions& k) { return !r->enabled || r->enabled(k, r->arg); };
    EXPECT_EQ(on(none), c.none) << c.name;
    EXPECT_EQ(on(open), c.open) << c.name;
    EXPECT_EQ(on(objects), c.objects) << c.name;
    EXPECT_EQ(on(symbols), c.symbols) << c.name;
    EXPECT_EQ(on(editingSymbol), c.editingSymbol) << c.name;
  }
  // Printing and the exports need objects to print.
  for (const char* name : {"FilePrint", "FileExportBmp", "FileExportPdf", "FileExportSvg"}) {
    const CommandRow* r = FindCommand(name);
    ASSERT_NE(r, nullptr) << name;
    EXPECT_TRUE(r->Available()) << name;
    EXPECT_FALSE(r->enabled(open, r->arg)) << name;
    EXPECT_TRUE(r->enabled(objects, r->arg)) << name;
  }
  EXPECT_TRUE(FindCommand("FileExport")->Available());  // a submenu
  // Undo and Redo follow the ring, and are off while a point symbol is edited.
  for (const char* name : {"EditUndo", "UndoBtn", "EditRedo"}) {
    const CommandRow* r = FindCommand(name);
    CommandConditions k = objects;
    k.canUndo = k.canRedo = true;
    EXPECT_TRUE(r->enabled(k, r->arg)) << name;
    k.symbolEditing = true;
    EXPECT_FALSE(r->enabled(k, r->arg)) << name;
  }
}

TEST(CommandTable, ViewCommandsLeaveADrawingRunning) {
  for (const CommandRow& r : CommandTable()) {
    const std::string name = r.name;
    if (name.rfind("View", 0) == 0) {
      EXPECT_EQ(r.steps, Steps::View) << name;
    }
  }
  EXPECT_EQ(FindCommand("FilePrintWin")->steps, Steps::Full);
}

// --- View commands -----------------------------------------------------------------------------

TEST_F(AreaTest, ZoomOutGoesBackThroughTheHistoryThenHalves) {
  ViewCommands view(context);
  view.Factor(2);
  view.Factor(8);
  EXPECT_DOUBLE_EQ(window.view.zoom, 8);
  view.ZoomOut();
  EXPECT_DOUBLE_EQ(window.view.zoom, 2);
  view.ZoomOut();
  EXPECT_DOUBLE_EQ(window.view.zoom, 4);
  view.ZoomOut();
  EXPECT_DOUBLE_EQ(window.view.zoom, 2);
  EXPECT_EQ(window.history.Size(), 0);
}

TEST_F(AreaTest, MoveAndZoomInStartTheNestedInteraction) {
  ViewCommands view(context);
  view.Move();
  view.ZoomIn();
  view.Redraw();
  EXPECT_EQ(window.log, (std::vector<std::string>{"move", "zoomin", "redraw"}));
}

TEST_F(AreaTest, TheEntireMapFillsTheWindow) {
  ViewCommands(context).Entire();
  Box ext;
  ASSERT_TRUE(Store().MapExtent(&ext));
  const Box& vis = window.view.visible;
  EXPECT_LE(vis.left, ext.left);
  EXPECT_GE(vis.right, ext.right);
  EXPECT_LE(vis.bottom, ext.bottom);
  EXPECT_GE(vis.top, ext.top);
  // Tight on one axis: the margin is 5 per cent.
  const double spanX = static_cast<double>(ext.right) - ext.left,
               visX = static_cast<double>(vis.right) - vis.left;
  const double spanY = static_cast<double>(ext.top) - ext.bottom,
               visY = static_cast<double>(vis.top) - vis.bottom;
  EXPECT_TRUE(std::abs(spanX / visX - 0.95) < 0.01 || std::abs(spanY / visY - 0.95) < 0.01);
}

TEST_F(AreaTest, ScrollStepsAreTenthsAndPagesAndTheThumbCentres) {
  ViewCommands view(context);
  const double perPixel = 1 / window.view.scaleX;
  const int32_t x0 = window.view.centreX;
  view.Scroll(true, ScrollStep::LineForward, 0);
  EXPECT_NEAR(window.view.centreX - x0, 80 * perPixel, 512);
  view.Scroll(true, ScrollStep::PageBack, 0);
  EXPECT_NEAR(window.view.centreX - x0, -640 * perPixel, 1024);
  view.Scroll(false, ScrollStep::Thumb, 12);
  EXPECT_EQ(window.view.centreY, -12 * 25600);
  view.Scroll(true, ScrollStep::ToEnd, 0);
  EXPECT_EQ(window.view.scrollX, window.view.centreX / 25600);
}

TEST_F(AreaTest, WheelZoomKeepsThePointUnderTheMouse) {
  ViewCommands view(context);
  const PixelPos mouse{600, 150};
  const Coord under = window.view.DeviceToMap(mouse);
  view.WheelZoom(mouse, 1);
  EXPECT_DOUBLE_EQ(window.view.zoom, 8);
  PixelPos now = window.view.MapToDevice(under);
  EXPECT_NEAR(now.x, mouse.x, 1);
  EXPECT_NEAR(now.y, mouse.y, 1);
  view.WheelZoom(mouse, -2);
  EXPECT_DOUBLE_EQ(window.view.zoom, 2);
  now = window.view.MapToDevice(under);
  EXPECT_NEAR(now.x, mouse.x, 1);
  EXPECT_NEAR(now.y, mouse.y, 1);
  // Never beyond 32; at 32 a further notch does nothing.
  view.WheelZoom(mouse, 5);
  EXPECT_DOUBLE_EQ(window.view.zoom, 32);
  const size_t changes = window.log.size();
  view.WheelZoom(mouse, 1);
  EXPECT_EQ(window.log.size(), changes);
}

// --- Symbol commands -------------------------------------------------------------------------

TEST_F(AreaTest, HidingSymbolsClearsTheSelectionAndRedraws) {
  SymbolCommands symbols(context);
  state.CurrentSymbol = 1;
  state.SelectedObject = 3;
  symbols.SetStatus(kStatusHidden);
  EXPECT_EQ(Store().Symbol(1).Status(), kStatusHidden);
  EXPECT_EQ(state.SelectedObject, 0);
  EXPECT_TRUE(window.Asked("redraw"));
  window.log.clear();
  symbols.SetStatus(kStatusProtected);  // hidden to protected: shown again
  EXPECT_TRUE(window.Asked("redraw"));
  window.log.clear();
  symbols.SetStatus(kStatusNormal);  // protected to normal: nothing to redraw
  EXPECT_FALSE(window.Asked("redraw"));
  EXPECT_TRUE(window.Asked("symbols"));
}

TEST_F(AreaTest, StoredSymbolReachesItsObjects) {
  SymbolCommands symbols(context);
  // 20 lines of 1010 (black, 0.4 mm): renumbered to 1020, wider and yellow.
  LineSymbol f;
  f.LineColor = 1;
  f.LineWidth = 200;
  SymbolRecord changed = FinishLineSymbol(Store().Symbol(0), f, {}, {});
  changed.SetNumber(1020);
  ASSERT_TRUE(symbols.StoreSymbol(0, changed));
  EXPECT_EQ(Store().Symbol(0).Number(), 1020);
  EXPECT_EQ(Store().Symbol(0).Size(), 424);
  EXPECT_TRUE(window.Asked("redraw"));
  // The objects still carry 1010: they are drawn with the placeholder now, in its colour.
  EXPECT_TRUE(Store().Block(0).colors.Has(2));
  // Renamed back: the objects take the symbol's new colour and extent.
  changed.SetNumber(1010);
  ASSERT_TRUE(symbols.StoreSymbol(0, changed));
  EXPECT_TRUE(Store().Block(0).colors.Has(1));
  EXPECT_TRUE(Store().UsedColors().Has(1));
  IndexEntry e;
  ASSERT_TRUE(Store().ReadEntry(1, &e));
  EXPECT_EQ(e.box.bottom, (-5000 - 100) * 256);
  // A new symbol goes in after the current one and becomes current.
  state.CurrentSymbol = 1;
  SymbolRecord fresh = NewSymbolRecord(SymbolType::Point);
  fresh.SetNumber(1500);
  ASSERT_TRUE(symbols.StoreSymbol(-1, fresh));
  EXPECT_EQ(Store().Symbol(2).Number(), 1500);
  EXPECT_EQ(window.current, 2);
  // A record that outgrew its place is found again after reopening.
  const ElementList dot = test::EncodeElements({{kElementDot, 0, 1, 0, 100, {test::U(0, 0)}}});
  const int place = Store().SymbolPlace(3010);
  ASSERT_TRUE(symbols.StoreSymbol(place, FinishPointSymbol(Store().Symbol(place), dot)));
  const std::string path = Store().WorkingFile().Path();
  Store().CloseWorkingFile();
  Store().WorkingFile().OpenExisting(path);
  ASSERT_TRUE(Store().LoadFromWorkingFile());
  EXPECT_EQ(Store().Symbol(Store().SymbolPlace(3010)).Size(), 352 + 24);
  EXPECT_EQ(Store().SymbolPlace(1500), 2);
}

TEST_F(AreaTest, PointSymbolEditingRoundTrip) {
  SymbolCommands symbols(context);
  SymbolEditor& ed = symbols.Editor();
  const int place = Store().SymbolPlace(3010);
  state.ToolMode = Mode::EditPoint;
  state.DrawMode = Mode::Straight;
  window.view.zoom = 2;
  ASSERT_TRUE(ed.Begin(place, 0));
  EXPECT_TRUE(state.SymbolEditing);
  EXPECT_TRUE(Store().SymbolEditing());
  EXPECT_EQ(window.view.zoom, 16);
  EXPECT_EQ(state.ToolMode, Mode::Straight);  // a drawing mode
  EXPECT_EQ(ChooseTool(state, Store()).interaction, Interaction::FreehandStraight);
  // A line element, as the straight line tool makes it from the head.
  ed.SetColor(1);
  ed.SetLineWidth(25);
  ed.SetRoundEnds(true);
  ObjectRecord line = state.ElementHead;
  line.coords = {test::U(-200, 0), test::U(200, 0)};
  ASSERT_TRUE(Store().AddObject(line));
  // A dot is placed, not drawn.
  ed.SetShape(kElementDot);
  ed.SetDiameter(150);
  EXPECT_EQ(ChooseTool(state, Store()).interaction, Interaction::Place);
  ObjectRecord dot = state.ElementHead;
  dot.coords = {test::U(0, 300)};
  ASSERT_TRUE(Store().AddObject(dot));
  EXPECT_EQ(ed.End(), place);
  EXPECT_FALSE(state.SymbolEditing);
  EXPECT_EQ(window.view.zoom, 2);
  EXPECT_EQ(state.ToolMode, Mode::EditPoint);
  const SymbolRecord& r = Store().Symbol(place);
  EXPECT_TRUE(r.IsConsistent());
  EXPECT_EQ(r.Size(), 352 + 8 * (2 + 2 + 2 + 1));
  EXPECT_EQ(r.Extent(), 375);  // the dot: 300 away, 75 half diameter
  ColorSet only1;
  only1.Add(1);
  EXPECT_EQ(r.Colors(), only1);  // both elements in colour 1
  // Opened again, the elements come back as objects with their widths and style.
  ASSERT_TRUE(ed.Begin(place, 0));
  ObjectRecord back;
  ASSERT_TRUE(Store().ReadObject(1, &back));
  EXPECT_EQ(back.symbol, kElementSymbolBase + kElementLine);
  EXPECT_EQ(back.angle, 1);
  EXPECT_EQ(back.ElementLineWidth(), 25);
  EXPECT_EQ(back.ElementLineStyle(), 1);
  ASSERT_TRUE(Store().ReadObject(2, &back));
  EXPECT_EQ(back.ElementDiameter(), 150);
  Store().DeleteObject(1);
  ed.End();
  EXPECT_EQ(Store().Symbol(place).Size(), 352 + 24);
}

TEST(SymbolEditing, StructureShifts) {
  const int w = 1000 * 256, h = 500 * 256;
  const std::vector<Coord> aligned = StructureShifts({1, w, h, 0});
  EXPECT_EQ(aligned.size(), 8u);
  EXPECT_NE(std::find(aligned.begin(), aligned.end(), Coord{-w, h}), aligned.end());
  EXPECT_NE(std::find(aligned.begin(), aligned.end(), Coord{w, 0}), aligned.end());
  const std::vector<Coord> offset = StructureShifts({2, w, h, 0});
  EXPECT_EQ(offset.size(), 6u);
  EXPECT_NE(std::find(offset.begin(), offset.end(), Coord{w / 2, -h}), offset.end());
  const std::vector<Coord> turned = StructureShifts({2, w, h, 90});
  EXPECT_NE(std::find(turned.begin(), turned.end(), Coord{0, w}), turned.end());
  EXPECT_TRUE(StructureShifts({0, w, h, 0}).empty());
}

TEST_F(AreaTest, ClicksMarkRangesAndSingleSymbols) {
  SymbolCommands symbols(context);
  symbols.BoxClick(0, false, false);
  EXPECT_EQ(window.current, 0);
  state.CurrentSymbol = -1;
  symbols.BoxClick(2, true, false);
  EXPECT_EQ(window.current, -1);
  EXPECT_EQ(symbols.Targets(), (std::vector<int>{0, 1, 2}));
  symbols.BoxClick(1, false, true);
  EXPECT_EQ(symbols.Targets(), (std::vector<int>{0, 2}));
  symbols.BoxClick(99, false, false);  // off the table: nothing
  EXPECT_EQ(symbols.Targets(), (std::vector<int>{0, 2}));
}

TEST_F(AreaTest, DeleteAsksAndDuplicateCopiesNextToTheOriginal) {
  SymbolCommands symbols(context);
  state.CurrentSymbol = 1;
  const int count = Store().SymbolCount();
  sink.confirmAnswers = {false};
  symbols.Delete();
  EXPECT_EQ(sink.confirms, (std::vector<std::string>{"Delete selected symbol(s)?"}));
  EXPECT_EQ(Store().SymbolCount(), count);
  symbols.Duplicate();
  ASSERT_EQ(Store().SymbolCount(), count + 1);
  EXPECT_EQ(Store().Symbol(2).Number(), Store().Symbol(1).Number() + 1);
  EXPECT_EQ(window.current, 2);
  state.CurrentSymbol = 2;
  symbols.Delete();
  EXPECT_EQ(Store().SymbolCount(), count);
  EXPECT_TRUE(window.Asked("table"));
  EXPECT_TRUE(window.Asked("redraw"));
}

// --- File commands ---------------------------------------------------------------------------

TEST_F(AreaTest, ThePrintWindowIsReadFromAndWrittenToTheMapSettings) {
  FileCommands(context).PrintWindow();
  ASSERT_TRUE(window.read && window.write);
  EXPECT_EQ(window.windowHelp, help::kPrintWindow);
  EXPECT_FALSE(doc.Modified());
  window.write(window.read());  // ended without a change
  EXPECT_FALSE(doc.Modified());
  window.write(Box{-256000, -512000, 256000, 512000});
  const SetupBlock& s = Store().Setup();
  EXPECT_EQ(s.PrintLeft(), -256000);
  EXPECT_EQ(s.PrintTop(), 512000);
  EXPECT_EQ(window.read().right, 256000);
  EXPECT_TRUE(doc.Modified());
}

TEST_F(AreaTest, TheSessionEndsWithTheMapOnTheCommandLine) {
  RegistryStore registry(dir.Path("reg.reg"));
  context.registry = &registry;
  const auto command = FileCommands(context).SessionEnding("/opt/zelk");
  ASSERT_EQ(command.size(), 2u);
  EXPECT_EQ(command[1], doc.Name());
  const auto value =
      registry.Get("Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce", "ZelkStart");
  ASSERT_TRUE(value.has_value());
  EXPECT_EQ(value->text, "\"/opt/zelk\" " + doc.Name());
}

// --- Tool choice -----------------------------------------------------------------------------

TEST_F(AreaTest, TheToolFollowsTheModeAndTheSymbolType) {
  struct Case {
    Mode mode;
    int symbol;  // place in the test map: line, area, point, text
    Interaction expected;
  };
  const Case cases[] = {
      {Mode::Curve, 0, Interaction::Curve},
      {Mode::Freehand, 1, Interaction::FreehandStraight},
      {Mode::Straight, 0, Interaction::FreehandStraight},
      {Mode::Rectangular, 0, Interaction::Rectangular},
      {Mode::Circle, 1, Interaction::Circle},
      {Mode::Ellipse, 0, Interaction::Ellipse},
      {Mode::Curve, 2, Interaction::Place},
      {Mode::Straight, 3, Interaction::Text},
      {Mode::Curve, -1, Interaction::NoDrawing},
      {Mode::EditPoint, -1, Interaction::Edit},
      {Mode::EditObject, 2, Interaction::Edit},
  };
  for (const Case& c : cases) {
    state.ToolMode = c.mode;
    state.CurrentSymbol = static_cast<int16_t>(c.symbol);
    EXPECT_EQ(ChooseTool(state, Store()).interaction, c.expected) << c.mode << " " << c.symbol;
  }
  state.CurrentSymbol = 0;
  Store().SetSymbolStatus(0, kStatusProtected);
  state.ToolMode = Mode::Curve;
  EXPECT_EQ(ChooseTool(state, Store()).interaction, Interaction::NoDrawing);
  // Without a selection, the modes that need one fall back to the last selection mode.
  state.EditMode = Mode::EditObject;
  state.ToolMode = Mode::Rotate;
  EXPECT_EQ(ChooseTool(state, Store()).interaction, Interaction::Edit);
  EXPECT_EQ(state.ToolMode, Mode::EditObject);
}

TEST(ToolChoice, ModesKeptInTheMapAreCheckedOnTheWayIn) {
  EditorState state;
  SetupBlock setup;
  setup.SetCurrentTool(42);
  setup.SetDrawMode(12);
  setup.SetEditMode(12);
  RestoreModes(state, setup);
  EXPECT_EQ(state.DrawMode, Mode::Curve);
  EXPECT_EQ(state.EditMode, Mode::EditObject);
  EXPECT_EQ(state.ToolMode, Mode::Curve);
  ChooseMode(state, Mode::Straight);
  ChooseMode(state, Mode::RemovePoint);
  StoreModes(state, setup);
  EXPECT_EQ(setup.CurrentTool(), 19);
  EXPECT_EQ(setup.DrawMode(), 6);
  EXPECT_EQ(setup.EditMode(), 12);
  EditorState back;
  RestoreModes(back, setup);
  EXPECT_EQ(back.ToolMode, Mode::RemovePoint);
  EXPECT_EQ(back.DrawMode, Mode::Straight);
  // Choosing a selection mode clears a multiple selection.
  back.MultipleSelection.Assign({4, 5}, Box{});
  ChooseMode(back, Mode::EditPoint);
  EXPECT_EQ(back.MultipleCount(), 0);
  EXPECT_EQ(back.EditMode, Mode::EditPoint);
  EXPECT_EQ(back.DrawMode, Mode::Straight);
}

}  // namespace
}  // namespace zelk

namespace zelk {
namespace {

// --- Coordinates ----------------------------------------------------------------------------

TEST(Coordinates, WindowPixelsAndMapWordsMeetInTheViewTransform) {
  ViewTransform v;
  v.clientWidth = 640;
  v.clientHeight = 480;
  v.zoom = 2;
  v.centreX = 25600 * 40;
  v.centreY = -25600 * 10;
  v.SetViewTransform();
  EXPECT_EQ(v.MapToDevice({v.originX, v.originY}), (DevicePoint{0, 0}));
  EXPECT_EQ(v.DeviceToMap({0, 0}), (Coord{v.originX, v.originY}));
  for (const DevicePoint p :
       {DevicePoint{0, 0}, DevicePoint{320, 240}, DevicePoint{639, 17}, DevicePoint{-50, 600}}) {
    const Coord c = v.DeviceToMap(p);
    EXPECT_EQ(c.x & ~kPosMask, 0);
    EXPECT_EQ(v.MapToDevice(c), p) << p.x << "," << p.y;
  }
  // Flag bytes never move a point.
  const Coord c = v.DeviceToMap({100, 100});
  EXPECT_EQ(v.MapToDevice({c.x | 0x7f, c.y | 0x3}), v.MapToDevice(c));
  // Up on the map is up on the screen.
  EXPECT_LT(v.MapToDevice({c.x, c.y + 25600 * 5}).y, 100);
}

TEST(Coordinates, RealWorldMetresGoThereAndBack) {
  SetupBlock setup;
  setup.SetMapScale(15000);
  setup.SetRealWorldX(600000);
  setup.SetRealWorldY(200000);
  for (double angle : {0.0, 30.0, -90.0}) {
    setup.SetRealWorldAngle(angle);
    const RealWorldTransform world(setup);
    ASSERT_TRUE(world.Valid());
    for (const auto& [x, y] :
         {std::pair{0, 0}, std::pair{25600 * 100, 25600 * 10}, std::pair{-25600 * 7, 25600 * 33}}) {
      const auto [east, north] = world.ToWorld(x, y);
      const Coord back = world.ToMap(east, north);
      EXPECT_NEAR(back.x, x, 256) << angle;
      EXPECT_NEAR(back.y, y, 256) << angle;
    }
  }
  // 100 mm at 1:15000 are 1500 m; turned by 90 degrees east becomes north.
  setup.SetRealWorldAngle(90);
  const auto [east, north] = RealWorldTransform(setup).ToWorld(25600 * 100, 0);
  EXPECT_NEAR(east, 600000, 1e-6);
  EXPECT_NEAR(north, 201500, 1e-6);
  setup.SetMapScale(0);
  EXPECT_FALSE(RealWorldTransform(setup).Valid());
}

TEST(Coordinates, ThePaneShowsMillimetresOrWholeMetres) {
  SetupBlock setup;
  setup.SetMapScale(15000);
  setup.SetRealWorldX(600000);
  setup.SetRealWorldY(200000);
  EXPECT_EQ(CoordinateText(setup, false, 25600 * 12 + 12800, -25600 * 3), "12.50   -3.00");
  EXPECT_EQ(CoordinateText(setup, true, 25600 * 100, 25600 * 10), "601500   200150");
  EXPECT_EQ(ZoomText(0.25), "0.25X");
  EXPECT_EQ(ZoomText(16), "16X");
}

}  // namespace
}  // namespace zelk
