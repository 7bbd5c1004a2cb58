// Text objects and framed texts: paragraphs, line breaking, alignment, tabs, justification,
// lines below and second fonts, drawn character by character.
#include "render/text_render.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <vector>

#include "geometry/coord_math.h"
#include "storage/text_format.h"

namespace zelk {

namespace {

constexpr char32_t kParagraphEnd = 13;
constexpr char32_t kLineFeed = 10;
constexpr char32_t kTab = 9;
constexpr char32_t kSpace = 32;
constexpr char32_t kHyphen = 45;

struct Range {
  size_t begin = 0;
  size_t end = 0;
};

// Paragraphs end at 13; a 10 right after it belongs to the paragraph end. The end of the text
// ends the last paragraph, so that a one-line text gets its line below.
std::vector<Range> SplitParagraphs(const std::u32string& text) {
  std::vector<Range> paragraphs;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != kParagraphEnd) continue;
    paragraphs.push_back({start, i});
    if (i + 1 < text.size() && text[i + 1] == kLineFeed) ++i;
    start = i + 1;
  }
  paragraphs.push_back({start, text.size()});
  return paragraphs;
}

// The text's measures in map units.
struct Measures {
  FontRequest main;
  FontRequest second;
  int64_t charSpace = 0;  // cs
  int64_t wordSpace = 0;  // ws
  int64_t lineDistance = 0;
  int64_t fontHeight = 0;
};

// Where one line lies and how it is spread.
struct LinePlan {
  Range range;
  int64_t origin = 0;  // x of the line start, from which tabs are measured
  int64_t startX = 0;  // x of the first item: the origin plus the indent
  // Justification: spaces after `afterTab` get `perSpace`, the first `extraSpaces` one more.
  size_t afterTab = 0;
  int64_t perSpace = 0;
  int64_t extraSpaces = 0;
  bool justified = false;
};

struct LineResult {
  int64_t endX = 0;   // x after the last item
  int64_t width = 0;  // from the origin to the end, without the spacing after a last character
  int64_t minX = 0;
  int64_t maxX = 0;
};

class TextLayouter {
 public:
  TextLayouter(RenderContext* ctx, FontService& fonts, const TextSymbolFields& f,
               std::u32string text)
      : ctx_(ctx), fonts_(fonts), f_(f), text_(std::move(text)) {
    m_.main = MeasuringFont(fonts_, f_.font);
    m_.second = MeasuringFont(fonts_, f_.secondFont);
    const int64_t w = Width(m_.main, kSpace);
    m_.charSpace = (f_.charSpace * w) / 100;
    m_.wordSpace = (w * f_.wordSpace) / 100;
    m_.lineDistance = LineDistanceUnits(f_.font.size, f_.lineSpace);
    m_.fontHeight = static_cast<int64_t>(m_.main.height);
    widths_.fill(-1);
  }

  void SetOrigin(Coord origin, int angle) {
    origin_ = PosOnly(origin);
    angle_ = angle;
    const double a = AngleToRadians(angle);
    cos_ = std::cos(a);
    sin_ = std::sin(a);
  }
  void SetDrawing(TextDrawMode mode, bool drawMain, bool drawSecond) {
    mode_ = mode;
    drawMain_ = drawMain;
    drawSecond_ = drawSecond && f_.sfOn != 0;
  }

  // A text object: one line per paragraph, aligned about the origin.
  void RunPointText() {
    bool firstLine = true;
    for (const Range& p : SplitParagraphs(text_)) {
      const bool indented = f_.alignment == kAlignLeft || f_.alignment == kAlignJustified ||
                            f_.alignment < 0 || f_.alignment > kAlignJustified;
      LinePlan plan;
      plan.range = p;
      plan.startX = indented ? f_.indentFirst : 0;
      const int64_t w = Walk(plan, false).width;
      if (f_.alignment == kAlignCenter) plan.origin = -(w / 2);
      if (f_.alignment == kAlignRight) plan.origin = -w;
      plan.startX += plan.origin;
      if (!firstLine) y_ -= m_.lineDistance;
      firstLine = false;
      const LineResult r = Walk(plan, true);
      ParagraphEnd(plan.startX, r.endX);
    }
  }

  // A framed text: lines broken to the box width, the first one a font height below the top.
  void RunFramedText(int64_t boxWidth) {
    boxWidth_ = std::max<int64_t>(boxWidth, 0);
    bool firstLine = true;
    for (const Range& p : SplitParagraphs(text_)) {
      size_t start = p.begin;
      bool firstOfParagraph = true;
      do {
        const bool indented = f_.alignment != kAlignCenter && f_.alignment != kAlignRight;
        const int64_t indent = indented ? (firstOfParagraph ? f_.indentFirst : f_.indentOther) : 0;
        size_t next = 0;
        const size_t end = BreakLine(start, p.end, indent, &next);
        LinePlan plan;
        plan.range = {start, end};
        plan.startX = indent;
        const int64_t w = Walk(plan, false).width;
        const bool lastOfParagraph = next >= p.end;
        if (f_.alignment == kAlignCenter) plan.origin = (boxWidth_ - w) / 2;
        if (f_.alignment == kAlignRight) plan.origin = boxWidth_ - w;
        plan.startX += plan.origin;
        if (f_.alignment == kAlignJustified && !lastOfParagraph) Justify(plan, boxWidth_ - w);
        y_ -= firstLine ? m_.fontHeight : m_.lineDistance;
        firstLine = false;
        const LineResult r = Walk(plan, true);
        if (lastOfParagraph) ParagraphEnd(plan.startX, r.endX);
        start = next;
        firstOfParagraph = false;
      } while (start < p.end);
    }
  }

  int64_t LastLineY() const { return lastLineY_; }
  int64_t MinX() const { return minX_; }
  int64_t MaxX() const { return maxX_; }
  bool AnyLine() const { return anyLine_; }
  const Measures& GetMeasures() const { return m_; }
  const TextSymbolFields& Fields() const { return f_; }

  // Collects caret places when asked to (CollectCarets before the run).
  void CollectCarets() {
    carets_.assign(text_.size() + 1, CaretPlace{}), caretSet_.assign(text_.size() + 1, false);
  }
  std::vector<CaretPlace> TakeCarets() {
    const int64_t ascent = RoundToInt(fonts_.Ascent(m_.main));
    const int64_t descent = RoundToInt(fonts_.Descent(m_.main));
    for (size_t i = 0; i < carets_.size(); ++i) {
      if (!caretSet_[i]) {
        if (i > 0) carets_[i] = carets_[i - 1];
        continue;
      }
      CaretPlace& c = carets_[i];
      c.foot = Place(c.x, caretY_[i] - descent);
      c.head = Place(c.x, caretY_[i] + ascent);
    }
    return std::move(carets_);
  }

  // The text's box in unturned map units from the origin: left, bottom, right, top.
  std::array<int64_t, 4> Box() {
    const int64_t ascent = RoundToInt(fonts_.Ascent(m_.main));
    const int64_t descent = RoundToInt(fonts_.Descent(m_.main));
    std::array<int64_t, 4> b{minX_, lastLineY_ - descent, maxX_, firstLineY_ + ascent};
    if (f_.sfOn) {
      // The second font must lie inside the box too, or typing would leave parts unredrawn.
      const int64_t a2 = RoundToInt(fonts_.Ascent(m_.second));
      const int64_t d2 = RoundToInt(fonts_.Descent(m_.second));
      b[0] = std::min(b[0], minX_ + f_.sfOfx);
      b[1] = std::min(b[1], lastLineY_ + f_.sfOfy - d2);
      b[2] = std::max(b[2], maxX_ + f_.sfOfx);
      b[3] = std::max(b[3], firstLineY_ + f_.sfOfy + a2);
    }
    return b;
  }

  // Map units in the text's frame to a coordinate word position.
  Coord Place(int64_t x, int64_t y) const {
    const double dx = static_cast<double>(x) * 256.0, dy = static_cast<double>(y) * 256.0;
    return {RoundToPosition(origin_.x + dx * cos_ - dy * sin_),
            RoundToPosition(origin_.y + dx * sin_ + dy * cos_)};
  }

 private:
  int64_t Width(const FontRequest& font, char32_t c) {
    const double w = fonts_.CharWidth(font, c);
    return std::isfinite(w) ? static_cast<int64_t>(RoundToInt(w)) : 0;
  }
  int64_t MainWidth(char32_t c) {
    if (c < widths_.size()) {
      if (widths_[c] < 0) widths_[c] = Width(m_.main, c);
      return widths_[c];
    }
    return Width(m_.main, c);
  }

  // Where the line from `start` ends (exclusive) and where the next one starts: at the last
  // space (dropped), after the last hyphen, or inside a word too long for the box.
  size_t BreakLine(size_t start, size_t end, int64_t indent, size_t* next) {
    int64_t x = indent;
    std::optional<size_t> space, hyphen;
    for (size_t i = start; i < end; ++i) {
      const char32_t c = text_[i];
      if (c == kSpace) {
        if (i > start) space = i;
        x += m_.wordSpace;
      } else if (c == kTab) {
        x = NextTabStop(f_, x);
      } else if (c > kSpace) {
        const int64_t w = MainWidth(c);
        if (x + w > boxWidth_ && i > start) {
          const bool atSpace = space && (!hyphen || *space > *hyphen);
          if (atSpace) {
            *next = *space + 1;
            size_t e = *space;
            while (e > start && text_[e - 1] == kSpace) --e;
            return e;
          }
          *next = hyphen ? *hyphen + 1 : i;
          return *next;
        }
        x += w + m_.charSpace;
        if (c == kHyphen) hyphen = i;
      }
    }
    *next = end;
    return end;
  }

  void Justify(LinePlan& plan, int64_t remaining) {
    if (remaining <= 0) return;
    size_t afterTab = plan.range.begin;
    for (size_t i = plan.range.begin; i < plan.range.end; ++i) {
      if (text_[i] == kTab) afterTab = i + 1;
    }
    int64_t spaces = 0;
    for (size_t i = afterTab; i < plan.range.end; ++i) spaces += text_[i] == kSpace;
    if (spaces == 0) return;
    plan.justified = true;
    plan.afterTab = afterTab;
    plan.perSpace = remaining / spaces;
    plan.extraSpaces = remaining % spaces;
  }

  // Walks one line; with draw set, draws its characters and records its extent.
  LineResult Walk(const LinePlan& plan, bool draw) {
    LineResult r;
    int64_t x = plan.startX;
    r.minX = r.maxX = x;
    bool trailingSpacing = false;
    int64_t spacesSeen = 0;
    for (size_t i = plan.range.begin; i < plan.range.end; ++i) {
      const char32_t c = text_[i];
      if (draw) Caret(i, x);
      if (c == kSpace) {
        x += m_.wordSpace;
        if (plan.justified && i >= plan.afterTab) {
          x += plan.perSpace + (spacesSeen < plan.extraSpaces ? 1 : 0);
          ++spacesSeen;
        }
        trailingSpacing = false;
      } else if (c == kTab) {
        x = plan.origin + NextTabStop(f_, x - plan.origin);
        trailingSpacing = false;
      } else if (c > kSpace) {
        const int64_t w = MainWidth(c);
        if (draw) DrawCharacter(c, x, y_);
        r.minX = std::min(r.minX, x);
        r.maxX = std::max(r.maxX, x + w);
        x += w + m_.charSpace;
        trailingSpacing = true;
      } else {
        continue;  // other control characters are not drawn and take no room
      }
      r.minX = std::min(r.minX, x);
      r.maxX = std::max(r.maxX, trailingSpacing ? x - m_.charSpace : x);
    }
    r.endX = x;
    if (draw) Caret(plan.range.end, x);
    // The spacing after the last character is no part of the line: a right-aligned text ends
    // at its point and a centred one is symmetric about it.
    r.width = x - plan.origin - (trailingSpacing ? m_.charSpace : 0);
    if (draw) {
      ++lineNumber_;
      if (!anyLine_) {
        firstLineY_ = y_;
        minX_ = r.minX;
        maxX_ = r.maxX;
      }
      anyLine_ = true;
      minX_ = std::min(minX_, r.minX);
      maxX_ = std::max(maxX_, r.maxX);
      lastLineY_ = y_;
    }
    return r;
  }

  void DrawCharacter(char32_t c, int64_t x, int64_t y) {
    if (mode_ != TextDrawMode::Characters || !ctx_) return;
    CharacterSpec ch;
    ch.angle = angle_;
    ch.character = c;
    if (drawMain_) {
      ch.position = Place(x, y);
      ch.fontName = m_.main.name;
      ch.italic = m_.main.italic;
      ch.weight = m_.main.weight;
      ch.size = f_.font.size;
      ctx_->device.DrawCharacter(ch);
    }
    if (drawSecond_) {
      ch.position = Place(x + f_.sfOfx, y + f_.sfOfy);
      ch.fontName = m_.second.name;
      ch.italic = m_.second.italic;
      ch.weight = m_.second.weight;
      ch.size = f_.secondFont.size;
      ctx_->device.DrawCharacter(ch);
    }
  }

  void Caret(size_t i, int64_t x) {
    if (i >= carets_.size()) return;
    if (caretY_.size() != carets_.size()) caretY_.resize(carets_.size());
    carets_[i].x = x;
    carets_[i].line = lineNumber_;
    caretY_[i] = y_;
    caretSet_[i] = true;
  }

  void ParagraphEnd(int64_t startX, int64_t endX) {
    if (f_.lbOn) {
      // The line's middle lies half its width below the distance; the two halves together
      // take the whole width even when it is odd.
      y_ -= int64_t{f_.lbDist} + f_.lbWidth / 2;
      if (mode_ == TextDrawMode::LinesBelow && ctx_ && endX != startX) {
        ctx_->device.BeginPath(Place(startX, y_));
        ctx_->device.AddPoint(Place(endX, y_));
        ctx_->device.StrokePath(f_.lbWidth, kStyleFlatBevel);
      }
      y_ -= f_.lbWidth - f_.lbWidth / 2;
    }
    y_ -= f_.paraSpace;
  }

  RenderContext* ctx_;
  FontService& fonts_;
  TextSymbolFields f_;
  std::u32string text_;
  Measures m_;
  std::array<int64_t, 256> widths_{};

  Coord origin_{};
  int angle_ = 0;
  double cos_ = 1, sin_ = 0;
  TextDrawMode mode_ = TextDrawMode::LayoutOnly;
  bool drawMain_ = false;
  bool drawSecond_ = false;

  std::vector<CaretPlace> carets_;
  std::vector<bool> caretSet_;
  std::vector<int64_t> caretY_;
  int lineNumber_ = 0;

  int64_t boxWidth_ = 0;
  int64_t y_ = 0;
  bool anyLine_ = false;
  int64_t firstLineY_ = 0;
  int64_t lastLineY_ = 0;
  int64_t minX_ = 0;
  int64_t maxX_ = 0;
};

// The frame of a framed text: its upper-left corner and its width along the text's direction.
struct Frame {
  Coord topLeft;
  int64_t width = 0;
};

Frame FrameOf(const ObjectRecord& obj) {
  const Coord p3 = PosOnly(obj.coords[2]), p4 = PosOnly(obj.coords[3]);
  const double a = AngleToRadians(obj.angle);
  const double dx = static_cast<double>(p3.x) - p4.x, dy = static_cast<double>(p3.y) - p4.y;
  // The upper edge turned back by the object's angle runs along x.
  const double along = dx * std::cos(a) + dy * std::sin(a);
  return {p4, static_cast<int64_t>(RoundHalfEven(along / 256.0))};
}

bool IsFramedText(const ObjectRecord& obj) {
  return obj.type == ObjectType::Rectangle;
}

// Runs the layout of a text object or a framed text; nullopt when the object cannot hold one.
std::optional<TextLayouter> RunLayout(RenderContext* ctx, FontService& fonts,
                                      const ObjectRecord& obj, const TextSymbolFields& f,
                                      TextDrawMode mode, bool drawMain, bool drawSecond,
                                      bool carets = false) {
  const bool framed = IsFramedText(obj);
  if (obj.coords.empty() || (framed && obj.coords.size() < 4)) return std::nullopt;
  std::optional<TextLayouter> layout;
  layout.emplace(ctx, fonts, f, Cp1252ToUnicode(obj.Text()));
  layout->SetDrawing(mode, drawMain, drawSecond);
  if (carets) layout->CollectCarets();
  if (framed) {
    const Frame frame = FrameOf(obj);
    layout->SetOrigin(frame.topLeft, obj.angle);
    layout->RunFramedText(frame.width);
  } else {
    layout->SetOrigin(obj.coords[0], obj.angle);
    layout->RunPointText();
  }
  return layout;
}

}  // namespace

int64_t LineDistanceUnits(int size, int lineSpace) {
  const double words = RoundHalfEven(size / 720.0 * double(kUnitsPerInch) * lineSpace / 100.0 *
                                     double(kWordsPerUnit));
  const double clamped = std::clamp(words, -1e15, 1e15);
  const auto w = static_cast<int64_t>(clamped);
  return (w & ~int64_t{0xff}) / 256;
}

int64_t NextTabStop(const TextSymbolFields& f, int64_t x) {
  const int n = f.tabCount;
  if (n < 1 || n > kMaxTabs) return x;
  std::array<int64_t, kMaxTabs> t{};
  for (int k = 0; k < n; ++k) t[static_cast<size_t>(k)] = f.tabs[static_cast<size_t>(k)];
  std::sort(t.begin(), t.begin() + n);
  for (int k = 0; k < n; ++k) {
    if (t[static_cast<size_t>(k)] > x) return t[static_cast<size_t>(k)];
  }
  const int64_t last = t[static_cast<size_t>(n - 1)];
  const int64_t before = n >= 2 ? t[static_cast<size_t>(n - 2)] : 0;
  const int64_t step = std::max<int64_t>(last - before, 1);
  return last + ((x - last) / step + 1) * step;
}

void DrawTextInMode(RenderContext& ctx, const ObjectRecord& obj, const SymbolRecord& sym,
                    TextDrawMode mode, bool drawMain, bool drawSecond) {
  FontService& fonts = ctx.fonts;
  const bool replaced = !IsUsableTextSymbol(sym);
  const TextSymbolFields f = replaced ? DefaultTextSymbol() : *ReadTextSymbol(sym);
  OutputState& state = ctx.device.State();
  const bool wasAlternative = state.useAlternative;
  if (replaced) ctx.device.UseAlternativeColor(true);
  RunLayout(&ctx, fonts, obj, f, mode, drawMain, drawSecond);
  if (replaced) ctx.device.UseAlternativeColor(wasAlternative);
}

// Both text kinds share the colour passes: the characters in the font colours, the lines below
// in theirs. A replaced symbol has only its characters, drawn in every pass it is asked for.
static void DrawTextByPass(RenderContext& ctx, const ObjectRecord& obj, const SymbolRecord& sym) {
  if (!IsUsableTextSymbol(sym)) {
    DrawTextInMode(ctx, obj, sym, TextDrawMode::Characters, true, false);
    return;
  }
  const TextSymbolFields f = *ReadTextSymbol(sym);
  const int pass = ctx.PassColor();
  const bool main = pass == f.font.color;
  const bool second = f.sfOn && pass == f.secondFont.color;
  if (main || second) DrawTextInMode(ctx, obj, sym, TextDrawMode::Characters, main, second);
  if (f.lbOn && pass == f.lbColor) DrawTextInMode(ctx, obj, sym, TextDrawMode::LinesBelow);
}

void DrawTextObject(RenderContext& ctx, const ObjectRecord& obj, const SymbolRecord& sym) {
  DrawTextByPass(ctx, obj, sym);
}

void DrawFramedTextObject(RenderContext& ctx, const ObjectRecord& obj, const SymbolRecord& sym) {
  DrawTextByPass(ctx, obj, sym);
}

bool LayOutTextBox(FontService& fonts, ObjectRecord& obj, const SymbolRecord& sym) {
  if (obj.type != ObjectType::Text && obj.type != ObjectType::Rectangle) return false;
  const TextSymbolFields f = IsUsableTextSymbol(sym) ? *ReadTextSymbol(sym) : DefaultTextSymbol();
  std::optional<TextLayouter> layout =
      RunLayout(nullptr, fonts, obj, f, TextDrawMode::LayoutOnly, false, false);
  if (!layout) return false;
  const std::array<int64_t, 4> b = layout->Box();
  if (IsFramedText(obj)) {
    const Frame frame = FrameOf(obj);
    const int64_t bottom = std::min<int64_t>(b[1], 0);
    obj.coords[0] = layout->Place(0, bottom);
    obj.coords[1] = layout->Place(frame.width, bottom);
    return true;
  }
  const Coord first = obj.coords[0];
  obj.coords = {first, layout->Place(b[0], b[1]), layout->Place(b[2], b[1]),
                layout->Place(b[2], b[3]), layout->Place(b[0], b[3])};
  return true;
}

std::vector<CaretPlace> TextCaretPlaces(FontService& fonts, const ObjectRecord& obj,
                                        const SymbolRecord& sym) {
  if (obj.type != ObjectType::Text && obj.type != ObjectType::Rectangle) return {};
  const TextSymbolFields f = IsUsableTextSymbol(sym) ? *ReadTextSymbol(sym) : DefaultTextSymbol();
  std::optional<TextLayouter> layout =
      RunLayout(nullptr, fonts, obj, f, TextDrawMode::LayoutOnly, false, false, true);
  if (!layout) return {};
  return layout->TakeCarets();
}

}  // namespace zelk
