#include "tidewell/app/update_run_dialog.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QLabel>
#include <QPushButton>

#include "tidewell/app/dialog_layout.h"
#include "tidewell/app/installation.h"
#include "tidewell/app/run_messages.h"
#include "tidewell/app/string_table.h"
#include "tidewell/platform/folders.h"
#include "tidewell/transfer/transfer_job.h"
#include "tidewell/transfer/window_message.h"
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
constexpr const char* kUpdating = "Updating your Corvane product.";

}  // namespace

UpdateRunDialog::UpdateRunDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle("Update Dialog");
  setFixedSize(DialogUnitsSize(187, 95));
  status_ = PlaceControl(new QLabel("Please close your Corvane Products...", this), kIdRunStatus, 7,
                         7, 173, 40);
  status_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  status_->setWordWrap(true);
  continue_ = PlaceControl(new QPushButton("Continue", this), kIdRunContinue, 37, 70, 50, 14);
  close_ = PlaceControl(new QPushButton("Close", this), kIdCancel, 100, 70, 50, 14);
  connect(continue_, &QPushButton::clicked, this, [this] { OnContinue(); });
  connect(close_, &QPushButton::clicked, this, &UpdateRunDialog::reject);
  RefreshControls();  // the member's first status replaces the template's text
}

UpdateRunDialog::~UpdateRunDialog() = default;

bool UpdateRunDialog::StartRun() {
  // Owner-only: the staging folder lies in the shared temporary folder.
  ::mkdir(stagingFolder_.c_str(), 0700);
  close_->setEnabled(false);
  if (listUrl_.empty() || localListPath_.empty()) return false;
  currentJob_ = trust_.StartFetch(listUrl_, localListPath_, this, showProgress_, WM_LIST_FETCHED,
                                  LoadString(kStrPassPhrase));
  SetJobRunning(true);
  return true;
}

void UpdateRunDialog::OnListFetched(bool success) {
  SetJobRunning(false);
  if (!trust_.AcceptList(success, localListPath_, LoadString(kStrPassPhrase))) {
    FinishRun(kListNotRead, kRunListNotFetched, true);
    return;
  }
  // A run started again by Continue reads the list afresh.
  updateList_.Clear();
  if (FileExists(localListPath_))
    updateList_.ReadUpdateList(localListPath_, installFolder_, stagingFolder_);
  if (!trust_.AcceptEntries(updateList_, productName_)) {
    FinishRun(kListNotRead, kRunListNotFetched, true);
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
  FinishRun(kUpToDate, kRunNothingToUpdate, false);
}

void UpdateRunDialog::OnFilesFetched(bool success) {
  SetJobRunning(false);
  if (!success) {
    FinishRun(kFilesNotRead, kRunFilesNotFetched, true);
    return;
  }
  // Failure bits of the flags leave the code alone: only a deferred file changes it.
  const int flags = InstallStagedFiles(updateList_);
  const bool reboot = (flags & kInstallRebootNeeded) != 0;
  FinishRun(reboot ? kRebootToComplete : kUpdateComplete, reboot ? kRunRestartNeeded : kRunUpdated,
            false);
}

void UpdateRunDialog::FinishRun(const char* status, int code, bool offerContinue) {
  CleanUpRun();
  statusText_ = status;
  RefreshControls();
  close_->setEnabled(true);
  if (offerContinue) continue_->setVisible(true);
  PostResult(code);
}

void UpdateRunDialog::OnContinue() {
  // A second job beside a running one would write the same staged files while the
  // first run's clean-up deletes them.
  if (jobRunning_) return;
  continue_->setVisible(false);
  statusText_ = kUpdating;
  RefreshControls();
  StartRun();
}

void UpdateRunDialog::PostResult(int code) {
  QObject* receiver = resultReceiver_ ? resultReceiver_.data() : parent();
  PostWindowMessage(receiver, WM_RUN_FINISHED, static_cast<uintptr_t>(code), 0);
}

void UpdateRunDialog::CleanUpRun() {
  if (!localListPath_.empty()) ::unlink(localListPath_.c_str());
  if (!stagingFolder_.empty()) DeleteFolderTree(stagingFolder_);
}

void UpdateRunDialog::reject() {
  if (close_->isEnabled()) QDialog::reject();
}

bool UpdateRunDialog::event(QEvent* event) {
  if (const WindowMessageEvent* message = AsWindowMessage(event)) {
    if (message->message() == WM_LIST_FETCHED) OnListFetched(message->wParam() != 0);
    if (message->message() == WM_FILES_FETCHED) OnFilesFetched(message->wParam() != 0);
    return true;
  }
  return QDialog::event(event);
}

void UpdateRunDialog::SetJobRunning(bool running) {
  jobRunning_ = running;
  continue_->setEnabled(!running);
}

void UpdateRunDialog::RefreshControls() { status_->setText(QString::fromStdString(statusText_)); }

}  // namespace tidewell
