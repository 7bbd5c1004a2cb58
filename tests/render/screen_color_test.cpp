// The colour in which screens, printers and bitmaps show a map colour.
#include "render/screen_color.h"

#include <gtest/gtest.h>

namespace zelk {
namespace {

TEST(ScreenColorTest, ProcessColoursBecomeRgb) {
  EXPECT_EQ(ScreenColor({0, 0, 0, 200}), (Rgb{0, 0, 0}));
  EXPECT_EQ(ScreenColor({200, 0, 0, 0}), (Rgb{0, 255, 255}));
  EXPECT_EQ(ScreenColor({0, 0, 0, 0}), (Rgb{255, 255, 255}));
  // Half cyan: (100 * 51 + 20) div 40 = 128.
  EXPECT_EQ(ScreenColor({100, 0, 0, 0}), (Rgb{127, 255, 255}));
  // Black rounds with a smaller offset: (1 * 51 + 15) div 40 = 1, cyan (51 + 20) div 40 = 1.
  EXPECT_EQ(ScreenColor({1, 0, 0, 1}), (Rgb{253, 254, 254}));
  EXPECT_EQ(ScreenColor({0, 30, 60, 20}), (Rgb{230, 192, 153}));
}

TEST(ScreenColorTest, OverfullAndDamagedBytesGoToZeroWithoutWrapping) {
  EXPECT_EQ(ScreenColor({200, 100, 0, 200}), (Rgb{0, 0, 0}));
  EXPECT_EQ(ScreenColor({255, 255, 255, 0}), (Rgb{0, 0, 0}));
  EXPECT_EQ(ScreenColor({150, 0, 0, 100}), (Rgb{0, 128, 128}));
}

}  // namespace
}  // namespace zelk
