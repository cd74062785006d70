#include "tidewell/transfer/http_connection.h"

#include <curl/curl.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>

#include "tidewell/transfer/curl_error_map.h"
#include "tidewell/transfer/internet_exception.h"

namespace tidewell {
namespace {

// Beyond this much unread body the transfer is paused until the reader catches up.
constexpr size_t kMaxBuffered = 256 * 1024;
constexpr int kWaitStepMs = 100;

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(text[i])) !=
        std::tolower(static_cast<unsigned char>(prefix[i])))
      return false;
  }
  return true;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
    text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
    text.remove_suffix(1);
  return text;
}

std::string HeaderName(std::string_view header) {
  const size_t colon = header.find(':');
  return std::string(Trim(header.substr(0, colon)));
}

}  // namespace

struct CurlHandles {
  CURL* easy = curl_easy_init();
  CURLM* multi = curl_multi_init();  // holds the connections kept open between requests
  curl_slist* headers = nullptr;
  bool attached = false;

  // Ends the request the handles served; they keep their open connections.
  void Detach() {
    if (attached) curl_multi_remove_handle(multi, easy);
    attached = false;
    curl_slist_free_all(headers);
    headers = nullptr;
  }
  ~CurlHandles() {
    Detach();
    if (easy != nullptr) curl_easy_cleanup(easy);
    if (multi != nullptr) curl_multi_cleanup(multi);
  }
};

HttpHandlePool::HttpHandlePool() = default;
HttpHandlePool::~HttpHandlePool() = default;

std::unique_ptr<CurlHandles> HttpHandlePool::Take() {
  std::lock_guard<std::mutex> guard(mutex_);
  if (free_.empty()) return nullptr;
  std::unique_ptr<CurlHandles> handles = std::move(free_.back());
  free_.pop_back();
  return handles;
}

void HttpHandlePool::Give(std::unique_ptr<CurlHandles> handles) {
  std::lock_guard<std::mutex> guard(mutex_);
  free_.push_back(std::move(handles));
}

HttpConnection::HttpConnection(const InternetSession& session, std::string server, uint16_t port,
                               bool secure, HttpHandlePool* pool)
    : session_(session), server_(std::move(server)), port_(port), secure_(secure), pool_(pool) {}

std::unique_ptr<HttpRequest> HttpConnection::OpenRequest(const std::string& verb,
                                                         const std::string& objectPath) {
  if (verb != "GET")
    throw InternetException(kInternetInternalError, session_.context(), "only GET is offered");
  const bool ipv6 = server_.find(':') != std::string::npos;
  const std::string host = ipv6 ? "[" + server_ + "]" : server_;
  const std::string scheme = secure_ ? "https://" : "http://";
  return std::make_unique<HttpRequest>(
      session_, scheme + host + ":" + std::to_string(port_) + objectPath, pool_);
}

namespace {

// Adds the certificates of TIDEWELL_CA_FILE to those the connection trusts.
CURLcode AddCompanyCertificates(CURL*, void* sslContext, void*) {
  const char* file = std::getenv("TIDEWELL_CA_FILE");
  if (file == nullptr || *file == '\0') return CURLE_OK;
  X509_STORE* store = SSL_CTX_get_cert_store(static_cast<SSL_CTX*>(sslContext));
  return X509_STORE_load_file(store, file) == 1 ? CURLE_OK : CURLE_SSL_CACERT_BADFILE;
}

}  // namespace

HttpRequest::HttpRequest(const InternetSession& session, const std::string& url,
                         HttpHandlePool* pool)
    : session_(session), pool_(pool), curl_(pool ? pool->Take() : nullptr) {
  if (!curl_) curl_ = std::make_unique<CurlHandles>();
  if (curl_->easy == nullptr || curl_->multi == nullptr)
    throw InternetException(kInternetOutOfMemory, session.context());
  CURL* easy = curl_->easy;
  session.Configure(easy);
  curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
  curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
  // Moved files are followed the way a browser would, but never off the web, and a
  // secure address never hands over to a plain one.
  const bool secure = url.compare(0, 8, "https://") == 0;
  curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 5L);
  curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, secure ? "https" : "http,https");
  curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
  curl_easy_setopt(easy, CURLOPT_SSL_CTX_FUNCTION, &AddCompanyCertificates);
  curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, 64L * 1024);
  curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &HttpRequest::OnHeader);
  curl_easy_setopt(easy, CURLOPT_HEADERDATA, this);
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &HttpRequest::OnBody);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);
  curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &HttpRequest::OnProgress);
  curl_easy_setopt(easy, CURLOPT_XFERINFODATA, this);
}

HttpRequest::~HttpRequest() {
  if (pool_ == nullptr || !curl_) return;
  curl_->Detach();
  curl_easy_reset(curl_->easy);  // the connections stay with the handles
  pool_->Give(std::move(curl_));
}

int HttpRequest::OnProgress(void* self, int64_t, int64_t received, int64_t, int64_t) {
  auto* request = static_cast<HttpRequest*>(self);
  const InternetTimeouts& limits = request->session_.timeouts();
  auto& samples = request->progress_;
  const auto now = std::chrono::steady_clock::now();
  if (samples.empty() || samples.back().second != received ||
      now - samples.back().first >= std::chrono::milliseconds(100))
    samples.emplace_back(now, received);
  // The newest sample at least one window old is where the window starts.
  const auto windowStart = now - limits.stallWindow;
  if (samples.front().first > windowStart) return 0;
  while (samples.size() > 1 && samples[1].first <= windowStart) samples.pop_front();
  if (received - samples.front().second >= limits.stallBytes) return 0;
  request->stalled_ = true;
  return 1;  // ends the transfer
}

void HttpRequest::AddRequestHeaders(const std::string& header, bool addIfNew) {
  const std::string name = HeaderName(header);
  if (name.empty()) return;
  if (addIfNew) {
    const bool present =
        std::any_of(requestHeaders_.begin(), requestHeaders_.end(), [&](const std::string& h) {
          const std::string other = HeaderName(h);
          return other.size() == name.size() && StartsWithNoCase(other, name);
        });
    if (present) return;
  }
  requestHeaders_.push_back(header);
}

size_t HttpRequest::OnHeader(char* data, size_t size, size_t count, void* self) {
  auto* request = static_cast<HttpRequest*>(self);
  const size_t bytes = size * count;
  const std::string_view line(data, bytes);
  if (StartsWithNoCase(line, "HTTP/")) {
    // A new response (after an interim answer or a redirect) replaces what came before.
    request->lastModified_.clear();
    request->sawLocation_ = false;
    long code = 0;
    curl_easy_getinfo(request->curl_->easy, CURLINFO_RESPONSE_CODE, &code);
    request->status_ = static_cast<int>(code);
  } else if (StartsWithNoCase(line, "Last-Modified:")) {
    request->lastModified_ = std::string(Trim(line.substr(std::strlen("Last-Modified:"))));
  } else if (StartsWithNoCase(line, "Location:")) {
    request->sawLocation_ = !Trim(line.substr(std::strlen("Location:"))).empty();
  } else if (Trim(line).empty()) {
    long code = 0;
    curl_easy_getinfo(request->curl_->easy, CURLINFO_RESPONSE_CODE, &code);
    request->status_ = static_cast<int>(code);
    const bool interim = code < 200;
    const bool followed = code >= 300 && code < 400 && code != 304 && request->sawLocation_;
    if (!interim && !followed) request->headersDone_ = true;
  }
  return bytes;
}

size_t HttpRequest::OnBody(char* data, size_t size, size_t count, void* self) {
  auto* request = static_cast<HttpRequest*>(self);
  const size_t bytes = size * count;
  request->headersDone_ = true;
  if (request->body_.size() - request->bodyPos_ >= kMaxBuffered) {
    request->paused_ = true;
    return CURL_WRITEFUNC_PAUSE;
  }
  request->body_.insert(request->body_.end(), data, data + bytes);
  return bytes;
}

void HttpRequest::Pump() {
  int running = 0;
  curl_multi_perform(curl_->multi, &running);
  int queued = 0;
  while (CURLMsg* message = curl_multi_info_read(curl_->multi, &queued)) {
    if (message->msg == CURLMSG_DONE) {
      transferDone_ = true;
      result_ = message->data.result;
    }
  }
  if (transferDone_ || bodyPos_ < body_.size() || paused_) return;
  curl_multi_poll(curl_->multi, nullptr, 0, kWaitStepMs, nullptr);
}

void HttpRequest::ThrowFailure() const {
  if (stalled_)
    throw InternetException(kInternetTimeout, session_.context(), "the transfer stalled");
  // The address was http:// when sent, so an unsupported protocol can only be the
  // server's doing: an answer that is not HTTP, or a redirect off the web.
  const int error = result_ == CURLE_UNSUPPORTED_PROTOCOL
                        ? static_cast<int>(kInternetInvalidServerResponse)
                        : InternetErrorFromCurl(result_);
  throw InternetException(error, session_.context(),
                          curl_easy_strerror(static_cast<CURLcode>(result_)));
}

bool HttpRequest::SendRequest() {
  if (!started_) {
    for (const std::string& header : requestHeaders_) {
      curl_slist* grown = curl_slist_append(curl_->headers, header.c_str());
      if (grown == nullptr) throw InternetException(kInternetOutOfMemory, session_.context());
      curl_->headers = grown;
    }
    curl_easy_setopt(curl_->easy, CURLOPT_HTTPHEADER, curl_->headers);
    if (curl_multi_add_handle(curl_->multi, curl_->easy) != CURLM_OK)
      throw InternetException(kInternetInternalError, session_.context());
    curl_->attached = true;
    started_ = true;
  }
  while (!headersDone_ && !transferDone_) {
    if (Cancelled()) return false;
    Pump();
  }
  // A failure after the headers (a dropped body) is reported by Read, once the part
  // that did arrive has been handed over.
  if (!headersDone_) {
    if (result_ != CURLE_OK) ThrowFailure();
    throw InternetException(kInternetInvalidServerResponse, session_.context());
  }
  return true;
}

std::optional<CalendarTime> HttpRequest::QueryLastModified() const {
  if (lastModified_.empty()) return std::nullopt;
  return ParseHttpDate(lastModified_);
}

std::optional<int64_t> HttpRequest::QueryContentLength() const {
  curl_off_t length = -1;
  if (curl_easy_getinfo(curl_->easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) != CURLE_OK ||
      length < 0)
    return std::nullopt;
  return static_cast<int64_t>(length);
}

size_t HttpRequest::Read(char* buffer, size_t size) {
  if (!started_ || size == 0) return 0;
  while (bodyPos_ == body_.size()) {
    body_.clear();
    bodyPos_ = 0;
    if (paused_) {
      paused_ = false;
      curl_easy_pause(curl_->easy, CURLPAUSE_CONT);  // may hand the held block over at once
      continue;
    }
    if (transferDone_) {
      if (result_ != CURLE_OK) ThrowFailure();
      return 0;
    }
    if (Cancelled()) return 0;
    Pump();
  }
  const size_t n = std::min(size, body_.size() - bodyPos_);
  std::memcpy(buffer, body_.data() + bodyPos_, n);
  bodyPos_ += n;
  return n;
}

}  // namespace tidewell
