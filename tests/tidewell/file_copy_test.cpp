// Copying and moving files into place, and the system error numbers of failures.
#include <gtest/gtest.h>

#include <filesystem>

#include "install_test_support.h"
#include "tidewell/platform/advisory_lock.h"
#include "tidewell/platform/file_copy.h"
#include "tidewell/platform/file_status.h"
#include "tidewell/platform/system_error.h"

namespace {

using install_test::LockHolder;
using install_test::PermissionBits;
using platform_test::ReadFile;
using platform_test::ScratchFolder;
using platform_test::WriteFile;

size_t EntriesIn(const std::string& folder) {
  size_t n = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) ++n;
  return n;
}

TEST(CopyFileOver, ReplacedFileKeepsItsPermissionBitsAndNoTemporaryIsLeft) {
  ScratchFolder dir;
  WriteFile(dir / "staged", "new contents");
  ::chmod((dir / "staged").c_str(), 0600);
  WriteFile(dir / "app", "old");
  ::chmod((dir / "app").c_str(), 0750);
  ASSERT_EQ(tidewell::kErrorSuccess, tidewell::CopyFileOver(dir / "staged", dir / "app"));
  EXPECT_EQ("new contents", ReadFile(dir / "app"));
  EXPECT_EQ(0750u, PermissionBits(dir / "app"));
  EXPECT_EQ("new contents", ReadFile(dir / "staged"));
  EXPECT_EQ(2u, EntriesIn(dir.Path()));
}

TEST(CopyFileOver, NewFileTakesSourceOrDefaultBits) {
  ScratchFolder dir;
  WriteFile(dir / "src", "x");
  ::chmod((dir / "src").c_str(), 0700);
  ASSERT_EQ(tidewell::kErrorSuccess, tidewell::CopyFileOver(dir / "src", dir / "a"));
  EXPECT_EQ(0700u, PermissionBits(dir / "a"));
  const mode_t mask = ::umask(022);
  ASSERT_EQ(tidewell::kErrorSuccess,
            tidewell::CopyFileOver(dir / "src", dir / "b", tidewell::NewFileMode::Default));
  ::umask(mask);
  EXPECT_EQ(0644u, PermissionBits(dir / "b"));
}

TEST(CopyFileOver, LinkInTheDestinationsPlaceIsReplacedNotWrittenThrough) {
  ScratchFolder dir;
  WriteFile(dir / "src", "new");
  WriteFile(dir / "elsewhere", "keep me");
  std::filesystem::create_symlink(dir / "elsewhere", dir / "link");
  ASSERT_EQ(tidewell::kErrorSuccess, tidewell::CopyFileOver(dir / "src", dir / "link"));
  EXPECT_EQ("keep me", ReadFile(dir / "elsewhere"));
  EXPECT_FALSE(std::filesystem::is_symlink(dir / "link"));
  EXPECT_EQ("new", ReadFile(dir / "link"));
}

TEST(CopyFileOver, FailuresGiveTheirErrorNumberAndLeaveTheDestination) {
  ScratchFolder dir;
  WriteFile(dir / "src", "new");
  EXPECT_EQ(tidewell::kErrorFileNotFound, tidewell::CopyFileOver(dir / "absent", dir / "dst"));
  EXPECT_EQ(tidewell::kErrorFileNotFound,
            tidewell::CopyFileOver(dir / "src", dir / "nofolder/dst"));
  std::filesystem::create_directory(dir / "folder");
  EXPECT_EQ(tidewell::kErrorGenFailure, tidewell::CopyFileOver(dir / "src", dir / "folder"));

  if (::geteuid() != 0) {  // root writes anywhere
    std::filesystem::create_directory(dir / "locked");
    WriteFile(dir / "locked/dst", "old");
    ::chmod((dir / "locked").c_str(), 0555);
    EXPECT_EQ(tidewell::kErrorAccessDenied,
              tidewell::CopyFileOver(dir / "src", dir / "locked/dst"));
    EXPECT_EQ("old", ReadFile(dir / "locked/dst"));
    ::chmod((dir / "locked").c_str(), 0755);
  }
}

TEST(CopyFileOver, DestinationLockedByAnotherProcessIsASharingViolation) {
  ScratchFolder dir;
  WriteFile(dir / "src", "new");
  for (auto kind : {LockHolder::Kind::Flock, LockHolder::Kind::Record}) {
    WriteFile(dir / "dst", "in use");
    LockHolder holder(dir / "dst", kind);
    ASSERT_TRUE(holder.locked());
    EXPECT_TRUE(tidewell::LockedByAnotherProcess(dir / "dst"));
    EXPECT_EQ(tidewell::kErrorSharingViolation, tidewell::CopyFileOver(dir / "src", dir / "dst"));
    EXPECT_EQ(tidewell::kErrorSharingViolation, tidewell::MoveFileOver(dir / "src", dir / "dst"));
    EXPECT_EQ("in use", ReadFile(dir / "dst"));
    holder.Release();
    EXPECT_FALSE(tidewell::LockedByAnotherProcess(dir / "dst"));
  }
  EXPECT_TRUE(std::filesystem::exists(dir / "src"));
}

TEST(MoveFileOver, AcrossFileSystemsKeepsTimesAndRemovesTheSource) {
  // /dev/shm is a separate file system on Linux; without it the rename path is taken.
  ScratchFolder dir;
  char pattern[] = "/dev/shm/twmove-XXXXXX";
  const char* shm = ::mkdtemp(pattern);
  if (!shm) GTEST_SKIP() << "no /dev/shm";
  const std::string source = std::string(shm) + "/f";
  WriteFile(source, "payload");
  tidewell::SetFileTimes(source, 2200000000, 2300000000);  // beyond 2038
  WriteFile(dir / "dst", "old");
  ::chmod((dir / "dst").c_str(), 0751);
  const uint32_t result = tidewell::MoveFileOver(source, dir / "dst");
  std::filesystem::remove_all(shm);
  ASSERT_EQ(tidewell::kErrorSuccess, result);
  EXPECT_EQ("payload", ReadFile(dir / "dst"));
  EXPECT_EQ(0751u, PermissionBits(dir / "dst"));
  const auto status = tidewell::GetFileStatus(dir / "dst");
  ASSERT_TRUE(status);
  EXPECT_EQ(2300000000, status->modified);
  EXPECT_EQ(2200000000, status->created);
}

TEST(SystemErrorFromErrno, MapsTheFailuresInstallationTellsApart) {
  EXPECT_EQ(tidewell::kErrorAccessDenied, tidewell::SystemErrorFromErrno(EACCES));
  EXPECT_EQ(tidewell::kErrorAccessDenied, tidewell::SystemErrorFromErrno(EPERM));
  EXPECT_EQ(tidewell::kErrorWriteProtect, tidewell::SystemErrorFromErrno(EROFS));
  EXPECT_EQ(tidewell::kErrorHandleDiskFull, tidewell::SystemErrorFromErrno(ENOSPC));
  EXPECT_EQ(tidewell::kErrorHandleDiskFull, tidewell::SystemErrorFromErrno(EDQUOT));
  EXPECT_EQ(tidewell::kErrorGenFailure, tidewell::SystemErrorFromErrno(EIO));
}

}  // namespace
