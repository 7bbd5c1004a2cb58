// zelk-cli output commands: export-eps, print, export-pdf and export-svg.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace zelk {

class FontService;

// Each returns the exit code; 2 asks the caller to show the usage.
int CmdExportEps(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                 FontService* fonts);
int CmdPrint(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
             FontService* fonts);
// export-pdf (pdf) and export-svg.
int CmdExportVector(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                    FontService* fonts, bool pdf);

}  // namespace zelk
