// What every benchmark measures with: child programs (started, waited for, their output
// dropped where asked), free loopback ports and waiting for a server to listen, wall
// times, peak resident memory, and the BENCH lines bin/bench reads. Each benchmark
// program includes it once; a benchmark file holds only its cases.
#pragma once
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

inline double Seconds(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Starts a program (a full path); with quiet its standard output and error go to
// /dev/null. -1 when it cannot be started.
inline pid_t Spawn(const std::vector<std::string>& argv, bool quiet = true) {
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (quiet) {
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  }
  pid_t pid = -1;
  if (posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

// Runs a program to its end; its exit status (-1 when it did not start or exit normally).
inline int RunToEnd(const std::vector<std::string>& argv, bool quiet = true) {
  const pid_t pid = Spawn(argv, quiet);
  if (pid < 0) return -1;
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A program run to its end with its output shown; true when it exited with 0.
inline bool Run(const std::vector<std::string>& argv) { return RunToEnd(argv, false) == 0; }

inline int FreePort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  close(fd);
  return ntohs(a.sin_port);
}

inline bool Accepts(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<uint16_t>(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  close(fd);
  return ok;
}

// Best wall time of a few runs, or a negative value when a run failed.
inline double Best(int rounds, const std::function<bool()>& step) {
  double best = 1e30;
  for (int i = 0; i < rounds; ++i) {
    const auto start = Clock::now();
    if (!step()) return -1;
    best = std::min(best, Seconds(start));
  }
  return best;
}

// A field of /proc/self/status in kB (VmRSS:, VmHWM:), or -1.
inline long StatusKb(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  const size_t n = std::strlen(field);
  while (std::getline(status, line))
    if (line.compare(0, n, field) == 0) return std::atol(line.c_str() + n + 1);
  return -1;
}

// Resets the peak resident size to the current one; false where the kernel refuses.
inline bool ResetPeak() {
  std::ofstream clear("/proc/self/clear_refs");
  clear << "5";
  return bool(clear.flush());
}

// Picture benchmarks: runs that failed, and the lines comparing ours with ImageMagick.
inline int failures = 0;

inline void Report(const std::string& name, double ours, double reference) {
  if (ours < 0 || reference < 0) {
    std::printf("%s: a run failed\n", name.c_str());
    ++failures;
    return;
  }
  std::printf("%s: ours %.3f s, ImageMagick %.3f s\n", name.c_str(), ours, reference);
  std::printf("BENCH name=%s ratio=%.4f target=1\n", name.c_str(), ours / reference);
}

// The peak resident size above the baseline as a multiple of the picture's DIB size.
inline void ReportMemory(const std::string& name, long baselineKb, std::size_t dibSize) {
  const long peakKb = StatusKb("VmHWM:");
  if (peakKb <= 0) return;
  const double multiple = double(peakKb - baselineKb) * 1024.0 / double(dibSize);
  std::printf("%s: peak %.2f x the DIB size (%zu bytes)\n", name.c_str(), multiple, dibSize);
  std::printf("BENCH name=%s ratio=%.3f target=3\n", name.c_str(), multiple);
}

// A DIB block as a BMP file (the 14-byte file header, then the block's first dibSize
// bytes), written without the library under test.
inline bool WriteBmp(const std::string& path, const void* dib, std::size_t dibSize,
                     std::uint32_t pixelOffset) {
  const std::uint32_t fileSize = std::uint32_t(14 + dibSize), offset = 14 + pixelOffset;
  std::uint8_t fileHeader[14] = {'B', 'M'};
  std::memcpy(fileHeader + 2, &fileSize, 4);
  std::memcpy(fileHeader + 10, &offset, 4);
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(fileHeader), 14);
  out.write(static_cast<const char*>(dib), std::streamsize(dibSize));
  return bool(out);
}

}  // namespace
