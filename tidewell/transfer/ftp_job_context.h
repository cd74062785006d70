#pragma once
// What one FTP job's thread works with, shared by the job frame and the per-file steps
// of each direction.
#include <string>

#include "tidewell/transfer/ftp_connection.h"
#include "tidewell/transfer/ftp_job.h"
#include "tidewell/transfer/transfer_session.h"
#include "tidewell/transfer/wynet_exception.h"

namespace tidewell {

struct FtpJobContext {
  FtpJob& job;
  TransferSession& session;
  FtpConnection& connection;
  std::string currentDir;  // empty until initialDir was entered
  std::string detail;      // second line of a report
  bool yesToAll = false;

  // The progress window is on screen, so its fields may be written.
  bool WindowShown() const {
    return session.progress() != nullptr && !session.progress()->notShownYet();
  }

  [[noreturn]] void Fail(int code, std::string detailText) {
    detail = std::move(detailText);
    throw WynetException(code);
  }

  // Makes path current; on failure the report names where the job was and where it
  // wanted to go.
  void Enter(const std::string& path);
};

class PackAhead;

// Per-file work of each direction, entered with initialDir current. An upload takes the
// packed file from packer, which may have made it ahead of time.
void UploadOneFile(FtpJobContext& context, size_t index, PackAhead& packer);
void DownloadOneFile(FtpJobContext& context, const std::string& remotePath,
                     const std::string& localPath);

}  // namespace tidewell
