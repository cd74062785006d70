// Whole update runs inside the test program: a real HTTP server, a sandboxed registry,
// Windows folder and temporary folder, and the application object without windows.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <optional>
#include <sstream>

#include "install_test_support.h"
#include "run_test_support.h"
#include "tidewell/app/message_boxes.h"
#include "tidewell/app/tidewell_app.h"
#include "tidewell/app/update_run_dialog.h"
#include "tidewell/platform/pending_moves.h"
#include "tidewell/transfer/window_message.h"

namespace {

namespace fs = std::filesystem;
using run_test::RecordedBoxes;
using run_test::RunWorld;
using tidewell_test::ReadWholeFile;

// The application object of one program start, ended by a recorded quit.
struct AppRun {
  AppRun() {
    tidewell_test::EnsureGuiApplication();
    app.SetQuitHandler([this](int status) { quit = status; });
  }
  // Start-up on a command line; the exit status once the program would end.
  int Run(const std::string& commandLine) {
    if (!app.InitInstance(commandLine)) return app.exitStatus();
    EXPECT_TRUE(QTest::qWaitFor([&] { return quit.has_value(); }, 60000));
    return quit.value_or(-1);
  }
  RecordedBoxes boxes;
  std::ostringstream diagnostics;
  tidewell::TidewellApp app{boxes, false, diagnostics};
  std::optional<int> quit;
};

// A release of four files, two installed in an older version.
class UpdateRun : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(world.StartServer());
    world.Register("Leafline");
    world.AddProgramFile("leafline.exe", "leafline version 2");
    world.AddProgramFile("brushes/new/ink.dll",
                         "a new library");  // its folder is not installed yet
    world.AddWindowsFile("leafline.ini", "[Leafline]\r\nVersion=2\r\n");
    world.AddOtherFile("palette.dat", "shared palette 2");
    world.InstallOld(world.Installed() + "leafline.exe", "leafline version 1");
    world.InstallOld(world.Windows() + "leafline.ini", "[Leafline]\r\nVersion=1\r\n");
  }

  void ExpectRelease(const std::string& path, const std::string& bytes) {
    EXPECT_EQ(bytes, ReadWholeFile(path)) << path;
    EXPECT_EQ(run_test::kNewModified, run_test::ModifiedTime(path)) << path;
    EXPECT_EQ(run_test::kNewCreated, run_test::CreatedTime(path)) << path;
  }

  RunWorld world;
};

TEST_F(UpdateRun, FullUpdateInstallsEveryKindOfFileWithListedTimes) {
  ASSERT_TRUE(world.BuildUpdateSet());
  AppRun run;
  EXPECT_EQ(0, run.Run("tidewell /leafline"));
  ExpectRelease(world.Installed() + "leafline.exe", "leafline version 2");
  ExpectRelease(world.Installed() + "brushes/new/ink.dll", "a new library");
  ExpectRelease(world.Windows() + "leafline.ini", "[Leafline]\r\nVersion=2\r\n");
  ExpectRelease(world.Shared() + "palette.dat", "shared palette 2");
  EXPECT_TRUE(world.TempEntries().empty());  // the staging folder is gone
  EXPECT_EQ((std::vector<std::string>{"Please shut down Leafline", "Update complete for Leafline"}),
            run.boxes.shown);
}

TEST_F(UpdateRun, CurrentFilesEndWithNothingToUpdateAndNoStagingFolder) {
  ASSERT_TRUE(world.BuildUpdateSet("leafline.tdu", true));
  world.InstallOld(world.Installed() + "leafline.exe", "leafline version 2");
  world.InstallOld(world.Installed() + "brushes/new/ink.dll", "a new library");
  world.InstallOld(world.Windows() + "leafline.ini", "[Leafline]\r\nVersion=2\r\n");
  for (const std::string& path :
       {world.Installed() + "leafline.exe", world.Installed() + "brushes/new/ink.dll",
        world.Windows() + "leafline.ini"})
    run_test::SetTimes(path, run_test::kNewCreated, run_test::kNewModified);

  AppRun run;
  EXPECT_EQ(2, run.Run("tidewell /LEAFLINE"));
  EXPECT_TRUE(world.TempEntries().empty());
  ASSERT_EQ(2u, run.boxes.shown.size());
  EXPECT_EQ("All files for Leafline are up to date.", run.boxes.shown[1]);
}

TEST_F(UpdateRun, MissingListEndsWithListNotFetched) {
  AppRun run;
  EXPECT_EQ(1, run.Run("tidewell /LEAFLINE"));
  EXPECT_TRUE(world.TempEntries().empty());
  ASSERT_EQ(2u, run.boxes.shown.size());
  EXPECT_EQ("Remote update file for Leafline not found.", run.boxes.shown[1]);
  EXPECT_EQ("leafline version 1", ReadWholeFile(world.Installed() + "leafline.exe"));
}

TEST_F(UpdateRun, OneMissingOrCorruptedUpdateFileInstallsNothing) {
  ASSERT_TRUE(world.BuildUpdateSet());
  const std::string packed = world.Served() + "program/leafline.exe";
  ASSERT_TRUE(fs::exists(packed));
  for (const bool corrupt : {false, true}) {
    SCOPED_TRACE(corrupt ? "corrupted" : "missing");
    if (corrupt)
      tidewell_test::WriteWholeFile(packed, "these bytes were never packed by the generator");
    else
      fs::rename(packed, packed + ".away");
    AppRun run;
    EXPECT_EQ(4, run.Run("tidewell /LEAFLINE"));
    EXPECT_EQ("leafline version 1", ReadWholeFile(world.Installed() + "leafline.exe"));
    EXPECT_FALSE(fs::exists(world.Installed() + "brushes"));
    EXPECT_EQ("[Leafline]\r\nVersion=1\r\n", ReadWholeFile(world.Windows() + "leafline.ini"));
    EXPECT_FALSE(fs::exists(world.Shared() + "palette.dat"));
    EXPECT_TRUE(world.TempEntries().empty());
    ASSERT_EQ(2u, run.boxes.shown.size());
    EXPECT_EQ("Update file retrieval was incomplete.\nYour Corvane product has not been updated.",
              run.boxes.shown[1]);
    if (!corrupt) fs::rename(packed + ".away", packed);
  }
}

TEST_F(UpdateRun, FileInUseIsKeptAndReplacedAtTheNextStart) {
  ASSERT_TRUE(world.BuildUpdateSet());
  const std::string exe = world.Installed() + "leafline.exe";
  install_test::LockHolder lock(exe, install_test::LockHolder::Kind::Flock);
  ASSERT_TRUE(lock.locked());

  AppRun run;
  EXPECT_EQ(3, run.Run("tidewell /LEAFLINE"));
  EXPECT_EQ("leafline version 1", ReadWholeFile(exe));
  ExpectRelease(world.Installed() + "brushes/new/ink.dll",
                "a new library");  // the others are in place

  // One kept copy in the temporary folder, with the listed times, named in WinInit.Ini
  // directly under the header.
  const std::vector<std::string> kept = world.TempEntries();
  ASSERT_EQ(1u, kept.size());
  const std::string copy = world.Temp() + kept[0];
  ExpectRelease(copy, "leafline version 2");
  const std::string winInit = ReadWholeFile(world.Windows() + "WinInit.Ini");
  EXPECT_EQ("[Rename]\r\n" + exe + "=" + copy + "\r\n", winInit);

  ASSERT_EQ(3u, run.boxes.shown.size());
  EXPECT_EQ("Windows must be rebooted to complete the Update.\nDo you wish to reboot now?",
            run.boxes.shown[1]);
  EXPECT_EQ(
      "Windows not restarted.\nLeafline may not function correctly\nuntil Windows has been "
      "restarted.",
      run.boxes.shown[2]);

  lock.Release();
  std::ostringstream errors;
  EXPECT_TRUE(tidewell::ApplyPendingMoves(errors)) << errors.str();
  ExpectRelease(exe, "leafline version 2");
  EXPECT_TRUE(world.TempEntries().empty());
}

TEST_F(UpdateRun, YesToTheRestartRunsTheRestartCommandAndShowsNothingMore) {
  ASSERT_TRUE(world.BuildUpdateSet());
  const std::string marker = world.Root() + "restarted";
  app_test::ScopedEnv reboot("TIDEWELL_REBOOT_COMMAND", "echo restart > '" + marker + "'");
  install_test::LockHolder lock(world.Installed() + "leafline.exe",
                                install_test::LockHolder::Kind::Record);
  ASSERT_TRUE(lock.locked());

  AppRun run;
  run.boxes.answerYes = true;
  EXPECT_EQ(3, run.Run("tidewell /LEAFLINE"));
  EXPECT_EQ("restart\n", ReadWholeFile(marker));
  EXPECT_EQ(2u, run.boxes.shown.size());
}

TEST_F(UpdateRun, WithWindowsTheRunWindowShowsAndRealBoxesAreAnswered) {
  ASSERT_TRUE(world.BuildUpdateSet());
  tidewell::WindowMessageBoxes boxes;
  std::ostringstream diagnostics;
  tidewell::TidewellApp app(boxes, true, diagnostics);
  std::optional<int> quit;
  app.SetQuitHandler([&](int status) { quit = status; });
  // Reads and dismisses each box as a user would.
  std::vector<std::string> seen;
  QTimer user;
  QObject::connect(&user, &QTimer::timeout, [&] {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      auto* box = qobject_cast<QMessageBox*>(widget);
      if (box == nullptr || !box->isVisible()) continue;
      seen.push_back(box->text().toStdString());
      box->button(QMessageBox::Ok)->click();
    }
  });
  user.start(20);
  ASSERT_TRUE(app.InitInstance("tidewell /LEAFLINE"));
  tidewell::UpdateRunDialog* window = app.mainWindow();
  ASSERT_NE(nullptr, window);
  EXPECT_TRUE(window->isVisible());
  ASSERT_TRUE(QTest::qWaitFor([&] { return quit.has_value(); }, 60000));
  EXPECT_EQ("Update Complete!", window->statusText());
  std::filesystem::create_directories(std::string(BUILD_DIR) + "/screenshots");
  window->grab().save(QString(BUILD_DIR) + "/screenshots/update-run-complete.png");
  EXPECT_EQ(0, *quit);
  EXPECT_EQ((std::vector<std::string>{"Please shut down Leafline", "Update complete for Leafline"}),
            seen);
  ExpectRelease(world.Installed() + "leafline.exe", "leafline version 2");
}

TEST_F(UpdateRun, ProductNotRegisteredIsReportedWithoutARun) {
  world.Register("Leafline", false);
  AppRun run;
  EXPECT_EQ(tidewell::kExitUnknownProduct, run.Run("tidewell /LEAFLINE"));
  EXPECT_EQ((std::vector<std::string>{
                "Leafline is not installed correctly.\nPlease check your installation."}),
            run.boxes.shown);
  EXPECT_TRUE(world.TempEntries().empty());
}

TEST_F(UpdateRun, CustomProductRunsFromTypedValues) {
  ASSERT_TRUE(world.BuildUpdateSet("custom.tdu"));
  AppRun run;
  // The target folder is typed without its trailing slash.
  std::string target = world.Installed();
  target.pop_back();
  run.app.SetCustomValues({world.ServerUrl("custom.tdu"), target, "Inkpot"});
  EXPECT_EQ(0, run.Run("tidewell /UNDEF"));
  ExpectRelease(world.Installed() + "leafline.exe", "leafline version 2");
  EXPECT_EQ((std::vector<std::string>{"Update complete for Inkpot"}), run.boxes.shown);
}

TEST(StartupWithoutRun, EndsWithTheStatusOfItsFace) {
  RunWorld world;
  world.Register("Leafline");
  struct Case {
    const char* line;
    int status;
  };
  for (const Case& c : {Case{"tidewell /LEAFLINE /RESUME", tidewell::kExitNoRun},
                        Case{"tidewell", tidewell::kExitNoRun},
                        Case{"tidewell /UNDEF", tidewell::kExitUnknownProduct},  // nothing typed
                        Case{"tidewell /GEN", tidewell::kExitGeneratorUnavailable}}) {
    AppRun run;
    EXPECT_EQ(c.status, run.Run(c.line)) << c.line;
    EXPECT_TRUE(run.boxes.shown.empty()) << c.line;
    EXPECT_EQ(nullptr, run.app.mainWindow()) << c.line;
  }
  EXPECT_TRUE(world.TempEntries().empty());
}

// Receives the run window's result as the application object would.
class ResultCatcher : public tidewell::MessageReceiver {
 public:
  std::vector<int> codes;

 protected:
  void OnWindowMessage(unsigned message, uintptr_t wParam, intptr_t) override {
    if (message == tidewell::WM_RUN_FINISHED) codes.push_back(static_cast<int>(wParam));
  }
};

TEST_F(UpdateRun, ContinueAfterAFailedListStartsAgainFromTheList) {
  tidewell_test::EnsureGuiApplication();
  ResultCatcher catcher;
  tidewell::UpdateRunDialog dialog;
  dialog.SetProductName("Leafline");
  dialog.SetInstallFolder(world.Installed());
  dialog.SetListUrl(world.ServerUrl("leafline.tdu"));
  dialog.SetStagingFolder(world.Temp() + "td000000/");
  dialog.SetLocalListPath(world.Temp() + "td000000/leafline.tdu");
  dialog.SetResultReceiver(&catcher);

  ASSERT_TRUE(dialog.StartRun());
  // Pressed while the list is being fetched: no second job on the same staging folder.
  auto* continueButton = dialog.findChild<QWidget*>(QString::number(tidewell::kIdRunContinue));
  ASSERT_NE(nullptr, continueButton);
  EXPECT_FALSE(continueButton->isEnabled());
  dialog.OnContinue();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !catcher.codes.empty(); }, 60000));
  QTest::qWait(300);  // a second job's result would have arrived by now
  EXPECT_EQ(std::vector<int>{1}, catcher.codes);
  EXPECT_TRUE(continueButton->isEnabled());
  EXPECT_EQ("Did not read update file completely.\nPress \"Continue\" to try again.",
            dialog.statusText());
  EXPECT_TRUE(world.TempEntries().empty());

  ASSERT_TRUE(world.BuildUpdateSet());
  dialog.OnContinue();
  EXPECT_EQ("Updating your Corvane product.", dialog.statusText());
  ASSERT_TRUE(QTest::qWaitFor([&] { return catcher.codes.size() == 2; }, 60000));
  EXPECT_EQ(0, catcher.codes[1]);
  EXPECT_EQ("Update Complete!", dialog.statusText());
  EXPECT_EQ(4u, dialog.updateList().Count());  // read afresh, not appended to the first attempt
  ExpectRelease(world.Installed() + "leafline.exe", "leafline version 2");
  EXPECT_TRUE(world.TempEntries().empty());
}

}  // namespace
