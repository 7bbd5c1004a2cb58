#include "cli/cli_document.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace zelk {

namespace fs = std::filesystem;

void CliSink::Error(const std::string& m, int) {
  std::string text = m;
  for (size_t at; (at = text.find("\r\n")) != std::string::npos;) text.replace(at, 2, " ");
  while (!text.empty() && text.back() == ' ') text.pop_back();
  err_ << text << "\n";
  failed = true;
}

std::string PrivateTempPath() {
  std::error_code ec;
  const fs::path dir = fs::temp_directory_path(ec);
  std::string name = (dir / "zelk-cli-XXXXXX").string();
  const int fd = ::mkstemp(name.data());
  if (fd < 0) return (dir / ("zelk-cli-" + std::to_string(::getpid()) + ".~km")).string();
  ::close(fd);
  return name;
}

bool IsSameFile(const std::string& output, const std::string& input) {
  std::error_code ec;
  if (!fs::exists(output, ec) || !fs::exists(input, ec)) return false;
  return fs::equivalent(output, input, ec);
}

CliDocument::CliDocument(std::ostream& err, Answer answer)
    : sink(err, answer), temp(PrivateTempPath()), doc(&sink, &prefs, nullptr, temp) {
  prefs.autoSave = false;
}

CliDocument::~CliDocument() {
  doc.Store().CloseWorkingFile();
  std::error_code ec;
  fs::remove(temp, ec);
  fs::remove(doc.OwnerPath(), ec);
}

bool CliDocument::Open(const std::string& map, std::ostream& err) {
  if (doc.OpenByName(map)) return true;
  if (!sink.failed) err << "Cannot open " << map << "\n";
  return false;
}

}  // namespace zelk
