// Number text for files and the Windows-1252 conversion of map texts.
#include "storage/text_format.h"

#include <charconv>
#include <cmath>
#include <cstdint>

namespace zelk {

namespace {
// Code points of 0x80..0x9F; 0 marks the five unassigned bytes.
constexpr char32_t kHigh[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}
}  // namespace

std::string FormatNumber(double value, int decimals, int minDecimals) {
  if (!std::isfinite(value)) return "0";
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
  if (r.ec != std::errc()) return "0";
  std::string s(buf, r.ptr);
  const size_t point = s.find('.');
  if (point != std::string::npos) {
    size_t keep = s.size();
    while (keep > point + 1 + static_cast<size_t>(minDecimals) && s[keep - 1] == '0') --keep;
    if (keep == point + 1) --keep;
    s.resize(keep);
  }
  if (s == "-0") s = "0";
  return s;
}

std::string FormatSymbolNumber(int stored) {
  const int sign = stored < 0 ? -1 : 1;
  const int a = stored * sign;
  return (sign < 0 ? "-" : "") + std::to_string(a / 10) + "." + std::to_string(a % 10);
}

int ParseSymbolNumber(const std::string& text) {
  std::string t = text;
  for (char& c : t)
    if (c == ',') c = '.';
  double v = 0;
  const auto r = std::from_chars(t.data(), t.data() + t.size(), v);
  if (r.ec != std::errc() || r.ptr != t.data() + t.size()) return 0;
  const long stored = std::lround(v * 10);
  if (stored < 1 || stored > 9999 || std::fabs(v * 10 - static_cast<double>(stored)) > 1e-6)
    return 0;
  return static_cast<int>(stored);
}

std::u32string Cp1252ToUnicode(const std::string& s) {
  std::u32string out;
  out.reserve(s.size());
  for (unsigned char c : s) {
    // The five bytes the code page leaves free stand for the control characters of the same
    // number, as on Windows, so that every byte survives a round trip.
    if (c >= 0x80 && c < 0xA0)
      out += kHigh[c - 0x80] ? kHigh[c - 0x80] : static_cast<char32_t>(c);
    else
      out += static_cast<char32_t>(c);
  }
  return out;
}

std::string Cp1252ToUtf8(const std::string& s) {
  std::string out;
  for (char32_t c : Cp1252ToUnicode(s)) AppendUtf8(out, c);
  return out;
}

std::string Utf8ToCp1252(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size();) {
    const auto b = static_cast<unsigned char>(s[i]);
    char32_t c = 0;
    int len = 1;
    if (b < 0x80)
      c = b;
    else if ((b >> 5) == 6) {
      c = b & 0x1F;
      len = 2;
    } else if ((b >> 4) == 14) {
      c = b & 0x0F;
      len = 3;
    } else if ((b >> 3) == 30) {
      c = b & 0x07;
      len = 4;
    } else {
      out += '?';
      ++i;
      continue;
    }
    if (i + static_cast<size_t>(len) > s.size()) {
      out += '?';
      break;
    }
    bool ok = true;
    for (int k = 1; k < len; ++k) {
      const auto cb = static_cast<unsigned char>(s[i + static_cast<size_t>(k)]);
      if ((cb >> 6) != 2) ok = false;
      c = (c << 6) | (cb & 0x3F);
    }
    i += static_cast<size_t>(ok ? len : 1);
    if (!ok) {
      out += '?';
      continue;
    }
    const int byte = UnicodeToCp1252Byte(c);
    out += byte < 0 ? '?' : static_cast<char>(byte);
  }
  return out;
}

int UnicodeToCp1252Byte(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c < 0x100)) return static_cast<int>(c);
  for (int k = 0; k < 32; ++k)
    if (kHigh[k] == c || (kHigh[k] == 0 && c == static_cast<char32_t>(0x80 + k))) return 0x80 + k;
  return -1;
}

}  // namespace zelk
