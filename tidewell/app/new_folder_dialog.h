#pragma once
// The "Create New Folder" window (template 141) of the folder browser: asks for the name
// of a folder to make inside the current folder, and refuses names no folder can have.
#include <QDialog>
#include <optional>
#include <string>

class QLabel;
class QLineEdit;

namespace tidewell {

class MessageBoxes;

inline constexpr int kIdNewFolderName = 1063;
inline constexpr int kIdNewFolderCurrent = 1064;
inline constexpr int kNewFolderNameLimit = 260;

// The message that refuses a folder name (already trimmed), or none when it can be used.
std::optional<std::string> NewFolderNameProblem(const std::string& name);

class NewFolderDialog : public QDialog {
  Q_OBJECT

 public:
  // boxes shows the refusals; none shows them in real message boxes.
  NewFolderDialog(std::string currentFolder, MessageBoxes* boxes = nullptr,
                  QWidget* parent = nullptr);

  const std::string& currentFolder() const { return currentFolder_; }
  // The name typed, trimmed of white space at both ends (valid once OK was accepted).
  const std::string& folderName() const { return folderName_; }

  // OK: keeps the window open while the name is refused.
  void accept() override;

 private:
  std::string currentFolder_;
  std::string folderName_;
  MessageBoxes* boxes_;
  QLineEdit* name_;
};

}  // namespace tidewell
