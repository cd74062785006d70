#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tidewell/transfer/http_date.h"
#include "tidewell/transfer/internet_session.h"

namespace tidewell {

class HttpRequest;

// One server and port of a session. Nothing goes over the network until a request
// made from it is sent.
class HttpConnection {
 public:
  HttpConnection(const InternetSession& session, std::string server, uint16_t port);

  // A request for objectPath ("/dir/file?query"). Only GET is offered.
  std::unique_ptr<HttpRequest> OpenRequest(const std::string& verb, const std::string& objectPath);

 private:
  const InternetSession& session_;
  std::string server_;
  uint16_t port_;
};

// One HTTP request whose body is pulled in small reads, so that a caller can write each
// block away before the next arrives: memory use does not grow with the body.
// Failures throw InternetException with the session's context value.
class HttpRequest {
 public:
  HttpRequest(const InternetSession& session, const std::string& url);
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
  struct Curl;
  static size_t OnHeader(char* data, size_t size, size_t count, void* self);
  static size_t OnBody(char* data, size_t size, size_t count, void* self);

  // One round of network work: waits at most 100 ms for something to happen.
  void Pump();
  bool Cancelled() const { return cancel_ != nullptr && cancel_->load(); }
  [[noreturn]] void ThrowFailure() const;

  const InternetSession& session_;
  std::unique_ptr<Curl> curl_;
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
};

}  // namespace tidewell
