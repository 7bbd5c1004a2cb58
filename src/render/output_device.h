// The output primitives through which the renderer draws, and the output state of one output run.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "geometry/coord_math.h"
#include "render/screen_color.h"
#include "storage/coord.h"

namespace zelk {

// x flag of the single control point of a three-point curve.
constexpr int32_t kSingleCurvePointFlag = 8;

// Line styles of the stroke primitives (the line style of symbol elements).
constexpr int kStyleFlatBevel = 0;  // flat ends, bevel joins
constexpr int kStyleRound = 1;      // round ends and joins
constexpr int kStyleFlatMitre = 2;  // flat ends, mitre joins

// Fill styles.
constexpr int kFillSolid = 0;
constexpr int kFillHatched = 1;  // the "Hatched areas" view of the work window

enum class ClipResult { Refused = 0, Clipped = 1, NothingVisible = 2 };

enum class OutputMode { GraphicsDevice = 0, PostScript = 1 };

// Shared by the renderer and the device for one output run (a redraw, a print, an export).
struct OutputState {
  OutputMode outputMode = OutputMode::GraphicsDevice;
  bool screen = true;             // the work window, as opposed to a printer, bitmap or file
  bool hatchAreas = false;        // the "Hatched areas" view; takes effect on the screen only
  int lineWidthPercentage = 100;  // line widths on non-screen graphics devices; 10..99 applies

  // A coordinate word (x, y) lands on device ((x - originX) * scaleX, (y - originY) * scaleY).
  double scaleX = 1.0 / 256;   // device units per coordinate word
  double scaleY = -1.0 / 256;  // negative: device y grows downwards
  int32_t originX = 0;
  int32_t originY = 0;
  // Objects, dots and rings wholly outside it are skipped (coordinate words).
  Box clipRectangle{-(1 << 30), -(1 << 30), (1 << 30) - 1, (1 << 30) - 1};
  int32_t curveTolerance = 4;  // map units; about four device units

  int passColor = 0;    // number of the colour being drawn
  Cmyk currentColor{};  // its process colours
  Rgb penColor{};       // its device colour
  Rgb alternativeColor{192, 192, 192};
  Cmyk alternativeCmyk{0, 0, 0, 50};  // the same light grey for process-colour output
  bool useAlternative = false;        // fallbacks and construction lines are being drawn

  Rgb DrawRgb() const { return useAlternative ? alternativeColor : penColor; }
  Cmyk DrawCmyk() const { return useAlternative ? alternativeCmyk : currentColor; }
  // Hatch brushes replace solid fills only in the work window.
  bool HatchedView() const { return screen && hatchAreas; }
};

// One character of a text, placed and turned by the text renderer.
struct CharacterSpec {
  Coord position;        // start of the character on its baseline
  std::string fontName;  // face name; the text renderer has already chosen a fallback
  int charset = 0;       // character set of the map
  int angle = 0;         // tenths of a degree, counter-clockwise
  bool italic = false;
  int weight = 400;  // 400 normal, 700 bold; up to 550 counts as normal
  int size = 100;    // tenths of a point
  char32_t character = 0;
  bool operator==(const CharacterSpec&) const = default;

  // Character height in whole map units, as fonts are created: size * 254 / 72 is the height
  // in 0.01 mm for a size in tenths of a point (100, ten points, is 353). At least 1.
  double HeightUnits() const { return std::max(1.0, std::nearbyint(size * 254.0 / 72.0)); }
};

// The renderer builds a path in coordinate words and hands it to a primitive; the device applies
// its own transform. The public entry points apply the checks every surface shares and skip
// invisible or impossible work before the device sees it; devices implement the Do* hooks.
class OutputDevice {
 public:
  static constexpr int kMaxPathPoints = 8192;
  static constexpr int kMaxFillPoints = 128;   // devices refuse longer fills; callers subdivide
  static constexpr int kLongPathPoints = 256;  // from here strokes are cut into pieces

  explicit OutputDevice(const OutputState& state = {}) : state_(state) {}
  virtual ~OutputDevice() = default;
  OutputDevice(const OutputDevice&) = delete;
  OutputDevice& operator=(const OutputDevice&) = delete;

  OutputState& State() { return state_; }
  const OutputState& State() const { return state_; }

  // Set colour: the pass colour and its process colours; the pen colour is their screen colour.
  void SelectColorPass(int number, const Cmyk& cmyk);
  // The same with an explicit device colour (printing intensity, separations, erasing).
  void SelectColorPass(int number, const Cmyk& cmyk, const Rgb& deviceColor);
  // While on, every primitive draws in the light grey alternative colour.
  void UseAlternativeColor(bool on);

  // Begin path: discards the current path and starts a new one at p (flags carried).
  void BeginPath(const Coord& p);
  // Add point: appends p with its flags (curve control points, HoleStart); ignored when full.
  void AddPoint(const Coord& p);
  // Rotate path: turns the path about centre by an angle in tenths of a degree; flags stay.
  void RotatePath(const Coord& centre, int angleTenths);
  // The same with a prepared (cos, sin).
  void RotatePath(const Coord& centre, double cos, double sin);
  std::span<const Coord> Path() const { return path_; }
  bool PathOverflowed() const { return overflowed_; }

  // Stroke path: the current path as a line of width (map units) in a line style. A HoleStart
  // point begins a new line. Fewer than two points draw nothing.
  void StrokePath(int32_t width, int style);
  // Stroke long path: like StrokePath with HoleStart ignored; from 256 points on the path is cut
  // into pieces of about 64 points sharing their joints, inner pieces with round joins.
  void StrokeLongPath(int32_t width, int style);
  // Fill path (even-odd; HoleStart begins a ring). True when filled or nothing was to be drawn;
  // false when the device cannot fill it in one piece (over 128 points, too large): subdivide.
  bool FillPath(int style);
  // Clip to path: further drawing is limited to the path (even-odd) until EndClip.
  ClipResult ClipPath();
  // End clip: undoes the last successful ClipPath; without one it does nothing.
  void EndClip();
  // Dot: a filled disc of a diameter (map units) when it can touch the clip rectangle.
  void Dot(const Coord& centre, int32_t diameter);
  // Ring: a circle line lying inside the diameter; a dot when the line is as wide as that.
  void Ring(const Coord& centre, int32_t lineWidth, int32_t diameter);
  // Draw character: one character filled in the draw colour.
  void DrawCharacter(const CharacterSpec& character);

  int ClipDepth() const { return clipDepth_; }
  // Whether the surface copies repeated small shapes (dots) from images drawn once, as raster
  // surfaces do; vector surfaces draw every shape.
  virtual bool CanStamp() const { return false; }

 protected:
  virtual void ColorChanged() {}
  // The path of a stroke may be a piece of the current path; style is already 0, 1 or 2.
  virtual void DoStroke(std::span<const Coord> path, int32_t width, int style) = 0;
  // Called with 3..128 points.
  virtual bool DoFill(std::span<const Coord> path, int style) = 0;
  // Called with at least 3 points; a Clipped result must be undone by one DoEndClip.
  virtual ClipResult DoClip(std::span<const Coord> path) = 0;
  virtual void DoEndClip() = 0;
  // Called only for visible dots and rings with lineWidth < diameter (0 asks for the thinnest).
  virtual void DoDot(const Coord& centre, int32_t diameter) = 0;
  virtual void DoRing(const Coord& centre, int32_t lineWidth, int32_t diameter) = 0;
  virtual void DoDrawCharacter(const CharacterSpec& character) = 0;

 private:
  // The square reaching `reach` map units around centre overlaps the clip rectangle (strictly).
  bool SquareVisible(const Coord& centre, int32_t reach) const;

  OutputState state_;
  std::vector<Coord> path_;
  bool overflowed_ = false;
  int clipDepth_ = 0;
};

// Line styles read from files may hold anything; unknown ones draw as style 0.
int NormalizeLineStyle(int style);

}  // namespace zelk
