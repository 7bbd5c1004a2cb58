// Locale-independent number text and the single-byte code page of map texts.
#pragma once

#include <string>

namespace zelk {

// Fixed-point notation with a point as decimal separator, at most `decimals` places,
// trailing zeros kept to `minDecimals`. Halves round to even. Never depends on the locale.
std::string FormatNumber(double value, int decimals = 6, int minDecimals = 0);

// Symbol numbers as the user sees them: 1012 is "101.2".
std::string FormatSymbolNumber(int stored);
// Reads "101.2", "101" or "101,2"; returns 0 when the text is not a number in 0.1..999.9.
int ParseSymbolNumber(const std::string& text);

// Map texts are single-byte Western (Windows-1252) text.
std::u32string Cp1252ToUnicode(const std::string& s);
std::string Cp1252ToUtf8(const std::string& s);
// Characters without a place in the code page become '?'.
std::string Utf8ToCp1252(const std::string& s);
// The code-page byte of one character, or -1 when it has none.
int UnicodeToCp1252Byte(char32_t c);

}  // namespace zelk
