#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "tidewell/transfer/http_connection.h"
#include "tidewell/transfer/internet_session.h"
#include "tidewell/transfer/progress_fields.h"
#include "tidewell/transfer/session_lock.h"
#include "tidewell/transfer/window_message.h"

namespace tidewell {

struct ProgressWindowLink;

// Opens a progress window for a job's fields on the application's thread, above `parent`
// (or the nearest window holding it; none for null). `closed` runs once the window ends for
// any reason. Returns the window; its reject() slot closes it. The window side of the
// program installs one; a program without windows has none and its jobs show nothing.
using ProgressWindowOpener = QObject* (*)(const std::shared_ptr<ProgressFields>& fields,
                                          QObject* parent, std::function<void()> closed);
void SetProgressWindowOpener(ProgressWindowOpener opener);

// The internet session of one transfer job, with its progress window, cancel flag,
// lock and unpack settings.
class TransferSession {
 public:
  explicit TransferSession(std::string agent = "Http Connection", int context = 1,
                           ProxyAccess access = ProxyAccess::Preconfigured, std::string proxy = "");
  // Waits until a progress window it opened is gone.
  ~TransferSession();
  TransferSession(const TransferSession&) = delete;
  TransferSession& operator=(const TransferSession&) = delete;

  InternetSession& internet() { return internet_; }
  // The libcurl handles the job's requests take turns with.
  HttpHandlePool& handlePool() { return handles_; }

  // Prepares a progress window for parentWindow (none for a null parent, or when the
  // program has no windows at all: no opener was installed). Its fields can be written at once.
  void AttachProgress(const WindowRef& parentWindow);
  // The progress window's fields, or null without a window.
  ProgressFields* progress() { return progress_.get(); }

  // Shows the window on the window thread; its closing, for any reason, cancels the job.
  void ShowProgressWindow();
  // Waits until the window has been shown, then closes it as its Cancel button would.
  void CloseProgressWindow();
  // Waits until the window no longer exists.
  void WaitProgressWindowGone();

  // Set once, when the job is cancelled; every wait and loop of the job looks at it.
  const std::atomic<bool>& cancel() const { return cancel_; }
  bool cancelled() const { return cancel_.load(); }
  void Cancel();

  SessionLock lock;
  bool firstRequest = true;  // guarded by lock
  int currentIndex = -1;     // guarded by lock

  bool decrypt = false;
  bool uncompress = false;
  std::string passPhrase;

 private:
  InternetSession internet_;
  HttpHandlePool handles_;
  std::atomic<bool> cancel_{false};
  WindowRef parentWindow_;
  std::shared_ptr<ProgressFields> progress_;
  std::shared_ptr<ProgressWindowLink> window_;  // set once the window was asked for
};

}  // namespace tidewell
