// Edits of the colour table and of the separations.
#include "storage/color_table.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

#include "storage/messages.h"

namespace zelk {

RgbPercent CmykToRgb(const CmykPercent& v) {
  return {std::max(0.0, 100 - v.c - v.k), std::max(0.0, 100 - v.m - v.k),
          std::max(0.0, 100 - v.y - v.k)};
}

CmykPercent RgbToCmyk(const RgbPercent& v) {
  const double c = 100 - v.r, m = 100 - v.g, y = 100 - v.b;
  const double k = std::min({c, m, y});
  return {c - k, m - k, y - k, k};
}

uint8_t PercentToByte(double percent) {
  const double v = std::nearbyint(percent * 2);
  return static_cast<uint8_t>(std::clamp(v, 0.0, 200.0));
}

void NormalizeCounts(SymbolHeader& h) {
  if (h.colorCount < 1 || h.colorCount > kMaxColors) h.colorCount = 1;
  h.separationCount = static_cast<int16_t>(std::clamp<int>(h.separationCount, 0, kMaxSeparations));
}

int NewColorNumber(const SymbolHeader& h, const ColorSet& symbolColors) {
  ColorSet taken;
  const int count = std::clamp<int>(h.colorCount, 0, kMaxColors);
  for (int i = 0; i < count; ++i) taken.Add(h.colors[static_cast<size_t>(i)].colorNumber);
  int fallback = -1;
  for (int step = 0; step < 256; ++step) {
    const int n = step < 255 ? step + 1 : 0;
    if (taken.Has(n)) continue;
    if (!symbolColors.Has(n)) return n;
    if (fallback < 0) fallback = n;
  }
  return fallback;
}

int InsertColor(SymbolHeader& h, int current, const ColorSet& symbolColors) {
  NormalizeCounts(h);
  if (h.colorCount >= kMaxColors) return -1;
  const int number = NewColorNumber(h, symbolColors);
  if (number < 0) return -1;
  const int at = std::clamp(current + 1, 0, static_cast<int>(h.colorCount));
  for (int i = h.colorCount; i > at; --i)
    h.colors[static_cast<size_t>(i)] = h.colors[static_cast<size_t>(i - 1)];
  h.colors[static_cast<size_t>(at)] = ColorRecord::NewColor(static_cast<int16_t>(number), "");
  ++h.colorCount;
  return at;
}

bool DeleteColor(SymbolHeader& h, int* current) {
  NormalizeCounts(h);
  if (h.colorCount < 2 || *current < 0 || *current >= h.colorCount) return false;
  for (int i = *current; i + 1 < h.colorCount; ++i)
    h.colors[static_cast<size_t>(i)] = h.colors[static_cast<size_t>(i + 1)];
  --h.colorCount;
  h.colors[static_cast<size_t>(h.colorCount)] = ColorRecord{};
  *current = std::max(0, *current - 1);
  return true;
}

bool MoveColor(SymbolHeader& h, int index, int direction) {
  const int other = index + direction;
  if (index < 0 || index >= h.colorCount || other < 0 || other >= h.colorCount) return false;
  std::swap(h.colors[static_cast<size_t>(index)], h.colors[static_cast<size_t>(other)]);
  return true;
}

int AppendSeparation(SymbolHeader& h) {
  NormalizeCounts(h);
  if (h.separationCount >= kMaxSeparations) return -1;
  const int at = h.separationCount++;
  h.separations[static_cast<size_t>(at)] = SeparationRecord{};
  for (ColorRecord& c : h.colors) c.separations[static_cast<size_t>(at)] = 255;
  return at;
}

void DeleteSeparation(SymbolHeader& h, int* current) {
  NormalizeCounts(h);
  const int n = h.separationCount;
  if (*current < 0 || *current >= n) return;
  for (int i = *current; i + 1 < n; ++i) {
    h.separations[static_cast<size_t>(i)] = h.separations[static_cast<size_t>(i + 1)];
    for (ColorRecord& c : h.colors)
      c.separations[static_cast<size_t>(i)] = c.separations[static_cast<size_t>(i + 1)];
  }
  h.separations[static_cast<size_t>(n - 1)] = SeparationRecord{};
  for (ColorRecord& c : h.colors) c.separations[static_cast<size_t>(n - 1)] = 255;
  h.separationCount = static_cast<int16_t>(n - 1);
  *current = std::max(0, *current - 1);
  if (h.separationCount == 0) *current = AppendSeparation(h);
}

std::string SeparationName(const std::string& typed) {
  size_t start = typed.find_first_not_of(' ');
  if (start == std::string::npos) return {};
  std::string s = typed.substr(start, 15);
  for (size_t i = 0; i < s.size(); ++i) {
    const auto ch = static_cast<unsigned char>(s[i]);
    s[i] = static_cast<char>(i == 0 ? std::toupper(ch) : std::tolower(ch));
  }
  return s;
}

std::string SeparationShareText(uint8_t value) {
  if (value > 200) return {};
  char buf[16];
  if (value % 2)
    std::snprintf(buf, sizeof buf, "%d.5", value / 2);
  else
    std::snprintf(buf, sizeof buf, "%d", value / 2);
  return buf;
}

ShareCell ReadSeparationShare(const std::string& text) {
  const size_t a = text.find_first_not_of(" \t");
  if (a == std::string::npos) return {uint8_t{255}, {}};
  const size_t b = text.find_last_not_of(" \t");
  const std::string t = text.substr(a, b - a + 1);
  // Plain decimal notation with a point, as the dialogs' numeric fields take it.
  bool digits = false, point = false, ok = true;
  for (size_t i = 0; i < t.size() && ok; ++i) {
    const char ch = t[i];
    if (ch >= '0' && ch <= '9')
      digits = true;
    else if (ch == '.' && !point)
      point = true;
    else if (!((ch == '+' || ch == '-') && i == 0))
      ok = false;
  }
  if (!ok || !digits)
    return {std::nullopt, ComposeMessage(";must be a number.", "Color separation")};
  const double v = std::strtod(t.c_str(), nullptr);
  if (v < 0 || v > 100)
    return {std::nullopt, ComposeMessage(";must be between;and", "Color separation;0;100;%")};
  return {PercentToByte(v), {}};
}

}  // namespace zelk
