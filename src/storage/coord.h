// Coordinate words (position in the upper 24 bits, point flags in the lower 8) and boxes.
#pragma once

#include <algorithm>
#include <cstdint>

namespace zelk {

// Flags in the low byte of the x word.
constexpr int32_t kFirstCurvePoint = 1;
constexpr int32_t kSecondCurvePoint = 2;
constexpr int32_t kNoLeftLine = 4;
// Flags in the low byte of the y word.
constexpr int32_t kCornerPoint = 1;
constexpr int32_t kHoleStart = 2;
constexpr int32_t kNoRightLine = 4;

constexpr int32_t kFlagMask = 0xff;
constexpr int32_t kPosMask = ~0xff;

// Map units are 0.01 mm on paper; a coordinate word holds the position times 256 above its
// flag byte.
constexpr int32_t kUnitsPerMm = 100;
constexpr int32_t kWordsPerUnit = 256;
constexpr int32_t kWordsPerMm = kUnitsPerMm * kWordsPerUnit;
constexpr int32_t kUnitsPerInch = 2540;

struct Coord {
  int32_t x = 0;
  int32_t y = 0;

  int32_t PosX() const { return x >> 8; }  // map units, 0.01 mm
  int32_t PosY() const { return y >> 8; }
  int32_t XFlags() const { return x & kFlagMask; }
  int32_t YFlags() const { return y & kFlagMask; }
  bool SamePlace(const Coord& o) const {
    return (x & kPosMask) == (o.x & kPosMask) && (y & kPosMask) == (o.y & kPosMask);
  }
  static Coord FromUnits(int32_t ux, int32_t uy, int32_t xf = 0, int32_t yf = 0) {
    return {static_cast<int32_t>(static_cast<uint32_t>(ux) << 8) | (xf & kFlagMask),
            static_cast<int32_t>(static_cast<uint32_t>(uy) << 8) | (yf & kFlagMask)};
  }
  bool operator==(const Coord&) const = default;
};

// A box in shifted coordinates with flags cleared: minimum x, minimum y, maximum x, maximum y.
struct Box {
  int32_t left = 0;
  int32_t bottom = 0;
  int32_t right = 0;
  int32_t top = 0;

  bool Meets(const Box& o) const {
    return left <= o.right && o.left <= right && bottom <= o.top && o.bottom <= top;
  }
  bool Contains(const Box& o) const {
    return o.left >= left && o.right <= right && o.bottom >= bottom && o.top <= top;
  }
  void Unite(const Box& o) {
    left = std::min(left, o.left);
    bottom = std::min(bottom, o.bottom);
    right = std::max(right, o.right);
    top = std::max(top, o.top);
  }
  bool operator==(const Box&) const = default;
};

}  // namespace zelk
