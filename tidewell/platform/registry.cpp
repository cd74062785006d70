#include "tidewell/platform/registry.h"

#include <cstdlib>

namespace tidewell {
namespace {

std::string EnvOr(const char* name, const std::string& fallback) {
  const char* v = std::getenv(name);
  return (v && *v) ? std::string(v) : fallback;
}

std::string RootOf(Hive hive) {
  return hive == Hive::LocalMachine ? "HKEY_LOCAL_MACHINE\\" : "HKEY_CURRENT_USER\\";
}

}  // namespace

std::string HiveFilePath(Hive hive) {
  if (hive == Hive::LocalMachine) return EnvOr("TIDEWELL_HKLM", "/etc/corvane/machine.reg");
  const char* home = std::getenv("HOME");
  std::string fallback = (home && *home) ? std::string(home) + "/.config/corvane/user.reg" : "";
  return EnvOr("TIDEWELL_HKCU", fallback);
}

RegistryFile LoadHive(Hive hive) {
  const std::string path = HiveFilePath(hive);
  return path.empty() ? RegistryFile() : RegistryFile::Load(path);
}

bool RegKeyExists(Hive hive, const std::string& key) {
  if (NormalizeRegKeyPath(key).empty()) return false;
  return LoadHive(hive).KeyExists(RootOf(hive) + key);
}

std::optional<std::string> RegReadString(Hive hive, const std::string& key,
                                         const std::string& valueName) {
  RegistryFile reg = LoadHive(hive);
  const RegValue* v = reg.FindValue(RootOf(hive) + key, valueName);
  if (!v || v->kind == RegValue::Kind::Dword) return std::nullopt;
  return v->text;
}

std::optional<uint32_t> RegReadDword(Hive hive, const std::string& key,
                                     const std::string& valueName) {
  RegistryFile reg = LoadHive(hive);
  const RegValue* v = reg.FindValue(RootOf(hive) + key, valueName);
  if (!v || v->kind != RegValue::Kind::Dword) return std::nullopt;
  return v->dword;
}

std::vector<RegValue> RegEnumValues(Hive hive, const std::string& key) {
  RegistryFile reg = LoadHive(hive);
  const RegKey* k = reg.FindKey(RootOf(hive) + key);
  return k ? k->values : std::vector<RegValue>{};
}

}  // namespace tidewell
