// Parallel HTTP download against curl's own parallel mode, fetching the same files
// from the same local server in the same run; then the memory a large download needs.
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
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <QApplication>
#include <QEventLoop>

#include "tidewell/transfer/http_download.h"
#include "tidewell/transfer/window_message.h"
#include "bench_harness.h"

namespace {

namespace fs = std::filesystem;

constexpr int kFiles = 200;
constexpr size_t kFileSize = 256 * 1024;
constexpr int kSmallFiles = 500;
constexpr size_t kSmallSize = 1000;
constexpr size_t kLargeSize = 64u << 20;
constexpr int kRounds = 5;

void WriteRandomFile(const fs::path& path, size_t size, std::mt19937& random) {
  std::vector<char> data(size);
  for (auto& c : data) c = static_cast<char>(random());
  std::ofstream(path, std::ios::binary).write(data.data(), static_cast<std::streamsize>(size));
}

// Our job with trace lines going nowhere (they are not what is measured).
double TimeOurs(const std::vector<std::string>& urls, const std::vector<std::string>& paths) {
  std::fflush(stdout);
  const int saved = dup(STDOUT_FILENO);
  const int null = open("/dev/null", O_WRONLY);
  dup2(null, STDOUT_FILENO);
  const auto start = Clock::now();
  auto job = tidewell::StartHttpDownload(urls, paths, nullptr, false, false, 0, false, false, "");
  job->Wait(std::chrono::minutes(10));
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  std::fflush(stdout);
  dup2(saved, STDOUT_FILENO);
  close(saved);
  close(null);
  return seconds;
}

// The same job as the client runs it in its window: a progress window instead of
// trace lines, the completion message received by the window's event loop.
class CompletionReceiver : public tidewell::MessageReceiver {
 public:
  QEventLoop loop;

 protected:
  void OnWindowMessage(unsigned, uintptr_t, intptr_t) override { loop.quit(); }
};

double TimeOursWithWindow(const std::vector<std::string>& urls,
                          const std::vector<std::string>& paths) {
  CompletionReceiver window;
  const auto start = Clock::now();
  auto job = tidewell::StartHttpDownload(urls, paths, &window, false, true,
                                         tidewell::WM_FILES_FETCHED, false, false, "");
  window.loop.exec();
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double TimeCurl(const std::vector<std::string>& urls, const std::vector<std::string>& paths,
                const fs::path& config) {
  {
    std::ofstream out(config);
    for (size_t i = 0; i < urls.size(); ++i)
      out << "url = \"" << urls[i] << "\"\noutput = \"" << paths[i] << "\"\n";
  }
  const auto start = Clock::now();
  const pid_t pid = Spawn(
      {"/usr/bin/curl", "-s", "--parallel", "--parallel-max", "6", "-K", config.string()}, true);
  int status = 0;
  waitpid(pid, &status, 0);
  return std::chrono::duration<double>(Clock::now() - start).count();
}

bool AllComplete(const std::vector<std::string>& paths, size_t size) {
  return std::all_of(paths.begin(), paths.end(), [&](const std::string& p) {
    std::error_code e;
    return fs::file_size(p, e) == size && !e;
  });
}

void ClearFiles(const std::vector<std::string>& paths) {
  std::error_code e;
  for (const auto& p : paths) fs::remove(p, e);
}

long PeakRssKb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
  setenv("NO_PROXY", "127.0.0.1,localhost", 1);
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  std::string pattern = (fs::temp_directory_path() / "twbench-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) return 1;
  const fs::path root(pattern);
  const fs::path served = root / "served";
  const fs::path fetched = root / "fetched";
  fs::create_directories(served);
  fs::create_directories(fetched);

  std::mt19937 random(42);
  std::vector<std::string> urls, paths;
  const int port = FreePort();
  for (int i = 0; i < kFiles; ++i) {
    char text[32];
    std::snprintf(text, sizeof text, "f%d.bin", i);
    const std::string name(text);
    WriteRandomFile(served / name, kFileSize, random);
    urls.push_back("http://127.0.0.1:" + std::to_string(port) + "/" + name);
    paths.push_back((fetched / name).string());
  }
  for (int i = 0; i < kSmallFiles; ++i) {
    char text[32];
    std::snprintf(text, sizeof text, "s%d.bin", i);
    WriteRandomFile(served / text, kSmallSize, random);
  }
  WriteRandomFile(served / "large.bin", kLargeSize, random);

  const pid_t server = Spawn({"/usr/bin/python3", "-m", "http.server", "--bind", "127.0.0.1",
                              "--directory", served.string(), std::to_string(port)},
                             true);
  for (int i = 0; i < 200 && !Accepts(port); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));

  double ours = 1e9, oursTraced = 1e9, reference = 1e9;
  bool complete = true;
  for (int round = 0; round < kRounds; ++round) {
    reference = std::min(reference, TimeCurl(urls, paths, root / "curl.cfg"));
    complete = complete && AllComplete(paths, kFileSize);
    ClearFiles(paths);
    ours = std::min(ours, TimeOursWithWindow(urls, paths));
    complete = complete && AllComplete(paths, kFileSize);
    ClearFiles(paths);
    oursTraced = std::min(oursTraced, TimeOurs(urls, paths));
    complete = complete && AllComplete(paths, kFileSize);
    ClearFiles(paths);
  }
  std::printf(
      "parallel download of %d files of %zu KB: ours %.3f s with progress window, %.3f s tracing "
      "(a line per switch of file), curl --parallel-max 6 %.3f s%s\n",
      kFiles, kFileSize / 1024, ours, oursTraced, reference, complete ? "" : " (INCOMPLETE)");
  std::printf("BENCH name=tw_http_parallel ratio=%.3f target=1.2\n",
              complete ? ours / reference : 99.0);
  std::printf("BENCH name=tw_http_parallel_traced ratio=%.3f target=1.5\n",
              complete ? oursTraced / reference : 99.0);

  // Many small files: the waits between workers must cost nothing.
  std::vector<std::string> smallUrls, smallPaths;
  for (int i = 0; i < kSmallFiles; ++i) {
    char text[32];
    std::snprintf(text, sizeof text, "s%d.bin", i);
    smallUrls.push_back("http://127.0.0.1:" + std::to_string(port) + "/" + text);
    smallPaths.push_back((fetched / text).string());
  }
  double oursSmall = 1e9, referenceSmall = 1e9;
  bool smallComplete = true;
  for (int round = 0; round < kRounds; ++round) {
    referenceSmall = std::min(referenceSmall, TimeCurl(smallUrls, smallPaths, root / "curl.cfg"));
    smallComplete = smallComplete && AllComplete(smallPaths, kSmallSize);
    ClearFiles(smallPaths);
    oursSmall = std::min(oursSmall, TimeOurs(smallUrls, smallPaths));
    smallComplete = smallComplete && AllComplete(smallPaths, kSmallSize);
    ClearFiles(smallPaths);
  }
  std::printf(
      "parallel download of %d files of %zu bytes: ours %.3f s, curl --parallel-max 6 %.3f s%s\n",
      kSmallFiles, kSmallSize, oursSmall, referenceSmall, smallComplete ? "" : " (INCOMPLETE)");
  std::printf("BENCH name=tw_http_small_files ratio=%.3f target=1.2\n",
              smallComplete ? oursSmall / referenceSmall : 99.0);

  // Memory: a 64 MB file must not need memory in proportion to its size.
  const long before = PeakRssKb();
  const std::string large = (fetched / "large.bin").string();
  TimeOurs({"http://127.0.0.1:" + std::to_string(port) + "/large.bin"}, {large});
  const long growthKb = PeakRssKb() - before;
  const bool largeComplete = AllComplete({large}, kLargeSize);
  std::printf("peak memory growth for one %zu MB download: %ld KB%s\n", kLargeSize >> 20, growthKb,
              largeComplete ? "" : " (INCOMPLETE)");
  std::printf("BENCH name=tw_http_memory ratio=%.4f target=0.05\n",
              largeComplete
                  ? static_cast<double>(growthKb) * 1024.0 / static_cast<double>(kLargeSize)
                  : 99.0);

  kill(server, SIGTERM);
  waitpid(server, nullptr, 0);
  std::error_code e;
  fs::remove_all(root, e);
  return 0;
}
