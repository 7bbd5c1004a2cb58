// The interactions the main window itself provides: no drawing, zoom and move view, and the
// window rectangle of the print window and the partial map window.
#pragma once

#include <array>
#include <functional>
#include <optional>

#include "editor/tool.h"

namespace zelk {

// State 19: a mode whose tool cannot run (no current symbol, a protected or hidden one, or a
// tool that is not part of this build). Clicks do nothing.
class NoDrawTool : public Tool {
 public:
  NoDrawTool(EditorState& state, ToolView& view) : state_(state), view_(view) {}
  void Start(ToolPurpose) override;
  void Finish() override;

 private:
  EditorState& state_;
  ToolView& view_;
};

// The last views, for "Zoom out".
class ZoomHistory {
 public:
  static constexpr int kDepth = 8;
  struct View {
    double zoom = 1;
    int32_t centreX = 0;
    int32_t centreY = 0;
  };
  void Push(const View& v);
  std::optional<View> Pop();
  int Size() const { return count_; }
  void Clear() { count_ = 0; }

 private:
  std::array<View, kDepth> views_{};
  int count_ = 0;
};

// Zoom factors the view may take.
constexpr double kMaxZoom = 32.0;

// State 1, nested inside whatever interaction ran before it: "Zoom in" waits for a click or a
// drag; "Move" drags the picture. `ended` is called once the interaction is over so that the
// interrupted one is restored.
class ViewZoomTool : public Tool {
 public:
  enum class Kind { ZoomIn, Move };
  ViewZoomTool(EditorState& state, ToolView& view) : state_(state), view_(view) {}
  void SetKind(Kind k) { kind_ = k; }
  Kind GetKind() const { return kind_; }
  std::function<void()> ended;
  // The move interaction shows the picture shifted while dragging.
  std::function<void(PixelPos offset)> panPreview;

  void Start(ToolPurpose) override;
  void Down(const ToolEvent& e) override;
  void Move(const ToolEvent& e) override;
  void Up(const ToolEvent& e) override;
  void Key(char32_t c) override;
  void Finish() override;

 private:
  void End();
  EditorState& state_;
  ToolView& view_;
  Kind kind_ = Kind::ZoomIn;
  bool dragging_ = false;
  PixelPos start_;
  Coord startMap_;
};

// State 17: the frame of the print window or of the partial map window, moved and resized by
// dragging inside it, on its sides or at its corners.
class WindowRectTool : public Tool {
 public:
  enum class Part {
    None,
    Inside,
    Left,
    Right,
    Top,
    Bottom,
    TopLeft,
    TopRight,
    BottomLeft,
    BottomRight
  };
  WindowRectTool(EditorState& state, ToolView& view) : state_(state), view_(view) {}
  // Where the rectangle comes from and goes back to, and what an empty one becomes.
  std::function<Box()> read;
  std::function<void(const Box&)> write;
  std::function<Box()> mapExtent;

  void Start(ToolPurpose) override;
  void Down(const ToolEvent& e) override;
  void Move(const ToolEvent& e) override;
  void Up(const ToolEvent& e) override;
  void Finish() override;

  const Box& Rect() const { return rect_; }
  Part HitTest(PixelPos p) const;
  static const char* CursorFor(Part part);

 private:
  void Show();
  EditorState& state_;
  ToolView& view_;
  Box rect_;
  Part dragPart_ = Part::None;
  Coord dragStart_;
  Box dragRect_;
};

}  // namespace zelk
