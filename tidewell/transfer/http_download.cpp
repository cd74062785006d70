#include "tidewell/transfer/http_download.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

#include "tidewell/transfer/download_worker.h"
#include "tidewell/transfer/window_message.h"
#include "tidewell/transfer/wynet_exception.h"

namespace tidewell {
namespace {

constexpr int kMaxRunningWorkers = 6;
constexpr auto kPollStep = std::chrono::milliseconds(100);

struct HttpDownloadJob {
  std::vector<std::string> urls;
  std::vector<std::string> paths;
  bool onlyIfNewer;
  WindowRef window;
  unsigned message;
  bool showProgress;
  bool decrypt;
  bool uncompress;
  std::string passPhrase;
  std::vector<TransferLimits> limits;
};

// Lets the manager sleep until a worker finishes, at most one poll step at a time.
class FinishSignal {
 public:
  uint64_t generation() {
    std::lock_guard<std::mutex> guard(mutex_);
    return generation_;
  }
  void Notify() {
    {
      std::lock_guard<std::mutex> guard(mutex_);
      ++generation_;
    }
    changed_.notify_one();
  }
  void WaitForChange(uint64_t seen) {
    std::unique_lock<std::mutex> guard(mutex_);
    changed_.wait_for(guard, kPollStep, [&] { return generation_ != seen; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  uint64_t generation_ = 0;
};

// The worker threads of a job; all are joined before the workers they run go away.
class WorkerThreads {
 public:
  explicit WorkerThreads(size_t count) : threads_(count) {}
  ~WorkerThreads() {
    for (std::thread& thread : threads_) {
      if (thread.joinable()) thread.join();
    }
  }
  WorkerThreads(const WorkerThreads&) = delete;
  WorkerThreads& operator=(const WorkerThreads&) = delete;

  void Start(size_t i, DownloadWorker& worker, FinishSignal& signal) {
    threads_[i] = std::thread(
        [&worker, &signal] { RunDownloadWorker(worker, [&signal] { signal.Notify(); }); });
  }
  void Join(size_t i) { threads_[i].join(); }

 private:
  std::vector<std::thread> threads_;
};

// Runs every download, at most six at once; true when every file completed.
bool RunWorkers(const HttpDownloadJob& job, TransferSession& session) {
  const size_t count = job.urls.size();
  std::vector<std::unique_ptr<DownloadWorker>> workers;
  workers.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    auto worker = std::make_unique<DownloadWorker>();
    worker->index = static_cast<int>(i);
    worker->url = job.urls[i];
    worker->path = job.paths[i];
    worker->onlyIfNewer = job.onlyIfNewer;
    worker->session = &session;
    if (i < job.limits.size()) worker->limits = job.limits[i];
    workers.push_back(std::move(worker));
  }

  FinishSignal signal;
  WorkerThreads threads(count);
  session.ShowProgressWindow();
  try {
    size_t next = 0;
    size_t done = 0;
    int running = 0;
    uint64_t seen = signal.generation();
    while (done < count) {
      // One start per pass; a pass that cannot start anything ends as soon as a
      // worker finishes (or after one poll step).
      // A cancelled job starts nothing more; what never started counts as done.
      if (next < count && session.cancelled()) {
        done += count - next;
        next = count;
      }
      if (next < count && running < kMaxRunningWorkers) {
        workers[next]->running = true;
        threads.Start(next, *workers[next], signal);
        ++next;
        ++running;
      } else {
        signal.WaitForChange(seen);
      }
      seen = signal.generation();
      for (size_t i = 0; i < next; ++i) {
        DownloadWorker& worker = *workers[i];
        if (worker.finished && worker.running) {
          worker.running = false;
          threads.Join(i);
          --running;
          ++done;
        }
      }
    }
  } catch (...) {
    session.Cancel();  // the running workers stop within a poll step and are joined
    throw;
  }

  bool all = count > 0;
  for (const auto& worker : workers) all = all && worker->completed;
  return all;
}

void RunManager(HttpDownloadJob job, const std::shared_ptr<TransferJob>& handle) {
  bool allCompleted = false;
  try {
    std::unique_ptr<TransferSession> session;
    try {
      if (job.urls.size() != job.paths.size() ||
          (!job.limits.empty() && job.limits.size() != job.urls.size()))
        throw WynetException(kWynetListMismatch);
      session = std::make_unique<TransferSession>();
      session->decrypt = job.decrypt;
      session->uncompress = job.uncompress;
      session->passPhrase = job.passPhrase;
      if (job.showProgress) session->AttachProgress(job.window);
      allCompleted = RunWorkers(job, *session);
    } catch (...) {
      // Reported only through the completion flag.
      allCompleted = false;
    }
    if (session) session->CloseProgressWindow();
    session.reset();  // waits until its progress window is gone
  } catch (...) {
    allCompleted = false;
  }
  if (job.message != 0) job.window.Post(job.message, allCompleted ? 1 : 0, 0);
  handle->MarkFinished();
}

}  // namespace

std::shared_ptr<TransferJob> StartHttpDownload(std::vector<std::string> urls,
                                               std::vector<std::string> paths, QObject* window,
                                               bool onlyIfNewer, bool showProgress,
                                               unsigned message, bool decrypt, bool uncompress,
                                               const std::string& passPhrase,
                                               std::vector<TransferLimits> limits) {
  HttpDownloadJob job{std::move(urls), std::move(paths), onlyIfNewer, WindowRef(window),
                      message,         showProgress,     decrypt,     uncompress,
                      passPhrase,      std::move(limits)};
  auto handle = std::make_shared<TransferJob>();
  std::thread(RunManager, std::move(job), handle).detach();
  return handle;
}

}  // namespace tidewell
