// The Extras commands with their dialogs answered: what undo can and cannot take back.
#include "editor/map_commands.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "dialogs/map_wide_dlgs.h"
#include "dialogs/spin_edit.h"
#include "editor/undo_ring.h"
#include "editor_fixture.h"

namespace zelk {
namespace {

// Fills the next modal dialog of type D and presses its OK (Start) once it runs.
template <typename D>
void AnswerWhenModal(std::function<void(D&)> fill) {
  QTimer::singleShot(0, [fill] {
    auto* d = qobject_cast<D*>(QApplication::activeModalWidget());
    if (!d) return AnswerWhenModal<D>(fill);
    fill(*d);
    d->OkBtn->click();
  });
}

class Window : public CommandWindow {
 public:
  ViewTransform view;
  ZoomHistory history;
  int redraws = 0;
  const ViewTransform& View() const override { return view; }
  void SetView(double, int32_t, int32_t, bool) override {}
  ZoomHistory& History() override { return history; }
  void RedrawAll() override { ++redraws; }
  void RepaintOverlay() override {}
  void StartViewInteraction(ViewZoomTool::Kind) override {}
  void StartWindowRectangle(std::function<Box()>, std::function<void(const Box&)>, int) override {}
  void SymbolTableChanged() override {}
  void RepaintSymbols() override {}
  void SetCurrentSymbol(int) override {}
  void SetWaitCursor(bool) override {}
  void CloseWindow() override {}
  QWidget* DialogParent() override { return nullptr; }
};

struct MapCommandsTest : ::testing::Test {
  TempDir dir;
  RecordingSink sink;
  Preferences prefs;
  EditorState state;
  Window window;
  Document doc{&sink, &prefs, nullptr, dir.Path("temp.~km")};
  CommandContext context{doc, state, prefs, window, &sink};
  std::unique_ptr<UndoRing> undo;
  std::unique_ptr<MapCommands> commands;
  void SetUp() override {
    EnsureApplication();
    prefs.autoSave = false;
    ASSERT_TRUE(doc.Open(WriteTestMap(dir, "map.zkm", 20)));
    undo = std::make_unique<UndoRing>(doc.Store());
    doc.Store().SetUndoRecorder(undo.get());
    commands = std::make_unique<MapCommands>(context, *undo);
  }
  void TearDown() override { doc.Store().SetUndoRecorder(nullptr); }
  int32_t FirstX(int32_t n) {
    ObjectRecord o;
    doc.Store().ReadObject(n, &o);
    return o.coords.empty() ? 0 : o.coords[0].PosX();
  }
};

TEST_F(MapCommandsTest, DeleteBySymbolIsOneUndoStep) {
  // An earlier step, to see that the deletion does not swallow it.
  ObjectRecord line = MakeLine(1010, 0, 0, 100, 100);
  undo->BeginUndoStep(0, line);
  ASSERT_TRUE(doc.Store().AddObject(line));
  state.CurrentSymbol = static_cast<int16_t>(doc.Store().SymbolPlace(1010));
  commands->DeleteBySymbol();
  EXPECT_EQ(sink.confirms.back(), "Delete all objects with a selected symbol?");
  EXPECT_EQ(doc.Store().LiveObjectCount(), 0);
  ASSERT_TRUE(undo->CanUndo());
  ASSERT_TRUE(undo->Undo());
  EXPECT_EQ(doc.Store().LiveObjectCount(), 21);
  ASSERT_TRUE(undo->Undo());  // the earlier step is still there
  EXPECT_EQ(doc.Store().LiveObjectCount(), 20);
}

TEST_F(MapCommandsTest, MoveMapCannotBeUndone) {
  ObjectRecord line = MakeLine(1010, 0, 0, 100, 100);
  undo->BeginUndoStep(0, line);
  ASSERT_TRUE(doc.Store().AddObject(line));
  ASSERT_TRUE(undo->CanUndo());
  const int32_t before = FirstX(1);
  AnswerWhenModal<TMoveMapDlg>([](TMoveMapDlg& d) {
    d.HorB->SetValue(12.5);
    d.VerB->SetValue(0);
  });
  commands->MoveMap();
  EXPECT_EQ(FirstX(1), before + 1250);
  // The step before the move no longer matches the file: it is gone.
  EXPECT_FALSE(undo->CanUndo());
  EXPECT_TRUE(doc.Modified());
  EXPECT_GT(window.redraws, 0);
}

TEST_F(MapCommandsTest, MapAreaQuestionNoLeavesTheMap) {
  const int32_t before = FirstX(1);
  sink.answers = {Answer::No};
  AnswerWhenModal<TMoveMapDlg>([](TMoveMapDlg& d) { d.HorB->SetValue(3000); });
  commands->MoveMap();
  ASSERT_EQ(sink.questions.size(), 1u);
  EXPECT_EQ(sink.questions[0],
            "Part of the map comes out of the map area and will be lost. Do you want to continue?");
  EXPECT_EQ(FirstX(1), before);
}

TEST_F(MapCommandsTest, ChangeSymbolsRefusesAMissingTarget) {
  AnswerWhenModal<TChangeSymDlg>([](TChangeSymDlg& d) {
    d.FromB->setText("101");
    d.ToB->setText("999");
    // The dialog stays open on the refusal: close it after the message.
    QTimer::singleShot(0, [&d] { d.reject(); });
  });
  commands->ChangeSymbols();
  ASSERT_FALSE(sink.errors.empty());
  EXPECT_EQ(sink.errors.back(), "Symbol does not exist.");
}

TEST_F(MapCommandsTest, OptimizeReloadsAndForgetsUndo) {
  undo->BeginUndoStep(3, ObjectRecord{});
  ASSERT_TRUE(doc.Store().DeleteObject(3));
  ASSERT_TRUE(undo->CanUndo());
  AnswerWhenModal<TOptimizeDlg>([](TOptimizeDlg&) {
    // The result dialog follows; it is closed as it opens.
    AnswerWhenModal<TOptResultDlg>([](TOptResultDlg&) {});
  });
  commands->Optimize();
  EXPECT_EQ(doc.Store().ObjectCount(), 19);
  EXPECT_FALSE(undo->CanUndo());
  EXPECT_TRUE(doc.IsOpen());
}

}  // namespace
}  // namespace zelk
