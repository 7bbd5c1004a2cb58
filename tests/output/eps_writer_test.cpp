// The EPS stream and file: framing against the reference file, screens, passthrough pages, the
// colour loop of each plate, and the page layout and plates of printing.
#include "output/eps_writer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "output/print_job.h"
#include "storage/map_fixture.h"
#include "storage/symbol_records.h"

namespace zelk {
namespace {

std::vector<std::string> SplitCrLf(const std::string& text) {
  std::vector<std::string> out;
  size_t at = 0;
  while (at < text.size()) {
    const size_t end = text.find("\r\n", at);
    if (end == std::string::npos) {
      ADD_FAILURE() << "a line without CR LF: " << text.substr(at, 40);
      break;
    }
    out.push_back(text.substr(at, end - at));
    at = end + 2;
  }
  return out;
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

size_t CountOf(const std::vector<std::string>& lines, const std::string& line) {
  return static_cast<size_t>(std::count(lines.begin(), lines.end(), line));
}

// Black (number 2) and yellow (1) with spot values; a line symbol 101 of 0.2 mm in black and
// an area symbol 201 in yellow.
struct PrintMap : MapFixture {
  PrintMap() {
    SymbolHeader& h = store.MutableColors();
    h.colors[0].cmyk = {0, 0, 0, 200};
    h.colors[2].cmyk = {0, 20, 180, 0};
    h.separationCount = 2;
    h.separations[0].name = "Black";
    h.separations[1].name = "Yellow";
    h.separations[1].frequency = 0;
    h.separations[1].angle = 150;
    h.colors[0].separations[0] = 200;  // black: only on the black plate
    h.colors[2].separations[1] = 160;  // yellow: only on the yellow plate
    h.colors[2].separations[0] = 201;  // above 200: not on the black plate at all
    h.halftoneFrequency = {1500, 1330, 1200, 1000};
    h.halftoneAngle = {150, 750, 0, 450};
    SymbolRecord line;
    LineSymbol ls;
    ls.LineColor = 2;
    ls.LineWidth = 20;
    ls.Encode(line);
    line.SetType(SymbolType::Line);
    line.SetNumber(1010);
    line.SetExtent(10);
    ColorSet black;
    black.Add(2);
    line.SetColors(black);
    SymbolRecord area;
    AreaSymbol as;
    as.FillOn = 1;
    as.FillColor = 1;
    as.Encode(area);
    area.SetType(SymbolType::Area);
    area.SetNumber(2010);
    ColorSet yellow;
    yellow.Add(1);
    area.SetColors(yellow);
    store.ReplaceSymbol(0, line);
    store.ReplaceSymbol(1, area);
    store.RewriteSymbolIndex();
  }
  void AddLine(int x0, int y0, int x1, int y1) {
    ObjectRecord o = MakeLine(1010, x0, y0, x1, y1);
    ASSERT_TRUE(store.AddObject(o));
  }
  void AddSquare(int x, int y, int s) {
    ObjectRecord o;
    o.symbol = 2010;
    o.type = ObjectType::Area;
    o.coords = {Coord::FromUnits(x, y), Coord::FromUnits(x + s, y), Coord::FromUnits(x + s, y + s),
                Coord::FromUnits(x, y + s)};
    ASSERT_TRUE(store.AddObject(o));
  }
};

EpsStreamRequest Request(const Box& window) {
  EpsStreamRequest rq;
  rq.title = "map.eps";
  rq.printWindow = window;
  rq.mapScale = rq.printScale = 15000;
  return rq;
}

std::vector<std::string> Stream(MapStore& store, const EpsStreamRequest& rq) {
  PostScriptLines lines;
  WriteEpsStream(store, nullptr, lines, rq);
  return SplitCrLf(lines.Text());
}

// --- Framing --------------------------------------------------------------------------------

TEST(EpsFraming, AnEmptyMapIsTheReferenceFileLineForLine) {
  MapFixture f;
  const std::vector<std::string> got = Stream(f.store, Request(UnitsBox(0, 0, 10000, 5000)));
  const std::vector<std::string> want =
      SplitCrLf(ReadText(std::string(ZELK_TEST_DATA_DIR) + "/output/empty_map.eps"));
  ASSERT_FALSE(want.empty());
  ASSERT_EQ(got.size(), want.size());
  for (size_t i = 0; i < want.size(); ++i) EXPECT_EQ(got[i], want[i]) << "line " << i + 1;
}

TEST(EpsFraming, HeaderScaleAndClipFollowTheWindowAndTheScales) {
  MapFixture f;
  EpsStreamRequest rq = Request(UnitsBox(-5000, 1000, 20400, 6080));
  rq.printScale = 10000;  // printed larger: 1.5 times
  const std::vector<std::string> l = Stream(f.store, rq);
  EXPECT_EQ(l[0], "%!PS-Adobe-3.0 EPSF-2.0");
  EXPECT_EQ(l[1], "%%Creator: ZELK 6.05");
  EXPECT_EQ(l[2], "%%Title: map.eps");
  // 254 mm x 50.8 mm at 1.5: 1080 x 216 points.
  EXPECT_EQ(l[3], "%%BoundingBox: 0 0 1080 216");
  EXPECT_EQ(l[4], "%%DocumentProcessColors: Cyan Magenta Yellow Black");
  const size_t setup = 7 + PostScriptProlog().size();
  EXPECT_EQ(l[setup], "1.5000 72 mul 2540 div dup scale");
  EXPECT_EQ(l[setup + 1], "0 0 m");
  EXPECT_EQ(l[setup + 2], "25400 0 lineto");
  EXPECT_EQ(l[setup + 3], "25400 5080 lineto");
  EXPECT_EQ(l[setup + 4], "0 5080 lineto eoclip n");
  EXPECT_EQ(l[setup + 5], "0 J 1 j 1 w");
}

TEST(EpsFraming, TheEncodingVectorHas26LinesAndEveryCodeOnce) {
  const auto& p = PostScriptProlog();
  auto it = std::find_if(p.begin(), p.end(),
                         [](const std::string& s) { return s.rfind("/ANSIVec[", 0) == 0; });
  ASSERT_NE(it, p.end());
  EXPECT_EQ(*it, "/ANSIVec[16#27/quotesingle 16#60/grave");
  EXPECT_EQ(p.end() - it, 26);
  EXPECT_EQ(p.back(), "16#FC/udieresis 16#FD/yacute 16#FE/thorn 16#FF/ydieresis ] def");
  // Lines split between number and name where the layout asks for it.
  EXPECT_EQ(*(it + 1), "16#7C/bar 16#82/quotesinglbase 16#83/florin 16#84/quotedblbase 16#85");
  EXPECT_EQ(*(it + 2), "/ellipsis 16#86/dagger 16#87/daggerdbl 16#88/circumflex 16#89/perthousand");
  std::string all;
  for (auto i = it; i != p.end(); ++i) all += *i + "\n";
  for (int code :
       {0x27, 0x60, 0x7C, 0x8C, 0x91, 0x9C, 0x9F, 0xA0, 0xA1, 0xA4, 0xBF, 0xC0, 0xF7, 0xFF}) {
    char key[8];
    std::snprintf(key, sizeof key, "16#%02X", code);
    const size_t first = all.find(key);
    EXPECT_NE(first, std::string::npos) << key;
    EXPECT_EQ(all.find(key, first + 1), std::string::npos) << key;
  }
  EXPECT_NE(all.find("16#F7/divide"), std::string::npos);
  EXPECT_EQ(all.find("16#80"), std::string::npos);
  EXPECT_EQ(all.find("16#A2"), std::string::npos);
}

TEST(EpsFraming, SeparationsWriteTheScreenOfTheirPlate) {
  PrintMap f;
  struct Case {
    Plate plate;
    std::string screen;
  };
  const Case cases[] = {
      {{PrintKind::CmykSeparations, 0},
       "currentscreen 3 1 roll pop 150 10 div 3 1 roll pop 1500 10 div 3 1 roll setscreen"},
      {{PrintKind::CmykSeparations, 3},
       "currentscreen 3 1 roll pop 450 10 div 3 1 roll pop 1000 10 div 3 1 roll setscreen"},
      {{PrintKind::SpotSeparations, 0},
       "currentscreen 3 1 roll pop 450 10 div 3 1 roll pop 1500 10 div 3 1 roll setscreen"},
      // A stored frequency of 0 is written as 1500.
      {{PrintKind::SpotSeparations, 1},
       "currentscreen 3 1 roll pop 150 10 div 3 1 roll pop 1500 10 div 3 1 roll setscreen"},
  };
  for (const Case& c : cases) {
    EpsStreamRequest rq = Request(UnitsBox(0, 0, 100, 100));
    rq.plate = c.plate;
    const std::vector<std::string> l = Stream(f.store, rq);
    EXPECT_EQ(l[4], "%%DocumentProcessColors: Black");
    const size_t setup = 7 + PostScriptProlog().size();
    EXPECT_EQ(l[setup + 6], c.screen) << c.plate.separation;
  }
  // Out-of-range screens stay within what the map keeps.
  f.store.MutableColors().halftoneFrequency[2] = 30000;
  EpsStreamRequest rq = Request(UnitsBox(0, 0, 100, 100));
  rq.plate = {PrintKind::CmykSeparations, 2};
  EXPECT_EQ(Stream(f.store, rq)[7 + PostScriptProlog().size() + 6],
            "currentscreen 3 1 roll pop 0 10 div 3 1 roll pop 1500 10 div 3 1 roll setscreen");
}

TEST(EpsFraming, PassthroughPagesHaveNoScaleNoScreenAndEndWithGrestore) {
  PrintMap f;
  f.AddLine(0, 0, 1000, 0);
  EpsStreamRequest rq = Request(UnitsBox(0, 0, 1000, 1000));
  rq.title = "ZELK Eps_PassThrough";
  rq.plate = {PrintKind::SpotSeparations, 0};
  rq.passthrough = true;
  rq.originX = 0;
  rq.originY = 1000 * 256;
  rq.scaleX = 0.01;
  rq.scaleY = -0.01;
  rq.clipRectangle = UnitsBox(0, 0, 1000, 1000);
  const std::vector<std::string> l = Stream(f.store, rq);
  const size_t setup = 7 + PostScriptProlog().size();
  EXPECT_EQ(l[2], "%%Title: ZELK Eps_PassThrough");
  EXPECT_EQ(l[setup], "gsave");
  EXPECT_EQ(l[setup + 1], "0 2560 m");  // the window's corners in device units, y down
  EXPECT_EQ(l[setup + 3], "2560 0 lineto");
  EXPECT_EQ(l[setup + 5], "0 J 1 j 1 w");
  EXPECT_EQ(l[setup + 6], "200 gray");
  EXPECT_EQ(CountOf(l, "grestore"), 1u);
  EXPECT_EQ(CountOf(l, "showpage"), 0u);
  for (const std::string& s : l) EXPECT_EQ(s.find("setscreen"), std::string::npos);
}

// --- The colour loop -------------------------------------------------------------------------

TEST(EpsColourLoop, ObjectsOfOneColourAndWidthWriteColourAndWidthOnce) {
  PrintMap f;
  f.AddLine(0, 0, 1000, 0);
  f.AddLine(0, 100, 1000, 100);
  f.AddSquare(200, 200, 300);
  const std::vector<std::string> l = Stream(f.store, Request(UnitsBox(0, 0, 1000, 1000)));
  EXPECT_EQ(CountOf(l, "0 0 0 200 cmyk"), 1u);
  EXPECT_EQ(CountOf(l, "20 w"), 1u);
  EXPECT_EQ(CountOf(l, "S"), 2u);
  EXPECT_EQ(CountOf(l, "f"), 1u);
  // Yellow is last in the table, so drawn first: under the black lines.
  const auto yellow = std::find(l.begin(), l.end(), "0 20 180 0 cmyk");
  const auto black = std::find(l.begin(), l.end(), "0 0 0 200 cmyk");
  ASSERT_NE(yellow, l.end());
  EXPECT_LT(yellow, black);
  EXPECT_EQ(l[l.size() - 3], "showpage");
  EXPECT_EQ(l[l.size() - 2], "%%Trailer");
  EXPECT_EQ(l.back(), "%%EOF");
}

TEST(EpsColourLoop, EachPlateTakesOnlyItsColours) {
  PrintMap f;
  f.AddLine(0, 0, 1000, 0);
  f.AddSquare(200, 200, 300);
  struct Case {
    Plate plate;
    size_t strokes, fills;
    std::vector<std::string> colours;
  };
  const Case cases[] = {
      {{PrintKind::ColorMap, 0}, 1, 1, {"0 20 180 0 cmyk", "0 0 0 200 cmyk"}},
      {{PrintKind::CmykSeparations, 1}, 1, 1, {"20 gray", "0 gray"}},  // magenta
      {{PrintKind::CmykSeparations, 3}, 1, 1, {"0 gray", "200 gray"}},
      {{PrintKind::SpotSeparations, 0}, 1, 0, {"200 gray"}},  // yellow is 201 here: left out
      {{PrintKind::SpotSeparations, 1}, 0, 1, {"160 gray"}},
  };
  for (const Case& c : cases) {
    EpsStreamRequest rq = Request(UnitsBox(0, 0, 1000, 1000));
    rq.plate = c.plate;
    const std::vector<std::string> l = Stream(f.store, rq);
    EXPECT_EQ(CountOf(l, "S"), c.strokes) << int(c.plate.kind) << c.plate.separation;
    EXPECT_EQ(CountOf(l, "f"), c.fills) << int(c.plate.kind) << c.plate.separation;
    std::vector<std::string> colours;
    for (const std::string& s : l)
      if (s.ends_with(" gray") || s.ends_with(" cmyk")) colours.push_back(s);
    EXPECT_EQ(colours, c.colours) << int(c.plate.kind) << c.plate.separation;
  }
}

TEST(EpsColourLoop, AnEmptyColourTableAndAWindowOutsideTheMapGiveAValidEmptyPicture) {
  PrintMap f;
  f.AddLine(0, 0, 1000, 0);
  const std::vector<std::string> outside =
      Stream(f.store, Request(UnitsBox(5000, 5000, 6000, 6000)));
  EXPECT_EQ(CountOf(outside, "S"), 0u);
  EXPECT_EQ(outside.back(), "%%EOF");
  f.store.MutableColors().colorCount = 0;
  const std::vector<std::string> none = Stream(f.store, Request(UnitsBox(0, 0, 1000, 1000)));
  EXPECT_EQ(CountOf(none, "S"), 0u);
  EXPECT_EQ(none.back(), "%%EOF");
}

// --- The file --------------------------------------------------------------------------------

TEST(EpsFile, IsWrittenWholeOrNotAtAll) {
  PrintMap f;
  f.AddLine(0, 0, 1000, 0);
  EpsExportRequest rq;
  rq.path = f.dir.Path("out.eps");
  RecordingSink sink;
  ASSERT_EQ(ExportEpsFile(f.store, rq, &sink), OutputResult::Written);
  const std::vector<std::string> l = SplitCrLf(ReadText(rq.path));
  EXPECT_EQ(l[2], "%%Title: out.eps");
  EXPECT_EQ(l.back(), "%%EOF");
  EXPECT_TRUE(sink.errors.empty());

  rq.path = f.dir.Path("missing/out.eps");
  EXPECT_EQ(ExportEpsFile(f.store, rq, &sink), OutputResult::Failed);
  ASSERT_EQ(sink.errors.size(), 1u);
  EXPECT_EQ(sink.errors[0], "Cannot create " + rq.path);

  sink.errors.clear();
  rq.path = f.dir.Path("bad.eps");
  rq.printWindow = UnitsBox(100, 0, 50, 100);
  EXPECT_EQ(ExportEpsFile(f.store, rq, &sink), OutputResult::Refused);
  rq.printWindow = UnitsBox(0, 100, 50, 100);
  EXPECT_EQ(ExportEpsFile(f.store, rq, &sink), OutputResult::Refused);
  rq.printWindow = UnitsBox(0, 0, 50, 100);
  rq.printScale = -5;
  EXPECT_EQ(ExportEpsFile(f.store, rq, &sink), OutputResult::Refused);
  EXPECT_EQ(sink.errors,
            (std::vector<std::string>{"Right boundary must be greater than left boundary.",
                                      "Top boundary must be greater than bottom boundary.",
                                      "Print scale must be between 1 and 1000000000"}));
  EXPECT_FALSE(std::filesystem::exists(rq.path));
  // Only the one good file and the map are left: no temporary files.
  int files = 0;
  for (const auto& e : std::filesystem::directory_iterator(f.dir.Path())) {
    (void)e;
    ++files;
  }
  EXPECT_EQ(files, 2);
}

TEST(EpsFile, AnAbortedExportIsClosedWithItsTrailerAndSaysSo) {
  PrintMap f;
  for (int i = 0; i < 5; ++i) f.AddLine(0, i * 10, 1000, i * 10);
  struct AbortAfterTwo : NullProgress {
    int steps = 0;
    void Step(int32_t, int32_t) override { ++steps; }
    bool AbortRequested() override { return steps >= 2; }
  } progress;
  EpsExportRequest rq;
  rq.path = f.dir.Path("stopped.eps");
  RecordingSink sink;
  EXPECT_EQ(ExportEpsFile(f.store, rq, &sink, &progress), OutputResult::Aborted);
  EXPECT_EQ(sink.errors, std::vector<std::string>{"Printing aborted."});
  const std::vector<std::string> l = SplitCrLf(ReadText(rq.path));
  EXPECT_EQ(CountOf(l, "S"), 2u);
  EXPECT_EQ(l.back(), "%%EOF");
}

// --- Printing: layout, plates and pages --------------------------------------------------------

TEST(PrintLayout, PagesAcrossAndDownWithOverlaps) {
  struct Case {
    int windowW, windowH;  // 0.01 mm
    double k;
    int paperW, paperH, overlap;  // mm
    int64_t pageW, overlapUnits;
    int across, down;
  };
  const Case cases[] = {
      {20000, 28700, 1.0, 200, 287, 0, 20000, 0, 1, 1},
      {20050, 28750, 1.0, 200, 287, 0, 20000, 0, 1, 1},  // within 0.5 mm: still one page
      {20051, 28700, 1.0, 200, 287, 0, 20000, 0, 2, 1},
      {30400, 20200, 1.0, 200, 287, 10, 20000, 1000, 2, 1},
      {30400, 20200, 1.5, 200, 287, 10, 13333, 667, 3, 2},
      {50000, 10000, 1.0, 200, 287, 100, 20000, 10000, 4, 1},  // 100 mm overlap: at most half
      {100, 100, 1e-9, 200, 287, 0, 400000, 0, 1, 1},          // pages capped at 4 m
  };
  for (const Case& c : cases) {
    const PageLayout l = ComputePageLayout(UnitsBox(0, 0, c.windowW, c.windowH), c.k, c.paperW,
                                           c.paperH, c.overlap, c.overlap);
    EXPECT_EQ(l.pageWidth, c.pageW) << c.windowW << " " << c.k;
    EXPECT_EQ(l.overlapX, c.overlapUnits) << c.windowW << " " << c.k;
    EXPECT_EQ(l.across, c.across) << c.windowW << " " << c.k;
    EXPECT_EQ(l.down, c.down) << c.windowH << " " << c.k;
  }
}

TEST(PrintLayout, PagesAreNumberedByColumnsTopDownAndOverlapByTheOverlap) {
  const Box window = UnitsBox(0, 0, 30000, 40000);
  const PageLayout l = ComputePageLayout(window, 1.0, 200, 287, 10, 10);
  ASSERT_EQ(l.across, 2);
  ASSERT_EQ(l.down, 2);
  const std::vector<PrintPage> pages = LayoutPages(window, l);
  ASSERT_EQ(pages.size(), 4u);
  const std::pair<int, int> order[] = {{0, 0}, {0, 1}, {1, 0}, {1, 1}};
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(pages[i].number, int(i) + 1);
    EXPECT_EQ(pages[i].column, order[i].first);
    EXPECT_EQ(pages[i].row, order[i].second);
  }
  // Neighbours share exactly the overlap; together they are centred on the window.
  EXPECT_EQ(pages[0].box.right - pages[2].box.left, 1000 * 256);
  EXPECT_EQ(pages[0].box.bottom - pages[1].box.top, -1000 * 256);
  EXPECT_EQ(pages[0].box.top > window.top, true);
  EXPECT_EQ((int64_t(pages[0].box.left) + pages[3].box.right) / 2, 15000 * 256);
  EXPECT_EQ((int64_t(pages[1].box.bottom) + pages[2].box.top) / 2, 20000 * 256);
}

TEST(PrintPlates, SeparationsInListOrderWithTheirNames) {
  PrintMap f;
  PrintSettings s;
  s.kind = PrintKind::CmykSeparations;
  s.separations = {0, 3};
  const std::vector<PlateOutput> p = PlatesOf(f.store, s);
  ASSERT_EQ(p.size(), 2u);
  EXPECT_EQ(p[0].name, "Cyan");
  EXPECT_EQ(p[1].name, "Black");
  EXPECT_EQ(SeparationOutputName("/maps/valley.zkm", p[0].name, ".eps"), "/maps/valleyCyan.eps");
  EXPECT_EQ(SeparationOutputName("/maps/valley.zkm", p[1].name, ".prn"), "/maps/valleyBlack.prn");
  s.kind = PrintKind::SpotSeparations;
  s.separations = {1, 5, 0};  // 5 does not exist
  const std::vector<PlateOutput> spot = PlatesOf(f.store, s);
  ASSERT_EQ(spot.size(), 2u);
  EXPECT_EQ(spot[0].name, "Yellow");
  EXPECT_EQ(spot[1].name, "Black");
  EXPECT_EQ(CheckPrintScale(0), "");
  EXPECT_EQ(CheckPrintScale(15000), "");
  EXPECT_NE(CheckPrintScale(-1), "");
  EXPECT_NE(CheckPrintScale(0.5), "");
}

TEST(PrintStream, EveryPageAndCopyIsAPassthroughStreamThatSetsItsOwnWidthAndJoin) {
  PrintMap f;
  f.AddLine(0, 0, 30000, 0);
  PrintSettings s;
  s.copies = 2;
  s.window = UnitsBox(0, -100, 30000, 100);
  PostScriptLines lines;
  const PrintStreamResult r =
      WritePrintStream(f.store, nullptr, lines, s, PostScriptPaper{}, PlateOutput{}, "map.zkm");
  EXPECT_TRUE(r.completed);
  EXPECT_EQ(r.pages, 4);  // two pages across, twice
  const std::vector<std::string> l = SplitCrLf(lines.Text());
  EXPECT_EQ(l[0], "%!PS-Adobe-3.0");
  EXPECT_EQ(CountOf(l, "%%Pages: 4"), 1u);
  EXPECT_EQ(CountOf(l, "%%Page: (1) 1"), 1u);
  EXPECT_EQ(CountOf(l, "%%Page: (2) 2"), 1u);
  EXPECT_EQ(CountOf(l, "%%Page: (1) 3"), 1u);
  EXPECT_EQ(CountOf(l, "%%Page: (2) 4"), 1u);
  EXPECT_EQ(CountOf(l, "showpage"), 4u);
  EXPECT_EQ(CountOf(l, "%%Title: ZELK Eps_PassThrough"), 4u);
  // 0.2 mm at 720 dots per inch: 5.67 device units, written on every page.
  EXPECT_EQ(CountOf(l, "6 w"), 4u);
  EXPECT_EQ(CountOf(l, "2 j 0 J"), 4u);
  EXPECT_EQ(l.back(), "%%EOF");
}

TEST(PrintStream, SpotSeparationFilesAreNamedAfterTheirPlates) {
  PrintMap f;
  f.AddLine(0, 0, 1000, 0);
  f.AddSquare(200, 200, 300);
  PrintSettings s;
  s.kind = PrintKind::SpotSeparations;
  s.separations = {0, 1};
  RecordingSink sink;
  std::vector<std::string> written;
  ASSERT_EQ(PrintToPostScriptFiles(f.store, nullptr, s, PostScriptPaper{}, f.dir.Path("out.ps"),
                                   &sink, &written),
            OutputResult::Written);
  EXPECT_EQ(written,
            (std::vector<std::string>{f.dir.Path("outBlack.ps"), f.dir.Path("outYellow.ps")}));
  const std::vector<std::string> black = SplitCrLf(ReadText(written[0]));
  const std::vector<std::string> yellow = SplitCrLf(ReadText(written[1]));
  EXPECT_EQ(CountOf(black, "S"), 1u);
  EXPECT_EQ(CountOf(black, "f"), 0u);
  EXPECT_EQ(CountOf(yellow, "S"), 0u);
  EXPECT_EQ(CountOf(yellow, "f"), 1u);
  EXPECT_EQ(CountOf(black, "%%Page: (Black 1) 1"), 1u);

  s.printScale = -3;
  EXPECT_EQ(PrintToPostScriptFiles(f.store, nullptr, s, PostScriptPaper{}, f.dir.Path("x.ps"),
                                   &sink, nullptr),
            OutputResult::Refused);
  EXPECT_FALSE(std::filesystem::exists(f.dir.Path("xBlack.ps")));
}

TEST(PrintStream, ACancelledJobLeavesNoFile) {
  PrintMap f;
  for (int i = 0; i < 4; ++i) f.AddLine(0, i * 10, 1000, i * 10);
  struct Cancel : NullProgress {
    int steps = 0;
    void Step(int32_t, int32_t) override { ++steps; }
    bool AbortRequested() override { return steps >= 1; }
  } progress;
  PrintSettings s;
  RecordingSink sink;
  EXPECT_EQ(PrintToPostScriptFiles(f.store, nullptr, s, PostScriptPaper{}, f.dir.Path("job.ps"),
                                   &sink, nullptr, &progress),
            OutputResult::Aborted);
  EXPECT_EQ(sink.errors, std::vector<std::string>{"Printing aborted."});
  EXPECT_FALSE(std::filesystem::exists(f.dir.Path("job.ps")));
}

}  // namespace
}  // namespace zelk
