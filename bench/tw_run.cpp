// A whole update run of `tidewell /LEAFLINE --quiet` over 500 small files from a local
// server (list, comparison, download, unpacking, installation, clean-up), against curl
// fetching the same packed files with six transfers at a time, in the same run. A run
// does more than the fetch (two unpacking steps, a copy made durable before it is renamed
// into place, removing the staging folder, starting the program), so it may take up to
// three times as long; waits between the steps would show as far more.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "tidewell/app/string_table.h"
#include "tidewell/updateset/generator_model.h"
#include "bench_harness.h"

namespace {

namespace fs = std::filesystem;

constexpr int kFiles = 500;
constexpr size_t kFileSize = 2000;
constexpr int kRounds = 3;

// The tidewell program beside this benchmark.
std::string TidewellProgram() {
  return (fs::read_symlink("/proc/self/exe").parent_path() / "tidewell").string();
}

size_t InstalledCount(const fs::path& folder) {
  size_t count = 0;
  std::error_code e;
  for (fs::recursive_directory_iterator it(folder, e), end; !e && it != end; it.increment(e))
    count += it->is_regular_file() ? 1 : 0;
  return count;
}

}  // namespace

int main() {
  setenv("NO_PROXY", "127.0.0.1,localhost", 1);
  std::string pattern = (fs::temp_directory_path() / "twbench-run-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) return 1;
  const fs::path root(pattern);
  for (const char* name : {"release", "installed", "served", "windows", "tmp", "fetched"})
    fs::create_directories(root / name);

  std::mt19937 random(7);
  for (int i = 0; i < kFiles; ++i) {
    std::string data(kFileSize, '\0');
    for (char& c : data)
      c = static_cast<char>('a' + random() % 26);  // compressible, like real files
    std::ofstream(root / "release" / ("file" + std::to_string(i) + ".dat"), std::ios::binary)
        << data;
  }
  {
    std::ofstream reg(root / "machine.reg");
    reg << "Windows Registry Editor Version 5.00\r\n\r\n"
        << "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvane\\Leafline]\r\n\r\n"
        << "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Leafline]"
           "\r\n"
        << "\"InstallLocation\"=\"" << (root / "installed").string() << "/\"\r\n";
  }
  setenv("TIDEWELL_HKLM", (root / "machine.reg").c_str(), 1);
  setenv("TIDEWELL_WINDIR", (root / "windows").c_str(), 1);
  setenv("TMPDIR", (root / "tmp").c_str(), 1);
  setenv("TIDEWELL_REBOOT_COMMAND", "true", 1);

  const int port = FreePort();
  const std::string base = "http://127.0.0.1:" + std::to_string(port) + "/";
  setenv("TIDEWELL_UPDATE_SERVER", base.c_str(), 1);

  tidewell::GeneratorModel model(tidewell::LoadString(tidewell::kStrPassPhrase));
  model.programFolder = (root / "release").string();
  model.listFile = (root / "served" / "leafline.tdu").string();
  model.localUpdateSetFolder = (root / "served").string();
  model.remoteWebDirectory = base;
  std::vector<std::string> files;
  for (const auto& entry : fs::directory_iterator(root / "release"))
    files.push_back(entry.path().string());
  std::sort(files.begin(), files.end());
  model.AddFiles(files);
  std::vector<size_t> all(model.Files().Count());
  for (size_t i = 0; i < all.size(); ++i) all[i] = i;
  model.SetCheck(tidewell::CheckFlag::Size, all, true);
  // The packing notes of the generator are not what is measured.
  std::fflush(stdout);
  const int savedOut = dup(STDOUT_FILENO);
  const int devNull = open("/dev/null", O_WRONLY);
  dup2(devNull, STDOUT_FILENO);
  const bool saved = model.SaveUpdateSetLocally().Complete();
  std::fflush(stdout);
  dup2(savedOut, STDOUT_FILENO);
  close(savedOut);
  close(devNull);
  if (!saved) {
    std::fprintf(stderr, "tw_run: cannot build the update set\n");
    return 1;
  }

  // The reference fetches the same packed files (and the list) in curl's parallel mode.
  {
    std::ofstream config(root / "curl.cfg");
    config << "url = \"" << base << "leafline.tdu\"\noutput = \""
           << (root / "fetched" / "list").string() << "\"\n";
    int n = 0;
    for (const tidewell::UpdateEntry& entry : model.Files())
      config << "url = \"" << base << entry.prefix << "/" << entry.name << "\"\noutput = \""
             << (root / "fetched" / std::to_string(n++)).string() << "\"\n";
  }

  const pid_t server = Spawn({"/usr/bin/python3", "-m", "http.server", "--bind", "127.0.0.1",
                              "--directory", (root / "served").string(), std::to_string(port)});
  for (int i = 0; i < 200 && !Accepts(port); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));

  const std::string program = TidewellProgram();
  double ours = 1e9, reference = 1e9;
  bool complete = true;
  for (int round = 0; round < kRounds; ++round) {
    auto start = Clock::now();
    RunToEnd({"/usr/bin/curl", "-s", "--parallel", "--parallel-max", "6", "-K",
              (root / "curl.cfg").string()});
    reference = std::min(reference, std::chrono::duration<double>(Clock::now() - start).count());
    complete = complete && InstalledCount(root / "fetched") == kFiles + 1;
    fs::remove_all(root / "fetched");
    fs::create_directories(root / "fetched");

    start = Clock::now();
    const int status = RunToEnd({program, "/LEAFLINE", "--quiet"});
    ours = std::min(ours, std::chrono::duration<double>(Clock::now() - start).count());
    complete = complete && status == 0 && InstalledCount(root / "installed") == kFiles;
    fs::remove_all(root / "installed");
    fs::create_directories(root / "installed");
  }
  kill(server, SIGTERM);
  waitpid(server, nullptr, 0);
  fs::remove_all(root);

  std::printf(
      "update run of %d files of %zu bytes: %.3f s per run; curl --parallel-max 6 fetching them: "
      "%.3f s%s\n",
      kFiles, kFileSize, ours, reference, complete ? "" : " (INCOMPLETE)");
  std::printf("BENCH name=tw_run_500_files ratio=%.3f target=3\n",
              complete ? ours / reference : 99.0);
  return complete ? 0 : 1;
}
