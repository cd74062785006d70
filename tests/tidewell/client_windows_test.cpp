// The client's windows offscreen: controls found by their IDs, enabled states, status
// texts, and a screenshot of each window in its main states under BUILD_DIR/screenshots/.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <filesystem>
#include <sstream>
#include <thread>

#include "run_test_support.h"
#include "tidewell/app/custom_update_dialog.h"
#include "tidewell/app/dialog_layout.h"
#include "tidewell/app/product_list_dialog.h"
#include "tidewell/app/tidewell_app.h"
#include "tidewell/app/update_run_dialog.h"

namespace {

using run_test::RecordedBoxes;

template <typename Control>
Control* ById(QWidget& window, int id) {
  Control* control = window.findChild<Control*>(QString::number(id));
  EXPECT_NE(nullptr, control) << "control " << id;
  return control;
}

std::string LabelText(QWidget& window, int id) {
  QLabel* label = ById<QLabel>(window, id);
  return label ? label->text().toStdString() : "";
}

void SaveScreenshot(QWidget& window, const std::string& name) {
  const std::string folder = std::string(BUILD_DIR) + "/screenshots/";
  std::filesystem::create_directories(folder);
  window.show();
  QCoreApplication::processEvents();
  EXPECT_TRUE(window.grab().save(QString::fromStdString(folder + name + ".png"))) << name;
}

// A machine hive in which some products of the table are installed.
struct ProductWindowWorld {
  ProductWindowWorld() { tidewell_test::EnsureGuiApplication(); }
  void Install(const std::string& body) { hive = std::make_unique<app_test::MachineHive>(body); }
  std::unique_ptr<app_test::MachineHive> hive;
  RecordedBoxes boxes;
  std::ostringstream diagnostics;
  tidewell::TidewellApp app{boxes, false, diagnostics};
};

TEST(ProductListDialog, ShowsOnlyInstalledProductsInTableOrder) {
  ProductWindowWorld world;
  world.Install(
      app_test::InstalledProduct("Sketchwell", "/opt/sketchwell") +
      app_test::InstalledProduct("Draftmark Basic 5", "\\\"/opt/basic5\\\"") +
      // Registered, but its uninstall entry records no folder.
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvane\\Leafline]\r\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Leafline]\r\n"
      "\"DisplayName\"=\"Leafline\"\r\n");
  tidewell::ProductListDialog dialog(world.app);
  EXPECT_EQ("Corvane Update", dialog.windowTitle().toStdString());
  QListWidget* list = ById<QListWidget>(dialog, tidewell::kIdProductList);
  ASSERT_NE(nullptr, list);
  ASSERT_EQ(2, list->count());
  EXPECT_EQ("Draftmark Basic 5", list->item(0)->text().toStdString());
  EXPECT_EQ(1, list->item(0)->data(Qt::UserRole).toInt());
  EXPECT_EQ("Sketchwell", list->item(1)->text().toStdString());
  EXPECT_EQ(4, list->item(1)->data(Qt::UserRole).toInt());
  EXPECT_FALSE(ById<QPushButton>(dialog, tidewell::kIdProductUpdate)->isEnabled());
  EXPECT_TRUE(ById<QPushButton>(dialog, tidewell::kIdCancel)->isEnabled());
  EXPECT_EQ("No Product Selected", LabelText(dialog, tidewell::kIdProductStatus));
  SaveScreenshot(dialog, "product-list-opened");

  list->setCurrentRow(1);
  EXPECT_TRUE(ById<QPushButton>(dialog, tidewell::kIdProductUpdate)->isEnabled());
  EXPECT_EQ("Sketchwell Selected", LabelText(dialog, tidewell::kIdProductStatus));
  SaveScreenshot(dialog, "product-list-selected");

  list->clearSelection();
  EXPECT_FALSE(ById<QPushButton>(dialog, tidewell::kIdProductUpdate)->isEnabled());
  EXPECT_EQ("No Product Selected", LabelText(dialog, tidewell::kIdProductStatus));
}

TEST(ProductListDialog, NothingInstalledLeavesAnEmptyListAndUpdateWithoutSelectionSaysSo) {
  ProductWindowWorld world;
  world.Install("");
  tidewell::ProductListDialog dialog(world.app);
  EXPECT_EQ(0, ById<QListWidget>(dialog, tidewell::kIdProductList)->count());
  EXPECT_FALSE(ById<QPushButton>(dialog, tidewell::kIdProductUpdate)->isEnabled());
  dialog.OnUpdate();
  EXPECT_EQ(std::vector<std::string>{"No Items Selected"}, world.boxes.shown);
  EXPECT_EQ(nullptr, dialog.run());
  EXPECT_TRUE(ById<QPushButton>(dialog, tidewell::kIdCancel)->isEnabled());
}

TEST(ProductListDialog, UpdateStartsARunAndLocksTheWindow) {
  run_test::RunWorld sandbox;  // no server: the run fails on its own, after the window changed
  app_test::ScopedEnv server(
      "TIDEWELL_UPDATE_SERVER",
      "http://127.0.0.1:" + std::to_string(tidewell_test::FreeLocalPort()) + "/");
  sandbox.Register("Leafline");
  ProductWindowWorld world;
  std::optional<int> quit;
  world.app.SetQuitHandler([&](int status) { quit = status; });
  tidewell::ProductListDialog dialog(world.app);
  QListWidget* list = ById<QListWidget>(dialog, tidewell::kIdProductList);
  ASSERT_EQ(1, list->count());
  list->setCurrentRow(0);
  QTest::mouseClick(ById<QPushButton>(dialog, tidewell::kIdProductUpdate), Qt::LeftButton);

  ASSERT_NE(nullptr, dialog.run());
  EXPECT_EQ("Leafline", world.app.productName());
  EXPECT_EQ("Updating Leafline", LabelText(dialog, tidewell::kIdProductStatus));
  EXPECT_FALSE(list->isEnabled());
  EXPECT_FALSE(ById<QPushButton>(dialog, tidewell::kIdProductUpdate)->isEnabled());
  EXPECT_FALSE(ById<QPushButton>(dialog, tidewell::kIdCancel)->isEnabled());
  EXPECT_TRUE(world.boxes.shown.empty());  // no "Please shut down" on this path
  SaveScreenshot(dialog, "product-list-updating");

  ASSERT_TRUE(QTest::qWaitFor([&] { return quit.has_value(); }, 60000));
  EXPECT_EQ(1, *quit);
  EXPECT_EQ(std::vector<std::string>{"Remote update file for Leafline not found."},
            world.boxes.shown);
}

TEST(CustomUpdateDialog, OkNeedsListAddressTargetAndProduct) {
  tidewell_test::EnsureGuiApplication();
  tidewell::CustomUpdateDialog dialog;
  EXPECT_EQ("Custom Update", dialog.windowTitle().toStdString());
  QPushButton* ok = ById<QPushButton>(dialog, tidewell::kIdOk);
  EXPECT_FALSE(ok->isEnabled());
  SaveScreenshot(dialog, "custom-update-empty");

  QTest::keyClicks(ById<QLineEdit>(dialog, tidewell::kIdCustomListUrl),
                   "http://127.0.0.1/inkpot.tdu");
  QTest::keyClicks(ById<QLineEdit>(dialog, tidewell::kIdCustomProduct), "Inkpot");
  EXPECT_FALSE(ok->isEnabled());  // the target folder is still empty
  QTest::keyClicks(ById<QLineEdit>(dialog, tidewell::kIdCustomTarget), "/opt/inkpot");
  EXPECT_TRUE(ok->isEnabled());
  SaveScreenshot(dialog, "custom-update-filled");

  ById<QLineEdit>(dialog, tidewell::kIdCustomProduct)->clear();
  EXPECT_FALSE(ok->isEnabled());
  QTest::keyClicks(ById<QLineEdit>(dialog, tidewell::kIdCustomProduct), "Inkpot");
  QTest::mouseClick(ok, Qt::LeftButton);
  EXPECT_EQ(QDialog::Accepted, dialog.result());
  const tidewell::CustomUpdateValues values = dialog.Values();
  EXPECT_EQ("http://127.0.0.1/inkpot.tdu", values.listUrl);
  EXPECT_EQ("/opt/inkpot", values.targetFolder);
  EXPECT_EQ("Inkpot", values.productName);
}

TEST(CustomUpdateDialog, FolderChooserStartsAtTheTypedFolderAndFillsTheTarget) {
  tidewell_test::EnsureGuiApplication();
  tidewell::CustomUpdateDialog dialog;
  dialog.SetValues({"http://127.0.0.1/inkpot.tdu", "/opt/old", "Inkpot"});
  std::string askedTitle, askedInitial;
  bool cancel = true;
  dialog.SetFolderChooser(
      [&](const std::string& title, const std::string& initial) -> std::optional<std::string> {
        askedTitle = title;
        askedInitial = initial;
        if (cancel) return std::nullopt;
        return std::string("/opt/chosen");
      });
  QPushButton* browse = ById<QPushButton>(dialog, tidewell::kIdCustomBrowse);
  QTest::mouseClick(browse, Qt::LeftButton);
  EXPECT_EQ("Choose Program Folder", askedTitle);
  EXPECT_EQ("/opt/old", askedInitial);
  EXPECT_EQ("/opt/old", ById<QLineEdit>(dialog, tidewell::kIdCustomTarget)->text().toStdString());

  cancel = false;
  QTest::mouseClick(browse, Qt::LeftButton);
  EXPECT_EQ("/opt/chosen",
            ById<QLineEdit>(dialog, tidewell::kIdCustomTarget)->text().toStdString());
  EXPECT_EQ("/opt/chosen", dialog.Values().targetFolder);
  EXPECT_TRUE(ById<QPushButton>(dialog, tidewell::kIdOk)->isEnabled());
}

TEST(UpdateRunDialog, OpensWithTheMembersStatusAndLocksCloseWhileRunning) {
  run_test::RunWorld sandbox;
  tidewell_test::EnsureGuiApplication();
  tidewell::UpdateRunDialog dialog;
  EXPECT_EQ("Update Dialog", dialog.windowTitle().toStdString());
  EXPECT_EQ("Please close your Corvane product", LabelText(dialog, tidewell::kIdRunStatus));
  QPushButton* cont = ById<QPushButton>(dialog, tidewell::kIdRunContinue);
  QPushButton* close = ById<QPushButton>(dialog, tidewell::kIdCancel);
  EXPECT_TRUE(cont->isVisibleTo(&dialog));
  SaveScreenshot(dialog, "update-run-opened");

  // Nothing to fetch from: nothing starts, yet Close is locked as the run would have it.
  EXPECT_FALSE(dialog.StartRun());
  EXPECT_FALSE(close->isEnabled());
  dialog.reject();  // Escape while locked
  EXPECT_TRUE(dialog.isVisible());

  dialog.SetStagingFolder(sandbox.Temp() + "td101010/");
  dialog.OnFilesFetched(false);
  EXPECT_EQ("Did not read update files completely.\nPress \"Continue\" to try again.",
            LabelText(dialog, tidewell::kIdRunStatus));
  EXPECT_TRUE(close->isEnabled());
  EXPECT_TRUE(cont->isVisibleTo(&dialog));
  SaveScreenshot(dialog, "update-run-failed");

  QTest::mouseClick(cont, Qt::LeftButton);
  EXPECT_FALSE(cont->isVisibleTo(&dialog));
  EXPECT_EQ("Updating your Corvane product.", LabelText(dialog, tidewell::kIdRunStatus));
  SaveScreenshot(dialog, "update-run-continued");
  EXPECT_EQ(std::vector<std::string>{"td101010"},
            sandbox.TempEntries());  // made again by the new start
  dialog.CleanUpRun();
  EXPECT_TRUE(sandbox.TempEntries().empty());
}

TEST(MessageBoxes, AskedFromAWorkerThreadShowOnTheApplicationThreadAndWaitForTheAnswer) {
  tidewell_test::EnsureGuiApplication();
  tidewell::WindowMessageBoxes boxes;
  std::atomic<int> answer{-1};
  std::thread::id shownOn;
  // Answers whichever box is up, as a user would.
  QTimer answering;
  QObject::connect(&answering, &QTimer::timeout, [&] {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      auto* box = qobject_cast<QMessageBox*>(widget);
      if (box == nullptr || !box->isVisible()) continue;
      shownOn = std::this_thread::get_id();
      if (QAbstractButton* yes = box->button(QMessageBox::Yes)) yes->click();
    }
  });
  answering.start(20);
  std::thread worker([&] { answer = boxes.AskYesNo("Overwrite the file on the server?") ? 1 : 0; });
  EXPECT_TRUE(QTest::qWaitFor([&] { return answer != -1; }, 10000));
  worker.join();
  EXPECT_EQ(1, answer.load());
  EXPECT_EQ(std::this_thread::get_id(), shownOn);
}

TEST(MessageBoxes, PrintedBoxesWriteEachTextOnItsOwnLineAndAnswerNo) {
  std::ostringstream out;
  tidewell::PrintedMessageBoxes boxes(out);
  boxes.ShowMessage("Update complete for Leafline");
  EXPECT_FALSE(boxes.AskYesNo("Do you wish to reboot now?"));
  EXPECT_EQ("Update complete for Leafline\nDo you wish to reboot now?\n", out.str());
}

}  // namespace
