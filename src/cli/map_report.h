// What zelk-cli info prints: a summary for people and the whole map as JSON.
#pragma once

#include <ostream>

#include "storage/document.h"

namespace zelk {

void WriteMapSummary(Document& doc, const std::string& path, std::ostream& out);
void WriteMapJson(Document& doc, std::ostream& out);

}  // namespace zelk
