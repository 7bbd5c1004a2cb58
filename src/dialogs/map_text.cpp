// Map texts to Qt strings and back through the code page table of the storage layer.
#include "dialogs/map_text.h"

#include <QList>
#include <array>

#include "storage/text_format.h"

namespace zelk {

namespace {

// The characters of bytes 0x80..0x9F, the only ones that differ from their byte value.
const std::array<char16_t, 32>& HighCharacters() {
  static const std::array<char16_t, 32> table = [] {
    std::array<char16_t, 32> t{};
    std::string bytes;
    for (int b = 0x80; b < 0xA0; ++b) bytes += static_cast<char>(b);
    const std::u32string wide = Cp1252ToUnicode(bytes);
    for (size_t k = 0; k < t.size(); ++k)
      t[k] =
          wide[k] == U'\uFFFD' ? static_cast<char16_t>(0x80 + k) : static_cast<char16_t>(wide[k]);
    return t;
  }();
  return table;
}

}  // namespace

QString MapTextToQt(const std::string& text) {
  const auto& high = HighCharacters();
  QString out;
  out.reserve(static_cast<qsizetype>(text.size()));
  for (const char ch : text) {
    const auto b = static_cast<unsigned char>(ch);
    out += QChar(b >= 0x80 && b < 0xA0 ? high[b - 0x80] : static_cast<char16_t>(b));
  }
  return out;
}

std::string QtToMapText(const QString& text) {
  const auto& high = HighCharacters();
  std::string out;
  out.reserve(static_cast<size_t>(text.size()));
  for (const char32_t c : text.toUcs4()) {
    if (c < 0x80 || (c >= 0xA0 && c < 0x100)) {
      out += static_cast<char>(c);
      continue;
    }
    char mapped = '?';
    for (size_t k = 0; k < high.size(); ++k)
      if (high[k] == c) mapped = static_cast<char>(0x80 + k);
    out += mapped;
  }
  return out;
}

}  // namespace zelk
