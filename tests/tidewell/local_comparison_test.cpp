// Deciding which listed files differ from the installed copies, and the folders made
// on the way.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform_test_support.h"
#include "tidewell/platform/file_status.h"
#include "tidewell/updateset/local_comparison.h"

namespace {

using platform_test::ScratchFolder;
using platform_test::WriteFile;

// Installed file times, well past 2038.
constexpr int64_t kFileModified = 2500000000;
constexpr int64_t kFileCreated = 2400000000;

struct Checks {
  bool modify, create, size;
};

tidewell::UpdateEntry Listed(const std::string& path, int64_t modified, int64_t created,
                             int64_t size, Checks checks) {
  tidewell::UpdateEntry entry;
  entry.name = path.substr(path.rfind('/') + 1);
  entry.installedPath = path;
  entry.modified = modified;
  entry.created = created;
  entry.size = size;
  entry.checkModify = checks.modify;
  entry.checkCreate = checks.create;
  entry.checkSize = checks.size;
  return entry;
}

class CompareWithInstalled : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFile(installed_, "12345");  // 5 bytes
    ASSERT_TRUE(tidewell::SetFileTimes(installed_, kFileCreated, kFileModified));
  }
  // Whether one entry against the installed file needs an update.
  bool NeedsUpdate(int64_t modified, int64_t created, int64_t size, Checks checks) {
    tidewell::UpdateList list;
    list.Append(Listed(installed_, modified, created, size, checks));
    EXPECT_EQ(0, tidewell::CompareWithInstalled(list));
    EXPECT_TRUE(list.At(0).compared);
    return list.At(0).needsUpdate;
  }
  ScratchFolder dir_;
  std::string installed_ = dir_ / "app.bin";
};

TEST_F(CompareWithInstalled, ModifyCheckFetchesOnlyStrictlyLaterListTimes) {
  const Checks modify{true, false, false};
  EXPECT_FALSE(NeedsUpdate(kFileModified - 1, 0, 5, modify));  // installed file is newer: kept
  EXPECT_FALSE(NeedsUpdate(kFileModified, 0, 5, modify));
  EXPECT_TRUE(NeedsUpdate(kFileModified + 1, 0, 5, modify));
  EXPECT_FALSE(NeedsUpdate(kFileModified + 1000, 0, 99, Checks{false, false, false}));
}

TEST_F(CompareWithInstalled, CreateCheckComparesCreationTimes) {
  const Checks create{false, true, false};
  EXPECT_FALSE(NeedsUpdate(kFileModified + 50, kFileCreated, 5, create));
  EXPECT_TRUE(NeedsUpdate(0, kFileCreated + 1, 5, create));
}

TEST_F(CompareWithInstalled, SizeCheckFetchesAnyDifferentSize) {
  const Checks size{false, false, true};
  EXPECT_FALSE(
      NeedsUpdate(kFileModified + 100, kFileCreated + 100, 5, size));  // later times, same size
  EXPECT_TRUE(NeedsUpdate(0, 0, 4, size));
  EXPECT_TRUE(NeedsUpdate(0, 0, 6, size));
}

TEST_F(CompareWithInstalled, MissingOrFolderIsAlwaysFetchedAndNeedsUpdateIsNeverCleared) {
  tidewell::UpdateList list;
  list.Append(Listed(dir_ / "missing.dll", 0, 0, 1, Checks{false, false, false}));
  std::filesystem::create_directory(dir_ / "afolder");
  list.Append(Listed(dir_ / "afolder", 0, 0, 1, Checks{false, false, false}));
  auto current = Listed(installed_, 0, 0, 5, Checks{true, true, true});
  current.needsUpdate = true;  // already marked: stays marked
  list.Append(current);
  tidewell::CompareWithInstalled(list);
  for (const auto& entry : list) {
    EXPECT_TRUE(entry.compared);
    EXPECT_TRUE(entry.needsUpdate) << entry.installedPath;
  }
}

TEST(BuildDownloadLists, PairsAddressesWithStagedPathsAndMakesTheirFolders) {
  ScratchFolder dir;
  tidewell::UpdateList list;
  for (const char* name : {"a.exe", "bin/sub/b.dll", "c.txt"}) {
    tidewell::UpdateEntry entry;
    entry.name = name;
    entry.url = std::string("http://h/set/program/") + name;
    entry.stagedPath = dir / (std::string("program/") + name);
    entry.compared = true;
    entry.needsUpdate = std::string(name) != "c.txt";
    list.Append(entry);
  }
  const auto lists = tidewell::BuildDownloadLists(list);
  ASSERT_EQ(2u, lists.urls.size());
  ASSERT_EQ(2u, lists.paths.size());
  EXPECT_EQ("http://h/set/program/bin/sub/b.dll", lists.urls[1]);
  EXPECT_EQ(dir / "program/bin/sub/b.dll", lists.paths[1]);
  EXPECT_TRUE(std::filesystem::is_directory(dir / "program/bin/sub"));
}

TEST(BuildDownloadLists, AllCurrentYieldsNoListsAndNoJob) {
  tidewell::UpdateList list;
  tidewell::UpdateEntry entry;
  entry.compared = true;
  list.Append(entry);
  EXPECT_TRUE(tidewell::BuildDownloadLists(list).urls.empty());
  EXPECT_EQ(nullptr, tidewell::CollectDownloads(list, nullptr, 1026, "phrase"));
}

TEST(EnsureFolderPath, CreatesEachMissingFolderFromTheTop) {
  ScratchFolder dir;
  const std::string target = dir / "td101530/program/bin/sub";
  ::mkdir((dir / "td101530").c_str(), 0755);
  EXPECT_EQ(tidewell::kFolderCreated, tidewell::EnsureFolderPath(target));
  EXPECT_TRUE(std::filesystem::is_directory(target));
  EXPECT_EQ(tidewell::kFolderExisted, tidewell::EnsureFolderPath(target));
  EXPECT_EQ(tidewell::kFolderExisted, tidewell::EnsureFolderPath(target + "/"));
  EXPECT_EQ(tidewell::kFolderCreated, tidewell::EnsureFolderPath(dir / "x//y/"));
  EXPECT_TRUE(std::filesystem::is_directory(dir / "x/y"));
}

TEST(EnsureFolderPath, FileInTheWayFailsWithoutHarm) {
  ScratchFolder dir;
  WriteFile(dir / "file", "data");
  EXPECT_EQ(tidewell::kFolderNotCreated, tidewell::EnsureFolderPath(dir / "file/sub"));
  EXPECT_EQ("data", platform_test::ReadFile(dir / "file"));
}

}  // namespace
