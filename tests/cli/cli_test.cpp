// zelk-cli run in-process: new, info and its JSON, and the failures it reports.
#include "cli/cli.h"

#include <gtest/gtest.h>

#include <QtGui/QGuiApplication>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "render/font_service_qt.h"
#include "storage/map_store.h"
#include "storage/text_format.h"
#include "test_support.h"

namespace zelk {
namespace {

namespace fs = std::filesystem;

struct CliRun {
  int code = 0;
  std::string out, err;
};

CliRun RunTool(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  CliRun r;
  r.code = RunCli(args, out, err);
  r.out = out.str();
  r.err = err.str();
  return r;
}

SymbolRecord Symbol(int number, SymbolType type, int size, int color) {
  SymbolRecord s;
  s.Resize(size);
  s.SetLength(size);
  s.SetType(type);
  s.SetNumber(number);
  s.SetExtent(10);
  ColorSet set;
  set.Add(color);
  s.SetColors(set);
  s.SetDescription("Road \xe9");  // é in the map's code page
  return s;
}

std::string MakeSet(const TempDir& dir) {
  RecordingSink sink;
  MapStore s(&sink);
  s.CreateEmptyMap(dir.Path("set.zkm"));
  s.MutableColors().colorCount = 2;
  s.MutableColors().colors[0] = ColorRecord::NewColor(0, "Black");
  s.MutableColors().colors[1] = ColorRecord::NewColor(3, "Blue");
  s.MutableColors().separationCount = 1;
  s.MutableColors().separations[0].name = "BLACK";
  s.AppendSymbol(Symbol(2010, SymbolType::Line, 424, 0));
  s.AppendSymbol(Symbol(4010, SymbolType::Text, 588, 3));
  s.RewriteSymbolIndex();
  s.CloseWorkingFile();
  return dir.Path("set.zkm");
}

TEST(CliNew, MakesAMapFromASymbolSet) {
  TempDir dir;
  const std::string set = MakeSet(dir);
  const CliRun r = RunTool({"new", dir.Path("m.zkm"), "--symbols", set});
  ASSERT_EQ(r.code, 0) << r.err;
  const CliRun info = RunTool({"info", dir.Path("m.zkm")});
  ASSERT_EQ(info.code, 0) << info.err;
  EXPECT_NE(info.out.find("Symbols:  2 (point 0, line 1, area 0, text 1"), std::string::npos)
      << info.out;
  EXPECT_NE(info.out.find("Objects:  0 live, 0 deleted"), std::string::npos);
  EXPECT_NE(info.out.find("Scale:    1:15000"), std::string::npos);
}

TEST(CliNew, ReportsAMissingSymbolSet) {
  TempDir dir;
  const CliRun r = RunTool({"new", dir.Path("m.zkm"), "--symbols", dir.Path("none.zkm")});
  EXPECT_NE(r.code, 0);
  EXPECT_NE(r.err.find("Cannot open " + dir.Path("none.zkm")), std::string::npos) << r.err;
}

TEST(CliNew, NeverReplacesAnExistingMapUnlessForced) {
  TempDir dir;
  const std::string set = MakeSet(dir);
  const std::string map = dir.Path("m.zkm");
  ASSERT_EQ(RunTool({"new", map, "--symbols", set}).code, 0);
  {
    RecordingSink sink;
    MapStore s(&sink);
    s.WorkingFile().OpenExisting(map);
    ASSERT_TRUE(s.LoadFromWorkingFile());
    ASSERT_TRUE(s.WriteInfoText("The user's work"));
    s.CloseWorkingFile();
  }
  fs::create_symlink(map, dir.Path("link.zkm"));
  const auto mapBefore = ReadFileBytes(map), setBefore = ReadFileBytes(set);

  struct Case {
    std::vector<std::string> args;
    std::string err;
  };
  const Case refused[] = {
      {{"new", map, "--symbols", set}, map + " already exists; give --force to replace it.\n"},
      {{"new", dir.Path("link.zkm"), "--symbols", set},
       dir.Path("link.zkm") + " already exists; give --force to replace it.\n"},
      // The symbol set is never its own new map, not even with --force.
      {{"new", set, "--symbols", set, "--force"},
       set + " is the symbol set itself; nothing was written.\n"},
      {{"new", dir.Path("./set.zkm"), "--symbols", set, "--force"},
       dir.Path("./set.zkm") + " is the symbol set itself; nothing was written.\n"},
  };
  for (const Case& c : refused) {
    const CliRun r = RunTool(c.args);
    EXPECT_EQ(r.code, 1) << c.args[1];
    EXPECT_EQ(r.err, c.err);
    EXPECT_TRUE(r.out.empty());
    EXPECT_EQ(ReadFileBytes(map), mapBefore);
    EXPECT_EQ(ReadFileBytes(set), setBefore);
  }

  const CliRun forced = RunTool({"new", map, "--symbols", set, "--force"});
  ASSERT_EQ(forced.code, 0) << forced.err;
  EXPECT_NE(ReadFileBytes(map), mapBefore);
  const CliRun info = RunTool({"info", map, "--json"});
  ASSERT_EQ(info.code, 0) << info.err;
  EXPECT_NE(info.out.find("\"info\":\"\"}"), std::string::npos) << info.out;
}

TEST(CliInfo, ReportsMissingAndForeignFilesWithTheProgramsMessages) {
  TempDir dir;
  CliRun r = RunTool({"info", dir.Path("nope.zkm")});
  EXPECT_NE(r.code, 0);
  EXPECT_EQ(r.err, dir.Path("nope.zkm") + " File not found.\n");
  WriteFileBytes(dir.Path("junk.zkm"), std::vector<uint8_t>(100, 1));
  r = RunTool({"info", dir.Path("junk.zkm"), "--json"});
  EXPECT_NE(r.code, 0);
  EXPECT_EQ(r.err, dir.Path("junk.zkm") + " Format not correct.\n");
  EXPECT_TRUE(r.out.empty());
}

TEST(CliInfo, JsonHoldsEveryUsedSlotInMapUnits) {
  TempDir dir;
  const std::string set = MakeSet(dir);
  ASSERT_EQ(RunTool({"new", dir.Path("m.zkm"), "--symbols", set}).code, 0);
  {
    RecordingSink sink;
    MapStore s(&sink);
    s.WorkingFile().OpenExisting(dir.Path("m.zkm"));
    ASSERT_TRUE(s.LoadFromWorkingFile());
    ObjectRecord road;
    road.symbol = 2010;
    road.type = ObjectType::Line;
    road.coords = {Coord::FromUnits(100, 200),
                   Coord::FromUnits(300, -50, kFirstCurvePoint, kCornerPoint)};
    ASSERT_TRUE(s.AddObject(road));
    ObjectRecord gone = road;
    ASSERT_TRUE(s.AddObject(gone));
    ASSERT_TRUE(s.DeleteObject(2));
    ObjectRecord layer = road;
    layer.symbol = -1;
    layer.SetLayerName("CONTOUR");
    ASSERT_TRUE(s.AddObject(layer));
    ObjectRecord name;
    name.symbol = 4010;
    name.type = ObjectType::Text;
    name.coords = {Coord::FromUnits(0, 0)};
    name.SetText("Caf\xe9 \"Lake\"");
    ASSERT_TRUE(s.AddObject(name));
    s.WriteInfoText("Demo");
    s.CloseWorkingFile();
  }
  const auto before = ReadFileBytes(dir.Path("m.zkm"));
  const CliRun r = RunTool({"info", dir.Path("m.zkm"), "--json"});
  ASSERT_EQ(r.code, 0) << r.err;
  const std::string& j = r.out;
  EXPECT_EQ(ReadFileBytes(dir.Path("m.zkm")), before);  // reading never writes
  EXPECT_EQ(j.rfind("{\"header\":{\"mark\":3245,\"fileKind\":0,\"version\":6,\"subversion\":5,", 0),
            0u)
      << j;
  EXPECT_NE(
      j.find(
          "\"colors\":[{\"number\":0,\"name\":\"Black\",\"cmyk\":[0,0,0,0],\"separations\":[255,"),
      std::string::npos);
  EXPECT_NE(j.find("\"separations\":[{\"name\":\"BLACK\",\"frequency\":1500,\"angle\":450}]"),
            std::string::npos);
  EXPECT_NE(j.find("{\"number\":2010,\"type\":2,\"subtype\":0,\"extent\":10,\"status\":0,"
                   "\"description\":\"Road \xc3\xa9\",\"colors\":[0],\"length\":424}"),
            std::string::npos)
      << j;
  EXPECT_NE(j.find("\"objectCount\":4,\"liveObjectCount\":3"), std::string::npos);
  EXPECT_NE(j.find("{\"index\":1,\"symbol\":2010,\"type\":2,\"angle\":0,\"deleted\":false,\"box\":["
                   "90,-60,310,210],"
                   "\"points\":[[100,200,0,0],[300,-50,1,1]],\"text\":\"\"}"),
            std::string::npos)
      << j;
  EXPECT_NE(j.find("{\"index\":2,\"symbol\":2010,\"type\":2,\"angle\":0,\"deleted\":true"),
            std::string::npos);
  EXPECT_NE(j.find("\"text\":\"\",\"layer\":\"CONTOUR\"}"), std::string::npos);
  EXPECT_NE(j.find("\"text\":\"Caf\xc3\xa9 \\\"Lake\\\"\"}"), std::string::npos);
  EXPECT_NE(
      j.find("\"setup\":{\"zoom\":4,\"viewX\":0,\"viewY\":0,\"paperGrid\":10,\"currentTool\":5,"),
      std::string::npos);
  EXPECT_NE(j.find("\"templateFile\":\"\",\"templateOpen\":0,\"scannerResolution\":300,"
                   "\"templateAngle\":0},\"info\":\"Demo\"}"),
            std::string::npos)
      << j;
}

// Rendering measures and draws with real fonts, as the tool's own main provides them.
void NeedGuiApplication() {
  static int argc = 1;
  static char name[] = "cli_tests";
  static char* argv[] = {name, nullptr};
  if (QGuiApplication::instance() == nullptr) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    new QGuiApplication(argc, argv);
  }
}

// The shipped demo map, rendered whole.
TEST(CliRender, WritesTheShippedDemoMapAsBmpAndPng) {
  NeedGuiApplication();
  TempDir dir;
  const std::string demo = std::string(ZELK_SHIPPED_DATA_DIR) + "/demo.zkm";
  const CliRun bmp = RunTool({"render", demo, "-o", dir.Path("demo.bmp"), "--dpi", "50"});
  ASSERT_EQ(bmp.code, 0) << bmp.err;
  EXPECT_NE(bmp.out.find("Wrote " + dir.Path("demo.bmp")), std::string::npos);
  const auto bytes = ReadFileBytes(dir.Path("demo.bmp"));
  ASSERT_GT(bytes.size(), 54u);
  EXPECT_EQ(bytes[0], 'B');
  EXPECT_EQ(bytes[1], 'M');
  // The sheet is about 300 x 200 mm: 591 x 396 pixels at 50 DPI, give or take its frame.
  EXPECT_NEAR(GetI32(&bytes[18]), 598, 10);
  EXPECT_NEAR(GetI32(&bytes[22]), 396, 10);

  const CliRun png = RunTool({"render", demo, "-o", dir.Path("demo.png"), "--dpi", "50"});
  ASSERT_EQ(png.code, 0) << png.err;
  const auto head = ReadFileBytes(dir.Path("demo.png"));
  ASSERT_GT(head.size(), 8u);
  EXPECT_EQ(std::string(head.begin() + 1, head.begin() + 4), "PNG");
}

// The tool's one font service draws every command's texts: a second render reads no outline.
TEST(CliRender, DrawsWithTheFontServiceItIsGiven) {
  NeedGuiApplication();
  TempDir dir;
  const std::string demo = std::string(ZELK_SHIPPED_DATA_DIR) + "/demo.zkm";
  QtFontService fonts;
  std::ostringstream out, err;
  ASSERT_EQ(RunCli({"render", demo, "-o", dir.Path("a.png"), "--dpi", "50"}, out, err, &fonts), 0)
      << err.str();
  const int64_t read = fonts.GlyphsExtracted();
  EXPECT_GT(read, 20);
  ASSERT_EQ(RunCli({"render", demo, "-o", dir.Path("b.png"), "--dpi", "50"}, out, err, &fonts), 0)
      << err.str();
  EXPECT_EQ(fonts.GlyphsExtracted(), read);
  EXPECT_GT(fonts.GlyphImages().PicturesMade(), 0);
}

TEST(CliRender, RefusesBadResolutionsAndMissingMapsWithTheProgramsMessages) {
  TempDir dir;
  const std::string demo = std::string(ZELK_SHIPPED_DATA_DIR) + "/demo.zkm";
  const CliRun high = RunTool({"render", demo, "-o", dir.Path("a.bmp"), "--dpi", "2541"});
  EXPECT_NE(high.code, 0);
  EXPECT_EQ(high.err, "Resolution must be between 50 and 2540 DPI\n");
  const CliRun word = RunTool({"render", demo, "-o", dir.Path("a.bmp"), "--dpi", "fine"});
  EXPECT_NE(word.code, 0);
  EXPECT_EQ(word.err, "Resolution must be a number.\n");
  const CliRun missing = RunTool({"render", dir.Path("none.zkm"), "-o", dir.Path("a.bmp")});
  EXPECT_NE(missing.code, 0);
  EXPECT_FALSE(missing.err.empty());
  EXPECT_FALSE(FileExists(dir.Path("a.bmp")));
  EXPECT_EQ(RunTool({"render", demo}).code, 2);  // no output named
}

TEST(CliRender, NeverWritesOverTheMapItself) {
  NeedGuiApplication();
  TempDir dir;
  const std::string map = dir.Path("demo.zkm");
  fs::copy_file(std::string(ZELK_SHIPPED_DATA_DIR) + "/demo.zkm", map);
  fs::create_symlink(map, dir.Path("link.bmp"));
  fs::create_symlink(map, dir.Path("link.zkm"));
  fs::create_directory(dir.Path("sub"));
  fs::create_hard_link(map, dir.Path("hard.bmp"));
  const auto before = ReadFileBytes(map);
  struct Case {
    std::string map, output;
  };
  const Case cases[] = {
      {map, map},
      {map, dir.Path("link.bmp")},
      {map, dir.Path("sub/../demo.zkm")},
      {map, dir.Path("hard.bmp")},
      {dir.Path("link.zkm"), map},
  };
  for (const Case& c : cases) {
    const CliRun r = RunTool({"render", c.map, "-o", c.output, "--dpi", "50"});
    EXPECT_EQ(r.code, 1) << c.output;
    EXPECT_EQ(r.err, c.output + " is the map itself; nothing was written.\n");
    EXPECT_EQ(ReadFileBytes(map), before);
  }
  EXPECT_TRUE(fs::is_symlink(dir.Path("link.bmp")));
  // Another output beside it is written as before.
  const CliRun ok =
      RunTool({"render", dir.Path("link.zkm"), "-o", dir.Path("sub/demo.bmp"), "--dpi", "50"});
  EXPECT_EQ(ok.code, 0) << ok.err;
  EXPECT_EQ(ReadFileBytes(map), before);
}

TEST(CliRender, AMapWithoutObjectsWritesNothing) {
  TempDir dir;
  const std::string set = std::string(ZELK_SHIPPED_DATA_DIR) + "/SYMBOL/Topo15000.zkm";
  const CliRun r = RunTool({"render", set, "-o", dir.Path("empty.bmp")});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "The map has no objects; nothing was written.\n");
  EXPECT_FALSE(FileExists(dir.Path("empty.bmp")));
}

TEST(CliRender, AMapWithNothingInTheDrawableAreaSaysSoAndWritesNothing) {
  NeedGuiApplication();
  TempDir dir;
  const std::string set = MakeSet(dir);
  ASSERT_EQ(RunTool({"new", dir.Path("far.zkm"), "--symbols", set}).code, 0);
  {
    RecordingSink sink;
    MapStore s(&sink);
    s.WorkingFile().OpenExisting(dir.Path("far.zkm"));
    ASSERT_TRUE(s.LoadFromWorkingFile());
    ObjectRecord road;  // 300000 map units out, beyond the 200000 that can be drawn
    road.symbol = 2010;
    road.type = ObjectType::Line;
    road.coords = {Coord::FromUnits(300000, 0), Coord::FromUnits(300500, 0)};
    ASSERT_TRUE(s.AddObject(road));
    s.CloseWorkingFile();
  }
  for (const char* name : {"far.bmp", "far.png"}) {
    const CliRun r = RunTool({"render", dir.Path("far.zkm"), "-o", dir.Path(name), "--dpi", "50"});
    EXPECT_EQ(r.code, 1) << name;
    EXPECT_EQ(r.err, "Nothing to draw: all objects lie outside the drawable area\n") << name;
    EXPECT_TRUE(r.out.empty()) << name;
    EXPECT_FALSE(FileExists(dir.Path(name))) << name;
  }
}

// The private working copy has a short name of its own and is gone afterwards.
TEST(CliInfo, OpensAMapWithAFileNameOf240Characters) {
  TempDir dir;
  const std::string set = MakeSet(dir);
  const std::string name = std::string(236, 'n') + ".zkm";
  ASSERT_EQ(name.size(), 240u);
  fs::copy_file(set, dir.Path(name));
  fs::create_directory(dir.Path("tmp"));
  const char* oldTemp = std::getenv("TMPDIR");
  const std::string savedTemp = oldTemp ? oldTemp : "";
  setenv("TMPDIR", dir.Path("tmp").c_str(), 1);
  const CliRun r = RunTool({"info", dir.Path(name)});
  const CliRun made =
      RunTool({"new", dir.Path(std::string(236, 'm') + ".zkm"), "--symbols", dir.Path(name)});
  oldTemp ? setenv("TMPDIR", savedTemp.c_str(), 1) : unsetenv("TMPDIR");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("Symbols:  2 (point 0, line 1, area 0, text 1"), std::string::npos) << r.out;
  EXPECT_EQ(made.code, 0) << made.err;
  EXPECT_TRUE(fs::is_empty(dir.Path("tmp")));
}

TEST(TextFormat, NumbersIgnoreTheLocaleAndSymbolNumbersReadAsShown) {
  EXPECT_EQ(FormatNumber(15000), "15000");
  EXPECT_EQ(FormatNumber(-0.0001, 2), "0");
  EXPECT_EQ(FormatNumber(2.5, 3, 1), "2.5");
  EXPECT_EQ(FormatNumber(3, 3, 2), "3.00");
  EXPECT_EQ(FormatSymbolNumber(1012), "101.2");
  EXPECT_EQ(ParseSymbolNumber("201.0"), 2010);
  EXPECT_EQ(ParseSymbolNumber("101,2"), 1012);
  EXPECT_EQ(ParseSymbolNumber("0.1"), 1);
  EXPECT_EQ(ParseSymbolNumber("1000"), 0);
  EXPECT_EQ(ParseSymbolNumber("1.25"), 0);
  EXPECT_EQ(ParseSymbolNumber("abc"), 0);
  EXPECT_EQ(Cp1252ToUtf8("\x80 \xe9"), "\xe2\x82\xac \xc3\xa9");
  EXPECT_EQ(Utf8ToCp1252("\xe2\x82\xac \xc3\xa9 \xe4\xb8\xad"), "\x80 \xe9 ?");
}

}  // namespace
}  // namespace zelk

namespace zelk {
namespace {

std::string FileText(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Each folder of tests/data/reader holds a map and what `info --json` must say of it: on
// stdout (expected.json) and on stderr (expected.err, the map's path written as MAP).
TEST(CliInfo, ReaderCasesGiveTheirExpectedReport) {
  int cases = 0;
  for (const auto& entry : std::filesystem::directory_iterator(ZELK_TEST_DATA_DIR "/reader")) {
    SCOPED_TRACE(entry.path().filename().string());
    const std::string map = (entry.path() / "map.zkm").string();
    const CliRun r = RunTool({"info", map, "--json"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, FileText(entry.path() / "expected.json"));
    std::string err = r.err;
    for (size_t at; (at = err.find(map)) != std::string::npos;) err.replace(at, map.size(), "MAP");
    EXPECT_EQ(err, FileText(entry.path() / "expected.err"));
    ++cases;
  }
  EXPECT_GE(cases, 4);
}

}  // namespace
}  // namespace zelk

namespace zelk {
namespace {

TEST(CliGpsReplay, OneEntryPerPollAsTheDialogSeesIt) {
  TempDir dir;
  const std::string chunks = dir.Path("chunks.json");
  std::ofstream(chunks)
      << R"(["$GPGGA,1,4807.038,S,01131.000,W,1,03,,,,,,\r\n$GPGGA,1,48", "07.038,N,01131.000,E,2,05,,,,,,1\r\n", "", "$GPRMC,1,A,1000.000,N,01000.000,E\u00b0\n"])";
  const CliRun plain = RunTool({"gps-replay", chunks});
  ASSERT_EQ(plain.code, 0) << plain.err;
  EXPECT_EQ(
      plain.out,
      R"([{"status":0,"text":"GPS 3 sat.","satellites":3,"dgps":false,"mean":[-48.1173,-11.516666667]},)"
      R"({"status":0,"text":"DGPS 5 sat.","satellites":5,"dgps":true,"mean":[48.1173,11.516666667]},)"
      R"(null,{"status":0,"text":"DGPS 5 sat.","satellites":5,"dgps":true,"mean":[48.1173,11.516666667]}])"
      "\n");
  const CliRun strict = RunTool({"gps-replay", chunks, "--min4", "--filter"});
  ASSERT_EQ(strict.code, 0);
  EXPECT_TRUE(strict.out.starts_with(
      R"([{"status":2,"text":"GPS only 3 sat.","satellites":3,"dgps":false,"mean":null},)"))
      << strict.out;
  for (const char* bad : {"[1]", "[\"a\"", "{}", "[\"\\x\"]"}) {
    std::ofstream(chunks) << bad;
    EXPECT_EQ(RunTool({"gps-replay", chunks}).code, 1) << bad;
  }
  EXPECT_EQ(RunTool({"gps-replay", dir.Path("missing.json")}).code, 1);
}

TEST(CliDxf, ExportsAndImportsThroughTheMapFile) {
  TempDir dir;
  const std::string map = dir.Path("map.zkm"), dxf = dir.Path("map.dxf");
  ASSERT_EQ(RunTool({"new", map, "--symbols", MakeSet(dir)}).code, 0);
  std::ofstream(dir.Path("in.dxf"))
      << "  0\nSECTION\n  2\nENTITIES\n  0\nLINE\n  8\nROADS\n 10\n0\n"
         " 20\n0\n 11\n10\n 21\n5\n  0\nENDSEC\n  0\nEOF\n";
  std::ofstream(dir.Path("t.crt")) << "201 ROADS\n";
  const CliRun in = RunTool({"import-dxf", map, dir.Path("in.dxf"), "--mm-per-unit", "1",
                             "--offset", "0,0", "--crt", dir.Path("t.crt")});
  ASSERT_EQ(in.code, 0) << in.err;
  EXPECT_EQ(in.out, "Imported 1 objects from " + dir.Path("in.dxf") + " into " + map + "\n");
  const CliRun out = RunTool({"export-dxf", map, "-o", dxf, "--mm", "--crt", dir.Path("t.crt")});
  ASSERT_EQ(out.code, 0) << out.err;
  std::ifstream read(dxf, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(read)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("  8\r\nROADS\r\n 10\r\n10.00\r\n 20\r\n5.00\r\n"), std::string::npos);
  // Refused: the map itself as output, a file that is no drawing, a bad factor.
  EXPECT_EQ(RunTool({"export-dxf", map, "-o", map}).code, 1);
  std::ofstream(dir.Path("no.dxf")) << "hello\n";
  const CliRun unknown = RunTool({"import-dxf", map, dir.Path("no.dxf")});
  EXPECT_EQ(unknown.code, 1);
  EXPECT_NE(unknown.err.find("Unknown file format."), std::string::npos);
  EXPECT_EQ(RunTool({"import-dxf", map, dir.Path("in.dxf"), "--mm-per-unit", "x"}).code, 1);
}

}  // namespace
}  // namespace zelk
