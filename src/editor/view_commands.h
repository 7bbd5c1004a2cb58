// The commands of the View menu, the scroll bars and the mouse wheel.
#pragma once

#include "editor/command_context.h"

namespace zelk {

// The steps of a scroll bar.
enum class ScrollStep { LineBack, LineForward, PageBack, PageForward, Thumb, ToStart, ToEnd };

class ViewCommands {
 public:
  // The scroll bars span this many map millimetres either way.
  static constexpr int kScrollRange = 2000;
  // The fixed zoom factors of the View menu.
  static constexpr double kFactors[] = {0.25, 0.5, 1, 2, 4, 8, 16, 32};

  explicit ViewCommands(CommandContext& c) : c_(c) {}

  void Redraw();
  void Move();
  void ZoomIn();
  // Back through the zoom history, or half the zoom when it is empty.
  void ZoomOut();
  // The whole map fills the window, with a margin of 5 per cent.
  void Entire();
  void Factor(double zoom);
  // Line steps move by a tenth of the window, pages by nine tenths; the thumb centres the view
  // at its value in map millimetres.
  void Scroll(bool horizontal, ScrollStep step, int position);
  // Wheel notches with Ctrl: each doubles or halves the zoom, keeping the map point under the
  // mouse where it is.
  void WheelZoom(PixelPos mouse, int notches);

 private:
  CommandContext& c_;
};

}  // namespace zelk
