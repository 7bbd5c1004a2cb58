// The map-to-device transform of the work window, and of printers and bitmaps at a resolution.
#pragma once

#include <cstdint>

#include "render/device_path.h"
#include "render/output_device.h"
#include "storage/coord.h"

namespace zelk {

// Owned by the work window; the inputs are the pixel densities, client size, zoom and centre.
struct ViewTransform {
  int logPixelsX = 96;  // LOGPIXELSX of the display
  int logPixelsY = 96;  // LOGPIXELSY
  int clientWidth = 0;
  int clientHeight = 0;
  double zoom = 1.0;    // device pixels per 32 map units vertically
  int32_t centreX = 0;  // view centre, coordinate words
  int32_t centreY = 0;

  // Results of SetViewTransform.
  double scaleX = 1.0 / 256;  // device units per coordinate word
  double scaleY = -1.0 / 256;
  int32_t originX = 0;  // coordinate words at device (0, 0): left and top of the view
  int32_t originY = 0;
  Box visible;                  // coordinate words
  int32_t curveTolerance = 4;   // map units (four device units)
  int32_t pickTolerance = 128;  // coordinate words (three device units)
  int32_t scrollX = 0;          // scroll bar positions, steps of 100 map units
  int32_t scrollY = 0;

  // Recomputes the results; the zoom is raised so that the view spans at most 400000 map units
  // and the centre is kept so that the view stays within +-200000 map units.
  void SetViewTransform();
  // The one place where window pixels and coordinate words meet. Positions are whole map
  // units: the flag bytes are cleared on the way in and on the way out.
  DevicePoint MapToDevice(const Coord& c) const;
  Coord DeviceToMap(DevicePoint p) const;
  // One axis at a time, unrounded, for grid lines and rulers.
  double DeviceX(double wordsX) const { return (wordsX - originX) * scaleX; }
  double DeviceY(double wordsY) const { return (wordsY - originY) * scaleY; }
  double WordsX(double deviceX) const { return originX + deviceX / scaleX; }
  double WordsY(double deviceY) const { return originY + deviceY / scaleY; }

  // Copies scales, origin and curve tolerance into an output state; the clip rectangle becomes
  // the visible rectangle.
  void ApplyTo(OutputState& state) const;
};

// Printers and bitmaps: dotsPerInch / 2540 device units per map unit times factor (map scale
// over print scale), y downwards, with topLeft (coordinate words) at device (0, 0).
void SetResolutionTransform(OutputState& state, double dotsPerInch, double factor, int32_t originX,
                            int32_t originY);

}  // namespace zelk
