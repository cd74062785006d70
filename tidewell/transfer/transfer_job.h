#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace tidewell {

// Returned by the calls that start a transfer job on its own thread: tells when the
// job is over (its completion message has been posted).
class TransferJob {
 public:
  bool finished() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return finished_;
  }
  // True when the job ended within the time-out.
  bool Wait(std::chrono::milliseconds timeout) const {
    std::unique_lock<std::mutex> guard(mutex_);
    return changed_.wait_for(guard, timeout, [this] { return finished_; });
  }
  void MarkFinished() {
    {
      std::lock_guard<std::mutex> guard(mutex_);
      finished_ = true;
    }
    changed_.notify_all();
  }

 private:
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  bool finished_ = false;
};

}  // namespace tidewell
