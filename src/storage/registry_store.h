// The user's registry branch kept in one text file in registry-export syntax.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zelk {

enum class RegType { String, Dword };

struct RegValue {
  RegType type = RegType::String;
  std::string text;
  uint32_t dword = 0;
};

// Holds the keys of HKEY_CURRENT_USER as an export file would show them, so that value types
// survive a round trip. Keys are paths like "Software\\Zelk\\Zelk\\Startup" without the hive;
// keys and value names compare without regard to ASCII case, as in the registry itself.
// Keys, values and value types the program does not know are kept as they were and saved again.
class RegistryStore {
 public:
  explicit RegistryStore(std::string path);

  // A missing file is an empty store. Damaged lines are skipped; false only when the file
  // exists but cannot be read, is too large, or is no export file at all. Such a file is the
  // user's and is never replaced: Save refuses until a Load succeeds.
  bool Load();
  bool Unreadable() const { return unreadable_; }
  // Writes a temporary file beside the target and renames it over, creating the folder.
  bool Save() const;

  std::optional<RegValue> Get(const std::string& key, const std::string& name) const;
  void SetString(const std::string& key, const std::string& name, const std::string& value);
  void SetDword(const std::string& key, const std::string& name, uint32_t value);

  const std::string& Path() const { return path_; }
  std::string Serialize() const;
  // Replaces the contents by the text of an export file.
  void Parse(const std::string& text);

 private:
  // A value of another export type (hex:, hex(2): ...) is kept as its data text only.
  enum class Kind { String, Dword, Other };
  struct Entry {
    std::string name;
    Kind kind = Kind::String;
    std::string text;  // the string, or the raw data text of another type
    uint32_t dword = 0;
  };
  struct Key {
    std::string path;
    std::vector<Entry> entries;
  };

  Key* FindKey(const std::string& path);
  const Key* FindKey(const std::string& path) const;
  Entry& Slot(const std::string& key, const std::string& name);

  std::string path_;
  std::vector<Key> keys_;
  bool unreadable_ = false;
  bool sawHeader_ = false;
};

}  // namespace zelk
