// Reading and writing the registry file: export syntax in, export syntax out.
#include "storage/registry_store.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string_view>
#include <utility>

#include "storage/buffered_file.h"

namespace zelk {
namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
constexpr std::string_view kOldHeader = "REGEDIT4";
constexpr std::string_view kHive = "HKEY_CURRENT_USER\\";
// Far beyond any real preferences file; refusing larger files keeps a damaged one from
// exhausting memory.
constexpr int64_t kMaxFileSize = 16 * 1024 * 1024;

char Lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

bool StartsWithText(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && SameText(s.substr(0, prefix.size()), prefix);
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) {
    s.remove_suffix(1);
  }
  return s;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = Lower(c);
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// A key path is usable when it has no empty component and nothing that would break a line.
bool ValidKeyPath(std::string_view path) {
  if (path.empty() || path.front() == '\\' || path.back() == '\\') return false;
  for (size_t i = 0; i < path.size(); ++i) {
    const char c = path[i];
    if (c == '\r' || c == '\n' || c == '\0') return false;
    if (c == '\\' && path[i + 1] == '\\') return false;
  }
  return true;
}

// Reads a quoted text at the start of s; on success s is left after the closing quote.
// Besides the export escapes \\ and \" we write \n and \r so that every value stays on one line.
std::optional<std::string> TakeQuoted(std::string_view& s) {
  if (s.empty() || s.front() != '"') return std::nullopt;
  std::string out;
  for (size_t i = 1; i < s.size(); ++i) {
    const char c = s[i];
    if (c == '"') {
      s.remove_prefix(i + 1);
      return out;
    }
    if (c != '\\') {
      out += c;
      continue;
    }
    if (++i >= s.size()) return std::nullopt;
    switch (s[i]) {
      case '\\':
        out += '\\';
        break;
      case '"':
        out += '"';
        break;
      case 'n':
        out += '\n';
        break;
      case 'r':
        out += '\r';
        break;
      default:
        return std::nullopt;
    }
  }
  return std::nullopt;
}

std::string Quote(std::string_view s) {
  std::string out = "\"";
  for (const char c : s) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '"':
        out += "\\\"";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        out += c;
    }
  }
  out += '"';
  return out;
}

std::optional<uint32_t> ParseDword(std::string_view digits) {
  if (digits.empty() || digits.size() > 8) return std::nullopt;
  uint32_t v = 0;
  for (const char c : digits) {
    const int d = HexDigit(c);
    if (d < 0) return std::nullopt;
    v = (v << 4) | static_cast<uint32_t>(d);
  }
  return v;
}

// hex:00,ff or hex(7):41,00 — the other binary export types, kept but never interpreted.
bool ValidHexData(std::string_view s) {
  if (!StartsWithText(s, "hex")) return false;
  s.remove_prefix(3);
  if (!s.empty() && s.front() == '(') {
    const size_t close = s.find(')');
    if (close == std::string_view::npos || close == 1 || close > 9) return false;
    for (size_t i = 1; i < close; ++i) {
      if (HexDigit(s[i]) < 0) return false;
    }
    s.remove_prefix(close + 1);
  }
  if (s.empty() || s.front() != ':') return false;
  s.remove_prefix(1);
  if (s.empty()) return true;
  for (;;) {
    if (s.size() < 2 || HexDigit(s[0]) < 0 || HexDigit(s[1]) < 0) return false;
    s.remove_prefix(2);
    if (s.empty()) return true;
    if (s.front() != ',') return false;
    s.remove_prefix(1);
  }
}

}  // namespace

RegistryStore::RegistryStore(std::string path) : path_(std::move(path)) {}

RegistryStore::Key* RegistryStore::FindKey(const std::string& path) {
  for (Key& k : keys_) {
    if (SameText(k.path, path)) return &k;
  }
  return nullptr;
}

const RegistryStore::Key* RegistryStore::FindKey(const std::string& path) const {
  for (const Key& k : keys_) {
    if (SameText(k.path, path)) return &k;
  }
  return nullptr;
}

RegistryStore::Entry& RegistryStore::Slot(const std::string& key, const std::string& name) {
  Key* k = FindKey(key);
  if (!k) {
    keys_.push_back(Key{key, {}});
    k = &keys_.back();
  }
  for (Entry& e : k->entries) {
    if (SameText(e.name, name)) return e;
  }
  k->entries.push_back(Entry{name, Kind::String, {}, 0});
  return k->entries.back();
}

std::optional<RegValue> RegistryStore::Get(const std::string& key, const std::string& name) const {
  const Key* k = FindKey(key);
  if (!k) return std::nullopt;
  for (const Entry& e : k->entries) {
    if (!SameText(e.name, name)) continue;
    switch (e.kind) {
      case Kind::String:
        return RegValue{RegType::String, e.text, 0};
      case Kind::Dword:
        return RegValue{RegType::Dword, {}, e.dword};
      case Kind::Other:
        return std::nullopt;
    }
  }
  return std::nullopt;
}

void RegistryStore::SetString(const std::string& key, const std::string& name,
                              const std::string& value) {
  if (!ValidKeyPath(key)) return;
  Entry& e = Slot(key, name);
  e.kind = Kind::String;
  e.text = value;
  e.dword = 0;
}

void RegistryStore::SetDword(const std::string& key, const std::string& name, uint32_t value) {
  if (!ValidKeyPath(key)) return;
  Entry& e = Slot(key, name);
  e.kind = Kind::Dword;
  e.text.clear();
  e.dword = value;
}

void RegistryStore::Parse(const std::string& text) {
  keys_.clear();
  sawHeader_ = false;
  std::vector<std::string_view> lines;
  std::string_view rest = text;
  if (rest.starts_with("\xEF\xBB\xBF")) rest.remove_prefix(3);
  while (!rest.empty()) {
    const size_t nl = rest.find('\n');
    lines.push_back(rest.substr(0, nl));
    if (nl == std::string_view::npos) break;
    rest.remove_prefix(nl + 1);
  }

  // Values that follow a section we cannot use must not land in the key before it.
  std::string current;
  bool haveKey = false;
  for (size_t li = 0; li < lines.size(); ++li) {
    std::string_view line = Trim(lines[li]);
    if (line.empty() || line.front() == ';') continue;
    if (line == kHeader || line == kOldHeader) {
      sawHeader_ = true;
      continue;
    }

    if (line.front() == '[') {
      haveKey = false;
      const size_t close = line.rfind(']');
      if (close == std::string_view::npos || !Trim(line.substr(close + 1)).empty()) continue;
      std::string_view inside = line.substr(1, close - 1);
      if (!StartsWithText(inside, kHive)) continue;  // other hives and deletions
      inside.remove_prefix(kHive.size());
      if (!ValidKeyPath(inside)) continue;
      current.assign(inside);
      haveKey = true;
      if (!FindKey(current)) keys_.push_back(Key{current, {}});
      continue;
    }

    std::string name;
    if (line.front() == '@') {
      line.remove_prefix(1);
    } else {
      std::optional<std::string> quoted = TakeQuoted(line);
      if (!quoted) continue;
      name = std::move(*quoted);
    }
    line = Trim(line);
    if (line.empty() || line.front() != '=') continue;
    line = Trim(line.substr(1));

    // Binary types may run over several lines, each but the last ending in a backslash.
    std::string joined;
    if (StartsWithText(line, "hex")) {
      std::string_view piece = line;
      while (!piece.empty() && piece.back() == '\\' && li + 1 < lines.size()) {
        piece.remove_suffix(1);
        joined += Trim(piece);
        piece = Trim(lines[++li]);
      }
      joined += piece;
    }
    if (!haveKey || line.empty()) continue;

    if (line.front() == '"') {
      std::optional<std::string> value = TakeQuoted(line);
      if (!value || !Trim(line).empty()) continue;
      SetString(current, name, *value);
    } else if (StartsWithText(line, "dword:")) {
      const std::optional<uint32_t> v = ParseDword(Trim(line.substr(6)));
      if (!v) continue;
      SetDword(current, name, *v);
    } else if (!joined.empty() && ValidHexData(joined)) {
      Entry& e = Slot(current, name);
      e.kind = Kind::Other;
      e.text = joined;
      e.dword = 0;
    }
  }
}

std::string RegistryStore::Serialize() const {
  std::string out(kHeader);
  out += "\n";
  for (const Key& k : keys_) {
    out += "\n[";
    out += kHive;
    out += k.path;
    out += "]\n";
    for (const Entry& e : k.entries) {
      out += e.name.empty() ? std::string("@") : Quote(e.name);
      out += '=';
      switch (e.kind) {
        case Kind::String:
          out += Quote(e.text);
          break;
        case Kind::Dword: {
          char buf[16];
          std::snprintf(buf, sizeof buf, "dword:%08x", static_cast<unsigned>(e.dword));
          out += buf;
          break;
        }
        case Kind::Other:
          out += e.text;
          break;
      }
      out += '\n';
    }
  }
  return out;
}

bool RegistryStore::Load() {
  unreadable_ = false;
  std::error_code ec;
  const auto status = std::filesystem::status(path_, ec);
  if (status.type() == std::filesystem::file_type::not_found) {
    keys_.clear();
    return true;
  }
  unreadable_ = true;
  if (ec) return false;
  try {
    BufferedFile file;
    file.OpenForReading(path_);
    const int64_t size = file.Size();
    if (size > kMaxFileSize) return false;
    std::string text(static_cast<size_t>(size), '\0');
    text.resize(static_cast<size_t>(file.ReadUpTo(text.data(), size)));
    file.Close();
    Parse(text);
    // Text that is not an export file (another encoding, another program's file) is not ours
    // to overwrite with defaults.
    if (!sawHeader_ && text.find_first_not_of(" \t\r\n") != std::string::npos) {
      keys_.clear();
      return false;
    }
    unreadable_ = false;
    return true;
  } catch (const FileError&) {
    return false;
  }
}

bool RegistryStore::Save() const {
  if (unreadable_) return false;
  std::error_code ec;
  const std::filesystem::path target(path_);
  if (target.has_parent_path()) std::filesystem::create_directories(target.parent_path(), ec);
  const std::string temp = path_ + ".~tmp";
  const std::string text = Serialize();
  BufferedFile file;
  try {
    file.Create(temp);
    file.Write(text.data(), static_cast<int64_t>(text.size()));
    file.SyncToDisk();
    file.Close();
  } catch (const FileError&) {
    file.Close();
    ::unlink(temp.c_str());
    return false;
  }
  if (std::rename(temp.c_str(), path_.c_str()) != 0) {
    ::unlink(temp.c_str());
    return false;
  }
  return true;
}

}  // namespace zelk
