// Clipboard blocks written and read back, and blocks another program could have put there.
#include "storage/clipboard_blocks.h"

#include <gtest/gtest.h>

#include "map_fixture.h"
#include "storage/byte_io.h"

namespace zelk {
namespace {

std::vector<uint8_t> Bytes(std::initializer_list<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

std::vector<uint8_t> Encoded(const ObjectRecord& o) {
  std::vector<uint8_t> b(static_cast<size_t>(o.Length()));
  o.Encode(b.data());
  return b;
}

TEST(ClipboardBlocks, ObjectsAreRelativeToTheCentreOfTheirBoxes) {
  ObjectRecord a = MakeLine(1010, 0, 0, 10000, 0), b = MakeLine(2010, 0, 5000, 10000, 5000);
  a.coords[1].x |= kFirstCurvePoint;
  b.SetText("x");
  b.type = ObjectType::Line;
  const Box box{0, 0, 10000 * 256, 5000 * 256};
  const Coord origin = ClipboardOrigin(box);
  EXPECT_EQ(origin.x, 5000 * 256);
  EXPECT_EQ(origin.y, 2500 * 256);
  EXPECT_EQ(ClipboardOrigin({-1, -1, 0, 0}).x, -256);  // rounded down, also below zero
  const std::optional<std::vector<uint8_t>> block = EncodeObjectBlock({{a, b}}, origin);
  ASSERT_TRUE(block);
  EXPECT_EQ(block->size(), static_cast<size_t>(a.Length() + b.Length() + 4));
  const std::vector<ObjectRecord> back = DecodeObjectBlock(*block);
  ASSERT_EQ(back.size(), 2u);
  EXPECT_EQ(back[0].coords[0].PosX(), -5000);
  EXPECT_EQ(back[0].coords[1].XFlags(), kFirstCurvePoint);
  EXPECT_EQ(back[1].coords[1].PosY(), 2500);
  EXPECT_EQ(back[1].Text(), "x");
}

TEST(ClipboardBlocks, TheSizeLimitIs65000Bytes) {
  // A block of objects is 4 + 32 per record + 8 per point or text unit: always 4 more than a
  // multiple of 8, so 64996 is the largest that is taken and 65004 the smallest refused.
  ObjectRecord full = MakeLine(1010, 0, 0, 1, 1);
  full.coords.assign(2000, Coord{});
  ObjectRecord rest = full;
  rest.coords.assign((64996 - 4 - 4 * 32) / 8 - 3 * 2000, Coord{});
  std::vector<ObjectRecord> four{full, full, full, rest};
  EXPECT_EQ(EncodeObjectBlock(four, Coord{}).value_or(std::vector<uint8_t>{}).size(), 64996u);
  four[3].coords.push_back(Coord{});
  EXPECT_FALSE(EncodeObjectBlock(four, Coord{}));
}

TEST(ClipboardBlocks, BlocksFromElsewhereAreCheckedRecordByRecord) {
  const std::vector<uint8_t> good = Encoded(MakeLine(1010, 1, 2, 3, 4));
  const std::vector<uint8_t> end = {0, 0, 0, 0};
  auto head = [](int points, int text) {
    ObjectRecord o = MakeLine(1010, 0, 0, 1, 1);
    std::vector<uint8_t> b = Encoded(o);
    PutI16(b.data() + 4, static_cast<int16_t>(points));
    PutI16(b.data() + 6, static_cast<int16_t>(text));
    return b;
  };
  struct Case {
    const char* what;
    std::vector<uint8_t> block;
    size_t objects;
  } cases[] = {
      {"two good records", Bytes({good, good, end}), 2},
      {"no end mark", Bytes({good, good}), 1},
      {"empty", {}, 0},
      {"only the end", end, 0},
      {"zero points", Bytes({good, head(0, 0), end}), 1},
      {"negative points", Bytes({head(-3, 0), end}), 0},
      {"negative text", Bytes({good, head(2, -1), end}), 1},
      {"2001 points", Bytes({head(2001, 0), end}), 0},
      {"points and text past 2000", Bytes({head(1999, 2), end}), 0},
      {"a head claiming more than the block", Bytes({good, head(2, 500), end}), 1},
      {"cut inside the next head",
       Bytes({good, std::vector<uint8_t>(good.begin(), good.begin() + 20)}), 1},
  };
  for (const Case& c : cases) EXPECT_EQ(DecodeObjectBlock(c.block).size(), c.objects) << c.what;
}

TEST(ClipboardBlocks, SymbolsRoundTripAndDamagedOnesEndTheList) {
  const SymbolRecord line = MakeSymbol(1010, SymbolType::Line, 20, {2});
  const SymbolRecord area = MakeSymbol(2010, SymbolType::Area, 0, {1});
  const std::optional<std::vector<uint8_t>> block =
      EncodeSymbolBlock(std::vector<SymbolRecord>{line, area});
  ASSERT_TRUE(block);
  const std::vector<SymbolRecord> back = DecodeSymbolBlock(*block);
  ASSERT_EQ(back.size(), 2u);
  EXPECT_EQ(back[0].Bytes(), line.Bytes());
  EXPECT_EQ(back[1].Bytes(), area.Bytes());
  auto withLength = [&](int length) {
    std::vector<uint8_t> b = line.Bytes();
    PutI16(b.data(), static_cast<int16_t>(length));
    return b;
  };
  const std::vector<uint8_t> end = {0, 0, 0, 0};
  EXPECT_EQ(DecodeSymbolBlock(Bytes({line.Bytes(), withLength(347), end})).size(), 1u);
  EXPECT_EQ(DecodeSymbolBlock(Bytes({withLength(20905), end})).size(), 0u);
  EXPECT_EQ(DecodeSymbolBlock(Bytes({withLength(-5), end})).size(), 0u);
  EXPECT_EQ(DecodeSymbolBlock(withLength(static_cast<int>(line.Bytes().size()) + 8)).size(), 0u);
  // More than 1000 symbols: the first 1000.
  std::vector<uint8_t> many;
  for (int i = 0; i < 1005; ++i) many.insert(many.end(), line.Bytes().begin(), line.Bytes().end());
  EXPECT_EQ(DecodeSymbolBlock(many).size(), 1000u);
  EXPECT_FALSE(EncodeSymbolBlock(std::vector<SymbolRecord>(200, line)).has_value());
}

}  // namespace
}  // namespace zelk
