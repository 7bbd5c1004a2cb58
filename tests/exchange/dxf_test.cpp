// DXF import and export and the cross-reference table, on small maps made through the engine.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "exchange/code_pages.h"
#include "exchange/dxf_export.h"
#include "exchange/dxf_import.h"
#include "exchange/map_import.h"
#include "render/text_symbol.h"
#include "storage/map_fixture.h"

namespace zelk {
namespace {

// A map of the fixture at 1:10000 with a text symbol 4010 as well.
struct DxfMap : MapFixture {
  NullProgress progress;
  CrossRefTable table;
  DxfMap() {
    store.MutableSetup().SetMapScale(10000);
    store.AppendSymbol(MakeTextSymbol(4010, DefaultTextSymbol()));
    store.RewriteSymbolIndex();
  }
  void Table(const std::string& text) { table.Parse(text, CrossRefTable::TypesOf(store)); }
  // R12 entities after a minimal ENTITIES section head; factor 100: one unit is 1 mm.
  DxfImportResult Import(const std::string& entities, double factor = 100,
                         const std::string& header = {}) {
    text = header + "  0\nSECTION\n  2\nENTITIES\n" + entities + "  0\nENDSEC\n  0\nEOF\n";
    DxfReader reader(std::string_view{text});
    DxfImportParams p;
    p.factor = factor;
    p.gis = false;
    return ImportDxf(store, reader, p, table, nullptr, progress);
  }
  ObjectRecord Object(int32_t n) {
    ObjectRecord o;
    EXPECT_TRUE(store.ReadObject(n, &o));
    return o;
  }
  std::string Export(bool gis) {
    const std::string out = dir.Path("out.dxf");
    DxfExportParams p;
    p.gis = gis;
    const DxfExportResult r = ExportDxf(store, out, p, table, sink, progress);
    EXPECT_TRUE(r.written);
    exported = r.exported;
    std::ifstream in(out, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  std::string text;
  int32_t exported = 0;
};

std::vector<std::pair<int, int>> Units(const ObjectRecord& o) {
  std::vector<std::pair<int, int>> out;
  for (const Coord& c : o.coords) out.emplace_back(c.PosX(), c.PosY());
  return out;
}

TEST(CrossRefTable, TakesOnlyValidLinesOfDefinedSymbols) {
  DxfMap m;
  m.Table(
      "101 roads\n"             // line 1010
      "  201   lakes  big  \n"  // area 2010, blanks before the name dropped
      "301\n"                   // no blank
      " 101 leading\n"          // trimmed first: valid
      "0 zero\n"                // not > 0
      "1000 big\n"              // not < 1000
      "abc name\n"              // not a number
      "555.5 undefined\n"       // not in the map
      "401 " +
      std::string(40, 'x') + "\n");
  ASSERT_EQ(m.table.Entries().size(), 4u);
  EXPECT_EQ(m.table.Entries()[0].layerName, "roads");
  EXPECT_EQ(m.table.Entries()[1].symbolNumber, 2010);
  EXPECT_EQ(m.table.Entries()[1].symbolType, 3);
  EXPECT_EQ(m.table.Entries()[1].layerName, "lakes  big");
  EXPECT_EQ(m.table.Entries()[2].layerName, "leading");
  EXPECT_EQ(m.table.Entries()[3].layerName, std::string(31, 'x'));
  // Export takes the first entry of a symbol, import the last of a layer and type.
  EXPECT_EQ(*m.table.LayerOf(1010), "roads");
  m.Table("101 a\n301 a\n201 a\n");
  EXPECT_EQ(m.table.SymbolFor("a", 2)->symbolNumber, 2010);  // a line may become an area
  EXPECT_EQ(m.table.SymbolFor("a", 1)->symbolNumber, 3010);
  EXPECT_EQ(m.table.SymbolFor("b", 2), nullptr);
  std::string many;
  for (int i = 0; i < 300; ++i) many += "101 l" + std::to_string(i) + "\n";
  m.Table(many);
  EXPECT_EQ(m.table.Entries().size(), 256u);
}

TEST(DxfReader, GroupsCodesAndFileTests) {
  const std::string text = " 0 \r\nSECTION\n  10\n   12.5\n999\nx";
  DxfReader r{std::string_view(text)};
  DxfGroup g;
  ASSERT_EQ(r.Next(&g), DxfReader::Result::Group);
  EXPECT_TRUE(g.Is(0, "SECTION"));
  ASSERT_EQ(r.Next(&g), DxfReader::Result::Group);
  EXPECT_EQ(g.code, 10);
  EXPECT_EQ(*g.Number(), 12.5);
  ASSERT_EQ(r.Next(&g), DxfReader::Result::Group);
  EXPECT_FALSE(g.Number().has_value());
  EXPECT_EQ(r.Next(&g), DxfReader::Result::End);
  DxfReader bad{std::string_view("  0\nLINE\nxx\n1\n")};
  ASSERT_EQ(bad.Next(&g), DxfReader::Result::Group);
  EXPECT_EQ(bad.Next(&g), DxfReader::Result::Error);
  EXPECT_TRUE(LooksLikeDxf("0\nA\n2\nB\n9\nC\n"));
  EXPECT_FALSE(LooksLikeDxf("0\nA\n2\nB\n9\n"));
  EXPECT_FALSE(LooksLikeDxf("0\nA\nx\nB\n9\nC\n"));
  EXPECT_TRUE(IsBinaryDxf(std::string("AutoCAD Binary DXF\r\n\x1a", 21)));
  // A value of megabytes keeps its start and the groups after it.
  const std::string huge = "  1\n" + std::string(3 << 20, 'a') + "\n  8\nL\n";
  const std::string path = (std::filesystem::temp_directory_path() / "zelk-huge.dxf").string();
  std::ofstream(path, std::ios::binary) << huge;
  DxfReader file(path);
  ASSERT_EQ(file.Next(&g), DxfReader::Result::Group);
  EXPECT_EQ(g.value.size(), DxfReader::kMaxLine);
  ASSERT_EQ(file.Next(&g), DxfReader::Result::Group);
  EXPECT_TRUE(g.Is(8, "L"));
  std::filesystem::remove(path);
}

TEST(DxfImport, ExtentAndDefaultOffsets) {
  const std::string withHeader =
      "  0\nSECTION\n  2\nHEADER\n  9\n$EXTMIN\n 10\n100\n 20\n200\n  9\n$EXTMAX\n 10\n301\n"
      " 20\n400\n  0\nENDSEC\n  0\nSECTION\n  2\nENTITIES\n";
  DxfReader a{std::string_view(withHeader)};
  const DxfExtent x = ScanDxfExtent(a);
  EXPECT_TRUE(x.found);
  EXPECT_EQ(x.offsetX, 200);  // round(200.5) to even
  EXPECT_EQ(x.offsetY, 300);
  const std::string bare = "  0\nPOLYLINE\n  8\n0\n  0\nVERTEX\n 10\n7.5\n 20\n-3\n  0\nEOF\n";
  DxfReader b{std::string_view(bare)};
  EXPECT_FALSE(ScanDxfExtent(b).found);
  DxfReader c{std::string_view(bare)};
  const DxfExtent first = ScanDxfFirstVertex(c);
  EXPECT_EQ(first.offsetX, 7.5);
  EXPECT_EQ(first.offsetY, -3);
}

TEST(DxfImport, R12EntitiesBecomeObjects) {
  DxfMap m;
  m.Table("101 ROADS\n201 WATER\n301 TREES\n401 NAMES\n");
  const DxfImportResult r = m.Import(
      "  0\nLINE\n  8\nROADS\n 10\n1\n 20\n2\n 11\n3\n 21\n4\n"
      "  0\nLINE\n  8\nWATER\n 10\n0\n 20\n0\n 11\n5\n 21\n0\n"  // an area layer: an area
      "  0\nPOLYLINE\n  8\nOTHER\n 66\n1\n"
      "  0\nVERTEX\n 10\n0\n 20\n0\n  0\nVERTEX\n 10\n9\n 20\n9\n 70\n16\n"  // frame point
      "  0\nVERTEX\n 10\n10\n 20\n0\n  0\nSEQEND\n"
      "  0\nPOLYLINE\n  8\nROADS\n  0\nVERTEX\n 10\n1\n 20\n1\n  0\nSEQEND\n"  // one vertex
      "  0\nPOINT\n  8\nTREES\n 10\n4\n 20\n5\n 50\n45\n"
      "  0\nLINE\n  8\nROADS\n 10\n1\n 20\n2\n 11\n2500\n 21\n4\n"  // 2500 mm: dropped
      "  0\nLINE\n  8\nROADS\n 10\nx\n 20\n2\n 11\n3\n 21\n4\n"     // not a number: dropped
      "  0\n3DFACE\n  8\nROADS\n 10\n1\n"                           // not read
      "  0\nTEXT\n  8\nNAMES\n 10\n6\n 20\n7\n  1\nK\x94ln\n 50\n90\n");
  EXPECT_TRUE(r.error.empty()) << r.error;
  ASSERT_EQ(r.added.size(), 5u);
  const ObjectRecord line = m.Object(r.added[0]);
  EXPECT_EQ(line.symbol, 1010);
  EXPECT_EQ(line.type, ObjectType::Line);
  EXPECT_EQ(Units(line), (std::vector<std::pair<int, int>>{{100, 200}, {300, 400}}));
  const ObjectRecord area = m.Object(r.added[1]);
  EXPECT_EQ(area.symbol, 2010);
  EXPECT_EQ(area.type, ObjectType::Area);
  const ObjectRecord poly = m.Object(r.added[2]);
  EXPECT_EQ(poly.symbol, -1);
  EXPECT_EQ(poly.LayerName(), "OTHER");
  EXPECT_EQ(Units(poly), (std::vector<std::pair<int, int>>{{0, 0}, {1000, 0}}));
  const ObjectRecord point = m.Object(r.added[3]);
  EXPECT_EQ(point.symbol, 3010);
  EXPECT_EQ(point.angle, 450);
  const ObjectRecord text = m.Object(r.added[4]);
  EXPECT_EQ(text.type, ObjectType::Text);
  EXPECT_EQ(text.Text(), "K\xf6ln");  // OEM 0x94 is o-umlaut
  EXPECT_EQ(text.angle, 900);
  EXPECT_EQ(text.PointCount(), 5);
  // Not laid out here: every corner at the position, none at the origin.
  for (const Coord& c : text.coords) EXPECT_EQ(c.PosX(), 600);
}

TEST(DxfImport, ErrorsStopAndKeepWhatCameBefore) {
  DxfMap m;
  const DxfImportResult r = m.Import(
      "  0\nLINE\n  8\nA\n 10\n0\n 20\n0\n 11\n1\n 21\n1\n"
      "  0\nLINE\n  8\nA\nnot a code\n0\n 20\n0\n");
  EXPECT_EQ(r.error, "Error in DXF file");
  EXPECT_EQ(r.added.size(), 1u);
  // A code page the map cannot take is refused before anything is added.
  const int32_t before = m.store.ObjectCount();
  const DxfImportResult cp =
      m.Import("  0\nLINE\n  8\nA\n 10\n0\n 20\n0\n 11\n1\n 21\n1\n", 100,
               "  0\nSECTION\n  2\nHEADER\n  9\n$DWGCODEPAGE\n  3\nANSI_932\n"
               "  0\nENDSEC\n");
  EXPECT_FALSE(cp.error.empty());
  EXPECT_EQ(m.store.ObjectCount(), before);
}

TEST(DxfImport, ModernEntitiesBecomeCurvesAndBlocks) {
  DxfMap m;
  const DxfImportResult r = m.Import(
      // A closed LWPOLYLINE with a half circle (bulge 1) from (0,0) to (10,0).
      "  0\nLWPOLYLINE\n  8\nL\n 70\n0\n 10\n0\n 20\n0\n 42\n1\n 10\n10\n 20\n0\n"
      "  0\nCIRCLE\n  8\nL\n 10\n0\n 20\n0\n 40\n5\n"
      "  0\nMTEXT\n  8\nL\n 10\n1\n 20\n1\n  1\n{\\fArial;One}\\PTwo\n",
      100,
      // A block that holds a line and inserts itself: expanded to a sane depth, no hang.
      "  0\nSECTION\n  2\nBLOCKS\n  0\nBLOCK\n  2\nB\n 10\n0\n 20\n0\n"
      "  0\nLINE\n  8\n0\n 10\n0\n 20\n0\n 11\n1\n 21\n0\n"
      "  0\nINSERT\n  8\n0\n  2\nB\n 10\n0\n 20\n1\n"
      "  0\nENDBLK\n  0\nENDSEC\n");
  ASSERT_EQ(r.added.size(), 3u) << r.error;
  const ObjectRecord arc = m.Object(r.added[0]);
  // Start, then two quarter-circle curves through (5,-5) or (5,5): anchor, c1, c2, anchor.
  ASSERT_EQ(arc.PointCount(), 7);
  EXPECT_EQ(arc.coords[1].XFlags(), kFirstCurvePoint);
  EXPECT_EQ(arc.coords[2].XFlags(), kSecondCurvePoint);
  EXPECT_EQ(arc.coords[3].PosX(), 500);
  EXPECT_EQ(std::abs(arc.coords[3].PosY()), 500);
  EXPECT_EQ(arc.coords[6].PosX(), 1000);
  const ObjectRecord circle = m.Object(r.added[1]);
  ASSERT_EQ(circle.PointCount(), 13);
  EXPECT_TRUE(circle.coords.front().SamePlace(circle.coords.back()));
  EXPECT_EQ(m.Object(r.added[2]).Text(), "One\r\nTwo");

  const DxfImportResult inserted =
      m.Import("  0\nINSERT\n  8\nPLACED\n  2\nB\n 10\n10\n 20\n0\n", 100,
               "  0\nSECTION\n  2\nBLOCKS\n  0\nBLOCK\n  2\nB\n"
               " 10\n0\n 20\n0\n  0\nLINE\n  8\n0\n 10\n0\n 20\n0\n"
               " 11\n1\n 21\n0\n  0\nINSERT\n  8\n0\n  2\nB\n 10\n0\n"
               " 20\n1\n  0\nENDBLK\n  0\nENDSEC\n");
  // The line at each of eight levels, each one unit higher, on the INSERT's layer; the ninth
  // INSERT is too deep and stays a point.
  ASSERT_EQ(inserted.added.size(), 9u);
  const ObjectRecord deepest = m.Object(inserted.added[7]);
  EXPECT_EQ(deepest.LayerName(), "PLACED");
  EXPECT_EQ(Units(deepest), (std::vector<std::pair<int, int>>{{1000, 700}, {1100, 700}}));
  EXPECT_EQ(m.Object(inserted.added[8]).type, ObjectType::Point);

  // A block that inserts itself ten times would place 10^8 copies, here all off the map so
  // that no object is added and only the import's own bound ends it.
  std::string tenfold = "  0\nSECTION\n  2\nBLOCKS\n  0\nBLOCK\n  2\nX\n 10\n0\n 20\n0\n";
  for (int i = 0; i < 10; ++i) tenfold += "  0\nINSERT\n  8\n0\n  2\nX\n 10\n0\n 20\n0\n";
  tenfold += "  0\nENDBLK\n  0\nENDSEC\n";
  const DxfImportResult bounded =
      m.Import("  0\nINSERT\n  8\nL\n  2\nX\n 10\n9000\n 20\n0\n", 100, tenfold);
  EXPECT_TRUE(bounded.added.empty());
}

TEST(DxfImport, SplinesPassTheirFitPointsOrFollowTheirControlPoints) {
  DxfMap m;
  const DxfImportResult r = m.Import(
      "  0\nSPLINE\n  8\nS\n 71\n3\n 11\n0\n 21\n0\n 11\n10\n 21\n10\n 11\n20\n 21\n0\n"
      "  0\nSPLINE\n  8\nS\n 71\n3\n 40\n0\n 40\n0\n 40\n0\n 40\n0\n 40\n1\n 40\n1\n"
      " 40\n1\n 40\n1\n 10\n0\n 20\n0\n 10\n0\n 20\n10\n 10\n10\n 20\n10\n 10\n10\n"
      " 20\n0\n");
  ASSERT_EQ(r.added.size(), 2u) << r.error;
  const ObjectRecord fit = m.Object(r.added[0]);
  ASSERT_EQ(fit.PointCount(), 7);  // three anchors, two curves
  for (int i : {0, 3, 6}) EXPECT_EQ(fit.coords[static_cast<size_t>(i)].XFlags(), 0);
  EXPECT_EQ(Units(fit)[3], (std::pair<int, int>{1000, 1000}));
  EXPECT_EQ(fit.coords[1].XFlags(), kFirstCurvePoint);
  // A Bezier of four control points: from the first to the last, through (5, 7.5) halfway.
  const ObjectRecord controlled = m.Object(r.added[1]);
  EXPECT_EQ(Units(controlled).front(), (std::pair<int, int>{0, 0}));
  EXPECT_EQ(Units(controlled).back(), (std::pair<int, int>{1000, 0}));
  EXPECT_EQ(Units(controlled)[controlled.coords.size() / 2], (std::pair<int, int>{500, 750}));
}

TEST(DxfExport, WritesTheFileLayoutUnitsAndLayers) {
  DxfMap m;
  m.Table("101 roads\n");
  ObjectRecord line = MakeLine(1010, -1, 0, 250, 100);
  line.coords[0].x |= kNoLeftLine;  // a flag bit must not move a negative position
  ASSERT_TRUE(m.store.AddObject(line));
  ObjectRecord point = MakeLine(3010, 10, 20, 10, 20);
  point.type = ObjectType::Point;
  point.coords.resize(1);
  point.angle = 455;
  ASSERT_TRUE(m.store.AddObject(point));
  ObjectRecord text = MakeLine(4010, 0, 0, 0, 0);
  text.type = ObjectType::Text;
  text.coords.assign(5, Coord::FromUnits(5, 5));
  text.SetText("first\r\nsecond");
  ASSERT_TRUE(m.store.AddObject(text));
  ObjectRecord rect = MakeLine(2010, 0, 0, 10, 10);
  rect.type = ObjectType::Rectangle;
  ASSERT_TRUE(m.store.AddObject(rect));
  const std::string mm = m.Export(false);
  EXPECT_EQ(m.exported, 4);  // the rectangle counts, without an entity
  EXPECT_TRUE(mm.starts_with("  0\r\nSECTION\r\n  2\r\nHEADER\r\n  9\r\n$EXTMIN\r\n"));
  EXPECT_NE(
      mm.find("  0\r\nPOLYLINE\r\n 66\r\n1\r\n  8\r\nroads\r\n  0\r\nVERTEX\r\n  8\r\nroads\r\n"
              " 10\r\n-0.01\r\n 20\r\n0.00\r\n  0\r\nVERTEX\r\n  8\r\nroads\r\n 10\r\n2.50\r\n"
              " 20\r\n1.00\r\n  0\r\nSEQEND\r\n"),
      std::string::npos);
  EXPECT_NE(mm.find("  0\r\nPOINT\r\n  8\r\n3010\r\n 10\r\n0.10\r\n 20\r\n0.20\r\n 50\r\n45.5\r\n"),
            std::string::npos);
  EXPECT_NE(mm.find("  1\r\nfirst\r\n"), std::string::npos);
  EXPECT_EQ(mm.find("second"), std::string::npos);
  EXPECT_TRUE(mm.ends_with(" 50\r\n0.0\r\n  0\r\nENDSEC\r\n  0\r\nEOF\r\n"));
  EXPECT_EQ(mm.find("POLYLINE"), mm.rfind("POLYLINE"));  // none for the rectangle
  // GIS at 1:500 writes four decimals and the real-world offset.
  m.store.MutableSetup().SetMapScale(500);
  m.store.MutableSetup().SetRealWorldX(1000);
  const std::string gis = m.Export(true);
  EXPECT_NE(gis.find(" 10\r\n1001.2500\r\n"), std::string::npos);  // 2.50 mm at 1:500
  EXPECT_EQ(DxfDecimals(0.01), 2);
  EXPECT_EQ(DxfDecimals(0.005), 4);
  EXPECT_EQ(DxfDecimals(0.00005), 8);
}

TEST(DxfExport, ReadsBackThroughTheImport) {
  DxfMap m;
  ObjectRecord curve = MakeLine(1010, 0, 0, 1000, 0);
  curve.coords = {Coord::FromUnits(0, 0), Coord::FromUnits(0, 500, kFirstCurvePoint),
                  Coord::FromUnits(1000, 500, kSecondCurvePoint), Coord::FromUnits(1000, 0)};
  ASSERT_TRUE(m.store.AddObject(curve));
  const std::string dxf = m.Export(false);
  DxfMap back;
  DxfReader reader{std::string_view(dxf)};
  DxfImportParams p;
  p.gis = false;
  p.factor = 100;
  const DxfImportResult r = ImportDxf(back.store, reader, p, back.table, nullptr, back.progress);
  ASSERT_EQ(r.added.size(), 1u) << r.error;
  const ObjectRecord o = back.Object(r.added[0]);
  EXPECT_GT(o.PointCount(), 4);  // flattened
  EXPECT_EQ(o.LayerName(), "1010");
  EXPECT_EQ(o.coords.back().PosX(), 1000);
  for (const Coord& c : o.coords) EXPECT_LE(c.PosY(), 376);  // the curve's top is 375
}

TEST(MapImport, CopiesObjectsWithOffsetAndEqualSymbols) {
  DxfMap other;
  ObjectRecord line = MakeLine(1010, 0, 0, 100, 0);
  ASSERT_TRUE(other.store.AddObject(line));
  ASSERT_TRUE(other.store.WriteSettings());
  other.store.CloseWorkingFile();
  DxfMap m;
  const MapImportResult r =
      ImportMap(m.store, other.path, 10 * kWordsPerMm, -kWordsPerMm, m.sink, m.progress);
  ASSERT_TRUE(r.opened);
  ASSERT_EQ(r.added.size(), 1u);
  const ObjectRecord o = m.Object(r.added[0]);
  EXPECT_EQ(o.symbol, 1010);
  EXPECT_EQ(Units(o), (std::vector<std::pair<int, int>>{{1000, -100}, {1100, -100}}));
  EXPECT_FALSE(ImportMap(m.store, m.dir.Path("missing.zkm"), 0, 0, m.sink, m.progress).opened);
}

TEST(CodePages, OemAndUnicodeTexts) {
  EXPECT_EQ(OemToMapText("\x81\x9c"), "\xfc\xa3");
  EXPECT_EQ(MapTextToOem("\xfc\x80"), "\x81?");  // the euro sign has no OEM place
  EXPECT_EQ(DxfUnicodeToMapText("\\U+00E9t\xc3\xa9"), "\xe9t\xe9");
}

}  // namespace
}  // namespace zelk
