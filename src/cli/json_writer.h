// A small streaming JSON writer with locale-independent numbers.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace zelk {

class JsonWriter {
 public:
  explicit JsonWriter(std::ostream& out) : out_(out) {}
  void BeginObject() {
    Value();
    out_ << '{';
    first_.push_back(true);
  }
  void EndObject() {
    first_.pop_back();
    out_ << '}';
  }
  void BeginArray() {
    Value();
    out_ << '[';
    first_.push_back(true);
  }
  void EndArray() {
    first_.pop_back();
    out_ << ']';
  }
  void Key(const std::string& k) {
    Separate();
    WriteString(k);
    out_ << ':';
    afterKey_ = true;
  }
  void String(const std::string& utf8) {
    Value();
    WriteString(utf8);
  }
  void Int(long long v) {
    Value();
    out_ << v;
  }
  void Number(double v, int decimals = 6);
  void Null() {
    Value();
    out_ << "null";
  }
  void Bool(bool v) {
    Value();
    out_ << (v ? "true" : "false");
  }

 private:
  void Separate() {
    if (!first_.empty() && !first_.back()) out_ << ',';
    if (!first_.empty()) first_.back() = false;
  }
  void Value() {
    if (afterKey_)
      afterKey_ = false;
    else
      Separate();
  }
  void WriteString(const std::string& s);

  std::ostream& out_;
  std::vector<bool> first_;
  bool afterKey_ = false;
};

}  // namespace zelk
