#include "tidewell/transfer/proxy_settings.h"

#include <cctype>

#include "tidewell/platform/ascii_case.h"
#include "tidewell/platform/registry.h"

namespace tidewell {
namespace {

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool SameName(const std::string& a, const std::string& b) { return Lower(a) == Lower(b); }

// The value's first data byte, as a byte-wise read of it would see it.
unsigned FirstByte(const RegValue& value) {
  if (value.kind == RegValue::Kind::Dword) return value.dword & 0xFFu;
  return value.text.empty() ? 0u : static_cast<unsigned char>(value.text.front());
}

}  // namespace

std::string ProxyEntryForScheme(const std::string& lowerServerList, const std::string& scheme) {
  const std::string pattern = scheme + "=";
  size_t found = lowerServerList.find(pattern);
  while (found != std::string::npos && found > 0) {
    const char before = lowerServerList[found - 1];
    if (before == ';' || before == ' ' || before == '\t') break;
    found = lowerServerList.find(pattern, found + 1);
  }
  if (found == std::string::npos) return "";
  const size_t start = found + pattern.size();
  const size_t end = lowerServerList.find(';', start);
  return lowerServerList.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

bool ReadProxySettings(std::string& proxyOut, std::string& bypassOut, const std::string& scheme,
                       const ProxyRegistryNames& names) {
  proxyOut.clear();
  bypassOut.clear();
  const RegistryFile hive = LoadHive(Hive::CurrentUser);
  const RegKey* key = hive.FindKey("HKEY_CURRENT_USER\\" + names.key);
  if (key == nullptr) return false;
  for (const RegValue& value : key->values) {
    if (SameName(value.name, names.enableValue)) {
      if (FirstByte(value) != 1) {
        proxyOut.clear();
        bypassOut.clear();
        return false;
      }
    } else if (SameName(value.name, names.serverValue)) {
      if (value.kind == RegValue::Kind::Dword) continue;
      const std::string entry = ProxyEntryForScheme(Lower(value.text), scheme);
      if (!entry.empty()) proxyOut = scheme + "=" + scheme + "://" + entry;
    } else if (SameName(value.name, names.overrideValue)) {
      if (value.kind != RegValue::Kind::Dword) bypassOut = value.text;
    }
  }
  return true;
}

}  // namespace tidewell
