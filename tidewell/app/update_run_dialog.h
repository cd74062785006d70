#pragma once
// The run window (template 140): one update run of one product, from fetching its list
// to reporting the result code. Every decision is taken here, on the application's
// thread, when a transfer job's posted message arrives.
#include <QDialog>
#include <QPointer>
#include <memory>
#include <string>

#include "tidewell/app/list_trust.h"
#include "tidewell/updateset/update_list.h"

class QLabel;
class QPushButton;

namespace tidewell {

class TransferJob;

// IDs of the run window's controls.
inline constexpr int kIdRunStatus = 1066;
inline constexpr int kIdRunContinue = 1065;

class UpdateRunDialog : public QDialog {
  Q_OBJECT

 public:
  explicit UpdateRunDialog(QWidget* parent = nullptr);
  ~UpdateRunDialog() override;

  // Filled by the creator before StartRun.
  void SetShowProgress(bool show) { showProgress_ = show; }
  // The object WM_RUN_FINISHED is posted to; none posts it to the parent window.
  void SetResultReceiver(QObject* receiver) { resultReceiver_ = receiver; }
  void SetProductName(const std::string& name) { productName_ = name; }
  void SetLocalListPath(const std::string& path) { localListPath_ = path; }
  void SetStagingFolder(const std::string& folder) { stagingFolder_ = folder; }
  void SetInstallFolder(const std::string& folder) { installFolder_ = folder; }
  void SetListUrl(const std::string& url) { listUrl_ = url; }
  // The public key the list must be signed with; empty for none.
  void SetPublicKeyPath(const std::string& path) { trust_ = ListTrust(path); }

  const std::string& productName() const { return productName_; }
  const std::string& localListPath() const { return localListPath_; }
  const std::string& stagingFolder() const { return stagingFolder_; }
  const std::string& installFolder() const { return installFolder_; }
  const std::string& listUrl() const { return listUrl_; }
  const std::string& statusText() const { return statusText_; }
  const UpdateList& updateList() const { return updateList_; }

  // Creates the staging folder and starts fetching the list. False when nothing was
  // started (no list address or local list path).
  bool StartRun();
  // Handlers of WM_LIST_FETCHED and WM_FILES_FETCHED.
  void OnListFetched(bool success);
  void OnFilesFetched(bool success);
  // The Continue button: starts the run again from the list (not while a job of
  // this run is still going).
  void OnContinue();
  // Delivers WM_RUN_FINISHED with the code.
  void PostResult(int code);
  // Removes the fetched list and the whole staging folder.
  void CleanUpRun();

  // Close, Escape and the window's close box, all ignored while Close is disabled.
  void reject() override;

 protected:
  bool event(QEvent* event) override;

 private:
  void RefreshControls();
  void SetJobRunning(bool running);
  void FinishRun(const char* status, int code, bool offerContinue);

  bool showProgress_ = true;
  QPointer<QObject> resultReceiver_;
  std::string productName_;
  std::string localListPath_;
  std::string stagingFolder_;
  std::string installFolder_;
  std::string listUrl_;
  UpdateList updateList_;
  ListTrust trust_;
  std::shared_ptr<TransferJob> currentJob_;  // not waited for
  bool jobRunning_ = false;                  // Continue waits until its message arrived
  std::string statusText_ = "Please close your Corvane product";

  QLabel* status_;
  QPushButton* continue_;
  QPushButton* close_;
};

}  // namespace tidewell
