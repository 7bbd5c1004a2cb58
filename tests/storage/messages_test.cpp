// The ";" composition rule and the progress throttling.
#include "storage/messages.h"

#include <gtest/gtest.h>

namespace zelk {
namespace {

TEST(ComposeMessage, InterleavesTemplateAndArgumentPieces) {
  EXPECT_EQ(ComposeMessage(";objects updated.", "25"), "25 objects updated.");
  EXPECT_EQ(ComposeMessage("Disk in drive;is write-protected.", "A:"),
            "Disk in drive A: is write-protected.");
  EXPECT_EQ(ComposeMessage("Cannot open", "/maps/a.zkm"), "Cannot open /maps/a.zkm");
  EXPECT_EQ(ComposeMessage("No symbol file selected"), "No symbol file selected");
  EXPECT_EQ(ComposeMessage("a;b;c", "1;2"), "a 1 b 2 c");
  EXPECT_EQ(ComposeMessage("a", "1;2"), "a 1 2");
}

TEST(ComposeMessage, PathEndingALineIsNotFollowedByABlank) {
  EXPECT_EQ(ComposeMessage(";File not found.", "/x/y.zkm\r\n"), "/x/y.zkm\r\nFile not found.");
}

TEST(ProgressCounter, RefreshesOnStepsAndAtTheEndOnlyWhenTheCountChanged) {
  ProgressCounter p;
  p.Start(";objects updated.", 12, 5);
  EXPECT_FALSE(p.CountChanged(1, 1));
  EXPECT_TRUE(p.CountChanged(5, 5));
  EXPECT_FALSE(p.CountChanged(5, 6));
  EXPECT_TRUE(p.CountChanged(10, 10));
  EXPECT_TRUE(p.CountChanged(11, 12));  // the last number shows whatever the step
  EXPECT_EQ(p.Text(), "11 objects updated.");
  int filled = 0;
  EXPECT_TRUE(p.BarChanged(6, 100, &filled));
  EXPECT_EQ(filled, 50);
  EXPECT_FALSE(p.BarChanged(6, 100, &filled));
  EXPECT_TRUE(p.BarChanged(12, 100, &filled));
  EXPECT_EQ(filled, 100);
}

}  // namespace
}  // namespace zelk
