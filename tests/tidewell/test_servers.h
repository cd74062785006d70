#pragma once

#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

namespace tidewell_test {

// A port on 127.0.0.1 that nothing listens on right now.
int FreeLocalPort();

// A server program started for a test and stopped (by its process id) at the end.
class ServerProcess {
 public:
  ServerProcess() = default;
  ~ServerProcess() { Stop(); }
  ServerProcess(const ServerProcess&) = delete;
  ServerProcess& operator=(const ServerProcess&) = delete;

  // Starts argv (argv[0] a full path) with its output discarded and waits up to
  // ten seconds until 127.0.0.1:port accepts connections.
  bool Start(const std::vector<std::string>& argv, int port);
  void Stop();

  int port() const { return port_; }
  pid_t pid() const { return pid_; }
  // "http://127.0.0.1:PORT" followed by path.
  std::string Url(const std::string& path) const;

 private:
  pid_t pid_ = -1;
  int port_ = 0;
};

// The path of a script in tests/servers/.
std::string ServerScript(const std::string& name);

// tests/servers/http_test_server.py; /file/NAME serves the files of root.
std::unique_ptr<ServerProcess> StartHttpTestServer(const std::string& root = ".");
// tests/servers/set_server.py over root, with TLS when cert and key are given.
std::unique_ptr<ServerProcess> StartSetServer(const std::string& root, const std::string& cert = "",
                                              const std::string& key = "");
// Python's own file server over folder.
std::unique_ptr<ServerProcess> StartPlainHttpServer(const std::string& folder);

// A fresh empty folder (with a trailing '/'), removed with everything in it at the end.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + name; }

 private:
  std::string path_;
};

// Makes sure a widget application exists (offscreen in tests), for windows and for
// posted messages.
void EnsureGuiApplication();

// Reads a whole file; empty when it cannot be read.
std::string ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::string& data);

}  // namespace tidewell_test
