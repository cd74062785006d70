#pragma once

#include <memory>
#include <string>
#include <vector>

#include "tidewell/transfer/transfer_job.h"
#include "tidewell/transfer/transfer_limits.h"

class QObject;

namespace tidewell {

// Downloads urls[i] into paths[i], up to six at a time, on threads of its own, and
// returns at once. Each file may be fetched only when the server's copy is newer than
// the local one, and may be unpacked (decrypt, then uncompress) after it arrived.
// With showProgress and a window, a progress window shows the transfer and closing it
// cancels the job. At the end `message` is posted to `window` (when both are given)
// with first parameter 1 when every file was received and unpacked, else 0, and second
// parameter 0. Call it on the window's thread; a window on the application's thread
// that is destroyed meanwhile just receives nothing. limits, when given, holds one entry
// per file: a file that breaks its limits or hash is not completed.
std::shared_ptr<TransferJob> StartHttpDownload(std::vector<std::string> urls,
                                               std::vector<std::string> paths, QObject* window,
                                               bool onlyIfNewer, bool showProgress,
                                               unsigned message, bool decrypt, bool uncompress,
                                               const std::string& passPhrase,
                                               std::vector<TransferLimits> limits = {});

}  // namespace tidewell
