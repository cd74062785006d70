// Whole update runs of `tidewell /LEAFLINE --quiet` from a local server (nginx when it is
// installed, else Python's http.server): list, comparison, download, unpacking,
// installation and clean-up, for 500 files of 20 KB and for 20 files of 5 MB. Each is set
// against the limit measured in the same run: curl fetching the same packed files six at
// a time, then UnpackFile unpacking them in this process. The run's peak memory for the
// large files is a figure too.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "tidewell/app/string_table.h"
#include "tidewell/packing/pack_file.h"
#include "tidewell/updateset/generator_model.h"
#include "bench_harness.h"

namespace {

namespace fs = std::filesystem;

constexpr int kRounds = 5;
constexpr double kRatioTarget = 1.5;
constexpr double kPeakTargetBytes = 64.0 * 1024 * 1024;

struct Shape {
  const char* name;
  int files;
  size_t size;
};

// Standard output and error go to /dev/null for the life of one of these.
class QuietOutput {
 public:
  QuietOutput() {
    std::cout.flush();
    std::fflush(stdout);
    savedOut_ = dup(STDOUT_FILENO);
    savedErr_ = dup(STDERR_FILENO);
    const int devNull = open("/dev/null", O_WRONLY);
    dup2(devNull, STDOUT_FILENO);
    dup2(devNull, STDERR_FILENO);
    close(devNull);
  }
  ~QuietOutput() {
    std::cout.flush();
    std::fflush(stdout);
    dup2(savedOut_, STDOUT_FILENO);
    dup2(savedErr_, STDERR_FILENO);
    close(savedOut_);
    close(savedErr_);
  }
  QuietOutput(const QuietOutput&) = delete;
  QuietOutput& operator=(const QuietOutput&) = delete;

 private:
  int savedOut_;
  int savedErr_;
};

struct Ended {
  int status = -1;  // -1 when it did not exit normally
  double peakBytes = 0;
};

// Runs a program to its end, with its peak memory.
Ended RunWithPeak(const std::vector<std::string>& argv) {
  Ended ended;
  const pid_t pid = Spawn(argv);
  if (pid < 0) return ended;
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  ended.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  ended.peakBytes = static_cast<double>(usage.ru_maxrss) * 1024;
  return ended;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

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

// A local web server over `folder`; nginx when installed. Its process id, -1 when none.
pid_t StartServer(const fs::path& root, const fs::path& folder, int port, bool& nginx) {
  nginx = fs::exists("/usr/sbin/nginx");
  if (!nginx)
    return Spawn({"/usr/bin/python3", "-m", "http.server", "--bind", "127.0.0.1", "--directory",
                  folder.string(), std::to_string(port)});
  fs::create_directories(root / "nginx");
  std::ofstream(root / "nginx.conf")
      << "daemon off;\nmaster_process off;\nworker_processes 1;\npid " << (root / "nginx.pid")
      << ";\nerror_log " << (root / "nginx" / "error.log") << ";\n"
      << "events { worker_connections 256; }\n"
      << "http {\n  access_log off;\n  sendfile on;\n  client_body_temp_path " << (root / "nginx")
      << ";\n  proxy_temp_path " << (root / "nginx") << ";\n  fastcgi_temp_path "
      << (root / "nginx") << ";\n  uwsgi_temp_path " << (root / "nginx") << ";\n  scgi_temp_path "
      << (root / "nginx") << ";\n  types { }\n  default_type application/octet-stream;\n"
      << "  server { listen 127.0.0.1:" << port << "; root " << folder << "; }\n}\n";
  return Spawn(
      {"/usr/sbin/nginx", "-p", (root / "nginx").string(), "-c", (root / "nginx.conf").string()});
}

// One shape: true when every run installed every file.
bool Measure(const Shape& shape, const fs::path& scratch, const std::string& program,
             bool& nginxUsed) {
  std::string pattern = (scratch / "twbench-run-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) return false;
  const fs::path root(pattern);
  for (const char* name : {"release", "installed", "served", "windows", "tmp", "fetched"})
    fs::create_directories(root / name);

  std::mt19937 random(7);
  for (int i = 0; i < shape.files; ++i) {
    std::string data(shape.size, '\0');
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

  const std::string passPhrase = tidewell::LoadString(tidewell::kStrPassPhrase);
  tidewell::GeneratorModel model(passPhrase);
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
  bool saved = false;
  {
    const QuietOutput quiet;  // the packing notes of the generator are not what is measured
    saved = model.SaveUpdateSetLocally().Complete();
  }
  if (!saved) {
    std::fprintf(stderr, "tw_run: cannot build the update set\n");
    fs::remove_all(root);
    return false;
  }

  // The limit fetches the same packed files (and the list) in curl's parallel mode.
  std::vector<std::string> fetched;
  {
    std::ofstream config(root / "curl.cfg");
    config << "url = \"" << base << "leafline.tdu\"\noutput = \""
           << (root / "fetched" / "list").string() << "\"\n";
    int n = 0;
    for (const tidewell::UpdateEntry& entry : model.Files()) {
      fetched.push_back((root / "fetched" / std::to_string(n++)).string());
      config << "url = \"" << base << entry.prefix << "/" << entry.name << "\"\noutput = \""
             << fetched.back() << "\"\n";
    }
  }

  const pid_t server = StartServer(root, root / "served", port, nginxUsed);
  for (int i = 0; i < 200 && !Accepts(port); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));

  std::vector<double> ours, limit;
  double peak = 0;
  bool complete = true;
  for (int round = 0; round < kRounds; ++round) {
    auto start = Clock::now();
    RunToEnd({"/usr/bin/curl", "-s", "--parallel", "--parallel-max", "6", "-K",
              (root / "curl.cfg").string()});
    {
      const QuietOutput quiet;  // UnpackFile's notes are not what is measured
      for (const std::string& path : fetched) {
        std::string unpacked;
        complete = complete && tidewell::UnpackFile(path, true, true, passPhrase, unpacked);
        if (!unpacked.empty()) fs::rename(unpacked, path + ".unpacked");
      }
    }
    limit.push_back(Seconds(start));
    complete = complete && InstalledCount(root / "fetched") == 2 * fetched.size() + 1;
    fs::remove_all(root / "fetched");
    fs::create_directories(root / "fetched");

    start = Clock::now();
    const Ended run = RunWithPeak({program, "/LEAFLINE", "--quiet"});
    ours.push_back(Seconds(start));
    peak = std::max(peak, run.peakBytes);
    complete = complete && run.status == 0 &&
               InstalledCount(root / "installed") == static_cast<size_t>(shape.files);
    fs::remove_all(root / "installed");
    fs::create_directories(root / "installed");
  }
  kill(server, SIGTERM);
  waitpid(server, nullptr, 0);
  fs::remove_all(root);

  const double ourTime = Median(ours);
  const double limitTime = Median(limit);
  std::printf(
      "update run of %d files of %zu bytes: %.3f s (median of %d), peak memory %.1f MB; "
      "curl --parallel-max 6 and UnpackFile: %.3f s%s\n",
      shape.files, shape.size, ourTime, kRounds, peak / 1048576, limitTime,
      complete ? "" : " (INCOMPLETE)");
  std::printf("BENCH name=tw_run_%s ratio=%.3f target=%.1f\n", shape.name,
              complete ? ourTime / limitTime : 99.0, kRatioTarget);
  if (shape.size >= 1000000)
    std::printf("BENCH name=tw_run_%s_peak_memory ratio=%.3f target=1\n", shape.name,
                peak / kPeakTargetBytes);
  return complete;
}

}  // namespace

int main() {
  setenv("NO_PROXY", "127.0.0.1,localhost", 1);
  const std::string program = TidewellProgram();
  const fs::path scratch = fs::temp_directory_path();  // before each shape sets its own
  std::printf("cores: %u\n", std::thread::hardware_concurrency());
  bool complete = true;
  bool nginx = false;
  for (const Shape& shape : {Shape{"500x20k", 500, 20 * 1024}, Shape{"20x5m", 20, 5 << 20}})
    complete = Measure(shape, scratch, program, nginx) && complete;
  std::printf("server: %s\n", nginx ? "nginx" : "python3 http.server");
  return complete ? 0 : 1;
}
