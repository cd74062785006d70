#include "tidewell/app/new_folder_dialog.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "tidewell/app/dialog_layout.h"
#include "tidewell/app/message_boxes.h"
#include "tidewell/platform/ascii_case.h"

namespace tidewell {

std::optional<std::string> NewFolderNameProblem(const std::string& name) {
  if (name == "." || name == "..")
    return "Please enter a valid folder name. Name <" + name +
           "> can not be used as a folder name.";
  // The characters the desktop system never allows in a name; kept so that a set made
  // here can be copied there.
  if (name.find_first_of("<>:/\\|*?") != std::string::npos)
    return "Please enter a valid folder name. Name <" + name + "> contains invalid character(s)";
  return std::nullopt;
}

NewFolderDialog::NewFolderDialog(std::string currentFolder, MessageBoxes* boxes, QWidget* parent)
    : QDialog(parent), currentFolder_(std::move(currentFolder)), boxes_(boxes) {
  setWindowTitle("Create New Folder");
  setFixedSize(DialogUnitsSize(231, 113));
  auto* prompt =
      PlaceControl(new QLabel("Enter a name for the new folder that you want to create.", this), 0,
                   7, 4, 217, 18);
  prompt->setWordWrap(true);
  PlaceControl(new QGroupBox("Current Folder", this), 0, 7, 23, 217, 28);
  auto* current = PlaceControl(new QLabel(QString::fromStdString(currentFolder_), this),
                               kIdNewFolderCurrent, 13, 35, 205, 10);
  current->setWordWrap(false);
  current->setToolTip(current->text());  // a long path is cut at the group's edge
  PlaceControl(new QGroupBox("New Folder Name", this), 0, 7, 55, 217, 30);
  name_ = PlaceControl(new QLineEdit(this), kIdNewFolderName, 13, 67, 205, 12);
  name_->setMaxLength(kNewFolderNameLimit);
  auto* ok = PlaceControl(new QPushButton("OK", this), kIdOk, 57, 92, 50, 14);
  ok->setDefault(true);
  auto* cancel = PlaceControl(new QPushButton("Cancel", this), kIdCancel, 124, 92, 50, 14);
  connect(ok, &QPushButton::clicked, this, &NewFolderDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &NewFolderDialog::reject);
  name_->setFocus();
}

void NewFolderDialog::accept() {
  const std::string typed = name_->text().toStdString();
  folderName_ = std::string(TrimSpace(typed));
  if (const auto problem = NewFolderNameProblem(folderName_)) {
    if (boxes_ != nullptr) {
      boxes_->ShowMessage(*problem);
    } else {
      WindowMessageBoxes("Create New Folder").ShowMessage(*problem);
    }
    name_->setFocus();
    name_->selectAll();
    return;
  }
  QDialog::accept();
}

}  // namespace tidewell
