// The PostScript mode of the output primitives.
#include "output/postscript_device.h"

#include <array>
#include <cmath>
#include <numbers>

#include "geometry/coord_math.h"
#include "storage/text_format.h"

namespace zelk {

namespace {

constexpr const char* kWindowsFonts[kStandardFontFamilies] = {
    "Courier New",        "Arial",          "Times New Roman",
    "Arial Narrow",       "Century Gothic", "Bookman Old Style",
    "Century Schoolbook", "Book Antiqua"};

constexpr const char* kPostScriptFonts[kStandardFontFamilies * 4] = {"Courier",
                                                                     "Courier-Bold",
                                                                     "Courier-Oblique",
                                                                     "Courier-BoldOblique",
                                                                     "Helvetica",
                                                                     "Helvetica-Bold",
                                                                     "Helvetica-Oblique",
                                                                     "Helvetica-BoldOblique",
                                                                     "Times-Roman",
                                                                     "Times-Bold",
                                                                     "Times-Italic",
                                                                     "Times-BoldItalic",
                                                                     "Helvetica-Narrow",
                                                                     "Helvetica-Narrow-Bold",
                                                                     "Helvetica-Narrow-Oblique",
                                                                     "Helvetica-Narrow-BoldOblique",
                                                                     "AvantGarde-Book",
                                                                     "AvantGarde-Demi",
                                                                     "AvantGarde-BookOblique",
                                                                     "AvantGarde-DemiOblique",
                                                                     "Bookman-Light",
                                                                     "Bookman-Demi",
                                                                     "Bookman-LightItalic",
                                                                     "Bookman-DemiItalic",
                                                                     "NewCenturySchlbk-Roman",
                                                                     "NewCenturySchlbk-Bold",
                                                                     "NewCenturySchlbk-Italic",
                                                                     "NewCenturySchlbk-BoldItalic",
                                                                     "Palatino-Roman",
                                                                     "Palatino-Bold",
                                                                     "Palatino-Italic",
                                                                     "Palatino-BoldItalic"};

// Lines are handed to the writer in blocks of about this size.
constexpr size_t kFlushSize = 1 << 16;

int64_t RoundDevice(double v) {
  if (!std::isfinite(v)) return 0;
  v = std::clamp(v, -4.0e15, 4.0e15);
  return static_cast<int64_t>(std::nearbyint(v));
}

void AppendInt(std::string& s, int64_t v) {
  s += std::to_string(v);
  s += ' ';
}

}  // namespace

int StandardFontFamily(std::string_view name) {
  for (int i = 0; i < kStandardFontFamilies; ++i)
    if (name == kWindowsFonts[i]) return i;
  return -1;
}

const char* StandardPostScriptFont(int index) {
  if (index < 0 || index >= kStandardFontFamilies * 4) return "";
  return kPostScriptFonts[index];
}

int CodePageByte(char32_t c) {
  static const std::array<char32_t, 256> table = [] {
    std::array<char32_t, 256> t{};
    std::string all(256, '\0');
    for (int i = 0; i < 256; ++i) all[static_cast<size_t>(i)] = static_cast<char>(i);
    const std::u32string u = Cp1252ToUnicode(all);
    for (size_t i = 0; i < 256 && i < u.size(); ++i) t[i] = u[i];
    return t;
  }();
  if (c == 0) return -1;
  if (c < 0x80) return static_cast<int>(c);
  for (int i = 0x80; i < 256; ++i)
    if (table[static_cast<size_t>(i)] == c) return i;
  return -1;
}

std::string PostScriptShowLine(uint8_t byte) {
  const bool plain =
      (byte >= 32 && byte <= 39) || (byte >= 42 && byte <= 91) || (byte >= 93 && byte <= 126);
  std::string s = "(";
  if (plain) {
    s += static_cast<char>(byte);
  } else {
    s += '\\';
    s += static_cast<char>('0' + ((byte >> 6) & 7));
    s += static_cast<char>('0' + ((byte >> 3) & 7));
    s += static_cast<char>('0' + (byte & 7));
  }
  s += ") show";
  return s;
}

void PostScriptLines::Line(std::string_view text) {
  if (failed_) return;
  text_.append(text);
  text_.append("\r\n");
  if (writer_ && text_.size() >= kFlushSize) Flush();
}

bool PostScriptLines::Flush() {
  if (!writer_ || failed_) return !failed_;
  if (!text_.empty() && !writer_(text_)) failed_ = true;
  text_.clear();
  return !failed_;
}

PostScriptDevice::PostScriptDevice(PostScriptLines& out, const OutputState& state,
                                   const PostScriptOptions& options, FontService* fonts)
    : OutputDevice(state),
      out_(out),
      options_(options),
      fonts_(fonts),
      scratch_(std::make_unique<RenderScratch>()) {
  State().outputMode = OutputMode::PostScript;
  State().screen = false;
  ResetCaches();
}

PostScriptDevice::~PostScriptDevice() = default;

void PostScriptDevice::ResetCaches() {
  lastColor_ = -1;
  lastWidth_ = -1;
  lastJoin_ = -1;
  fontsUsed_.reset();
  font_ = FontCache{};
  outlineText_ = false;
  cachedAngle_ = 0;
  cos_ = 1.0;
  sin_ = 0.0;
}

int64_t PostScriptDevice::DeviceX(int32_t x) const {
  const OutputState& s = State();
  return RoundDevice((static_cast<double>(PosWord(x)) - s.originX) * s.scaleX);
}

int64_t PostScriptDevice::DeviceY(int32_t y) const {
  const OutputState& s = State();
  return RoundDevice((static_cast<double>(PosWord(y)) - s.originY) * s.scaleY);
}

std::string PostScriptDevice::FormatPoint(const Coord& p) const {
  std::string s;
  AppendInt(s, DeviceX(p.x));
  AppendInt(s, DeviceY(p.y));
  return s;
}

std::string PostScriptDevice::FormatLength(int64_t v) const {
  std::string s;
  AppendInt(s, RoundDevice(static_cast<double>(v) * State().scaleX * 256.0));
  return s;
}

void PostScriptDevice::WriteColor() {
  const Cmyk c = State().DrawCmyk();
  line_.clear();
  if (options_.separation) {
    line_ += std::to_string(c.k) + " gray";
  } else {
    line_ += std::to_string(c.c) + " " + std::to_string(c.m) + " " + std::to_string(c.y) + " " +
             std::to_string(c.k) + " cmyk";
  }
  out_.Line(line_);
}

void PostScriptDevice::SetColor() {
  const Cmyk c = State().DrawCmyk();
  const int64_t packed = (int64_t{c.c} << 24) | (int64_t{c.m} << 16) | (int64_t{c.y} << 8) | c.k;
  if (packed == lastColor_) return;
  lastColor_ = packed;
  WriteColor();
}

void PostScriptDevice::WriteWidth() {
  out_.Line(FormatLength(lastWidth_) + "w");
}

void PostScriptDevice::WriteJoin() {
  static constexpr const char* kJoins[3] = {"2 j 0 J", "1 j 1 J", "0 j 0 J"};
  out_.Line(kJoins[std::clamp(lastJoin_, 0, 2)]);
}

void PostScriptDevice::SetPen(int32_t width, int join) {
  SetColor();
  if (width != lastWidth_) {
    lastWidth_ = width;
    WriteWidth();
  }
  join = NormalizeLineStyle(join);
  if (join != lastJoin_) {
    lastJoin_ = join;
    WriteJoin();
  }
}

void PostScriptDevice::WritePath(std::span<const Coord> path) {
  const size_t n = path.size();
  if (n == 0) return;
  out_.Line("n " + FormatPoint(path[0]) + "m");
  // Relative moves are differences of rounded device positions: a chain never drifts.
  int64_t px = DeviceX(path[0].x), py = DeviceY(path[0].y);
  size_t i = 1;
  while (i < n) {
    const Coord& p = path[i];
    line_.clear();
    if (p.y & kHoleStart) {
      px = DeviceX(p.x);
      py = DeviceY(p.y);
      AppendInt(line_, px);
      AppendInt(line_, py);
      line_ += "m";
      ++i;
    } else if ((p.x & kFirstCurvePoint) && i + 2 < n) {
      for (size_t k = 0; k < 3; ++k) {
        AppendInt(line_, DeviceX(path[i + k].x) - px);
        AppendInt(line_, DeviceY(path[i + k].y) - py);
      }
      px = DeviceX(path[i + 2].x);
      py = DeviceY(path[i + 2].y);
      line_ += "c";
      i += 3;
    } else if ((p.x & kSingleCurvePoint) && i + 1 < n) {
      for (size_t k = 0; k < 2; ++k) {
        AppendInt(line_, DeviceX(path[i + k].x) - px);
        AppendInt(line_, DeviceY(path[i + k].y) - py);
      }
      px = DeviceX(path[i + 1].x);
      py = DeviceY(path[i + 1].y);
      line_ += "b";
      i += 2;
    } else {
      const int64_t x = DeviceX(p.x), y = DeviceY(p.y);
      AppendInt(line_, x - px);
      AppendInt(line_, y - py);
      px = x;
      py = y;
      line_ += "l";
      ++i;
    }
    out_.Line(line_);
  }
}

void PostScriptDevice::DoStroke(std::span<const Coord> path, int32_t width, int style) {
  SetPen(width, style);
  WritePath(path);
  out_.Line("S");
}

bool PostScriptDevice::DoFill(std::span<const Coord> path, int) {
  SetColor();
  WritePath(path);
  out_.Line("f");
  return true;
}

ClipResult PostScriptDevice::DoClip(std::span<const Coord> path) {
  // A printer's clip path has the same limits as its fill: longer ones are subdivided.
  if (path.size() > static_cast<size_t>(kMaxFillPoints)) return ClipResult::Refused;
  WritePath(path);
  out_.Line("cl");
  return ClipResult::Clipped;
}

void PostScriptDevice::DoEndClip() {
  out_.Line("re");
  // The grestore took back colour, width, join and font: what the caches hold is written again.
  if (lastColor_ >= 0) WriteColor();
  if (lastWidth_ >= 0) WriteWidth();
  if (lastJoin_ >= 0) WriteJoin();
  font_.valid = false;
}

void PostScriptDevice::DoDot(const Coord& centre, int32_t diameter) {
  SetColor();
  out_.Line(FormatPoint(centre) + FormatLength(diameter / 2) + "d");
}

void PostScriptDevice::DoRing(const Coord& centre, int32_t lineWidth, int32_t diameter) {
  SetPen(lineWidth, kStyleFlatBevel);
  out_.Line(FormatPoint(centre) + FormatLength(diameter / 2 - lineWidth / 2) + "ci");
}

bool PostScriptDevice::SelectFont(const CharacterSpec& ch) {
  if (font_.valid && font_.name == ch.fontName.substr(0, 31) && font_.size == ch.size &&
      font_.weight == ch.weight && font_.italic == ch.italic) {
    return !outlineText_;
  }
  const int family = StandardFontFamily(ch.fontName);
  if (!options_.passthrough && options_.standardFonts && family >= 0) {
    const int style = (ch.italic ? 2 : 0) + (ch.weight > 550 ? 1 : 0);
    const int index = 4 * family + style;
    if (!fontsUsed_.test(static_cast<size_t>(index))) {
      fontsUsed_.set(static_cast<size_t>(index));
      out_.Line("ANSIVec /font" + std::to_string(index) + " /" + StandardPostScriptFont(index) +
                " RE");
    }
    out_.Line(FormatNumber(ch.size * 254.0 / 72.0, 0) + " /font" + std::to_string(index) + " F");
    outlineText_ = false;
  } else {
    outlineText_ = true;
  }
  font_.name = ch.fontName.substr(0, 31);
  font_.size = ch.size;
  font_.weight = ch.weight;
  font_.italic = ch.italic;
  font_.valid = true;
  return !outlineText_;
}

void PostScriptDevice::DrawOutline(const CharacterSpec& ch) {
  if (!fonts_) return;
  const FontRequest request{ch.fontName.empty() ? std::string("Times New Roman") : ch.fontName,
                            ch.HeightUnits(), ch.weight, ch.italic};
  const std::vector<GlyphContour> contours = fonts_->GlyphOutline(request, ch.character);
  std::vector<Coord> points;
  const double x0 = PosWord(ch.position.x), y0 = PosWord(ch.position.y);
  for (const GlyphContour& g : contours) {
    for (size_t i = 0; i < g.points.size(); ++i) {
      const Coord& q = g.points[i];
      const double gx = PosWord(q.x), gy = PosWord(q.y);
      const int32_t x = RoundToPosition(x0 + cos_ * gx - sin_ * gy);
      const int32_t y = RoundToPosition(y0 + sin_ * gx + cos_ * gy);
      Coord c{x | (q.x & kCurveFlags), y};
      if (i == 0 && !points.empty()) c.y |= kHoleStart;
      points.push_back(c);
    }
  }
  if (points.size() < 3) return;
  if (points.size() <= static_cast<size_t>(kMaxFillPoints)) {
    // The even-odd fill takes the glyph's holes as they are.
    DoFill(points, kFillSolid);
    return;
  }
  FixedMetricsFonts unused;
  RenderContext ctx{*this, fonts_ ? *fonts_ : static_cast<FontService&>(unused), *scratch_};
  FillPolygon(ctx, points,
              [&ctx](std::span<const Coord> piece) { return SolidFillCallback(ctx, piece); });
}

void PostScriptDevice::DoDrawCharacter(const CharacterSpec& ch) {
  if (!DrawableCharacter(ch.character)) return;
  SetColor();
  if (ch.angle != cachedAngle_) {
    cachedAngle_ = ch.angle;
    const double a = ch.angle * std::numbers::pi / 1800.0;
    cos_ = std::cos(a);
    sin_ = std::sin(a);
  }
  const int byte = CodePageByte(ch.character);
  // A character the code page has no byte for cannot be shown with an encoded font.
  if (!SelectFont(ch) || byte < 0) {
    DrawOutline(ch);
    return;
  }
  const std::string show = PostScriptShowLine(static_cast<uint8_t>(byte));
  if (ch.angle != 0) {
    out_.Line(std::to_string(ch.angle) + " " + FormatPoint(ch.position) + "rt");
    out_.Line("0 0 m");
    out_.Line(show);
    out_.Line("re");
  } else {
    out_.Line(FormatPoint(ch.position) + "m");
    out_.Line(show);
  }
}

}  // namespace zelk
