// Little-endian encoding of the integers and doubles stored in map files.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

namespace zelk {

inline int16_t GetI16(const uint8_t* p) {
  return static_cast<int16_t>(static_cast<uint16_t>(p[0] | (p[1] << 8)));
}
inline int32_t GetI32(const uint8_t* p) {
  return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                              (static_cast<uint32_t>(p[2]) << 16) |
                              (static_cast<uint32_t>(p[3]) << 24));
}
inline uint32_t GetU32(const uint8_t* p) {
  return static_cast<uint32_t>(GetI32(p));
}
inline double GetF64(const uint8_t* p) {
  uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = (v << 8) | p[i];
  double d;
  std::memcpy(&d, &v, 8);
  return d;
}

inline void PutI16(uint8_t* p, int32_t v) {
  const auto u = static_cast<uint16_t>(v);
  p[0] = static_cast<uint8_t>(u);
  p[1] = static_cast<uint8_t>(u >> 8);
}
inline void PutI32(uint8_t* p, int64_t v) {
  const auto u = static_cast<uint32_t>(v);
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(u >> (8 * i));
}
inline void PutF64(uint8_t* p, double d) {
  uint64_t v;
  std::memcpy(&v, &d, 8);
  for (int i = 0; i < 8; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// A short string of `size` bytes: a length byte, then up to size-1 characters.
// A length byte larger than the field is clamped, so damaged files cannot read past it.
inline std::string GetShortString(const uint8_t* p, int size) {
  int len = p[0];
  if (len > size - 1) len = size - 1;
  return std::string(reinterpret_cast<const char*>(p + 1), static_cast<size_t>(len));
}
inline void PutShortString(uint8_t* p, int size, const std::string& s) {
  const int len = static_cast<int>(s.size()) < size - 1 ? static_cast<int>(s.size()) : size - 1;
  std::memset(p, 0, static_cast<size_t>(size));
  p[0] = static_cast<uint8_t>(len);
  std::memcpy(p + 1, s.data(), static_cast<size_t>(len));
}

}  // namespace zelk
