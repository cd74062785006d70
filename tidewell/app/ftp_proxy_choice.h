#pragma once
// Which proxy the generator's FTP jobs use: the one the user typed, or the user's own
// proxy settings.
#include <optional>
#include <string>

#include "tidewell/transfer/proxy_settings.h"

namespace tidewell {

// The key and value names of the program's string table (entries 8 to 11).
ProxyRegistryNames ProxyNamesFromStringTable();

struct FtpProxyChoice {
  std::string proxy;   // "ftp=ftp://host:port", "" for none
  std::string bypass;  // hosts reached directly
};

// With useTypedProxy, "ftp=ftp://ADDRESS:PORT" and no bypass list (the user hive is not
// read); the port must be a number from 1 to 65535, else none with the reason in error.
// Otherwise the user's settings (both empty when proxies are off or not configured).
std::optional<FtpProxyChoice> ChooseFtpProxy(bool useTypedProxy, const std::string& address,
                                             const std::string& portText, std::string* error);

}  // namespace tidewell
