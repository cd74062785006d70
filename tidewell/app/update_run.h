#pragma once
// One update run of one product, from fetching its list to its result code, without any
// window: the steps (list, compare, download, install, finish) are taken here, on the
// application's thread, when a transfer job's posted message arrives. A window or a
// program without windows follows it through UpdateRunObserver.
#include <memory>
#include <string>

#include "tidewell/app/list_trust.h"
#include "tidewell/transfer/window_message.h"
#include "tidewell/updateset/update_list.h"

namespace tidewell {

class TransferJob;

// What a run tells whoever shows it. Called on the application's thread.
class UpdateRunObserver {
 public:
  virtual ~UpdateRunObserver() = default;
  // A transfer job of the run started (true) or ended (false).
  virtual void OnJobRunning(bool running) = 0;
  // The run ended with this status text and result code; offerContinue when starting it
  // again from the list may help.
  virtual void OnRunFinished(const std::string& status, int code, bool offerContinue) = 0;
};

class UpdateRun : public MessageReceiver {
 public:
  // A run with a parent object (a window) shows its transfers' progress above it.
  explicit UpdateRun(QObject* parent = nullptr);
  ~UpdateRun() override;

  // Filled by the creator before Start.
  void SetObserver(UpdateRunObserver* observer) { observer_ = observer; }
  void SetShowProgress(bool show) { showProgress_ = show; }
  // The object WM_RUN_FINISHED is posted to; none posts it to the parent.
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
  const UpdateList& updateList() const { return updateList_; }
  bool jobRunning() const { return jobRunning_; }

  // Creates the staging folder and starts fetching the list. False when nothing was
  // started (no list address or local list path).
  bool Start();
  // Handlers of WM_LIST_FETCHED and WM_FILES_FETCHED.
  void OnListFetched(bool success);
  void OnFilesFetched(bool success);
  // Delivers WM_RUN_FINISHED with the code.
  void PostResult(int code);
  // Removes the fetched list and the whole staging folder.
  void CleanUp();

 protected:
  void OnWindowMessage(unsigned message, uintptr_t wParam, intptr_t lParam) override;

 private:
  void SetJobRunning(bool running);
  void Finish(const char* status, int code, bool offerContinue);

  UpdateRunObserver* observer_ = nullptr;
  bool showProgress_ = true;
  QPointer<QObject> resultReceiver_;
  std::string productName_;
  std::string localListPath_;
  std::string stagingFolder_;
  std::string installFolder_;
  std::string listUrl_;
  ListTrust trust_;
  UpdateList updateList_;
  std::shared_ptr<TransferJob> currentJob_;  // not waited for
  bool jobRunning_ = false;
};

}  // namespace tidewell
