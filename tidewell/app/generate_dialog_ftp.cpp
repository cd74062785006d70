// The generator window's FTP side: "Upload Update" sends the update set to the FTP site,
// "Get FTP Files" fetches it back, unpacked, into a folder the user chooses.
#include <QEvent>
#include <QPushButton>
#include <sstream>
#include <utility>

#include "tidewell/app/folder_browser.h"
#include "tidewell/app/ftp_proxy_choice.h"
#include "tidewell/app/gen_save_command.h"
#include "tidewell/app/gen_update_set.h"
#include "tidewell/app/generate_dialog.h"
#include "tidewell/app/overwrite_prompt.h"
#include "tidewell/app/message_boxes.h"
#include "tidewell/app/string_table.h"
#include "tidewell/transfer/ftp_job.h"
#include "tidewell/transfer/window_message.h"
#include "tidewell/updateset/folder_path.h"
#include "tidewell/updateset/list_paths.h"
#include "tidewell/updateset/upload_lists.h"

namespace tidewell {
namespace {

// Posted by a finished upload or fetch.
constexpr unsigned kTransferFinishedMessage = WM_USER + 4;

// An empty port means the usual FTP port.
constexpr const char* kDefaultProxyPort = "21";

}  // namespace

bool GenerateDialog::TransferRunning() const { return transfer_ && !transfer_->finished(); }

bool GenerateDialog::event(QEvent* event) {
  if (const WindowMessageEvent* message = AsWindowMessage(event)) {
    if (message->message() == kTransferFinishedMessage) OnTransferFinished();
    return true;
  }
  return QDialog::event(event);
}

void GenerateDialog::OnTransferFinished() {
  transfer_.reset();
  uploadStaging_.reset();
  UpdateTransferButtons();
}

void GenerateDialog::OnUploadUpdate() { StartTransfer(true); }

void GenerateDialog::OnGetFtpFiles() { StartTransfer(false); }

void GenerateDialog::StartTransfer(bool upload) {
  UpdateData(true);
  if (TransferRunning()) return;
  std::string error;
  const std::string port = ftp_.proxyPortText.empty() ? kDefaultProxyPort : ftp_.proxyPortText;
  const auto proxy = ChooseFtpProxy(ftp_.useProxy, ftp_.proxyAddress, port, &error);
  if (!proxy) {
    boxes_.ShowMessage(error);
    return;
  }
  // Names and prefixes come from writing the list; a set whose list is stale would
  // not match its files, so nothing is sent without it.
  if (model_.Files().WriteUpdateList(model_.listFile, model_.remoteWebDirectory,
                                     model_.programFolder, model_.windowsPrefix,
                                     model_.programPrefix, model_.otherPrefix) != kListWritten) {
    boxes_.ShowMessage("Can't write the update list <" + model_.listFile + ">.");
    return;
  }
  FtpJob job;
  std::vector<std::string> localFiles;
  if (CollectUploads(model_.Files(), localFiles, job.remotePaths, model_.listFile, true) != 0) {
    boxes_.ShowMessage("There are no files to transfer.");
    return;
  }
  if (upload && !model_.signingKey.empty()) {
    // A list is signed in its packed form, so a signed set is packed (and signed) in a
    // folder of its own first, kept until the job is over.
    uploadStaging_ = std::make_unique<StagingFolder>("");
    GeneratorModel staged = model_;
    std::ostringstream problems;
    if (!uploadStaging_->ok() || !StageUpdateSet("upload", staged, *uploadStaging_, problems)) {
      uploadStaging_.reset();
      boxes_.ShowMessage("The update set was not uploaded.\n" + problems.str());
      return;
    }
    job.remotePaths.clear();
    CollectUploads(staged.Files(), job.localPaths, job.remotePaths, staged.listFile, true);
    SendStagedSet(job, *uploadStaging_, staged.listFile, true);
  } else if (upload) {
    job.localPaths = std::move(localFiles);
  } else {
    // Fetched copies go to a folder of their own, in the server's layout: the
    // program's files and a saved set stay as they are.
    const auto folder =
        ChooseFolder(this, "Choose Folder for FTP Files", model_.localUpdateSetFolder, "", &boxes_);
    if (!folder) return;
    const std::string base = *folder == "/" ? *folder : *folder + "/";
    for (const std::string& remote : job.remotePaths) {
      // A server path that climbs out of the folder would write elsewhere on the disk.
      if (!StaysBelowFolder(remote)) {
        boxes_.ShowMessage("Can't fetch <" + remote + ">: it does not stay below the folder.");
        return;
      }
      const std::string local = base + remote;
      EnsureFolderPath(local.substr(0, local.rfind('/')));  // the job makes files, not folders
      job.localPaths.push_back(local);
    }
  }
  job.host = ftp_.site;
  job.user = ftp_.user;
  job.password = ftp_.password;
  job.initialDir = ftp_.initialDir;
  job.proxy = proxy->proxy;
  job.bypass = proxy->bypass;
  job.askOverwrite = true;
  job.askOverwriteQuestion = AskOverwriteOnGuiThread;
  job.window = this;
  job.message = kTransferFinishedMessage;
  job.showProgress = true;
  job.passPhrase = LoadString(kStrPassPhrase);
  // The boxes outlive the window; a report may arrive after the window was closed.
  job.showMessage = [boxes = &boxes_](const std::string& text) { boxes->ShowMessage(text); };
  transfer_ = upload ? StartFtpUpload(std::move(job)) : StartFtpDownload(std::move(job));
  UpdateTransferButtons();
}

}  // namespace tidewell
