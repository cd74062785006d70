#include "tidewell/app/startup_decision.h"

#include <gtest/gtest.h>

#include "app_test_support.h"
#include "tidewell/app/run_messages.h"

using namespace app_test;
using namespace tidewell;

namespace {

TEST(StartupCommandLine, ProgramNameWithoutFolderThenArguments) {
  EXPECT_EQ(StartupCommandLine({"/opt/generated/bin/tidewell", "/basic5", "--quiet"}),
            "tidewell /basic5 --quiet");
  EXPECT_EQ(StartupCommandLine({"tidewell"}), "tidewell");
  EXPECT_EQ(StartupCommandLine({}), "");
}

TEST(ChooseStartupFace, NoSwitchOpensTheProductList) {
  for (const char* line : {"tidewell", "", "   ", "tidewell --quiet"}) {
    const StartupDecision d = ChooseStartupFace(line);
    EXPECT_EQ(d.face, StartupFace::ProductList) << line;
    EXPECT_EQ(d.position, -1);
  }
  // A folder in the program path is not part of the scanned line.
  EXPECT_EQ(ChooseStartupFace(StartupCommandLine({"/opt/generated/tidewell"})).face,
            StartupFace::ProductList);
}

TEST(ChooseStartupFace, FirstWrittenSwitchWinsCaseBlind) {
  StartupDecision d = ChooseStartupFace("tidewell /solidane /basic5");
  EXPECT_EQ(d.face, StartupFace::ProductRun);
  EXPECT_EQ(d.position, 5);
  EXPECT_EQ(d.productName, "Solidane");
  d = ChooseStartupFace("  tidewell /Leafline  ");
  EXPECT_EQ(d.position, 3);
  EXPECT_EQ(d.productName, "Leafline");
  d = ChooseStartupFace("tidewell /basic5 /gen");
  EXPECT_EQ(d.face, StartupFace::ProductRun);
  EXPECT_EQ(d.position, 1);
}

TEST(ChooseStartupFace, GeneratorSwitchEvenAsPartOfAWord) {
  EXPECT_EQ(ChooseStartupFace("tidewell /gen").face, StartupFace::Generator);
  EXPECT_EQ(ChooseStartupFace("tidewell /GENX").face, StartupFace::Generator);
  EXPECT_EQ(ChooseStartupFace("tidewell /gen /studio5").position, 0);
}

TEST(ChooseStartupFace, ResumeBesideAProductEndsSilently) {
  EXPECT_EQ(ChooseStartupFace("tidewell /BASIC5 /RESUME").face, StartupFace::ResumeEnd);
  EXPECT_EQ(ChooseStartupFace("tidewell /resume /basic5").face, StartupFace::ResumeEnd);
  // /RESUME is never chosen itself: alone it opens the product list.
  EXPECT_EQ(ChooseStartupFace("tidewell /RESUME").face, StartupFace::ProductList);
  // The generator is decided before /RESUME is looked at.
  EXPECT_EQ(ChooseStartupFace("tidewell /gen /resume").face, StartupFace::Generator);
}

TEST(ChooseStartupFace, CustomSwitchOverridesAProductSwitch) {
  EXPECT_EQ(ChooseStartupFace("tidewell /STUDIO5 /UNDEF").face, StartupFace::CustomUpdate);
  EXPECT_EQ(ChooseStartupFace("tidewell /undef").face, StartupFace::CustomUpdate);
  EXPECT_EQ(ChooseStartupFace("tidewell /undef /resume").face, StartupFace::ResumeEnd);
}

TEST(ChooseStartupFace, SwitchAtTheVeryStartCountsOnlyForChoosing) {
  // Without a program name in front the switch stands at position 0, where /UNDEF and
  // /RESUME do not act; /UNDEF then names no product.
  EXPECT_EQ(ChooseStartupFace("/UNDEF").face, StartupFace::UnknownProduct);
  EXPECT_EQ(ChooseStartupFace("/RESUME /leafline").face, StartupFace::ProductRun);
}

TEST(DecideStartup, InstalledProductRunsWithItsFolder) {
  MachineHive hive(InstalledProduct("Draftmark Studio 5", "\\\"/opt/studio\\\""));
  const StartupDecision d = DecideStartup("tidewell /studio5");
  EXPECT_EQ(d.face, StartupFace::ProductRun);
  EXPECT_EQ(d.position, 2);
  EXPECT_EQ(d.productName, "Draftmark Studio 5");
  EXPECT_EQ(d.installFolder, "/opt/studio/");
}

TEST(DecideStartup, ProductWithoutInstallFolderIsNotInstalled) {
  MachineHive hive(InstalledProduct("Draftmark Studio 5", "/opt/studio"));
  const StartupDecision d = DecideStartup("tidewell /sketchwell");
  EXPECT_EQ(d.face, StartupFace::NotInstalled);
  EXPECT_EQ(d.productName, "Sketchwell");
  EXPECT_EQ(d.installFolder, "");
  // Other faces do not look at the registry.
  EXPECT_EQ(DecideStartup("tidewell /gen").face, StartupFace::Generator);
  EXPECT_EQ(DecideStartup("tidewell /undef").face, StartupFace::CustomUpdate);
}

TEST(RunFinishedText, ProductNameGoesIntoEachMessage) {
  EXPECT_EQ(RunFinishedText(1, "Leafline").text, "Remote update file for Leafline not found.");
  EXPECT_EQ(RunFinishedText(2, "Leafline").text, "All files for Leafline are up to date.");
  for (int code : {0, 5, -1})
    EXPECT_EQ(RunFinishedText(code, "Solidane").text, "Update complete for Solidane");
  EXPECT_FALSE(RunFinishedText(4, "Leafline").askRestart);
}

TEST(RunFinishedText, DeferredFilesAskForARestart) {
  const RunFinishedMessage m = RunFinishedText(3, "Sketchwell");
  EXPECT_TRUE(m.askRestart);
  EXPECT_EQ(m.text, "Windows must be rebooted to complete the Update.\nDo you wish to reboot now?");
  EXPECT_EQ(m.noText,
            "Windows not restarted.\nSketchwell may not function correctly\nuntil Windows has been "
            "restarted.");
}

}  // namespace
