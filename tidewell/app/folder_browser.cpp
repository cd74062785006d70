#include "tidewell/app/folder_browser.h"

#include <sys/stat.h>

#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidget>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

#include "tidewell/app/dialog_layout.h"
#include "tidewell/app/message_boxes.h"
#include "tidewell/app/new_folder_dialog.h"

namespace tidewell {
namespace {

namespace fs = std::filesystem;

constexpr int kPathRole = Qt::UserRole;
constexpr int kFilledRole = Qt::UserRole + 1;

bool IsFolder(const std::string& path) {
  std::error_code ec;
  return !path.empty() && fs::is_directory(path, ec);
}

// An absolute path without "." or ".." steps and without a trailing slash (except "/").
std::string NormalFolder(const std::string& folder) {
  std::error_code ec;
  fs::path path = fs::path(folder).is_absolute() ? fs::path(folder) : fs::current_path(ec) / folder;
  std::string text = path.lexically_normal().string();
  while (text.size() > 1 && text.back() == '/') text.pop_back();
  return text;
}

std::string CurrentFolder() {
  std::error_code ec;
  const fs::path path = fs::current_path(ec);
  return ec ? std::string("/") : path.string();
}

}  // namespace

FolderBrowser::FolderBrowser(QWidget* owner, std::string title, MessageBoxes* boxes)
    : QDialog(owner), title_(std::move(title)), boxes_(boxes) {
  setWindowTitle(QString::fromStdString(title_));
  setFixedSize(DialogUnitsSize(212, 230));
  titleLabel_ = PlaceControl(new QLabel(QString::fromStdString(title_), this), kIdBrowserTitle, 8,
                             6, 196, 18);
  titleLabel_->setWordWrap(true);
  titleLabel_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  status_ = PlaceControl(new QLabel(this), kIdBrowserStatus, 8, 26, 196, 10);
  tree_ = PlaceControl(new QTreeWidget(this), kIdBrowserTree, 8, 40, 196, 162);
  tree_->setHeaderHidden(true);
  tree_->setColumnCount(1);
  tree_->setSelectionMode(QAbstractItemView::SingleSelection);
  tree_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  tree_->header()->setStretchLastSection(false);
  ok_ = PlaceControl(new QPushButton("OK", this), kIdOk, 80, 208, 60, 14);
  ok_->setDefault(true);
  cancel_ = PlaceControl(new QPushButton("Cancel", this), kIdCancel, 144, 208, 60, 14);
  newFolder_ = new QPushButton("&New Folder...", this);
  newFolder_->setObjectName(QString::number(kIdBrowserNewFolder));
  PlaceNewFolderButton();
  setTabOrder(tree_, newFolder_);
  setTabOrder(newFolder_, ok_);
  setTabOrder(ok_, cancel_);

  connect(tree_, &QTreeWidget::itemExpanded, this,
          [this](QTreeWidgetItem* item) { FillChildren(item); });
  connect(tree_, &QTreeWidget::currentItemChanged, this, [this] { OnSelectionChanged(); });
  connect(newFolder_, &QPushButton::clicked, this, [this] { OnNewFolder(); });
  connect(ok_, &QPushButton::clicked, this, &FolderBrowser::accept);
  connect(cancel_, &QPushButton::clicked, this, &FolderBrowser::reject);
}

void FolderBrowser::PlaceNewFolderButton() {
  // Mirrors Cancel: the same size and height, as far from the left edge as Cancel is
  // from the right one.
  const QRect cancel = cancel_->geometry();
  const int left = width() - (cancel.x() + cancel.width());
  newFolder_->setGeometry(left, cancel.y(), cancel.width(), cancel.height());
}

bool FolderBrowser::Prepare() {
  tree_->clear();
  currentSelection_.clear();
  const std::string root = NormalFolder(rootFolder_.empty() ? std::string("/") : rootFolder_);
  if (!IsFolder(root)) return false;
  auto* top =
      new QTreeWidgetItem(tree_, QStringList(QString::fromStdString(root)));  // the tree owns it
  top->setData(0, kPathRole, QString::fromStdString(root));
  top->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
  top->setExpanded(true);
  tree_->setCurrentItem(top);
  // The typed folder is what the user expects to see; the start folder otherwise.
  if (initialSelection_.empty() || !SelectFolder(initialSelection_))
    SelectFolder(startFolder_.empty() ? CurrentFolder() : startFolder_);
  tree_->setFocus();
  return true;
}

std::optional<std::string> FolderBrowser::Browse() {
  if (!Prepare()) return std::nullopt;
  if (exec() != QDialog::Accepted || currentSelection_.empty()) return std::nullopt;
  return currentSelection_;
}

std::string FolderBrowser::statusText() const { return status_->toolTip().toStdString(); }

void FolderBrowser::OnSelectionChanged() {
  QTreeWidgetItem* item = tree_->currentItem();
  currentSelection_ = item ? item->data(0, kPathRole).toString().toStdString() : std::string();
  const QString path = QString::fromStdString(currentSelection_);
  // A long path is shortened in the middle; the whole of it stays in the tool tip.
  status_->setText(status_->fontMetrics().elidedText(path, Qt::ElideMiddle, status_->width()));
  status_->setToolTip(path);
  ok_->setEnabled(!currentSelection_.empty());
}

void FolderBrowser::FillChildren(QTreeWidgetItem* item) {
  if (item->data(0, kFilledRole).toBool()) return;
  item->setData(0, kFilledRole, true);
  const std::string folder = item->data(0, kPathRole).toString().toStdString();
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code kindError;
    if (it->is_directory(kindError) && !kindError) names.push_back(it->path().filename().string());
  }
  std::sort(names.begin(), names.end());
  const std::string prefix = folder == "/" ? folder : folder + "/";
  for (const std::string& name : names) {
    auto* child =
        new QTreeWidgetItem(item, QStringList(QString::fromStdString(name)));  // the parent owns it
    child->setData(0, kPathRole, QString::fromStdString(prefix + name));
    child->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
  }
  item->setChildIndicatorPolicy(names.empty() ? QTreeWidgetItem::DontShowIndicatorWhenChildless
                                              : QTreeWidgetItem::ShowIndicator);
}

void FolderBrowser::RefreshChildren(QTreeWidgetItem* item) {
  // The folder's contents are read afresh: a folder made meanwhile appears.
  item->setExpanded(false);
  qDeleteAll(item->takeChildren());
  item->setData(0, kFilledRole, false);
  item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
  FillChildren(item);
  item->setExpanded(true);
}

QTreeWidgetItem* FolderBrowser::ChildNamed(QTreeWidgetItem* item, const std::string& name) {
  FillChildren(item);
  const QString wanted = QString::fromStdString(name);
  for (int i = 0; i < item->childCount(); ++i)
    if (item->child(i)->text(0) == wanted) return item->child(i);
  return nullptr;
}

bool FolderBrowser::SelectFolder(const std::string& folder) {
  QTreeWidgetItem* item = tree_->topLevelItem(0);
  if (item == nullptr || folder.empty()) return false;
  const std::string path = NormalFolder(folder);
  if (!IsFolder(path)) return false;
  const fs::path relative =
      fs::path(path).lexically_relative(item->data(0, kPathRole).toString().toStdString());
  if (relative.empty() || *relative.begin() == "..") return false;
  for (const fs::path& part : relative) {
    if (part == ".") continue;
    item->setExpanded(true);
    item = ChildNamed(item, part.string());
    if (item == nullptr) return false;
  }
  tree_->setCurrentItem(item);
  tree_->scrollToItem(item);
  return true;
}

void FolderBrowser::ShowError(const std::string& text) {
  if (boxes_ != nullptr) {
    boxes_->ShowMessage(text);
  } else {
    QMessageBox::critical(this, QString::fromStdString(title_), QString::fromStdString(text));
  }
}

void FolderBrowser::OnNewFolder() {
  if (currentSelection_.empty()) return;
  if (!IsFolder(currentSelection_)) {
    ShowError("Folder <" + currentSelection_ +
              ">, although is still visible in the control, doesn't exist any more.\nPlease select "
              "another folder.");
    reject();
    return;
  }
  NewFolderDialog dialog(currentSelection_, boxes_, this);
  if (dialog.exec() != QDialog::Accepted) return;
  std::string path = currentSelection_;
  if (path.back() != '/') path += '/';
  path += dialog.folderName();
  if (!IsFolder(path) && ::mkdir(path.c_str(), 0777) != 0) {
    const int error = errno;
    ShowError("Can't create directory <" + path + ">.\nReason:" + std::strerror(error));
    reject();
    return;
  }
  if (QTreeWidgetItem* selected = tree_->currentItem()) RefreshChildren(selected);
  SelectFolder(path);
}

std::optional<std::string> ChooseFolder(QWidget* owner, const std::string& title,
                                        const std::string& startFolder,
                                        const std::string& initialSelection, MessageBoxes* boxes) {
  FolderBrowser browser(owner, title, boxes);
  browser.SetStartFolder(startFolder);
  browser.SetInitialSelection(initialSelection);
  return browser.Browse();
}

}  // namespace tidewell
