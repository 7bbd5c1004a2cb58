// The DOS (OEM) code page of older DXF texts beside the map's own Western code page.
#pragma once

#include <string>

namespace zelk {

// OEM (code page 850) text to map text; characters the map's code page lacks become '?'.
std::string OemToMapText(const std::string& oem);
// Map text to OEM; characters the OEM page lacks become '?'.
std::string MapTextToOem(const std::string& text);
// UTF-8 text to map text, with the DXF escapes \U+XXXX taken as the characters they name.
std::string DxfUnicodeToMapText(const std::string& utf8);

}  // namespace zelk
