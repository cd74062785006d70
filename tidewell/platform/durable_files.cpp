#include "tidewell/platform/durable_files.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <thread>

namespace tidewell {
namespace {

constexpr size_t kSyncThreads = 8;

bool SyncPath(const std::string& path, int flags, bool dataOnly) {
  const int fd = ::open(path.c_str(), flags | O_CLOEXEC);
  if (fd < 0) return false;
  const bool synced = (dataOnly ? ::fdatasync(fd) : ::fsync(fd)) == 0;
  return ::close(fd) == 0 && synced;
}

}  // namespace

bool SyncFile(const std::string& path) { return SyncPath(path, O_RDONLY, true); }

bool SyncFolder(const std::string& folder) {
  return SyncPath(folder.empty() ? "." : folder, O_RDONLY | O_DIRECTORY, false);
}

bool SyncFiles(const std::vector<std::string>& paths) {
  std::atomic<size_t> next{0};
  std::atomic<bool> all{true};
  const auto work = [&] {
    for (size_t i = next++; i < paths.size(); i = next++)
      if (!SyncFile(paths[i])) all = false;
  };
  std::vector<std::thread> threads;
  const size_t extra = std::min(kSyncThreads, paths.size()) - (paths.empty() ? 0 : 1);
  for (size_t i = 0; i < extra; ++i) threads.emplace_back(work);
  work();
  for (std::thread& thread : threads) thread.join();
  return all;
}

}  // namespace tidewell
