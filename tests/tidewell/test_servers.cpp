#include "test_servers.h"

#include "tidewell/app/progress_window.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QApplication>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

extern char** environ;

namespace tidewell_test {
namespace {

sockaddr_in LoopbackAddress(int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

bool Accepts(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return false;
  sockaddr_in address = LoopbackAddress(port);
  const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  close(fd);
  return ok;
}

}  // namespace

int FreeLocalPort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return 0;
  sockaddr_in address = LoopbackAddress(0);
  socklen_t length = sizeof address;
  int port = 0;
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
    port = ntohs(address.sin_port);
  }
  close(fd);
  return port;
}

bool ServerProcess::Start(const std::vector<std::string>& argv, int port) {
  Stop();
  port_ = port;
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  const int rc = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return false;
  pid_ = pid;

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::chrono::steady_clock::now() < deadline) {
    if (Accepts(port)) return true;
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
  }
  Stop();
  return false;
}

void ServerProcess::Stop() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  int status = 0;
  waitpid(pid_, &status, 0);
  pid_ = -1;
}

std::string ServerProcess::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::string ServerScript(const std::string& name) {
  return std::string(SOURCE_DIR) + "/tests/servers/" + name;
}

std::unique_ptr<ServerProcess> StartHttpTestServer(const std::string& root) {
  auto server = std::make_unique<ServerProcess>();
  for (int attempt = 0; attempt < 3; ++attempt) {
    const int port = FreeLocalPort();
    if (server->Start({"/usr/bin/python3", ServerScript("http_test_server.py"), "--port",
                       std::to_string(port), "--root", root},
                      port))
      return server;
  }
  return nullptr;
}

std::unique_ptr<ServerProcess> StartSetServer(const std::string& root, const std::string& cert,
                                              const std::string& key) {
  auto server = std::make_unique<ServerProcess>();
  for (int attempt = 0; attempt < 3; ++attempt) {
    const int port = FreeLocalPort();
    std::vector<std::string> argv = {"/usr/bin/python3", ServerScript("set_server.py"),
                                     "--port",           std::to_string(port),
                                     "--root",           root};
    if (!cert.empty()) argv.insert(argv.end(), {"--cert", cert, "--key", key});
    if (server->Start(argv, port)) return server;
  }
  return nullptr;
}

std::unique_ptr<ServerProcess> StartPlainHttpServer(const std::string& folder) {
  auto server = std::make_unique<ServerProcess>();
  for (int attempt = 0; attempt < 3; ++attempt) {
    const int port = FreeLocalPort();
    if (server->Start({"/usr/bin/python3", "-m", "http.server", "--bind", "127.0.0.1",
                       "--directory", folder, std::to_string(port)},
                      port))
      return server;
  }
  return nullptr;
}

ScratchFolder::ScratchFolder() {
  std::string pattern = std::filesystem::temp_directory_path().string() + "/twtest-XXXXXX";
  if (mkdtemp(pattern.data()) != nullptr) path_ = pattern + "/";
}

ScratchFolder::~ScratchFolder() {
  std::error_code error;
  if (!path_.empty()) std::filesystem::remove_all(path_, error);
}

namespace {

// Owns the application made for the tests and ends it when the tests are over, while
// Qt's own globals still exist (a function-level static would outlive them).
class GuiApplicationEnvironment : public ::testing::Environment {
 public:
  void TearDown() override { app.reset(); }
  std::unique_ptr<QApplication> app;
};

// gtest takes the environment over.
GuiApplicationEnvironment* const g_gui = static_cast<GuiApplicationEnvironment*>(
    ::testing::AddGlobalTestEnvironment(new GuiApplicationEnvironment));

}  // namespace

void EnsureGuiApplication() {
  if (QCoreApplication::instance() != nullptr) return;
  static int argc = 1;
  static char name[] = "tidewell_tests";
  static char* argv[] = {name, nullptr};
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  g_gui->app = std::make_unique<QApplication>(argc, argv);
  tidewell::ShowTransferProgressInWindows();  // as the program with windows does
}

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteWholeFile(const std::string& path, const std::string& data) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(data.data(), static_cast<std::streamsize>(data.size()));
}

}  // namespace tidewell_test
