// The fonts check: which fonts named by text and line text symbols are not installed.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "render/font_service.h"
#include "storage/records.h"

namespace zelk {

// For the symbols at indices first..last-1 (clamped to the table): every text and line text
// symbol's font, and its second font when that is on, looked up among the installed fonts.
// Each missing name gives a line "Symbol 101.5: FontName" (names as UTF-8), in symbol order.
// Empty names are not fonts and are left out; a second font of the same name as the first is
// reported once.
std::vector<std::string> FontsCheck(std::span<const SymbolRecord> symbols, int first, int last,
                                    FontService& fonts);

}  // namespace zelk
