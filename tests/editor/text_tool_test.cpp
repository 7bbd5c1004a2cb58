// The text tool and typing: texts and framed texts made by a click or a drag, the caret and
// selection keys over line ends, the limits of a text, storing anew when a text outgrows its
// room, one undo step per session, and typing through the window with the clipboard.
#include "editor/text_tool.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QTest>
#include <functional>

#include "editing_fixture.h"

namespace zelk {
namespace {

struct TypingFixture : EditingFixture {
  FixedMetricsFonts fonts;
  std::unique_ptr<TextTyping> typing;
  std::unique_ptr<TextTool> tool;
  int beeps = 0;
  TypingFixture() {
    ctx->fonts = &fonts;
    ctx->drawing.beep = [this] { ++beeps; };
    typing = std::make_unique<TextTyping>(*ctx);
    ctx->typing = typing.get();
    tool = std::make_unique<TextTool>(*ctx);
    state.CurrentSymbol = Store().SymbolPlace(kText);
    tool->Start(ToolPurpose::Draw);
  }
  void Type(const std::u32string& keys) {
    for (const char32_t c : keys) tool->Key(c);
  }
  // A new text at (100, 100) with the keys typed into it.
  int32_t NewText(const std::u32string& keys) {
    Click(*tool, At(100, 100));
    Type(keys);
    return typing->Object();
  }
};

TEST(TextTool, AClickMakesATextAndADragAFramedTextEachUndoneWhole) {
  TypingFixture f;
  const auto before = Snapshot(f.Store());
  const int32_t n = f.NewText(U"Mill\rPond");
  EXPECT_TRUE(f.state.TextEditing);
  const ObjectRecord text = f.Read(n);
  EXPECT_EQ(text.type, ObjectType::Text);
  EXPECT_EQ(text.Text(), "Mill\r\nPond");
  EXPECT_EQ(text.PointCount(), 5);  // the point and the corners of its box
  EXPECT_TRUE(f.typing->InsideText(n, Coord::FromUnits(110, 105)));
  f.tool->Key(27);  // Esc ends typing
  EXPECT_FALSE(f.state.TextEditing);
  f.tool->Key(U'x');
  EXPECT_EQ(f.Read(n).Text(), "Mill\r\nPond");
  f.tool->Finish();
  ASSERT_TRUE(f.undo->Undo());
  EXPECT_EQ(Snapshot(f.Store()), before);
  ASSERT_TRUE(f.undo->Redo());
  EXPECT_EQ(f.Read(f.Store().ObjectCount()).Text(), "Mill\r\nPond");

  // A click with nothing typed leaves nothing.
  const auto withText = Snapshot(f.Store());
  f.tool->Start(ToolPurpose::Draw);
  f.Click(*f.tool, f.At(3000, 3000));
  EXPECT_TRUE(f.state.TextEditing);
  f.tool->Finish();
  EXPECT_EQ(Snapshot(f.Store()), withText);

  // A drag: a framed text whose upper corners are the rectangle's, lower left first.
  f.tool->Start(ToolPurpose::Draw);
  f.Drag(*f.tool, f.At(1100, 600), f.At(100, 100));
  f.Type(U"Mill Pond");
  const ObjectRecord framed = f.Read(f.Store().ObjectCount());
  ASSERT_EQ(framed.type, ObjectType::Rectangle);
  EXPECT_EQ(framed.coords[3].PosX(), 100);
  EXPECT_EQ(framed.coords[3].PosY(), 600);
  EXPECT_EQ(framed.coords[2].PosX(), 1100);
  EXPECT_LT(framed.coords[0].PosX(), framed.coords[1].PosX());
  EXPECT_TRUE(f.state.TextEditing);
}

TEST(TextTyping, KeysMoveByCharacterLineAndLineEnd) {
  using Move = TextTyping::CaretMove;
  struct Case {
    const char* why;
    std::function<void(TextTyping&)> keys;
    std::u32string text;
    size_t caret;
  };
  const auto moves = [](std::vector<Move> ms, bool extend = false) {
    return [ms, extend](TextTyping& t) {
      for (Move m : ms) t.Move(m, extend);
    };
  };
  const std::vector<Case> cases = {
      {"left skips a line end whole", moves({Move::Left, Move::Left, Move::Left}), U"ab\r\ncd", 2},
      {"backspace takes a line end whole",
       [](TextTyping& t) { t.Move(Move::Left, false), t.Move(Move::Left, false), t.Key(8); },
       U"abcd", 2},
      {"home, then up to the first line", moves({Move::Home, Move::Up}), U"ab\r\ncd", 0},
      {"end stops before the line end",
       [](TextTyping& t) {
         t.Move(Move::Home, false), t.Move(Move::Up, false), t.Move(Move::End, false);
       },
       U"ab\r\ncd", 2},
      {"delete after the last character joins the lines",
       [](TextTyping& t) { t.Move(Move::Up, false), t.Move(Move::End, false), t.DeleteForward(); },
       U"abcd", 2},
      {"down keeps the place along the line",
       [](TextTyping& t) {
         t.Move(Move::Up, false), t.Move(Move::Home, false), t.Move(Move::Right, false),
             t.Move(Move::Down, false);
       },
       U"ab\r\ncd", 5},
      {"a typed character replaces the selection",
       [](TextTyping& t) { t.Move(Move::Left, true), t.Move(Move::Left, true), t.Key(U'X'); },
       U"ab\r\nX", 5},
      {"backspace deletes the selection only",
       [](TextTyping& t) { t.Move(Move::Home, true), t.Key(8); }, U"ab\r\n", 4},
  };
  for (const Case& c : cases) {
    TypingFixture f;
    f.NewText(U"ab\rcd");
    ASSERT_EQ(f.typing->Buffer(), U"ab\r\ncd");
    c.keys(*f.typing);
    EXPECT_EQ(f.typing->Buffer(), c.text) << c.why;
    EXPECT_EQ(f.typing->Caret(), c.caret) << c.why;
    // What is typed is what is stored.
    std::string stored;
    for (char32_t ch : c.text) stored += static_cast<char>(ch);
    EXPECT_EQ(f.Read(f.typing->Object()).Text(), stored) << c.why;
  }
}

TEST(TextTyping, TheLimitsTheCodePageAndPastedLineEnds) {
  TypingFixture f;
  f.NewText(U"");
  f.typing->Paste("a\nb\rc\r\nd\te\x01");
  EXPECT_EQ(f.typing->Buffer(), U"a\r\nb\r\nc\r\nd\te");
  // A character outside the map's code page is refused with the error sound; the euro sign
  // has a byte.
  f.Type(U"中€");
  EXPECT_EQ(f.beeps, 1);
  EXPECT_EQ(f.Read(f.typing->Object()).Text().back(), '\x80');

  f.typing->Move(TextTyping::CaretMove::Home, true);
  f.typing->Move(TextTyping::CaretMove::Up, true);
  f.typing->Move(TextTyping::CaretMove::Up, true);
  f.typing->Move(TextTyping::CaretMove::Up, true);
  f.typing->Paste(std::string(kMaxTextCharacters - 1, 'a'));
  ASSERT_EQ(f.typing->Buffer().size(), kMaxTextCharacters - 1);
  // A line end needs two characters and does not fit; one more character does, then nothing.
  f.Type(U"\r");
  EXPECT_EQ(f.typing->Buffer().size(), kMaxTextCharacters - 1);
  f.Type(U"bc");
  EXPECT_EQ(f.typing->Buffer().size(), kMaxTextCharacters);
  EXPECT_EQ(f.typing->Buffer().back(), U'b');
  EXPECT_EQ(f.Read(f.typing->Object()).Text().size(), kMaxTextCharacters);
  // A paste is cut to the room left and never ends in half a line end.
  f.Type(U"\b\b");
  f.typing->Paste("x\r\ny");
  EXPECT_EQ(f.typing->Buffer().size(), kMaxTextCharacters - 1);
  EXPECT_EQ(f.typing->Buffer().substr(kMaxTextCharacters - 4), U"aax");
}

TEST(TextTyping, AGrowingTextIsStoredAnewAndTheSessionUndoesAsOneStep) {
  TypingFixture f;
  ObjectRecord old = Obj(kText, ObjectType::Text, {P(0, 0)});
  old.SetText("Old");
  const int32_t n = f.Add(old);
  f.Select(n);
  const auto before = Snapshot(f.Store());
  ASSERT_TRUE(f.typing->Begin(n));
  f.Type(U" Mill Pond, drained in the spring of the dry year and never filled again");
  ASSERT_NE(f.typing->Object(), n);  // outgrew its 64 characters
  f.typing->End();
  const auto after = Snapshot(f.Store());
  EXPECT_EQ(f.Store().LiveObjectCount(), 1);
  ASSERT_TRUE(f.undo->Undo());
  EXPECT_EQ(Snapshot(f.Store()), before);
  ASSERT_TRUE(f.undo->Redo());
  EXPECT_EQ(Snapshot(f.Store()), after);

  // A session that changed nothing leaves no step; the edit tool's key starts typing.
  ASSERT_TRUE(f.undo->Undo());
  f.Select(n);
  f.StartEdit();
  f.edit->Key(U'!');
  EXPECT_TRUE(f.typing->Active());
  EXPECT_EQ(f.Read(f.typing->Object()).Text(), "Old!");
  f.edit->Finish();
  EXPECT_FALSE(f.state.TextEditing);
  ASSERT_TRUE(f.undo->Undo());
  EXPECT_EQ(Snapshot(f.Store()), before);
}

}  // namespace
}  // namespace zelk

namespace zelk {
namespace {

TEST(TextWindow, TypingWithTheKeysAndTheClipboardThroughTheWindow) {
  EditorFixture f;
  const std::string path = WriteEditingMapWith(f.dir, [](MapStore& store) {
    ObjectRecord lake = Obj(kText, ObjectType::Text, {P(0, 0)});
    lake.SetText("Lake");
    EXPECT_TRUE(store.AddObject(lake));
  });
  ASSERT_TRUE(f.OpenMap(path));
  f.ChooseMode(Mode::EditPoint);
  MapStore& store = f.form->Doc().Store();
  ObjectRecord lake;
  ASSERT_TRUE(store.ReadObject(1, &lake));
  ObjectRecord laid = lake;
  ASSERT_TRUE(LayOutTextBox(f.fonts, laid, store.SymbolFor(kText)));
  f.State().SelectedObject = 1;
  f.State().ObjectBuffer = lake;
  const auto pixel = [&](Coord c) {
    const PixelPos p = f.form->MapToDevice(c);
    return QPoint(p.x, p.y);
  };
  const Coord middle{(laid.coords[1].x + laid.coords[3].x) / 2,
                     (laid.coords[1].y + laid.coords[3].y) / 2};
  QTest::mouseClick(&f.Work(), Qt::LeftButton, {}, pixel(PosOnly(middle)));
  f.Settle();
  ASSERT_TRUE(f.State().TextEditing);
  const auto key = [&](int k, Qt::KeyboardModifiers m = {}, const QString& text = {}) {
    f.form->FormKeyDown(k, m, text);
  };
  key(Qt::Key_End);
  for (const QChar c : QString(" Road")) key(0, {}, QString(c));
  key(Qt::Key_Home, Qt::ShiftModifier);
  f.form->UpdateMenuStates();
  ASSERT_TRUE(f.form->Action("EditCopy")->isEnabled());
  f.form->Trigger("EditCut");
  EXPECT_EQ(QApplication::clipboard()->text(), "Lake Road");
  ObjectRecord now;
  ASSERT_TRUE(store.ReadObject(f.State().SelectedObject, &now));
  EXPECT_EQ(now.Text(), "");
  f.form->UpdateMenuStates();
  ASSERT_TRUE(f.form->Action("EditPaste")->isEnabled());
  f.form->Trigger("EditPaste");
  key(Qt::Key_Insert, Qt::ShiftModifier);  // the older paste key
  ASSERT_TRUE(store.ReadObject(f.State().SelectedObject, &now));
  EXPECT_EQ(now.Text(), "Lake RoadLake Road");
  EXPECT_TRUE(f.State().TextEditing);
  // A press away from the text ends typing; one undo takes the session back.
  QTest::mouseClick(&f.Work(), Qt::LeftButton, {}, pixel(Coord::FromUnits(5000, 5000)));
  f.Settle();
  EXPECT_FALSE(f.State().TextEditing);
  f.form->Trigger("EditUndo");
  ASSERT_TRUE(store.ReadObject(1, &now));
  EXPECT_EQ(now.Text(), "Lake");
}

}  // namespace
}  // namespace zelk
