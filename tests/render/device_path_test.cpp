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

std::vector<RealPoint> Real(std::initializer_list<std::pair<double, double>> pts) {
  std::vector<RealPoint> r;
  for (auto [x, y] : pts) r.push_back({x, y});
  return r;
}

std::vector<std::vector<DevicePoint>> Runs(const DevicePolyline& p) {
  std::vector<std::vector<DevicePoint>> runs;
  size_t at = 0;
  for (int n : p.ringLengths) {
    runs.emplace_back(p.points.begin() + static_cast<long>(at),
                      p.points.begin() + static_cast<long>(at + static_cast<size_t>(n)));
    at += static_cast<size_t>(n);
  }
  return runs;
}

TEST(DeviceRuns, SegmentsAreCutAtTheRectangleBeforeRounding) {
  const DeviceRect r{0, 0, 100, 100};
  DevicePolyline out;
  // In, out and back in: two runs, each cut where it crosses the edge.
  ClipToRuns(Real({{50, 50}, {60, 50}, {500, 50}, {600, 50}, {700, 50}, {90, 50}, {95, 50}}), r,
             &out);
  using P = DevicePoint;
  EXPECT_EQ(Runs(out), (std::vector<std::vector<P>>{{{50, 50}, {60, 50}, {100, 50}},
                                                    {{100, 50}, {90, 50}, {95, 50}}}));
  ClipToRuns(Real({{200, 0}, {300, 0}, {400, 50}}), r, &out);
  EXPECT_TRUE(out.ringLengths.empty());
  // A segment crossing the rectangle without an end inside it keeps its middle.
  ClipToRuns(Real({{-500, 50}, {500, 50}}), r, &out);
  EXPECT_EQ(Runs(out), (std::vector<std::vector<P>>{{{0, 50}, {100, 50}}}));
  // A far end keeps the segment's direction: cut in real numbers, never clamped first.
  ClipToRuns(Real({{0, 0}, {100000, 50000}}), {0, 0, 1000, 1000}, &out);
  EXPECT_EQ(Runs(out), (std::vector<std::vector<P>>{{{0, 0}, {1000, 500}}}));
  // A piece that rounds to a single point is no run.
  ClipToRuns(Real({{99.8, 50}, {100.4, 50}}), r, &out);
  EXPECT_TRUE(out.ringLengths.empty());
}

TEST(DevicePolylines, RealPointsAreNeitherRoundedNorClamped) {
  OutputState s;
  s.scaleX = 32.0 / 256;  // 32 device units per map unit
  s.scaleY = -32.0 / 256;
  std::vector<Coord> flat;
  RealPolyline real;
  const std::vector<Coord> path{U(0, 0), U(100000, 50000)};
  ToRealPolyline(path, s, 1, flat, &real);
  ASSERT_EQ(real.points.size(), 2u);
  EXPECT_EQ(real.points[1], (RealPoint{3200000, -1600000}));
  const RealBounds b = BoundsOf(real);
  EXPECT_EQ(b.left, 0);
  EXPECT_EQ(b.right, 3200000);
  EXPECT_EQ(b.top, -1600000);
  EXPECT_EQ(b.bottom, 0);
}

}  // namespace
}  // namespace zelk
