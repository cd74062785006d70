#include "tidewell/app/update_run_dialog.h"

#include <QLabel>
#include <QPushButton>

#include "tidewell/app/dialog_layout.h"
#include "tidewell/app/progress_window.h"
#include "tidewell/app/string_table.h"

namespace tidewell {
namespace {

constexpr const char* kUpdating = "Updating your Corvane product.";

}  // namespace

UpdateRunDialog::UpdateRunDialog(QWidget* parent) : QDialog(parent), run_(new UpdateRun(this)) {
  ShowTransferProgressInWindows();
  run_->SetObserver(this);
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

UpdateRunDialog::~UpdateRunDialog() { run_->SetObserver(nullptr); }

bool UpdateRunDialog::StartRun() {
  close_->setEnabled(false);
  return run_->Start();
}

void UpdateRunDialog::OnRunFinished(const std::string& status, int, bool offerContinue) {
  statusText_ = status;
  RefreshControls();
  close_->setEnabled(true);
  if (offerContinue) continue_->setVisible(true);
}

void UpdateRunDialog::OnContinue() {
  // A second job beside a running one would write the same staged files while the
  // first run's clean-up deletes them.
  if (run_->jobRunning()) return;
  continue_->setVisible(false);
  statusText_ = kUpdating;
  RefreshControls();
  StartRun();
}

void UpdateRunDialog::reject() {
  if (close_->isEnabled()) QDialog::reject();
}

void UpdateRunDialog::OnJobRunning(bool running) { continue_->setEnabled(!running); }

void UpdateRunDialog::RefreshControls() { status_->setText(QString::fromStdString(statusText_)); }

}  // namespace tidewell
