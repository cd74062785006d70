// One file of an FTP download: walk to its directory, fetch it, unpack it in place.
#include <cstdio>

#include "tidewell/packing/pack_file.h"
#include "tidewell/platform/file_copy.h"
#include "tidewell/platform/system_error.h"
#include "tidewell/transfer/ftp_job_context.h"
#include "tidewell/transfer/ftp_paths.h"

namespace tidewell {
namespace {

void WalkTo(FtpJobContext& context, const std::string& remotePath) {
  const std::string& initialDir = context.job.initialDir;
  if (context.currentDir == TargetDirectory(initialDir, remotePath)) return;
  const std::vector<std::string> levels = LevelPaths(initialDir, remotePath);
  if (levels.empty()) {
    context.Enter(initialDir);
    return;
  }
  for (const std::string& level : levels) context.Enter(level);
}

void CheckCancelled(FtpJobContext& context) {
  if (context.WindowShown() && context.session.cancelled()) throw WynetException(kWynetCancelled);
}

}  // namespace

void DownloadOneFile(FtpJobContext& context, const std::string& remotePath,
                     const std::string& localPath) {
  const FtpJob& job = context.job;
  WalkTo(context, remotePath);
  const auto size = context.connection.FindFile(ServerFileName(remotePath));
  if (!size) context.Fail(kWynetFileNotFound, "");

  std::FILE* file = std::fopen(localPath.c_str(), "wb");
  if (file == nullptr) context.Fail(kWynetFileError, localPath);
  std::fclose(file);

  const std::string serverPath = AbsoluteServerPath(job.initialDir, remotePath);
  CheckCancelled(context);
  if (context.WindowShown()) {
    ProgressFields& progress = *context.session.progress();
    progress.SetStatusText("Reading from:");
    progress.done = 0;
    progress.total = *size;
    progress.SetWatchedPath(localPath);
    progress.watchFile = true;
    progress.SetAddressText("ftp://" + job.host + serverPath);
    progress.showBar = true;
  }

  if (!context.connection.GetFile(serverPath, localPath)) {
    if (context.session.cancelled()) throw WynetException(kWynetCancelled);
    context.Fail(kWynetRetrieveError, "");
  }
  if (job.packFirst || job.packSecond) {
    std::string unpacked;
    // A file that does not unpack stays as it arrived.
    if (!UnpackFile(localPath, job.packFirst, job.packSecond, job.passPhrase, unpacked))
      context.Fail(kWynetDecryptError, "");
    if (MoveFileOver(unpacked, localPath, NewFileMode::Default) != kErrorSuccess) {
      std::remove(unpacked.c_str());
      context.Fail(kWynetFileError, localPath);
    }
  }
  CheckCancelled(context);
}

}  // namespace tidewell
