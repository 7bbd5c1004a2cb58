// The element list of a point symbol being edited, worked on with the engine's object calls.
#pragma once

#include <cstdint>
#include <vector>

#include "storage/messages.h"
#include "storage/records.h"

namespace zelk {

// Object numbers used by the element list while a point symbol is edited.
constexpr int16_t kElementSymbolBase = 32752;
constexpr int kElementListUnits = 512;

// Element n (1-based) reads as an object: kind k becomes symbol 32752 + k, line elements
// type 2, area elements type 3, circles and dots type 1; colour, line width, flags and diameter
// go to object offsets 8, 10, 12 and 14.
class EditedElementList {
 public:
  explicit EditedElementList(MessageSink* sink) : sink_(sink) {}

  // Takes the elements of a symbol (at most 512 units).
  void Assign(const std::vector<uint8_t>& elements);
  const std::vector<uint8_t>& Bytes() const { return bytes_; }
  std::vector<uint8_t> Take() { return std::move(bytes_); }

  int32_t Count() const { return static_cast<int32_t>(Offsets().size()); }
  bool Read(int32_t n, ObjectRecord* obj) const;
  // Appends; "Symbol is too complex." when the element would not fit.
  bool Add(const ObjectRecord& obj);
  bool Delete(int32_t n);
  bool Replace(int32_t n, const ObjectRecord& obj);
  // The next element after *current (wrapping) whose box meets `rect` in `color` (-1: any).
  bool FindNext(const Box& rect, int32_t stop, int color, int32_t* current, int16_t* symbol,
                bool* done) const;

 private:
  std::vector<size_t> Offsets() const;
  bool InRange(int32_t n, size_t count) const;
  static std::vector<uint8_t> Encode(const ObjectRecord& obj);

  MessageSink* sink_;
  std::vector<uint8_t> bytes_;
};

}  // namespace zelk
