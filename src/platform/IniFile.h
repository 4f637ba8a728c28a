#pragma once
// INI files read with the platform's profile semantics: section and key
// names compare without case and with surrounding blanks stripped, the first
// section and the first key of a name win, one pair of matching quotes around
// a value is removed, and integers are read from their leading digits.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/Machine.h"

namespace xxj {

class IniFile {
 public:
  // Reads the file through the current machine; a missing or unreadable file
  // is an empty one.
  explicit IniFile(const std::string& fileName);
  IniFile(Machine& machine, const std::string& fileName);
  // The file's bytes as they would be read from disk.
  static IniFile FromText(const std::string& bytes);

  // Every named section in file order, duplicates included.
  std::vector<std::string> SectionNames() const;
  // Key names of the first section of that name, in file order, without
  // comment lines (";") and lines that have no "=".
  std::vector<std::string> KeyNames(const std::string& section) const;
  // The value, else defaultValue (trailing spaces removed); quotes stripped.
  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& defaultValue) const;
  // The value's leading integer (decimal, or 0x/0o/0b), wrapping at 32 bits;
  // defaultValue when the key is missing or its value empty.
  int32_t ReadInteger(const std::string& section, const std::string& key,
                      int32_t defaultValue) const;

 private:
  IniFile() = default;
  void Parse(const std::string& bytes);

  struct Entry {
    std::u16string name;
    std::optional<std::u16string> value;  // none for a line without "="
  };
  struct Section {
    std::u16string name;
    std::vector<Entry> entries;
  };
  const Entry* Find(const std::string& section, const std::string& key) const;

  std::vector<Section> sections_;
};

}  // namespace xxj
