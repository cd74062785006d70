#pragma once
// The generator's window (template 139, "Generate Update Set"): edits the generator's
// model (program folder, listed files and their comparison flags, list file, remote web
// directory, prefixes, local update-set folder, FTP preferences), saves the set locally
// and uploads it to, or fetches it from, an FTP site.
#include <QDialog>
#include <memory>
#include <string>
#include <vector>

#include "tidewell/updateset/generator_model.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace tidewell {

class FtpTransferJob;
class StagingFolder;
class MessageBoxes;

inline constexpr int kIdGenProgramFolder = 1047;
inline constexpr int kIdGenChange = 1046;
inline constexpr int kIdGenFileList = 1045;
inline constexpr int kIdGenAddFiles = 1043;
inline constexpr int kIdGenRemoveFiles = 1044;
inline constexpr int kIdGenCheckModify = 1050;
inline constexpr int kIdGenCheckCreate = 1051;
inline constexpr int kIdGenCheckSize = 1052;
inline constexpr int kIdGenRemoteWeb = 1048;
inline constexpr int kIdGenListFile = 1049;
inline constexpr int kIdGenBrowseListFile = 1053;
inline constexpr int kIdGenLocalFolder = 1058;
inline constexpr int kIdGenBrowseLocalFolder = 1057;
inline constexpr int kIdGenWindowsPrefix = 1056;
inline constexpr int kIdGenProgramPrefix = 1055;
inline constexpr int kIdGenOtherPrefix = 1059;
inline constexpr int kIdGenFtpSite = 1083;
inline constexpr int kIdGenFtpUser = 1010;
inline constexpr int kIdGenFtpPassword = 1011;
inline constexpr int kIdGenFtpInitialDir = 1086;
inline constexpr int kIdGenUseProxy = 1082;
inline constexpr int kIdGenProxyAddress = 1084;
inline constexpr int kIdGenProxyPort = 1085;
inline constexpr int kIdGenGetFtpFiles = 1092;
inline constexpr int kIdGenSaveLocally = 1072;
inline constexpr int kIdGenUpload = 1073;
inline constexpr int kIdGenSigningKey = 1093;

// The FTP preferences as typed.
struct FtpPreferences {
  std::string site;  // "host" or "host:port"
  std::string user;
  std::string password;
  std::string initialDir;
  bool useProxy = false;
  std::string proxyAddress;
  std::string proxyPortText;  // empty for the usual FTP port
};

class GenerateDialog : public QDialog {
  Q_OBJECT

 public:
  explicit GenerateDialog(MessageBoxes& boxes, QWidget* parent = nullptr);
  ~GenerateDialog() override;

  GeneratorModel& model() { return model_; }
  const FtpPreferences& ftp() const { return ftp_; }
  // Whether showing the window asks for the program folder (on by default).
  void SetAskForProgramFolderOnShow(bool ask) { askOnShow_ = ask; }

  // Handlers, by control.
  void OnChangeProgramFolder();  // "Change"
  void OnBrowseLocalFolder();    // "Browse ..." of the local update-set folder
  void OnBrowseListFile();       // "Browse ..." of the list file
  void OnAddFiles();             // "Add Files"
  void OnRemoveFiles();          // "Remove Files"
  void OnCheck(CheckFlag flag);  // the three check boxes
  void OnUseProxy();             // "Specify Proxy"
  void OnFtpFieldChange();       // any FTP edit
  void OnSaveLocally();          // "Save Locally"
  void OnUploadUpdate();         // "Upload Update"
  void OnGetFtpFiles();          // "Get FTP Files"

  // Positions of the selected files, in list order.
  std::vector<size_t> SelectedPositions() const;
  // Whether an upload or fetch is running.
  bool TransferRunning() const;

 protected:
  void showEvent(QShowEvent* event) override;
  bool event(QEvent* event) override;
  // The file list takes the room the window gains; what lies below it moves down, and
  // the folder fields and right-hand buttons follow the right edge.
  void resizeEvent(QResizeEvent* event) override;

 private:
  void CreateControls();
  void ConnectControls();
  // Exchanges the edits' texts with the members: from the controls when save is set,
  // otherwise into them.
  void UpdateData(bool save);
  void UpdateSelectionControls();
  void RefillFileList();
  void RewriteFlagColumn(int column, CheckFlag flag);
  bool ChooseFolderInto(const std::string& title, std::string& folder);
  void UpdateTransferButtons();
  void OnTransferFinished();
  void StartTransfer(bool upload);
  void FitFileListColumns();

  MessageBoxes& boxes_;
  GeneratorModel model_;
  FtpPreferences ftp_;
  int checkModifyState_ = kCheckMixed;
  int checkCreateState_ = kCheckMixed;
  int checkSizeState_ = kCheckMixed;
  bool askOnShow_ = true;
  bool refreshing_ = false;  // controls being set from the members
  std::shared_ptr<FtpTransferJob> transfer_;
  std::unique_ptr<StagingFolder> uploadStaging_;  // a signed set being uploaded
  // Each control's place in the template's size, which resizing starts from.
  std::vector<std::pair<QWidget*, QRect>> templatePlaces_;
  QSize templateSize_;

  QLabel* programFolder_;
  QTreeWidget* files_;
  QPushButton* removeFiles_;
  QCheckBox* checkModify_;
  QCheckBox* checkCreate_;
  QCheckBox* checkSize_;
  QLineEdit* remoteWeb_;
  QLineEdit* listFile_;
  QLineEdit* signingKey_;
  QLabel* localFolder_;
  QLineEdit* windowsPrefix_;
  QLineEdit* programPrefix_;
  QLineEdit* otherPrefix_;
  QLineEdit* ftpSite_;
  QLineEdit* ftpUser_;
  QLineEdit* ftpPassword_;
  QLineEdit* ftpInitialDir_;
  QCheckBox* useProxy_;
  QLineEdit* proxyAddress_;
  QLineEdit* proxyPort_;
  QPushButton* getFtpFiles_;
  QPushButton* upload_;
};

}  // namespace tidewell
