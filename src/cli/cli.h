// zelk-cli: batch operations on maps without a window.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace zelk {

class FontService;

// Runs one command line (without the program name); returns the exit code. Texts are measured
// and drawn with `fonts`, the tool's one font service; without it a command that draws opens
// the system's fonts itself.
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
           FontService* fonts = nullptr);

}  // namespace zelk
