#include "tidewell/transfer/url_parts.h"

#include <curl/curl.h>

#include <cctype>
#include <memory>
#include <string>

namespace tidewell {
namespace {

using UrlHandle = std::unique_ptr<CURLU, decltype(&curl_url_cleanup)>;
using CurlText = std::unique_ptr<char, decltype(&curl_free)>;

UrlService ServiceOf(const std::string& scheme) {
  // libcurl gives the scheme in lower case.
  if (scheme == "http") return UrlService::Http;
  if (scheme == "https") return UrlService::Https;
  if (scheme == "ftp") return UrlService::Ftp;
  return UrlService::Other;
}

// A part of the address, or none when it has none.
std::optional<std::string> Part(CURLU* url, CURLUPart part, unsigned flags = 0) {
  char* text = nullptr;
  if (curl_url_get(url, part, &text, flags) != CURLUE_OK || text == nullptr) return std::nullopt;
  const CurlText owned(text, curl_free);
  return std::string(owned.get());
}

bool HoldsControlOrBlank(std::string_view text) {
  for (const char c : text)
    if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7f) return true;
  return false;
}

// libcurl lets an empty port ("host:/") and port 0 stand; neither can be connected to.
bool EmptyOrZeroPort(std::string_view address) {
  const size_t start = address.find("://");
  const size_t end = address.find_first_of("/?#", start + 3);
  std::string_view authority = address.substr(start + 3, end - (start + 3));
  authority = authority.substr(
      authority.rfind('@') == std::string_view::npos ? 0 : authority.rfind('@') + 1);
  const size_t bracket = authority.rfind(']');
  const size_t colon = authority.rfind(':');
  if (colon == std::string_view::npos || (bracket != std::string_view::npos && colon < bracket))
    return false;
  return authority.find_first_not_of('0', colon + 1) == std::string_view::npos;
}

}  // namespace

std::optional<UrlParts> ParseUrl(std::string_view address) {
  // libcurl is kinder than a connection can be: a scheme must start with a letter and a
  // host must follow "://" at once (it would take "http:///x" as host x).
  const size_t separator = address.find("://");
  if (address.empty() || HoldsControlOrBlank(address) || separator == std::string_view::npos ||
      !std::isalpha(static_cast<unsigned char>(address.front())) ||
      address.substr(separator + 3, 1) == "/" || EmptyOrZeroPort(address))
    return std::nullopt;
  const UrlHandle url(curl_url(), curl_url_cleanup);
  if (!url) return std::nullopt;
  const std::string text(address);
  if (curl_url_set(url.get(), CURLUPART_URL, text.c_str(), CURLU_NON_SUPPORT_SCHEME) != CURLUE_OK)
    return std::nullopt;

  const auto scheme = Part(url.get(), CURLUPART_SCHEME);
  auto host = Part(url.get(), CURLUPART_HOST);
  if (!scheme || !host || host->empty()) return std::nullopt;
  // IPv6 addresses come without their brackets.
  if (host->size() > 2 && host->front() == '[' && host->back() == ']')
    host = host->substr(1, host->size() - 2);

  UrlParts parts;
  parts.service = ServiceOf(*scheme);
  parts.serverName = *host;
  const auto port = Part(url.get(), CURLUPART_PORT, CURLU_DEFAULT_PORT);
  parts.port = port ? static_cast<uint16_t>(std::stoul(*port)) : 0;
  if (parts.service == UrlService::Other && !Part(url.get(), CURLUPART_PORT)) parts.port = 0;
  // libcurl always gives a path starting with '/'.
  parts.objectPath = Part(url.get(), CURLUPART_PATH).value_or("/");
  if (const auto query = Part(url.get(), CURLUPART_QUERY))
    parts.objectPath.append("?").append(*query);
  return parts;
}

}  // namespace tidewell
