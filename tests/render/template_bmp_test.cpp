// Template bitmaps: every bit depth in both row orders, resolutions, and every lying header.
#include "render/template_bmp.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "template_bmp_builder.h"

namespace zelk {
namespace {

using test::BmpLayout;
using test::MakeBmp;

struct Reader {
  std::vector<uint8_t> bytes;
  int reads = 0;
  std::vector<int64_t> sizes;
  BmpReadAt Fn() {
    return [this](int64_t pos, uint8_t* buf, int64_t n) -> int64_t {
      ++reads;
      sizes.push_back(n);
      if (pos < 0 || pos >= static_cast<int64_t>(bytes.size())) return 0;
      const int64_t got = std::min<int64_t>(n, static_cast<int64_t>(bytes.size()) - pos);
      std::memcpy(buf, bytes.data() + pos, static_cast<size_t>(got));
      return got;
    };
  }
};

// The expected colour of a pixel, from the functions the test file was made with.
uint32_t Expected(const BmpLayout& s, int x, int y) {
  const uint32_t v = s.pixel(x, y);
  if (s.bitCount == 24) return 0xff000000u | (v & 0xffffff);
  const uint32_t mask = (1u << s.bitCount) - 1;
  return 0xff000000u | s.paletteColor(static_cast<int>(v & mask));
}

std::vector<std::vector<uint32_t>> Decode(const std::vector<uint8_t>& bytes, BmpTemplateInfo* info,
                                          BmpTemplateError* error) {
  Reader r{bytes};
  *error = ReadBmpTemplateInfo(r.Fn(), static_cast<int64_t>(bytes.size()), info);
  std::vector<std::vector<uint32_t>> rows;
  if (*error != BmpTemplateError::None) return rows;
  rows.assign(static_cast<size_t>(info->height), {});
  *error = ReadBmpTemplateRows(r.Fn(), *info, [&](int y, const uint32_t* rgb) {
    rows[static_cast<size_t>(y)].assign(rgb, rgb + info->width);
    return true;
  });
  return rows;
}

struct DepthCase {
  uint16_t bits;
  int32_t width, height;
  bool topDown;
};

class BmpDepths : public ::testing::TestWithParam<DepthCase> {};

TEST_P(BmpDepths, DecodesEveryPixelInItsPlace) {
  const DepthCase c = GetParam();
  BmpLayout s;
  s.bitCount = c.bits;
  s.width = c.width;
  s.height = c.height;
  s.topDown = c.topDown;
  if (c.bits <= 8) s.pixel = [](int x, int y) { return static_cast<uint32_t>(x * 3 + y * 7); };
  BmpTemplateInfo info;
  BmpTemplateError e;
  const auto rows = Decode(MakeBmp(s), &info, &e);
  ASSERT_EQ(e, BmpTemplateError::None);
  EXPECT_EQ(info.width, c.width);
  EXPECT_EQ(info.height, c.height);
  EXPECT_EQ(info.topDown, c.topDown);
  EXPECT_EQ(info.bitCount, c.bits);
  for (int y = 0; y < c.height; ++y)
    for (int x = 0; x < c.width; ++x)
      ASSERT_EQ(rows[static_cast<size_t>(y)][static_cast<size_t>(x)], Expected(s, x, y))
          << "pixel " << x << "," << y;
}

INSTANTIATE_TEST_SUITE_P(All, BmpDepths,
                         ::testing::Values(DepthCase{1, 13, 5, false}, DepthCase{1, 32, 3, true},
                                           DepthCase{4, 7, 4, false}, DepthCase{4, 9, 6, true},
                                           DepthCase{8, 5, 9, false}, DepthCase{8, 6, 2, true},
                                           DepthCase{24, 3, 7, false}, DepthCase{24, 5, 5, true},
                                           DepthCase{24, 1, 1, false}, DepthCase{1, 1, 1, true}));

TEST(BmpTemplate, ResolutionStatedOrNot) {
  struct Case {
    int32_t x, y;
    bool stated;
  } cases[] = {{11811, 11811, true},   {3937, 7874, true},
               {0, 11811, false},      {11811, 0, false},
               {-11811, 11811, false}, {kMaxTemplatePelsPerMeter + 1, 100, false}};
  for (const Case& c : cases) {
    BmpLayout s;
    s.xRes = c.x;
    s.yRes = c.y;
    BmpTemplateInfo info;
    Reader r{MakeBmp(s)};
    ASSERT_EQ(ReadBmpTemplateInfo(r.Fn(), static_cast<int64_t>(r.bytes.size()), &info),
              BmpTemplateError::None);
    EXPECT_EQ(info.HasResolution(), c.stated) << c.x << " " << c.y;
    if (c.stated) {
      EXPECT_EQ(info.xPelsPerMeter, c.x);
      EXPECT_EQ(info.yPelsPerMeter, c.y);
    }
  }
}

TEST(BmpTemplate, PixelsAreReadFromTheirOffsetNotAfterAFixedHeader) {
  // A gap of 300 bytes between palette and pixels, and a 24-bit file with none at all.
  for (uint16_t bits : {8, 24}) {
    BmpLayout s;
    s.bitCount = bits;
    s.width = 6;
    s.height = 4;
    s.pixelOffset = 14 + 40 + 4 * test::PaletteCount(s) + 300;
    if (bits == 8) s.pixel = [](int x, int y) { return static_cast<uint32_t>(x + 10 * y); };
    BmpTemplateInfo info;
    BmpTemplateError e;
    const auto rows = Decode(MakeBmp(s), &info, &e);
    ASSERT_EQ(e, BmpTemplateError::None);
    EXPECT_EQ(info.pixelOffset, s.pixelOffset);
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 6; ++x) EXPECT_EQ(rows[y][x], Expected(s, x, y));
  }
}

TEST(BmpTemplate, LongerHeadersAndShortPalettes) {
  for (uint32_t header : {52u, 56u, 108u, 124u}) {
    BmpLayout s;
    s.headerSize = header;
    BmpTemplateInfo info;
    BmpTemplateError e;
    const auto rows = Decode(MakeBmp(s), &info, &e);
    ASSERT_EQ(e, BmpTemplateError::None) << header;
    EXPECT_EQ(rows[1][2], Expected(s, 2, 1));
  }
  // Two colours stated for an 8-bit file: other indices show black.
  BmpLayout s;
  s.bitCount = 8;
  s.colorsUsed = 2;
  s.pixel = [](int x, int) { return static_cast<uint32_t>(x); };
  BmpTemplateInfo info;
  BmpTemplateError e;
  const auto rows = Decode(MakeBmp(s), &info, &e);
  ASSERT_EQ(e, BmpTemplateError::None);
  EXPECT_EQ(rows[0][1], 0xff000000u | s.paletteColor(1));
  EXPECT_EQ(rows[0][3], 0xff000000u);
}

TEST(BmpTemplate, ChunksHoldAtMostEightRowsAndSixteenKilobytesButAlwaysOneRow) {
  EXPECT_EQ(BmpRowsPerChunk(4), 8);
  EXPECT_EQ(BmpRowsPerChunk(2048), 8);
  EXPECT_EQ(BmpRowsPerChunk(4096), 4);
  EXPECT_EQ(BmpRowsPerChunk(16384), 1);
  // A row of more than 16 KB still makes progress.
  EXPECT_EQ(BmpRowsPerChunk(60000), 1);
  BmpLayout s;
  s.width = 7000;  // 21000 bytes a row
  s.height = 3;
  Reader r{MakeBmp(s)};
  BmpTemplateInfo info;
  ASSERT_EQ(ReadBmpTemplateInfo(r.Fn(), static_cast<int64_t>(r.bytes.size()), &info),
            BmpTemplateError::None);
  r.sizes.clear();
  int rows = 0;
  ASSERT_EQ(ReadBmpTemplateRows(r.Fn(), info,
                                [&](int, const uint32_t*) {
                                  ++rows;
                                  return true;
                                }),
            BmpTemplateError::None);
  EXPECT_EQ(rows, 3);
  ASSERT_EQ(r.sizes.size(), 3u);
  for (int64_t n : r.sizes) EXPECT_EQ(n, 21000);
}

TEST(BmpTemplate, LyingHeadersGetTheirMessageAndNothingIsAllocatedFromThem) {
  struct Case {
    const char* what;
    std::function<void(BmpLayout&)> edit;
    std::function<void(std::vector<uint8_t>&)> patch;
    BmpTemplateError expected;
  };
  const Case cases[] = {
      {"not BM", nullptr, [](auto& b) { b[0] = 'P'; }, BmpTemplateError::NotBmp},
      {"header size 12", [](BmpLayout& s) { s.headerSize = 12; }, nullptr,
       BmpTemplateError::HeaderSize},
      {"header size huge", [](BmpLayout& s) { s.headerSize = 40; },
       [](auto& b) { test::Put32(b, 14, 0x7fffffff); }, BmpTemplateError::HeaderSize},
      {"RLE8", [](BmpLayout& s) { s.bitCount = 8, s.compression = 1; }, nullptr,
       BmpTemplateError::Compression},
      {"bit fields", [](BmpLayout& s) { s.compression = 3; }, nullptr,
       BmpTemplateError::Compression},
      {"16 bits", [](BmpLayout& s) { s.bitCount = 16; }, nullptr, BmpTemplateError::BitCount},
      {"0 bits", [](BmpLayout& s) { s.bitCount = 0; }, nullptr, BmpTemplateError::BitCount},
      {"2 planes", [](BmpLayout& s) { s.planes = 2; }, nullptr, BmpTemplateError::HeaderSize},
      {"zero width", [](BmpLayout& s) { s.width = 0; }, nullptr, BmpTemplateError::Size},
      {"negative width", nullptr, [](auto& b) { test::Put32(b, 18, 0xfffffffc); },
       BmpTemplateError::Size},
      {"zero height", nullptr, [](auto& b) { test::Put32(b, 22, 0); }, BmpTemplateError::Size},
      {"most negative height", nullptr, [](auto& b) { test::Put32(b, 22, 0x80000000u); },
       BmpTemplateError::Size},
      {"100000 x 100000 in a small file", nullptr,
       [](auto& b) {
         test::Put32(b, 18, 100000);
         test::Put32(b, 22, 100000);
       },
       BmpTemplateError::Size},
      {"30000 x 30000 in a small file", nullptr,
       [](auto& b) {
         test::Put32(b, 18, 30000);
         test::Put32(b, 22, 30000);
       },
       BmpTemplateError::Truncated},
      {"pixels cut short", [](BmpLayout& s) { s.height = 6, s.truncateTo = 54 + 12 * 5 + 4; },
       nullptr, BmpTemplateError::Truncated},
      {"only the file header", [](BmpLayout& s) { s.truncateTo = 20; }, nullptr,
       BmpTemplateError::Truncated},
      {"offset inside the headers", nullptr, [](auto& b) { test::Put32(b, 10, 30); },
       BmpTemplateError::PixelOffset},
      {"offset beyond the file", nullptr, [](auto& b) { test::Put32(b, 10, 0x7ffffff0); },
       BmpTemplateError::PixelOffset},
      {"offset inside the palette", [](BmpLayout& s) { s.bitCount = 8, s.pixelOffset = 54 + 100; },
       nullptr, BmpTemplateError::Palette},
      {"more colours than bits allow", [](BmpLayout& s) { s.bitCount = 4; },
       [](auto& b) { test::Put32(b, 46, 17); }, BmpTemplateError::Palette},
      {"palette count beyond everything", [](BmpLayout& s) { s.bitCount = 8; },
       [](auto& b) { test::Put32(b, 46, 0xffffffffu); }, BmpTemplateError::Palette},
      {"empty file", [](BmpLayout& s) { s.truncateTo = 0; }, nullptr, BmpTemplateError::NotBmp},
  };
  for (const Case& c : cases) {
    BmpLayout s;
    s.width = 4;
    s.height = 3;
    if (c.edit) c.edit(s);
    std::vector<uint8_t> bytes = MakeBmp(s);
    if (c.patch) c.patch(bytes);
    Reader r{bytes};
    BmpTemplateInfo info;
    EXPECT_EQ(ReadBmpTemplateInfo(r.Fn(), static_cast<int64_t>(bytes.size()), &info), c.expected)
        << c.what;
    EXPECT_FALSE(BmpTemplateMessage(c.expected).empty()) << c.what;
    // Nothing the header claimed was read beyond the headers.
    for (int64_t n : r.sizes) EXPECT_LE(n, 14 + 40 + 1024) << c.what;
  }
  EXPECT_EQ(BmpTemplateMessage(BmpTemplateError::NotBmp), "Template must be a BMP file.");
}

TEST(BmpTemplate, ReadErrorsAndAShorterFileThanAtHeaderTime) {
  BmpLayout s;
  s.height = 20;
  std::vector<uint8_t> bytes = MakeBmp(s);
  BmpTemplateInfo info;
  Reader r{bytes};
  ASSERT_EQ(ReadBmpTemplateInfo(r.Fn(), static_cast<int64_t>(bytes.size()), &info),
            BmpTemplateError::None);
  // The file shrank after its header was read.
  r.bytes.resize(bytes.size() - 40);
  EXPECT_EQ(ReadBmpTemplateRows(r.Fn(), info, [](int, const uint32_t*) { return true; }),
            BmpTemplateError::Truncated);
  const BmpReadAt failing = [](int64_t, uint8_t*, int64_t) -> int64_t { return -1; };
  EXPECT_EQ(ReadBmpTemplateRows(failing, info, [](int, const uint32_t*) { return true; }),
            BmpTemplateError::ReadFailed);
  EXPECT_EQ(ReadBmpTemplateInfo(failing, 1000, &info), BmpTemplateError::ReadFailed);
  // A palette missing from a hand-made description is refused, not read past.
  BmpTemplateInfo bad;
  bad.width = 2, bad.height = 2, bad.bitCount = 8, bad.rowSize = 4;
  EXPECT_EQ(ReadBmpTemplateRows(r.Fn(), bad, [](int, const uint32_t*) { return true; }),
            BmpTemplateError::Palette);
}

TEST(BmpTemplate, ARangeOfRowsReadsOnlyItsOwnRowsInEitherOrder) {
  for (bool topDown : {false, true}) {
    BmpLayout s;
    s.width = 5;
    s.height = 20;
    s.topDown = topDown;
    Reader r{MakeBmp(s)};
    BmpTemplateInfo info;
    ASSERT_EQ(ReadBmpTemplateInfo(r.Fn(), static_cast<int64_t>(r.bytes.size()), &info),
              BmpTemplateError::None);
    r.sizes.clear();
    std::vector<int> seen;
    ASSERT_EQ(ReadBmpTemplateRowRange(r.Fn(), info, 5, 9,
                                      [&](int y, const uint32_t* rgb) {
                                        seen.push_back(y);
                                        for (int x = 0; x < 5; ++x)
                                          EXPECT_EQ(rgb[x], Expected(s, x, y)) << y;
                                        return true;
                                      }),
              BmpTemplateError::None);
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(seen, (std::vector<int>{5, 6, 7, 8})) << topDown;
    int64_t bytes = 0;
    for (int64_t n : r.sizes) bytes += n;
    EXPECT_EQ(bytes, 4 * 16) << topDown;
    // Ranges beyond the image are cut to it.
    seen.clear();
    ReadBmpTemplateRowRange(r.Fn(), info, 18, 40, [&](int y, const uint32_t*) {
      seen.push_back(y);
      return true;
    });
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(seen, (std::vector<int>{18, 19}));
  }
}

TEST(BmpTemplate, LastRowWithoutPaddingIsAccepted) {
  BmpLayout s;
  s.width = 3;  // 9 bytes of pixels, 12 with padding
  s.height = 2;
  std::vector<uint8_t> bytes = MakeBmp(s);
  bytes.resize(bytes.size() - 3);
  BmpTemplateInfo info;
  BmpTemplateError e;
  const auto rows = Decode(bytes, &info, &e);
  ASSERT_EQ(e, BmpTemplateError::None);
  EXPECT_EQ(rows[0][2], Expected(s, 2, 0));
  bytes.resize(bytes.size() - 1);
  Decode(bytes, &info, &e);
  EXPECT_EQ(e, BmpTemplateError::Truncated);
}

}  // namespace
}  // namespace zelk
