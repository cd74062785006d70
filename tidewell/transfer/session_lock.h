#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>

namespace tidewell {

// The binary lock of a transfer session. A thread that has to wait for it waits in
// steps of at most 100 ms and gives up with WynetException(3) once the job is
// cancelled; a release or a cancellation wakes a waiter at once.
class SessionLock {
 public:
  void Acquire(const std::atomic<bool>& cancel);
  void Release();
  // Called after the cancel flag was set, so that waiters notice without delay.
  void WakeWaiters();

 private:
  std::mutex mutex_;
  std::condition_variable released_;
  bool held_ = false;
};

// One thread's use of the session lock: released on leaving the scope if still held,
// so an exception never leaves the lock taken.
class SessionLockHolder {
 public:
  SessionLockHolder(SessionLock& lock, const std::atomic<bool>& cancel)
      : lock_(lock), cancel_(cancel) {}
  ~SessionLockHolder() {
    if (held_) lock_.Release();
  }
  SessionLockHolder(const SessionLockHolder&) = delete;
  SessionLockHolder& operator=(const SessionLockHolder&) = delete;

  void Acquire() {
    lock_.Acquire(cancel_);
    held_ = true;
  }
  void Release() {
    held_ = false;
    lock_.Release();
  }
  bool held() const { return held_; }

 private:
  SessionLock& lock_;
  const std::atomic<bool>& cancel_;
  bool held_ = false;
};

}  // namespace tidewell
