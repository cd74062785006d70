#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace tidewell {

// How a session reaches servers.
enum class ProxyAccess {
  Preconfigured,  // the user's own settings: the http_proxy / ftp_proxy / no_proxy environment
  Direct,         // no proxy at all
  Named,          // the proxy given to the session
};

// Limits applied to every request of a session.
struct InternetTimeouts {
  std::chrono::milliseconds connect{30000};  // to open the connection
  std::chrono::milliseconds receive{60000};  // the longest time without any data arriving
  // A body moving fewer than stallBytes in any stallWindow is dropped: a server that
  // drips a byte now and then would otherwise hold a transfer for ever.
  std::chrono::milliseconds stallWindow{60000};
  int64_t stallBytes = 1024;
};

// The process-wide defaults new sessions start with (like setting an option on no
// particular session). Tests shorten them to keep unreachable servers quick.
InternetTimeouts DefaultInternetTimeouts();
void SetDefaultInternetTimeouts(const InternetTimeouts& timeouts);

// The settings shared by the connections of one transfer job.
class InternetSession {
 public:
  InternetSession(std::string agent, int context, ProxyAccess access = ProxyAccess::Preconfigured,
                  std::string proxy = "");

  const std::string& agent() const { return agent_; }
  int context() const { return context_; }
  ProxyAccess access() const { return access_; }
  const std::string& proxy() const { return proxy_; }
  const InternetTimeouts& timeouts() const { return timeouts_; }
  void SetTimeouts(const InternetTimeouts& timeouts) { timeouts_ = timeouts; }

  // Applies these settings to one libcurl handle (CURL*).
  void Configure(void* curlHandle) const;

 private:
  std::string agent_;
  int context_;
  ProxyAccess access_;
  std::string proxy_;
  InternetTimeouts timeouts_;
};

}  // namespace tidewell
