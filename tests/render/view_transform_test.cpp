// The work window's transform and the resolution transform of printers and bitmaps.
#include "render/view_transform.h"

#include <gtest/gtest.h>

#include <cmath>

namespace zelk {
namespace {

ViewTransform Window(int w, int h, double zoom, int dpiX = 96, int dpiY = 96) {
  ViewTransform v;
  v.clientWidth = w;
  v.clientHeight = h;
  v.zoom = zoom;
  v.logPixelsX = dpiX;
  v.logPixelsY = dpiY;
  v.SetViewTransform();
  return v;
}

TEST(ViewTransformTest, EqualDensitiesGiveEqualScales) {
  ViewTransform v = Window(800, 600, 32);  // one pixel per map unit
  EXPECT_DOUBLE_EQ(v.scaleX, -v.scaleY);
  EXPECT_DOUBLE_EQ(v.scaleX, 1.0 / 256);
  EXPECT_EQ(v.curveTolerance, 4);
  EXPECT_EQ(v.pickTolerance, 3 * 256 + 128);
}

TEST(ViewTransformTest, UnequalDensitiesNarrowTheWiderAxis) {
  ViewTransform tall = Window(800, 600, 32, 96, 192);
  EXPECT_DOUBLE_EQ(tall.scaleX, 0.5 / 256);
  EXPECT_DOUBLE_EQ(tall.scaleY, -1.0 / 256);
  ViewTransform wide = Window(800, 600, 32, 192, 96);
  EXPECT_DOUBLE_EQ(wide.scaleX, 1.0 / 256);
  EXPECT_DOUBLE_EQ(wide.scaleY, -0.5 / 256);
}

TEST(ViewTransformTest, ZoomingOutStopsAtTheWholeSpace) {
  ViewTransform v = Window(1000, 800, 1e-9);
  EXPECT_DOUBLE_EQ(v.zoom, 1000 * 0.0000025 * 32);
  double widthUnits = (v.visible.right - v.visible.left) / 256.0;
  EXPECT_NEAR(widthUnits, 400000, 1);
  EXPECT_LE(v.visible.right, 51200000);
  EXPECT_GE(v.visible.left, -51200000);
}

TEST(ViewTransformTest, CentreIsKeptInsideTheSpace) {
  ViewTransform v;
  v.clientWidth = 800;
  v.clientHeight = 600;
  v.zoom = 32;
  v.centreX = 60000000;
  v.centreY = -60000000;
  v.SetViewTransform();
  EXPECT_EQ(v.visible.right, 51200000);
  EXPECT_EQ(v.visible.bottom, -51200000);
  EXPECT_EQ(v.originX, v.visible.left);
  EXPECT_EQ(v.originY, v.visible.top);
  EXPECT_EQ(v.visible.right - v.visible.left, 800 * 256);
  EXPECT_EQ(v.scrollX, v.centreX / 25600);
  EXPECT_EQ(v.scrollY, -v.centreY / 25600);
}

TEST(ViewTransformTest, OutputStateTakesTheView) {
  ViewTransform v = Window(200, 100, 64);
  OutputState s;
  v.ApplyTo(s);
  EXPECT_EQ(s.clipRectangle, v.visible);
  EXPECT_EQ(s.originX, v.originX);
  EXPECT_EQ(s.curveTolerance, 2);
}

TEST(ViewTransformTest, NonsenseInputsStayFinite) {
  ViewTransform v = Window(-5, 0, std::nan(""), 0, -3);
  EXPECT_TRUE(std::isfinite(v.scaleX));
  EXPECT_GT(v.scaleX, 0);
  EXPECT_LT(v.scaleY, 0);
}

TEST(ViewTransformTest, ResolutionTransformOfBitmapsAndPrinters) {
  OutputState s;
  SetResolutionTransform(s, 300, 1, 1000, 2000);
  EXPECT_DOUBLE_EQ(s.scaleX, 300.0 / 2540 / 256);
  EXPECT_DOUBLE_EQ(s.scaleY, -s.scaleX);
  EXPECT_EQ(s.originX, 1000);
  EXPECT_EQ(s.originY, 2000);
  EXPECT_EQ(s.curveTolerance, 34);  // four dots of 1/300 inch, in 0.01 mm
}

}  // namespace
}  // namespace zelk
