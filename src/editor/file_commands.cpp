// The File menu's commands.
#include "editor/file_commands.h"

#include <filesystem>
#include <span>

#include "editor/document_dialogs.h"
#include "render/fonts_check.h"

namespace zelk {

void FileCommands::StartUp(const std::vector<std::string>& arguments) {
  // The file is the user's: it is neither replaced by the defaults nor silently ignored.
  if (c_.registry && c_.registry->Unreadable() && c_.sink)
    c_.sink->Error(
        ComposeMessage("Cannot read from", c_.registry->Path()) +
        "\r\nThe preferences in it are kept as they are; this run uses the default preferences.");
  c_.doc.Start(arguments);
  if (!c_.doc.IsOpen()) return;
  CheckFonts();
  const std::filesystem::path folder = std::filesystem::path(c_.doc.Name()).parent_path();
  std::error_code ec;
  if (!folder.empty() && std::filesystem::is_directory(folder, ec))
    std::filesystem::current_path(folder, ec);
}

void FileCommands::CheckFonts() {
  if (!c_.doc.IsOpen() || !c_.fonts || !c_.dialogs) return;
  MapStore& s = c_.Store();
  if (s.SymbolCount() == 0) return;
  const std::vector<std::string> missing =
      FontsCheck(std::span<const SymbolRecord>(&s.Symbol(0), static_cast<size_t>(s.SymbolCount())),
                 0, s.SymbolCount(), *c_.fonts);
  if (!missing.empty()) c_.dialogs->FontsNotFound(missing);
}

void FileCommands::New() {
  if (!c_.doc.Close() || !c_.dialogs) return;
  const auto chosen = c_.dialogs->ChooseSymbolSet();
  if (!chosen) return;
  bool ok;
  {
    WaitCursor wait(c_.window);
    ok = c_.doc.NewMap(*chosen);
  }
  if (ok) CheckFonts();
}

void FileCommands::Open() {
  if (!c_.chooser) return;
  std::string start = "*.zkm";
  if (!c_.doc.Name().empty())
    start = (std::filesystem::path(c_.doc.Name()).parent_path() / "*.zkm").string();
  const auto chosen = c_.chooser->ChooseFile(kOpenFilter, "zkm", start, help::kOpen, false);
  if (!chosen) return;
  OpenRequested(*chosen);
}

void FileCommands::OpenRequested(const std::string& path) {
  if (!c_.doc.Close()) return;
  bool ok;
  {
    WaitCursor wait(c_.window);
    ok = c_.doc.OpenByName(path);
  }
  if (ok) CheckFonts();
}

void FileCommands::OpenRecent(int n) {
  bool ok;
  {
    WaitCursor wait(c_.window);
    ok = c_.doc.OpenRecent(n);
  }
  if (ok) CheckFonts();
}

void FileCommands::Save() {
  c_.doc.Save();
}
void FileCommands::SaveAs() {
  c_.doc.SaveAs();
}

void FileCommands::Information() {
  if (!c_.doc.IsOpen() || !c_.dialogs) return;
  const auto text = c_.dialogs->EditInformation(c_.doc.InfoText());
  if (text) c_.doc.SetInfoText(*text);
}

void FileCommands::PrintWindow() {
  if (!c_.doc.IsOpen()) return;
  Document& doc = c_.doc;
  c_.window.StartWindowRectangle(
      [&doc] {
        const SetupBlock& s = doc.Store().Setup();
        return Box{s.PrintLeft(), s.PrintBottom(), s.PrintRight(), s.PrintTop()};
      },
      [&doc](const Box& b) {
        SetupBlock& s = doc.Store().MutableSetup();
        // A frame put back where it was is no change to the map.
        if (s.PrintLeft() == b.left && s.PrintBottom() == b.bottom && s.PrintRight() == b.right &&
            s.PrintTop() == b.top)
          return;
        s.SetPrintLeft(b.left);
        s.SetPrintBottom(b.bottom);
        s.SetPrintRight(b.right);
        s.SetPrintTop(b.top);
        doc.Store().SetModified(true);
      },
      help::kPrintWindow);
}

void FileCommands::Exit() {
  c_.window.CloseWindow();
}

std::vector<std::string> FileCommands::SessionEnding(const std::string& program) {
  std::vector<std::string> command{program};
  if (c_.doc.IsOpen() && !c_.doc.Name().empty()) command.push_back(c_.doc.Name());
  if (c_.registry) {
    std::string line = "\"" + program + "\"";
    if (command.size() > 1) line += " " + command[1];
    c_.registry->SetString("Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce", "ZelkStart",
                           line);
    c_.registry->Save();
  }
  return command;
}

}  // namespace zelk
