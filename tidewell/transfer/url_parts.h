#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tidewell {

enum class UrlService { Http, Https, Ftp, Other };

// The pieces of an address the transfer layer connects with.
struct UrlParts {
  UrlService service;
  std::string serverName;  // host name or address; IPv6 addresses without brackets
  std::string objectPath;  // path and query, always starting with '/'
  uint16_t port;           // explicit, or the service's default
};

// Splits "scheme://[user[:password]@]host[:port][/path]". Empty when the address is
// not of that shape (no scheme, empty host, bad port, control characters or blanks).
// The user part is accepted and dropped.
std::optional<UrlParts> ParseUrl(std::string_view address);

}  // namespace tidewell
