#include "tidewell/transfer/progress_fields.h"

#include <chrono>
#include <cstdio>

namespace tidewell {

bool ProgressFields::notShownYet() const {
  std::lock_guard<std::mutex> guard(lifeMutex_);
  return notShownYet_;
}

void ProgressFields::MarkShown() {
  {
    std::lock_guard<std::mutex> guard(lifeMutex_);
    notShownYet_ = false;
  }
  lifeChanged_.notify_all();
}

void ProgressFields::MarkGone() {
  {
    std::lock_guard<std::mutex> guard(lifeMutex_);
    gone_ = true;
  }
  lifeChanged_.notify_all();
}

bool ProgressFields::gone() const {
  std::lock_guard<std::mutex> guard(lifeMutex_);
  return gone_;
}

bool ProgressFields::WaitUntilShown(const std::atomic<bool>& giveUp) const {
  std::unique_lock<std::mutex> guard(lifeMutex_);
  while (notShownYet_ && !gone_) {
    if (giveUp.load()) return false;
    lifeChanged_.wait_for(guard, std::chrono::milliseconds(100));
  }
  return true;
}

void ProgressFields::WaitUntilGone() const {
  std::unique_lock<std::mutex> guard(lifeMutex_);
  while (!gone_) lifeChanged_.wait_for(guard, std::chrono::milliseconds(100));
}

ProgressDisplay FormatProgress(uint64_t done, uint64_t total) {
  char text[96];
  if (total != 0) {
    // 64-bit arithmetic: done * 100 must not wrap for large files.
    const uint64_t percent = done >= total ? 100 : done * 100 / total;
    std::snprintf(text, sizeof text, "%d %% of %.2f K", static_cast<int>(percent),
                  static_cast<double>(total) / 1024.0);
    return {text, static_cast<int>(percent)};
  }
  std::snprintf(text, sizeof text, "%.2f K Read", static_cast<double>(done) / 1024.0);
  return {text, 0};
}

}  // namespace tidewell
