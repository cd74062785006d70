// The generator's window offscreen, driven by control ID: initial states, the file list
// and its flags, the FTP fields, the folder questions, and a saved set that a real client
// run installs.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <filesystem>
#include <optional>
#include <sstream>

#include "ftp_test_support.h"
#include "modal_test_support.h"
#include "run_test_support.h"
#include "test_servers.h"
#include "tidewell/trust/signature_check.h"
#include "tidewell/app/dialog_layout.h"
#include "tidewell/app/folder_browser.h"
#include "tidewell/app/generate_dialog.h"
#include "tidewell/app/tidewell_app.h"
#include "tidewell/platform/update_server.h"
#include "tidewell/app/overwrite_prompt.h"

namespace {

namespace fs = std::filesystem;
using modal_test::SaveScreenshot;
using modal_test::WhenModal;
using run_test::RecordedBoxes;
using tidewell::GenerateDialog;

template <typename Control>
Control* ById(QWidget& window, int id) {
  Control* control = window.findChild<Control*>(QString::number(id));
  EXPECT_NE(nullptr, control) << "control " << id;
  return control;
}

void Click(QWidget& window, int id) {
  if (auto* button = ById<QAbstractButton>(window, id)) button->click();
}

void Type(QWidget& window, int id, const std::string& text) {
  if (auto* edit = ById<QLineEdit>(window, id)) edit->setText(QString::fromStdString(text));
}

// Chooses the folder in the next folder browser, after checking its title.
std::shared_ptr<bool> ChooseInBrowser(const std::string& title, const std::string& folder) {
  return WhenModal<tidewell::FolderBrowser>([title, folder](tidewell::FolderBrowser* browser) {
    EXPECT_EQ(title, browser->windowTitle().toStdString());
    EXPECT_TRUE(browser->SelectFolder(folder)) << folder;
    Click(*browser, tidewell::kIdOk);
  });
}

// Picks files by name in the next file dialog; records the folder it started in.
std::shared_ptr<bool> PickFiles(const std::vector<std::string>& names,
                                std::string* startedIn = nullptr) {
  return WhenModal<QFileDialog>([names, startedIn](QFileDialog* dialog) {
    if (startedIn) *startedIn = dialog->directory().absolutePath().toStdString();
    QString typed;
    for (const std::string& name : names) typed += "\"" + QString::fromStdString(name) + "\" ";
    dialog->findChild<QLineEdit*>("fileNameEdit")->setText(typed.trimmed());
    static_cast<QDialog*>(dialog)->accept();  // QFileDialog's own accept reads the typed names
  });
}

std::string CellText(QWidget& window, int row, int column) {
  QTreeWidget* list = ById<QTreeWidget>(window, tidewell::kIdGenFileList);
  QTreeWidgetItem* item = list ? list->topLevelItem(row) : nullptr;
  return item ? item->text(column).toStdString() : "<no row>";
}

void SelectRows(QWidget& window, const std::vector<int>& rows) {
  QTreeWidget* list = ById<QTreeWidget>(window, tidewell::kIdGenFileList);
  list->clearSelection();
  for (int row : rows) list->topLevelItem(row)->setSelected(true);
}

Qt::CheckState BoxState(QWidget& window, int id) {
  return ById<QCheckBox>(window, id)->checkState();
}

// A generator window whose program folder question is answered by the test itself, and
// a program folder of two files with known sizes and times.
class GeneratorWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    dialog.SetAskForProgramFolderOnShow(false);
    fs::create_directories(program);
    tidewell_test::WriteWholeFile(program + "/leaf.exe", std::string(2048, 'x'));
    tidewell_test::WriteWholeFile(program + "/ink.dll", std::string(1536, 'y'));
    run_test::SetTimes(program + "/leaf.exe", 1690000000, 1700000000);
    run_test::SetTimes(program + "/ink.dll", 1500000000, 1500000000);
  }

  // Sets the program folder through "Change" and adds both files through "Add Files".
  void AddBothFiles() {
    ChooseInBrowser("Choose Main Program Folder", program);
    Click(dialog, tidewell::kIdGenChange);
    PickFiles({"leaf.exe", "ink.dll"});
    Click(dialog, tidewell::kIdGenAddFiles);
    ASSERT_EQ(2u, dialog.model().Files().Count());
  }

  struct ApplicationFirst {
    ApplicationFirst() { tidewell_test::EnsureGuiApplication(); }
  } application_;
  app_test::ScopedEnv utc_{"TZ", "UTC"};
  tidewell_test::ScratchFolder root;
  app_test::ScopedEnv home_{"HOME", root / "home"};
  std::string program = root / "product";
  RecordedBoxes boxes;
  GenerateDialog dialog{boxes};
};

TEST_F(GeneratorWindow, OpensWithItsTextsAndInitialStates) {
  EXPECT_EQ("Generate Update Set", dialog.windowTitle().toStdString());
  const std::vector<std::pair<int, std::string>> buttons = {
      {tidewell::kIdGenChange, "Change"},
      {tidewell::kIdGenAddFiles, "Add Files"},
      {tidewell::kIdGenRemoveFiles, "Remove Files"},
      {tidewell::kIdGenCheckModify, "Check Modify Date"},
      {tidewell::kIdGenCheckCreate, "Check Create Date"},
      {tidewell::kIdGenCheckSize, "Check Size"},
      {tidewell::kIdGenBrowseListFile, "Browse ..."},
      {tidewell::kIdGenBrowseLocalFolder, "Browse ..."},
      {tidewell::kIdGenUseProxy, "Specify Proxy (Uses Windows Defaults Otherwise)"},
      {tidewell::kIdGenGetFtpFiles, "Get FTP Files"},
      {tidewell::kIdGenSaveLocally, "Save Locally"},
      {tidewell::kIdGenUpload, "Upload Update"},
      {tidewell::kIdCancel, "Exit"}};
  for (const auto& [id, text] : buttons) {
    if (QAbstractButton* button = ById<QAbstractButton>(dialog, id)) {
      EXPECT_EQ(text, button->text().toStdString()) << id;
    }
  }
  QStringList groups;
  for (QGroupBox* group : dialog.findChildren<QGroupBox*>()) groups << group->title();
  EXPECT_EQ((QStringList{"Program Directory", "Local Update Set Directory",
                         "Web Directory Prefixes", "FTP Preferences"}),
            groups);
  for (int id : {tidewell::kIdGenFtpSite, tidewell::kIdGenFtpUser, tidewell::kIdGenFtpPassword,
                 tidewell::kIdGenFtpInitialDir})
    EXPECT_TRUE(ById<QLineEdit>(dialog, id)->text().isEmpty()) << id;
  EXPECT_EQ(QLineEdit::Password, ById<QLineEdit>(dialog, tidewell::kIdGenFtpPassword)->echoMode());

  // Values of the model, with the update server as remote web directory.
  EXPECT_EQ(tidewell::UpdateServerAddress(),
            ById<QLineEdit>(dialog, tidewell::kIdGenRemoteWeb)->text().toStdString());
  // Nothing is written into the file system's root: the set goes into the home folder.
  EXPECT_EQ(root / "home/update-set/update.ini",
            ById<QLineEdit>(dialog, tidewell::kIdGenListFile)->text().toStdString());
  EXPECT_EQ("winfiles",
            ById<QLineEdit>(dialog, tidewell::kIdGenWindowsPrefix)->text().toStdString());
  EXPECT_EQ("program",
            ById<QLineEdit>(dialog, tidewell::kIdGenProgramPrefix)->text().toStdString());
  EXPECT_EQ("others", ById<QLineEdit>(dialog, tidewell::kIdGenOtherPrefix)->text().toStdString());
  EXPECT_EQ(root / "home",
            ById<QLabel>(dialog, tidewell::kIdGenProgramFolder)->toolTip().toStdString());
  EXPECT_EQ(root / "home/update-set",
            ById<QLabel>(dialog, tidewell::kIdGenLocalFolder)->toolTip().toStdString());

  // Nothing selected: the flags show mixed and, with "Remove Files", can't be used.
  for (int id :
       {tidewell::kIdGenCheckModify, tidewell::kIdGenCheckCreate, tidewell::kIdGenCheckSize}) {
    EXPECT_EQ(Qt::PartiallyChecked, BoxState(dialog, id)) << id;
    EXPECT_FALSE(ById<QWidget>(dialog, id)->isEnabled()) << id;
  }
  EXPECT_FALSE(ById<QWidget>(dialog, tidewell::kIdGenRemoveFiles)->isEnabled());
  EXPECT_FALSE(ById<QWidget>(dialog, tidewell::kIdGenProxyAddress)->isEnabled());
  EXPECT_FALSE(ById<QWidget>(dialog, tidewell::kIdGenProxyPort)->isEnabled());
  EXPECT_FALSE(ById<QWidget>(dialog, tidewell::kIdGenUpload)->isEnabled());
  QWidget* getFiles = ById<QWidget>(dialog, tidewell::kIdGenGetFtpFiles);
  EXPECT_FALSE(getFiles->isEnabled());
  EXPECT_TRUE(getFiles->isHidden());

  QTreeWidget* list = ById<QTreeWidget>(dialog, tidewell::kIdGenFileList);
  ASSERT_EQ(7, list->columnCount());
  QStringList headers;
  for (int i = 0; i < 7; ++i) headers << list->headerItem()->text(i);
  EXPECT_EQ(
      (QStringList{"Filename", "Size (k)", "Size", "Modified", "Modify", "Created", "Create"}),
      headers);
  EXPECT_EQ(QAbstractItemView::SelectRows, list->selectionBehavior());
  EXPECT_TRUE(SaveScreenshot(dialog, "generate-opened"));
  EXPECT_EQ(std::vector<std::string>{},
            modal_test::ClippedTexts(dialog, {ById<QWidget>(dialog, tidewell::kIdGenProgramFolder),
                                              ById<QWidget>(dialog, tidewell::kIdGenLocalFolder)}));
}

TEST_F(GeneratorWindow, ResizingGivesTheFileListTheRoomAndNoTextIsCutOff) {
  AddBothFiles();
  dialog.show();
  QTreeWidget* list = ById<QTreeWidget>(dialog, tidewell::kIdGenFileList);
  // Names from the program folder, the whole path in the tool tip.
  EXPECT_EQ("leaf.exe", CellText(dialog, 0, 0));
  EXPECT_EQ(program + "/leaf.exe", list->topLevelItem(0)->toolTip(0).toStdString());
  const std::vector<QWidget*> shortened = {ById<QWidget>(dialog, tidewell::kIdGenProgramFolder),
                                           ById<QWidget>(dialog, tidewell::kIdGenLocalFolder)};
  EXPECT_EQ(std::vector<std::string>{}, modal_test::ClippedTexts(dialog, shortened));

  // At the smallest size the window keeps its template; larger, the list takes the room.
  dialog.resize(dialog.minimumSize());
  const QSize small = list->size();
  QWidget* exit = ById<QWidget>(dialog, tidewell::kIdCancel);
  const int exitRight = dialog.width() - exit->geometry().right();
  const int exitBottom = dialog.height() - exit->geometry().bottom();
  dialog.resize(dialog.minimumSize() + QSize(300, 200));
  EXPECT_EQ(small + QSize(300, 200), list->size());
  EXPECT_EQ(exitRight, dialog.width() - exit->geometry().right());
  EXPECT_EQ(exitBottom, dialog.height() - exit->geometry().bottom());
  EXPECT_EQ(std::vector<std::string>{}, modal_test::ClippedTexts(dialog, shortened));
  EXPECT_TRUE(SaveScreenshot(dialog, "generate-resized"));
}

TEST_F(GeneratorWindow, AddedFilesFillTheSevenColumns) {
  std::string startedIn;
  ChooseInBrowser("Choose Main Program Folder", program);
  Click(dialog, tidewell::kIdGenChange);
  EXPECT_EQ(program, dialog.model().programFolder);
  EXPECT_EQ(program.substr(program.rfind('/') + 1),
            ById<QLabel>(dialog, tidewell::kIdGenProgramFolder)
                ->toolTip()
                .toStdString()
                .substr(program.rfind('/') + 1));
  auto picked = PickFiles({"leaf.exe", "ink.dll"}, &startedIn);
  Click(dialog, tidewell::kIdGenAddFiles);
  EXPECT_TRUE(*picked);
  EXPECT_EQ(program, startedIn);
  const std::vector<std::vector<std::string>> rows = {
      {"leaf.exe", "2.00", " ", "11/14/2023 22:13:20", " ", "07/22/2023 04:26:40", " "},
      {"ink.dll", "1.50", " ", "07/14/2017 02:40:00", " ", "07/14/2017 02:40:00", " "}};
  for (int row = 0; row < 2; ++row)
    for (int column = 0; column < 7; ++column)
      EXPECT_EQ(rows[row][column], CellText(dialog, row, column)) << row << "," << column;
  SelectRows(dialog, {0});
  EXPECT_TRUE(SaveScreenshot(dialog, "generate-files-added"));
}

TEST_F(GeneratorWindow, SizeBoxOverMixedSelectionGoesOffThenOnThenOff) {
  AddBothFiles();
  SelectRows(dialog, {0});
  EXPECT_EQ(Qt::Unchecked, BoxState(dialog, tidewell::kIdGenCheckSize));
  Click(dialog, tidewell::kIdGenCheckSize);
  EXPECT_EQ(Qt::Checked, BoxState(dialog, tidewell::kIdGenCheckSize));
  EXPECT_EQ("X", CellText(dialog, 0, 2));
  EXPECT_EQ(" ", CellText(dialog, 1, 2));

  SelectRows(dialog, {0, 1});
  EXPECT_EQ(Qt::PartiallyChecked, BoxState(dialog, tidewell::kIdGenCheckSize));
  EXPECT_EQ(Qt::Unchecked, BoxState(dialog, tidewell::kIdGenCheckModify));
  EXPECT_TRUE(SaveScreenshot(dialog, "generate-size-mixed"));
  Click(dialog, tidewell::kIdGenCheckSize);
  EXPECT_EQ(Qt::Unchecked, BoxState(dialog, tidewell::kIdGenCheckSize));
  EXPECT_EQ(" ", CellText(dialog, 0, 2));
  EXPECT_EQ(" ", CellText(dialog, 1, 2));
  Click(dialog, tidewell::kIdGenCheckSize);
  EXPECT_EQ(Qt::Checked, BoxState(dialog, tidewell::kIdGenCheckSize));
  EXPECT_EQ("X", CellText(dialog, 0, 2));
  EXPECT_EQ("X", CellText(dialog, 1, 2));
  EXPECT_TRUE(dialog.model().Files().At(1).checkSize);
  Click(dialog, tidewell::kIdGenCheckSize);
  EXPECT_EQ(Qt::Unchecked, BoxState(dialog, tidewell::kIdGenCheckSize));
  EXPECT_FALSE(dialog.model().Files().At(0).checkSize);
  EXPECT_FALSE(dialog.model().Files().At(1).checkSize);

  // The other flags have columns of their own.
  Click(dialog, tidewell::kIdGenCheckModify);
  Click(dialog, tidewell::kIdGenCheckCreate);
  EXPECT_EQ("X", CellText(dialog, 1, 4));
  EXPECT_EQ("X", CellText(dialog, 1, 6));
  EXPECT_TRUE(dialog.model().Files().At(0).checkModify);
  EXPECT_TRUE(dialog.model().Files().At(0).checkCreate);
}

TEST_F(GeneratorWindow, SelectionEnablesFlagsAndRemoveFilesTakesTheSelectedOnes) {
  AddBothFiles();
  SelectRows(dialog, {1});
  for (int id : {tidewell::kIdGenCheckModify, tidewell::kIdGenCheckCreate,
                 tidewell::kIdGenCheckSize, tidewell::kIdGenRemoveFiles})
    EXPECT_TRUE(ById<QWidget>(dialog, id)->isEnabled()) << id;
  Click(dialog, tidewell::kIdGenRemoveFiles);
  ASSERT_EQ(1u, dialog.model().Files().Count());
  EXPECT_EQ(program + "/leaf.exe", dialog.model().Files().At(0).installedPath);
  EXPECT_EQ("leaf.exe", CellText(dialog, 0, 0));
  EXPECT_EQ("<no row>", CellText(dialog, 1, 0));
  // Nothing is selected after the list was refilled.
  EXPECT_FALSE(ById<QWidget>(dialog, tidewell::kIdGenRemoveFiles)->isEnabled());
  EXPECT_EQ(Qt::PartiallyChecked, BoxState(dialog, tidewell::kIdGenCheckCreate));
}

TEST_F(GeneratorWindow, UploadNeedsSiteUserPasswordAndWithProxyAnAddress) {
  QWidget* upload = ById<QWidget>(dialog, tidewell::kIdGenUpload);
  Type(dialog, tidewell::kIdGenFtpSite, "127.0.0.1:2121");
  Type(dialog, tidewell::kIdGenFtpUser, "release");
  EXPECT_FALSE(upload->isEnabled());
  Type(dialog, tidewell::kIdGenFtpPassword, "secret");
  EXPECT_TRUE(upload->isEnabled());
  Type(dialog, tidewell::kIdGenFtpUser, "");
  EXPECT_FALSE(upload->isEnabled());
  Type(dialog, tidewell::kIdGenFtpUser, "release");
  EXPECT_TRUE(upload->isEnabled());

  Click(dialog, tidewell::kIdGenUseProxy);
  EXPECT_TRUE(ById<QWidget>(dialog, tidewell::kIdGenProxyAddress)->isEnabled());
  EXPECT_TRUE(ById<QWidget>(dialog, tidewell::kIdGenProxyPort)->isEnabled());
  EXPECT_FALSE(upload->isEnabled());
  Type(dialog, tidewell::kIdGenProxyAddress, "10.0.0.8");
  EXPECT_TRUE(upload->isEnabled());
  EXPECT_TRUE(SaveScreenshot(dialog, "generate-ftp-proxy"));
  Click(dialog, tidewell::kIdGenUseProxy);
  EXPECT_FALSE(ById<QWidget>(dialog, tidewell::kIdGenProxyAddress)->isEnabled());
  EXPECT_TRUE(upload->isEnabled());
  EXPECT_EQ("secret", dialog.ftp().password);
  EXPECT_EQ("10.0.0.8", dialog.ftp().proxyAddress);
}

TEST_F(GeneratorWindow, ShowingAsksForTheProgramFolder) {
  dialog.SetAskForProgramFolderOnShow(true);
  auto asked = ChooseInBrowser("Choose Main Program Folder", program);
  dialog.show();
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return *asked && QApplication::activeModalWidget() == nullptr; }, 10000));
  EXPECT_EQ(program, dialog.model().programFolder);
  // Hiding the window asks nothing.
  dialog.hide();
  QTest::qWait(50);
  EXPECT_EQ(nullptr, QApplication::activeModalWidget());
}

TEST_F(GeneratorWindow, LocalFolderAndListFileAreChosenFromTheirCurrentPlaces) {
  fs::create_directories(root / "sets/old");
  dialog.model().localUpdateSetFolder = root / "sets/old";
  auto chosen = WhenModal<tidewell::FolderBrowser>([&](tidewell::FolderBrowser* browser) {
    EXPECT_EQ("Choose Update Folder", browser->windowTitle().toStdString());
    EXPECT_EQ(root / "sets/old", browser->currentSelection());  // starts where the set was
    browser->SelectFolder(root / "sets");
    Click(*browser, tidewell::kIdOk);
  });
  Click(dialog, tidewell::kIdGenBrowseLocalFolder);
  EXPECT_TRUE(*chosen);
  EXPECT_EQ(root / "sets", dialog.model().localUpdateSetFolder);
  EXPECT_EQ(root / "sets",
            ById<QLabel>(dialog, tidewell::kIdGenLocalFolder)->toolTip().toStdString());

  Type(dialog, tidewell::kIdGenListFile, root / "sets/old/update.ini");
  std::string startedIn;
  PickFiles({"leafline.tdu"}, &startedIn);
  Click(dialog, tidewell::kIdGenBrowseListFile);
  EXPECT_EQ(root / "sets/old", startedIn);
  EXPECT_EQ(root / "sets/old/leafline.tdu", dialog.model().listFile);
  EXPECT_EQ(root / "sets/old/leafline.tdu",
            ById<QLineEdit>(dialog, tidewell::kIdGenListFile)->text().toStdString());
}

TEST_F(GeneratorWindow, SaveLocallyAtTheDefaultsWritesIntoTheHomeFolderAndSaysSo) {
  AddBothFiles();
  Click(dialog, tidewell::kIdGenSaveLocally);
  EXPECT_TRUE(fs::exists(root / "home/update-set/update.ini"));
  EXPECT_TRUE(fs::exists(root / "home/update-set/program/leaf.exe"));
  ASSERT_EQ(1u, boxes.shown.size());
  EXPECT_EQ(0u, boxes.shown[0].find("2 files and the list written to " + root / "home/update-set"))
      << boxes.shown[0];
}

TEST_F(GeneratorWindow, SaveLocallyReportsFilesLeftOutOfTheSet) {
  AddBothFiles();
  fs::create_directories(root / "set");
  dialog.model().localUpdateSetFolder = root / "set";
  Type(dialog, tidewell::kIdGenListFile, root / "set.tdu");
  fs::remove(program + "/ink.dll");
  Click(dialog, tidewell::kIdGenSaveLocally);
  EXPECT_TRUE(fs::exists(root / "set/program/leaf.exe"));
  ASSERT_EQ(1u, boxes.shown.size());
  EXPECT_EQ("The update set was not saved completely.\nNot saved: " + program + "/ink.dll",
            boxes.shown[0]);
}

// "Upload Update" sends the packed set to a real FTP server; "Get FTP Files" brings it
// back, unpacked, into a folder of its own.
TEST_F(GeneratorWindow, UploadSendsThePackedSetAndGetFtpFilesBringsItBack) {
  tidewell_test::ScratchFolder serverRoot;
  fs::create_directories(serverRoot / "sets");
  auto server = tidewell_test::StartFtpServer(serverRoot.path());
  ASSERT_NE(nullptr, server);
  AddBothFiles();
  SelectRows(dialog, {0, 1});
  Click(dialog, tidewell::kIdGenCheckSize);
  Type(dialog, tidewell::kIdGenListFile, root / "leafline.tdu");
  Type(dialog, tidewell::kIdGenFtpSite, tidewell_test::SiteOf(*server));
  Type(dialog, tidewell::kIdGenFtpUser, tidewell_test::kFtpUser);
  Type(dialog, tidewell::kIdGenFtpPassword, tidewell_test::kFtpPassword);
  Type(dialog, tidewell::kIdGenFtpInitialDir, "/sets");
  QWidget* upload = ById<QWidget>(dialog, tidewell::kIdGenUpload);
  ASSERT_TRUE(upload->isEnabled());

  Click(dialog, tidewell::kIdGenUpload);
  EXPECT_FALSE(upload->isEnabled());  // one transfer at a time
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return !dialog.TransferRunning() && upload->isEnabled(); }, 60000));
  EXPECT_TRUE(boxes.shown.empty()) << boxes.shown.front();
  for (const char* name : {"sets/leafline.tdu", "sets/program/leaf.exe", "sets/program/ink.dll"})
    EXPECT_TRUE(fs::exists(serverRoot / name)) << name;
  EXPECT_TRUE(std::string(2048, 'x') !=
              tidewell_test::ReadWholeFile(serverRoot / "sets/program/leaf.exe"));

  // A second upload finds the files there: one question, answered Yes To All.
  int questions = 0;
  WhenModal<tidewell::OverwritePrompt>([&](tidewell::OverwritePrompt* prompt) {
    ++questions;
    Click(*prompt, 1075);
  });
  fs::remove(serverRoot / "sets/program/ink.dll");  // sent again without a question
  Click(dialog, tidewell::kIdGenUpload);
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return !dialog.TransferRunning() && upload->isEnabled(); }, 60000));
  EXPECT_EQ(1, questions);
  EXPECT_TRUE(fs::exists(serverRoot / "sets/program/ink.dll"));
  EXPECT_TRUE(boxes.shown.empty()) << boxes.shown.front();

  fs::create_directories(root / "fetched");
  auto chosen = ChooseInBrowser("Choose Folder for FTP Files", root / "fetched");
  Click(dialog, tidewell::kIdGenGetFtpFiles);
  EXPECT_TRUE(*chosen);
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return !dialog.TransferRunning() && upload->isEnabled(); }, 60000));
  EXPECT_TRUE(boxes.shown.empty()) << boxes.shown.front();
  EXPECT_TRUE(std::string(2048, 'x') ==
              tidewell_test::ReadWholeFile(root / "fetched/program/leaf.exe"));
  EXPECT_TRUE(std::string(1536, 'y') ==
              tidewell_test::ReadWholeFile(root / "fetched/program/ink.dll"));
  EXPECT_NE(std::string::npos,
            tidewell_test::ReadWholeFile(root / "fetched/leafline.tdu").find("[Program Files]"));
  // The program's own files were not touched.
  EXPECT_TRUE(std::string(2048, 'x') == tidewell_test::ReadWholeFile(program + "/leaf.exe"));
}

// With a Signing Key the saved list and the uploaded one each get the signature clients check.
TEST_F(GeneratorWindow, SigningKeySignsTheSavedAndTheUploadedList) {
  std::string error;
  ASSERT_TRUE(tidewell::MakeSigningKeys(root / "s.pem", root / "p.pem", error)) << error;
  const std::string pub = tidewell_test::ReadWholeFile(root / "p.pem");
  const auto verifies = [&](const std::string& list) {
    return !tidewell::CheckSignature(tidewell_test::ReadWholeFile(list),
                                     tidewell_test::ReadWholeFile(list + ".sig"), pub);
  };
  AddBothFiles();
  Type(dialog, tidewell::kIdGenSigningKey, root / "s.pem");
  fs::create_directories(root / "set");
  dialog.model().localUpdateSetFolder = root / "set";
  Type(dialog, tidewell::kIdGenListFile, root / "set/set.tdu");
  Click(dialog, tidewell::kIdGenSaveLocally);
  EXPECT_TRUE(verifies(root / "set/set.tdu"));

  tidewell_test::ScratchFolder serverRoot;
  auto server = tidewell_test::StartFtpServer(serverRoot.path());
  ASSERT_NE(nullptr, server);
  Type(dialog, tidewell::kIdGenListFile, root / "leafline.tdu");
  Type(dialog, tidewell::kIdGenFtpSite, tidewell_test::SiteOf(*server));
  Type(dialog, tidewell::kIdGenFtpUser, tidewell_test::kFtpUser);
  Type(dialog, tidewell::kIdGenFtpPassword, tidewell_test::kFtpPassword);
  boxes.shown.clear();
  Click(dialog, tidewell::kIdGenUpload);
  QWidget* upload = ById<QWidget>(dialog, tidewell::kIdGenUpload);
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return !dialog.TransferRunning() && upload->isEnabled(); }, 60000));
  EXPECT_TRUE(boxes.shown.empty()) << boxes.shown.front();
  EXPECT_TRUE(verifies(serverRoot / "leafline.tdu"));
  EXPECT_TRUE(fs::exists(serverRoot / "program/leaf.exe"));
}

TEST_F(GeneratorWindow, UploadWithoutFilesOrWithABadProxyPortSendsNothing) {
  Type(dialog, tidewell::kIdGenListFile, root / "leafline.tdu");
  Type(dialog, tidewell::kIdGenFtpSite, "127.0.0.1:9");
  Type(dialog, tidewell::kIdGenFtpUser, "u");
  Type(dialog, tidewell::kIdGenFtpPassword, "p");
  Click(dialog, tidewell::kIdGenUpload);
  EXPECT_FALSE(dialog.TransferRunning());
  Click(dialog, tidewell::kIdGenUseProxy);
  Type(dialog, tidewell::kIdGenProxyAddress, "127.0.0.1");
  Type(dialog, tidewell::kIdGenProxyPort, "99999");
  Click(dialog, tidewell::kIdGenUpload);
  EXPECT_FALSE(dialog.TransferRunning());
  ASSERT_EQ(2u, boxes.shown.size());
  EXPECT_EQ("There are no files to transfer.", boxes.shown[0]);
  EXPECT_EQ("The proxy port must be a number from 1 to 65535.", boxes.shown[1]);
}

// The generator's set, saved through the window, served over HTTP and installed by a
// client run of the program's own start-up.
TEST(GeneratorSaveLocally, MakesASetThatTheClientInstalls) {
  run_test::RunWorld world;
  ASSERT_TRUE(world.StartServer());
  world.Register("Leafline");
  world.AddProgramFile("leafline.exe", "leafline version 2");
  world.AddProgramFile("notes.txt", "what is new");
  world.InstallOld(world.Installed() + "leafline.exe", "leafline version 1");

  RecordedBoxes generatorBoxes;
  GenerateDialog dialog(generatorBoxes);
  dialog.SetAskForProgramFolderOnShow(false);
  ChooseInBrowser("Choose Main Program Folder", world.Root() + "release");
  Click(dialog, tidewell::kIdGenChange);
  ChooseInBrowser("Choose Update Folder", world.Served());
  Click(dialog, tidewell::kIdGenBrowseLocalFolder);
  PickFiles({"leafline.exe", "notes.txt"});
  Click(dialog, tidewell::kIdGenAddFiles);
  SelectRows(dialog, {0, 1});
  Click(dialog, tidewell::kIdGenCheckModify);
  Click(dialog, tidewell::kIdGenCheckSize);
  Type(dialog, tidewell::kIdGenRemoteWeb, world.ServerUrl(""));
  Type(dialog, tidewell::kIdGenListFile, world.Served() + "leafline.tdu");
  Click(dialog, tidewell::kIdGenSaveLocally);
  const std::string served = world.Served();
  EXPECT_EQ(std::vector<std::string>{"2 files and the list written to " +
                                     served.substr(0, served.size() - 1) + "\n(list: " + served +
                                     "leafline.tdu)"},
            generatorBoxes.shown);
  EXPECT_TRUE(fs::exists(world.Served() + "program/notes.txt"));

  RecordedBoxes clientBoxes;
  std::ostringstream diagnostics;
  tidewell::TidewellApp app(clientBoxes, false, diagnostics);
  std::optional<int> quit;
  app.SetQuitHandler([&](int status) { quit = status; });
  ASSERT_TRUE(app.InitInstance("tidewell /leafline"));
  ASSERT_TRUE(QTest::qWaitFor([&] { return quit.has_value(); }, 60000));
  EXPECT_EQ(0, *quit) << diagnostics.str();
  EXPECT_EQ("leafline version 2", tidewell_test::ReadWholeFile(world.Installed() + "leafline.exe"));
  EXPECT_EQ("what is new", tidewell_test::ReadWholeFile(world.Installed() + "notes.txt"));
  EXPECT_EQ(run_test::kNewModified, run_test::ModifiedTime(world.Installed() + "notes.txt"));
}

TEST(GeneratorStartup, GenSwitchOpensTheGeneratorAsTheMainWindow) {
  tidewell_test::EnsureGuiApplication();
  RecordedBoxes boxes;
  std::ostringstream diagnostics;
  tidewell::TidewellApp app(boxes, true, diagnostics);
  std::string title;
  bool askedForFolder = false;
  // The window asks for the program folder as soon as it is shown.
  WhenModal<tidewell::FolderBrowser>([&](tidewell::FolderBrowser* browser) {
    askedForFolder = browser->windowTitle() == "Choose Main Program Folder";
    Click(*browser, tidewell::kIdCancel);
    WhenModal<GenerateDialog>([&](GenerateDialog* generator) {
      title = generator->windowTitle().toStdString();
      Click(*generator, tidewell::kIdCancel);
    });
  });
  EXPECT_FALSE(app.InitInstance("tidewell /gen"));
  EXPECT_EQ(tidewell::kExitNoRun, app.exitStatus());
  EXPECT_EQ("Generate Update Set", title);
  EXPECT_TRUE(askedForFolder);
}

}  // namespace
