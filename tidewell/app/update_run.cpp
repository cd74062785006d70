#include "tidewell/app/update_run.h"

#include <sys/stat.h>
#include <unistd.h>

#include "tidewell/app/installation.h"
#include "tidewell/app/run_messages.h"
#include "tidewell/app/string_table.h"
#include "tidewell/platform/folders.h"
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

bool UpdateRun::Start() {
  // Owner-only: the staging folder lies in the shared temporary folder.
  ::mkdir(stagingFolder_.c_str(), 0700);
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
    updateList_.ReadUpdateList(localListPath_, installFolder_, stagingFolder_);
  if (!trust_.AcceptEntries(updateList_, productName_)) {
    Finish(kListNotRead, kRunListNotFetched, true);
    return;
  }
  if (!updateList_.Empty()) {
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
  // Failure bits of the flags leave the code alone: only a deferred file changes it.
  const int flags = InstallStagedFiles(updateList_);
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
