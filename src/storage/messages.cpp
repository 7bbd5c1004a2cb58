// Message composition and the progress throttling rules.
#include "storage/messages.h"

#include <algorithm>
#include <vector>

namespace zelk {

namespace {
std::vector<std::string> Split(const std::string& s) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    const size_t at = s.find(';', start);
    parts.push_back(s.substr(start, at == std::string::npos ? std::string::npos : at - start));
    if (at == std::string::npos) break;
    start = at + 1;
  }
  return parts;
}
}  // namespace

std::string ComposeMessage(const std::string& templ, const std::string& arg) {
  const auto t = Split(templ);
  const auto a = arg.empty() ? std::vector<std::string>{} : Split(arg);
  std::vector<std::string> pieces;
  for (size_t i = 0; i < std::max(t.size(), a.size()); ++i) {
    if (i < t.size()) pieces.push_back(t[i]);
    if (i < a.size()) pieces.push_back(a[i]);
  }
  std::string out;
  for (const auto& p : pieces) {
    if (p.empty()) continue;
    // A piece that ends a line (a path followed by CR LF) is not followed by a blank.
    if (!out.empty() && out.back() != '\n') out += ' ';
    out += p;
  }
  return out;
}

void ProgressCounter::Start(const std::string& message, int32_t total, int32_t step,
                            const std::string& lead) {
  message_ = message;
  lead_ = lead;
  total_ = total;
  step_ = std::max<int32_t>(1, step);
  shownCount_ = -1;
  lastFilled_ = -1;
}

bool ProgressCounter::CountChanged(int32_t count, int32_t current) {
  if (count % step_ != 0 && current != total_) return false;
  if (count == shownCount_) return false;
  shownCount_ = count;
  return true;
}

bool ProgressCounter::BarChanged(int32_t current, int width, int* filled) {
  const int w = total_ > 0 ? static_cast<int>(std::clamp<int64_t>(
                                 static_cast<int64_t>(current) * width / total_, 0, width))
                           : 0;
  *filled = w;
  if (w == lastFilled_) return false;
  lastFilled_ = w;
  return true;
}

std::string ProgressCounter::Text() const {
  if (shownCount_ < 0 && !lead_.empty()) return lead_;
  return ComposeMessage(message_, std::to_string(std::max<int32_t>(shownCount_, 0)));
}

}  // namespace zelk
