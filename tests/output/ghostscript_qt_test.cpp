// What a second reader makes of our files: EPS and PostScript rendered by Ghostscript, PDF by
// Ghostscript and SVG by Qt's renderer, each compared with our own bitmap of the same map.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QtGui/QImage>
#include <QtGui/QPainter>
#include <QtSvg/QSvgRenderer>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "output/bitmap_export.h"
#include "output/eps_writer.h"
#include "output/print_job.h"
#include "output/vector_export.h"
#include "render/font_service_qt.h"
#include "storage/map_store.h"
#include "storage/text_format.h"
#include "test_support.h"

namespace zelk {
namespace {

namespace fs = std::filesystem;

bool HaveGhostscript() {
  static const bool have = std::system("gs --version > /dev/null 2>&1") == 0;
  return have;
}

#define REQUIRE_GS()                                                      \
  do {                                                                    \
    if (!HaveGhostscript()) GTEST_SKIP() << "Ghostscript (gs) is absent"; \
  } while (0)

// Renders a PostScript, EPS or PDF file; every page to out-%d.png. True when gs reported no
// error; the log is kept for the failure message.
bool RunGs(const std::string& input, const std::string& outputPattern, int dpi,
           const std::string& extra, std::string* log) {
  const std::string logPath = outputPattern + ".log";
  const std::string cmd = "gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=png16m -r" +
                          std::to_string(dpi) + " " + extra + " -sOutputFile='" + outputPattern +
                          "' '" + input + "' > '" + logPath + "' 2>&1";
  const int rc = std::system(cmd.c_str());
  std::ifstream in(logPath);
  log->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return rc == 0 && log->find("Error") == std::string::npos;
}

bool Ink(QRgb p) {
  return std::min({qRed(p), qGreen(p), qBlue(p)}) < 225;
}

// Share of the ink pixels of `a` that have no ink within one pixel in `b`, and the other way.
double InkMismatch(const QImage& a, const QImage& b) {
  const int w = std::min(a.width(), b.width()), h = std::min(a.height(), b.height());
  auto near = [w, h](const QImage& img, int x, int y) {
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx) {
        const int xx = x + dx, yy = y + dy;
        if (xx >= 0 && yy >= 0 && xx < w && yy < h && Ink(img.pixel(xx, yy))) return true;
      }
    return false;
  };
  int64_t ink = 0, miss = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const bool ia = Ink(a.pixel(x, y)), ib = Ink(b.pixel(x, y));
      if (ia) {
        ++ink;
        if (!near(b, x, y)) ++miss;
      }
      if (ib) {
        ++ink;
        if (!near(a, x, y)) ++miss;
      }
    }
  return ink ? double(miss) / double(ink) : 0.0;
}

// Mean grey difference (0..255) inside inked areas: pixels whose 3 x 3 neighbourhood is one
// grey in both pictures, so that the two ways of rounding edges do not count. `count` gets how
// many pixels were compared.
double InteriorGreyDifference(const QImage& a, const QImage& b, int64_t* count) {
  const int w = std::min(a.width(), b.width()), h = std::min(a.height(), b.height());
  auto uniform = [](const QImage& img, int x, int y) {
    const QRgb c = img.pixel(x, y);
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx)
        if (img.pixel(x + dx, y + dy) != c) return false;
    return true;
  };
  int64_t n = 0, sum = 0;
  for (int y = 1; y + 1 < h; ++y)
    for (int x = 1; x + 1 < w; ++x) {
      const QRgb pa = a.pixel(x, y), pb = b.pixel(x, y);
      if (!Ink(pa) || !Ink(pb) || !uniform(a, x, y) || !uniform(b, x, y)) continue;
      ++n;
      sum += std::abs(qGray(pa) - qGray(pb));
    }
  *count = n;
  return n ? double(sum) / double(n) : 0.0;
}

struct Demo {
  TempDir dir;
  RecordingSink sink;
  MapStore store{&sink};
  QtFontService fonts;
  Box window;
  Demo() {
    const std::string path = dir.Path("demo.zkm");
    fs::copy_file(std::string(ZELK_SHIPPED_DATA_DIR) + "/demo.zkm", path);
    store.WorkingFile().OpenExisting(path);
    EXPECT_TRUE(store.LoadFromWorkingFile());
    EXPECT_TRUE(DrawableExtent(store, &window));
  }
  QImage Ours(int dpi, const Plate& plate = {}) {
    const BitmapSize s = BitmapSizeFor(window, dpi);
    QImage img(int(s.width), int(s.height), QImage::Format_RGB32);
    img.fill(Qt::white);
    if (!plate.IsSeparation()) {
      RenderMapImage(store, window, dpi, fonts, img);
    } else {
      QPainter painter(&img);
      DrawPlate(store, fonts, painter, dpi, 1.0, window, plate);
    }
    return img;
  }
  std::string Eps(const std::string& name, const Plate& plate = {}, bool stdFonts = false) {
    EpsExportRequest rq;
    rq.path = dir.Path(name);
    rq.printWindow = window;
    rq.plate = plate;
    rq.standardFonts = stdFonts;
    rq.fonts = &fonts;
    EXPECT_EQ(ExportEpsFile(store, rq, &sink), OutputResult::Written);
    return rq.path;
  }
  // The EPS on a page of exactly our bitmap's size, its origin at the bottom left.
  QImage Render(const std::string& eps, int dpi, const QImage& like) {
    std::string log;
    const std::string out = dir.Path(fs::path(eps).stem().string() + ".png");
    EXPECT_TRUE(RunGs(eps, out, dpi,
                      "-g" + std::to_string(like.width()) + "x" + std::to_string(like.height()),
                      &log))
        << log;
    return QImage(QString::fromStdString(out)).convertToFormat(QImage::Format_RGB32);
  }
  void Keep(const QImage& img, const std::string& name) {
    img.save(QString::fromStdString(std::string(ZELK_TEST_OUTPUT_DIR) + "/" + name));
  }
};

constexpr int kDpi = 100;

TEST(Ghostscript, TheEpsOfTheDemoMapLooksLikeOurBitmap) {
  REQUIRE_GS();
  Demo d;
  const QImage ours = d.Ours(kDpi);
  const QImage gs = d.Render(d.Eps("demo.eps"), kDpi, ours);
  d.Keep(gs, "demo_eps_gs.png");
  ASSERT_FALSE(gs.isNull());
  EXPECT_LT(InkMismatch(ours, gs), 0.03);
  // And the comparison sees a difference: a blank page or another window is far off.
  QImage blank(ours.size(), QImage::Format_RGB32);
  blank.fill(Qt::white);
  EXPECT_GT(InkMismatch(ours, blank), 0.5);
  EXPECT_GT(InkMismatch(ours, ours.copy(10, 10, ours.width(), ours.height())), 0.1);
}

TEST(Ghostscript, StandardFontsRenderWithTheirPostScriptFonts) {
  REQUIRE_GS();
  Demo d;
  const std::string eps = d.Eps("fonts.eps", {}, true);
  std::ifstream in(eps);
  const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  EXPECT_NE(text.find(" RE\r\n"), std::string::npos);
  EXPECT_NE(text.find("%%DocumentNeededResources: font "), std::string::npos);
  const QImage ours = d.Ours(kDpi);
  const QImage gs = d.Render(eps, kDpi, ours);
  d.Keep(gs, "demo_fonts_gs.png");
  // Metric-compatible fonts, but not the same glyphs: a looser match.
  EXPECT_LT(InkMismatch(ours, gs), 0.05);
}

TEST(Ghostscript, EachSeparationPlateMatchesOurPlate) {
  REQUIRE_GS();
  Demo d;
  std::vector<Plate> plates;
  for (int i = 0; i < 4; ++i) plates.push_back({PrintKind::CmykSeparations, i});
  for (int i = 0; i < d.store.Colors().separationCount; ++i)
    plates.push_back({PrintKind::SpotSeparations, i});
  ASSERT_GE(plates.size(), 5u);
  int64_t interior = 0;
  for (const Plate& p : plates) {
    const std::string name =
        (p.kind == PrintKind::SpotSeparations ? "spot" : "cmyk") + std::to_string(p.separation);
    const QImage ours = d.Ours(kDpi, p);
    const QImage gs = d.Render(d.Eps(name + ".eps", p), kDpi, ours);
    d.Keep(gs, name + "_gs.png");
    d.Keep(ours, name + "_ours.png");
    EXPECT_LT(InkMismatch(ours, gs), 0.03) << name;
    // Plates are grey levels of the same values on both sides.
    int64_t compared = 0;
    EXPECT_LT(InteriorGreyDifference(ours, gs, &compared), 3.0) << name;
    interior += compared;
  }
  // Some plates are all lines; together they have areas enough to compare.
  EXPECT_GT(interior, 20000);
}

TEST(Ghostscript, SpotSeparationPrintFilesHaveAPageOfTheirPlateEach) {
  REQUIRE_GS();
  Demo d;
  PrintSettings s;
  s.kind = PrintKind::SpotSeparations;
  for (int i = 0; i < d.store.Colors().separationCount; ++i) s.separations.push_back(i);
  s.window = d.window;
  std::vector<std::string> written;
  ASSERT_EQ(PrintToPostScriptFiles(d.store, &d.fonts, s, PostScriptPaper{}, d.dir.Path("demo.ps"),
                                   &d.sink, &written),
            OutputResult::Written);
  ASSERT_EQ(written.size(), size_t(d.store.Colors().separationCount));
  for (const std::string& file : written) {
    std::string log;
    const std::string pattern = d.dir.Path(fs::path(file).stem().string() + "-%d.png");
    ASSERT_TRUE(RunGs(file, pattern, 30, "", &log)) << file << log;
    // 304 x 202 mm on A4 upright: two pages across, one down.
    int pages = 0;
    int64_t ink = 0;
    for (int n = 1; n < 10; ++n) {
      QImage page(QString::fromStdString(
          d.dir.Path(fs::path(file).stem().string() + "-" + std::to_string(n) + ".png")));
      if (page.isNull()) break;
      ++pages;
      for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x) ink += Ink(page.pixel(x, y)) ? 1 : 0;
    }
    EXPECT_EQ(pages, 2) << file;
    EXPECT_GT(ink, 100) << file;
  }
}

TEST(SecondReader, ThePdfLooksLikeOurBitmap) {
  REQUIRE_GS();
  Demo d;
  VectorExportRequest rq;
  rq.path = d.dir.Path("demo.pdf");
  rq.window = d.window;
  rq.fonts = &d.fonts;
  ASSERT_EQ(ExportPdf(d.store, rq, &d.sink), OutputResult::Written);
  std::string log;
  ASSERT_TRUE(RunGs(rq.path, d.dir.Path("pdf.png"), kDpi, "", &log)) << log;
  const QImage pdf = QImage(QString::fromStdString(d.dir.Path("pdf.png")));
  d.Keep(pdf, "demo_pdf_gs.png");
  const QImage ours = d.Ours(kDpi);
  EXPECT_LE(std::abs(pdf.width() - ours.width()), 2);
  EXPECT_LT(InkMismatch(ours, pdf.convertToFormat(QImage::Format_RGB32)), 0.03);

  // Separations: one page per plate.
  rq.path = d.dir.Path("plates.pdf");
  rq.kind = PrintKind::CmykSeparations;
  rq.separations = {0, 3};
  ASSERT_EQ(ExportPdf(d.store, rq, &d.sink), OutputResult::Written);
  ASSERT_TRUE(RunGs(rq.path, d.dir.Path("plate-%d.png"), 20, "", &log)) << log;
  EXPECT_TRUE(fs::exists(d.dir.Path("plate-2.png")));
  EXPECT_FALSE(fs::exists(d.dir.Path("plate-3.png")));
}

TEST(SecondReader, TheSvgLooksLikeOurBitmap) {
  Demo d;
  VectorExportRequest rq;
  rq.path = d.dir.Path("demo.svg");
  rq.window = d.window;
  rq.fonts = &d.fonts;
  ASSERT_EQ(ExportSvg(d.store, rq, &d.sink), OutputResult::Written);
  QSvgRenderer svg(QString::fromStdString(rq.path));
  ASSERT_TRUE(svg.isValid());
  const QImage ours = d.Ours(kDpi);
  QImage img(ours.size(), QImage::Format_RGB32);
  img.fill(Qt::white);
  {
    QPainter p(&img);
    // The SVG's page is the window; our bitmap has one pixel more for the far edges.
    svg.render(&p, QRectF(0, 0, ours.width() - 1, ours.height() - 1));
  }
  d.Keep(img, "demo_svg_qt.png");
  EXPECT_LT(InkMismatch(ours, img), 0.03);
}

TEST(Ghostscript, TextsOfEveryByteRenderWithoutError) {
  REQUIRE_GS();
  TempDir dir;
  for (bool stdFonts : {true, false}) {
    PostScriptLines lines;
    for (const std::string& l :
         {std::string("%!PS-Adobe-3.0 EPSF-2.0"), std::string("%%BoundingBox: 0 0 600 300")})
      lines.Line(l);
    for (const std::string& l : PostScriptProlog()) lines.Line(l);
    lines.Line("0.1000 72 mul 2540 div dup scale");
    QtFontService fonts;
    OutputState st;
    st.scaleX = st.scaleY = 1.0 / 256;
    st.originX = st.originY = 0;
    PostScriptOptions o;
    o.standardFonts = stdFonts;
    PostScriptDevice dev(lines, st, o, &fonts);
    dev.SelectColorPass(0, Cmyk{0, 0, 0, 200});
    std::string all(256, '\0');
    for (int b = 0; b < 256; ++b) all[size_t(b)] = char(b);
    const std::u32string text = Cp1252ToUnicode(all);
    for (size_t i = 0; i < text.size(); ++i) {
      CharacterSpec ch{Coord::FromUnits(int32_t(i % 32) * 2000, 40000 - int32_t(i / 32) * 4000),
                       "Arial",
                       0,
                       0,
                       false,
                       400,
                       500,
                       text[i]};
      dev.DrawCharacter(ch);
    }
    lines.Line("showpage");
    lines.Line("%%EOF");
    const std::string path = dir.Path(stdFonts ? "bytes-std.eps" : "bytes-outline.eps");
    std::ofstream(path, std::ios::binary) << lines.Text();
    std::string log;
    EXPECT_TRUE(RunGs(path, dir.Path("bytes.png"), 30, "", &log)) << log;
  }
}

}  // namespace
}  // namespace zelk

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
