#include "ftp_test_support.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "tidewell/transfer/overwrite_answer.h"

namespace tidewell_test {

std::unique_ptr<ServerProcess> StartFtpServer(const std::string& root) {
  auto server = std::make_unique<ServerProcess>();
  for (int attempt = 0; attempt < 3; ++attempt) {
    const int port = FreeLocalPort();
    if (server->Start(
            {"/usr/bin/python3", ServerScript("ftp_test_server.py"), "--port", std::to_string(port),
             "--root", root, "--user", kFtpUser, "--password", kFtpPassword},
            port))
      return server;
  }
  return nullptr;
}

std::unique_ptr<ServerProcess> StartConnectProxy(const std::string& logPath) {
  auto server = std::make_unique<ServerProcess>();
  for (int attempt = 0; attempt < 3; ++attempt) {
    const int port = FreeLocalPort();
    if (server->Start({"/usr/bin/python3", ServerScript("connect_proxy.py"), "--port",
                       std::to_string(port), "--log", logPath},
                      port))
      return server;
  }
  return nullptr;
}

namespace {

// Runs a command through the shell, a few times while another test holds the user
// database's lock.
bool RunCommand(const std::string& command) {
  for (int attempt = 0; attempt < 20; ++attempt) {
    if (std::system(command.c_str()) == 0) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return false;
}

}  // namespace

VsftpdServer::VsftpdServer(bool chrootUsers) {
  if (::geteuid() != 0) {
    reason_ = "vsftpd tests make a local user and need root";
    return;
  }
  if (::access("/usr/sbin/vsftpd", X_OK) != 0) {
    reason_ = "vsftpd is not installed";
    return;
  }
  static int serial = 0;
  user_ = "tw" + std::to_string(::getpid()) + "x" + std::to_string(++serial);
  const std::string root = folder_.path();
  ::chmod(root.c_str(), 0755);  // the user walks through it to its home
  std::filesystem::create_directories(root + "home");
  std::filesystem::create_directories(root + "empty");
  if (!RunCommand("useradd -M -s /bin/sh -d " + root + "home " + user_ + " 2>/dev/null") ||
      !RunCommand("echo '" + user_ + ":" + password_ + "' | chpasswd") ||
      !RunCommand("chown " + user_ + " " + root + "home")) {
    reason_ = "cannot make the test user " + user_;
    return;
  }
  for (int attempt = 0; attempt < 3; ++attempt) {
    const int port = FreeLocalPort();
    const int passive = FreeLocalPort();
    std::ofstream(root + "vsftpd.conf")
        << "listen=YES\nlisten_ipv6=NO\nlisten_address=127.0.0.1\nlisten_port=" << port
        << "\nbackground=NO\nanonymous_enable=NO\nlocal_enable=YES\nwrite_enable=YES\n"
        << "local_umask=022\nchroot_local_user=" << (chrootUsers ? "YES" : "NO")
        << "\nallow_writeable_chroot=YES\npasv_enable=YES\npasv_address=127.0.0.1\n"
        << "pasv_min_port=" << passive << "\npasv_max_port=" << passive + 20
        << "\nport_enable=YES\nconnect_from_port_20=NO\nseccomp_sandbox=NO\n"
        << "secure_chroot_dir=" << root << "empty\npam_service_name=vsftpd\n"
        << "userlist_enable=NO\nxferlog_enable=NO\nvsftpd_log_file=" << root << "vsftpd.log\n";
    if (server_.Start({"/usr/sbin/vsftpd", root + "vsftpd.conf"}, port)) return;
  }
  reason_ = "vsftpd did not start";
}

VsftpdServer::~VsftpdServer() {
  server_.Stop();
  if (!user_.empty()) RunCommand("userdel " + user_ + " 2>/dev/null");
}

void VsftpdServer::MakeFolder(const std::string& relative) const {
  std::filesystem::create_directories(home() + relative);
  RunCommand("chown -R " + user_ + " " + home() + relative);
}

std::string SiteOf(const ServerProcess& server) {
  return "127.0.0.1:" + std::to_string(server.port());
}

tidewell::FtpJob FtpJobRecorder::MakeJob(const std::string& site, const std::string& initialDir) {
  tidewell::FtpJob job;
  job.host = site;
  job.user = kFtpUser;
  job.password = kFtpPassword;
  job.initialDir = initialDir;
  job.showProgress = false;
  job.passPhrase = kFtpPassPhrase;
  job.showMessage = [this](const std::string& text) { messages.push_back(text); };
  job.askOverwriteQuestion = [this](const std::string& question) {
    questions.push_back(question);
    if (answers.empty()) return static_cast<int>(tidewell::kOverwriteCancel);
    const int answer = answers.front();
    answers.erase(answers.begin());
    return answer;
  };
  return job;
}

namespace {

tidewell::FtpJobResult Finish(const std::shared_ptr<tidewell::FtpTransferJob>& handle) {
  if (!handle->Wait(std::chrono::seconds(60))) {
    ADD_FAILURE() << "the FTP job did not end";
    std::abort();  // the job still uses the test's objects
  }
  return handle->result();
}

}  // namespace

tidewell::FtpJobResult RunUpload(tidewell::FtpJob job) {
  return Finish(tidewell::StartFtpUpload(std::move(job)));
}
tidewell::FtpJobResult RunDownload(tidewell::FtpJob job) {
  return Finish(tidewell::StartFtpDownload(std::move(job)));
}

UnansweringPort::UnansweringPort() {
  listener_ = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (listener_ < 0 ||
      bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listener_, 0) != 0 ||
      getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
    return;
  port_ = ntohs(address.sin_port);
  // Connections that are never accepted fill the backlog; later handshakes stall.
  for (int i = 0; i < 4; ++i) {
    const int filler = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    if (filler < 0) break;
    connect(filler, reinterpret_cast<sockaddr*>(&address), sizeof address);
    fillers_.push_back(filler);
  }
}

UnansweringPort::~UnansweringPort() {
  for (int filler : fillers_) close(filler);
  if (listener_ >= 0) close(listener_);
}

}  // namespace tidewell_test
