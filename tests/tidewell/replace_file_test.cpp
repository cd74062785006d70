#include <gtest/gtest.h>

#include <filesystem>

#include "test_servers.h"
#include "tidewell/transfer/replace_file.h"

using namespace tidewell;
using namespace tidewell_test;

TEST(ReplaceFileWith, MovesOverTheTargetAndLeavesItAloneOnFailure) {
  ScratchFolder scratch;
  WriteWholeFile(scratch / "new", "new content");
  WriteWholeFile(scratch / "target", "old content");
  EXPECT_TRUE(ReplaceFileWith(scratch / "new", scratch / "target"));
  EXPECT_EQ(ReadWholeFile(scratch / "target"), "new content");
  EXPECT_FALSE(std::filesystem::exists(scratch / "new"));

  EXPECT_FALSE(ReplaceFileWith(scratch / "missing", scratch / "target"));
  EXPECT_EQ(ReadWholeFile(scratch / "target"), "new content");
}

TEST(ReplaceFileWith, CopiesAcrossFileSystems) {
  // /dev/shm is a memory file system, apart from the temporary folder here.
  const std::string source = "/dev/shm/tidewell-replace-test";
  WriteWholeFile(source, std::string(100000, 'r'));
  if (!std::filesystem::exists(source)) GTEST_SKIP() << "no /dev/shm";
  ScratchFolder scratch;
  WriteWholeFile(scratch / "target", "old");
  EXPECT_TRUE(ReplaceFileWith(source, scratch / "target"));
  EXPECT_EQ(ReadWholeFile(scratch / "target"), std::string(100000, 'r'));
  EXPECT_FALSE(std::filesystem::exists(source));
  EXPECT_FALSE(std::filesystem::exists(scratch / "target.part"));
}
