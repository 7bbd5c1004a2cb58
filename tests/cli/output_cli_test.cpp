// zelk-cli export-eps, print, export-pdf and export-svg on the shipped demo map.
#include <gtest/gtest.h>

#include <QtGui/QGuiApplication>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/cli.h"
#include "render/font_service.h"
#include "test_support.h"

namespace zelk {
namespace {

namespace fs = std::filesystem;

struct ToolRun {
  int code = 0;
  std::string out, err;
};

ToolRun Tool(const std::vector<std::string>& args) {
  // Fixed metrics: these checks are about files and messages, not glyphs.
  static FixedMetricsFonts fonts;
  std::ostringstream out, err;
  ToolRun r;
  r.code = RunCli(args, out, err, &fonts);
  r.out = out.str();
  r.err = err.str();
  return r;
}

std::string Text(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

const std::string& Demo() {
  static const std::string p = std::string(ZELK_SHIPPED_DATA_DIR) + "/demo.zkm";
  return p;
}

TEST(CliOutput, ExportEpsWritesTheWholeMapOrAWindow) {
  TempDir dir;
  const ToolRun r = Tool({"export-eps", Demo(), "-o", dir.Path("demo.eps")});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "Wrote " + dir.Path("demo.eps") + "\n");
  const std::string eps = Text(dir.Path("demo.eps"));
  EXPECT_EQ(eps.rfind("%!PS-Adobe-3.0 EPSF-2.0\r\n", 0), 0u);
  EXPECT_TRUE(eps.ends_with("%%EOF\r\n"));
  EXPECT_EQ(eps.find(" RE\r\n"), std::string::npos);  // texts as outlines

  const ToolRun fonts = Tool(
      {"export-eps", Demo(), "-o", dir.Path("w.eps"), "--std-fonts", "--window", "0,0,100,50"});
  ASSERT_EQ(fonts.code, 0) << fonts.err;
  const std::string w = Text(dir.Path("w.eps"));
  EXPECT_NE(w.find("%%BoundingBox: 0 0 283 142\r\n"), std::string::npos);
  EXPECT_NE(w.find(" RE\r\n"), std::string::npos);
  EXPECT_LT(w.size(), eps.size());
}

TEST(CliOutput, BadWindowsAndScalesAreRefusedWithTheProgramsMessage) {
  TempDir dir;
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  const Case cases[] = {
      {{"export-eps", Demo(), "-o", dir.Path("a.eps"), "--window", "10,0,5,50"},
       "Right boundary must be greater than left boundary.\n"},
      {{"export-eps", Demo(), "-o", dir.Path("a.eps"), "--window", "1,2,3"},
       "The window must be given as X0,Y0,X1,Y1 in mm.\n"},
      {{"print", Demo(), "-o", dir.Path("a.ps"), "--scale", "0"},
       "Print scale must be between 1 and 1000000000\n"},
      {{"print", Demo(), "-o", dir.Path("a.ps"), "--scale", "-100"},
       "Print scale must be between 1 and 1000000000\n"},
      {{"print", Demo(), "-o", dir.Path("a.ps"), "--kind", "rainbow"},
       "The kind must be colour, cmyk or spot.\n"},
      {{"print", Demo(), "-o", dir.Path("a.ps"), "--overlap", "101"},
       "Overlap must be between 0 and 100 mm\n"},
      {{"export-svg", dir.Path("missing.zkm"), "-o", dir.Path("a.svg")}, ""},
  };
  for (const Case& c : cases) {
    const ToolRun r = Tool(c.args);
    EXPECT_EQ(r.code, 1) << c.args[0];
    if (!c.message.empty()) {
      EXPECT_EQ(r.err, c.message) << c.args[0];
    }
  }
  // Nothing at all was written, not even a temporary file.
  EXPECT_TRUE(fs::is_empty(dir.Path()));
  EXPECT_EQ(Tool({"print", Demo()}).code, 2);
}

TEST(CliOutput, PrintWritesOneFilePerPlate) {
  TempDir dir;
  const ToolRun spot = Tool({"print", Demo(), "-o", dir.Path("valley.ps"), "--kind", "spot"});
  ASSERT_EQ(spot.code, 0) << spot.err;
  for (const char* plate : {"Black", "Brown", "Blue", "Yellow", "Green"}) {
    const std::string file = dir.Path(std::string("valley") + plate + ".ps");
    EXPECT_NE(spot.out.find("Wrote " + file + "\n"), std::string::npos) << plate;
    const std::string ps = Text(file);
    EXPECT_NE(ps.find("%%Page: (" + std::string(plate) + " 1) 1\r\n"), std::string::npos);
    EXPECT_NE(ps.find("%%Pages: 2\r\n"), std::string::npos) << plate;
  }
  const ToolRun cmyk = Tool({"print", Demo(), "-o", dir.Path("c.ps"), "--kind", "cmyk", "--scale",
                             "10000", "--overlap", "10", "--copies", "2"});
  ASSERT_EQ(cmyk.code, 0) << cmyk.err;
  // 1.5 times larger on A4 with 10 mm overlap: 3 x 2 pages, twice.
  EXPECT_NE(Text(dir.Path("cCyan.ps")).find("%%Pages: 12\r\n"), std::string::npos);
  EXPECT_TRUE(fs::exists(dir.Path("cBlack.ps")));
  const ToolRun colour = Tool({"print", Demo(), "-o", dir.Path("map.ps")});
  ASSERT_EQ(colour.code, 0) << colour.err;
  EXPECT_NE(Text(dir.Path("map.ps")).find(" cmyk\r\n"), std::string::npos);
}

TEST(CliOutput, PdfAndSvg) {
  // Painting on Qt's vector surfaces needs the application the tool's main makes.
  static int argc = 1;
  static char name[] = "output_cli_tests";
  static char* argv[] = {name, nullptr};
  if (QGuiApplication::instance() == nullptr) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    new QGuiApplication(argc, argv);
  }
  TempDir dir;
  ASSERT_EQ(Tool({"export-pdf", Demo(), "-o", dir.Path("m.pdf")}).code, 0);
  ASSERT_EQ(Tool({"export-pdf", Demo(), "-o", dir.Path("s.pdf"), "--separations"}).code, 0);
  ASSERT_EQ(Tool({"export-svg", Demo(), "-o", dir.Path("m.svg")}).code, 0);
  EXPECT_EQ(Text(dir.Path("m.pdf")).rfind("%PDF-", 0), 0u);
  // A page per plate, each labelled with its plate's name; colours in CMYK.
  auto count = [](const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = 0; (at = text.find(what, at)) != std::string::npos; ++at) ++n;
    return n;
  };
  const std::string single = Text(dir.Path("m.pdf")), plates = Text(dir.Path("s.pdf"));
  EXPECT_EQ(count(single, "/Type /Page /Parent"), 1u);
  EXPECT_EQ(count(plates, "/Type /Page /Parent"), 5u);
  EXPECT_NE(plates.find("/PageLabels << /Nums [ 0 << /P (Black) >> 1 << /P (Brown) >>"),
            std::string::npos);
  EXPECT_GT(count(single, " k\n"), 5u);
  EXPECT_EQ(count(single, " rg\n"), 0u);
  EXPECT_GT(count(plates, " g\n"), 5u);
  EXPECT_EQ(count(plates, " k\n"), 0u);
  EXPECT_NE(Text(dir.Path("m.svg")).find("<svg width=\"304.08mm\""), std::string::npos);
}

}  // namespace
}  // namespace zelk
