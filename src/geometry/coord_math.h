// Rounding with clamps, rotation, nearness, midpoints, angles and the fast length of points.
#pragma once

#include <cstdint>
#include <span>

#include "storage/coord.h"

namespace zelk {

// x-word flag of the single control point of a three-point curve.
constexpr int32_t kSingleCurvePoint = 8;
// All x-word bits that mark curve control points.
constexpr int32_t kCurveFlags = kFirstCurvePoint | kSecondCurvePoint | kSingleCurvePoint;

// Clamp range of values that become coordinate words.
constexpr int32_t kMinCoordWord = -1073741824;  // -2^30
constexpr int32_t kMaxCoordWord = 1073741823;   // 2^30 - 1
// The largest word that is a whole map unit (flag byte clear): 2^30 - 256.
constexpr int32_t kMaxPositionWord = kMaxCoordWord & ~0xFF;
// Clamp range of device coordinates and pixel sizes.
constexpr int32_t kMinDevice = -32764;
constexpr int32_t kMaxDevice = 32767;
// Longest point list RotatePoints is meant for (the callers' work buffers).
constexpr int kMaxRotatedPoints = 8000;

namespace rounding {
// Below 2^51 in magnitude, adding 1.5 * 2^52 leaves no bits for fractions: the addition itself
// rounds to the nearest integer with halves to even (the floating-point environment's rounding,
// which nothing in the program changes), and the subtraction is exact. No library call, so the
// rounding of every device point inlines to two additions.
constexpr double kShift = 6755399441055744.0;  // 1.5 * 2^52
constexpr double kSmall = 2251799813685248.0;  // 2^51

inline double RoundSmall(double r) {
  return (r + kShift) - kShift;
}

// The nearest integer with halves to even, clamped to [lo, hi] (whole numbers within the 32-bit
// range); NaN gives the value nearest to 0.
inline int32_t RoundClamped(double r, double lo, double hi) {
  // Rounding keeps order and the bounds are whole: clamping first gives the same result.
  if (r > lo && r < hi) return static_cast<int32_t>(RoundSmall(r));
  if (r >= hi) return static_cast<int32_t>(hi);
  if (r <= lo) return static_cast<int32_t>(lo);
  return static_cast<int32_t>(lo > 0 ? lo : hi < 0 ? hi : 0);
}
}  // namespace rounding

// Rounds to the nearest integer with halves to even; NaN gives 0.
double RoundHalfEvenLarge(double r);
inline double RoundHalfEven(double r) {
  if (r > -rounding::kSmall && r < rounding::kSmall) return rounding::RoundSmall(r);
  return RoundHalfEvenLarge(r);
}
// RoundHalfEven, clamped to the 32-bit range.
inline int32_t RoundToInt(double r) {
  return rounding::RoundClamped(r, -2147483648.0, 2147483647.0);
}
// Real to device coordinate: nearest integer, clamped to -32764..32767.
inline int32_t RoundToDevice(double r) {
  return rounding::RoundClamped(r, kMinDevice, kMaxDevice);
}
// Real to coordinate word: nearest integer, clamped to -2^30..2^30-1.
inline int32_t RoundToCoord(double r) {
  return rounding::RoundClamped(r, kMinCoordWord, kMaxCoordWord);
}
// A real word value rounded to the nearest whole map unit, so that the flag byte is 0, and
// clamped like RoundToCoord. Used for every derived position, so that rounding never
// spills into the flag byte.
inline int32_t RoundToPosition(double word) {
  // The largest whole-unit word in range is 2^30 - 256.
  return rounding::RoundClamped(word / 256.0, kMinCoordWord / 256, kMaxCoordWord / 256) * 256;
}
// Clamps an exact integer word value into the coordinate range; values above it become the last
// whole map unit, so that a clamped position gains no flags.
int32_t ClampCoord(int64_t word);

inline int32_t PosWord(int32_t word) {
  return word & kPosMask;
}
inline int32_t FlagByte(int32_t word) {
  return word & kFlagMask;
}
// A position word (flag byte ignored) with the given flag byte.
inline int32_t WithFlags(int32_t word, int32_t flags) {
  return (word & kPosMask) | (flags & kFlagMask);
}
inline Coord PosOnly(Coord p) {
  return {p.x & kPosMask, p.y & kPosMask};
}

// Object and symbol angles are in tenths of a degree.
double AngleToRadians(int angleTenths);

// Turns n points about (cx, cy) by the rotation (cos, sin); flag bytes stay with their points.
// dst may be src. Negative n does nothing.
void RotatePoints(int32_t cx, int32_t cy, const Coord* src, int n, double cos, double sin,
                  Coord* dst);
// The same turn in the opposite sense.
void RotatePointsBack(int32_t cx, int32_t cy, const Coord* src, int n, double cos, double sin,
                      Coord* dst);
// Span forms: turn min(src.size(), dst.size()) points.
void RotatePoints(int32_t cx, int32_t cy, std::span<const Coord> src, double cos, double sin,
                  std::span<Coord> dst);
void RotatePointsBack(int32_t cx, int32_t cy, std::span<const Coord> src, double cos, double sin,
                      std::span<Coord> dst);

// Moves points by (dx, dy) words (flag bytes of the vector ignored); each point keeps its flags.
void MovePoints(std::span<Coord> points, int32_t dx, int32_t dy);

// Both axes within d on whole words.
bool PointsNear(Coord p, Coord q, int64_t d);
// Both axes within d map units, flag bytes masked.
bool PointsNearUnits(Coord p, Coord q, int64_t d);

// (p div 2) + (q div 2) per coordinate, truncating toward zero.
inline Coord MidPoint(Coord p, Coord q) {
  return {p.x / 2 + q.x / 2, p.y / 2 + q.y / 2};
}

// Euclidean distance between the raw words.
double Distance(Coord p, Coord q);

// The angle by which an upright element must be turned to point from p to q; 0 when the
// points are within 3 map units of each other.
double VectorAngle(Coord p, Coord q);

// The fast length in map units: max(|dx|, |dy|) + min(|dx|, |dy|) div 2, on whole units.
// Every spacing along lines is measured with it.
int32_t SegmentLength(Coord p, Coord q);

}  // namespace zelk
