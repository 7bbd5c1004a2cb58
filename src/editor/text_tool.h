// Typing into text objects and framed texts, and the text tool (interaction state 9) that makes
// them: a click makes a text at the point, a drag a framed text in the rectangle, and typing
// starts at once.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "editor/tool.h"
#include "editor/tool_context.h"
#include "render/text_render.h"

namespace zelk {

// Texts of text objects and framed texts take at most this many characters (8192 bytes with the
// terminator).
constexpr size_t kMaxTextCharacters = 8191;

// The typing session. The text is edited as characters of the map's code page in a work buffer
// with a caret and a selection (character positions); every change is written through to the
// map at once, in place when the record keeps its length or shrinks, otherwise stored anew, so
// that the picture and a recovery copy always show what was typed. The whole session is one
// undo step, recorded when it ends.
class TextTyping {
 public:
  explicit TextTyping(ToolContext& ctx) : ctx_(ctx) {}
  TextTyping(const TextTyping&) = delete;
  TextTyping& operator=(const TextTyping&) = delete;

  bool Active() const { return active_; }
  // The object being typed (its number changes when it is stored anew); 0 for a new text not
  // stored yet.
  int32_t Object() const { return n_; }

  // Object n is a text object or a framed text of a text symbol, with its text area.
  bool Typable(int32_t n) const;
  // Starts typing into object n with the caret after the last character, in an undo step of
  // its own.
  bool Begin(int32_t n);
  // Starts typing into a new text object or framed text (its empty text laid out), which is
  // stored with the first character typed, in an undo step of its own; ending before that
  // leaves nothing on the map.
  void BeginNew(const ObjectRecord& obj);
  // Ends the session: the caret goes and the step is recorded. Nothing when none runs.
  void End();

  // The point lies inside the laid-out box of object n's text.
  bool InsideText(int32_t n, Coord at) const;
  // The caret goes to the place nearest `at`; with `extend` the selection reaches to it.
  void PlaceCaret(Coord at, bool extend);

  // A typed character: Backspace (8), Enter (13), Tab (9) or a printable character.
  void Key(char32_t c);
  enum class CaretMove { Home, End, Left, Right, Up, Down };
  void Move(CaretMove m, bool extend);
  // The Delete key: the selection, or the character after the caret.
  void DeleteForward();
  bool HasSelection() const { return caret_ != anchor_; }
  // The selection as UTF-8, line ends as they are typed (carriage return and line feed).
  std::string SelectedText() const;
  void DeleteSelection();
  // Clipboard text replaces the selection, cut at the last character that fits.
  void Paste(const std::string& utf8);

  const std::u32string& Buffer() const { return buffer_; }
  size_t Caret() const { return caret_; }
  size_t SelectionStart() const { return std::min(caret_, anchor_); }
  size_t SelectionEnd() const { return std::max(caret_, anchor_); }

 private:
  ObjectRecord Laid(const ObjectRecord& obj) const;
  // Replaces the selection; false (nothing changed) when the text would grow past the limit.
  bool Replace(const std::u32string& with);
  void Store();
  void ShowCaret();
  std::vector<CaretPlace> Carets() const;
  // The index after a character (a carriage return and line feed pair together).
  size_t After(size_t i) const;
  size_t Before(size_t i) const;

  ToolContext& ctx_;
  bool active_ = false;
  int32_t n_ = 0;
  int32_t first_ = 0;  // the object's number when the session began
  IndexEntry entryBefore_;
  std::vector<uint8_t> recordBefore_;
  bool changed_ = false;
  bool moved_ = false;
  IndexEntry entryAtMove_;
  ObjectRecord obj_;
  std::u32string buffer_;
  size_t caret_ = 0;
  size_t anchor_ = 0;
};

// Interaction state 9.
class TextTool : public Tool {
 public:
  explicit TextTool(ToolContext& ctx) : ctx_(ctx) {}
  void Start(ToolPurpose purpose) override;
  void Down(const ToolEvent& e) override;
  void Move(const ToolEvent& e) override;
  void Up(const ToolEvent& e) override;
  void Key(char32_t c) override;
  void Finish() override;

 private:
  ToolContext& ctx_;
  bool pressed_ = false;
  bool caretDrag_ = false;
  ToolEvent press_;
};

}  // namespace zelk
