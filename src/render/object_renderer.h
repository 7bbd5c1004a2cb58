// The object renderer: draws one object by its symbol, for one colour pass, through an
// OutputDevice.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>

#include "render/font_service.h"
#include "render/output_device.h"
#include "storage/records.h"
#include "storage/symbol_records.h"

namespace zelk {

struct LineWork;

// The renderer's work buffers (work path, output path, fill strips), allocated once by whoever
// draws (a window, an export, a test) and reused for every object, so that drawing an object
// allocates nothing. One per drawing thread.
class RenderScratch {
 public:
  RenderScratch();
  ~RenderScratch();
  RenderScratch(const RenderScratch&) = delete;
  RenderScratch& operator=(const RenderScratch&) = delete;
  LineWork& Line() { return *line_; }

 private:
  std::unique_ptr<LineWork> line_;
};

// What the renderer needs besides the object and its symbol. The pass colour, the view
// scale and the alternative colour live in the device's OutputState.
struct RenderContext {
  OutputDevice& device;
  FontService& fonts;  // texts and rectangle cell labels are measured with it
  RenderScratch& scratch;
  // While a point symbol's graphics are edited, objects carry their own width and style.
  bool symbolEditing = false;
  // The redraw's abort test: true when a key or mouse button is waiting. Structures poll it
  // after every cell; nullptr never aborts.
  std::function<bool()> inputWaiting = {};

  int PassColor() const { return device.State().passColor; }
  bool Aborted() const { return inputWaiting && inputWaiting(); }
};

// Dispatch by object type. The caller has loaded the object and its symbol (the placeholder
// for an unknown number), skipped hidden symbols and selected the pass colour.
void DrawObject(RenderContext& ctx, const ObjectRecord& obj, const SymbolRecord& sym);

void DrawPointObject(RenderContext& ctx, const ObjectRecord& obj, const SymbolRecord& sym);
void DrawRectangleObject(RenderContext& ctx, const ObjectRecord& obj, const SymbolRecord& sym);
void DrawLineObject(RenderContext& ctx, const ObjectRecord& obj, const SymbolRecord& sym);
void DrawAreaObject(RenderContext& ctx, const ObjectRecord& obj, const SymbolRecord& sym);
// Texts: text objects, framed texts (rectangles with text) and line texts.
void DrawTextObject(RenderContext& ctx, const ObjectRecord& obj, const SymbolRecord& sym);
void DrawFramedTextObject(RenderContext& ctx, const ObjectRecord& obj, const SymbolRecord& sym);
void DrawLineTextObject(RenderContext& ctx, const ObjectRecord& obj, const SymbolRecord& sym);

// While a point symbol's graphics are edited, its elements are shown as objects of these
// reserved numbers; they carry their own width, style and diameter in the words after the angle.
constexpr int16_t kEditedLineSymbol = 32753;
constexpr int16_t kEditedAreaSymbol = 32754;
constexpr int16_t kEditedCircleSymbol = 32755;
constexpr int16_t kEditedDotSymbol = 32756;
struct EditedElementFields {
  int16_t lineWidth = 0;
  int16_t lineStyle = 0;
  int16_t diameter = 0;
  static EditedElementFields Of(const ObjectRecord& obj) {
    return {obj.ElementLineWidth(), obj.ElementLineStyle(), obj.ElementDiameter()};
  }
};

// The fallback line: the object's points stroked with width 15, style 0, in the alternative colour.
void DrawFallbackLine(RenderContext& ctx, const ObjectRecord& obj);

// --- Polygon fill with subdivision ---------------------------------------------------------
// Draws one hole-free polygon; returns false when the device could not take it in one piece.
using FillCallback = std::function<bool(std::span<const Coord> points)>;
// Fills a polygon whose further rings start at HoleStart points: the callback gets hole-free
// pieces; holes and refused pieces are halved up to 32 levels deep.
void FillPolygon(RenderContext& ctx, std::span<const Coord> points, const FillCallback& callback,
                 int depth = 0);
// The solid fill callback: a path of the points filled in style 0 (1 in the hatched view).
bool SolidFillCallback(RenderContext& ctx, std::span<const Coord> points);

// --- Element lists ---------------------------------------------------------------------------
// Where an element list is drawn: each point is scaled in y by yFactor (across a line), turned
// by (cos, sin) about the list's origin and moved to `origin`.
struct ElementPlacement {
  Coord origin;
  double cos = 1.0;
  double sin = 0.0;
  double yFactor = 1.0;
};

// Draws the elements of the pass colour: lines stroked with their width and style, areas
// through FillPolygon, circles as rings and dots as discs (diameters scaled by yFactor).
void DrawElementList(RenderContext& ctx, std::span<const uint8_t> list, int sizeUnits,
                     const ElementPlacement& placement);
// The same for elements already picked from a list (all of them are drawn, in their order).
void DrawElements(RenderContext& ctx, std::span<const ElementView> elements,
                  const ElementPlacement& placement);

}  // namespace zelk
