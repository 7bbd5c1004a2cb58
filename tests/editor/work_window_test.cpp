// The work window: paint requests, the interruptible redraw and the input it holds back,
// immediate drawing, the screen grid and the palette of 8-bit displays.
#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QMouseEvent>
#include <QTest>

#include "editor/screen_palette.h"
#include "editor_fixture.h"
#include "render/font_service_qt.h"

namespace zelk {
namespace {

int NonWhitePixels(const QImage& img) {
  int n = 0;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) n += (img.pixel(x, y) & 0xffffff) != 0xffffff;
  return n;
}

struct RedrawTest : ::testing::Test {
  EditorFixture f;
  void Open(int lines) {
    ASSERT_TRUE(f.OpenMap(WriteTestMap(f.dir, "map.zkm", lines)));
    f.form->Trigger("ViewEntire");
    f.Settle();
  }
  void PostKey(int key, const QString& text = {}) {
    QCoreApplication::postEvent(&f.Work(),
                                new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier, text));
  }
};

TEST_F(RedrawTest, TheMapIsDrawnAndNothingStaysPending) {
  Open(30);
  EXPECT_FALSE(f.State().PaintPending);
  EXPECT_EQ(f.Work().LastObjectsDrawn(), 30);
  EXPECT_GT(NonWhitePixels(f.Work().Picture()), 100);
}

TEST_F(RedrawTest, APartialRedrawLeavesNoSeamAroundItsRectangle) {
  // The redraw clears one pixel around its rectangle; that ring must be drawn again, not left
  // white across the lines that pass it.
  Open(300);
  const QImage whole = f.Work().Picture().copy();
  const QRect r(100, 80, 150, 120);
  ASSERT_TRUE(f.Work().RedrawWindow(r));
  const QImage part = f.Work().Picture();
  const QRect ring = r.adjusted(-1, -1, 1, 1);
  int drawn = 0, wiped = 0;
  for (int y = ring.top(); y <= ring.bottom(); ++y)
    for (int x = ring.left(); x <= ring.right(); ++x) {
      // Pixels the lines cover well, not the faint edges of smoothing.
      if (r.contains(x, y) || qGray(whole.pixel(x, y)) > 160) continue;
      ++drawn;
      wiped += (part.pixel(x, y) & 0xffffff) == 0xffffff;
    }
  EXPECT_GT(drawn, 20);
  EXPECT_EQ(wiped, 0);
}

TEST_F(RedrawTest, RequestsCollectIntoOnePaint) {
  Open(5);
  const int before = f.Work().RedrawCount();
  f.Work().Invalidate(QRect(0, 0, 10, 10));
  f.Work().Invalidate(QRect(100, 100, 10, 10));
  f.form->RedrawAll();
  f.Settle();
  EXPECT_EQ(f.Work().RedrawCount(), before + 1);
}

TEST_F(RedrawTest, APaintWaitsWhileADialogIsOpenAndFollowsAfterwards) {
  Open(5);
  bool allowed = false;
  f.Work().mayPaintNow = [&] { return allowed; };
  const int before = f.Work().RedrawCount();
  f.Work().Invalidate(QRect(0, 0, 50, 50));
  f.Settle();
  EXPECT_EQ(f.Work().RedrawCount(), before);
  EXPECT_TRUE(f.State().PaintPending);
  EXPECT_EQ(f.Work().PendingRect(), QRect(0, 0, 50, 50));
  // A request that does not cover the pending one widens it.
  f.Work().Invalidate(QRect(200, 200, 20, 20));
  f.Settle();
  EXPECT_EQ(f.Work().PendingRect(), QRect(0, 0, 50, 50).united(QRect(200, 200, 20, 20)));
  allowed = true;
  QTest::qWait(250);
  EXPECT_EQ(f.Work().RedrawCount(), before + 1);
  EXPECT_FALSE(f.State().PaintPending);
}

TEST_F(RedrawTest, EscStopsTheRedrawAtOnceAndItStaysStopped) {
  Open(1000);
  PostKey(Qt::Key_Escape, "\x1b");
  f.State().AbortRequested = false;
  EXPECT_FALSE(f.Work().RedrawWindow(f.Work().rect()));
  EXPECT_LT(f.Work().LastObjectsDrawn(), 1000);
  EXPECT_TRUE(f.State().PaintPending);
  EXPECT_TRUE(f.State().AbortRequested);
  const int count = f.Work().RedrawCount();
  f.Settle();
  EXPECT_EQ(f.Work().RedrawCount(), count);  // the user asked for it to stop
  EXPECT_TRUE(f.State().PaintPending);
  // Redraw (F5) draws everything again.
  f.form->Trigger("ViewRedraw");
  f.Settle();
  EXPECT_FALSE(f.State().PaintPending);
  EXPECT_EQ(f.Work().LastObjectsDrawn(), 1000);
}

TEST_F(RedrawTest, AKeyThatStopsTheRedrawIsHandledAndTheRedrawResumes) {
  Open(1000);
  RecordingTool& curve = f.AddTool(Interaction::Curve);
  f.ChooseMode(Mode::Curve);
  f.Settle();
  f.Work().setFocus();
  PostKey(Qt::Key_A, "a");
  EXPECT_FALSE(f.Work().RedrawWindow(f.Work().rect()));
  EXPECT_TRUE(curve.keys.empty());  // not while drawing
  f.Settle();
  EXPECT_EQ(curve.keys, U"a");  // the key was not lost
  EXPECT_FALSE(f.State().PaintPending);
  EXPECT_EQ(f.Work().LastObjectsDrawn(), 1000);
}

TEST_F(RedrawTest, AButtonPressStopsTheRedrawAndReachesTheToolAfterwards) {
  Open(1000);
  RecordingTool& curve = f.AddTool(Interaction::Curve);
  f.ChooseMode(Mode::Curve);
  f.Settle();
  const QPointF at(40, 40);
  QCoreApplication::postEvent(
      &f.Work(), new QMouseEvent(QEvent::MouseButtonPress, at, f.Work().mapToGlobal(at),
                                 Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
  EXPECT_FALSE(f.Work().RedrawWindow(f.Work().rect()));
  EXPECT_EQ(curve.Count("down"), 0);
  f.Settle();
  EXPECT_EQ(curve.Count("down"), 1);
  EXPECT_EQ(f.State().Mouse, (PixelPos{40, 40}));
}

TEST_F(RedrawTest, AShortcutPressedDuringTheRedrawRunsAfterIt) {
  Open(1000);
  f.Work().setFocus();
  PostKey(Qt::Key_F7);
  EXPECT_FALSE(f.Work().RedrawWindow(f.Work().rect()));
  EXPECT_NE(f.State().InteractionState, Interaction::ViewZoom);
  f.Settle();
  EXPECT_EQ(f.State().InteractionState, Interaction::ViewZoom);
}

TEST_F(RedrawTest, DrawObjectNowDrawsWithoutClearing) {
  Open(0);
  const int before = NonWhitePixels(f.Work().Picture());
  const int redraws = f.Work().RedrawCount();
  ObjectRecord line = MakeLine(1010, -1000, 0, 1000, 0);
  f.Work().DrawObjectNow(line);
  EXPECT_GT(NonWhitePixels(f.Work().Picture()), before);
  EXPECT_EQ(f.Work().RedrawCount(), redraws);
}

// At a quarter of the zoom the 0.4 mm lines are thinner than a pixel: the drawing device
// collects such lines, and they must still reach the picture, in a redraw as when drawn at once.
TEST_F(RedrawTest, LinesThinnerThanAPixelReachThePicture) {
  Open(30);
  f.Factor(0.25);
  f.Settle();
  ASSERT_EQ(f.Work().LastObjectsDrawn(), 30);
  const int drawn = NonWhitePixels(f.Work().Picture());
  EXPECT_GT(drawn, 300);
  f.Work().DrawObjectNow(MakeLine(1010, -20000, -7000, 20000, -7000));
  EXPECT_GT(NonWhitePixels(f.Work().Picture()), drawn + 200);
}

// Redraws take their glyphs from the program's font service: outlines are read from the fonts
// once, and the pictures made for the screen serve every later redraw.
TEST(RedrawFonts, EveryRedrawDrawsWithTheSharedFontService) {
  QtFontService fonts;
  EditorFixture f(false, &fonts);
  ASSERT_TRUE(f.OpenMap(WriteTestMap(f.dir, "texts.zkm", 5, "Arial", 12)));
  f.form->Trigger("ViewEntire");
  f.Settle();
  ASSERT_EQ(f.Work().LastObjectsDrawn(), 17);
  const int64_t read = fonts.GlyphsExtracted();
  EXPECT_GE(read, 14);  // "Place 0" to "Place 11": P l a c e 0-9
  ASSERT_TRUE(f.Work().RedrawWindow(f.Work().rect()));
  const int64_t made = fonts.GlyphImages().PicturesMade();
  EXPECT_GE(made, 14);
  for (int i = 0; i < 2; ++i) ASSERT_TRUE(f.Work().RedrawWindow(f.Work().rect()));
  EXPECT_EQ(fonts.GlyphsExtracted(), read);
  EXPECT_EQ(fonts.GlyphImages().PicturesMade(), made);
}

TEST_F(RedrawTest, TheViewFollowsTheWindowSize) {
  Open(1);
  f.form->resize(700, 500);
  f.Settle();
  EXPECT_EQ(f.form->View().clientWidth, f.Work().width());
  EXPECT_EQ(f.form->View().clientHeight, f.Work().height());
  EXPECT_EQ(f.Work().Picture().size(), f.Work().size());
  EXPECT_EQ(f.State().PickTolerance, f.form->View().pickTolerance);
}

TEST_F(RedrawTest, TheGridSpacingFollowsThePreferenceAndTheSettings) {
  Open(1);
  SetupBlock& s = f.form->Doc().Store().MutableSetup();
  s.SetPaperGrid(10.0);
  EXPECT_EQ(f.Work().GridSpacing(), 1000);  // 10 mm
  f.prefs.realWorldCord = true;
  s.SetMapScale(10000);
  s.SetRealWorldGrid(500);
  EXPECT_EQ(f.Work().GridSpacing(), 5000);  // 500 m at 1:10000 is 50 mm
  f.prefs.screenGrid = false;
  EXPECT_EQ(f.Work().GridSpacing(), 0);
}

TEST_F(RedrawTest, WithoutAMapTheWindowIsWhite) {
  Open(30);
  f.sink.answers = {Answer::No};
  ASSERT_TRUE(f.form->Doc().Close());
  f.Settle();
  EXPECT_EQ(NonWhitePixels(f.Work().Picture()), 0);
  EXPECT_FALSE(f.State().PaintPending);
}

TEST(ScreenPalette, HasTheCubeAroundTwentyGreys) {
  const auto p = SystemPalette();
  EXPECT_EQ(p[0], (Rgb{0, 0, 0}));
  EXPECT_EQ(p[107], (Rgb{102, 255, 255}));
  EXPECT_EQ(p[108], (Rgb{0, 0, 0}));
  EXPECT_EQ(p[109], (Rgb{13, 13, 13}));
  EXPECT_EQ(p[127], (Rgb{255, 255, 255}));
  EXPECT_EQ(p[128], (Rgb{153, 0, 0}));
  EXPECT_EQ(p[235], (Rgb{255, 255, 255}));
}

TEST(ScreenPalette, ColoursAreShownAsTheNearestEntry) {
  EXPECT_EQ(PaletteColor({250, 3, 0}), (Rgb{255, 0, 0}));
  EXPECT_EQ(PaletteColor({128, 128, 128}), (Rgb{134, 134, 134}));
  EXPECT_EQ(PaletteColor({0, 255, 255}), (Rgb{0, 255, 255}));
}

}  // namespace
}  // namespace zelk

namespace zelk {
namespace {

// The real-world grid lies where the coordinate display shows whole multiples of the grid
// distance, also on a map turned against north.
TEST(RealWorldGrid, LinesFallOnWholeGridValuesOfTheDisplayedCoordinates) {
  SetupBlock s = SetupBlock::Defaults();
  s.SetMapScale(10000);  // 1 mm is 10 m
  s.SetRealWorldGrid(100);
  s.SetRealWorldX(2500);
  s.SetRealWorldY(7000);
  const Box visible{0, 0, 100 * 25600, 50 * 25600};  // 100 x 50 mm
  auto lines = TWorkWin::RealWorldGridLines(s, visible);
  // Unturned: eastings 2500..3500 give x = 0, 10, ... 100 mm; northings 7000..7500 give 6 lines.
  ASSERT_EQ(lines.size(), 11u + 6u);
  EXPECT_EQ(lines[0].first.x, 0);
  EXPECT_EQ(lines[1].first.x, 10 * 25600);
  EXPECT_EQ(lines[0].first.x, lines[0].second.x);    // north-south
  EXPECT_EQ(lines[11].first.y, lines[11].second.y);  // east-west

  s.SetRealWorldAngle(90);
  lines = TWorkWin::RealWorldGridLines(s, visible);
  ASSERT_FALSE(lines.empty());
  // Turned by 90 degrees, lines of equal easting run along the map's x axis.
  const auto& [a, b] = lines.front();
  EXPECT_NEAR(a.y, b.y, 256);
  EXPECT_GT(std::abs(a.x - b.x), 25600);
  // Every line of equal easting shows a whole multiple of 100 m in the coordinate display.
  const double mx = (a.x + b.x) / 2.0 / 25600, my = (a.y + b.y) / 2.0 / 25600;
  const double easting = 10000 * (mx * 0 - my * 1) * 0.001 + 2500;
  EXPECT_NEAR(std::fmod(std::abs(easting), 100.0), 0.0, 0.05);

  s.SetRealWorldGrid(0.001);  // far too dense to draw
  EXPECT_TRUE(TWorkWin::RealWorldGridLines(s, visible).empty());
}

}  // namespace
}  // namespace zelk
