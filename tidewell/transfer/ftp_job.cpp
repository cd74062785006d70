// The frame every FTP job runs in: checks, session, connection, initial directory,
// the file loop, one report and the clean-up.
#include "tidewell/transfer/ftp_job.h"

#include <chrono>
#include <filesystem>
#include <iostream>
#include <thread>

#include "tidewell/transfer/ftp_job_context.h"
#include "tidewell/transfer/ftp_paths.h"
#include "tidewell/transfer/internet_exception.h"
#include "tidewell/transfer/overwrite_answer.h"
#include "tidewell/transfer/pack_ahead.h"
#include "tidewell/transfer/window_message.h"

namespace tidewell {
namespace {

constexpr auto kConnectTimeout = std::chrono::milliseconds(3000);

enum class Direction { Upload, Download };

void FtpJobContextEnter(FtpJobContext& context, const std::string& path) {
  if (!context.connection.SetCurrentDirectory(path))
    context.Fail(kWynetChangeDirError, QuotedDirectoryPair(context.currentDir, path));
  context.currentDir = path;
}

// The session a job opens itself: direct when there is no proxy or the host is on the
// bypass list, otherwise through the proxy.
std::unique_ptr<TransferSession> OpenSession(const FtpJob& job) {
  const bool bypassed = !job.bypass.empty() && IsHostBypassed(job.host, job.bypass);
  const std::string proxyHost = job.proxy.empty() || bypassed ? "" : FtpProxyFromList(job.proxy);
  auto session = proxyHost.empty()
                     ? std::make_unique<TransferSession>("Ftp Connection", 1, ProxyAccess::Direct)
                     : std::make_unique<TransferSession>("Ftp Connection", 1, ProxyAccess::Named,
                                                         "http://" + proxyHost);
  return session;
}

class JobRunner {
 public:
  JobRunner(FtpJob job, WindowRef window, Direction direction, bool typedRelative)
      : job_(std::move(job)),
        window_(std::move(window)),
        direction_(direction),
        typedRelative_(typedRelative) {}

  FtpJobResult Run() {
    try {
      Body();
    } catch (const WynetException& e) {
      result_.code = e.code();
      const std::string message = WynetMessage(e.code());
      result_.cause = cause_;
      if (!message.empty()) Report(message + "\n" + detail_);
    } catch (const InternetException& e) {
      if (session_ != nullptr && session_->cancelled()) {
        result_.code = kWynetCancelled;  // a request cut short by the user's Cancel
      } else {
        result_.internetError = e.error();
        result_.cause = e.what();
        Report(InternetErrorText(e.error(), e.context()));
      }
    } catch (const std::exception& e) {
      result_.code = kWynetGeneralError;
      result_.cause = e.what();
      Report(WynetMessage(kWynetGeneralError) + "\n" + e.what());
    }
    CleanUp();
    return result_;
  }

 private:
  void Body() {
    if (job_.connection == nullptr && (job_.host.empty() || job_.user.empty()))
      throw WynetException(kWynetIncompleteParameters);
    if (job_.localPaths.size() != job_.remotePaths.size()) throw WynetException(kWynetListMismatch);

    session_ = job_.session;
    if (session_ == nullptr) {
      ownSession_ = OpenSession(job_);
      session_ = ownSession_.get();
    }
    if (session_->cancelled()) throw WynetException(kWynetCancelled);
    InternetTimeouts timeouts = session_->internet().timeouts();
    timeouts.connect = kConnectTimeout;
    session_->internet().SetTimeouts(timeouts);

    if (job_.showProgress && session_->progress() == nullptr) {
      session_->AttachProgress(window_);
      if (ProgressFields* progress = session_->progress()) {
        progress->SetStatusText("Connecting to:");
        progress->SetAddressText("ftp://" + job_.host);
        progress->showBar = false;
        session_->ShowProgressWindow();
      }
    }

    connection_ = job_.connection;
    if (connection_ == nullptr) {
      ownConnection_ = std::make_unique<FtpConnection>(session_->internet(), job_.host, job_.user,
                                                       job_.password);
      connection_ = ownConnection_.get();
    }
    connection_->SetCancelFlag(&session_->cancel());
    if (session_->cancelled()) throw WynetException(kWynetCancelled);

    FtpJobContext context{job_, *session_, *connection_, "", "", false};
    try {
      if (context.WindowShown()) session_->progress()->SetStatusText("Connected to:");
      EnterInitialFolder(context);
      PackAhead packer(job_.localPaths, job_.packFirst, job_.packSecond, job_.passPhrase);
      for (size_t i = 0; i < job_.remotePaths.size(); ++i) {
        if (direction_ == Direction::Upload) {
          packer.Start(i + 1);
          UploadOneFile(context, i, packer);
        } else {
          DownloadOneFile(context, job_.remotePaths[i], job_.localPaths[i]);
          if (job_.fileDone) {
            std::error_code ec;
            const uint64_t size = std::filesystem::file_size(job_.localPaths[i], ec);
            job_.fileDone(i, true, ec ? 0 : size);
          }
        }
      }
      if (direction_ == Direction::Download) context.Enter(job_.initialDir);
    } catch (...) {
      detail_ = context.detail;
      throw;
    }
  }

  // The folder as given (absolute), else, for one typed without a leading '/', the same
  // name below the login folder: servers that do not lock users into their home folder
  // read "/upd" from the file system's root. Later paths are built on the one entered.
  void EnterInitialFolder(FtpJobContext& context) {
    if (context.connection.SetCurrentDirectory(job_.initialDir)) {
      context.currentDir = job_.initialDir;
      return;
    }
    const std::string& login = context.connection.loginFolder();
    if (typedRelative_ && !login.empty() && login != "/") {
      const std::string below = AbsoluteServerPath(login, job_.initialDir.substr(1));
      if (context.connection.SetCurrentDirectory(below)) {
        job_.initialDir = below;
        context.currentDir = below;
        return;
      }
    }
    cause_ = "the FTP server has no folder " + job_.initialDir + " (or refused to enter it)";
    context.Fail(kWynetChangeDirError, QuotedDirectoryPair(context.currentDir, job_.initialDir));
  }

  void Report(const std::string& text) {
    result_.report = text;
    if (job_.showMessage) {
      job_.showMessage(text);
    } else {
      std::cerr << text << std::endl;
    }
  }

  void CleanUp() {
    if (session_ != nullptr && !session_->cancelled() && session_->progress() != nullptr)
      session_->CloseProgressWindow();
    ownConnection_.reset();
    ownSession_.reset();  // waits until its progress window is gone
    if (job_.message != 0) window_.Post(job_.message, 0, 0);
  }

  FtpJob job_;
  WindowRef window_;
  Direction direction_;
  bool typedRelative_;
  std::string cause_;
  std::unique_ptr<TransferSession> ownSession_;
  std::unique_ptr<FtpConnection> ownConnection_;
  TransferSession* session_ = nullptr;
  FtpConnection* connection_ = nullptr;
  std::string detail_;
  FtpJobResult result_;
};

std::shared_ptr<FtpTransferJob> Start(FtpJob job, Direction direction) {
  const bool typedRelative =
      !job.initialDir.empty() && job.initialDir.front() != '/' && job.initialDir.front() != '\\';
  job.initialDir = NormalizeInitialDir(job.initialDir);
  WindowRef window = job.window != nullptr ? WindowRef(job.window) : WindowRef();
  auto handle = std::make_shared<FtpTransferJob>();
  std::thread([job = std::move(job), window = std::move(window), direction, typedRelative,
               handle]() mutable {
    JobRunner runner(std::move(job), std::move(window), direction, typedRelative);
    handle->SetResult(runner.Run());
    handle->MarkFinished();
  }).detach();
  return handle;
}

}  // namespace

void FtpJobContext::Enter(const std::string& path) { FtpJobContextEnter(*this, path); }

std::shared_ptr<FtpTransferJob> StartFtpUpload(FtpJob job) {
  return Start(std::move(job), Direction::Upload);
}

std::shared_ptr<FtpTransferJob> StartFtpDownload(FtpJob job) {
  return Start(std::move(job), Direction::Download);
}

}  // namespace tidewell
