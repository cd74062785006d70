#include "tidewell/transfer/url_parts.h"

#include <cctype>

namespace tidewell {
namespace {

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

UrlService ServiceOf(std::string_view scheme) {
  if (EqualsNoCase(scheme, "http")) return UrlService::Http;
  if (EqualsNoCase(scheme, "https")) return UrlService::Https;
  if (EqualsNoCase(scheme, "ftp")) return UrlService::Ftp;
  return UrlService::Other;
}

uint16_t DefaultPort(UrlService service) {
  switch (service) {
    case UrlService::Http:
      return 80;
    case UrlService::Https:
      return 443;
    case UrlService::Ftp:
      return 21;
    case UrlService::Other:
      break;
  }
  return 0;
}

bool ValidScheme(std::string_view scheme) {
  if (scheme.empty() || !std::isalpha(static_cast<unsigned char>(scheme[0]))) return false;
  for (char c : scheme) {
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.')
      return false;
  }
  return true;
}

bool ValidHostChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '.' || c == '_' ||
         c == '%';
}

// Blanks and control characters never reach the wire: the list writer encodes them.
bool HasUnsafeChar(std::string_view text) {
  for (char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (u <= 0x20 || u == 0x7f) return true;
  }
  return false;
}

std::optional<uint16_t> ParsePort(std::string_view digits) {
  if (digits.empty() || digits.size() > 5) return std::nullopt;
  uint32_t value = 0;
  for (char c : digits) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
    value = value * 10 + static_cast<uint32_t>(c - '0');
  }
  if (value == 0 || value > 65535) return std::nullopt;
  return static_cast<uint16_t>(value);
}

}  // namespace

std::optional<UrlParts> ParseUrl(std::string_view address) {
  if (HasUnsafeChar(address)) return std::nullopt;
  const size_t colon = address.find("://");
  if (colon == std::string_view::npos) return std::nullopt;
  const std::string_view scheme = address.substr(0, colon);
  if (!ValidScheme(scheme)) return std::nullopt;

  std::string_view rest = address.substr(colon + 3);
  const size_t pathStart = rest.find_first_of("/?#");
  std::string_view authority = rest.substr(0, pathStart);
  std::string_view path =
      pathStart == std::string_view::npos ? std::string_view() : rest.substr(pathStart);
  const size_t fragment = path.find('#');
  if (fragment != std::string_view::npos) path = path.substr(0, fragment);

  const size_t at = authority.rfind('@');
  if (at != std::string_view::npos) authority = authority.substr(at + 1);

  UrlParts parts{};
  parts.service = ServiceOf(scheme);
  std::string_view host;
  std::string_view portText;
  bool hasPort = false;
  if (!authority.empty() && authority.front() == '[') {
    const size_t close = authority.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    host = authority.substr(1, close - 1);
    for (char c : host) {
      if (!std::isxdigit(static_cast<unsigned char>(c)) && c != ':' && c != '.')
        return std::nullopt;
    }
    const std::string_view after = authority.substr(close + 1);
    if (!after.empty()) {
      if (after.front() != ':') return std::nullopt;
      hasPort = true;
      portText = after.substr(1);
    }
  } else {
    const size_t portColon = authority.find(':');
    host = authority.substr(0, portColon);
    if (portColon != std::string_view::npos) {
      hasPort = true;
      portText = authority.substr(portColon + 1);
    }
    for (char c : host) {
      if (!ValidHostChar(c)) return std::nullopt;
    }
  }
  if (host.empty()) return std::nullopt;

  if (hasPort) {
    auto port = ParsePort(portText);
    if (!port) return std::nullopt;
    parts.port = *port;
  } else {
    parts.port = DefaultPort(parts.service);
  }
  parts.serverName = std::string(host);
  std::string object(path);
  if (object.empty() || object.front() != '/') object.insert(object.begin(), '/');
  parts.objectPath = std::move(object);
  return parts;
}

}  // namespace tidewell
