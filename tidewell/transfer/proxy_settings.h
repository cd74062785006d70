#pragma once
// The current user's proxy settings for FTP sessions, read from the user hive.
#include <string>

namespace tidewell {

// Where the settings live: the key below the user hive and its three value names.
struct ProxyRegistryNames {
  std::string key;
  std::string serverValue;
  std::string overrideValue;
  std::string enableValue;
};

// Fills proxyOut with "scheme=scheme://host:port" from the ProxyServer entry for the
// scheme (lower-cased; empty when the value names no proxy for it) and bypassOut with
// ProxyOverride as stored. Returns false, with both empty, when the key is missing or
// ProxyEnable's lowest byte is not 1.
bool ReadProxySettings(std::string& proxyOut, std::string& bypassOut, const std::string& scheme,
                       const ProxyRegistryNames& names);

// The entry for scheme in a lower-cased server list ("http=a:80;ftp=b:21"): the text
// after "scheme=" up to the next ';'. Only whole entry names count, so "sftp=" is not
// taken for "ftp=".
std::string ProxyEntryForScheme(const std::string& lowerServerList, const std::string& scheme);

}  // namespace tidewell
