// The layers of a line object drawn by its line symbol, shared by the line_symbol_*.cpp files.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "geometry/mitre.h"
#include "geometry/output_path.h"
#include "geometry/work_path.h"
#include "render/object_renderer.h"
#include "storage/symbol_records.h"

namespace zelk {

// Buffers reused by every line drawn with one RenderScratch, so that drawing a line allocates
// nothing. Line texts walk their line with the same work path.
struct LineWork {
  WorkPath path;
  OutputPath out;
  std::vector<Coord> right;  // the right edge of a double-line fill strip

  LineWork() { right.reserve(OutputPath::kCapacity); }
};

// Lengths of the symbol as the drawing uses them: negative lengths, gaps and widths, which only
// a damaged record holds, count as 0, and the last symbol size is kept within 0..200 per cent.
struct LineLengths {
  int32_t lineWidth, distFromStart, distToEnd, mainLength, endLength, mainGap, secGap, endGap;
  int32_t primSymDist;
  int32_t dblWidth, dblLeftWidth, dblRightWidth, dblLength, dblGap;
  int32_t decLast;
  explicit LineLengths(const LineSymbol& s);
};

// Draws one line object in one colour pass. One instance per call.
class LineDrawer {
 public:
  // Dashes, double-line dashes or symbol positions one layer of one object may place; beyond
  // this a damaged pattern (a 1-unit dash along a very long line) draws its sections plain.
  static constexpr int64_t kMaxPieces = 200000;

  LineDrawer(RenderContext& ctx, std::span<const Coord> points, const LineSymbol& sym,
             LineWork& work);

  void Draw();

  // The layers, in their drawing order.
  void DrawSolidMainLine();
  void DrawDashedMainLine();
  void DrawSymbolsAlongLine();
  void DrawCornerSymbols();
  void DrawFullSide(bool left, double offset, int32_t width);
  void DrawDashedSide(double offset, int32_t width);
  void DrawDoubleLineFill();

 private:
  // The main line with distances from the ends, with pointed ends when asked for.
  void DrawSolidWithDistances();
  void DrawPointedStart(int64_t a, int64_t b);
  void DrawPointedEnd(int64_t total, int64_t a, int64_t b);
  bool ThinForTaper() const;

  // Every layer walks the same work path; it is built once per object and colour pass. The
  // main line comes first, so the stored first segment it closes over is still unset then.
  void PrepareWorkPath();

  // Output path helpers: the path is built in work_.out and handed to the device when drawn.
  void BeginAtPosition();
  void ExtendTo(double d);
  void StrokeOut(int32_t width, int style);
  // Offsets the output path to a double-line side and strokes it. On a closed line the side's
  // first segment, as first drawn, is drawn again after the closing point, so that the side
  // joins there instead of ending twice.
  void OffsetAndStroke(double offset, int32_t width);
  bool LineClosed() const;
  void FillPoints(std::span<const Coord> points);
  void CutGap(int64_t from, int64_t to, int64_t gap);

  void DrawList(std::span<const uint8_t> list, Coord origin, double cos, double sin, double factor);
  void DrawListAtPosition(std::span<const uint8_t> list, double factor);

  RenderContext& ctx_;
  std::span<const Coord> points_;
  const LineSymbol& sym_;
  LineLengths len_;
  LineWork& work_;
  WorkPath& wp_;
  OutputPath& out_;
  bool prepared_ = false;
  bool open_ = false;  // an output path has been begun and not yet drawn
  // The first segment of the current double-line side, before and after its offset.
  struct SideStart {
    FirstSegment raw;
    Coord offset[4]{};
    bool stored = false;
  };
  SideStart sideStart_;
  bool sideCloses_ = false;  // the current side goes round a closed line without a break
  double scale_ = 0;         // DashScale of the current section, for CutGap
};

// The object's points as a path to stroke directly: whole cubic segments keep their flags,
// stray control-point flags and ring starts are dropped.
void AppendStoredLine(std::span<const Coord> points, OutputPath& out);

// True when some element of the list has the colour.
bool ListHasColor(std::span<const uint8_t> list, int color);

// Round to nearest with halves to even, as an integer distance.
int64_t RoundDistance(double r);

}  // namespace zelk
