// PDF content streams and files.
#include "output/pdf_device.h"

#include <cmath>
#include <cstdio>
#include <numbers>

#include "geometry/coord_math.h"
#include "storage/text_format.h"

namespace zelk {

namespace {

// A PDF string: parentheses and backslashes escaped, other bytes as they are.
std::string PdfString(const std::string& s) {
  std::string out = "(";
  for (char c : s) {
    if (c == '(' || c == ')' || c == '\\') out += '\\';
    out += c;
  }
  return out + ")";
}

}  // namespace

PdfDevice::PdfDevice(std::string& content, const OutputState& state, bool separation,
                     FontService* fonts)
    : OutputDevice(state),
      out_(content),
      separation_(separation),
      fonts_(fonts),
      scratch_(std::make_unique<RenderScratch>()) {
  State().screen = false;
}

PdfDevice::~PdfDevice() = default;

double PdfDevice::X(int32_t x) const {
  return (double(PosWord(x)) - State().originX) / 256.0;
}

double PdfDevice::Y(int32_t y) const {
  return (double(PosWord(y)) - State().originY) / 256.0;
}

void PdfDevice::Num(double v) {
  out_ += FormatNumber(v, 2);
  out_ += ' ';
}

void PdfDevice::SetFillColor() {
  const Cmyk c = State().DrawCmyk();
  const int64_t packed = (int64_t{c.c} << 24) | (int64_t{c.m} << 16) | (int64_t{c.y} << 8) | c.k;
  if (packed == fillColor_) return;
  fillColor_ = packed;
  if (separation_) {
    Num((200 - std::min<int>(c.k, 200)) / 200.0);
    out_ += "g\n";
  } else {
    for (uint8_t v : {c.c, c.m, c.y, c.k}) Num(std::min<int>(v, 200) / 200.0);
    out_ += "k\n";
  }
}

void PdfDevice::SetStrokeColor() {
  const Cmyk c = State().DrawCmyk();
  const int64_t packed = (int64_t{c.c} << 24) | (int64_t{c.m} << 16) | (int64_t{c.y} << 8) | c.k;
  if (packed == strokeColor_) return;
  strokeColor_ = packed;
  if (separation_) {
    Num((200 - std::min<int>(c.k, 200)) / 200.0);
    out_ += "G\n";
  } else {
    for (uint8_t v : {c.c, c.m, c.y, c.k}) Num(std::min<int>(v, 200) / 200.0);
    out_ += "K\n";
  }
}

void PdfDevice::SetPen(int32_t width, int style) {
  SetStrokeColor();
  if (width != width_) {
    width_ = width;
    Num(width);
    out_ += "w\n";
  }
  if (style != join_) {
    join_ = style;
    static constexpr const char* kJoins[3] = {"2 j 0 J\n", "1 j 1 J\n", "0 j 0 J\n"};
    out_ += kJoins[std::clamp(style, 0, 2)];
  }
}

void PdfDevice::WritePath(std::span<const Coord> path) {
  const size_t n = path.size();
  if (n == 0) return;
  Num(X(path[0].x));
  Num(Y(path[0].y));
  out_ += "m\n";
  size_t i = 1;
  while (i < n) {
    const Coord& p = path[i];
    if (p.y & kHoleStart) {
      Num(X(p.x));
      Num(Y(p.y));
      out_ += "m\n";
      ++i;
    } else if ((p.x & kFirstCurvePoint) && i + 2 < n) {
      for (size_t k = 0; k < 3; ++k) {
        Num(X(path[i + k].x));
        Num(Y(path[i + k].y));
      }
      out_ += "c\n";
      i += 3;
    } else if ((p.x & kSingleCurvePoint) && i + 1 < n) {
      // The quadratic piece raised to a cubic one.
      const double x0 = X(path[i - 1].x), y0 = Y(path[i - 1].y);
      const double qx = X(p.x), qy = Y(p.y);
      const double x3 = X(path[i + 1].x), y3 = Y(path[i + 1].y);
      Num(x0 + 2.0 / 3.0 * (qx - x0));
      Num(y0 + 2.0 / 3.0 * (qy - y0));
      Num(x3 + 2.0 / 3.0 * (qx - x3));
      Num(y3 + 2.0 / 3.0 * (qy - y3));
      Num(x3);
      Num(y3);
      out_ += "c\n";
      i += 2;
    } else {
      Num(X(p.x));
      Num(Y(p.y));
      out_ += "l\n";
      ++i;
    }
  }
}

void PdfDevice::Circle(const Coord& centre, double r) {
  const double cx = X(centre.x), cy = Y(centre.y);
  const double k = 0.5522847498 * r;
  Num(cx + r);
  Num(cy);
  out_ += "m\n";
  const double pts[4][6] = {{cx + r, cy + k, cx + k, cy + r, cx, cy + r},
                            {cx - k, cy + r, cx - r, cy + k, cx - r, cy},
                            {cx - r, cy - k, cx - k, cy - r, cx, cy - r},
                            {cx + k, cy - r, cx + r, cy - k, cx + r, cy}};
  for (const auto& q : pts) {
    for (double v : q) Num(v);
    out_ += "c\n";
  }
}

void PdfDevice::DoStroke(std::span<const Coord> path, int32_t width, int style) {
  SetPen(width, style);
  WritePath(path);
  out_ += "S\n";
}

bool PdfDevice::DoFill(std::span<const Coord> path, int) {
  SetFillColor();
  WritePath(path);
  out_ += "f*\n";
  return true;
}

ClipResult PdfDevice::DoClip(std::span<const Coord> path) {
  out_ += "q\n";
  WritePath(path);
  out_ += "W* n\n";
  return ClipResult::Clipped;
}

void PdfDevice::DoEndClip() {
  out_ += "Q\n";
  // The graphics state came back: colours, width and join as they were before the clip.
  fillColor_ = strokeColor_ = -1;
  width_ = -1;
  join_ = -1;
}

void PdfDevice::DoDot(const Coord& centre, int32_t diameter) {
  SetFillColor();
  Circle(centre, diameter / 2.0);
  out_ += "f\n";
}

void PdfDevice::DoRing(const Coord& centre, int32_t lineWidth, int32_t diameter) {
  SetPen(lineWidth, kStyleFlatBevel);
  Circle(centre, diameter / 2.0 - lineWidth / 2.0);
  out_ += "s\n";
}

void PdfDevice::DoDrawCharacter(const CharacterSpec& ch) {
  if (!fonts_ || !DrawableCharacter(ch.character)) return;
  const FontRequest request{ch.fontName.empty() ? std::string("Times New Roman") : ch.fontName,
                            ch.HeightUnits(), ch.weight, ch.italic};
  const std::vector<GlyphContour> contours = fonts_->GlyphOutline(request, ch.character);
  const double a = ch.angle * std::numbers::pi / 1800.0;
  const double cs = std::cos(a), sn = std::sin(a);
  const double x0 = PosWord(ch.position.x), y0 = PosWord(ch.position.y);
  std::vector<Coord> points;
  for (const GlyphContour& g : contours) {
    for (size_t i = 0; i < g.points.size(); ++i) {
      const Coord& q = g.points[i];
      const double gx = PosWord(q.x), gy = PosWord(q.y);
      Coord c{RoundToPosition(x0 + cs * gx - sn * gy) | (q.x & kCurveFlags),
              RoundToPosition(y0 + sn * gx + cs * gy)};
      if (i == 0 && !points.empty()) c.y |= kHoleStart;
      points.push_back(c);
    }
  }
  if (points.size() < 3) return;
  // No limit on the points of a PDF fill: the glyph goes whole, holes by the even-odd rule.
  DoFill(points, kFillSolid);
}

std::string PdfFile(const std::vector<PdfPage>& pages, const std::string& title,
                    const std::string& creator) {
  std::string f = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
  std::vector<size_t> offsets;  // of objects 1..n
  auto object = [&](const std::string& body) {
    offsets.push_back(f.size());
    f += std::to_string(offsets.size()) + " 0 obj\n" + body + "\nendobj\n";
  };
  const size_t n = pages.size();
  // 1 catalog, 2 pages, 3 information, then a page and its content for each page.
  std::string kids;
  for (size_t i = 0; i < n; ++i) kids += std::to_string(4 + 2 * i) + " 0 R ";
  std::string labels;
  bool anyLabel = false;
  for (size_t i = 0; i < n; ++i) {
    labels += std::to_string(i) + " << /P " + PdfString(pages[i].label) + " >> ";
    anyLabel |= !pages[i].label.empty();
  }
  object("<< /Type /Catalog /Pages 2 0 R" +
         (anyLabel ? " /PageLabels << /Nums [ " + labels + "] >>" : std::string()) +
         (anyLabel ? " /PageMode /UseThumbs" : std::string()) + " >>");
  object("<< /Type /Pages /Kids [ " + kids + "] /Count " + std::to_string(n) + " >>");
  object("<< /Title " + PdfString(title) + " /Creator " + PdfString(creator) + " >>");
  for (size_t i = 0; i < n; ++i) {
    const PdfPage& p = pages[i];
    object("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + FormatNumber(p.widthPt, 3) + " " +
           FormatNumber(p.heightPt, 3) + "] /Contents " + std::to_string(5 + 2 * i) +
           " 0 R /Resources << >> >>");
    object("<< /Length " + std::to_string(p.content.size()) + " >>\nstream\n" + p.content +
           "\nendstream");
  }
  const size_t xref = f.size();
  f += "xref\n0 " + std::to_string(offsets.size() + 1) + "\n0000000000 65535 f \n";
  char entry[32];
  for (size_t o : offsets) {
    std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", o);
    f += entry;
  }
  f += "trailer\n<< /Size " + std::to_string(offsets.size() + 1) +
       " /Root 1 0 R /Info 3 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
  return f;
}

}  // namespace zelk
