// The PDF surface: CMYK and grey colours, paths, clips, and a file whose cross-reference holds.
#include "output/pdf_device.h"

#include <gtest/gtest.h>

#include "geometry/coord_math.h"

namespace zelk {
namespace {

Coord P(int32_t x, int32_t y, int32_t xf = 0, int32_t yf = 0) {
  return Coord::FromUnits(x, y, xf, yf);
}

OutputState Units() {
  OutputState s;
  s.scaleX = s.scaleY = 1.0 / 256;
  s.originX = s.originY = 0;
  return s;
}

TEST(PdfDevice, ColourMapInCmykAndPlatesInGrey) {
  std::string out;
  PdfDevice dev(out, Units(), false, nullptr);
  dev.SelectColorPass(1, Cmyk{200, 100, 0, 50});
  dev.BeginPath(P(0, 0));
  dev.AddPoint(P(100, 0));
  dev.AddPoint(P(100, 100));
  dev.FillPath(kFillSolid);
  dev.StrokePath(25, kStyleRound);
  EXPECT_EQ(out,
            "1 0.5 0 0.25 k\n0 0 m\n100 0 l\n100 100 l\nf*\n"
            "1 0.5 0 0.25 K\n25 w\n1 j 1 J\n0 0 m\n100 0 l\n100 100 l\nS\n");
  std::string plate;
  PdfDevice grey(plate, Units(), true, nullptr);
  grey.SelectColorPass(1, Cmyk{0, 0, 0, 150});
  grey.Dot(P(10, 10), 4);
  EXPECT_EQ(plate.substr(0, 8), "0.25 g\n1");
  EXPECT_NE(plate.find(" c\n"), std::string::npos);
  EXPECT_TRUE(plate.ends_with("f\n"));
}

TEST(PdfDevice, QuadraticsBecomeCubicsAndClipsAreSavedStates) {
  std::string out;
  PdfDevice dev(out, Units(), false, nullptr);
  dev.SelectColorPass(0, Cmyk{});
  dev.BeginPath(P(0, 0));
  dev.AddPoint(P(30, 30, kSingleCurvePoint));
  dev.AddPoint(P(60, 0));
  EXPECT_EQ(dev.ClipPath(), ClipResult::Clipped);
  dev.EndClip();
  EXPECT_EQ(out, "q\n0 0 m\n20 20 40 20 60 0 c\nW* n\nQ\n");
  // After the clip the colour is given again.
  dev.BeginPath(P(0, 0));
  dev.AddPoint(P(1, 0));
  dev.AddPoint(P(1, 1));
  dev.FillPath(kFillSolid);
  EXPECT_NE(out.find("Q\n0 0 0 0 k\n"), std::string::npos);
}

TEST(PdfDevice, TheFileCrossReferencePointsAtEveryObject) {
  std::vector<PdfPage> pages(2);
  pages[0] = {100, 50, "0 0 m 10 10 l S", "Black"};
  pages[1] = {100, 50, "", "Blue (dark)"};
  const std::string f = PdfFile(pages, "map.pdf", "ZELK 6.05");
  ASSERT_EQ(f.rfind("%PDF-1.4\n", 0), 0u);
  const size_t xref = f.find("\nxref\n") + 1;
  const size_t start = f.rfind("startxref\n");
  ASSERT_NE(xref, std::string::npos);
  EXPECT_EQ(std::stoul(f.substr(start + 10)), xref);
  // Objects 1..7: catalog, pages, information, and a page and its content for each page.
  for (int n = 1; n <= 7; ++n) {
    // "xref\n0 8\n", then an entry of 20 bytes for each object from 0.
    const size_t line = xref + 9 + 20 * size_t(n);
    const size_t offset = std::stoul(f.substr(line, 10));
    EXPECT_EQ(f.substr(offset, std::to_string(n).size() + 6), std::to_string(n) + " 0 obj") << n;
  }
  EXPECT_NE(f.find("/P (Blue \\(dark\\))"), std::string::npos);
  EXPECT_NE(f.find("/Length 15 >>\nstream\n0 0 m 10 10 l S\nendstream"), std::string::npos);
  EXPECT_NE(f.find("/MediaBox [0 0 100 50]"), std::string::npos);
}

}  // namespace
}  // namespace zelk
