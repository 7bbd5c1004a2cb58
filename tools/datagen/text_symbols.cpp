// Text and line text symbols of the topographic set, and the labels of the demo map.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>

#include "datagen.h"
#include "render/text_render.h"
#include "render/text_symbol.h"

namespace zelk::datagen {

namespace {

constexpr int kTitle = 6010;
constexpr int kVillageName = 6020;
constexpr int kHillName = 6030;
constexpr int kWaterName = 6040;
constexpr int kForestName = 6050;
constexpr int kHeightFigure = 6060;
constexpr int kRiverName = 6070;
constexpr int kRoadName = 6080;
constexpr int kNotes = 6090;

// Widths at least as wide as any letter of the standard faces, so that the boxes written into
// text objects enclose what the real fonts draw without the data depending on installed fonts.
class GenerousMetrics : public FontService {
 public:
  bool IsInstalled(const std::string&) override { return true; }
  double CharWidth(const FontRequest& f, char32_t) override { return 0.95 * f.height; }
  double Ascent(const FontRequest& f) override { return 0.95 * f.height; }
  double Descent(const FontRequest& f) override { return 0.25 * f.height; }
  std::vector<GlyphContour> GlyphOutline(const FontRequest&, char32_t) override { return {}; }
};

TextSymbolFields Font(const char* name, int size, int16_t colour, int weight = 400,
                      bool italic = false) {
  TextSymbolFields f;
  f.font = {name, colour, static_cast<int16_t>(size), static_cast<int16_t>(weight),
            static_cast<int16_t>(italic ? 1 : 0)};
  f.wordSpace = 100;
  f.lineSpace = 120;
  return f;
}

void AddText(MapStore& store, int number, const char* description, const TextSymbolFields& f) {
  Add(store, MakeTextSymbol(number, f, NewSymbol(number, SymbolType::Text, description)));
}

void AddLineText(MapStore& store, int number, const char* description, const TextSymbolFields& f) {
  Add(store, MakeLineTextSymbol(number, f, NewSymbol(number, SymbolType::Line, description)));
}

// Stores a text object or framed text with the box of its text, as the editor does after typing.
void AddLaidOutText(MapStore& store, int number, ObjectRecord o) {
  const SymbolRecord& sym = store.SymbolFor(number);
  GenerousMetrics fonts;
  if (sym.Number() != number || !LayOutTextBox(fonts, o, sym) || !store.AddObject(o)) {
    std::fprintf(stderr, "zelk-datagen: a text of symbol %d was refused\n", number);
    std::exit(1);
  }
}

void Label(MapStore& store, int number, Pt at, const std::string& text, int16_t angle = 0) {
  ObjectRecord o;
  o.symbol = static_cast<int16_t>(number);
  o.type = ObjectType::Text;
  o.angle = angle;
  o.coords = {at.ToCoord()};
  o.SetText(text);
  AddLaidOutText(store, number, o);
}

// A gently bent line of `length` through `at` in the direction `angle` (tenths of a degree),
// moved `aside` to its left, for a name along a river or a road.
std::vector<Pt> BentLine(Pt at, int angle, double length, double aside, double bend) {
  const double a = angle * std::numbers::pi / 1800.0;
  const double dx = std::cos(a), dy = std::sin(a);
  const double nx = -dy, ny = dx;
  auto point = [&](double along, double across, int32_t xFlags) {
    return Pt{static_cast<int32_t>(std::lround(at.x + dx * along + nx * (aside + across))),
              static_cast<int32_t>(std::lround(at.y + dy * along + ny * (aside + across))), xFlags};
  };
  return {point(-length / 2, 0, 0), point(-length / 6, bend, kFirstCurvePoint),
          point(length / 6, -bend, kSecondCurvePoint), point(length / 2, 0, 0)};
}

}  // namespace

void AddTextSymbols(MapStore& store) {
  {
    // The sheet title, underlined.
    TextSymbolFields f = Font("Arial", 180, kBlack, 700);
    f.alignment = kAlignCenter;
    f.charSpace = 10;
    f.lbOn = 1;
    f.lbColor = kBlack;
    f.lbWidth = 18;
    f.lbDist = 70;
    AddText(store, kTitle, "Title", f);
  }
  {
    // Village names carry a grey shadow in a second font.
    TextSymbolFields f = Font("Arial", 120, kBlack, 700);
    f.alignment = kAlignCenter;
    f.sfOn = 1;
    f.secondFont = {"Arial", kBlack50, 120, 700, 0};
    f.sfOfx = 12;
    f.sfOfy = -12;
    AddText(store, kVillageName, "Village name", f);
  }
  {
    TextSymbolFields f = Font("Times New Roman", 110, kBrown, 400, true);
    f.alignment = kAlignCenter;
    f.charSpace = 15;
    AddText(store, kHillName, "Hill name", f);
  }
  {
    TextSymbolFields f = Font("Times New Roman", 110, kBlue, 400, true);
    f.alignment = kAlignCenter;
    AddText(store, kWaterName, "Water name", f);
  }
  {
    TextSymbolFields f = Font("Arial", 100, kBlack, 400, true);
    f.alignment = kAlignCenter;
    f.charSpace = 40;
    AddText(store, kForestName, "Forest name", f);
  }
  AddText(store, kHeightFigure, "Height figure", Font("Arial Narrow", 70, kBrown));
  {
    // River names follow the river; a pale second font lifts them off the water lines.
    TextSymbolFields f = Font("Times New Roman", 120, kBlue, 400, true);
    f.alignment = kLineCenter;
    f.charSpace = 30;
    f.sfOn = 1;
    f.secondFont = {"Times New Roman", kBlue50, 120, 400, 1};
    f.sfOfx = 10;
    f.sfOfy = -10;
    AddLineText(store, kRiverName, "River name", f);
  }
  {
    TextSymbolFields f = Font("Arial", 80, kBlack);
    f.alignment = kLineAll;
    AddLineText(store, kRoadName, "Road name", f);
  }
  {
    // Sheet notes: justified paragraphs with tab stops for the figures.
    TextSymbolFields f = Font("Arial", 55, kBlack);
    f.alignment = kAlignJustified;
    f.lineSpace = 115;
    f.paraSpace = 40;
    f.tabCount = 2;
    f.tabs[0] = 1800;
    f.tabs[1] = 3700;
    AddText(store, kNotes, "Sheet notes", f);
  }
}

void AddDemoTexts(MapStore& store, const std::vector<DemoPlace>& places) {
  for (const DemoPlace& p : places) {
    if (p.kind == "title") {
      Label(store, kTitle, {p.at.x, p.at.y + 330}, p.name);
    } else if (p.kind == "village") {
      Label(store, kVillageName, p.at, p.name);
    } else if (p.kind == "hill") {
      Label(store, kHillName, p.at, p.name);
    } else if (p.kind == "lake" || p.kind == "marsh") {
      Label(store, kWaterName, p.at, p.name);
    } else if (p.kind == "forest") {
      Label(store, kForestName, p.at, p.name);
    } else if (p.kind == "river") {
      AddObject(store, kRiverName, ObjectType::Line, BentLine(p.at, p.angle, 2400, -380, 120), 0,
                p.name);
    }
  }
  Label(store, kHeightFigure, {9880, 17420}, "412");
  Label(store, kHeightFigure, {3080, 3920}, "238");
  // The main road's name rides above it west of Kettle Hill.
  AddObject(
      store, kRoadName, ObjectType::Line,
      {{1300, 8740}, {2000, 8880, kFirstCurvePoint}, {2700, 8980, kSecondCurvePoint}, {3500, 9010}},
      0, "Valley Road");

  ObjectRecord notes;
  notes.symbol = kNotes;
  notes.type = ObjectType::Rectangle;
  notes.coords = {
      {500 << 8, 500 << 8}, {6300 << 8, 500 << 8}, {6300 << 8, 1250 << 8}, {500 << 8, 1250 << 8}};
  notes.SetText(
      "Scale 1:15000\tContours 5 m\tSheet 300 x 200 mm\r\n"
      "An invented valley, drawn with every symbol of the Topo15000 set: names follow rivers "
      "and roads.");
  AddLaidOutText(store, kNotes, notes);
}

}  // namespace zelk::datagen
