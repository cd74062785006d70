#include "tidewell/transfer/ftp_connection.h"

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <utility>

#include "tidewell/transfer/curl_error_map.h"
#include "tidewell/transfer/ftp_listing.h"
#include "tidewell/transfer/ftp_paths.h"
#include "tidewell/transfer/internet_exception.h"

namespace tidewell {
namespace {

constexpr size_t kBlockSize = 4096;

// How long logging in may take once the server was reached: a server may answer a wrong
// password only after a pause of some seconds.
constexpr std::chrono::milliseconds kLoginTimeout(30000);

// Answers by which the server turned down one command; the link itself is fine.
bool IsRefusal(CURLcode code) {
  switch (code) {
    case CURLE_REMOTE_ACCESS_DENIED:
    case CURLE_QUOTE_ERROR:
    case CURLE_REMOTE_FILE_NOT_FOUND:
    case CURLE_UPLOAD_FAILED:
    case CURLE_FTP_COULDNT_RETR_FILE:
      return true;
    default:
      return false;
  }
}

// A line break would end the command early and start another one.
bool SafeInCommand(const std::string& text) {
  return text.find_first_of(std::string("\r\n\0", 3)) == std::string::npos;
}

struct SlistDeleter {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using Slist = std::unique_ptr<curl_slist, SlistDeleter>;

}  // namespace

struct FtpConnection::Curl {
  CURL* handle = curl_easy_init();
  char error[CURL_ERROR_SIZE] = {};
  std::exception_ptr callbackFailure;  // thrown inside a callback, rethrown after the request
  ~Curl() {
    if (handle) curl_easy_cleanup(handle);
  }
};

namespace {

int OnTransferInfo(void* data, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  const auto* cancel = static_cast<const std::atomic<bool>*>(data);
  return cancel != nullptr && cancel->load() ? 1 : 0;
}

struct ListingSink {
  std::string text;
  bool tooLong = false;
};

size_t OnListing(char* data, size_t size, size_t count, void* sink) {
  auto* listing = static_cast<ListingSink*>(sink);
  const size_t bytes = size * count;
  if (listing->text.size() + bytes > kMaxListingBytes) {
    listing->tooLong = true;
    return 0;
  }
  listing->text.append(data, bytes);
  return bytes;
}

size_t OnFileData(char* data, size_t size, size_t count, void* file) {
  return std::fwrite(data, 1, size * count, static_cast<std::FILE*>(file));
}

struct UploadSource {
  const FtpConnection::BlockSource* source;
  std::exception_ptr* failure;
};

size_t OnUploadData(char* buffer, size_t size, size_t count, void* self) {
  auto* upload = static_cast<UploadSource*>(self);
  try {
    return (*upload->source)(buffer, std::min(size * count, kBlockSize));
  } catch (...) {
    *upload->failure = std::current_exception();
    return CURL_READFUNC_ABORT;
  }
}

}  // namespace

FtpConnection::FtpConnection(const InternetSession& session, const std::string& site,
                             const std::string& user, const std::string& password)
    : session_(session), curl_(std::make_unique<Curl>()), user_(user), password_(password) {
  if (curl_->handle == nullptr) throw InternetException(kInternetOutOfMemory, session_.context());
  if (!SplitHostPort(site, host_, port_))
    throw InternetException(kInternetInvalidUrl, session_.context(), "not a server name: " + site);
  ReachServer();
  // Logging in is the first request; its failure is the connection's failure.
  Perform(
      "/", true, [](void* h) { curl_easy_setopt(static_cast<CURL*>(h), CURLOPT_NOBODY, 1L); },
      true);
  const char* entry = nullptr;
  if (curl_easy_getinfo(curl_->handle, CURLINFO_FTP_ENTRY_PATH, &entry) == CURLE_OK && entry)
    loginFolder_ = entry;
}

// libcurl's connect time-out also runs through the greeting and the login, so the
// session's time-out bounds reaching the server on a link of its own, made first, and
// the login has kLoginTimeout.
void FtpConnection::ReachServer() {
  std::unique_ptr<Curl> probe = std::make_unique<Curl>();
  if (probe->handle == nullptr) throw InternetException(kInternetOutOfMemory, session_.context());
  CURL* h = probe->handle;
  session_.Configure(h);
  const bool ipv6 = host_.find(':') != std::string::npos;
  const std::string url =
      "http://" + (ipv6 ? "[" + host_ + "]" : host_) + ":" + std::to_string(port_) + "/";
  curl_easy_setopt(h, CURLOPT_URL, url.c_str());
  curl_easy_setopt(h, CURLOPT_CONNECT_ONLY, 1L);
  curl_easy_setopt(h, CURLOPT_ERRORBUFFER, probe->error);
  curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, OnTransferInfo);
  curl_easy_setopt(h, CURLOPT_XFERINFODATA, cancel_);
  const CURLcode code = curl_easy_perform(h);
  if (code == CURLE_OK) return;
  if (code == CURLE_ABORTED_BY_CALLBACK)
    throw InternetException(kInternetOperationCancelled, session_.context(), "cancelled");
  std::string why = probe->error[0] ? probe->error : curl_easy_strerror(code);
  if (code == CURLE_COULDNT_CONNECT)
    why = "connection refused";
  else if (code == CURLE_OPERATION_TIMEDOUT)
    why = "no answer within " + std::to_string(session_.timeouts().connect.count()) + " ms";
  else if (code == CURLE_COULDNT_RESOLVE_HOST || code == CURLE_COULDNT_RESOLVE_PROXY)
    why = "unknown host";
  throw InternetException(InternetErrorFromCurl(code, !password_.empty()), session_.context(),
                          "cannot connect to " + host_ + ":" + std::to_string(port_) + ": " + why);
}

FtpConnection::~FtpConnection() = default;

std::string FtpConnection::Url(const std::string& absolutePath, bool directory) const {
  const bool ipv6 = host_.find(':') != std::string::npos;
  std::string url =
      "ftp://" + (ipv6 ? "[" + host_ + "]" : host_) + ":" + std::to_string(port_) + "/%2F";
  size_t start = 0;
  bool first = true;
  while (start <= absolutePath.size()) {
    size_t end = absolutePath.find('/', start);
    if (end == std::string::npos) end = absolutePath.size();
    if (end > start) {
      const std::string segment = absolutePath.substr(start, end - start);
      char* escaped =
          curl_easy_escape(curl_->handle, segment.c_str(), static_cast<int>(segment.size()));
      if (!first) url += "/";
      url += escaped ? escaped : "";
      curl_free(escaped);
      first = false;
    }
    start = end + 1;
  }
  if (directory && !first) url += "/";
  return url;
}

void FtpConnection::Throw(int curlCode) const {
  const auto code = static_cast<CURLcode>(curlCode);
  const std::string said = curl_->error[0] ? curl_->error : curl_easy_strerror(code);
  std::string cause;
  if (code == CURLE_LOGIN_DENIED)
    cause = "FTP login refused for user " + user_;
  else if (code == CURLE_OPERATION_TIMEDOUT)
    cause = "no answer from " + host_ + ":" + std::to_string(port_) + " in time (" + said + ")";
  else
    cause = "FTP server " + host_ + ":" + std::to_string(port_) + ": " + said;
  throw InternetException(InternetErrorFromCurl(curlCode, !password_.empty()), session_.context(),
                          cause);
}

FtpConnection::Outcome FtpConnection::Perform(const std::string& path, bool directory,
                                              const std::function<void(void*)>& prepare,
                                              bool throwOnRefusal) {
  CURL* h = curl_->handle;
  // A reset keeps the open connection: every request goes over the same link.
  curl_easy_reset(h);
  session_.Configure(h);
  curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS,
                   static_cast<long>(std::max(session_.timeouts().connect, kLoginTimeout).count()));
  const std::string url = Url(path, directory);
  curl_easy_setopt(h, CURLOPT_URL, url.c_str());
  curl_easy_setopt(h, CURLOPT_USERNAME, user_.c_str());
  curl_easy_setopt(h, CURLOPT_PASSWORD, password_.c_str());
  curl_easy_setopt(h, CURLOPT_ERRORBUFFER, curl_->error);
  curl_easy_setopt(h, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_NOCWD));
  if (session_.access() == ProxyAccess::Named) {
    // Through a proxy the control and data links are tunnelled, so only passive
    // data connections can work.
    curl_easy_setopt(h, CURLOPT_HTTPPROXYTUNNEL, 1L);
    curl_easy_setopt(h, CURLOPT_FTPPORT, nullptr);
  } else {
    curl_easy_setopt(h, CURLOPT_FTPPORT, "-");
  }
  const auto receive = session_.timeouts().receive;
  curl_easy_setopt(h, CURLOPT_SERVER_RESPONSE_TIMEOUT,
                   std::max(1L, static_cast<long>(receive.count() / 1000)));
  curl_easy_setopt(h, CURLOPT_ACCEPTTIMEOUT_MS, static_cast<long>(receive.count()));
  curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, OnTransferInfo);
  curl_easy_setopt(h, CURLOPT_XFERINFODATA, cancel_);
  prepare(h);
  // TIDEWELL_FTP_TRACE=1 shows the FTP dialogue on standard error, for diagnosing servers.
  if (const char* trace = std::getenv("TIDEWELL_FTP_TRACE"); trace && *trace == '1')
    curl_easy_setopt(h, CURLOPT_VERBOSE, 1L);

  curl_->error[0] = '\0';
  curl_->callbackFailure = nullptr;
  const CURLcode code = curl_easy_perform(h);
  if (curl_->callbackFailure)
    std::rethrow_exception(std::exchange(curl_->callbackFailure, nullptr));
  if (code == CURLE_OK) return Outcome::Done;
  // Our own cancel flag stopped the request: not the server's answer to it.
  if (code == CURLE_ABORTED_BY_CALLBACK)
    throw InternetException(kInternetOperationCancelled, session_.context(), "cancelled");
  if (IsRefusal(code) && !throwOnRefusal) return Outcome::Refused;
  Throw(code);
}

namespace {

// A request that only sends one command after logging in. The command is marked as
// allowed to fail ('*'), because libcurl drops the whole connection after a refused
// command; its answer is read from the last reply code instead.
std::function<void(void*)> CommandOnly(curl_slist* commands) {
  return [commands](void* h) {
    curl_easy_setopt(static_cast<CURL*>(h), CURLOPT_NOBODY, 1L);
    curl_easy_setopt(static_cast<CURL*>(h), CURLOPT_QUOTE, commands);
  };
}

}  // namespace

bool FtpConnection::SendCommand(const std::string& command) {
  if (!SafeInCommand(command)) return false;
  Slist commands(curl_slist_append(nullptr, ("*" + command).c_str()));
  if (!commands) throw InternetException(kInternetOutOfMemory, session_.context());
  if (Perform("/", true, CommandOnly(commands.get()), false) != Outcome::Done) return false;
  long reply = 0;
  curl_easy_getinfo(curl_->handle, CURLINFO_RESPONSE_CODE, &reply);
  return reply >= 200 && reply < 300;
}

bool FtpConnection::SetCurrentDirectory(const std::string& absolutePath) {
  if (!SendCommand("CWD " + absolutePath)) return false;
  currentDir_ = absolutePath;
  return true;
}

bool FtpConnection::CreateDirectory(const std::string& absolutePath) {
  return SendCommand("MKD " + absolutePath);
}

bool FtpConnection::DeleteFile(const std::string& name) {
  return SendCommand("DELE " + AbsoluteServerPath(currentDir_.empty() ? "/" : currentDir_, name));
}

std::optional<uint64_t> FtpConnection::FindFile(const std::string& name) {
  ListingSink listing;
  const auto tooLong = [&] {
    return InternetException(kInternetInvalidServerResponse, session_.context(),
                             "directory listing too long");
  };
  Outcome outcome = Outcome::Refused;
  try {
    outcome = Perform(
        currentDir_.empty() ? "/" : currentDir_, true,
        [&listing](void* h) {
          curl_easy_setopt(static_cast<CURL*>(h), CURLOPT_WRITEFUNCTION, OnListing);
          curl_easy_setopt(static_cast<CURL*>(h), CURLOPT_WRITEDATA, &listing);
        },
        false);
  } catch (const InternetException&) {
    if (listing.tooLong) throw tooLong();
    throw;
  }
  if (listing.tooLong) throw tooLong();
  if (outcome != Outcome::Done) return std::nullopt;
  const auto entry = FindInFtpListing(listing.text, name);
  if (!entry || entry->directory) return std::nullopt;
  return entry->size;
}

bool FtpConnection::WriteFile(const std::string& name, uint64_t size, const BlockSource& source) {
  UploadSource upload{&source, &curl_->callbackFailure};
  const std::string path = AbsoluteServerPath(currentDir_.empty() ? "/" : currentDir_, name);
  return Perform(
             path, false,
             [&](void* h) {
               CURL* handle = static_cast<CURL*>(h);
               curl_easy_setopt(handle, CURLOPT_UPLOAD, 1L);
               curl_easy_setopt(handle, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(size));
               curl_easy_setopt(handle, CURLOPT_READFUNCTION, OnUploadData);
               curl_easy_setopt(handle, CURLOPT_READDATA, &upload);
             },
             false) == Outcome::Done;
}

bool FtpConnection::GetFile(const std::string& absolutePath, const std::string& localPath) {
  std::FILE* file = std::fopen(localPath.c_str(), "wb");
  if (file == nullptr) return false;
  bool ok = false;
  try {
    ok = Perform(
             absolutePath, false,
             [file](void* h) {
               curl_easy_setopt(static_cast<CURL*>(h), CURLOPT_WRITEFUNCTION, OnFileData);
               curl_easy_setopt(static_cast<CURL*>(h), CURLOPT_WRITEDATA, file);
             },
             true) == Outcome::Done;
  } catch (const InternetException&) {
    ok = false;  // whatever went wrong, the file did not arrive
  }
  return std::fclose(file) == 0 && ok;
}

}  // namespace tidewell
