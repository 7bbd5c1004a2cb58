// Drawing one object: dispatch by object type, fallbacks and the drawing of edited symbol elements.
#include "render/object_renderer.h"

namespace zelk {
namespace {

constexpr int32_t kFallbackLineWidth = 15;

// While a point symbol is edited, its line elements carry their own width and style.
void DrawEditedLine(RenderContext& ctx, const ObjectRecord& obj) {
  const EditedElementFields f = EditedElementFields::Of(obj);
  OutputDevice& dev = ctx.device;
  dev.BeginPath(obj.coords[0]);
  for (size_t i = 1; i < obj.coords.size(); ++i) dev.AddPoint(obj.coords[i]);
  dev.StrokeLongPath(f.lineWidth, static_cast<uint16_t>(f.lineStyle));
}

}  // namespace

void DrawFallbackLine(RenderContext& ctx, const ObjectRecord& obj) {
  if (obj.PointCount() < 2) return;
  OutputDevice& dev = ctx.device;
  const bool wasAlternative = dev.State().useAlternative;
  dev.UseAlternativeColor(true);
  dev.BeginPath(obj.coords[0]);
  for (size_t i = 1; i < obj.coords.size(); ++i) dev.AddPoint(obj.coords[i]);
  dev.StrokeLongPath(kFallbackLineWidth, kStyleFlatBevel);
  dev.UseAlternativeColor(wasAlternative);
}

void DrawObject(RenderContext& ctx, const ObjectRecord& obj, const SymbolRecord& sym) {
  const int points = obj.PointCount();
  switch (obj.type) {
    case ObjectType::Point:
      if (points >= 1) DrawPointObject(ctx, obj, sym);
      return;
    case ObjectType::Line:
      if (points < 2) return;
      if (ctx.symbolEditing) {
        DrawEditedLine(ctx, obj);
      } else if (sym.Type() != SymbolType::Line) {
        DrawFallbackLine(ctx, obj);
      } else if (sym.IsLineText()) {
        if (obj.textUnits >= 1 && !obj.Text().empty()) {
          DrawLineTextObject(ctx, obj, sym);
        } else {
          DrawFallbackLine(ctx, obj);
        }
      } else {
        DrawLineObject(ctx, obj, sym);
      }
      return;
    case ObjectType::Area:
      if (points >= 3) DrawAreaObject(ctx, obj, sym);
      return;
    case ObjectType::Text:
      if (points >= 1) DrawTextObject(ctx, obj, sym);
      return;
    case ObjectType::Rectangle:
      if (obj.textUnits >= 1) {
        if (points >= 1) DrawFramedTextObject(ctx, obj, sym);
      } else if (points >= 4) {
        DrawRectangleObject(ctx, obj, sym);
      }
      return;
    default:
      return;
  }
}

}  // namespace zelk
