#include "tidewell/app/generate_dialog.h"
#include "tidewell/app/progress_window.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QStyle>
#include <QTimer>
#include <QTreeWidget>
#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "tidewell/app/dialog_layout.h"
#include "tidewell/app/file_list_columns.h"
#include "tidewell/app/folder_browser.h"
#include "tidewell/app/gen_update_set.h"
#include "tidewell/app/message_boxes.h"
#include "tidewell/app/string_table.h"
#include "tidewell/platform/folders.h"
#include "tidewell/updateset/folder_path.h"
#include "tidewell/updateset/list_date.h"

namespace tidewell {
namespace {

Qt::CheckState BoxState(int state) {
  switch (state) {
    case kCheckOff:
      return Qt::Unchecked;
    case kCheckOn:
      return Qt::Checked;
    default:
      return Qt::PartiallyChecked;
  }
}

// Sets an edit's text only when it differs, so the cursor of the edit being typed in stays.
void SetEditText(QLineEdit* edit, const std::string& text) {
  const QString value = QString::fromStdString(text);
  if (edit->text() == value) return;
  edit->setText(value);
  if (!edit->hasFocus()) edit->setCursorPosition(0);  // a long address shows its beginning
}

// A folder shown in a static: shortened in the middle when it does not fit, whole in
// the tool tip.
void SetFolderText(QLabel* label, const std::string& folder) {
  const QString path = QString::fromStdString(folder);
  label->setText(label->fontMetrics().elidedText(path, Qt::ElideMiddle, label->width()));
  label->setToolTip(path);
}

std::string WithTrailingSlash(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

// The user's home folder; the root folder only when there is no other.
std::string HomeFolder() {
  const char* home = std::getenv("HOME");
  if (home != nullptr && *home != '\0' && std::string(home) != "/") return home;
  if (const passwd* entry = ::getpwuid(::getuid()); entry != nullptr && entry->pw_dir != nullptr)
    return entry->pw_dir;
  return TempFolder();
}

// path relative to folder when it lies below it, else path as it is.
std::string PathBelowFolder(const std::string& path, const std::string& folder) {
  const std::string prefix = WithTrailingSlash(folder);
  if (prefix != "/" && path.size() > prefix.size() && path.compare(0, prefix.size(), prefix) == 0)
    return path.substr(prefix.size());
  return path;
}

std::string SaveProblems(const GeneratorModel& model, const SaveOutcome& outcome) {
  std::string text = "The update set was not saved completely.";
  if (outcome.listResult != kListWritten)
    text += "\nThe list file <" + model.listFile + "> could not be written.";
  if (!outcome.listPacked) text += "\nThe list file <" + model.listFile + "> could not be packed.";
  if (!outcome.signError.empty()) text += "\nThe list was not signed: " + outcome.signError;
  constexpr size_t kShown = 10;
  for (size_t i = 0; i < outcome.notSaved.size() && i < kShown; ++i)
    text += "\nNot saved: " + outcome.notSaved[i];
  if (outcome.notSaved.size() > kShown)
    text += "\n... and " + std::to_string(outcome.notSaved.size() - kShown) + " more files";
  return text;
}

}  // namespace

GenerateDialog::GenerateDialog(MessageBoxes& boxes, QWidget* parent)
    : QDialog(parent), boxes_(boxes), model_(LoadString(kStrPassPhrase)) {
  ShowTransferProgressInWindows();
  setWindowTitle("Generate Update Set");
  templateSize_ = DialogUnitsSize(305, 330);
  CreateControls();
  ConnectControls();
  for (QWidget* child : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
    templatePlaces_.emplace_back(child, child->geometry());
  setMinimumSize(templateSize_);
  // Wide enough at first for every column of the file list, and a little taller.
  int columns = files_->frameWidth() * 2 + style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  for (int i = 0; i < kFileListColumns; ++i) columns += files_->columnWidth(i);
  resize(std::max(templateSize_.width(), templateSize_.width() - files_->width() + columns),
         templateSize_.height() + DialogUnitsSize(0, 40).height());
  // Opening: the remote web directory starts as the update server's address; files go
  // into the user's home folder, never into the file system's root.
  model_.remoteWebDirectory = LoadString(kStrUpdateServer);
  const std::string home = HomeFolder();
  model_.programFolder = home;
  model_.localUpdateSetFolder = JoinPath(home, "update-set");
  model_.listFile = JoinPath(model_.localUpdateSetFolder, "update.ini");
  UpdateSelectionControls();
}

void GenerateDialog::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  const int dx = std::max(0, width() - templateSize_.width());
  const int dy = std::max(0, height() - templateSize_.height());
  const QRect list = DialogUnitsRect(7, 34, 291, 68);
  const int rightColumn = DialogUnitsRect(100, 0, 0, 0).x();
  for (const auto& [control, place] : templatePlaces_) {
    QRect moved = place;
    if (control == files_) {
      moved.setSize(place.size() + QSize(dx, dy));
    } else {
      if (place.top() >= list.bottom()) moved.translate(0, dy);
      const bool stretches = qobject_cast<QGroupBox*>(control) != nullptr ||
                             control == programFolder_ || control == localFolder_ ||
                             control == remoteWeb_ || control == listFile_ ||
                             control == signingKey_;
      if (stretches)
        moved.setWidth(place.width() + dx);
      else if (qobject_cast<QPushButton*>(control) != nullptr && place.left() >= rightColumn)
        moved.translate(dx, 0);
    }
    control->setGeometry(moved);
  }
  // The folder texts are shortened to the width they now have.
  SetFolderText(programFolder_, model_.programFolder);
  SetFolderText(localFolder_, model_.localUpdateSetFolder);
}

void GenerateDialog::FitFileListColumns() {
  const QFontMetrics metrics = files_->header()->fontMetrics();
  const int margin = metrics.horizontalAdvance("MM");
  const int date =
      metrics.horizontalAdvance(QString::fromStdString(FormatListDate(1767225599))) + margin;
  for (int i = 0; i < kFileListColumns; ++i) {
    int width = std::max(DialogUnitsSize(kFileListLayout[i].width, 0).width(),
                         metrics.horizontalAdvance(kFileListLayout[i].header) + margin);
    if (i == kColumnModified || i == kColumnCreated) width = std::max(width, date);
    files_->setColumnWidth(i, width);
  }
}

GenerateDialog::~GenerateDialog() = default;

void GenerateDialog::CreateControls() {
  PlaceControl(new QGroupBox("Program Directory", this), 0, 7, 4, 291, 26);
  programFolder_ = PlaceControl(new QLabel(this), kIdGenProgramFolder, 13, 16, 224, 9);
  PlaceControl(new QPushButton("Change", this), kIdGenChange, 243, 13, 50, 14);

  files_ = PlaceControl(new QTreeWidget(this), kIdGenFileList, 7, 34, 291, 68);
  files_->setRootIsDecorated(false);
  files_->setItemsExpandable(false);
  files_->setUniformRowHeights(true);
  files_->setSelectionBehavior(QAbstractItemView::SelectRows);
  files_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  files_->setColumnCount(kFileListColumns);
  QStringList headers;
  for (const FileListColumn& column : kFileListLayout) headers << column.header;
  files_->setHeaderLabels(headers);
  for (int i = 0; i < kFileListColumns; ++i)
    files_->headerItem()->setTextAlignment(i, Qt::AlignLeft | Qt::AlignVCenter);
  files_->header()->setStretchLastSection(false);
  FitFileListColumns();
  // Room the list gains goes to the names.
  files_->header()->setSectionResizeMode(0, QHeaderView::Stretch);

  PlaceControl(new QPushButton("Add Files", this), kIdGenAddFiles, 7, 106, 55, 14);
  removeFiles_ =
      PlaceControl(new QPushButton("Remove Files", this), kIdGenRemoveFiles, 66, 106, 62, 14);
  checkModify_ =
      PlaceControl(new QCheckBox("Check Modify Date", this), kIdGenCheckModify, 7, 124, 92, 10);
  checkCreate_ =
      PlaceControl(new QCheckBox("Check Create Date", this), kIdGenCheckCreate, 103, 124, 92, 10);
  checkSize_ = PlaceControl(new QCheckBox("Check Size", this), kIdGenCheckSize, 199, 124, 70, 10);
  for (QCheckBox* box : {checkModify_, checkCreate_, checkSize_}) box->setTristate(true);

  PlaceControl(new QLabel("Remote Web URL Directory", this), 0, 7, 140, 112, 8);
  remoteWeb_ = PlaceControl(new QLineEdit(this), kIdGenRemoteWeb, 121, 138, 177, 12);
  PlaceControl(new QLabel("List File", this), 0, 7, 156, 112, 8);
  listFile_ = PlaceControl(new QLineEdit(this), kIdGenListFile, 121, 154, 121, 12);
  PlaceControl(new QPushButton("Browse ...", this), kIdGenBrowseListFile, 248, 153, 50, 14);

  // Empty: the list is not signed.
  PlaceControl(new QLabel("Signing Key", this), 0, 7, 172, 112, 8);
  signingKey_ = PlaceControl(new QLineEdit(this), kIdGenSigningKey, 121, 170, 177, 12);
  signingKey_->setPlaceholderText("secret key file (PEM); empty for none");

  PlaceControl(new QGroupBox("Local Update Set Directory", this), 0, 7, 186, 291, 26);
  localFolder_ = PlaceControl(new QLabel(this), kIdGenLocalFolder, 13, 198, 224, 9);
  PlaceControl(new QPushButton("Browse ...", this), kIdGenBrowseLocalFolder, 243, 195, 50, 14);

  PlaceControl(new QGroupBox("Web Directory Prefixes", this), 0, 7, 215, 291, 26);
  PlaceControl(new QLabel("Windows", this), 0, 13, 227, 40, 8);
  windowsPrefix_ = PlaceControl(new QLineEdit(this), kIdGenWindowsPrefix, 55, 225, 46, 12);
  PlaceControl(new QLabel("Program", this), 0, 107, 227, 40, 8);
  programPrefix_ = PlaceControl(new QLineEdit(this), kIdGenProgramPrefix, 148, 225, 46, 12);
  PlaceControl(new QLabel("Other", this), 0, 200, 227, 26, 8);
  otherPrefix_ = PlaceControl(new QLineEdit(this), kIdGenOtherPrefix, 228, 225, 64, 12);

  PlaceControl(new QGroupBox("FTP Preferences", this), 0, 7, 244, 291, 64);
  PlaceControl(new QLabel("ftp://", this), 0, 13, 257, 46, 8);
  ftpSite_ = PlaceControl(new QLineEdit(this), kIdGenFtpSite, 61, 255, 80, 12);
  PlaceControl(new QLabel("Initial Directory:", this), 0, 147, 257, 76, 8);
  ftpInitialDir_ = PlaceControl(new QLineEdit(this), kIdGenFtpInitialDir, 225, 255, 67, 12);
  PlaceControl(new QLabel("Username:", this), 0, 13, 271, 46, 8);
  ftpUser_ = PlaceControl(new QLineEdit(this), kIdGenFtpUser, 61, 269, 80, 12);
  PlaceControl(new QLabel("Password:", this), 0, 147, 271, 76, 8);
  ftpPassword_ = PlaceControl(new QLineEdit(this), kIdGenFtpPassword, 225, 269, 67, 12);
  ftpPassword_->setEchoMode(QLineEdit::Password);
  useProxy_ = PlaceControl(new QCheckBox("Specify Proxy (Uses Windows Defaults Otherwise)", this),
                           kIdGenUseProxy, 13, 283, 279, 10);
  PlaceControl(new QLabel("IP:", this), 0, 13, 296, 46, 8);
  proxyAddress_ = PlaceControl(new QLineEdit(this), kIdGenProxyAddress, 61, 294, 80, 12);
  proxyAddress_->setEnabled(false);
  PlaceControl(new QLabel("Port:", this), 0, 147, 296, 76, 8);
  proxyPort_ = PlaceControl(new QLineEdit(this), kIdGenProxyPort, 225, 294, 40, 12);
  proxyPort_->setEnabled(false);
  proxyPort_->setMaxLength(5);
  proxyPort_->setPlaceholderText("21");

  getFtpFiles_ =
      PlaceControl(new QPushButton("Get FTP Files", this), kIdGenGetFtpFiles, 7, 312, 60, 14);
  getFtpFiles_->setEnabled(false);
  getFtpFiles_->setVisible(false);
  PlaceControl(new QPushButton("Save Locally", this), kIdGenSaveLocally, 110, 312, 62, 14);
  upload_ = PlaceControl(new QPushButton("Upload Update", this), kIdGenUpload, 177, 312, 66, 14);
  upload_->setEnabled(false);
  PlaceControl(new QPushButton("Exit", this), kIdCancel, 248, 312, 50, 14);
}

void GenerateDialog::ConnectControls() {
  auto button = [this](int id) { return findChild<QPushButton*>(QString::number(id)); };
  connect(button(kIdGenChange), &QPushButton::clicked, this, [this] { OnChangeProgramFolder(); });
  connect(button(kIdGenBrowseLocalFolder), &QPushButton::clicked, this,
          [this] { OnBrowseLocalFolder(); });
  connect(button(kIdGenBrowseListFile), &QPushButton::clicked, this,
          [this] { OnBrowseListFile(); });
  connect(button(kIdGenAddFiles), &QPushButton::clicked, this, [this] { OnAddFiles(); });
  connect(removeFiles_, &QPushButton::clicked, this, [this] { OnRemoveFiles(); });
  connect(button(kIdGenSaveLocally), &QPushButton::clicked, this, [this] { OnSaveLocally(); });
  connect(upload_, &QPushButton::clicked, this, [this] { OnUploadUpdate(); });
  connect(getFtpFiles_, &QPushButton::clicked, this, [this] { OnGetFtpFiles(); });
  connect(button(kIdCancel), &QPushButton::clicked, this, &GenerateDialog::reject);

  // Keyboard selection counts as much as a click.
  connect(files_, &QTreeWidget::itemSelectionChanged, this, [this] {
    if (!refreshing_) UpdateSelectionControls();
  });
  connect(checkModify_, &QCheckBox::clicked, this, [this] { OnCheck(CheckFlag::Modify); });
  connect(checkCreate_, &QCheckBox::clicked, this, [this] { OnCheck(CheckFlag::Create); });
  connect(checkSize_, &QCheckBox::clicked, this, [this] { OnCheck(CheckFlag::Size); });
  connect(useProxy_, &QCheckBox::clicked, this, [this] { OnUseProxy(); });
  for (QLineEdit* edit :
       {remoteWeb_, listFile_, signingKey_, otherPrefix_, programPrefix_, windowsPrefix_})
    connect(edit, &QLineEdit::textChanged, this, [this] {
      if (refreshing_) return;
      UpdateData(true);
      UpdateSelectionControls();
    });
  for (QLineEdit* edit :
       {ftpUser_, proxyAddress_, proxyPort_, ftpPassword_, ftpInitialDir_, ftpSite_})
    connect(edit, &QLineEdit::textChanged, this, [this] {
      if (!refreshing_) OnFtpFieldChange();
    });
}

void GenerateDialog::UpdateData(bool save) {
  if (save) {
    model_.remoteWebDirectory = remoteWeb_->text().toStdString();
    model_.listFile = listFile_->text().toStdString();
    model_.signingKey = signingKey_->text().toStdString();
    model_.windowsPrefix = windowsPrefix_->text().toStdString();
    model_.programPrefix = programPrefix_->text().toStdString();
    model_.otherPrefix = otherPrefix_->text().toStdString();
    ftp_.site = ftpSite_->text().toStdString();
    ftp_.user = ftpUser_->text().toStdString();
    ftp_.password = ftpPassword_->text().toStdString();
    ftp_.initialDir = ftpInitialDir_->text().toStdString();
    ftp_.useProxy = useProxy_->isChecked();
    ftp_.proxyAddress = proxyAddress_->text().toStdString();
    ftp_.proxyPortText = proxyPort_->text().toStdString();
    return;
  }
  refreshing_ = true;
  SetFolderText(programFolder_, model_.programFolder);
  SetFolderText(localFolder_, model_.localUpdateSetFolder);
  SetEditText(remoteWeb_, model_.remoteWebDirectory);
  SetEditText(listFile_, model_.listFile);
  SetEditText(signingKey_, model_.signingKey);
  SetEditText(windowsPrefix_, model_.windowsPrefix);
  SetEditText(programPrefix_, model_.programPrefix);
  SetEditText(otherPrefix_, model_.otherPrefix);
  checkModify_->setCheckState(BoxState(checkModifyState_));
  checkCreate_->setCheckState(BoxState(checkCreateState_));
  checkSize_->setCheckState(BoxState(checkSizeState_));
  SetEditText(ftpSite_, ftp_.site);
  SetEditText(ftpUser_, ftp_.user);
  SetEditText(ftpPassword_, ftp_.password);
  SetEditText(ftpInitialDir_, ftp_.initialDir);
  useProxy_->setChecked(ftp_.useProxy);
  SetEditText(proxyAddress_, ftp_.proxyAddress);
  SetEditText(proxyPort_, ftp_.proxyPortText);
  refreshing_ = false;
}

std::vector<size_t> GenerateDialog::SelectedPositions() const {
  std::vector<size_t> positions;
  for (QTreeWidgetItem* item : files_->selectedItems()) {
    const int row = files_->indexOfTopLevelItem(item);
    if (row >= 0) positions.push_back(static_cast<size_t>(row));
  }
  std::sort(positions.begin(), positions.end());
  return positions;
}

void GenerateDialog::UpdateSelectionControls() {
  const std::vector<size_t> selection = SelectedPositions();
  const bool any = !selection.empty();
  checkModifyState_ = model_.CheckState(CheckFlag::Modify, selection);
  checkCreateState_ = model_.CheckState(CheckFlag::Create, selection);
  checkSizeState_ = model_.CheckState(CheckFlag::Size, selection);
  for (QWidget* control :
       std::initializer_list<QWidget*>{checkModify_, checkCreate_, checkSize_, removeFiles_})
    control->setEnabled(any);
  UpdateData(false);
}

void GenerateDialog::RefillFileList() {
  refreshing_ = true;
  files_->clear();
  for (const UpdateEntry& entry : model_.Files()) {
    QStringList texts;
    for (const std::string& text : FileListRow(entry)) texts << QString::fromStdString(text);
    // Names below the program folder are shown from there, the whole path in the tool tip.
    texts[0] = QString::fromStdString(PathBelowFolder(entry.installedPath, model_.programFolder));
    auto* item = new QTreeWidgetItem(files_, texts);  // the list owns it
    item->setToolTip(0, QString::fromStdString(entry.installedPath));
  }
  refreshing_ = false;
  UpdateSelectionControls();
}

void GenerateDialog::RewriteFlagColumn(int column, CheckFlag flag) {
  for (size_t position : SelectedPositions()) {
    const UpdateEntry& entry = model_.Files().At(position);
    const bool on = flag == CheckFlag::Size     ? entry.checkSize
                    : flag == CheckFlag::Modify ? entry.checkModify
                                                : entry.checkCreate;
    files_->topLevelItem(static_cast<int>(position))
        ->setText(column, QString::fromStdString(FlagText(on)));
  }
}

void GenerateDialog::OnCheck(CheckFlag flag) {
  UpdateData(true);
  const std::vector<size_t> selection = SelectedPositions();
  if (selection.empty()) {
    UpdateSelectionControls();
    return;
  }
  // The box steps off -> on -> off; the mixed state is never the result of a click.
  const int state = model_.ClickCheck(flag, selection);
  switch (flag) {
    case CheckFlag::Modify:
      checkModifyState_ = state;
      RewriteFlagColumn(kColumnCheckModify, flag);
      break;
    case CheckFlag::Create:
      checkCreateState_ = state;
      RewriteFlagColumn(kColumnCheckCreate, flag);
      break;
    case CheckFlag::Size:
      checkSizeState_ = state;
      RewriteFlagColumn(kColumnCheckSize, flag);
      break;
  }
  UpdateData(false);
}

void GenerateDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // Asked once the window is on screen, each time the program shows it (never when it
  // is being hidden or merely restored).
  if (askOnShow_ && !event->spontaneous())
    QTimer::singleShot(0, this, [this] {
      if (isVisible()) OnChangeProgramFolder();
    });
}

bool GenerateDialog::ChooseFolderInto(const std::string& title, std::string& folder) {
  UpdateData(true);
  const auto chosen = ChooseFolder(this, title, WithTrailingSlash(folder), "", &boxes_);
  if (!chosen) return false;
  folder = *chosen;
  UpdateData(false);
  return true;
}

void GenerateDialog::OnChangeProgramFolder() {
  ChooseFolderInto("Choose Main Program Folder", model_.programFolder);
}

void GenerateDialog::OnBrowseLocalFolder() {
  ChooseFolderInto("Choose Update Folder", model_.localUpdateSetFolder);
}

void GenerateDialog::OnBrowseListFile() {
  UpdateData(true);
  const std::string& path = model_.listFile;
  const size_t slash = path.rfind('/');
  QFileDialog dialog(
      this, "List File",
      QString::fromStdString(slash == std::string::npos ? "" : path.substr(0, slash + 1)));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  model_.listFile = dialog.selectedFiles().front().toStdString();
  UpdateData(false);
  UpdateSelectionControls();
}

void GenerateDialog::OnAddFiles() {
  QFileDialog dialog(this, "Add Files",
                     QString::fromStdString(WithTrailingSlash(model_.programFolder)));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setFileMode(QFileDialog::ExistingFiles);
  if (dialog.exec() != QDialog::Accepted) return;
  std::vector<std::string> paths;
  for (const QString& path : dialog.selectedFiles()) paths.push_back(path.toStdString());
  model_.AddFiles(paths);
  RefillFileList();
}

void GenerateDialog::OnRemoveFiles() {
  const std::vector<size_t> selection = SelectedPositions();
  if (selection.empty()) return;
  model_.RemoveFiles(selection);
  RefillFileList();
}

void GenerateDialog::OnUseProxy() {
  UpdateData(true);
  proxyAddress_->setEnabled(ftp_.useProxy);
  proxyPort_->setEnabled(ftp_.useProxy);
  UpdateTransferButtons();
}

void GenerateDialog::OnFtpFieldChange() {
  UpdateData(true);
  UpdateTransferButtons();
}

void GenerateDialog::UpdateTransferButtons() {
  const bool ready = !ftp_.site.empty() && !ftp_.user.empty() && !ftp_.password.empty() &&
                     (!ftp_.useProxy || !ftp_.proxyAddress.empty());
  // One transfer at a time: a second one would write the same server files.
  upload_->setEnabled(ready && !TransferRunning());
  getFtpFiles_->setEnabled(ready && !TransferRunning());
}

void GenerateDialog::OnSaveLocally() {
  UpdateData(true);
  // The set's folder in the home folder need not exist yet.
  const size_t slash = model_.listFile.rfind('/');
  if (slash != std::string::npos && slash > 0) EnsureFolderPath(model_.listFile.substr(0, slash));
  const SaveOutcome outcome = model_.SaveUpdateSetLocally();
  // A set that lacks something must not pass for a whole one; a whole one says where it went.
  if (!outcome.Complete()) {
    boxes_.ShowMessage(SaveProblems(model_, outcome));
    return;
  }
  const size_t count = model_.Files().Count();
  boxes_.ShowMessage(std::to_string(count) + (count == 1 ? " file" : " files") +
                     " and the list written to " + model_.localUpdateSetFolder +
                     "\n(list: " + model_.listFile + ")");
}

}  // namespace tidewell
