#pragma once
// Read-only registry lookups over .reg text files: the machine hive is the file named by
// TIDEWELL_HKLM (default /etc/corvane/machine.reg), the user hive the one named by
// TIDEWELL_HKCU (default $HOME/.config/corvane/user.reg). A missing file is an empty hive.
// Keys are given without the hive prefix, e.g. "SOFTWARE\\Corvane\\Leafline" (single
// backslashes in the C++ string). Key and value names compare case-blind.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tidewell/platform/registry_file.h"

namespace tidewell {

enum class Hive { LocalMachine, CurrentUser };

// The .reg file that holds a hive (after the environment is applied).
std::string HiveFilePath(Hive hive);

// The hive's contents, read afresh from its file.
RegistryFile LoadHive(Hive hive);

bool RegKeyExists(Hive hive, const std::string& key);
// Text of a string or expandable-string value (not expanded); none for other kinds.
std::optional<std::string> RegReadString(Hive hive, const std::string& key,
                                         const std::string& valueName);
std::optional<uint32_t> RegReadDword(Hive hive, const std::string& key,
                                     const std::string& valueName);
// Every readable value of the key, in file order; empty when the key is absent.
std::vector<RegValue> RegEnumValues(Hive hive, const std::string& key);

}  // namespace tidewell
