#include "tidewell/app/custom_update_dialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "tidewell/app/dialog_layout.h"
#include "tidewell/app/folder_browser.h"

namespace tidewell {

CustomUpdateDialog::CustomUpdateDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle("Custom Update");
  setFixedSize(DialogUnitsSize(187, 95));
  PlaceControl(new QLabel("List URL:", this), 0, 7, 9, 60, 8);
  listUrl_ = PlaceControl(new QLineEdit(this), kIdCustomListUrl, 67, 7, 113, 12);
  PlaceControl(new QLabel("Target Dir:", this), 0, 7, 27, 60, 8);
  target_ = PlaceControl(new QLineEdit(this), kIdCustomTarget, 67, 25, 92, 12);
  auto* browse = PlaceControl(new QPushButton("...", this), kIdCustomBrowse, 162, 25, 18, 12);
  PlaceControl(new QLabel("Product Name:", this), 0, 7, 45, 60, 8);
  product_ = PlaceControl(new QLineEdit(this), kIdCustomProduct, 67, 43, 113, 12);
  ok_ = PlaceControl(new QPushButton("OK", this), kIdOk, 37, 70, 50, 14);
  ok_->setDefault(true);
  ok_->setEnabled(false);
  auto* cancel = PlaceControl(new QPushButton("Cancel", this), kIdCancel, 100, 70, 50, 14);

  for (QLineEdit* edit : {listUrl_, target_, product_})
    connect(edit, &QLineEdit::textChanged, this, [this] { OnEditChange(); });
  connect(browse, &QPushButton::clicked, this, [this] { OnBrowse(); });
  connect(ok_, &QPushButton::clicked, this, [this] {
    UpdateData(true);
    accept();
  });
  connect(cancel, &QPushButton::clicked, this, &CustomUpdateDialog::reject);
  chooser_ = [this](const std::string& title, const std::string& initial) {
    // The browser starts on the typed folder, else on the current one.
    return ChooseFolder(this, title, "", initial);
  };
}

void CustomUpdateDialog::SetValues(const CustomUpdateValues& values) {
  values_ = values;
  UpdateData(false);
  OnEditChange();
}

void CustomUpdateDialog::UpdateData(bool saveAndValidate) {
  if (saveAndValidate) {
    values_.listUrl = listUrl_->text().toStdString();
    values_.targetFolder = target_->text().toStdString();
    values_.productName = product_->text().toStdString();
    return;
  }
  refreshing_ = true;
  listUrl_->setText(QString::fromStdString(values_.listUrl));
  target_->setText(QString::fromStdString(values_.targetFolder));
  product_->setText(QString::fromStdString(values_.productName));
  refreshing_ = false;
}

void CustomUpdateDialog::OnEditChange() {
  if (refreshing_) return;
  UpdateData(true);
  ok_->setEnabled(!values_.listUrl.empty() && !values_.targetFolder.empty() &&
                  !values_.productName.empty());
}

void CustomUpdateDialog::OnBrowse() {
  UpdateData(true);
  if (const auto folder = chooser_("Choose Program Folder", values_.targetFolder)) {
    values_.targetFolder = *folder;
    UpdateData(false);
    OnEditChange();
  }
}

}  // namespace tidewell
