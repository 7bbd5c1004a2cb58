// Symbol icons and the symbol box, the rulers' steps, and the cursors drawn by the program.
#include "editor/symbol_box.h"

#include <gtest/gtest.h>

#include <QPixmap>

#include "editor/cursors.h"
#include "editor/status_panes.h"
#include "editor_fixture.h"

namespace zelk {
namespace {

TEST(SymbolIcon, RowsRunBottomUpWithTheLeftPixelInTheHighHalf) {
  std::vector<uint8_t> icon(264, 0xff);  // a new symbol: white
  icon[0] = 0x9c;                        // bottom row: red, blue
  icon[21 * 12 + 10] = 0x2e;             // top row, pixels 20 and 21: green, aqua
  const QImage img = DecodeSymbolIcon(icon.data());
  ASSERT_EQ(img.size(), QSize(22, 22));
  EXPECT_EQ(img.pixel(0, 21), qRgb(255, 0, 0));
  EXPECT_EQ(img.pixel(1, 21), qRgb(0, 0, 255));
  EXPECT_EQ(img.pixel(20, 0), qRgb(0, 128, 0));
  EXPECT_EQ(img.pixel(21, 0), qRgb(0, 255, 255));
  EXPECT_EQ(img.pixel(5, 5), qRgb(255, 255, 255));
}

TEST(SymbolIcon, TheSixteenColoursAreTheClassicPalette) {
  EXPECT_EQ(IconPaletteColor(0), qRgb(0, 0, 0));
  EXPECT_EQ(IconPaletteColor(3), qRgb(128, 128, 0));
  EXPECT_EQ(IconPaletteColor(8), qRgb(192, 192, 192));
  EXPECT_EQ(IconPaletteColor(13), qRgb(255, 0, 255));
  EXPECT_EQ(IconPaletteColor(15), qRgb(255, 255, 255));
}

TEST(SymbolBox, FiveSymbolsToARowOfTwentyThreePixels) {
  EditorFixture f;
  ASSERT_TRUE(f.OpenMap(WriteTestMap(f.dir, "map.zkm", 0)));
  TSymbolWin& box = *f.form->SymbolBox;
  EXPECT_EQ(box.PlaceAt({5, 5}), 0);
  EXPECT_EQ(box.PlaceAt({23 * 3 + 2, 5}), 3);
  EXPECT_EQ(box.PlaceAt({23 * 4 + 2, 5}), -1);  // only four symbols
  EXPECT_EQ(box.PlaceAt({5, 30}), -1);
  EXPECT_EQ(box.CellRect(3), QRect(69, 0, 23, 23));
  EXPECT_EQ(box.Current(), 0);
  f.form->SymbolBoxClick(2, false, false);
  EXPECT_EQ(box.Current(), 2);
}

TEST(ScaleRuler, LabelsStayApartAtEveryZoom) {
  EXPECT_EQ(TScaleRuler::LabelStep(50), 1);
  EXPECT_EQ(TScaleRuler::LabelStep(10), 5);
  EXPECT_EQ(TScaleRuler::LabelStep(3.125), 20);
  EXPECT_EQ(TScaleRuler::LabelStep(0.05), 1000);
}

TEST(Cursors, EveryToolCursorIsDrawnAndDiffersFromTheArrow) {
  EnsureApplication();
  for (const char* name :
       {"NoDraw",    "DrawPoint",   "DrawRect",    "DrawFreehand", "DrawStraight",
        "Draw45",    "DrawCircle",  "DrawEllipse", "DrawCurve",    "DrawText",
        "EditPoint", "EditObject",  "MoveMulti",   "Cut",          "Anchor",
        "Rotate",    "NormalPoint", "CornerPoint", "RemovePoint",  "RotatePattern",
        "Zoom",      "MoveView",    "AdjTemplate", "AdjScreen",    "AdjGps"}) {
    EXPECT_TRUE(IsDrawnCursor(name)) << name;
    const QCursor c = EditorCursor(name);
    EXPECT_EQ(c.shape(), Qt::BitmapCursor) << name;
    EXPECT_FALSE(c.pixmap().toImage().isNull()) << name;
  }
  EXPECT_NE(EditorCursor("DrawCurve").pixmap().toImage(),
            EditorCursor("DrawCircle").pixmap().toImage());
  EXPECT_EQ(EditorCursor("SizeNWSE").shape(), Qt::SizeFDiagCursor);
  EXPECT_EQ(EditorCursor("").shape(), Qt::ArrowCursor);
  EXPECT_EQ(EditorCursor("Unknown").shape(), Qt::ArrowCursor);
}

}  // namespace
}  // namespace zelk

namespace zelk {
namespace {

TEST(SymbolIcon, AnUnpaintedIconShowsTheSymbolItself) {
  EditorFixture f;
  ASSERT_TRUE(f.OpenMap(WriteTestMap(f.dir, "map.zkm", 0)));
  const MapStore& s = f.form->Doc().Store();
  const QImage line = SymbolPreview(s, s.Symbol(0), &f.fonts);
  int dark = 0;
  for (int y = 0; y < 22; ++y)
    for (int x = 0; x < 22; ++x) dark += qGray(line.pixel(x, y)) < 100;
  EXPECT_GT(dark, 10);  // the black main line across the icon
}

}  // namespace
}  // namespace zelk
