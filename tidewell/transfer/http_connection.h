#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tidewell/transfer/http_date.h"
#include "tidewell/transfer/internet_session.h"

namespace tidewell {

class HttpRequest;
struct CurlHandles;

// libcurl handles kept from one request of a job to the next, so that a server's
// connection (and its TLS session) serves file after file instead of one per file.
// Each set is used by one request at a time.
class HttpHandlePool {
 public:
  HttpHandlePool();
  ~HttpHandlePool();
  HttpHandlePool(const HttpHandlePool&) = delete;
  HttpHandlePool& operator=(const HttpHandlePool&) = delete;

  // A free set, or null when none is.
  std::unique_ptr<CurlHandles> Take();
  void Give(std::unique_ptr<CurlHandles> handles);

 private:
  std::mutex mutex_;
  std::vector<std::unique_ptr<CurlHandles>> free_;
};

// One server and port of a session. Nothing goes over the network until a request
// made from it is sent.
class HttpConnection {
 public:
  // secure: https, with the certificate and host name always checked. pool, when given,
  // lends the handles and must outlive every request made here.
  HttpConnection(const InternetSession& session, std::string server, uint16_t port,
                 bool secure = false, HttpHandlePool* pool = nullptr);

  // A request for objectPath ("/dir/file?query"). Only GET is offered.
  std::unique_ptr<HttpRequest> OpenRequest(const std::string& verb, const std::string& objectPath);

 private:
  const InternetSession& session_;
  std::string server_;
  uint16_t port_;
  bool secure_;
  HttpHandlePool* pool_;
};

// One HTTP request whose body is pulled in small reads, so that a caller can write each
// block away before the next arrives: memory use does not grow with the body.
// Failures throw InternetException with the session's context value.
class HttpRequest {
 public:
  // Redirects are followed up to five times, to http or https, never from https to http.
  // TIDEWELL_CA_FILE names certificates trusted beside the system's own.
  HttpRequest(const InternetSession& session, const std::string& url,
              HttpHandlePool* pool = nullptr);
  ~HttpRequest();
  HttpRequest(const HttpRequest&) = delete;
  HttpRequest& operator=(const HttpRequest&) = delete;

  // Adds "Name: value" unless addIfNew is set and a header of that name is already there.
  void AddRequestHeaders(const std::string& header, bool addIfNew);

  // While a wait for the server goes on, this flag is looked at every 100 ms at most;
  // once set, SendRequest returns false and Read returns 0.
  void SetCancelFlag(const std::atomic<bool>* cancel) { cancel_ = cancel; }

  // Sends the request and waits for the final status line and headers.
  // False when the cancel flag was set meanwhile.
  bool SendRequest();

  int QueryStatusCode() const { return status_; }
  std::optional<CalendarTime> QueryLastModified() const;
  std::optional<int64_t> QueryContentLength() const;

  // Up to size bytes of the body; 0 at its end (or when cancelled).
  size_t Read(char* buffer, size_t size);

 private:
  static size_t OnHeader(char* data, size_t size, size_t count, void* self);
  static size_t OnBody(char* data, size_t size, size_t count, void* self);
  static int OnProgress(void* self, int64_t, int64_t received, int64_t, int64_t);

  // One round of network work: waits at most 100 ms for something to happen.
  void Pump();
  bool Cancelled() const { return cancel_ != nullptr && cancel_->load(); }
  [[noreturn]] void ThrowFailure() const;

  const InternetSession& session_;
  HttpHandlePool* pool_;
  std::unique_ptr<CurlHandles> curl_;
  std::vector<std::string> requestHeaders_;
  const std::atomic<bool>* cancel_ = nullptr;

  bool started_ = false;
  bool headersDone_ = false;
  bool transferDone_ = false;
  bool paused_ = false;
  int result_ = 0;  // CURLcode once transferDone_
  int status_ = 0;
  bool sawLocation_ = false;
  std::string lastModified_;
  std::vector<char> body_;
  size_t bodyPos_ = 0;

  // Bytes received by given times, oldest first, for the stall check.
  std::deque<std::pair<std::chrono::steady_clock::time_point, int64_t>> progress_;
  bool stalled_ = false;
};

}  // namespace tidewell
