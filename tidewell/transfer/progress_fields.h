#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>

namespace tidewell {

// What a progress window shows. Job threads write these fields; the window's timer
// reads them on its own thread. Texts are replaced whole under a lock, numbers are
// single words.
class ProgressFields {
 public:
  std::string statusText() const { return Get(statusText_); }
  std::string addressText() const { return Get(addressText_); }
  std::string percentText() const { return Get(percentText_); }
  std::string watchedPath() const { return Get(watchedPath_); }
  void SetStatusText(const std::string& text) { Set(statusText_, text); }
  void SetAddressText(const std::string& text) { Set(addressText_, text); }
  void SetPercentText(const std::string& text) { Set(percentText_, text); }
  void SetWatchedPath(const std::string& path) { Set(watchedPath_, path); }

  std::atomic<bool> showBar{true};
  std::atomic<uint64_t> total{0};  // bytes expected, 0 when unknown
  std::atomic<uint64_t> done{0};   // bytes transferred
  std::atomic<bool> watchFile{false};

  // Window life, for the jobs that must not close a window before it opened.
  bool notShownYet() const;
  void MarkShown();
  void MarkGone();
  bool gone() const;
  // Waits in steps of at most 100 ms; false when `give up` turned true first.
  bool WaitUntilShown(const std::atomic<bool>& giveUp) const;
  void WaitUntilGone() const;

 private:
  std::string Get(const std::string& field) const {
    std::lock_guard<std::mutex> guard(textMutex_);
    return field;
  }
  void Set(std::string& field, const std::string& text) {
    std::lock_guard<std::mutex> guard(textMutex_);
    field = text;
  }

  mutable std::mutex textMutex_;
  std::string statusText_ = "Reading from:";
  std::string addressText_;
  std::string percentText_;
  std::string watchedPath_;

  mutable std::mutex lifeMutex_;
  mutable std::condition_variable lifeChanged_;
  bool notShownYet_ = true;
  bool gone_ = false;
};

// The percentage text and bar position for done bytes out of total (0: unknown).
struct ProgressDisplay {
  std::string text;
  int percent;
};
ProgressDisplay FormatProgress(uint64_t done, uint64_t total);

}  // namespace tidewell
