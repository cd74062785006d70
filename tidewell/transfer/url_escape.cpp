#include "tidewell/transfer/url_escape.h"

#include <curl/curl.h>

#include <climits>
#include <memory>

namespace tidewell {

std::string UrlBelow(const std::string& baseUrl, const std::string& relativePath) {
  std::string url = baseUrl;
  size_t start = 0;
  for (;;) {
    const size_t slash = relativePath.find('/', start);
    const std::string segment = relativePath.substr(start, slash - start);
    if (segment.size() > INT_MAX) return "";
    const std::unique_ptr<char, decltype(&curl_free)> escaped(
        curl_easy_escape(nullptr, segment.data(), static_cast<int>(segment.size())), curl_free);
    if (!escaped) return "";
    url += escaped.get();
    if (slash == std::string::npos) return url;
    url += '/';
    start = slash + 1;
  }
}

}  // namespace tidewell
