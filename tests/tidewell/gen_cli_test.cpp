#include "tidewell/app/gen_cli.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <sstream>

#include "app_test_support.h"
#include "packing_test_support.h"
#include "tidewell/app/move_file.h"

using namespace packing_test;
using tidewell::RunGeneratorCommand;

namespace {

class GeneratorCommand : public ::testing::Test {
 protected:
  ScratchFolder dir;
  std::ostringstream out, err;

  void SetUp() override { ::testing::internal::CaptureStdout(); }
  void TearDown() override { ::testing::internal::GetCapturedStdout(); }

  int Run(std::vector<std::string> args) {
    err.str("");
    return RunGeneratorCommand(args, out, err);
  }
};

TEST_F(GeneratorCommand, PackThenUnpackGivesTheFileBack) {
  const Bytes data = MixedData(50000);
  WriteBytes(dir / "list.ini", data);
  WriteBytes(dir / "old", {1, 2, 3});  // replaced, not appended to
  ASSERT_EQ(Run({"pack", dir / "list.ini", dir / "old"}), 0) << err.str();
  EXPECT_NE(ReadBytes(dir / "old"), data);
  ASSERT_EQ(Run({"unpack", dir / "old", dir / "back"}), 0) << err.str();
  EXPECT_EQ(ReadBytes(dir / "back"), data);
  EXPECT_TRUE(err.str().empty());

  struct stat st {};
  ASSERT_EQ(::stat((dir / "back").c_str(), &st), 0);
  const mode_t mask = ::umask(0);
  ::umask(mask);
  EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask);  // an ordinary new file, not a private temporary one
}

TEST_F(GeneratorCommand, FailuresExitOneWithAMessageAndKeepTheOutput) {
  WriteBytes(dir / "plain", MixedData(3000));
  WriteBytes(dir / "keep", {9, 9});
  EXPECT_EQ(Run({"unpack", dir / "plain", dir / "keep"}), 1);
  EXPECT_NE(err.str().find("cannot unpack"), std::string::npos) << err.str();
  EXPECT_EQ(ReadBytes(dir / "keep"), (Bytes{9, 9}));
  EXPECT_EQ(Run({"pack", dir / "absent", dir / "keep"}), 1);
  EXPECT_EQ(ReadBytes(dir / "keep"), (Bytes{9, 9}));
  EXPECT_EQ(Run({"pack", dir / "plain", dir / "no-folder/out"}), 1);
  EXPECT_NE(err.str().find("cannot write"), std::string::npos) << err.str();
}

TEST_F(GeneratorCommand, UsageErrorsExitOne) {
  EXPECT_EQ(Run({}), 1);
  EXPECT_NE(err.str().find("usage:"), std::string::npos);
  EXPECT_EQ(Run({"frobnicate"}), 1);
  EXPECT_NE(err.str().find("unknown command"), std::string::npos);
  EXPECT_EQ(Run({"pack", dir / "only-one"}), 1);
  EXPECT_EQ(Run({"unpack", "a", "b", "c"}), 1);
}

TEST(MoveFinishedFile, CrossesFileSystemsWithoutLeavingCopies) {
  if (!std::filesystem::is_directory("/dev/shm")) GTEST_SKIP() << "no second file system";
  ScratchFolder dir;
  const std::string from = "/dev/shm/twpack-move-" + std::to_string(::getpid());
  WriteBytes(from, MixedData(10000));
  ASSERT_TRUE(tidewell::MoveFinishedFile(from, dir / "moved"));
  EXPECT_EQ(ReadBytes(dir / "moved"), MixedData(10000));
  EXPECT_FALSE(std::filesystem::exists(from));
  EXPECT_EQ(dir.EntryCount(), 1u);
}

}  // namespace
