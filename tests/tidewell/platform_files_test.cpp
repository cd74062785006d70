#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>

#include <gtest/gtest.h>

#include <set>

#include "platform_test_support.h"
#include "tidewell/platform/clock.h"
#include "tidewell/platform/file_status.h"
#include "tidewell/platform/folders.h"
#include "tidewell/platform/update_server.h"

using namespace tidewell;
using platform_test::ScopedEnv;
using platform_test::ScopedTimeZone;
using platform_test::ScratchFolder;
using platform_test::WriteFile;

TEST(Folders, TempFolderFollowsTmpdirAndEndsWithSlash) {
  {
    ScopedEnv tmp("TMPDIR", std::string("/var/tmp"));
    EXPECT_EQ(TempFolder(), "/var/tmp/");
  }
  {
    ScopedEnv tmp("TMPDIR", std::string("/var/tmp/"));
    EXPECT_EQ(TempFolder(), "/var/tmp/");
  }
  ScopedEnv tmp("TMPDIR", std::nullopt);
  EXPECT_EQ(TempFolder(), "/tmp/");
}

TEST(Folders, WindowsFolderFollowsTheEnvironment) {
  {
    ScopedEnv win("TIDEWELL_WINDIR", std::string("/srv/win/"));
    EXPECT_EQ(WindowsFolder(), "/srv/win");
  }
  ScopedEnv win("TIDEWELL_WINDIR", std::nullopt);
  EXPECT_EQ(WindowsFolder(), "/var/lib/corvane/windows");
}

TEST(Folders, ExistenceTestsTellFilesFromFolders) {
  ScratchFolder dir;
  WriteFile(dir / "f", "x");
  EXPECT_TRUE(FileExists(dir / "f"));
  EXPECT_FALSE(FolderExists(dir / "f"));
  EXPECT_TRUE(FolderExists(dir.Path()));
  EXPECT_FALSE(FileExists(dir.Path()));
  EXPECT_FALSE(FileExists(dir / "missing"));
  EXPECT_FALSE(FolderExists(dir / "missing"));
  EXPECT_FALSE(FileExists(""));
}

TEST(Folders, TempFileNamesAreNewDistinctFilesWithThePrefix) {
  ScratchFolder dir;
  std::set<std::string> names;
  for (int i = 0; i < 20; ++i) {
    std::string name = MakeTempFileName(dir.Path() + "/", "ucf");
    ASSERT_FALSE(name.empty());
    EXPECT_EQ(name.rfind(dir.Path() + "/ucf", 0), 0u) << name;
    EXPECT_TRUE(FileExists(name));
    names.insert(name);
  }
  EXPECT_EQ(names.size(), 20u);
  EXPECT_EQ(MakeTempFileName(dir / "missing", "_W_"), "");
  EXPECT_EQ(MakeTempFileName(dir.Path(), "../x"), "");
}

TEST(UpdateServerAddress, BuiltInUnlessTheEnvironmentNamesOne) {
  {
    ScopedEnv env("TIDEWELL_UPDATE_SERVER", std::nullopt);
    EXPECT_EQ(UpdateServerAddress(), "http://updates.corvane.example/liveupdates/");
  }
  ScopedEnv env("TIDEWELL_UPDATE_SERVER", std::string("http://127.0.0.1:8080/live"));
  EXPECT_EQ(UpdateServerAddress(), "http://127.0.0.1:8080/live/");
}

TEST(LocalClock, ConversionsFollowTzIncludingDaylightSaving) {
  ScopedTimeZone zone("America/New_York");
  // 2000-07-01 12:00:00 EDT is 16:00 UTC; 2000-01-01 12:00:00 EST is 17:00 UTC.
  EXPECT_EQ(FromLocalTime({2000, 7, 1, 12, 0, 0}), 962467200);
  EXPECT_EQ(FromLocalTime({2000, 1, 1, 12, 0, 0}), 946746000);
  auto back = ToLocalTime(962467200);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->hour, 12);
  EXPECT_EQ(FormatLocalTime(946746000, "%m/%d/%Y %H:%M:%S"), "01/01/2000 12:00:00");
}

TEST(LocalClock, LocalFieldsRoundTripThroughAWholeYearOfZoneChanges) {
  ScopedTimeZone zone("America/New_York");
  for (int64_t t = 1609459200; t < 1609459200 + 366 * 86400; t += 1777) {
    auto fields = ToLocalTime(t);
    ASSERT_TRUE(fields);
    auto back = FromLocalTime(*fields);
    ASSERT_TRUE(back);
    auto again = ToLocalTime(*back);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->hour, fields->hour) << t;
    EXPECT_EQ(again->minute, fields->minute) << t;
    // Only the repeated hour of November has two answers.
    if (*back != t) {
      EXPECT_EQ(std::abs(*back - t), 3600) << t;
    }
  }
  // 02:30 on the spring-forward day does not exist; the C library moves it to 03:30 EDT.
  EXPECT_EQ(FromLocalTime({2021, 3, 14, 2, 30, 0}), 1615707000);
  EXPECT_EQ(FromLocalTime({2021, 3, 14, 1, 59, 59}), 1615705199);
}

TEST(LocalClock, TimesAfter2038AndOutOfRangeFieldsCarryOver) {
  ScopedTimeZone zone("UTC");
  EXPECT_EQ(FromLocalTime({2040, 1, 1, 0, 0, 0}), 2208988800);
  EXPECT_EQ(FromLocalTime({2000, 13, 1, 0, 0, 0}), FromLocalTime({2001, 1, 1, 0, 0, 0}));
  EXPECT_EQ(FromLocalTime({1969, 12, 31, 23, 59, 59}), -1);
  LocalTime now = CurrentLocalTime();
  EXPECT_GE(now.year, 2024);
  EXPECT_GE(now.month, 1);
  EXPECT_LE(now.month, 12);
}

TEST(FileStatus, ReadsSizeTimesAndFolderFlag) {
  ScratchFolder dir;
  WriteFile(dir / "f", "12345");
  auto st = GetFileStatus(dir / "f");
  ASSERT_TRUE(st);
  EXPECT_FALSE(st->isFolder);
  EXPECT_EQ(st->size, 5u);
  EXPECT_GT(st->modified, 0);
  EXPECT_GT(st->created, 0);  // birth time or modification time without the attribute
  auto folder = GetFileStatus(dir.Path());
  ASSERT_TRUE(folder);
  EXPECT_TRUE(folder->isFolder);
  EXPECT_FALSE(GetFileStatus(dir / "missing"));
}

TEST(FileStatus, SetTimesWritesMtimeAndCreationAttributeLeavingAccessTime) {
  ScratchFolder dir;
  const std::string path = dir / "f";
  WriteFile(path, "x");
  struct timespec atime[2] = {{1000000000, 0}, {0, UTIME_OMIT}};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), atime, 0), 0);

  const int64_t created = 2208988800;  // 2040, beyond 32-bit times
  const int64_t modified = 2208992400;
  ASSERT_TRUE(SetFileTimes(path, created, modified));
  auto st = GetFileStatus(path);
  ASSERT_TRUE(st);
  EXPECT_EQ(st->created, created);
  EXPECT_EQ(st->modified, modified);
  struct stat raw {};
  ASSERT_EQ(::stat(path.c_str(), &raw), 0);
  EXPECT_EQ(raw.st_atim.tv_sec, 1000000000);

  char buf[32] = {};
  ASSERT_GT(::getxattr(path.c_str(), "user.corvane.created", buf, sizeof buf - 1), 0);
  EXPECT_STREQ(buf, "2208988800");
  EXPECT_FALSE(SetFileTimes(dir / "missing", 1, 2));
}

TEST(FileStatus, MalformedCreationAttributeFallsBackToFileSystemTimes) {
  ScratchFolder dir;
  const std::string path = dir / "f";
  WriteFile(path, "x");
  ASSERT_EQ(::setxattr(path.c_str(), "user.corvane.created", "12ab", 4, 0), 0);
  auto st = GetFileStatus(path);
  ASSERT_TRUE(st);
  EXPECT_GT(st->created, 1000000000);
}
