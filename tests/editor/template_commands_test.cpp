// Templates in the editor: opening with and without a stated resolution, hiding, closing, the
// adjustment through the window's mouse and keys, and the template coming back with its map.
#include "editor/template_commands.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "editor_fixture.h"
#include "template_bmp_builder.h"

namespace zelk {
namespace {

std::string WriteBmp(const TempDir& dir, const std::string& name, const test::BmpLayout& layout) {
  const std::string path = dir.Path(name);
  const std::vector<uint8_t> bytes = test::MakeBmp(layout);
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  return path;
}

struct TemplateFixture : EditorFixture {
  std::string map;
  std::string scan;
  int asked = 0;
  std::optional<int> answer = 300;
  TemplateFixture() {
    map = WriteTestMap(dir, "t.zkm", 3);
    test::BmpLayout s;
    s.width = 60;
    s.height = 40;
    scan = WriteBmp(dir, "scan.bmp", s);
    form->Templates().askResolution = [this](int) {
      ++asked;
      return answer;
    };
    EXPECT_TRUE(OpenMap(map));
  }
  TemplateCommands& T() { return form->Templates(); }
  bool Checked(const char* name) { return form->Action(name)->isChecked(); }
  bool Enabled(const char* name) {
    form->UpdateMenuStates();
    return form->Action(name)->isEnabled();
  }
  void Click(PixelPos p) {
    form->WorkMouseDown(Qt::LeftButton, p, {});
    form->WorkMouseUp(Qt::LeftButton, p, {});
  }
  void OpenTemplate(const std::string& path) {
    chooser.answers.push_back(path);
    form->Trigger("OptionsOpenTemp");
    Settle();
  }
};

TEST(TemplateCommands, OpenPlacesTheTemplateAtTheViewCentreHideAndCloseFollowTheMenu) {
  TemplateFixture f;
  EXPECT_FALSE(f.Enabled("OptionsCloseTemp"));
  EXPECT_FALSE(f.Enabled("OptionsAdjTemp"));
  f.OpenTemplate(f.scan);
  ASSERT_TRUE(f.T().IsOpen());
  EXPECT_EQ(
      f.chooser.titles.back().rfind("Open Template;Bitmap files (*.bmp;*.dib)|*.bmp;*.dib|", 0),
      0u);
  EXPECT_EQ(f.asked, 0);  // the file states 300 DPI
  EXPECT_EQ(f.T().Placement().x, f.form->View().centreX);
  EXPECT_EQ(f.T().Placement().y, f.form->View().centreY);
  EXPECT_EQ(f.T().Placement().angle, 0);
  const SetupBlock& s = f.form->Doc().Store().Setup();
  EXPECT_EQ(s.TemplateOpen(), 1);
  EXPECT_EQ(s.TemplateFile(), f.scan);
  EXPECT_TRUE(f.Enabled("OptionsCloseTemp"));
  EXPECT_TRUE(f.Enabled("OptionsHideTemp"));
  EXPECT_FALSE(f.Checked("OptionsHideTemp"));
  f.form->Trigger("OptionsHideTemp");
  EXPECT_TRUE(f.T().Hidden());
  EXPECT_TRUE(f.Checked("OptionsHideTemp"));
  f.form->Trigger("OptionsHideTemp");
  EXPECT_FALSE(f.T().Hidden());
  f.form->Trigger("OptionsCloseTemp");
  EXPECT_FALSE(f.T().IsOpen());
  EXPECT_EQ(f.form->Doc().Store().Setup().TemplateOpen(), 0);
  EXPECT_FALSE(f.Enabled("OptionsCloseTemp"));
  EXPECT_TRUE(f.sink.errors.empty());
}

TEST(TemplateCommands, TheTemplateIsDrawnUnderTheMapWhereItIsPlaced) {
  TemplateFixture f;
  test::BmpLayout s;
  s.width = 50;
  s.height = 50;
  s.pixel = [](int, int) { return 0x102030u; };
  f.OpenTemplate(WriteBmp(f.dir, "dark.bmp", s));
  ASSERT_TRUE(f.T().IsOpen());
  // Where the map leaves the paper white, the template shows; elsewhere the map lies on top.
  f.form->Trigger("OptionsHideTemp");
  f.Work().RedrawWindow(f.Work().rect());
  const QImage hidden = f.Work().Picture().copy();
  f.form->Trigger("OptionsHideTemp");
  f.Work().RedrawWindow(f.Work().rect());
  const QImage shown = f.Work().Picture().copy();
  f.prefs.dimTemplate = true;
  f.Work().RedrawWindow(f.Work().rect());
  const QImage dimmed = f.Work().Picture().copy();
  const QPoint centre = f.Work().rect().center();
  int seen = 0;
  for (int dy = -12; dy <= 12; ++dy)
    for (int dx = -12; dx <= 12; ++dx) {
      const QPoint p = centre + QPoint(dx, dy);
      // Where map lines lie, their smoothed edges mix with whatever is under them.
      if (hidden.pixel(p) != qRgb(255, 255, 255)) continue;
      ++seen;
      EXPECT_EQ(shown.pixel(p), qRgb(0x10, 0x20, 0x30));
      EXPECT_NEAR(qRed(dimmed.pixel(p)), 255 - 0.4 * (255 - 0x10), 2);
    }
  EXPECT_GT(seen, 100);
  // Far from the template nothing changes.
  EXPECT_EQ(shown.pixel(2, 2), hidden.pixel(2, 2));
}

TEST(TemplateCommands, AFileWithoutResolutionAsksWhenTheUserOpensItAndCancelOpensNothing) {
  TemplateFixture f;
  test::BmpLayout s;
  s.xRes = s.yRes = 0;
  const std::string bare = WriteBmp(f.dir, "bare.bmp", s);
  f.answer = std::nullopt;
  f.OpenTemplate(bare);
  EXPECT_EQ(f.asked, 1);
  EXPECT_FALSE(f.T().IsOpen());
  f.answer = 150;
  f.OpenTemplate(bare);
  EXPECT_EQ(f.asked, 2);
  ASSERT_TRUE(f.T().IsOpen());
  EXPECT_EQ(f.T().Image()->PelsPerMeterX(), std::lround(150 / 0.0254));
  EXPECT_EQ(f.form->Doc().Store().Setup().ScannerResolution(), 150);
  // Opened again with its map: the remembered resolution, no question.
  f.form->Doc().Close();
  ASSERT_TRUE(f.OpenMap(f.map));
  EXPECT_EQ(f.asked, 2);
  ASSERT_TRUE(f.T().IsOpen());
  EXPECT_EQ(f.T().Image()->PelsPerMeterX(), std::lround(150 / 0.0254));
}

TEST(TemplateCommands, RefusedFilesGetTheirMessageAndLeaveNoTemplate) {
  TemplateFixture f;
  const std::string text = f.dir.Path("notes.bmp");
  std::ofstream(text) << "not a picture";
  f.OpenTemplate(text);
  ASSERT_EQ(f.sink.errors.size(), 1u);
  EXPECT_EQ(f.sink.errors[0], "Template must be a BMP file.");
  EXPECT_FALSE(f.T().IsOpen());
  test::BmpLayout s;
  s.compression = 1;
  s.bitCount = 8;
  f.OpenTemplate(WriteBmp(f.dir, "rle.bmp", s));
  ASSERT_EQ(f.sink.errors.size(), 2u);
  EXPECT_NE(f.sink.errors[1].find("compressed"), std::string::npos);
  f.OpenTemplate(f.dir.Path("missing.bmp"));
  ASSERT_EQ(f.sink.errors.size(), 3u);
  EXPECT_NE(f.sink.errors[2].find("missing.bmp"), std::string::npos);
  EXPECT_FALSE(f.T().IsOpen());
  EXPECT_EQ(f.form->Doc().Store().Setup().TemplateOpen(), 0);
}

TEST(TemplateCommands, ThreePairsAndEnterFitTheTemplate) {
  TemplateFixture f;
  f.OpenTemplate(f.scan);
  ASSERT_TRUE(f.T().IsOpen());
  const TemplatePlacement before = f.T().Placement();
  f.form->Trigger("OptionsAdjTemp");
  ASSERT_EQ(f.State().InteractionState, Interaction::Template);
  EXPECT_EQ(f.State().CursorName, "AdjTemplate");
  // Each template point 20 pixels to the right of its map point: the template moves left.
  const PixelPos points[3] = {{100, 100}, {300, 120}, {200, 300}};
  for (const PixelPos& p : points) {
    f.Click(p);
    EXPECT_EQ(f.State().CursorName, "AdjScreen");
    f.Click({p.x - 20, p.y});
    EXPECT_EQ(f.State().CursorName, "AdjTemplate");
  }
  f.form->FormKeyDown(Qt::Key_Return, {}, "\r");
  EXPECT_EQ(f.State().InteractionState == Interaction::Template, false);
  const TemplatePlacement& after = f.T().Placement();
  const double shift = (f.form->DeviceToMap({0, 0}).x - f.form->DeviceToMap({20, 0}).x) / 256.0;
  EXPECT_NEAR((after.x - before.x) / 256.0, shift, 1.5);
  EXPECT_NEAR((after.y - before.y) / 256.0, 0, 1.5);
  EXPECT_NEAR(after.angle, 0, 1e-3);
  EXPECT_NEAR(after.scaleX, before.scaleX, before.scaleX * 1e-3);
  EXPECT_EQ(f.form->Doc().Store().Setup().TemplateX(), after.x);
  EXPECT_TRUE(f.sink.errors.empty());
}

TEST(TemplateCommands, TheTwelfthPairEndsTheAdjustmentEvenWhenItsFitIsRefused) {
  TemplateFixture f;
  f.OpenTemplate(f.scan);
  f.form->Trigger("OptionsAdjTemp");
  const TemplatePlacement before = f.T().Placement();
  // Template points spread out, every map point on one spot: no scale fits.
  for (int i = 0; i < kTemplateMaxPairs; ++i) {
    ASSERT_EQ(f.State().InteractionState, Interaction::Template) << i;
    f.Click({50 + 30 * i, 60 + 25 * (i % 3)});
    f.Click({400, 300});
  }
  EXPECT_NE(f.State().InteractionState, Interaction::Template);
  ASSERT_EQ(f.sink.errors.size(), 1u);
  EXPECT_EQ(f.T().Placement().x, before.x);
  EXPECT_EQ(f.T().Placement().angle, before.angle);
  // A thirteenth click reaches whatever tool runs now, never a thirteenth pair.
  f.Click({10, 10});
  f.Click({20, 20});
  EXPECT_NE(f.State().InteractionState, Interaction::Template);
  EXPECT_EQ(f.sink.errors.size(), 1u);
}

TEST(TemplateCommands, TooCloseAndAnyOtherKeyEndWithoutChange) {
  TemplateFixture f;
  f.OpenTemplate(f.scan);
  const TemplatePlacement before = f.T().Placement();
  f.form->Trigger("OptionsAdjTemp");
  f.Click({100, 100});
  f.Click({100, 101});
  f.Click({101, 100});
  f.Click({101, 101});
  f.form->FormKeyDown(Qt::Key_Return, {}, "\r");
  ASSERT_EQ(f.sink.errors.size(), 1u);
  EXPECT_EQ(f.sink.errors[0], "Adjustment points are too close.");
  EXPECT_EQ(f.T().Placement().x, before.x);
  EXPECT_NE(f.State().InteractionState, Interaction::Template);
  f.form->Trigger("OptionsAdjTemp");
  f.Click({100, 100});
  f.Click({300, 300});
  f.form->FormKeyDown(Qt::Key_X, {}, "x");
  EXPECT_NE(f.State().InteractionState, Interaction::Template);
  EXPECT_EQ(f.T().Placement().x, before.x);
}

TEST(TemplateCommands, TheTemplateComesBackWithItsMapOrSaysWhyNot) {
  TemplateFixture f;
  f.OpenTemplate(f.scan);
  f.form->Trigger("OptionsAdjTemp");
  f.Click({100, 100});
  f.Click({130, 90});
  f.form->FormKeyDown(Qt::Key_Return, {}, "\r");
  const TemplatePlacement fitted = f.T().Placement();
  ASSERT_TRUE(f.form->Doc().Save());
  f.form->Doc().Close();
  EXPECT_FALSE(f.T().IsOpen());
  ASSERT_TRUE(f.OpenMap(f.map));
  ASSERT_TRUE(f.T().IsOpen());
  EXPECT_EQ(f.T().FileName(), f.scan);
  EXPECT_EQ(f.T().Placement().x, fitted.x);
  EXPECT_EQ(f.T().Placement().y, fitted.y);
  EXPECT_FALSE(f.T().Hidden());
  // The scan has gone: the map opens, says so, and forgets its template.
  ASSERT_TRUE(f.form->Doc().Save());
  f.form->Doc().Close();
  std::remove(f.scan.c_str());
  ASSERT_TRUE(f.OpenMap(f.map));
  EXPECT_FALSE(f.T().IsOpen());
  ASSERT_FALSE(f.sink.errors.empty());
  EXPECT_NE(f.sink.errors.back().find("scan.bmp"), std::string::npos);
  EXPECT_EQ(f.form->Doc().Store().Setup().TemplateOpen(), 0);
}

}  // namespace
}  // namespace zelk
