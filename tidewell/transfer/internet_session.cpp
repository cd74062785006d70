#include "tidewell/transfer/internet_session.h"

#include <curl/curl.h>

#include <algorithm>
#include <mutex>

namespace tidewell {
namespace {

std::mutex g_defaultsMutex;
InternetTimeouts g_defaults;

void InitCurlOnce() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

long Millis(std::chrono::milliseconds value) { return static_cast<long>(value.count()); }

}  // namespace

InternetTimeouts DefaultInternetTimeouts() {
  std::lock_guard<std::mutex> guard(g_defaultsMutex);
  return g_defaults;
}

void SetDefaultInternetTimeouts(const InternetTimeouts& timeouts) {
  std::lock_guard<std::mutex> guard(g_defaultsMutex);
  g_defaults = timeouts;
}

InternetSession::InternetSession(std::string agent, int context, ProxyAccess access,
                                 std::string proxy)
    : agent_(std::move(agent)),
      context_(context),
      access_(access),
      proxy_(std::move(proxy)),
      timeouts_(DefaultInternetTimeouts()) {
  InitCurlOnce();
}

void InternetSession::Configure(void* curlHandle) const {
  CURL* curl = static_cast<CURL*>(curlHandle);
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_USERAGENT, agent_.c_str());
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, Millis(timeouts_.connect));
  // A stalled server: less than one byte per second for the whole receive limit.
  const long receiveSeconds = std::max(1L, Millis(timeouts_.receive) / 1000);
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, receiveSeconds);
  switch (access_) {
    case ProxyAccess::Preconfigured:
      break;  // libcurl reads the proxy environment itself
    case ProxyAccess::Direct:
      curl_easy_setopt(curl, CURLOPT_PROXY, "");
      break;
    case ProxyAccess::Named:
      curl_easy_setopt(curl, CURLOPT_PROXY, proxy_.c_str());
      break;
  }
}

}  // namespace tidewell
