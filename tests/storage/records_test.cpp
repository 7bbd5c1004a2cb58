// Record layouts, reading checks and the text-unit rule.
#include "storage/records.h"

#include <gtest/gtest.h>

#include <cmath>

#include "storage/symbol_records.h"

namespace zelk {
namespace {

TEST(MapFileHeader, NewMapHasOnlyTheCreationFieldsSet) {
  uint8_t raw[48];
  MapFileHeader::NewMap().Encode(raw);
  EXPECT_EQ(GetI16(raw), 3245);
  EXPECT_EQ(GetI16(raw + 2), 0);
  EXPECT_EQ(GetI16(raw + 4), 6);
  EXPECT_EQ(GetI16(raw + 6), 5);
  EXPECT_EQ(GetI32(raw + 16), 19272);
  EXPECT_EQ(GetI32(raw + 20), 1080);
  for (int off : {8, 12, 24, 28}) EXPECT_EQ(GetI32(raw + off), 0) << off;
  for (int i = 32; i < 48; ++i) EXPECT_EQ(raw[i], 0);
}

TEST(MapFileHeader, ReservedBytesSurviveARoundTrip) {
  uint8_t raw[48];
  for (int i = 0; i < 48; ++i) raw[i] = static_cast<uint8_t>(i * 7 + 1);
  uint8_t again[48];
  MapFileHeader::Decode(raw).Encode(again);
  EXPECT_EQ(0, std::memcmp(raw, again, 48));
}

TEST(SymbolHeader, EncodesColoursAndSeparationsAtTheirOffsets) {
  SymbolHeader h;
  h.colorCount = 2;
  h.separationCount = 1;
  h.colors[1] = ColorRecord::NewColor(7, "Blue");
  h.colors[1].cmyk = {200, 100, 0, 0};
  h.separations[0].name = "BLUE";
  std::vector<uint8_t> raw(SymbolHeader::kSize);
  h.Encode(raw.data());
  const uint8_t* c1 = raw.data() + 24 + 72;
  EXPECT_EQ(GetI16(c1), 7);
  EXPECT_EQ(c1[4], 200);
  EXPECT_EQ(GetShortString(c1 + 8, 32), "Blue");
  EXPECT_EQ(c1[40], 255);  // a new colour uses no separation
  EXPECT_EQ(GetShortString(raw.data() + 18456, 16), "BLUE");
  EXPECT_EQ(GetI16(raw.data() + 18456 + 20), 1500);
  EXPECT_EQ(GetI16(raw.data() + 18456 + 22), 450);
  const SymbolHeader back = SymbolHeader::Decode(raw.data());
  EXPECT_EQ(back.colors[1].name, "Blue");
  EXPECT_EQ(back.colorCount, 2);
}

TEST(SymbolHeader, ValidationReplacesOutOfRangeValues) {
  SymbolHeader h;
  h.colorCount = 300;
  h.separationCount = 30;
  h.halftoneFrequency = {99, 100, 10000, 10001};
  h.separations[3].frequency = 50;
  h.Validate();
  EXPECT_EQ(h.colorCount, 1);
  EXPECT_EQ(h.separationCount, 24);
  EXPECT_EQ(h.halftoneFrequency[0], 1500);
  EXPECT_EQ(h.halftoneFrequency[1], 100);
  EXPECT_EQ(h.halftoneFrequency[2], 10000);
  EXPECT_EQ(h.halftoneFrequency[3], 1500);
  EXPECT_EQ(h.separations[3].frequency, 1500);
  h.separationCount = 33;
  h.colorCount = 0;
  h.Validate();
  EXPECT_EQ(h.separationCount, 0);
  EXPECT_EQ(h.colorCount, 1);
}

TEST(ShortString, LengthByteBeyondTheFieldIsClamped) {
  uint8_t field[16];
  std::memset(field, 'A', 16);
  field[0] = 200;
  EXPECT_EQ(GetShortString(field, 16).size(), 15u);
  PutShortString(field, 16, std::string(40, 'x'));
  EXPECT_EQ(field[0], 15);
}

TEST(SetupBlock, DefaultsMatchTheNewMapValues) {
  const SetupBlock s = SetupBlock::Defaults();
  EXPECT_EQ(s.Zoom(), 4.0);
  EXPECT_EQ(s.PaperGrid(), 10.0);
  EXPECT_EQ(s.CurrentTool(), 5);
  EXPECT_EQ(s.DrawMode(), 5);
  EXPECT_EQ(s.EditMode(), 11);
  EXPECT_EQ(s.MapScale(), 15000);
  EXPECT_EQ(s.RealWorldGrid(), 1000.0);
  EXPECT_EQ(s.PrintLeft(), -1280000);
  EXPECT_EQ(s.PrintTop(), 1280000);
  EXPECT_EQ(s.PrintScaleX(), 1000);
  EXPECT_EQ(s.DraftScaleY(), 15000);
  EXPECT_EQ(s.PrintMapScale(), 15000);
  EXPECT_EQ(s.ScannerResolution(), 300);
  EXPECT_EQ(GetF64(&s.raw[924]), 4.0);
}

TEST(SetupBlock, CorrectionReplacesEveryOutOfRangeValue) {
  SetupBlock s = SetupBlock::Defaults();
  s.SetZoom(std::nan(""));
  s.SetViewX(257);
  s.SetViewY(51200256);
  s.SetPaperGrid(0.01);
  s.SetCurrentTool(99);
  s.SetDrawMode(-3);
  s.SetEditMode(20);
  s.SetCurrentSymbolIndex(5000);
  s.SetMapScale(0);
  s.SetDraftScaleX(5);
  s.SetRealWorldX(2e7);
  s.SetRealWorldAngle(400);
  s.SetRealWorldGrid(5);
  s.SetScannerResolution(10);
  s.Correct();
  EXPECT_EQ(s.Zoom(), 4.0);
  EXPECT_EQ(s.ViewX(), 0);
  EXPECT_EQ(s.ViewY(), 0);
  EXPECT_EQ(s.PaperGrid(), 10.0);
  EXPECT_EQ(s.CurrentTool(), 12);
  EXPECT_EQ(s.DrawMode(), 5);
  EXPECT_EQ(s.EditMode(), 12);
  EXPECT_EQ(s.CurrentSymbolIndex(), 999);
  EXPECT_EQ(s.MapScale(), 10000);
  EXPECT_EQ(s.DraftScaleX(), 10000);  // checked against the corrected map scale
  EXPECT_EQ(s.DraftScaleY(), 15000);  // within 0.1..10 times the corrected 10000
  EXPECT_EQ(s.RealWorldX(), 0);
  EXPECT_EQ(s.RealWorldAngle(), 0);
  EXPECT_EQ(s.RealWorldGrid(), 250);
  EXPECT_EQ(s.ScannerResolution(), 50);
}

TEST(SetupBlock, ValidValuesAreKept) {
  SetupBlock s = SetupBlock::Defaults();
  s.SetViewX(-256 * 100);
  s.SetZoom(0.01);
  s.SetCurrentSymbolIndex(-1);
  s.Correct();
  EXPECT_EQ(s.ViewX(), -25600);
  EXPECT_EQ(s.Zoom(), 0.01);
  EXPECT_EQ(s.CurrentSymbolIndex(), -1);
}

TEST(TextUnits, SixtyFourCharactersStartANewBlock) {
  EXPECT_EQ(TextUnitsFor(0), 8);
  EXPECT_EQ(TextUnitsFor(63), 8);
  EXPECT_EQ(TextUnitsFor(64), 16);
  ObjectRecord o;
  o.type = ObjectType::Text;
  o.coords.resize(1);
  o.SetText(std::string(63, 'a'));
  o.FixTextUnits();
  EXPECT_EQ(o.textUnits, 8);
  EXPECT_EQ(o.Length(), 32 + 8 + 64);
  o.SetText(std::string(64, 'a'));
  o.FixTextUnits();
  EXPECT_EQ(o.textUnits, 16);
}

TEST(TextUnits, LineTextIsLimitedByItsPoints) {
  ObjectRecord o;
  o.type = ObjectType::Line;
  o.coords.resize(1995);
  o.SetText(std::string(300, 'x'));
  o.FixTextUnits();
  EXPECT_EQ(o.textUnits, 5);
  EXPECT_EQ(o.textArea.back(), 0);
  EXPECT_EQ(o.Text().size(), 39u);
  EXPECT_LE(o.PointCount() + o.textUnits, 2000);

  o.coords.resize(10);
  o.SetText(std::string(1000, 'x'));
  o.FixTextUnits();
  EXPECT_EQ(o.textUnits, 64);
}

TEST(TextUnits, TextsStopAt1024UnitsWithATerminator) {
  ObjectRecord o;
  o.type = ObjectType::Text;
  o.coords.resize(1);
  o.SetText(std::string(9000, 'x'));
  o.FixTextUnits();
  EXPECT_EQ(o.textUnits, 1024);
  EXPECT_EQ(o.Text().size(), 8191u);
}

TEST(ObjectRecord, DecodeTrimsPointCountsBeyondTheBytes) {
  ObjectRecord o;
  o.symbol = 1012;
  o.type = ObjectType::Line;
  o.coords.resize(2000);
  std::vector<uint8_t> raw = o.Encode();
  ASSERT_EQ(raw.size(), 16032u);
  // Read whole, the last coordinate is there.
  EXPECT_EQ(ObjectRecord::DecodeAsRead(raw.data(), 16032).PointCount(), 2000);
  o.textUnits = 7;  // claims text beyond the bytes read
  raw = o.Encode();
  const ObjectRecord cut = ObjectRecord::DecodeAsRead(raw.data(), 16024);
  EXPECT_EQ(cut.PointCount(), 1999);
  EXPECT_EQ(cut.textUnits, 0);
}

TEST(ObjectRecord, NonPositivePointCountGivesAnEmptyObject) {
  ObjectRecord o;
  o.symbol = 55;
  o.type = ObjectType::Line;
  const std::vector<uint8_t> raw = o.Encode();  // no coordinates: a point count of 0
  const ObjectRecord e = ObjectRecord::DecodeAsRead(raw.data(), static_cast<int>(raw.size()));
  EXPECT_EQ(e.symbol, 0);
  EXPECT_EQ(e.PointCount(), 0);
}

TEST(ObjectRecord, RoundTripKeepsFlagsLayerAndText) {
  ObjectRecord o;
  o.symbol = -1;
  o.type = ObjectType::Text;
  o.angle = 450;
  o.reserved = {1, 2, 3, 4, 5, 6};
  o.SetLayerName("ROADS");
  o.coords = {Coord::FromUnits(100, -200, kFirstCurvePoint, kCornerPoint)};
  o.SetText("Hill");
  const auto raw = o.Encode();
  const ObjectRecord b = ObjectRecord::DecodeAsRead(raw.data(), static_cast<int>(raw.size()));
  EXPECT_EQ(b.LayerName(), "ROADS");
  EXPECT_EQ(b.Text(), "Hill");
  EXPECT_EQ(b.angle, 450);
  EXPECT_EQ(b.reserved, o.reserved);
  EXPECT_EQ(b.coords[0].PosY(), -200);
  EXPECT_EQ(b.coords[0].YFlags(), kCornerPoint);
}

// A type no version knows is kept as read, so that saving such a map leaves its bytes alone.
TEST(ObjectRecord, UnknownTypeSurvivesARoundTripByteForByte) {
  for (const int16_t stored :
       {int16_t{0}, int16_t{6}, int16_t{-3}, int16_t{32767}, int16_t{-32768}}) {
    ObjectRecord o;
    o.symbol = 7;
    o.coords = {Coord::FromUnits(1, 2)};
    std::vector<uint8_t> raw = o.Encode();
    raw[2] = static_cast<uint8_t>(stored & 0xff);
    raw[3] = static_cast<uint8_t>((stored >> 8) & 0xff);
    const auto back = ObjectRecord::Decode(raw);
    ASSERT_TRUE(back.has_value()) << stored;
    EXPECT_EQ(static_cast<int16_t>(back->type), stored);
    EXPECT_FALSE(back->HasTextArea()) << stored;
    EXPECT_EQ(back->Encode(), raw) << stored;
  }
}

TEST(SymbolRecord, UnknownTypeIsKeptAsStored) {
  SymbolRecord s;
  s.SetType(static_cast<SymbolType>(-2));
  EXPECT_EQ(static_cast<int16_t>(s.Type()), -2);
  EXPECT_EQ(s.Bytes()[4], 0xfe);
  EXPECT_EQ(s.Bytes()[5], 0xff);
  EXPECT_EQ(s.ComputedLength(), -1);
}

TEST(BoundingBox, FlagsDoNotMoveTheBoxAndExtentGrowsIt) {
  ObjectRecord a, b;
  a.coords = {Coord::FromUnits(10, 20), Coord::FromUnits(30, 5)};
  b.coords = {Coord::FromUnits(10, 20, 0xff, 0x07), Coord::FromUnits(30, 5, 1, 2)};
  EXPECT_EQ(a.BoundingBox(0), b.BoundingBox(0));
  EXPECT_EQ(a.BoundingBox(50),
            (Box{(10 - 50) * 256, (5 - 50) * 256, (30 + 50) * 256, (20 + 50) * 256}));
}

TEST(SymbolRecord, PointRecordOfAnOlderSubversionIsWidened) {
  // The older layout has the list right after the unit count, where the reserved word is now.
  PointSymbol old;
  old.reserved = static_cast<int16_t>(0xBBAA);  // the list's first two bytes
  SymbolRecord s = old.Encode();
  s.Resize(354);
  s.SetLength(354);
  ASSERT_TRUE(s.UpgradeOlderLayout());
  EXPECT_EQ(s.Length(), 356);
  EXPECT_EQ(s.Size(), 356);
  EXPECT_EQ(PointSymbol::Decode(std::span(s.Bytes()).first(PointSymbol::kFixedSize))->reserved, 0);
  EXPECT_EQ(s.Bytes()[PointSymbol::kFixedSize], 0xAA);
  EXPECT_FALSE(s.UpgradeOlderLayout());
}

TEST(SymbolRecord, LineRecordGetsItsReservedWordAfterTheParameters) {
  // Parameters without the reserved word, then two units of elements.
  LineSymbol old;
  old.PrimDSize = 2;
  old.reserved = 0x11;  // in the older layout: the first byte of the main list
  SymbolRecord s = old.Encode();
  s.Resize(LineSymbol::kFixedSize - 2 + 16);
  s.SetLength(s.Size());
  ASSERT_TRUE(s.UpgradeOlderLayout());
  EXPECT_EQ(s.Length(), LineSymbol::kFixedSize + 16);
  EXPECT_EQ(s.Bytes()[LineSymbol::kFixedSize], 0x11);
  EXPECT_TRUE(s.IsConsistent());
  EXPECT_EQ(LineSymbol::Decode(s)->reserved, 0);
}

TEST(SymbolRecord, ComputedLengthsByType) {
  AreaSymbol area;
  area.StructSize = 4;
  SymbolRecord s = area.Encode();
  s.Resize(600);
  EXPECT_EQ(s.ComputedLength(), 380 + 32);
  s.SetType(SymbolType::Text);
  EXPECT_EQ(s.ComputedLength(), 588);
  s.SetType(SymbolType::Line);
  s.SetSubtype(kSubtypeLineText);
  EXPECT_EQ(s.ComputedLength(), 440);
  s.SetType(static_cast<SymbolType>(9));
  EXPECT_EQ(s.ComputedLength(), -1);
  EXPECT_FALSE(s.IsConsistent());
}

TEST(SymbolRecord, RectangleExtentComesFromItsLineWidth) {
  RectangleSymbol r;
  r.LineWidth = 35;
  SymbolRecord s = r.Encode();
  s.SetExtent(1000);
  s.RepairRectangle();
  EXPECT_EQ(s.Extent(), 35 / 2 + 8);
}

TEST(SymbolRecord, UndefinedUsesTheTopmostColour) {
  const SymbolRecord u = SymbolRecord::Undefined(17);
  EXPECT_EQ(u.Length(), 348);
  EXPECT_EQ(u.Extent(), 50);
  EXPECT_EQ(u.Description(), "Undefined");
  EXPECT_TRUE(u.Colors().Has(17));
  EXPECT_FALSE(u.Colors().Has(0));
}

TEST(ColorSet, BitsAreLeastSignificantFirst) {
  ColorSet s;
  s.Add(0);
  s.Add(9);
  s.Add(255);
  s.Add(256);  // out of range, ignored
  EXPECT_EQ(s.bits[0], 1);
  EXPECT_EQ(s.bits[1], 2);
  EXPECT_EQ(s.bits[31], 0x80);
  EXPECT_TRUE(s.Has(9));
  EXPECT_FALSE(s.Has(8));
  EXPECT_FALSE(s.Has(-1));
}

}  // namespace
}  // namespace zelk
