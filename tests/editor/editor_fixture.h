// A main window over a scripted world: messages, file names and dialogs answer from scripts,
// maps are built through the engine in a temporary folder, and nothing touches the user's files.
#pragma once

#include <QApplication>
#include <QCoreApplication>
#include <deque>
#include <memory>
#include <optional>

#include "editor/document_dialogs.h"
#include "editor/main_form.h"
#include "editor/view_commands.h"
#include "editor/work_window.h"
#include "render/text_symbol.h"
#include "storage/map_fixture.h"
#include "test_support.h"

namespace zelk {

inline void EnsureApplication() {
  static int argc = 1;
  static char name[] = "editor_tests";
  static char* argv[] = {name, nullptr};
  static QApplication* app = QApplication::instance() ? nullptr : new QApplication(argc, argv);
  (void)app;
}

class ScriptedChooser : public FileChooser {
 public:
  std::deque<std::optional<std::string>> answers;
  std::vector<std::string> titles;
  std::optional<std::string> ChooseFile(const std::string& titleAndFilter, const std::string&,
                                        const std::string&, int, bool) override {
    titles.push_back(titleAndFilter);
    if (answers.empty()) return std::nullopt;
    auto a = answers.front();
    answers.pop_front();
    return a;
  }
};

class ScriptedDialogs : public DocumentDialogs {
 public:
  std::optional<std::string> symbolSet;
  std::optional<std::string> information;
  std::vector<std::vector<std::string>> fontReports;
  int newMapShown = 0;
  std::optional<std::string> ChooseSymbolSet() override {
    ++newMapShown;
    return symbolSet;
  }
  std::optional<std::string> EditInformation(const std::string&) override { return information; }
  void FontsNotFound(const std::vector<std::string>& lines) override {
    fontReports.push_back(lines);
  }
};

// A tool that records what reached it; `endsOnUp` finishes itself on the button release.
class RecordingTool : public Tool {
 public:
  RecordingTool(EditorState& state, Interaction number) : state_(state), number_(number) {}
  std::vector<std::string> log;
  std::vector<ToolPurpose> purposes;
  std::u32string keys;
  bool endsOnUp = false;
  void Start(ToolPurpose p) override {
    state_.InteractionState = number_;
    state_.CursorName = "Recording";
    purposes.push_back(p);
    log.push_back("start");
  }
  void Down(const ToolEvent&) override { log.push_back("down"); }
  void Move(const ToolEvent&) override { log.push_back("move"); }
  void Up(const ToolEvent&) override {
    log.push_back("up");
    if (endsOnUp) Finish();
  }
  void Key(char32_t c) override { keys.push_back(c); }
  void Finish() override {
    log.push_back("finish");
    state_.InteractionState = Interaction::Idle;
  }
  int Count(const std::string& what) const {
    int n = 0;
    for (const auto& l : log) n += l == what;
    return n;
  }

 private:
  EditorState& state_;
  Interaction number_;
};

// Writes a map with a line, an area, a point and a text symbol, `lines` line objects and
// `texts` text objects (of a ten-point text symbol in black).
inline std::string WriteTestMap(const TempDir& dir, const std::string& name, int lines,
                                const std::string& textFont = "Arial", int texts = 0) {
  RecordingSink sink;
  MapStore store(&sink);
  const std::string path = dir.Path(name);
  store.CreateEmptyMap(path);
  SymbolHeader& h = store.MutableColors();
  h.colorCount = 3;
  h.colors[0] = ColorRecord::NewColor(2, "Black");
  h.colors[0].cmyk = {0, 0, 0, 200};
  h.colors[1] = ColorRecord::NewColor(0, "Blue");
  h.colors[1].cmyk = {200, 0, 0, 0};
  h.colors[2] = ColorRecord::NewColor(1, "Yellow");
  h.colors[2].cmyk = {0, 0, 200, 0};
  store.WriteSymbolHeader();
  store.AppendSymbol(test::MakeLineSymbol(1010, 2, 40, 20));  // 0.4 mm wide, in black
  store.AppendSymbol(MakeSymbol(2010, SymbolType::Area, 0, {1}));
  store.AppendSymbol(MakeSymbol(3010, SymbolType::Point, 100, {0, 2}));
  store.AppendSymbol(test::MakeTextSymbolWithFont(4010, textFont, 2));
  if (texts > 0) {
    TextSymbolFields label;
    label.font = {textFont, 2, 100, 400, 0};
    store.AppendSymbol(MakeTextSymbol(4020, label));
  }
  store.RewriteSymbolIndex();
  for (int i = 0; i < lines; ++i) {
    ObjectRecord o = MakeLine(1010, -5000 + (i % 100) * 100, -5000 + (i / 100) * 50,
                              5000 - (i % 100) * 100, 5000);
    store.AddObject(o);
  }
  for (int i = 0; i < texts; ++i) {
    ObjectRecord t;
    t.symbol = 4020;
    t.type = ObjectType::Text;
    t.coords = {Coord::FromUnits(-4000 + (i % 4) * 2000, 4000 - (i / 4) * 800)};
    t.SetText("Place " + std::to_string(i));
    store.AddObject(t);
  }
  store.WriteSettings();
  store.CloseWorkingFile();
  return path;
}

struct EditorFixture {
  TempDir dir;
  RecordingSink sink;
  ScriptedChooser chooser;
  ScriptedDialogs dialogs;
  FixedMetricsFonts fonts;
  Preferences prefs;
  std::unique_ptr<RegistryStore> registry;
  // Tools outlive the window that calls them.
  std::vector<std::unique_ptr<RecordingTool>> tools;
  std::unique_ptr<TMainFm> form;

  // `otherFonts` replaces the fixed-metrics fonts (real fonts, for drawing texts).
  explicit EditorFixture(bool withRegistry = false, FontService* otherFonts = nullptr) {
    EnsureApplication();
    if (withRegistry) registry = std::make_unique<RegistryStore>(dir.Path("registry.reg"));
    MainFormServices s;
    s.sink = &sink;
    s.chooser = &chooser;
    s.dialogs = &dialogs;
    s.fonts = otherFonts ? otherFonts : &fonts;
    s.prefs = &prefs;
    s.registry = registry.get();
    s.tempPath = dir.Path("temp.~km");
    form = std::make_unique<TMainFm>(s);
    form->resize(900, 700);
    form->show();
    Settle();
  }
  ~EditorFixture() {
    // Nothing may ask questions on the way out.
    sink.answers.assign(8, Answer::No);
    form->close();
  }
  EditorState& State() { return form->State(); }
  RecordingTool& AddTool(Interaction state) {
    tools.push_back(std::make_unique<RecordingTool>(form->State(), state));
    form->RegisterTool(state, tools.back().get());
    return *tools.back();
  }
  TWorkWin& Work() { return *form->WorkWin; }
  // A mode button, as the user presses it.
  void ChooseMode(Mode m) { form->Trigger(ModeButtonName(m)); }
  // The View menu's item of a fixed zoom factor.
  void Factor(double zoom) {
    for (int i = 0; i < 8; ++i)
      if (ViewCommands::kFactors[i] == zoom) form->Trigger("ViewFactor" + std::to_string(i));
  }
  // Lets queued paints, posted commands and replays run.
  void Settle() {
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
  }
  bool OpenMap(const std::string& path) {
    const bool ok = form->Doc().Open(path);
    Settle();
    return ok;
  }
};

}  // namespace zelk
