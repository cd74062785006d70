#pragma once
// One logged-in FTP connection over a single reused libcurl handle, with the
// operations the update-set jobs use. The server's current directory is the one this
// object last entered; commands name files by absolute paths, so nothing depends on
// where the server thinks it is.
//
// Failures of a command the server refused are results (false, none). Failures of the
// connection itself (time-out, refused login, dropped link, a reply that makes no
// sense) throw InternetException with the session's context value.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "tidewell/transfer/internet_session.h"

namespace tidewell {

// A listing larger than this is refused as an answer that makes no sense.
inline constexpr size_t kMaxListingBytes = 16u << 20;

class FtpConnection {
 public:
  // Connects to site ("host" or "host:port") and logs in. A session with a named
  // proxy tunnels through it (CONNECT) in passive mode; otherwise the connection is
  // direct and data connections are active (the server connects back).
  FtpConnection(const InternetSession& session, const std::string& site, const std::string& user,
                const std::string& password);
  ~FtpConnection();
  FtpConnection(const FtpConnection&) = delete;
  FtpConnection& operator=(const FtpConnection&) = delete;

  // Looked at while data flows; once set, a transfer stops and reports false/none.
  void SetCancelFlag(const std::atomic<bool>* cancel) { cancel_ = cancel; }

  bool SetCurrentDirectory(const std::string& absolutePath);
  // The folder the server put the user in at login ("" when it did not say).
  const std::string& loginFolder() const { return loginFolder_; }
  const std::string& currentDirectory() const { return currentDir_; }
  bool CreateDirectory(const std::string& absolutePath);

  // The length of a file listed in the current directory; none when it is not listed.
  std::optional<uint64_t> FindFile(const std::string& name);
  bool DeleteFile(const std::string& name);

  // Hands out the next block of a file being sent: fills up to `capacity` bytes and
  // returns the count, 0 at the end. May throw; the transfer then stops and the
  // exception reaches the caller of WriteFile.
  using BlockSource = std::function<size_t(char* buffer, size_t capacity)>;
  // Creates name in the current directory and sends what source hands out, in blocks
  // of at most 4096 bytes. False when the server refused the file.
  bool WriteFile(const std::string& name, uint64_t size, const BlockSource& source);

  // Fetches a server file into localPath (replaced). False on any failure.
  bool GetFile(const std::string& absolutePath, const std::string& localPath);

 private:
  struct Curl;
  enum class Outcome { Done, Refused };

  // One request on the shared handle; `prepare` sets what differs from the defaults.
  Outcome Perform(const std::string& path, bool directory,
                  const std::function<void(void*)>& prepare, bool throwOnRefusal);
  // Sends one command; true for a positive (2xx) answer.
  bool SendCommand(const std::string& command);
  std::string Url(const std::string& absolutePath, bool directory) const;
  void ReachServer();
  [[noreturn]] void Throw(int curlCode) const;

  const InternetSession& session_;
  std::unique_ptr<Curl> curl_;
  std::string host_;
  int port_ = 21;
  std::string user_;
  std::string password_;
  std::string currentDir_;
  std::string loginFolder_;
  const std::atomic<bool>* cancel_ = nullptr;
};

}  // namespace tidewell
