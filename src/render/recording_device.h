// An output device that keeps every primitive reaching it, to check the renderer's geometry.
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include "render/output_device.h"

namespace zelk {

struct RecordedCall {
  enum class Kind { Color, Stroke, Fill, Clip, EndClip, Dot, Ring, Character };
  Kind kind = Kind::Color;
  std::vector<Coord> path;  // Stroke, Fill, Clip: the points handed over
  int32_t width = 0;        // Stroke: line width; Ring: line width
  int style = 0;            // Stroke: line style; Fill: fill style
  Coord centre;             // Dot, Ring
  int32_t diameter = 0;     // Dot, Ring
  CharacterSpec character;  // Character
  // The colour in force at the call.
  int passColor = 0;
  bool alternative = false;
  Rgb color;
};

// Fill and clip results can be scripted to drive the callers' subdivision; by default every fill
// succeeds and every clip clips. The shared checks of OutputDevice still apply: a fill of 129
// points fails without being recorded, a dot outside the clip rectangle is not recorded.
class RecordingDevice : public OutputDevice {
 public:
  explicit RecordingDevice(const OutputState& state = {}) : OutputDevice(state) {}

  std::vector<RecordedCall> calls;
  std::deque<bool> fillResults;
  std::deque<ClipResult> clipResults;

  std::vector<RecordedCall> Of(RecordedCall::Kind kind) const;
  void Clear() { calls.clear(); }

 protected:
  void ColorChanged() override;
  void DoStroke(std::span<const Coord> path, int32_t width, int style) override;
  bool DoFill(std::span<const Coord> path, int style) override;
  ClipResult DoClip(std::span<const Coord> path) override;
  void DoEndClip() override;
  void DoDot(const Coord& centre, int32_t diameter) override;
  void DoRing(const Coord& centre, int32_t lineWidth, int32_t diameter) override;
  void DoDrawCharacter(const CharacterSpec& character) override;

 private:
  RecordedCall& Add(RecordedCall::Kind kind);
};

}  // namespace zelk
