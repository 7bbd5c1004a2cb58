// Pictures of point, rectangle and area symbols drawn on a QImage, compared with reference images.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <memory>

#include "golden_qt.h"
#include "render/object_renderer.h"
#include "render/painter_device.h"
#include "symbol_builders.h"

namespace zelk {
namespace {

using test::Element;
using test::U;

constexpr int kSize = 160;
const Cmyk kBlack{0, 0, 0, 200};
const Cmyk kRed{0, 200, 200, 0};
const Cmyk kBlue{200, 100, 0, 0};
const Cmyk kGreen{120, 0, 200, 0};

// A white image showing map units 0..160 * unitsPerPixel in both directions.
class Picture {
 public:
  explicit Picture(double unitsPerPixel = 1.0) : image(kSize, kSize, QImage::Format_RGB32) {
    image.fill(Qt::white);
    OutputState s;
    s.scaleX = 1.0 / 256 / unitsPerPixel;
    s.scaleY = -s.scaleX;
    s.originY = U(0, static_cast<int>(kSize * unitsPerPixel)).y;
    s.clipRectangle = {0, 0, U(static_cast<int>(kSize * unitsPerPixel), 0).x,
                       U(0, static_cast<int>(kSize * unitsPerPixel)).y};
    s.curveTolerance = 1;
    painter = std::make_unique<QPainter>(&image);
    device = std::make_unique<PainterDevice>(*painter, s);
    ctx = std::make_unique<RenderContext>(RenderContext{*device, fonts, scratch});
  }
  // Draws the object in each colour, the last colour of the list first (the table order).
  void Draw(const ObjectRecord& obj, const SymbolRecord& sym,
            std::vector<std::pair<int, Cmyk>> table) {
    for (auto it = table.rbegin(); it != table.rend(); ++it) {
      device->SelectColorPass(it->first, it->second);
      DrawObject(*ctx, obj, sym);
    }
  }
  const QImage& Finish() {
    device.reset();
    painter->end();
    return image;
  }

  QImage image;
  FixedMetricsFonts fonts;
  RenderScratch scratch;
  std::unique_ptr<QPainter> painter;
  std::unique_ptr<PainterDevice> device;
  std::unique_ptr<RenderContext> ctx;
};

SymbolRecord ExamplePointSymbol() {
  return test::MakePointSymbol({
      {kElementArea, 0, 3, 0, 0, {U(-40, -30), U(40, -30), U(0, 40)}},
      {kElementCircle, 0, 1, 6, 70, {U(0, 0)}},
      {kElementLine, 1, 2, 5, 0, {U(-60, 0), U(60, 0)}},
      {kElementDot, 0, 2, 0, 16, {U(0, 50)}},
  });
}

const std::vector<std::pair<int, Cmyk>> kTable{{2, kBlack}, {1, kRed}, {3, kGreen}, {4, kBlue}};

TEST(SymbolsGoldenTest, PointSymbol) {
  Picture p;
  p.Draw(test::Object(ObjectType::Point, {U(80, 80)}), ExamplePointSymbol(), kTable);
  ExpectMatchesGolden(p.Finish(), "symbol_point");
}

TEST(SymbolsGoldenTest, RotatedPointSymbol) {
  Picture p;
  p.Draw(test::Object(ObjectType::Point, {U(80, 80)}, 450), ExamplePointSymbol(), kTable);
  ExpectMatchesGolden(p.Finish(), "symbol_point_rotated");
}

TEST(SymbolsGoldenTest, FallbackCrossAndFallbackFill) {
  Picture p;
  SymbolRecord damaged = ExamplePointSymbol();
  damaged.Resize(damaged.Size() - 8);
  p.Draw(test::Object(ObjectType::Point, {U(40, 120)}), damaged, kTable);
  const SymbolRecord emptyArea = test::MakeAreaSymbol({});
  AreaSymbol claimsMore = *AreaSymbol::Decode(emptyArea);
  claimsMore.StructSize = 2;  // a structure the record does not hold
  SymbolRecord area = emptyArea;
  claimsMore.Encode(area);
  p.Draw(test::Object(ObjectType::Area, {U(70, 20), U(150, 20), U(150, 90), U(110, 130)}), area,
         kTable);
  ExpectMatchesGolden(p.Finish(), "symbol_fallbacks");
}

TEST(SymbolsGoldenTest, RectangleWithRadiusGridAndNumbering) {
  Picture p(20.0);
  test::RectangleFields f;
  f.lineColor = 4;
  f.lineWidth = 40;
  f.radius = 300;
  f.gridFlags = 3 | 4;
  f.cellWidth = 700;
  f.cellHeight = 1000;
  f.unnumCells = 1;
  f.unnumText = "X";
  p.Draw(
      test::Object(ObjectType::Rectangle, {U(200, 400), U(3000, 400), U(3000, 2400), U(200, 2400)}),
      test::MakeRectangleSymbol(f), kTable);
  ExpectMatchesGolden(p.Finish(), "symbol_rectangle_grid");
}

// A square area with a square hole, the same in every area picture.
ObjectRecord AreaWithHole(int16_t angle = 0) {
  std::vector<Coord> pts = test::Square(15, 15, 130);
  const auto hole = test::Square(60, 60, 40, true);
  pts.insert(pts.end(), hole.begin(), hole.end());
  return test::Object(ObjectType::Area, pts, angle);
}

TEST(SymbolsGoldenTest, AreaFillWithHole) {
  Picture p;
  test::AreaFields f;
  f.fillOn = 1;
  f.fillColor = 3;
  p.Draw(AreaWithHole(), test::MakeAreaSymbol(f), kTable);
  ExpectMatchesGolden(p.Finish(), "symbol_area_fill");
}

TEST(SymbolsGoldenTest, AreaHatchAndCrossHatch) {
  Picture p;
  test::AreaFields f;
  f.hatchMode = 1;
  f.hatchColor = 4;
  f.hatchDist = 6;
  f.hatchLineWidth = 2;
  f.hatchAngle1 = 450;
  std::vector<Coord> left = test::Square(10, 10, 65);
  std::vector<Coord> right = test::Square(85, 10, 65);
  p.Draw(test::Object(ObjectType::Area, left), test::MakeAreaSymbol(f), kTable);
  f.hatchMode = 2;
  f.hatchColor = 1;
  f.hatchAngle1 = 0;
  f.hatchAngle2 = 900;
  p.Draw(test::Object(ObjectType::Area, right), test::MakeAreaSymbol(f), kTable);
  // A hatched area with a hole across the top.
  f.hatchMode = 1;
  f.hatchColor = 2;
  f.hatchAngle1 = -450;
  std::vector<Coord> ring = test::Square(10, 85, 140);
  ring.resize(4);
  ring[2] = U(150, 150);
  ring[3] = U(10, 150);
  const auto hole = test::Square(60, 100, 35, true);
  ring.insert(ring.end(), hole.begin(), hole.end());
  p.Draw(test::Object(ObjectType::Area, ring), test::MakeAreaSymbol(f), kTable);
  ExpectMatchesGolden(p.Finish(), "symbol_area_hatch");
}

test::AreaFields StructureFields(int mode) {
  test::AreaFields f;
  f.fillOn = 1;
  f.fillColor = 3;
  f.structMode = mode;
  f.structWidth = 20;
  f.structHeight = 16;
  f.extent = 6;
  f.structure = {{kElementDot, 0, 2, 0, 6, {U(0, 0)}},
                 {kElementLine, 0, 1, 2, 0, {U(-5, -5), U(5, -5)}}};
  return f;
}

TEST(SymbolsGoldenTest, AreaStructureAlignedRows) {
  Picture p;
  p.Draw(AreaWithHole(), test::MakeAreaSymbol(StructureFields(1)), kTable);
  ExpectMatchesGolden(p.Finish(), "symbol_area_structure_aligned");
}

TEST(SymbolsGoldenTest, AreaStructureOffsetRowsTurned) {
  Picture p;
  p.Draw(AreaWithHole(150), test::MakeAreaSymbol(StructureFields(2)), kTable);
  ExpectMatchesGolden(p.Finish(), "symbol_area_structure_offset");
}

}  // namespace
}  // namespace zelk
