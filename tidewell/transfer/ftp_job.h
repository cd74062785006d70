#pragma once
// Upload and download of an update set over FTP, each as a job on a thread of its own.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tidewell/transfer/transfer_job.h"

class QObject;

namespace tidewell {

class FtpConnection;
class TransferSession;

// Everything an FTP job is started with. The job owns its copy.
struct FtpJob {
  std::vector<std::string> remotePaths;  // relative to initialDir, levels separated by '/'
  std::vector<std::string> localPaths;   // same order and length
  std::string host;                      // "host" or "host:port", no scheme
  std::string user;
  std::string password;
  std::string initialDir;     // normalised by the start call; a folder typed without a
                              // leading '/' is also tried below the login folder
  std::string proxy;          // proxy list ("ftp=ftp://host:port"), "" for none
  std::string bypass;         // hosts reached without the proxy
  bool askOverwrite = true;   // upload: ask before replacing a server file
  QObject* window = nullptr;  // parents the progress window, receives `message`
  unsigned message = 0;       // posted to window at the end; 0 posts nothing
  bool showProgress = true;
  TransferSession* session = nullptr;   // an open session to use; not owned
  FtpConnection* connection = nullptr;  // an open connection to use; not owned
  bool packFirst = true;                // compress on upload, decrypt on download
  bool packSecond = true;               // encrypt on upload, uncompress on download
  std::string passPhrase;

  // Shows a report in a modal OK box on the job's behalf and returns once it was
  // dismissed. Without one, reports go to standard error.
  std::function<void(const std::string& text)> showMessage;
  // Asks the overwrite question and returns an OverwriteAnswer. Without one there is
  // nobody to ask: Cancel.
  std::function<int(const std::string& question)> askOverwriteQuestion;
  // Told, on the job's thread, of each file handled: its index, whether it was moved
  // (false: the server's copy was kept) and the bytes moved.
  std::function<void(size_t index, bool moved, uint64_t bytes)> fileDone;
};

// How a job ended: code 0 when every file was handled (a skipped file included),
// else the code of the report (3 when cancelled); internetError for failures of the
// internet client; report is the text shown ("" for none).
struct FtpJobResult {
  int code = 0;
  int internetError = 0;
  std::string report;
  std::string cause;  // what went wrong in words a person can act on ("" when cancelled)
  bool ok() const { return code == 0 && internetError == 0 && report.empty(); }
};

class FtpTransferJob : public TransferJob {
 public:
  // Valid once the job has finished.
  const FtpJobResult& result() const { return result_; }
  void SetResult(FtpJobResult result) { result_ = std::move(result); }

 private:
  FtpJobResult result_;
};

// Start the job on its own thread and return at once; call on the window's thread.
std::shared_ptr<FtpTransferJob> StartFtpUpload(FtpJob job);
std::shared_ptr<FtpTransferJob> StartFtpDownload(FtpJob job);

}  // namespace tidewell
