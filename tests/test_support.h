// Helpers shared by the tests: temporary folders, scripted message sinks, file bytes.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "storage/messages.h"

namespace zelk {

class TempDir {
 public:
  TempDir() {
    std::string templ = (std::filesystem::temp_directory_path() / "zelk-test-XXXXXX").string();
    path_ = ::mkdtemp(templ.data());
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  std::string Path(const std::string& name = {}) const {
    return name.empty() ? path_ : (std::filesystem::path(path_) / name).string();
  }

 private:
  std::string path_;
};

// Records every message; answers questions from a script (default: Yes / OK).
class RecordingSink : public MessageSink {
 public:
  std::vector<std::string> errors, confirms, questions;
  std::deque<Answer> answers;
  std::deque<bool> confirmAnswers;
  void Error(const std::string& m, int) override { errors.push_back(m); }
  bool Confirm(const std::string& m, int) override {
    confirms.push_back(m);
    if (confirmAnswers.empty()) return true;
    bool a = confirmAnswers.front();
    confirmAnswers.pop_front();
    return a;
  }
  Answer Ask(const std::string& m, int) override {
    questions.push_back(m);
    if (answers.empty()) return Answer::Yes;
    Answer a = answers.front();
    answers.pop_front();
    return a;
  }
};

inline void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

inline std::vector<uint8_t> ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

}  // namespace zelk
