#include "exchange/code_pages.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "storage/text_format.h"

namespace zelk {

namespace {

constexpr std::array<char32_t, 128> kOem850 = {
    0xc7,   0xfc,   0xe9,   0xe2,   0xe4,   0xe0,   0xe5,   0xe7,   0xea,   0xeb,   0xe8,   0xef,
    0xee,   0xec,   0xc4,   0xc5,   0xc9,   0xe6,   0xc6,   0xf4,   0xf6,   0xf2,   0xfb,   0xf9,
    0xff,   0xd6,   0xdc,   0xf8,   0xa3,   0xd8,   0xd7,   0x192,  0xe1,   0xed,   0xf3,   0xfa,
    0xf1,   0xd1,   0xaa,   0xba,   0xbf,   0xae,   0xac,   0xbd,   0xbc,   0xa1,   0xab,   0xbb,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0xc1,   0xc2,   0xc0,   0xa9,   0x2563, 0x2551, 0x2557,
    0x255d, 0xa2,   0xa5,   0x2510, 0x2514, 0x2534, 0x252c, 0x251c, 0x2500, 0x253c, 0xe3,   0xc3,
    0x255a, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256c, 0xa4,   0xf0,   0xd0,   0xca,   0xcb,
    0xc8,   0x131,  0xcd,   0xce,   0xcf,   0x2518, 0x250c, 0x2588, 0x2584, 0xa6,   0xcc,   0x2580,
    0xd3,   0xdf,   0xd4,   0xd2,   0xf5,   0xd5,   0xb5,   0xfe,   0xde,   0xda,   0xdb,   0xd9,
    0xfd,   0xdd,   0xaf,   0xb4,   0xad,   0xb1,   0x2017, 0xbe,   0xb6,   0xa7,   0xf7,   0xb8,
    0xb0,   0xa8,   0xb7,   0xb9,   0xb3,   0xb2,   0x25a0, 0xa0};

void AppendUtf8(char32_t c, std::string* out) {
  if (c < 0x80) {
    *out += static_cast<char>(c);
  } else if (c < 0x800) {
    *out += static_cast<char>(0xc0 | (c >> 6));
    *out += static_cast<char>(0x80 | (c & 0x3f));
  } else if (c < 0x10000) {
    *out += static_cast<char>(0xe0 | (c >> 12));
    *out += static_cast<char>(0x80 | ((c >> 6) & 0x3f));
    *out += static_cast<char>(0x80 | (c & 0x3f));
  } else {
    *out += static_cast<char>(0xf0 | (c >> 18));
    *out += static_cast<char>(0x80 | ((c >> 12) & 0x3f));
    *out += static_cast<char>(0x80 | ((c >> 6) & 0x3f));
    *out += static_cast<char>(0x80 | (c & 0x3f));
  }
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string OemToMapText(const std::string& oem) {
  std::string utf8;
  utf8.reserve(oem.size());
  for (const char ch : oem) {
    const auto b = static_cast<unsigned char>(ch);
    AppendUtf8(b < 128 ? char32_t{b} : kOem850[b - 128], &utf8);
  }
  return Utf8ToCp1252(utf8);
}

std::string MapTextToOem(const std::string& text) {
  const std::u32string wide = Cp1252ToUnicode(text);
  std::string out;
  out.reserve(wide.size());
  for (const char32_t c : wide) {
    if (c < 128) {
      out += static_cast<char>(c);
      continue;
    }
    char found = '?';
    for (size_t i = 0; i < kOem850.size(); ++i)
      if (kOem850[i] == c) {
        found = static_cast<char>(128 + i);
        break;
      }
    out += found;
  }
  return out;
}

std::string DxfUnicodeToMapText(const std::string& utf8) {
  std::string plain;
  plain.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size(); ++i) {
    if (i + 7 <= utf8.size() && utf8.compare(i, 3, "\\U+") == 0) {
      char32_t c = 0;
      bool ok = true;
      for (size_t k = i + 3; k < i + 7; ++k) {
        const int v = HexValue(utf8[k]);
        if (v < 0) ok = false;
        c = c * 16 + static_cast<char32_t>(std::max(v, 0));
      }
      if (ok) {
        AppendUtf8(c, &plain);
        i += 6;
        continue;
      }
    }
    plain += utf8[i];
  }
  return Utf8ToCp1252(plain);
}

}  // namespace zelk
