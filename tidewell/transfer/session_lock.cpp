#include "tidewell/transfer/session_lock.h"

#include <chrono>

#include "tidewell/transfer/wynet_exception.h"

namespace tidewell {

void SessionLock::Acquire(const std::atomic<bool>& cancel) {
  std::unique_lock<std::mutex> guard(mutex_);
  while (held_) {
    if (cancel.load()) throw WynetException(kWynetCancelled);
    released_.wait_for(guard, std::chrono::milliseconds(100));
  }
  held_ = true;
}

void SessionLock::Release() {
  {
    std::lock_guard<std::mutex> guard(mutex_);
    held_ = false;
  }
  released_.notify_one();
}

void SessionLock::WakeWaiters() {
  { std::lock_guard<std::mutex> guard(mutex_); }
  released_.notify_all();
}

}  // namespace tidewell
