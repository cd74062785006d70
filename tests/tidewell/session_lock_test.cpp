#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "tidewell/transfer/session_lock.h"
#include "tidewell/transfer/wynet_exception.h"

using namespace tidewell;
using Clock = std::chrono::steady_clock;

TEST(SessionLock, WaiterGetsTheLockAsSoonAsItIsReleased) {
  SessionLock lock;
  std::atomic<bool> cancel{false};
  lock.Acquire(cancel);
  Clock::time_point acquired;
  std::thread waiter([&] {
    lock.Acquire(cancel);
    acquired = Clock::now();
    lock.Release();
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(130));
  const auto released = Clock::now();
  lock.Release();
  waiter.join();
  // Waits are bounded by 100 ms steps, but a release wakes the waiter at once.
  EXPECT_LT(acquired - released, std::chrono::milliseconds(40));
}

TEST(SessionLock, WaiterGivesUpWithCancelCodeWhenJobIsCancelled) {
  SessionLock lock;
  std::atomic<bool> cancel{false};
  lock.Acquire(cancel);
  int code = -1;
  Clock::time_point gaveUp;
  std::thread waiter([&] {
    try {
      lock.Acquire(cancel);
    } catch (const WynetException& e) {
      code = e.code();
      gaveUp = Clock::now();
    }
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  const auto cancelled = Clock::now();
  cancel = true;
  lock.WakeWaiters();
  waiter.join();
  EXPECT_EQ(code, 3);
  EXPECT_LT(gaveUp - cancelled, std::chrono::milliseconds(40));

  // A free lock is still taken after cancellation: the read loop notices on its own.
  lock.Release();
  EXPECT_NO_THROW(lock.Acquire(cancel));
}

TEST(SessionLock, HolderReleasesWhenLeftByException) {
  SessionLock lock;
  std::atomic<bool> cancel{false};
  try {
    SessionLockHolder holder(lock, cancel);
    holder.Acquire();
    throw WynetException(6);
  } catch (const WynetException&) {
  }
  cancel = true;  // a held lock would now throw instead of being taken
  EXPECT_NO_THROW(lock.Acquire(cancel));
}
