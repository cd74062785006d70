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
