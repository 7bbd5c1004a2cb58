// Choosing the program's folders from the environment, the user's home and the executable.
#include "storage/program_folder.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace zelk {
namespace {

// Unset and empty variables count alike, as the XDG base directory rules have it.
std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::string(v) : std::string();
}

// An XDG folder variable is used only when it is absolute; relative values are invalid.
std::string UserFolder(const char* xdgVariable, const char* homeRelative) {
  const std::string xdg = Env(xdgVariable);
  if (!xdg.empty() && xdg.front() == '/') return xdg;
  const std::string home = Env("HOME");
  return (home.empty() ? std::string(".") : home) + "/" + homeRelative;
}

bool IsFolder(const std::filesystem::path& p) {
  std::error_code ec;
  return std::filesystem::is_directory(p, ec);
}

}  // namespace

std::string ProgramFolder::WritableFolder() {
  std::string folder = Env("ZELK_HOME");
  if (folder.empty()) folder = UserFolder("XDG_DATA_HOME", ".local/share") + "/zelk";
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  return folder;
}

std::string ProgramFolder::TempMapPath() {
  return WritableFolder() + "/temp.~km";
}

std::string ProgramFolder::RegistryFile() {
  const std::string file = Env("ZELK_REGISTRY");
  if (!file.empty()) return file;
  return UserFolder("XDG_CONFIG_HOME", ".config") + "/zelk/registry.reg";
}

std::string ProgramFolder::ShippedDataFolder() {
  const std::string data = Env("ZELK_DATA");
  if (!data.empty()) return data;
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (!ec && exe.has_parent_path()) {
    // bin/zelk beside data/ in an install prefix, or a program in a build folder below the
    // source tree: the nearest folder above the program that holds data/SYMBOL.
    std::filesystem::path dir = exe.parent_path();
    for (int up = 0; up < 5 && dir.has_parent_path() && dir != dir.parent_path(); ++up) {
      dir = dir.parent_path();
      if (IsFolder(dir / "data" / "SYMBOL")) return (dir / "data").string();
    }
  }
#ifdef ZELK_INSTALL_DATA_DIR
  return ZELK_INSTALL_DATA_DIR;
#else
  return "data";
#endif
}

std::string ProgramFolder::SymbolSetFolder() {
  return ShippedDataFolder() + "/SYMBOL";
}

}  // namespace zelk
