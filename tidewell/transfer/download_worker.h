#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "tidewell/transfer/transfer_limits.h"
#include "tidewell/transfer/transfer_session.h"

namespace tidewell {

// One file of an HTTP download job.
struct DownloadWorker {
  int index = 0;  // position in the job's lists
  std::string url;
  std::string path;
  bool onlyIfNewer = false;
  TransferLimits limits;
  std::atomic<bool> httpOk{false};     // the server answered 200
  std::atomic<bool> completed{false};  // received and, where asked, unpacked
  bool running = false;                // the manager's own bookkeeping
  std::atomic<bool> finished{false};   // the worker's very last action, on every path
  TransferSession* session = nullptr;
  int64_t contentLength = -1;  // from Content-Length; -1 when unknown
  int64_t bytesRead = 0;
};

// Fetches worker.url into worker.path (and unpacks it when the session asks for it),
// tracing on the standard streams or updating the session's progress window. Every
// failure ends in an ERROR or CANCELLED line; nothing escapes. Sets `finished` last,
// then calls onFinished.
void RunDownloadWorker(DownloadWorker& worker, const std::function<void()>& onFinished);

}  // namespace tidewell
