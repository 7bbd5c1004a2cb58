// Where the program finds its shipped data and keeps its writable files and preferences.
#pragma once

#include <string>

namespace zelk {

// The folders the program uses in place of its own program folder. Environment variables
// override each choice so that tests and portable installs can redirect them.
class ProgramFolder {
 public:
  // ZELK_HOME, else the user's data folder; created when missing.
  static std::string WritableFolder();
  // The temporary working copy of the open map.
  static std::string TempMapPath();
  // ZELK_REGISTRY, else registry.reg in the user's config folder (not created here).
  static std::string RegistryFile();
  // ZELK_DATA, else "data" beside the folder of the executable, else the install prefix.
  static std::string ShippedDataFolder();
  // The symbol sets offered for new maps.
  static std::string SymbolSetFolder();
};

}  // namespace zelk
