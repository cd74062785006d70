// The folder browser and its "Create New Folder" window, offscreen: controls by ID, the
// first selection, the status text, and making folders from the browser.
#include <gtest/gtest.h>

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <filesystem>
#include <string>

#include "modal_test_support.h"
#include "run_test_support.h"
#include "test_servers.h"
#include "tidewell/app/custom_update_dialog.h"
#include "tidewell/app/dialog_layout.h"
#include "tidewell/app/folder_browser.h"
#include "tidewell/app/new_folder_dialog.h"

namespace {

namespace fs = std::filesystem;
using modal_test::SaveScreenshot;
using modal_test::WhenModal;
using run_test::RecordedBoxes;
using tidewell::FolderBrowser;
using tidewell::NewFolderDialog;

template <typename Control>
Control* ById(QWidget& window, int id) {
  Control* control = window.findChild<Control*>(QString::number(id));
  EXPECT_NE(nullptr, control) << "control " << id;
  return control;
}

// Types a name into the "Create New Folder" window once it is open, then presses OK.
std::shared_ptr<bool> AnswerNewFolder(const std::string& name) {
  return WhenModal<NewFolderDialog>([name](NewFolderDialog* dialog) {
    ById<QLineEdit>(*dialog, tidewell::kIdNewFolderName)->setText(QString::fromStdString(name));
    ById<QPushButton>(*dialog, tidewell::kIdOk)->click();
    // A refused name keeps the window open: leave it so that the test never hangs.
    if (dialog->isVisible()) dialog->reject();
  });
}

// A scratch folder tree: a/b and c.
struct FolderWorld {
  FolderWorld() {
    tidewell_test::EnsureGuiApplication();
    fs::create_directories(root / "a/b");
    fs::create_directories(root / "c");
  }
  std::string Path(const std::string& name) const { return root / name; }
  tidewell_test::ScratchFolder root;
  RecordedBoxes boxes;
};

TEST(NewFolderDialog, RefusesDotNamesAndReservedCharactersAndStaysOpen) {
  tidewell_test::EnsureGuiApplication();
  RecordedBoxes boxes;
  NewFolderDialog dialog("/srv/sets", &boxes);
  EXPECT_EQ("Create New Folder", dialog.windowTitle().toStdString());
  EXPECT_EQ("/srv/sets", ById<QLabel>(dialog, tidewell::kIdNewFolderCurrent)->text().toStdString());
  QStringList groups;
  for (QGroupBox* group : dialog.findChildren<QGroupBox*>()) groups << group->title();
  EXPECT_EQ((QStringList{"Current Folder", "New Folder Name"}), groups);
  QLineEdit* name = ById<QLineEdit>(dialog, tidewell::kIdNewFolderName);
  EXPECT_EQ(tidewell::kNewFolderNameLimit, name->maxLength());
  dialog.show();
  name->setText("  ..  ");
  EXPECT_TRUE(SaveScreenshot(dialog, "new-folder-name"));
  EXPECT_EQ(
      std::vector<std::string>{},
      modal_test::ClippedTexts(dialog, {ById<QWidget>(dialog, tidewell::kIdNewFolderCurrent)}));
  ById<QPushButton>(dialog, tidewell::kIdOk)->click();
  name->setText("sets:old");
  ById<QPushButton>(dialog, tidewell::kIdOk)->click();
  name->setText(".");
  ById<QPushButton>(dialog, tidewell::kIdOk)->click();
  EXPECT_EQ((std::vector<std::string>{
                "Please enter a valid folder name. Name <..> can not be used as a folder name.",
                "Please enter a valid folder name. Name <sets:old> contains invalid character(s)",
                "Please enter a valid folder name. Name <.> can not be used as a folder name."}),
            boxes.shown);
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(0, dialog.result());

  name->setText("\t release 2 ");
  ById<QPushButton>(dialog, tidewell::kIdOk)->click();
  EXPECT_EQ(QDialog::Accepted, dialog.result());
  EXPECT_EQ("release 2", dialog.folderName());
  EXPECT_EQ(3u, boxes.shown.size());
}

TEST(NewFolderDialog, EveryReservedCharacterIsRefused) {
  for (char c : std::string("<>:/\\|*?"))
    EXPECT_TRUE(tidewell::NewFolderNameProblem(std::string("a") + c + "b").has_value()) << c;
  EXPECT_FALSE(tidewell::NewFolderNameProblem("...").has_value());
  EXPECT_FALSE(tidewell::NewFolderNameProblem("a.b").has_value());
}

TEST(FolderBrowser, OpensOnTheInitialSelectionWithItsPathAsStatusText) {
  FolderWorld world;
  FolderBrowser browser(nullptr, "Choose Program Folder", &world.boxes);
  browser.SetInitialSelection(world.Path("a/b/"));
  browser.SetStartFolder(world.Path("c"));
  ASSERT_TRUE(browser.Prepare());
  EXPECT_EQ("Choose Program Folder", browser.windowTitle().toStdString());
  EXPECT_EQ("Choose Program Folder",
            ById<QLabel>(browser, tidewell::kIdBrowserTitle)->text().toStdString());
  EXPECT_EQ(world.Path("a/b"), browser.currentSelection());
  EXPECT_EQ(world.Path("a/b"), browser.statusText());
  QTreeWidget* tree = ById<QTreeWidget>(browser, tidewell::kIdBrowserTree);
  ASSERT_NE(nullptr, tree->currentItem());
  EXPECT_EQ("b", tree->currentItem()->text(0).toStdString());

  // "&New Folder..." mirrors Cancel on the left side.
  QPushButton* newFolder = ById<QPushButton>(browser, tidewell::kIdBrowserNewFolder);
  QPushButton* cancel = ById<QPushButton>(browser, tidewell::kIdCancel);
  EXPECT_EQ("&New Folder...", newFolder->text().toStdString());
  EXPECT_EQ(cancel->size(), newFolder->size());
  EXPECT_EQ(cancel->y(), newFolder->y());
  EXPECT_EQ(browser.width() - cancel->geometry().right() - 1, newFolder->x());
  EXPECT_TRUE(SaveScreenshot(browser, "folder-browser"));
  EXPECT_EQ(
      std::vector<std::string>{},
      modal_test::ClippedTexts(browser, {ById<QWidget>(browser, tidewell::kIdBrowserStatus)}));

  // Choosing another folder makes it the status text.
  tree->setCurrentItem(tree->currentItem()->parent());
  EXPECT_EQ(world.Path("a"), browser.statusText());
}

TEST(FolderBrowser, WithoutAUsableInitialSelectionStartsInTheStartFolder) {
  FolderWorld world;
  FolderBrowser browser(nullptr, "Choose Update Folder", &world.boxes);
  browser.SetInitialSelection(world.Path("missing"));
  browser.SetStartFolder(world.Path("c/"));
  ASSERT_TRUE(browser.Prepare());
  EXPECT_EQ(world.Path("c"), browser.currentSelection());

  FolderBrowser rooted(nullptr, "Rooted", &world.boxes);
  rooted.SetRootFolder(world.Path("a"));
  rooted.SetStartFolder(world.Path("c"));  // outside the root: the root stays selected
  ASSERT_TRUE(rooted.Prepare());
  EXPECT_EQ(world.Path("a"), rooted.currentSelection());
  EXPECT_FALSE(rooted.SelectFolder(world.Path("a/..")));
  EXPECT_TRUE(rooted.SelectFolder(world.Path("a/b")));
}

TEST(FolderBrowser, BrowseGivesTheChosenFolderOrNothingWhenCancelled) {
  FolderWorld world;
  FolderBrowser browser(nullptr, "Pick", &world.boxes);
  browser.SetStartFolder(world.Path("c"));
  auto ran = WhenModal<FolderBrowser>(
      [](FolderBrowser* open) { ById<QPushButton>(*open, tidewell::kIdOk)->click(); });
  EXPECT_EQ(world.Path("c"), browser.Browse().value_or("none"));
  EXPECT_TRUE(*ran);

  WhenModal<FolderBrowser>(
      [](FolderBrowser* open) { ById<QPushButton>(*open, tidewell::kIdCancel)->click(); });
  EXPECT_FALSE(browser.Browse().has_value());
}

TEST(FolderBrowser, NewFolderIsMadeInsideTheSelectionAndSelected) {
  FolderWorld world;
  FolderBrowser browser(nullptr, "Pick", &world.boxes);
  browser.SetStartFolder(world.Path("a"));
  ASSERT_TRUE(browser.Prepare());
  browser.show();
  auto ran = AnswerNewFolder("  fresh set ");
  ById<QPushButton>(browser, tidewell::kIdBrowserNewFolder)->click();
  EXPECT_TRUE(*ran);
  EXPECT_TRUE(fs::is_directory(world.Path("a/fresh set")));
  EXPECT_EQ(world.Path("a/fresh set"), browser.currentSelection());
  EXPECT_TRUE(browser.isVisible());
  EXPECT_TRUE(world.boxes.shown.empty());
  // The parent's folders were read again: the new one stands among them.
  QTreeWidgetItem* parent =
      ById<QTreeWidget>(browser, tidewell::kIdBrowserTree)->currentItem()->parent();
  ASSERT_NE(nullptr, parent);
  EXPECT_EQ(2, parent->childCount());
}

TEST(FolderBrowser, ExistingFolderIsSelectedWithoutAnError) {
  FolderWorld world;
  FolderBrowser browser(nullptr, "Pick", &world.boxes);
  browser.SetStartFolder(world.Path("a"));
  ASSERT_TRUE(browser.Prepare());
  browser.show();
  AnswerNewFolder("b");
  ById<QPushButton>(browser, tidewell::kIdBrowserNewFolder)->click();
  EXPECT_EQ(world.Path("a/b"), browser.currentSelection());
  EXPECT_TRUE(world.boxes.shown.empty());
  EXPECT_TRUE(browser.isVisible());
}

TEST(FolderBrowser, CancelledNameLeavesTheBrowserAsItWas) {
  FolderWorld world;
  FolderBrowser browser(nullptr, "Pick", &world.boxes);
  browser.SetStartFolder(world.Path("a"));
  ASSERT_TRUE(browser.Prepare());
  browser.show();
  WhenModal<NewFolderDialog>([](NewFolderDialog* dialog) {
    ById<QLineEdit>(*dialog, tidewell::kIdNewFolderName)->setText("never");
    ById<QPushButton>(*dialog, tidewell::kIdCancel)->click();
  });
  ById<QPushButton>(browser, tidewell::kIdBrowserNewFolder)->click();
  EXPECT_FALSE(fs::exists(world.Path("a/never")));
  EXPECT_EQ(world.Path("a"), browser.currentSelection());
  EXPECT_TRUE(browser.isVisible());
}

TEST(FolderBrowser, VanishedOrUnwritableFoldersAreReportedAndCloseTheBrowser) {
  FolderWorld world;
  {
    FolderBrowser browser(nullptr, "Pick", &world.boxes);
    browser.SetStartFolder(world.Path("c"));
    ASSERT_TRUE(browser.Prepare());
    browser.show();
    fs::remove(world.Path("c"));
    ById<QPushButton>(browser, tidewell::kIdBrowserNewFolder)->click();
    EXPECT_FALSE(browser.isVisible());
    EXPECT_EQ(QDialog::Rejected, browser.result());
  }
  {
    // A name longer than any the file system takes: the folder can't be made.
    FolderBrowser browser(nullptr, "Pick", &world.boxes);
    browser.SetStartFolder(world.Path("a"));
    ASSERT_TRUE(browser.Prepare());
    browser.show();
    AnswerNewFolder(std::string(258, 'n'));
    ById<QPushButton>(browser, tidewell::kIdBrowserNewFolder)->click();
    EXPECT_FALSE(browser.isVisible());
  }
  ASSERT_EQ(2u, world.boxes.shown.size());
  EXPECT_EQ("Folder <" + world.Path("c") +
                ">, although is still visible in the control, doesn't exist any more.\nPlease "
                "select another folder.",
            world.boxes.shown[0]);
  EXPECT_EQ("Can't create directory <" + world.Path("a/" + std::string(258, 'n')) +
                ">.\nReason:File name too long",
            world.boxes.shown[1]);
}

TEST(CustomUpdateDialog, FolderButtonOpensTheBrowserOnTheTypedTarget) {
  FolderWorld world;
  tidewell::CustomUpdateDialog dialog;
  dialog.SetValues({"http://127.0.0.1/list.tdu", world.Path("a"), "Leafline"});
  auto ran = WhenModal<FolderBrowser>([&world](FolderBrowser* browser) {
    EXPECT_EQ("Choose Program Folder", browser->windowTitle().toStdString());
    EXPECT_EQ(world.Path("a"), browser->currentSelection());
    browser->SelectFolder(world.Path("a/b"));
    ById<QPushButton>(*browser, tidewell::kIdOk)->click();
  });
  ById<QPushButton>(dialog, tidewell::kIdCustomBrowse)->click();
  EXPECT_TRUE(*ran);
  EXPECT_EQ(world.Path("a/b"),
            ById<QLineEdit>(dialog, tidewell::kIdCustomTarget)->text().toStdString());
}

}  // namespace
