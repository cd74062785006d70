#pragma once
// The run window (template 140): shows one update run of one product, from fetching its
// list to reporting the result code. The run itself is an UpdateRun the window owns.
#include <QDialog>
#include <string>

#include "tidewell/app/update_run.h"

class QLabel;
class QPushButton;

namespace tidewell {

// IDs of the run window's controls.
inline constexpr int kIdRunStatus = 1066;
inline constexpr int kIdRunContinue = 1065;

class UpdateRunDialog : public QDialog, private UpdateRunObserver {
  Q_OBJECT

 public:
  explicit UpdateRunDialog(QWidget* parent = nullptr);
  ~UpdateRunDialog() override;

  UpdateRun& run() { return *run_; }

  // Filled by the creator before StartRun (the run's own settings).
  void SetShowProgress(bool show) { run_->SetShowProgress(show); }
  void SetResultReceiver(QObject* receiver) { run_->SetResultReceiver(receiver); }
  void SetProductName(const std::string& name) { run_->SetProductName(name); }
  void SetLocalListPath(const std::string& path) { run_->SetLocalListPath(path); }
  void SetStagingFolder(const std::string& folder) { run_->SetStagingFolder(folder); }
  void SetInstallFolder(const std::string& folder) { run_->SetInstallFolder(folder); }
  void SetListUrl(const std::string& url) { run_->SetListUrl(url); }
  void SetPublicKeyPath(const std::string& path) { run_->SetPublicKeyPath(path); }

  const std::string& productName() const { return run_->productName(); }
  const std::string& stagingFolder() const { return run_->stagingFolder(); }
  const std::string& statusText() const { return statusText_; }
  const UpdateList& updateList() const { return run_->updateList(); }

  // Locks Close and starts the run. False when nothing was started.
  bool StartRun();
  void OnListFetched(bool success) { run_->OnListFetched(success); }
  void OnFilesFetched(bool success) { run_->OnFilesFetched(success); }
  // The Continue button: starts the run again from the list (not while a job of
  // this run is still going).
  void OnContinue();
  void CleanUpRun() { run_->CleanUp(); }

  // Close, Escape and the window's close box, all ignored while Close is disabled.
  void reject() override;

 private:
  void OnJobRunning(bool running) override;
  void OnRunFinished(const std::string& status, int code, bool offerContinue) override;
  void RefreshControls();

  UpdateRun* run_;  // a child object
  std::string statusText_ = "Please close your Corvane product";

  QLabel* status_;
  QPushButton* continue_;
  QPushButton* close_;
};

}  // namespace tidewell
