// zelk-cli commands over the whole map: transforms, changes by symbol, optimize, partial maps,
// conversion of older formats, backup and restore.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace zelk {

// The names of these commands.
const std::vector<std::string>& MapCommandNames();
// Runs one of them (args[0] is its name); returns the exit code.
int RunMapCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
// Their usage lines.
void MapCommandUsage(std::ostream& err);

}  // namespace zelk
