// JSON strings with escapes and numbers through the program's number writer.
#include "cli/json_writer.h"

#include <cstdio>

#include "storage/text_format.h"

namespace zelk {

void JsonWriter::Number(double v, int decimals) {
  Value();
  out_ << FormatNumber(v, decimals);
}

void JsonWriter::WriteString(const std::string& s) {
  out_ << '"';
  for (unsigned char c : s) {
    switch (c) {
      case '"':
        out_ << "\\\"";
        break;
      case '\\':
        out_ << "\\\\";
        break;
      case '\n':
        out_ << "\\n";
        break;
      case '\r':
        out_ << "\\r";
        break;
      case '\t':
        out_ << "\\t";
        break;
      default:
        if (c < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          out_ << buf;
        } else {
          out_ << static_cast<char>(c);
        }
    }
  }
  out_ << '"';
}

}  // namespace zelk
