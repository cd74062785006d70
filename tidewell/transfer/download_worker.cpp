#include "tidewell/transfer/download_worker.h"

#include <cstdio>
#include <memory>
#include <optional>

#include "tidewell/packing/stream_unpacker.h"
#include "tidewell/packing/stdio_file.h"
#include "tidewell/platform/file_status.h"
#include "tidewell/platform/folders.h"
#include "tidewell/transfer/http_connection.h"
#include "tidewell/transfer/internet_exception.h"
#include "tidewell/transfer/transfer_log.h"
#include "tidewell/transfer/url_parts.h"
#include "tidewell/transfer/wynet_exception.h"
#include "tidewell/trust/file_hash.h"

namespace tidewell {
namespace {

constexpr size_t kBufferSize = 1024;
constexpr size_t kReadSize = 1023;
constexpr size_t kFileBufferSize = 64 * 1024;  // blocks are small; the disk sees large writes

// Shows this worker's file in the progress window.
void ShowWorker(ProgressFields& progress, const DownloadWorker& worker) {
  progress.done.store(static_cast<uint64_t>(worker.bytesRead));
  // An unknown length shows as a byte count, never as a huge total.
  progress.total.store(worker.contentLength < 0 ? 0 : static_cast<uint64_t>(worker.contentLength));
  progress.SetAddressText(worker.url);
}

class Download {
 public:
  Download(DownloadWorker& worker, SessionLockHolder& lock)
      : worker_(worker), session_(*worker.session), lock_(lock) {}

  void Run() {
    if (worker_.path.empty()) throw WynetException(kWynetNullPath);
    if (worker_.url.empty()) throw WynetException(kWynetNullUrl);
    if (!SendRequest()) return;
    const std::optional<int64_t> lastModified = CheckHeaders();
    const bool cancelled = ReceiveBody();
    Finish(cancelled, lastModified);
  }

 private:
  // Connects and sends; false when the server answered anything but 200.
  bool SendRequest() {
    lock_.Acquire();
    const std::optional<UrlParts> parts = ParseUrl(worker_.url);
    const bool web =
        parts && (parts->service == UrlService::Http || parts->service == UrlService::Https);
    if (!web) {
      LogHttpOnlyError();
      throw WynetException(kWynetProtocolError);
    }
    // Handles come from the job's pool: a server's connection serves the next file too.
    connection_ = std::make_unique<HttpConnection>(session_.internet(), parts->serverName,
                                                   parts->port, parts->service == UrlService::Https,
                                                   &session_.handlePool());
    request_ = connection_->OpenRequest("GET", parts->objectPath);
    request_->SetCancelFlag(&session_.cancel());
    lock_.Release();

    request_->AddRequestHeaders("Content-Type: application/x-www-form-urlencoded", true);

    // The session's first request goes out alone; the others wait until it has.
    lock_.Acquire();
    const bool first = session_.firstRequest;
    if (!first) lock_.Release();
    if (!request_->SendRequest()) throw WynetException(kWynetCancelled);
    if (first) {
      session_.firstRequest = false;
      lock_.Release();
    }
    if (const int status = request_->QueryStatusCode(); status != 200) {
      LogServerAnswer(worker_.url, status);
      return false;
    }
    worker_.httpOk = true;
    return true;
  }

  // Last-Modified (as local time) and Content-Length; code 7 when there is nothing new.
  std::optional<int64_t> CheckHeaders() {
    std::optional<int64_t> lastModified;
    if (const std::optional<CalendarTime> date = request_->QueryLastModified())
      lastModified = CalendarTimeAsLocal(*date);
    if (lastModified && worker_.onlyIfNewer) {
      const std::optional<FileStatus> local = GetFileStatus(worker_.path);
      if (local && !local->isFolder && local->modified >= *lastModified)
        throw WynetException(kWynetNoUpdateNeeded);
    }
    if (lastModified) {
      lock_.Acquire();
      if (ProgressFields* progress = session_.progress()) {
        progress->SetAddressText(worker_.url);
      } else {
        LogModified(worker_.url, *lastModified);
      }
      lock_.Release();
    }
    if (const std::optional<int64_t> length = request_->QueryContentLength())
      worker_.contentLength = *length;
    const int64_t maxBody = worker_.limits.maxBody;
    if (maxBody >= 0 && worker_.contentLength > maxBody) Refuse("is larger than it may be");
    return lastModified;
  }

  // Unpacks the body into the local file block by block as it arrives, hashing what is
  // written. Returns with the lock held; true when the job was cancelled on the way.
  bool ReceiveBody() {
    lock_.Acquire();
    if (ProgressFields* progress = session_.progress()) {
      ShowWorker(*progress, worker_);
    } else {
      LogBegin(worker_.url);
    }
    session_.currentIndex = worker_.index;
    lock_.Release();

    if (!file_.Open(worker_.path, "wb")) throw WynetException(kWynetFileError);
    std::setvbuf(file_.get(), nullptr, _IOFBF, kFileBufferSize);
    const bool hashed = !worker_.limits.sha256.empty();
    unpacker_ = std::make_unique<StreamUnpacker>(
        session_.decrypt, session_.uncompress, session_.passPhrase, worker_.limits.maxUnpacked,
        [this, hashed](const char* data, size_t size) {
          if (hashed) hash_.Update(data, size);
          return std::fwrite(data, 1, size, file_.get()) == size;
        });

    char buffer[kBufferSize];
    size_t count = request_->Read(buffer, kReadSize);
    lock_.Acquire();
    while (count > 0 && !session_.cancelled()) {
      worker_.bytesRead += static_cast<int64_t>(count);
      if (ProgressFields* progress = session_.progress()) {
        // The window follows every block of the file it shows, not only changes of file.
        if (session_.currentIndex != worker_.index) {
          ShowWorker(*progress, worker_);
        } else {
          progress->done.store(static_cast<uint64_t>(worker_.bytesRead));
        }
      } else if (session_.currentIndex != worker_.index) {
        LogSwitch(worker_.url);
      }
      session_.currentIndex = worker_.index;
      lock_.Release();
      // The server may not send more than the packed file can take.
      if (worker_.limits.maxBody >= 0 && worker_.bytesRead > worker_.limits.maxBody)
        Refuse("is larger than it may be");
      CheckUnpacked(unpacker_->Feed(buffer, count));
      count = request_->Read(buffer, kReadSize);
      lock_.Acquire();
    }
    return session_.cancelled();
  }

  // Closes and stamps the file; the lock is held on entry and released here.
  void Finish(bool cancelled, const std::optional<int64_t>& lastModified) {
    if (!cancelled) {
      lock_.Release();
      CheckUnpacked(unpacker_->Finish());
      CheckHash();
      lock_.Acquire();
    }
    if (!file_.Close()) throw WynetException(kWynetFileError);
    if (!cancelled) worker_.completed = true;
    if (lastModified && FileExists(worker_.path))
      SetFileTimes(worker_.path, *lastModified, *lastModified);
    if (cancelled) {
      LogCancelled(worker_.url);
    } else if (ProgressFields* progress = session_.progress()) {
      ShowWorker(*progress, worker_);
    } else {
      LogEnd(worker_.url);
    }
    session_.currentIndex = worker_.index;
    lock_.Release();
  }

  // A packed file that does not unpack leaves nothing behind. Called without the lock.
  void CheckUnpacked(StreamUnpacker::Result result) {
    switch (result) {
      case StreamUnpacker::Result::Ok:
        return;
      case StreamUnpacker::Result::TooLarge:
        Refuse("unpacks to more than its listed size");
      case StreamUnpacker::Result::SinkFailed:
        Discard();
        throw WynetException(kWynetFileError);
      case StreamUnpacker::Result::Corrupt:
        Discard();
        throw WynetException(kWynetDecryptError);
    }
  }

  // The file's bytes must be those the list names. Called without the lock.
  void CheckHash() {
    const std::string& expected = worker_.limits.sha256;
    if (!expected.empty() && hash_.FinishHex() != expected)
      Refuse("does not match its listed SHA256");
  }

  void Discard() {
    file_.Close();
    std::remove(worker_.path.c_str());
  }

  // Ends the download of a file the server may not send; nothing of it stays. Called
  // without the lock.
  [[noreturn]] void Refuse(const std::string& reason) {
    Discard();
    LogRefused(worker_.url, reason);
    throw WynetException(kWynetRetrieveError);
  }

  DownloadWorker& worker_;
  TransferSession& session_;
  SessionLockHolder& lock_;
  std::unique_ptr<HttpConnection> connection_;
  std::unique_ptr<HttpRequest> request_;
  StdioFile file_;
  std::unique_ptr<StreamUnpacker> unpacker_;
  FileHash hash_;
};

}  // namespace

void RunDownloadWorker(DownloadWorker& worker, const std::function<void()>& onFinished) {
  {
    SessionLockHolder lock(worker.session->lock, worker.session->cancel());
    // The report lines are written without the lock, after it was given back.
    try {
      Download(worker, lock).Run();
    } catch (const WynetException& e) {
      if (lock.held()) lock.Release();
      if (e.code() == kWynetCancelled) {
        LogWorkerCancelled(worker.index);
      } else {
        LogWorkerError(worker.index);
      }
    } catch (const InternetException& e) {
      if (lock.held()) lock.Release();
      if (e.error() != kInternetOperationCancelled)
        LogFetchFailure(worker.url, e.error(), e.what());
      LogWorkerError(worker.index);
    } catch (const std::exception&) {
      if (lock.held()) lock.Release();
      LogWorkerError(worker.index);
    }
  }
  worker.finished = true;
  onFinished();
}

}  // namespace tidewell
