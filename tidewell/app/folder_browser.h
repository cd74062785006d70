#pragma once
// The program's folder chooser: a tree of the file system's folders with the chooser's
// title above it, the selected folder's path as status text, and a "&New Folder..."
// button that makes a folder inside the selected one.
#include <QDialog>
#include <optional>
#include <string>

class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace tidewell {

class MessageBoxes;

inline constexpr int kIdBrowserNewFolder = 1999;
inline constexpr int kIdBrowserTree = 14145;
inline constexpr int kIdBrowserTitle = 14146;
inline constexpr int kIdBrowserStatus = 14147;

class FolderBrowser : public QDialog {
  Q_OBJECT

 public:
  // boxes shows the browser's messages; none shows them in real message boxes.
  FolderBrowser(QWidget* owner, std::string title, MessageBoxes* boxes = nullptr);

  // Only folders below the root are offered ("/" when none is set).
  void SetRootFolder(std::string folder) { rootFolder_ = std::move(folder); }
  // Selected first when the browser opens; without it the start folder is.
  void SetInitialSelection(std::string folder) { initialSelection_ = std::move(folder); }
  // Where the browser starts without an initial selection; the process's current folder
  // when none is set.
  void SetStartFolder(std::string folder) { startFolder_ = std::move(folder); }

  // Shows the browser modally; the chosen folder, or none when the user cancelled (or
  // the root folder does not exist).
  std::optional<std::string> Browse();

  // Fills the tree and makes the first selection; Browse does this itself.
  bool Prepare();
  // Selects a folder in the tree, opening the levels above it. False when the folder is
  // not below the root or does not exist (the selection is then kept).
  bool SelectFolder(const std::string& folder);
  // The "&New Folder..." button: asks for a name and makes that folder inside the
  // current selection, then selects it.
  void OnNewFolder();

  const std::string& title() const { return title_; }
  const std::string& currentSelection() const { return currentSelection_; }
  std::string statusText() const;

 private:
  void OnSelectionChanged();
  void FillChildren(QTreeWidgetItem* item);
  void RefreshChildren(QTreeWidgetItem* item);
  QTreeWidgetItem* ChildNamed(QTreeWidgetItem* item, const std::string& name);
  void PlaceNewFolderButton();
  void ShowError(const std::string& text);

  std::string title_;
  MessageBoxes* boxes_;
  std::string rootFolder_;
  std::string initialSelection_;
  std::string startFolder_;
  std::string currentSelection_;
  QLabel* titleLabel_;
  QTreeWidget* tree_;
  QLabel* status_;
  QPushButton* newFolder_;
  QPushButton* ok_;
  QPushButton* cancel_;
};

// Chooses a folder with the browser: the usual way the program's windows ask for one.
std::optional<std::string> ChooseFolder(QWidget* owner, const std::string& title,
                                        const std::string& startFolder,
                                        const std::string& initialSelection = "",
                                        MessageBoxes* boxes = nullptr);

}  // namespace tidewell
