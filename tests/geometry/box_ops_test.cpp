// Tests of the rectangle operations.
#include "geometry/box_ops.h"

#include <gtest/gtest.h>

#include "geometry/coord_math.h"
#include "geometry_test_util.h"

namespace zelk {
namespace {

using testing::U;

Box B(int l, int b, int r, int t) {
  return {l * 256, b * 256, r * 256, t * 256};
}

TEST(Boxes, NormaliseUniteAndIntersect) {
  EXPECT_EQ(NormalizedBox(B(10, 20, 0, 5)), B(0, 5, 10, 20));
  EXPECT_EQ(UnionBox(B(0, 0, 10, 10), B(5, -5, 20, 8)), B(0, -5, 20, 10));
  EXPECT_EQ(IntersectBox(B(0, 0, 10, 10), B(5, -5, 20, 8)), B(5, 0, 10, 8));
  EXPECT_EQ(IntersectBox(B(0, 0, 10, 10), B(10, 10, 20, 20)), B(10, 10, 10, 10));
  EXPECT_FALSE(IntersectBox(B(0, 0, 10, 10), B(11, 0, 20, 10)).has_value());
}

TEST(Boxes, InsideOverlapAndContainment) {
  EXPECT_TRUE(PointInBox(B(0, 0, 10, 10), U(10, 10, 0xff, 0xff)));
  EXPECT_FALSE(PointInBox(B(0, 0, 10, 10), U(5, -1, 0xff, 0xff)));
  EXPECT_TRUE(BoxesOverlap(B(0, 0, 10, 10), B(10, 10, 12, 12)));
  EXPECT_FALSE(BoxesOverlap(B(0, 0, 10, 10), B(0, 11, 10, 12)));
  EXPECT_TRUE(BoxContains(B(0, 0, 10, 10), B(0, 2, 10, 8)));
  EXPECT_FALSE(BoxContains(B(0, 2, 10, 8), B(0, 0, 10, 10)));
}

TEST(Boxes, MoveClampsAndBoxOfPointsMasksFlags) {
  EXPECT_EQ(MoveBox(B(0, 0, 10, 10), 256 * 5, -256 * 2), B(5, -2, 15, 8));
  const Box far = MoveBox(B(0, 0, 10, 10), kMaxCoordWord, kMinCoordWord);
  EXPECT_EQ(far.right, kMaxPositionWord);
  EXPECT_EQ(far.bottom, kMinCoordWord);
  const Coord pts[] = {U(5, 5, 0xff, 0xff), U(-3, 9), U(4, -7, kFirstCurvePoint)};
  EXPECT_EQ(BoxOfPoints(pts), B(-3, -7, 5, 9));
  EXPECT_FALSE(BoxOfPoints({}).has_value());
}

}  // namespace
}  // namespace zelk
