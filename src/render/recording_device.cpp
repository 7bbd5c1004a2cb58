// The recording output device.
#include "render/recording_device.h"

namespace zelk {

std::vector<RecordedCall> RecordingDevice::Of(RecordedCall::Kind kind) const {
  std::vector<RecordedCall> result;
  for (const RecordedCall& c : calls) {
    if (c.kind == kind) result.push_back(c);
  }
  return result;
}

RecordedCall& RecordingDevice::Add(RecordedCall::Kind kind) {
  RecordedCall& c = calls.emplace_back();
  c.kind = kind;
  c.passColor = State().passColor;
  c.alternative = State().useAlternative;
  c.color = State().DrawRgb();
  return c;
}

void RecordingDevice::ColorChanged() {
  Add(RecordedCall::Kind::Color);
}

void RecordingDevice::DoStroke(std::span<const Coord> path, int32_t width, int style) {
  RecordedCall& c = Add(RecordedCall::Kind::Stroke);
  c.path.assign(path.begin(), path.end());
  c.width = width;
  c.style = style;
}

bool RecordingDevice::DoFill(std::span<const Coord> path, int style) {
  RecordedCall& c = Add(RecordedCall::Kind::Fill);
  c.path.assign(path.begin(), path.end());
  c.style = style;
  if (fillResults.empty()) return true;
  bool r = fillResults.front();
  fillResults.pop_front();
  return r;
}

ClipResult RecordingDevice::DoClip(std::span<const Coord> path) {
  RecordedCall& c = Add(RecordedCall::Kind::Clip);
  c.path.assign(path.begin(), path.end());
  if (clipResults.empty()) return ClipResult::Clipped;
  ClipResult r = clipResults.front();
  clipResults.pop_front();
  return r;
}

void RecordingDevice::DoEndClip() {
  Add(RecordedCall::Kind::EndClip);
}

void RecordingDevice::DoDot(const Coord& centre, int32_t diameter) {
  RecordedCall& c = Add(RecordedCall::Kind::Dot);
  c.centre = centre;
  c.diameter = diameter;
}

void RecordingDevice::DoRing(const Coord& centre, int32_t lineWidth, int32_t diameter) {
  RecordedCall& c = Add(RecordedCall::Kind::Ring);
  c.centre = centre;
  c.width = lineWidth;
  c.diameter = diameter;
}

void RecordingDevice::DoDrawCharacter(const CharacterSpec& character) {
  RecordedCall& c = Add(RecordedCall::Kind::Character);
  c.character = character;
}

}  // namespace zelk
