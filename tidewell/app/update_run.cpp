#include "tidewell/app/update_run.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "tidewell/app/installation.h"
#include "tidewell/app/run_messages.h"
#include "tidewell/app/string_table.h"
#include "tidewell/platform/folders.h"
#include "tidewell/platform/leftovers.h"
#include "tidewell/platform/run_lock.h"
#include "tidewell/transfer/transfer_job.h"
#include "tidewell/updateset/local_comparison.h"

namespace tidewell {
namespace {

constexpr const char* kListNotRead =
    "Did not read update file completely.\nPress \"Continue\" to try again.";
constexpr const char* kFilesNotRead =
    "Did not read update files completely.\nPress \"Continue\" to try again.";
constexpr const char* kUpToDate = "All files are up to date.";
constexpr const char* kRebootToComplete = "Reboot to Complete Update.";
constexpr const char* kUpdateComplete = "Update Complete!";

}  // namespace

UpdateRun::UpdateRun(QObject* parent) : MessageReceiver(parent) {}

UpdateRun::~UpdateRun() = default;

void UpdateRun::ClaimStagingFolder() {
  if (stagingFolder_.empty()) return;
  std::string base = stagingFolder_;
  if (base.back() == '/') base.pop_back();
  std::string candidate = base;
  // Owner-only: the staging folder lies in the shared temporary folder. Never one that
  // already exists: that belongs to another run.
  for (int n = 1; ::mkdir(candidate.c_str(), 0700) != 0 && errno == EEXIST && n < 10000; ++n)
    candidate = base + "-" + std::to_string(n);
  if (candidate != base) {
    const std::string listName = localListPath_.substr(localListPath_.rfind('/') + 1);
    stagingFolder_ = candidate + "/";
    if (!localListPath_.empty()) localListPath_ = stagingFolder_ + listName;
  }
  stagingLock_ = LockFile::TryTake(stagingFolder_ + kStagingLockName);
}

bool UpdateRun::Start() {
  ClaimStagingFolder();
  if (listUrl_.empty() || localListPath_.empty()) return false;
  currentJob_ = trust_.StartFetch(listUrl_, localListPath_, this, showProgress_, WM_LIST_FETCHED,
                                  LoadString(kStrPassPhrase));
  SetJobRunning(true);
  return true;
}

void UpdateRun::OnListFetched(bool success) {
  SetJobRunning(false);
  if (!trust_.AcceptList(success, localListPath_, LoadString(kStrPassPhrase))) {
    Finish(kListNotRead, kRunListNotFetched, true);
    return;
  }
  // A run started again reads the list afresh.
  updateList_.Clear();
  if (FileExists(localListPath_))
    updateList_.ReadUpdateList(localListPath_, installFolder_, stagingFolder_,
                               MachineListDefaults());
  if (!trust_.AcceptEntries(updateList_, productName_)) {
    Finish(kListNotRead, kRunListNotFetched, true);
    return;
  }
  if (!updateList_.Empty()) {
    RemoveCopiesLeftBeside(updateList_);
    CompareWithInstalled(updateList_);
    if (auto job =
            CollectDownloads(updateList_, this, WM_FILES_FETCHED, LoadString(kStrPassPhrase))) {
      currentJob_ = std::move(job);
      SetJobRunning(true);
      return;  // WM_FILES_FETCHED follows
    }
  }
  Finish(kUpToDate, kRunNothingToUpdate, false);
}

void UpdateRun::OnFilesFetched(bool success) {
  SetJobRunning(false);
  if (!success) {
    Finish(kFilesNotRead, kRunFilesNotFetched, true);
    return;
  }
  // A file neither installed nor deferred means nothing was installed.
  const int flags = InstallStagedFiles(updateList_);
  if ((flags & ~kInstallRebootNeeded) != 0) {
    Finish(kFilesNotRead, kRunFilesNotFetched, true);
    return;
  }
  const bool reboot = (flags & kInstallRebootNeeded) != 0;
  Finish(reboot ? kRebootToComplete : kUpdateComplete, reboot ? kRunRestartNeeded : kRunUpdated,
         false);
}

void UpdateRun::Finish(const char* status, int code, bool offerContinue) {
  CleanUp();
  if (observer_ != nullptr) observer_->OnRunFinished(status, code, offerContinue);
  PostResult(code);
}

void UpdateRun::PostResult(int code) {
  QObject* receiver = resultReceiver_ ? resultReceiver_.data() : parent();
  PostWindowMessage(receiver, WM_RUN_FINISHED, static_cast<uintptr_t>(code), 0);
}

void UpdateRun::CleanUp() {
  if (!localListPath_.empty()) ::unlink(localListPath_.c_str());
  if (!stagingFolder_.empty()) DeleteFolderTree(stagingFolder_);
  stagingLock_.reset();
}

void UpdateRun::OnWindowMessage(unsigned message, uintptr_t wParam, intptr_t) {
  if (message == WM_LIST_FETCHED) OnListFetched(wParam != 0);
  if (message == WM_FILES_FETCHED) OnFilesFetched(wParam != 0);
}

void UpdateRun::SetJobRunning(bool running) {
  jobRunning_ = running;
  if (observer_ != nullptr) observer_->OnJobRunning(running);
}

}  // namespace tidewell
