#pragma once
// Real FTP servers and proxies on 127.0.0.1 for the FTP job tests, and a way to run a
// job to its end with scripted answers.
#include <memory>
#include <string>
#include <vector>

#include "test_servers.h"
#include "tidewell/transfer/ftp_job.h"

namespace tidewell_test {

inline constexpr const char* kFtpUser = "maker";
inline constexpr const char* kFtpPassword = "secret";
inline constexpr const char* kFtpPassPhrase = "test phrase";

// tests/servers/ftp_test_server.py over root (user kFtpUser, password kFtpPassword).
std::unique_ptr<ServerProcess> StartFtpServer(const std::string& root);
// tests/servers/connect_proxy.py; each tunnel it opens is a line in logPath.
std::unique_ptr<ServerProcess> StartConnectProxy(const std::string& logPath);

// "127.0.0.1:PORT" of a server.
std::string SiteOf(const ServerProcess& server);

// A job record for the server with prompts, progress and packing as the test sets
// them afterwards; reports and questions are collected instead of shown.
struct FtpJobRecorder {
  std::vector<std::string> messages;
  std::vector<std::string> questions;
  std::vector<int> answers;  // given in turn; Cancel once they run out

  tidewell::FtpJob MakeJob(const std::string& site, const std::string& initialDir);
};

// Runs a job to its end (at most 60 s) and returns how it ended.
tidewell::FtpJobResult RunUpload(tidewell::FtpJob job);
tidewell::FtpJobResult RunDownload(tidewell::FtpJob job);

// vsftpd on 127.0.0.1 with its own configuration and a local user made for the test,
// with or without locking users into their home folder. Making a user needs root: without
// it (or without vsftpd) ok() is false and reason() says why.
class VsftpdServer {
 public:
  explicit VsftpdServer(bool chrootUsers);
  ~VsftpdServer();  // stops the server and removes the user and its home
  VsftpdServer(const VsftpdServer&) = delete;
  VsftpdServer& operator=(const VsftpdServer&) = delete;

  bool ok() const { return reason_.empty(); }
  const std::string& reason() const { return reason_; }
  std::string site() const { return SiteOf(server_); }
  const std::string& user() const { return user_; }
  const std::string& password() const { return password_; }
  // The user's home folder (with a trailing '/'), owned by the user.
  std::string home() const { return folder_.path() + "home/"; }
  // Makes a folder below home owned by the user.
  void MakeFolder(const std::string& relative) const;

 private:
  ScratchFolder folder_;
  ServerProcess server_;
  std::string user_;
  std::string password_ = "Tw-pass-7";
  std::string reason_;
};

// A port on 127.0.0.1 that accepts no more connections (its backlog is full), so a
// client's connect never completes. Closed with the object.
class UnansweringPort {
 public:
  UnansweringPort();
  ~UnansweringPort();
  UnansweringPort(const UnansweringPort&) = delete;
  UnansweringPort& operator=(const UnansweringPort&) = delete;
  int port() const { return port_; }

 private:
  int listener_ = -1;
  std::vector<int> fillers_;
  int port_ = 0;
};

}  // namespace tidewell_test
