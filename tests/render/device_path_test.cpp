// Device polylines: transform, rounding, curve flattening, rings and visible runs.
#include "render/device_path.h"

#include <gtest/gtest.h>

namespace zelk {
namespace {

Coord U(int32_t x, int32_t y, int32_t xf = 0, int32_t yf = 0) {
  return Coord::FromUnits(x, y, xf, yf);
}

// One device unit per map unit, device y = 100 - map y.
OutputState PixelState() {
  OutputState s;
  s.scaleX = 1.0 / 256;
  s.scaleY = -1.0 / 256;
  s.originX = 0;
  s.originY = U(0, 100).y;
  return s;
}

TEST(DeviceTransform, MapsUpwardsYOntoDownwardsDeviceY) {
  OutputState s = PixelState();
  EXPECT_EQ(ToDevice(s, U(10, 100)), (DevicePoint{10, 0}));
  EXPECT_EQ(ToDevice(s, U(10, 30, 7, 3)), (DevicePoint{10, 70}));
  s.originX = U(-20, 0).x;
  EXPECT_EQ(ToDevice(s, U(0, 0)), (DevicePoint{20, 100}));
}

TEST(DeviceTransform, RoundsHalvesToEvenAndClampsToTheDeviceRange) {
  OutputState s = PixelState();
  s.scaleX = 1.0 / 512;  // half a device unit per map unit
  s.originY = 0;
  EXPECT_EQ(ToDevice(s, U(1, 0)).x, 0);
  EXPECT_EQ(ToDevice(s, U(3, 0)).x, 2);
  EXPECT_EQ(ToDevice(s, U(5, 0)).x, 2);
  s.scaleX = 1.0;
  EXPECT_EQ(ToDevice(s, U(1000000, 0)).x, 32767);
  EXPECT_EQ(ToDevice(s, U(-1000000, 0)).x, -32764);
}

TEST(DeviceTransform, ClipRectangleInDeviceUnits) {
  OutputState s = PixelState();
  s.clipRectangle = {U(10, 20).x, U(10, 20).y, U(50, 80).x, U(50, 80).y};
  EXPECT_EQ(DeviceClipRect(s), (DeviceRect{10, 20, 50, 80}));
  EXPECT_EQ(DeviceLengthX(s, -12), 12);
}

TEST(DevicePolylines, EqualNeighboursAreDropped) {
  OutputState s = PixelState();
  s.scaleX = 1.0 / 2560;  // ten map units per device unit
  s.scaleY = -1.0 / 2560;
  std::vector<Coord> path{U(0, 0), U(3, 0), U(4, 1), U(20, 0), U(21, 0), U(40, 0)};
  DevicePolyline p = ToDevicePolyline(path, s, 4);
  EXPECT_EQ(p.points.size(), 3u);
  EXPECT_EQ(p.ringLengths, std::vector<int>{3});
}

TEST(DevicePolylines, HoleStartBeginsANewRing) {
  OutputState s = PixelState();
  std::vector<Coord> path{U(0, 0), U(10, 0), U(10, 10), U(2, 2, 0, kHoleStart), U(4, 2), U(4, 4)};
  DevicePolyline p = ToDevicePolyline(path, s, 4);
  EXPECT_EQ(p.ringLengths, (std::vector<int>{3, 3}));
  EXPECT_EQ(p.points[3], (DevicePoint{2, 98}));
  DevicePolyline joined = ToDevicePolyline(path, s, 4, false);
  EXPECT_EQ(joined.ringLengths, std::vector<int>{6});
}

TEST(DevicePolylines, CubicIsFlattenedThroughItsCurvePoint) {
  OutputState s = PixelState();
  std::vector<Coord> path{U(10, 50), U(10, 90, kFirstCurvePoint), U(90, 90, kSecondCurvePoint),
                          U(90, 50)};
  DevicePolyline p = ToDevicePolyline(path, s, 1);
  ASSERT_GT(p.points.size(), 8u);
  EXPECT_EQ(p.points.front(), (DevicePoint{10, 50}));
  EXPECT_EQ(p.points.back(), (DevicePoint{90, 50}));
  // The middle of this curve lies at (50, 80) on the map.
  bool throughMiddle = false;
  for (const DevicePoint& d : p.points) throughMiddle |= (d == DevicePoint{50, 20});
  EXPECT_TRUE(throughMiddle);
}

TEST(DevicePolylines, ClosedLoopCurveIsSplitToTheFullDepth) {
  std::vector<Coord> loop{U(0, 0), U(1000, 0, kFirstCurvePoint), U(1000, 1000, kSecondCurvePoint),
                          U(0, 0, 0, kCornerPoint)};
  std::vector<Coord> out;
  FlattenCubic(loop.data(), 5, 4, out);
  EXPECT_EQ(out.size(), 32u);
  EXPECT_EQ(out.back(), loop[3]);  // the end point keeps its flags
  out.clear();
  std::vector<Coord> tiny{U(0, 0), U(1, 1, kFirstCurvePoint), U(2, 1, kSecondCurvePoint), U(3, 0)};
  FlattenCubic(tiny.data(), 5, 4, out);
  EXPECT_EQ(out.size(), 2u);
}

TEST(DevicePolylines, ThreePointCurveUsesAQuarterOfTheTolerance) {
  std::vector<Coord> q{U(0, 0), U(50, 100, kSingleCurvePointFlag), U(100, 0)};
  std::vector<Coord> out;
  FlattenThreePoint(q.data(), 1, out);
  EXPECT_LE(out.size(), 32u);
  EXPECT_GT(out.size(), 16u);
  EXPECT_EQ(out.back(), q[2]);
  OutputState s = PixelState();
  DevicePolyline p = ToDevicePolyline(q, s, 200);  // 50 units for the curve: still split
  EXPECT_GT(p.points.size(), 2u);
}

TEST(DevicePolylines, CurveFlagsWithoutTheirPointsAreReadAsStraight) {
  OutputState s = PixelState();
  std::vector<Coord> path{U(0, 0), U(10, 10), U(20, 0, kFirstCurvePoint), U(30, 10)};
  DevicePolyline p = ToDevicePolyline(path, s, 4);
  EXPECT_EQ(p.points.size(), 4u);
  std::vector<Coord> q{U(0, 0), U(10, 10, kSingleCurvePointFlag)};
  EXPECT_EQ(ToDevicePolyline(q, s, 4).points.size(), 2u);
  EXPECT_TRUE(ToDevicePolyline({}, s, 4).points.empty());
}

TEST(DevicePolylines, RingsAreClosedAndDegenerateOnesDropped) {
  DevicePolyline p;
  p.points = {{0, 0}, {10, 0}, {10, 10}, {5, 5}, {6, 6}, {0, 0}, {4, 0}, {4, 4}, {0, 0}};
  p.ringLengths = {3, 2, 4};
  CloseRings(p);
  EXPECT_EQ(p.ringLengths, (std::vector<int>{4, 4}));
  EXPECT_EQ(p.points[3], (DevicePoint{0, 0}));
  EXPECT_EQ(p.points[7], (DevicePoint{0, 0}));
}

TEST(DeviceRuns, OnlySegmentsNearTheRectangleAreDrawn) {
  DeviceRect r{0, 0, 100, 100};
  std::vector<DevicePoint> line{{50, 50},  {60, 50}, {500, 50}, {600, 50},
                                {700, 50}, {90, 50}, {95, 50}};
  auto runs = VisibleRuns(line, r);
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(runs[0], (std::pair<int, int>{0, 2}));
  EXPECT_EQ(runs[1], (std::pair<int, int>{4, 6}));

  std::vector<DevicePoint> outside{{200, 0}, {300, 0}, {400, 50}};
  EXPECT_TRUE(VisibleRuns(outside, r).empty());
  std::vector<DevicePoint> touching{{100, 100}, {300, 300}};
  EXPECT_EQ(VisibleRuns(touching, r).size(), 1u);
  // A segment crossing the rectangle without an end inside it is kept.
  std::vector<DevicePoint> across{{-500, 50}, {500, 50}};
  EXPECT_EQ(VisibleRuns(across, r).size(), 1u);
}

}  // namespace
}  // namespace zelk
