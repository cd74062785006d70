// Replacements deferred to the next start: the WinInit.Ini byte layout and carrying the
// lines out.
#include <gtest/gtest.h>

#include <sstream>

#include "install_test_support.h"
#include "tidewell/app/installation.h"
#include "tidewell/platform/pending_moves.h"

namespace {

using install_test::InstallWorld;
using platform_test::ReadFile;
using platform_test::WriteFile;

TEST(PendingMovesFile, NewLineGoesDirectlyUnderAnExistingHeader) {
  InstallWorld world;
  WriteFile(world.WinInit(),
            "[boot]\r\nshell=x\r\n[Rename]\r\n/old/dst=/old/src\r\n[other]\r\na=b\r\n");
  ASSERT_EQ(1, tidewell::ScheduleReplaceOnRestart("/tmp/src2", "/opt/p/dst2"));
  EXPECT_EQ(
      "[boot]\r\nshell=x\r\n[Rename]\r\n/opt/p/dst2=/tmp/src2\r\n/old/dst=/old/"
      "src\r\n[other]\r\na=b\r\n",
      ReadFile(world.WinInit()));
}

TEST(PendingMovesFile, MissingSectionIsAppendedWithItsLine) {
  InstallWorld world;
  WriteFile(world.WinInit(), "[boot]\r\nshell=x\r\n");
  ASSERT_EQ(1, tidewell::ScheduleReplaceOnRestart("/tmp/s", "/opt/d"));
  EXPECT_EQ("[boot]\r\nshell=x\r\n[Rename]\r\n/opt/d=/tmp/s\r\n", ReadFile(world.WinInit()));

  // Only the exact header counts; a header in another case or with a bare LF is not it.
  EXPECT_EQ("[rename]\n[Rename]\r\nNUL=/s\r\n",
            tidewell::InsertRenameLine("[rename]\n", "NUL=/s\r\n"));
}

TEST(PendingMovesFile, MissingFileIsCreatedWithExactlyTheTwoLines) {
  InstallWorld world;
  ASSERT_EQ(1, tidewell::ScheduleReplaceOnRestart("/tmp/s", "/opt/d"));
  EXPECT_EQ("[Rename]\r\n/opt/d=/tmp/s\r\n", ReadFile(world.WinInit()));
  ASSERT_EQ(1, tidewell::ScheduleReplaceOnRestart("/tmp/gone", ""));
  EXPECT_EQ("[Rename]\r\nNUL=/tmp/gone\r\n/opt/d=/tmp/s\r\n", ReadFile(world.WinInit()));
}

TEST(PendingMovesFile, NameDifferingOnlyInCaseIsUsed) {
  InstallWorld world;
  const std::string existing = world.Windows() + "/WININIT.INI";
  WriteFile(existing, "[Rename]\r\n");
  ASSERT_EQ(1, tidewell::ScheduleReplaceOnRestart("/tmp/s", "/opt/d"));
  EXPECT_EQ("[Rename]\r\n/opt/d=/tmp/s\r\n", ReadFile(existing));
  EXPECT_FALSE(std::filesystem::exists(world.WinInit()));
}

TEST(PendingMovesFile, RefusesPathsThatWouldBreakTheLineFormat) {
  InstallWorld world;
  EXPECT_EQ(0, tidewell::ScheduleReplaceOnRestart("/tmp/a\r\n/etc/x=/tmp/b", "/opt/d"));
  EXPECT_EQ(0, tidewell::ScheduleReplaceOnRestart("/tmp/s", "/opt/d\nNUL"));
  EXPECT_EQ(0, tidewell::ScheduleReplaceOnRestart("/tmp/a=b", "/opt/d"));
  EXPECT_EQ(0, tidewell::ScheduleReplaceOnRestart("", "/opt/d"));
  EXPECT_FALSE(std::filesystem::exists(world.WinInit()));
}

TEST(ApplyPendingMoves, CarriesOutMovesAndDeletionsAndRemovesTheirLines) {
  InstallWorld world;
  WriteFile(world / "new1", "one");
  WriteFile(world / "new2", "two");
  WriteFile(world / "junk", "junk");
  WriteFile(world / "dst1", "old");
  ::chmod((world / "dst1").c_str(), 0755);
  ASSERT_EQ(1, tidewell::ScheduleReplaceOnRestart(world / "new1", world / "dst1"));
  ASSERT_EQ(1, tidewell::ScheduleReplaceOnRestart(world / "new2", world / "dir/dst2"));
  ASSERT_EQ(1, tidewell::ScheduleReplaceOnRestart(world / "junk", ""));
  ::mkdir((world / "dir").c_str(), 0755);

  std::ostringstream err;
  EXPECT_TRUE(tidewell::ApplyPendingMoves(err)) << err.str();
  EXPECT_EQ("one", ReadFile(world / "dst1"));
  EXPECT_EQ(0755u, install_test::PermissionBits(world / "dst1"));  // still executable
  EXPECT_EQ("two", ReadFile(world / "dir/dst2"));
  EXPECT_FALSE(std::filesystem::exists(world / "junk"));
  EXPECT_FALSE(std::filesystem::exists(world / "new1"));
  EXPECT_EQ("[Rename]\r\n", ReadFile(world.WinInit()));
}

TEST(ApplyPendingMoves, KeepsFailedLinesAndTakesLinesWithoutSourceAsDone) {
  InstallWorld world;
  WriteFile(world / "ok", "ok");
  // The second line's move was made by a start that was cut off before it removed the line.
  WriteFile(world.WinInit(), "[Rename]\r\n" + (world / "nofolder/x") + "=" + (world / "ok") +
                                 "\r\n" + (world / "y") + "=" + (world / "moved") +
                                 "\r\n[after]\r\nk=v\r\n");
  std::ostringstream err;
  EXPECT_FALSE(tidewell::ApplyPendingMoves(err));
  EXPECT_NE(std::string::npos, err.str().find("cannot move " + (world / "ok"))) << err.str();
  EXPECT_NE(std::string::npos, err.str().find("already moved")) << err.str();
  EXPECT_EQ(ReadFile(world.WinInit()), "[Rename]\r\n" + (world / "nofolder/x") + "=" +
                                           (world / "ok") + "\r\n[after]\r\nk=v\r\n");

  // Once the folder is there, the last line goes through too.
  ::mkdir((world / "nofolder").c_str(), 0755);
  EXPECT_TRUE(tidewell::ApplyPendingMoves(err));
  EXPECT_EQ("ok", ReadFile(world / "nofolder/x"));
  EXPECT_EQ(ReadFile(world.WinInit()), "[Rename]\r\n[after]\r\nk=v\r\n");
}

TEST(ApplyPendingMoves, OlderLineForTheSameFileDoesNotUndoTheNewerOne) {
  InstallWorld world;
  WriteFile(world / "v1", "version 1");
  WriteFile(world / "v2", "version 2");
  ASSERT_EQ(1, tidewell::ScheduleReplaceOnRestart(world / "v1", world / "target"));
  ASSERT_EQ(1, tidewell::ScheduleReplaceOnRestart(world / "v2", world / "target"));
  std::ostringstream err;
  EXPECT_TRUE(tidewell::ApplyPendingMoves(err)) << err.str();
  EXPECT_EQ("version 2", ReadFile(world / "target"));
  EXPECT_FALSE(std::filesystem::exists(world / "v1"));
}

TEST(ApplyPendingMoves, NothingPendingIsSuccess) {
  InstallWorld world;
  std::ostringstream err;
  EXPECT_TRUE(tidewell::ApplyPendingMoves(err));
  platform_test::ScopedEnv nowhere("TIDEWELL_WINDIR", world / "absent");
  EXPECT_TRUE(tidewell::ApplyPendingMoves(err));
  EXPECT_EQ("", err.str());
}

}  // namespace
