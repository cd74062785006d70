#include "tidewell/app/product_list_dialog.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "tidewell/app/dialog_layout.h"
#include "tidewell/app/message_boxes.h"
#include "tidewell/app/product_table.h"
#include "tidewell/app/string_table.h"
#include "tidewell/app/tidewell_app.h"

namespace tidewell {

ProductListDialog::ProductListDialog(TidewellApp& app, QWidget* parent)
    : QDialog(parent), app_(app) {
  setWindowTitle("Corvane Update");
  setFixedSize(DialogUnitsSize(190, 134));
  list_ = PlaceControl(new QListWidget(this), kIdProductList, 7, 7, 176, 72);
  list_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  auto* note = PlaceControl(
      new QLabel("Please close your selected Corvane program before pressing \"Update\".", this), 0,
      7, 82, 176, 18);
  note->setAlignment(Qt::AlignCenter);
  note->setWordWrap(true);
  update_ = PlaceControl(new QPushButton("Update", this), kIdProductUpdate, 38, 104, 50, 14);
  update_->setDefault(true);
  update_->setEnabled(false);
  close_ = PlaceControl(new QPushButton("Close", this), kIdCancel, 102, 104, 50, 14);
  status_ = PlaceControl(new QLabel(this), kIdProductStatus, 0, 123, 190, 11);
  status_->setFrameStyle(QFrame::Panel | QFrame::Sunken);

  connect(list_, &QListWidget::itemSelectionChanged, this, [this] { OnSelChange(); });
  connect(update_, &QPushButton::clicked, this, [this] { OnUpdate(); });
  connect(close_, &QPushButton::clicked, this, &ProductListDialog::reject);
  OnInitDialog();
}

void ProductListDialog::OnInitDialog() {
  list_->clear();
  const int count = ListItemCount(LoadString(kStrProductNames));
  for (int position = 1; position < count; ++position) {
    std::string name;
    std::string folder;
    if (!GetProductName(position, name) || !LookupInstallFolder(name, folder)) continue;
    auto* item = new QListWidgetItem(QString::fromStdString(name), list_);  // the list owns it
    item->setData(Qt::UserRole, position);
  }
  statusText_ = "No Product Selected";
  RefreshStatus();
}

void ProductListDialog::UpdateData() {
  const QList<QListWidgetItem*> selected = list_->selectedItems();
  selectedText_ = selected.isEmpty() ? std::string() : selected.front()->text().toStdString();
}

void ProductListDialog::OnSelChange() {
  UpdateData();
  if (!selectedText_.empty()) {
    statusText_ = selectedText_ + " Selected";
    update_->setEnabled(true);
  } else {
    statusText_ = "No Product Selected";
    update_->setEnabled(false);
  }
  RefreshStatus();
}

void ProductListDialog::OnUpdate() {
  UpdateData();
  if (selectedText_.empty()) {
    app_.messageBoxes().ShowMessage("No Items Selected");
    return;
  }
  const int position = list_->selectedItems().front()->data(Qt::UserRole).toInt();
  run_ = app_.StartProductRun(selectedText_, position);
  close_->setEnabled(false);
  list_->setEnabled(false);
  update_->setEnabled(false);
  statusText_ = "Updating " + selectedText_;
  RefreshStatus();
}

void ProductListDialog::reject() {
  if (close_->isEnabled()) QDialog::reject();
}

void ProductListDialog::RefreshStatus() { status_->setText(QString::fromStdString(statusText_)); }

}  // namespace tidewell
