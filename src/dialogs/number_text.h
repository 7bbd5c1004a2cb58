// Reading and writing the numbers of dialog fields, independent of the locale.
#pragma once

#include <cstdint>
#include <string>

namespace zelk {

// What a field's text says as a number. `isNumber` is false for anything that is not plain
// decimal notation (blanks around it allowed); a number too large for its type is still a
// number, with `value` saturated, so that it gets the range message rather than the syntax one.
struct IntegerText {
  bool isNumber = false;
  bool empty = false;
  int64_t value = 0;
};
struct RealText {
  bool isNumber = false;
  bool empty = false;
  double value = 0;
};

IntegerText ReadIntegerText(const std::string& text);
// Accepts a point as decimal separator and an exponent; rejects "inf", "nan" and hex.
RealText ReadRealText(const std::string& text);

// Fixed-point with exactly `decimals` places, but never more than 11 significant digits.
std::string FormatFixed(double value, int decimals);

// The name a message gives a field: its label's caption without accelerator marks and
// without a trailing colon ("&Line width:" names "Line width").
std::string FieldName(const std::string& labelCaption);

}  // namespace zelk
