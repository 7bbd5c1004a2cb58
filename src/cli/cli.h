// zelk-cli: batch operations on maps without a window.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace zelk {

// Runs one command line (without the program name); returns the exit code.
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace zelk
