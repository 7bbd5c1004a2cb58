// The editing tools over a real map without a window: a document on a temporary copy of a map
// with one symbol of every kind, the undo ring, a view that records what the tools ask of it at
// one pixel per map unit, and the tools and commands sharing one selection.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "editor/edit_commands.h"
#include "editor/edit_tool.h"
#include "editor/point_ops.h"
#include "editor/rotate_tool.h"
#include "editor/selection.h"
#include "editor_fixture.h"

namespace zelk {

// Symbols of the editing map.
constexpr int kLine = 1010, kLineText = 1020, kProtectedLine = 1030, kHiddenLine = 1040;
constexpr int kArea = 2010, kHatchedArea = 2020, kPatternArea = 2030;
constexpr int kPoint = 3010, kText = 4010, kRectangle = 5010;

class RecordingView : public ToolView {
 public:
  // Zoom 32 shows one map unit per pixel, so that events land exactly where a test puts them.
  explicit RecordingView(double zoom = 32) {
    view.clientWidth = 800;
    view.clientHeight = 600;
    SetZoom(zoom);
  }
  void SetZoom(double zoom) {
    view.zoom = zoom;
    view.SetViewTransform();
  }
  ViewTransform view;
  std::vector<RubberShape> rubber;
  std::vector<Box> redraws;
  std::vector<ObjectRecord> drawn;
  std::string prompt, right, cursor;
  int marks = 0;

  const ViewTransform& View() const override { return view; }
  Coord DeviceToMap(PixelPos p) const override { return view.DeviceToMap(p); }
  PixelPos MapToDevice(const Coord& c) const override { return view.MapToDevice(c); }
  void SetRubberBand(std::vector<RubberShape> s) override { rubber = std::move(s); }
  void RedrawBox(const Box& b) override { redraws.push_back(b); }
  void RedrawAll() override {}
  void SetView(double, int32_t, int32_t, bool) override {}
  void SetPrompt(const std::string& t) override { prompt = t; }
  void SetRightStatus(const std::string& t) override { right = t; }
  void SetCursorShape(const std::string& n) override { cursor = n; }
  void DrawObjectNow(const ObjectRecord& obj) override { drawn.push_back(obj); }
  void RepaintMarks() override { ++marks; }
};

// A map with one symbol of every kind the editing rules tell apart.
inline std::string WriteEditingMap(const TempDir& dir) {
  RecordingSink sink;
  MapStore store(&sink);
  const std::string path = dir.Path("edit.zkm");
  store.CreateEmptyMap(path);
  SymbolHeader& h = store.MutableColors();
  h.colorCount = 2;
  h.colors[0] = ColorRecord::NewColor(0, "Black");
  h.colors[1] = ColorRecord::NewColor(1, "Green");
  store.WriteSymbolHeader();
  store.AppendSymbol(MakeSymbol(kLine, SymbolType::Line, 0, {0}));
  store.AppendSymbol(MakeSymbol(kLineText, SymbolType::Line, 0, {0}, kSubtypeLineText));
  store.AppendSymbol(MakeSymbol(kProtectedLine, SymbolType::Line, 0, {0}));
  store.AppendSymbol(MakeSymbol(kHiddenLine, SymbolType::Line, 0, {0}));
  store.AppendSymbol(MakeSymbol(kArea, SymbolType::Area, 0, {1}));
  store.AppendSymbol(
      test::MakeAreaSymbol({.hatchMode = 1, .hatchColor = 1, .hatchAngle1 = 300}, kHatchedArea));
  store.AppendSymbol(test::MakeAreaSymbol(
      {.structMode = 1, .structWidth = 100, .structHeight = 100, .structAngle = 450},
      kPatternArea));
  store.AppendSymbol(MakeSymbol(kPoint, SymbolType::Point, 0, {0}));
  {
    TextSymbol t;
    t.FontName = "Arial";
    t.FontSize = 120;
    t.LineSpace = 100;
    SymbolRecord text = MakeSymbol(kText, SymbolType::Text, 0, {0});
    t.Encode(text);
    store.AppendSymbol(text);
  }
  store.AppendSymbol(test::MakeRectangleSymbol({}, kRectangle));
  store.RewriteSymbolIndex();
  store.SetSymbolStatus(store.SymbolPlace(kProtectedLine), kStatusProtected);
  store.SetSymbolStatus(store.SymbolPlace(kHiddenLine), kStatusHidden);
  store.WriteSettings();
  store.CloseWorkingFile();
  return path;
}

// The editing map with what `change` does to it, before a window opens it.
inline std::string WriteEditingMapWith(const TempDir& dir,
                                       const std::function<void(MapStore&)>& change) {
  const std::string path = WriteEditingMap(dir);
  RecordingSink sink;
  MapStore store(&sink);
  store.WorkingFile().OpenExisting(path);
  EXPECT_TRUE(store.LoadFromWorkingFile());
  change(store);
  store.WriteSettings();
  store.CloseWorkingFile();
  return path;
}

// Points in map units with flags.
inline Coord P(int32_t x, int32_t y, int32_t xf = 0, int32_t yf = 0) {
  return Coord::FromUnits(x, y, xf, yf);
}
inline Coord C1(int32_t x, int32_t y) {
  return P(x, y, kFirstCurvePoint);
}
inline Coord C2(int32_t x, int32_t y) {
  return P(x, y, kSecondCurvePoint);
}

inline ObjectRecord Obj(int symbol, ObjectType type, std::vector<Coord> coords) {
  ObjectRecord o;
  o.symbol = static_cast<int16_t>(symbol);
  o.type = type;
  o.coords = std::move(coords);
  return o;
}

struct EditingFixture {
  TempDir dir;
  RecordingSink sink;
  Preferences prefs;
  EditorState state;
  RecordingView view;
  Document doc{&sink, &prefs, nullptr, dir.Path("temp.~km")};
  std::unique_ptr<UndoRing> undo;
  std::unique_ptr<ToolContext> ctx;
  std::shared_ptr<Selection> sel;
  std::unique_ptr<EditTool> edit;
  std::unique_ptr<RotateTool> rotate;
  std::unique_ptr<PointOpTool> pointOps;

  EditingFixture() {
    EnsureApplication();
    EXPECT_TRUE(doc.Open(WriteEditingMap(dir)));
    state.MapOpen = doc.IsOpen();
    state.ToolMode = Mode::EditPoint;
    state.PickTolerance = view.view.pickTolerance;
    undo = std::make_unique<UndoRing>(doc.Store());
    ctx = std::make_unique<ToolContext>(ToolContext{state, doc.Store(), view, *undo, prefs, &sink});
    sel = std::make_shared<Selection>(*ctx);
    edit = std::make_unique<EditTool>(sel);
    rotate = std::make_unique<RotateTool>(sel);
    pointOps = std::make_unique<PointOpTool>(sel);
  }
  ~EditingFixture() {
    // The ring must leave the engine before the document goes.
    undo.reset();
  }
  MapStore& Store() { return doc.Store(); }

  int32_t Add(ObjectRecord o) {
    EXPECT_TRUE(Store().AddObject(o));
    return Store().ObjectCount();
  }
  ObjectRecord Read(int32_t n) {
    ObjectRecord o;
    Store().ReadObject(n, &o);
    return o;
  }
  void Select(int32_t n) { sel->Select(n); }

  // An event at a place in map units.
  ToolEvent At(int32_t x, int32_t y, bool shift = false, bool ctrl = false) const {
    ToolEvent e;
    e.map = Coord::FromUnits(x, y);
    e.pixel = view.MapToDevice(e.map);
    e.shift = shift;
    e.ctrl = ctrl;
    return e;
  }
  // A press, moves in `steps` to the end, and the release.
  void Drag(Tool& t, ToolEvent from, ToolEvent to, int steps = 3) {
    t.Down(from);
    for (int i = 1; i <= steps; ++i) {
      ToolEvent e = to;
      e.map = Coord::FromUnits(from.map.PosX() + (to.map.PosX() - from.map.PosX()) * i / steps,
                               from.map.PosY() + (to.map.PosY() - from.map.PosY()) * i / steps);
      e.pixel = view.MapToDevice(e.map);
      t.Move(e);
    }
    t.Up(to);
  }
  void Click(Tool& t, ToolEvent at) {
    t.Down(at);
    t.Up(at);
  }
  void StartEdit(Mode m = Mode::EditPoint) {
    state.ToolMode = m;
    edit->Start(ToolPurpose::Draw);
  }
};

// Every live object of the map, one line each, for comparing maps before and after a step.
inline std::vector<std::string> Snapshot(MapStore& store) {
  std::vector<std::string> out;
  for (int32_t n = 1; n <= store.ObjectCount(); ++n) {
    IndexEntry e;
    if (!store.ReadEntry(n, &e) || !e.Live()) continue;
    ObjectRecord o;
    store.ReadObject(n, &o);
    std::string line = std::to_string(e.symbol) + " t" + std::to_string(int(o.type)) + " a" +
                       std::to_string(o.angle) + " u" + std::to_string(o.textUnits) + ":";
    for (const Coord& c : o.coords) line += " " + std::to_string(c.x) + "," + std::to_string(c.y);
    line += " '" + o.Text() + "'";
    out.push_back(line);
  }
  std::sort(out.begin(), out.end());
  return out;
}

}  // namespace zelk
