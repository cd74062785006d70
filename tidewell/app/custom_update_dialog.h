#pragma once
// The custom update window (template 145): a list address, a target folder and a
// product name typed by hand for a product outside the table.
#include <QDialog>
#include <functional>
#include <optional>
#include <string>

#include "tidewell/app/tidewell_app.h"

class QLineEdit;
class QPushButton;

namespace tidewell {

inline constexpr int kIdCustomListUrl = 1090;
inline constexpr int kIdCustomTarget = 1087;
inline constexpr int kIdCustomBrowse = 1088;
inline constexpr int kIdCustomProduct = 1089;

class CustomUpdateDialog : public QDialog {
  Q_OBJECT

 public:
  // Asks for a folder (title, initial folder); none when the user cancelled.
  using FolderChooser =
      std::function<std::optional<std::string>(const std::string&, const std::string&)>;

  explicit CustomUpdateDialog(QWidget* parent = nullptr);

  void SetValues(const CustomUpdateValues& values);
  CustomUpdateValues Values() const { return values_; }
  void SetFolderChooser(FolderChooser chooser) { chooser_ = std::move(chooser); }

  // Any change of the three edits: OK is enabled when all three hold text.
  void OnEditChange();
  // The "..." button: chooses the target folder.
  void OnBrowse();

 private:
  void UpdateData(bool saveAndValidate);

  CustomUpdateValues values_;
  FolderChooser chooser_;
  QLineEdit* listUrl_;
  QLineEdit* target_;
  QLineEdit* product_;
  QPushButton* ok_;
  bool refreshing_ = false;  // controls being set from the members
};

}  // namespace tidewell
