#include "tidewell/app/ftp_proxy_choice.h"

#include "tidewell/app/string_table.h"

namespace tidewell {
namespace {

std::optional<int> PortNumber(const std::string& text) {
  if (text.empty() || text.size() > 5) return std::nullopt;
  int port = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    port = port * 10 + (c - '0');
  }
  if (port < 1 || port > 65535) return std::nullopt;
  return port;
}

}  // namespace

ProxyRegistryNames ProxyNamesFromStringTable() {
  return {LoadString(kStrProxyKey), LoadString(kStrProxyServerValue),
          LoadString(kStrProxyOverrideValue), LoadString(kStrProxyEnableValue)};
}

std::optional<FtpProxyChoice> ChooseFtpProxy(bool useTypedProxy, const std::string& address,
                                             const std::string& portText, std::string* error) {
  FtpProxyChoice choice;
  if (!useTypedProxy) {
    if (!ReadProxySettings(choice.proxy, choice.bypass, "ftp", ProxyNamesFromStringTable()))
      choice = {};
    return choice;
  }
  const auto port = PortNumber(portText);
  if (!port) {
    if (error) *error = "The proxy port must be a number from 1 to 65535.";
    return std::nullopt;
  }
  choice.proxy = "ftp=ftp://" + address + ":" + std::to_string(*port);
  return choice;
}

}  // namespace tidewell
