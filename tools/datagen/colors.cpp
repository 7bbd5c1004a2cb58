// The colour table of the topographic set: drawing order, process colours and spot separations.
#include "datagen.h"

namespace zelk::datagen {

namespace {

enum Separation { kSepBlack, kSepBrown, kSepBlue, kSepYellow, kSepGreen, kSepCount };

struct ColourDef {
  Colour number;
  const char* name;
  uint8_t c, m, y, k;  // 0..200, half per cent
  std::initializer_list<std::pair<Separation, uint8_t>> shares;
};

}  // namespace

void SetColourTable(MapStore& store) {
  // First entry on top: the white inner dashes of the railway over its black line, black over
  // the road fills, those over contours and water, and the area tints at the bottom.
  const ColourDef table[] = {
      {kWhite, "White", 0, 0, 0, 0, {}},
      {kBlack, "Black", 0, 0, 0, 200, {{kSepBlack, 200}}},
      {kOrange, "Orange", 0, 100, 200, 0, {{kSepYellow, 200}, {kSepBrown, 100}}},
      {kYellow, "Yellow", 0, 0, 200, 0, {{kSepYellow, 200}}},
      {kBrown, "Brown", 0, 112, 200, 36, {{kSepBrown, 200}}},
      {kBlue, "Blue", 200, 50, 0, 0, {{kSepBlue, 200}}},
      {kGreen, "Green", 152, 0, 182, 0, {{kSepGreen, 200}}},
      {kBlack50, "Black 50%", 0, 0, 0, 100, {{kSepBlack, 100}}},
      {kBlue50, "Blue 50%", 100, 25, 0, 0, {{kSepBlue, 100}}},
      {kGreen60, "Green 60%", 91, 0, 109, 0, {{kSepGreen, 120}}},
      {kGreen30, "Green 30%", 46, 0, 55, 0, {{kSepGreen, 60}}},
      {kYellow50, "Yellow 50%", 0, 0, 100, 0, {{kSepYellow, 100}}},
      {kBrown20, "Brown 20%", 0, 22, 40, 7, {{kSepBrown, 40}}},
  };
  SymbolHeader& h = store.MutableColors();
  h.colorCount = 0;
  for (const ColourDef& d : table) {
    ColorRecord r = ColorRecord::NewColor(d.number, d.name);
    r.cmyk = {d.c, d.m, d.y, d.k};
    for (const auto& [sep, share] : d.shares) r.separations[static_cast<size_t>(sep)] = share;
    h.colors[static_cast<size_t>(h.colorCount++)] = r;
  }
  const char* separations[kSepCount] = {"Black", "Brown", "Blue", "Yellow", "Green"};
  const int16_t angles[kSepCount] = {450, 750, 150, 0, 450};
  h.separationCount = kSepCount;
  for (int i = 0; i < kSepCount; ++i) {
    SeparationRecord s;
    s.name = separations[i];
    s.frequency = 1500;
    s.angle = angles[i];
    h.separations[static_cast<size_t>(i)] = s;
  }
  for (int i = 0; i < 4; ++i) {
    h.halftoneFrequency[static_cast<size_t>(i)] = 1500;
  }
  h.halftoneAngle = {150, 750, 0, 450};
  store.WriteSymbolHeader();
}

}  // namespace zelk::datagen
