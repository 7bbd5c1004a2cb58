// Line texts: characters placed along the object's line, each turned to its own piece of it.
#include "render/text_line.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "geometry/coord_math.h"
#include "geometry/work_path.h"
#include "render/line_symbol_draw.h"
#include "render/object_renderer.h"
#include "render/text_symbol.h"
#include "storage/text_format.h"

namespace zelk {

namespace {

constexpr char32_t kSpace = 32;
constexpr int64_t kLongestLine = 64000;

}  // namespace

int CharacterAngle(Coord p0, Coord p1) {
  const double dx = static_cast<double>(PosWord(p1.x)) - PosWord(p0.x);
  const double dy = static_cast<double>(PosWord(p1.y)) - PosWord(p0.y);
  if (dx == 0) return dy > 0 ? 900 : -900;
  int angle = static_cast<int>(RoundHalfEven(std::atan(dy / dx) * 1800.0 / std::numbers::pi));
  if (dx < 0) angle += 1800;
  return angle;
}

std::vector<LineTextCharacter> LayOutLineText(FontService& fonts, const ObjectRecord& obj,
                                              const TextSymbolFields& f, WorkPath& path) {
  std::vector<LineTextCharacter> out;
  // Spaces and printable characters; other control characters have no place on a line.
  std::u32string text;
  for (char32_t c : Cp1252ToUnicode(obj.Text())) {
    if (c >= kSpace) text.push_back(c);
  }
  if (text.empty() || obj.coords.size() < 2) return out;
  path.PrepareWorkPath(obj.coords);
  path.StartWholePath();
  int64_t length = path.CurrentSectionLength();
  if (length < 1) return out;
  length = std::min(length, kLongestLine);

  const FontRequest font = MeasuringFont(fonts, f.font);
  auto width = [&](char32_t c) -> int64_t {
    const double w = fonts.CharWidth(font, c);
    return std::isfinite(w) ? RoundToInt(w) : 0;
  };
  const int64_t space = width(kSpace);
  const int64_t cs = (f.charSpace * space) / 100;
  const int64_t ws = (space * f.wordSpace) / 100;

  int64_t textWidth = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == kSpace) {
      textWidth += ws;
    } else {
      textWidth += width(text[i]) + (i + 1 < text.size() ? cs : 0);
    }
    if (f.alignment != kLineAll && textWidth > length) break;
  }
  const int64_t rest = length - textWidth;
  int64_t distance = 0;
  int64_t spread = 0;
  switch (f.alignment) {
    case kLineCenter:
      distance = rest / 2;
      break;
    case kLineRight:
      distance = rest;
      break;
    case kLineAll:
      if (text.size() >= 2) spread = rest / static_cast<int64_t>(text.size() - 1);
      break;
    default:
      break;
  }
  // A text longer than its line starts at the line's start rather than before it.
  distance = std::max<int64_t>(distance, 0);

  for (char32_t c : text) {
    if (distance > length) break;
    if (c == kSpace) {
      distance += ws + spread;
      continue;
    }
    path.MoveToDistance(static_cast<double>(distance));
    const Coord p0 = path.Position();
    distance += width(c);
    path.MoveToDistance(static_cast<double>(distance));
    const Coord p1 = path.Position();
    int angle = 0;
    if (!p0.SamePlace(p1)) {
      angle = CharacterAngle(p0, p1);
    } else {
      // A character without width, or one at the very end: the line's own direction.
      path.MoveToDistance(static_cast<double>(std::min(distance, length)));
      path.DirectionAtPosition();
      if (path.Cos() != 0 || path.Sin() != 0) {
        angle = static_cast<int>(
            RoundHalfEven(std::atan2(path.Sin(), path.Cos()) * 1800.0 / std::numbers::pi));
      }
    }
    out.push_back({PosOnly(p0), angle, c});
    distance += cs + spread;
  }
  return out;
}

void DrawLineTextObject(RenderContext& ctx, const ObjectRecord& obj, const SymbolRecord& sym) {
  const bool replaced = !IsUsableLineTextSymbol(sym);
  const TextSymbolFields f = replaced ? DefaultTextSymbol() : *ReadLineTextSymbol(sym);
  const int pass = ctx.PassColor();
  const bool main = replaced || pass == f.font.color;
  const bool second = !replaced && f.sfOn && pass == f.secondFont.color;
  if (!main && !second) return;

  FontService& fonts = ctx.fonts;
  WorkPath& path = ctx.scratch.Line().path;
  const std::vector<LineTextCharacter> chars = LayOutLineText(fonts, obj, f, path);
  if (chars.empty()) return;

  OutputState& state = ctx.device.State();
  const bool wasAlternative = state.useAlternative;
  if (replaced) ctx.device.UseAlternativeColor(true);
  const FontRequest mainFont = MeasuringFont(fonts, f.font);
  const FontRequest secondFont = MeasuringFont(fonts, f.secondFont);
  for (const LineTextCharacter& lc : chars) {
    CharacterSpec ch;
    ch.character = lc.character;
    ch.angle = lc.angle;
    if (main) {
      ch.position = lc.position;
      ch.fontName = mainFont.name;
      ch.weight = mainFont.weight;
      ch.italic = mainFont.italic;
      ch.size = f.font.size;
      ctx.device.DrawCharacter(ch);
    }
    if (second) {
      // The offset turns with the character.
      const double a = AngleToRadians(lc.angle);
      const double ox = f.sfOfx * 256.0, oy = f.sfOfy * 256.0;
      ch.position = {RoundToPosition(lc.position.x + ox * std::cos(a) - oy * std::sin(a)),
                     RoundToPosition(lc.position.y + ox * std::sin(a) + oy * std::cos(a))};
      ch.fontName = secondFont.name;
      ch.weight = secondFont.weight;
      ch.italic = secondFont.italic;
      ch.size = f.secondFont.size;
      ctx.device.DrawCharacter(ch);
    }
  }
  if (replaced) ctx.device.UseAlternativeColor(wasAlternative);
}

}  // namespace zelk
