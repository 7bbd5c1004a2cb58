// Locale-independent number text of dialog fields.
#include "dialogs/number_text.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>

namespace zelk {

namespace {
std::string Trim(const std::string& s) {
  const char* blanks = " \t\r\n";
  const size_t a = s.find_first_not_of(blanks);
  if (a == std::string::npos) return {};
  const size_t b = s.find_last_not_of(blanks);
  return s.substr(a, b - a + 1);
}
}  // namespace

IntegerText ReadIntegerText(const std::string& text) {
  IntegerText out;
  std::string t = Trim(text);
  out.empty = t.empty();
  bool negative = false;
  if (!t.empty() && (t[0] == '+' || t[0] == '-')) {
    negative = t[0] == '-';
    t.erase(0, 1);
  }
  if (t.empty()) return out;
  for (char c : t)
    if (c < '0' || c > '9') return out;
  out.isNumber = true;
  uint64_t v = 0;
  const auto r = std::from_chars(t.data(), t.data() + t.size(), v);
  constexpr uint64_t kLimit = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
  if (r.ec == std::errc::result_out_of_range || v > kLimit) v = kLimit;
  out.value = negative ? -static_cast<int64_t>(v) : static_cast<int64_t>(v);
  return out;
}

RealText ReadRealText(const std::string& text) {
  RealText out;
  std::string t = Trim(text);
  out.empty = t.empty();
  bool negative = false;
  if (!t.empty() && (t[0] == '+' || t[0] == '-')) {
    negative = t[0] == '-';
    t.erase(0, 1);
  }
  // Only digits, one point and an exponent: from_chars alone would also take "inf" and "nan".
  if (t.empty() || !(std::isdigit(static_cast<unsigned char>(t[0])) || t[0] == '.')) return out;
  for (char c : t)
    if (!std::isdigit(static_cast<unsigned char>(c)) && c != '.' && c != 'e' && c != 'E' &&
        c != '+' && c != '-')
      return out;
  double v = 0;
  const auto r = std::from_chars(t.data(), t.data() + t.size(), v, std::chars_format::general);
  if (r.ptr != t.data() + t.size()) return out;
  if (r.ec == std::errc::result_out_of_range) {
    // Either far too large or too small to matter; the exponent's sign tells which.
    const bool tiny = t.find("e-") != std::string::npos || t.find("E-") != std::string::npos;
    v = tiny ? 0.0 : std::numeric_limits<double>::max();
  } else if (r.ec != std::errc()) {
    return out;
  }
  out.isNumber = true;
  out.value = negative ? -v : v;
  return out;
}

std::string FormatFixed(double value, int decimals) {
  if (!std::isfinite(value)) value = 0;
  if (decimals < 0) decimals = 0;
  if (decimals > 11) decimals = 11;
  const double whole = std::floor(std::fabs(value));
  const int intDigits = whole < 1 ? 1 : static_cast<int>(std::floor(std::log10(whole))) + 1;
  if (intDigits + decimals > 11) decimals = std::max(0, 11 - intDigits);
  char buf[400];
  const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
  std::string s(buf, r.ptr);
  // A negative value that rounds to zero is shown without its sign.
  if (!s.empty() && s[0] == '-' && s.find_first_not_of("-0.") == std::string::npos) s.erase(0, 1);
  return s;
}

std::string FieldName(const std::string& labelCaption) {
  std::string name;
  for (size_t i = 0; i < labelCaption.size(); ++i) {
    if (labelCaption[i] == '&') {
      if (i + 1 < labelCaption.size() && labelCaption[i + 1] == '&') name += '&', ++i;
      continue;
    }
    name += labelCaption[i];
  }
  while (!name.empty() && name.back() == ' ') name.pop_back();
  if (!name.empty() && name.back() == ':') name.pop_back();
  while (!name.empty() && name.back() == ' ') name.pop_back();
  return name;
}

}  // namespace zelk
