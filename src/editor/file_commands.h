// The commands of the File menu: new, open, save, information, the print window, recent maps.
#pragma once

#include <string>
#include <vector>

#include "editor/command_context.h"

namespace zelk {

class FileCommands {
 public:
  explicit FileCommands(CommandContext& c) : c_(c) {}

  void New();
  void Open();
  void Save();
  void SaveAs();
  void Information();
  // The window rectangle of the print window, kept in the map's settings.
  void PrintWindow();
  void OpenRecent(int n);  // 1..5
  void Exit();
  // Once the window is shown: says if the preferences could not be read, offers an aborted
  // session back, opens the map of the command line or the last one.
  void StartUp(const std::vector<std::string>& arguments);
  // A map handed over by a second start of the program.
  void OpenRequested(const std::string& path);
  // The command line that starts the program again with the open map; also written as the
  // "ZelkStart" run-once value.
  std::vector<std::string> SessionEnding(const std::string& program);
  // After a map or symbols came in: tells about fonts the symbols use and the system lacks.
  void CheckFonts();

 private:
  CommandContext& c_;
};

}  // namespace zelk
