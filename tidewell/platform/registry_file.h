#pragma once
// Parsed contents of one .reg text file ("Windows Registry Editor Version 5.00" or
// "REGEDIT4"). String, dword: and hex(2): values are kept; other kinds are passed over.
// A malformed line is skipped with one warning on standard error.
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "tidewell/platform/ascii_case.h"

namespace tidewell {

struct RegValue {
  enum class Kind { String, ExpandString, Dword };
  std::string name;  // as written; "" for the default value (@)
  Kind kind = Kind::String;
  std::string text;  // String and ExpandString, UTF-8
  uint32_t dword = 0;
};

struct RegKey {
  std::string path;  // full path with the long root name, e.g. HKEY_LOCAL_MACHINE\SOFTWARE\X
  std::vector<RegValue> values;
  std::unordered_map<std::string, size_t, NoCaseHash, NoCaseEqual> valueIndex;  // name -> values[i]
};

class RegistryFile {
 public:
  // Parses the raw bytes of a file; sourceName only labels warnings.
  static RegistryFile Parse(std::string_view bytes, const std::string& sourceName);
  // Reads and parses a file; a missing file gives an empty registry without a warning.
  static RegistryFile Load(const std::string& path);

  // Full key path with its root ("HKEY_LOCAL_MACHINE\\SOFTWARE\\X" or "HKLM\\SOFTWARE\\X").
  // A key exists when it has a section of its own or lies above one.
  bool KeyExists(std::string_view fullPath) const;
  const RegKey* FindKey(std::string_view fullPath) const;
  const RegValue* FindValue(std::string_view fullPath, std::string_view valueName) const;

  const std::vector<RegKey>& Keys() const { return keys_; }
  int WarningCount() const { return warnings_; }

 private:
  std::vector<RegKey> keys_;
  std::unordered_map<std::string, size_t, NoCaseHash, NoCaseEqual> index_;
  int warnings_ = 0;
};

// Canonical form of a key path: long root name, single separators, no trailing separator.
std::string NormalizeRegKeyPath(std::string_view path);

}  // namespace tidewell
