// The fonts check over a range of the symbol table.
#include "render/fonts_check.h"

#include <algorithm>

#include "render/text_symbol.h"
#include "storage/text_format.h"

namespace zelk {

std::vector<std::string> FontsCheck(std::span<const SymbolRecord> symbols, int first, int last,
                                    FontService& fonts) {
  std::vector<std::string> lines;
  const int begin = std::max(first, 0);
  const int end = std::min(last, static_cast<int>(symbols.size()));
  for (int i = begin; i < end; ++i) {
    const SymbolRecord& sym = symbols[static_cast<size_t>(i)];
    // A damaged record is drawn in the default symbol's font, so its own names do not matter.
    const std::optional<TextSymbolFields> read =
        sym.IsLineText() ? ReadLineTextSymbol(sym) : ReadTextSymbol(sym);
    if (!read) continue;
    const TextSymbolFields& f = *read;
    std::vector<std::string> names{Cp1252ToUtf8(f.font.name)};
    if (f.sfOn && f.secondFont.name != f.font.name)
      names.push_back(Cp1252ToUtf8(f.secondFont.name));
    for (const std::string& name : names) {
      if (name.empty() || fonts.IsInstalled(name)) continue;
      lines.push_back("Symbol " + FormatSymbolNumber(sym.Number()) + ": " + name);
    }
  }
  return lines;
}

}  // namespace zelk
