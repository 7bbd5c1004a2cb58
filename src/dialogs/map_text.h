// The one conversion between texts stored in a map (single-byte Windows-1252) and Qt strings.
#pragma once

#include <QString>
#include <string>

namespace zelk {

// Every byte has a character, so that a text shown and handed back unchanged keeps its bytes;
// the five bytes the code page leaves unassigned stand for the control characters of their value.
QString MapTextToQt(const std::string& text);
// Characters the code page has no place for become '?'.
std::string QtToMapText(const QString& text);

}  // namespace zelk
