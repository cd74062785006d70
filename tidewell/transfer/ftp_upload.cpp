// One file of an FTP upload: walk (creating levels), ask before replacing, pack, send.
#include <unistd.h>

#include <cstdio>
#include <memory>

#include "tidewell/transfer/ftp_job_context.h"
#include "tidewell/transfer/ftp_paths.h"
#include "tidewell/transfer/overwrite_answer.h"
#include "tidewell/transfer/pack_ahead.h"

namespace tidewell {
namespace {

constexpr size_t kBlockSize = 4096;

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

// The packed copy of a file, removed once the file has been handled either way.
struct PackedFile {
  std::string path;
  ~PackedFile() {
    if (!path.empty()) ::unlink(path.c_str());
  }
};

void WalkCreatingLevels(FtpJobContext& context, const std::string& remotePath) {
  for (const std::string& level : LevelPaths(context.job.initialDir, remotePath)) {
    if (!context.connection.SetCurrentDirectory(level)) {
      if (!context.connection.CreateDirectory(level)) context.Fail(kWynetFileDirConflict, level);
      if (!context.connection.SetCurrentDirectory(level))
        context.Fail(kWynetChangeDirError, QuotedDirectoryPair(context.currentDir, level));
    }
    context.currentDir = level;
  }
}

// False when the user chose to keep the server's file.
bool MayReplace(FtpJobContext& context, const std::string& remotePath) {
  const FtpJob& job = context.job;
  if (!job.askOverwrite || context.yesToAll) return true;
  const std::string question =
      "Overwrite ftp://" + job.host + job.initialDir + "/" + remotePath + "?";
  switch (job.askOverwriteQuestion ? job.askOverwriteQuestion(question) : kOverwriteCancel) {
    case kOverwriteNo:
      return false;
    case kOverwriteYes:
      return true;
    case kOverwriteYesToAll:
      context.yesToAll = true;
      return true;
    default:
      throw WynetException(kWynetCancelled);
  }
}

void ShowSending(FtpJobContext& context, const std::string& remotePath, uint64_t sent,
                 uint64_t size) {
  if (!context.WindowShown()) return;
  if (context.session.cancelled()) throw WynetException(kWynetCancelled);
  ProgressFields& progress = *context.session.progress();
  progress.SetStatusText("Writing to:");
  progress.done = sent;
  progress.total = size;
  progress.SetAddressText("ftp://" + context.job.host +
                          AbsoluteServerPath(context.job.initialDir, remotePath));
  progress.showBar = true;
}

}  // namespace

void UploadOneFile(FtpJobContext& context, size_t index, PackAhead& packer) {
  const FtpJob& job = context.job;
  const std::string& remotePath = job.remotePaths[index];
  const std::string& localPath = job.localPaths[index];
  WalkCreatingLevels(context, remotePath);
  const std::string name = ServerFileName(remotePath);

  const bool exists = context.connection.FindFile(name).has_value();
  PackedFile packed;
  const bool send = !exists || MayReplace(context, remotePath);
  const bool packing = job.packFirst || job.packSecond;
  const bool packedOk = packing && packer.Take(index, packed.path);
  if (send) {
    // The file to send is made ready before the server's copy is removed, so that a
    // file that cannot be packed or read never costs the server its old copy.
    std::string sendPath = localPath;
    if (packing) {
      if (!packedOk) context.Fail(kWynetEncryptError, "");
      sendPath = packed.path;
    }
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(sendPath.c_str(), "rb"));
    if (!file || std::fseek(file.get(), 0, SEEK_END) != 0) context.Fail(kWynetFileError, sendPath);
    const long length = std::ftell(file.get());
    if (length < 0) context.Fail(kWynetFileError, sendPath);
    std::rewind(file.get());
    const uint64_t size = static_cast<uint64_t>(length);

    if (exists && !context.connection.DeleteFile(name)) context.Fail(kWynetRemoveFileError, name);

    uint64_t sent = 0;
    ShowSending(context, remotePath, sent, size);
    const auto source = [&](char* buffer, size_t capacity) -> size_t {
      if (sent >= size) return 0;
      ShowSending(context, remotePath, sent, size);
      const size_t want =
          static_cast<size_t>(std::min<uint64_t>({size - sent, kBlockSize, capacity}));
      const size_t got = std::fread(buffer, 1, want, file.get());
      // A file that shrank under us would arrive cut short on the server.
      if (got == 0) context.Fail(kWynetFileError, sendPath);
      sent += got;
      return got;
    };
    if (!context.connection.WriteFile(name, size, source)) {
      if (context.session.cancelled()) throw WynetException(kWynetCancelled);
      context.Fail(kWynetCreateFileError, name);
    }
    ShowSending(context, remotePath, sent, size);
    if (job.fileDone) job.fileDone(index, true, size);
  } else if (job.fileDone) {
    job.fileDone(index, false, 0);
  }
  context.Enter(job.initialDir);
}

}  // namespace tidewell
