#include "editor/text_tool.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "editor/draw_support.h"
#include "editor/outline.h"
#include "storage/help_contexts.h"
#include "storage/text_format.h"

namespace zelk {

namespace {

constexpr char32_t kBackspace = 8, kTab = 9, kLineFeed = 10, kReturn = 13;

bool TextObjectType(ObjectType t) {
  return t == ObjectType::Text || t == ObjectType::Rectangle;
}

std::string ToMapText(const std::u32string& text) {
  std::string out;
  out.reserve(text.size());
  for (const char32_t c : text) {
    const int b = UnicodeToCp1252Byte(c);
    out += static_cast<char>(b < 0 ? '?' : b);
  }
  return out;
}

std::u32string FromUtf8(const std::string& utf8) {
  return Cp1252ToUnicode(Utf8ToCp1252(utf8));
}

// The distance from p to the segment a-b, in coordinate words.
double DistanceToSegment(Coord p, Coord a, Coord b) {
  const double ax = a.x, ay = a.y, dx = double(b.x) - ax, dy = double(b.y) - ay;
  const double len2 = dx * dx + dy * dy;
  double t = len2 > 0 ? ((p.x - ax) * dx + (p.y - ay) * dy) / len2 : 0;
  t = std::clamp(t, 0.0, 1.0);
  return std::hypot(p.x - (ax + t * dx), p.y - (ay + t * dy));
}

}  // namespace

// --- Typing ------------------------------------------------------------------------------------

bool TextTyping::Typable(int32_t n) const {
  ObjectRecord obj;
  if (ctx_.state.SymbolEditing || !ReadLiveObject(ctx_.store, n, &obj) ||
      !TextObjectType(obj.type) || obj.textUnits < 1)
    return false;
  return ctx_.store.SymbolFor(obj.symbol).Type() == SymbolType::Text;
}

ObjectRecord TextTyping::Laid(const ObjectRecord& obj) const {
  ObjectRecord laid = obj;
  if (ctx_.fonts) LayOutTextBox(*ctx_.fonts, laid, ctx_.store.SymbolFor(obj.symbol));
  return laid;
}

bool TextTyping::Begin(int32_t n) {
  if (active_) End();
  if (!ctx_.fonts || !Typable(n)) return false;
  ObjectRecord obj;
  if (!ReadLiveObject(ctx_.store, n, &obj) || !ctx_.store.ReadEntry(n, &entryBefore_) ||
      !ctx_.store.ReadRecordBytes(entryBefore_, &recordBefore_))
    return false;
  ctx_.undo.BeginUndoStep(n, obj);
  active_ = true;
  n_ = first_ = n;
  changed_ = moved_ = false;
  obj_ = obj;
  buffer_ = Cp1252ToUnicode(obj.Text());
  caret_ = anchor_ = buffer_.size();
  ctx_.state.TextEditing = true;
  ctx_.state.SelectedObject = n;
  ctx_.state.ObjectBuffer = obj;
  ctx_.state.CursorName = "IBeam";
  ctx_.view.SetCursorShape("IBeam");
  ShowCaret();
  return true;
}

void TextTyping::BeginNew(const ObjectRecord& obj) {
  if (active_) End();
  if (!ctx_.fonts) return;
  active_ = true;
  n_ = first_ = 0;
  changed_ = moved_ = false;
  obj_ = Laid(obj);
  buffer_.clear();
  caret_ = anchor_ = 0;
  ctx_.state.TextEditing = true;
  ctx_.state.CursorName = "IBeam";
  ctx_.view.SetCursorShape("IBeam");
  ShowCaret();
}

void TextTyping::End() {
  if (!active_) return;
  active_ = false;
  ctx_.state.TextEditing = false;
  ctx_.view.SetRubberBand({});
  if (!changed_) return;
  // The whole session as one change: the text as it was, and where the object went.
  ctx_.undo.ObjectChanged(first_, entryBefore_, recordBefore_);
  if (moved_) {
    ctx_.undo.ObjectDeleted(first_, entryAtMove_);
    IndexEntry now;
    if (ctx_.store.ReadEntry(n_, &now)) ctx_.undo.ObjectAdded(n_, now);
  }
  ctx_.undo.Committed();
}

std::vector<CaretPlace> TextTyping::Carets() const {
  if (!ctx_.fonts) return {};
  return TextCaretPlaces(*ctx_.fonts, obj_, ctx_.store.SymbolFor(obj_.symbol));
}

bool TextTyping::InsideText(int32_t n, Coord at) const {
  ObjectRecord obj;
  if (!ReadLiveObject(ctx_.store, n, &obj) || !TextObjectType(obj.type)) return false;
  const ObjectRecord laid = Laid(obj);
  if (laid.type == ObjectType::Text)
    return laid.PointCount() >= 5 && InsidePolygon(laid.coords, 1, 5, at);
  return laid.PointCount() >= 4 && InsidePolygon(laid.coords, 0, 4, at);
}

void TextTyping::PlaceCaret(Coord at, bool extend) {
  if (!active_) return;
  const std::vector<CaretPlace> places = Carets();
  size_t best = caret_;
  double bestDistance = -1;
  for (size_t i = 0; i < places.size(); ++i) {
    const double d = DistanceToSegment(at, places[i].foot, places[i].head);
    if (bestDistance < 0 || d < bestDistance) best = i, bestDistance = d;
  }
  // Not between a carriage return and its line feed.
  if (best > 0 && best < buffer_.size() && buffer_[best] == kLineFeed &&
      buffer_[best - 1] == kReturn)
    --best;
  caret_ = std::min(best, buffer_.size());
  if (!extend) anchor_ = caret_;
  ShowCaret();
}

size_t TextTyping::After(size_t i) const {
  if (i >= buffer_.size()) return buffer_.size();
  if (buffer_[i] == kReturn && i + 1 < buffer_.size() && buffer_[i + 1] == kLineFeed) return i + 2;
  return i + 1;
}

size_t TextTyping::Before(size_t i) const {
  if (i == 0) return 0;
  if (i >= 2 && buffer_[i - 1] == kLineFeed && buffer_[i - 2] == kReturn) return i - 2;
  return i - 1;
}

bool TextTyping::Replace(const std::u32string& with) {
  const size_t from = SelectionStart(), to = SelectionEnd();
  if (buffer_.size() - (to - from) + with.size() > kMaxTextCharacters) return false;
  buffer_.replace(from, to - from, with);
  caret_ = anchor_ = from + with.size();
  return true;
}

void TextTyping::Key(char32_t c) {
  if (!active_) return;
  if (c == kBackspace) {
    if (!HasSelection()) {
      if (caret_ == 0) return;
      anchor_ = Before(caret_);
    }
    Replace({});
  } else if (c == kReturn || c == kLineFeed) {
    if (!Replace(U"\r\n")) return;
  } else if (c == kTab || c >= 32) {
    // Characters outside the map's code page cannot be stored.
    if (c != kTab && UnicodeToCp1252Byte(c) < 0) {
      if (ctx_.drawing.beep) ctx_.drawing.beep();
      return;
    }
    if (!Replace(std::u32string(1, c))) return;
  } else {
    return;  // other control characters
  }
  Store();
}

void TextTyping::Move(CaretMove m, bool extend) {
  if (!active_) return;
  const std::vector<CaretPlace> places = Carets();
  const auto lineOf = [&](size_t i) { return i < places.size() ? places[i].line : 0; };
  size_t to = caret_;
  switch (m) {
    case CaretMove::Left:
      to = Before(caret_);
      break;
    case CaretMove::Right:
      to = After(caret_);
      break;
    case CaretMove::Home:
    case CaretMove::End: {
      const int line = lineOf(caret_);
      for (size_t i = 0; i < places.size(); ++i) {
        if (places[i].line != line) continue;
        if (m == CaretMove::Home) {
          to = i;
          break;
        }
        to = i;
      }
      break;
    }
    case CaretMove::Up:
    case CaretMove::Down: {
      if (caret_ >= places.size()) break;
      const int line = places[caret_].line + (m == CaretMove::Up ? -1 : 1);
      int64_t best = -1;
      for (size_t i = 0; i < places.size(); ++i) {
        if (places[i].line != line) continue;
        const int64_t d = std::llabs(places[i].x - places[caret_].x);
        if (best < 0 || d < best) best = d, to = i;
      }
      break;
    }
  }
  if (to > 0 && to < buffer_.size() && buffer_[to] == kLineFeed && buffer_[to - 1] == kReturn)
    to = m == CaretMove::Right ? to + 1 : to - 1;
  caret_ = std::min(to, buffer_.size());
  if (!extend) anchor_ = caret_;
  ShowCaret();
}

void TextTyping::DeleteForward() {
  if (!active_) return;
  if (!HasSelection()) {
    if (caret_ >= buffer_.size()) return;
    anchor_ = After(caret_);
  }
  Replace({});
  Store();
}

std::string TextTyping::SelectedText() const {
  return Cp1252ToUtf8(
      ToMapText(buffer_.substr(SelectionStart(), SelectionEnd() - SelectionStart())));
}

void TextTyping::DeleteSelection() {
  if (!active_ || !HasSelection()) return;
  Replace({});
  Store();
}

void TextTyping::Paste(const std::string& utf8) {
  if (!active_) return;
  std::u32string text;
  // Line ends of any kind become carriage return and line feed; other control characters but
  // the tab go.
  const std::u32string raw = FromUtf8(utf8);
  for (size_t i = 0; i < raw.size(); ++i) {
    const char32_t c = raw[i];
    if (c == kReturn || c == kLineFeed) {
      if (c == kReturn && i + 1 < raw.size() && raw[i + 1] == kLineFeed) ++i;
      text += U"\r\n";
    } else if (c == kTab || c >= 32) {
      text += c;
    }
  }
  const size_t room = kMaxTextCharacters - (buffer_.size() - (SelectionEnd() - SelectionStart()));
  if (text.size() > room) {
    text.resize(room);
    // Never half a line end.
    if (!text.empty() && text.back() == kReturn) text.pop_back();
  }
  if (text.empty() && !HasSelection()) return;
  Replace(text);
  Store();
}

void TextTyping::Store() {
  MapStore& store = ctx_.store;
  ObjectRecord obj = obj_;
  obj.SetText(ToMapText(buffer_));
  obj = Laid(obj);
  if (n_ == 0) {
    // A new text is stored with its first characters; later changes are measured from there.
    if (buffer_.empty()) return;
    if (!StoreNewObject(ctx_, obj) || !store.ReadEntry(store.ObjectCount(), &entryBefore_) ||
        !store.ReadRecordBytes(entryBefore_, &recordBefore_)) {
      if (ctx_.drawing.beep) ctx_.drawing.beep();
      buffer_.clear();
      caret_ = anchor_ = 0;
      ShowCaret();
      return;
    }
    ctx_.undo.Committed();
    n_ = first_ = store.ObjectCount();
    obj_ = obj;
    ShowCaret();
    return;
  }
  IndexEntry now;
  if (!store.ReadEntry(n_, &now)) return;
  bool ok = false;
  {
    UndoRing::Pause pause(ctx_.undo);
    int32_t n = n_;
    ok = RewriteOrReplace(store, &n, obj);
    if (ok && n != n_) {
      if (n_ == first_) {
        entryAtMove_ = now;
        moved_ = true;
      }
      n_ = n;
    }
  }
  Box box = now.box;
  if (ok) {
    changed_ = true;
    obj_ = obj;
  } else {
    // The stored version stays: it is loaded and shown again.
    if (ctx_.drawing.beep) ctx_.drawing.beep();
    ObjectRecord stored;
    if (ReadLiveObject(store, n_, &stored)) obj_ = stored;
    buffer_ = Cp1252ToUnicode(obj_.Text());
    caret_ = anchor_ = std::min(caret_, buffer_.size());
  }
  IndexEntry after;
  if (store.ReadEntry(n_, &after)) box.Unite(after.box);
  ctx_.state.SelectedObject = n_;
  ctx_.state.ObjectBuffer = obj_;
  ctx_.view.RedrawBox(box);
  ShowCaret();
}

void TextTyping::ShowCaret() {
  const std::vector<CaretPlace> places = Carets();
  if (places.empty()) {
    ctx_.view.SetRubberBand({});
    return;
  }
  std::vector<RubberShape> shapes;
  const size_t c = std::min(caret_, places.size() - 1);
  shapes.push_back({RubberShape::Kind::Polyline, {places[c].foot, places[c].head}, true});
  // The selection: one frame per line it covers.
  const size_t from = std::min(SelectionStart(), places.size() - 1),
               to = std::min(SelectionEnd(), places.size() - 1);
  size_t start = from;
  for (size_t i = from; i <= to && from < to; ++i) {
    const bool lineEnds = i == to || places[i + 1].line != places[start].line;
    if (!lineEnds) continue;
    const CaretPlace &a = places[start], &b = places[i];
    if (a.x != b.x)
      shapes.push_back(
          {RubberShape::Kind::Polyline, {a.foot, b.foot, b.head, a.head, a.foot}, true});
    start = i + 1;
  }
  ctx_.view.SetRubberBand(std::move(shapes));
}

// --- The tool ----------------------------------------------------------------------------------

void TextTool::Start(ToolPurpose) {
  pressed_ = caretDrag_ = false;
  ctx_.state.InteractionState = Interaction::Text;
  const bool typing = ctx_.typing && ctx_.typing->Active();
  ctx_.state.CursorName = typing ? "IBeam" : "DrawText";
  ctx_.view.SetCursorShape(ctx_.state.CursorName);
  ctx_.view.SetWorkHelpContext(help::kTexts);
}

void TextTool::Down(const ToolEvent& e) {
  if (!ctx_.state.MapOpen || !ctx_.store.IsOpen()) return;
  TextTyping* typing = ctx_.typing;
  if (typing && typing->Active() && typing->InsideText(typing->Object(), e.map)) {
    typing->PlaceCaret(e.map, e.shift);
    caretDrag_ = true;
    return;
  }
  if (typing) typing->End();
  ctx_.state.CursorName = "DrawText";
  ctx_.view.SetCursorShape("DrawText");
  pressed_ = true;
  press_ = e;
}

void TextTool::Move(const ToolEvent& e) {
  if (caretDrag_) {
    ctx_.typing->PlaceCaret(e.map, true);
    return;
  }
  if (!pressed_) return;
  ctx_.view.SetRubberBand({{RubberShape::Kind::Rectangle, {press_.map, e.map}, false}});
}

void TextTool::Up(const ToolEvent& e) {
  if (caretDrag_) {
    caretDrag_ = false;
    return;
  }
  if (!pressed_) return;
  pressed_ = false;
  ctx_.view.SetRubberBand({});
  const int place = ctx_.state.CurrentSymbol;
  if (place < 0 || place >= ctx_.store.SymbolCount()) return;
  const SymbolRecord& sym = ctx_.store.Symbol(place);
  if (sym.Type() != SymbolType::Text) return;
  ObjectRecord obj;
  obj.symbol = static_cast<int16_t>(sym.Number());
  if (std::abs(e.pixel.x - press_.pixel.x) < 12) {
    obj.type = ObjectType::Text;
    obj.coords = {press_.map};
  } else {
    // A framed text: lower left, lower right, upper right, upper left.
    const int32_t x0 = std::min(press_.map.x, e.map.x), x1 = std::max(press_.map.x, e.map.x);
    const int32_t y0 = std::min(press_.map.y, e.map.y), y1 = std::max(press_.map.y, e.map.y);
    obj.type = ObjectType::Rectangle;
    obj.coords = {Coord{x0, y0}, Coord{x1, y0}, Coord{x1, y1}, Coord{x0, y1}};
    for (Coord& c : obj.coords) c = PosOnly(c);
  }
  obj.SetText("");
  if (ctx_.typing) ctx_.typing->BeginNew(obj);
}

void TextTool::Key(char32_t c) {
  if (!ctx_.typing) return;
  if (c == 27)
    ctx_.typing->End();  // Esc: the text is done
  else
    ctx_.typing->Key(c);
}

void TextTool::Finish() {
  if (ctx_.typing) ctx_.typing->End();
  pressed_ = caretDrag_ = false;
  ctx_.view.SetRubberBand({});
  ctx_.state.InteractionState = Interaction::Idle;
}

}  // namespace zelk
