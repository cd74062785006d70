#pragma once
// The product list window (template 142): the installed products of the table, from
// which the user starts an update run.
#include <QDialog>
#include <string>

class QLabel;
class QListWidget;
class QPushButton;

namespace tidewell {

class TidewellApp;
class UpdateRun;

inline constexpr int kIdProductList = 1069;
inline constexpr int kIdProductUpdate = 1068;
inline constexpr int kIdProductStatus = 1071;

class ProductListDialog : public QDialog {
  Q_OBJECT

 public:
  explicit ProductListDialog(TidewellApp& app, QWidget* parent = nullptr);

  // Fills the list with the installed products, in table order.
  void OnInitDialog();
  // The list's selection changed.
  void OnSelChange();
  // The Update button: starts a run for the selected product.
  void OnUpdate();

  const std::string& statusText() const { return statusText_; }
  // The run the Update button started (null before).
  UpdateRun* run() const { return run_; }

  // Close, Escape and the close box; ignored while a run is going on.
  void reject() override;

 private:
  void UpdateData();  // reads the selection from the controls
  void RefreshStatus();

  TidewellApp& app_;
  QListWidget* list_;
  QPushButton* update_;
  QPushButton* close_;
  QLabel* status_;
  std::string selectedText_;
  std::string statusText_;
  UpdateRun* run_ = nullptr;
};

}  // namespace tidewell
