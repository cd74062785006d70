// Putting staged files in place, deferring files in use, and cleaning up staging folders.
#include <gtest/gtest.h>

#include <functional>

#include <filesystem>
#include <sstream>

#include "install_test_support.h"
#include "tidewell/app/installation.h"
#include "tidewell/platform/file_status.h"
#include "tidewell/platform/pending_moves.h"
#include "tidewell/updateset/local_comparison.h"

namespace {

namespace fs = std::filesystem;
using install_test::InstallWorld;
using install_test::LockHolder;
using install_test::PermissionBits;
using platform_test::ReadFile;
using platform_test::WriteFile;

constexpr int64_t kCreated = 2200000000;   // 2039
constexpr int64_t kModified = 2300000000;  // 2042

// An entry of a product installed below world/prog, staged below world/stage/program.
tidewell::UpdateEntry Staged(const InstallWorld& world, const std::string& name,
                             const std::string& contents) {
  tidewell::UpdateEntry entry;
  entry.name = name;
  entry.installedPath = world / ("prog/" + name);
  entry.stagedPath = world / ("stage/program/" + name);
  entry.created = kCreated;
  entry.modified = kModified;
  entry.compared = true;
  entry.needsUpdate = true;
  tidewell::EnsureFolderPath(entry.stagedPath.substr(0, entry.stagedPath.rfind('/')));
  WriteFile(entry.stagedPath, contents);
  return entry;
}

void ExpectListedTimes(const std::string& path) {
  const auto status = tidewell::GetFileStatus(path);
  ASSERT_TRUE(status) << path;
  EXPECT_EQ(kModified, status->modified) << path;
  EXPECT_EQ(kCreated, status->created) << path;
}

std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(InstallStagedFiles, CopiesIntoPlaceWithListedTimesAndKeepsPermissionBits) {
  InstallWorld world;
  ::mkdir((world / "prog").c_str(), 0755);
  WriteFile(world / "prog/app", "old app");
  ::chmod((world / "prog/app").c_str(), 0755);
  tidewell::UpdateList list;
  list.Append(Staged(world, "app", "new app"));
  list.Append(Staged(world, "lib/deep/new.so", "new lib"));  // its folder doesn't exist yet
  auto current = Staged(world, "same.txt", "unchanged");
  current.needsUpdate = false;
  list.Append(current);

  EXPECT_EQ(0, tidewell::InstallStagedFiles(list));
  EXPECT_EQ("new app", ReadFile(world / "prog/app"));
  EXPECT_EQ(0755u, PermissionBits(world / "prog/app"));
  EXPECT_EQ("new lib", ReadFile(world / "prog/lib/deep/new.so"));
  ExpectListedTimes(world / "prog/app");
  ExpectListedTimes(world / "prog/lib/deep/new.so");
  EXPECT_FALSE(fs::exists(world / "prog/same.txt"));
  EXPECT_EQ((std::vector<std::string>{"app", "lib"}),
            FilesIn(world / "prog"));  // no copies left beside
  EXPECT_FALSE(fs::exists(world.WinInit()));
}

TEST(InstallStagedFiles, AnyFileThatCannotBeInstalledLeavesEveryFileAsItWas) {
  struct Case {
    const char* what;
    std::function<tidewell::UpdateEntry(InstallWorld&)> breaking;
    int flags;
  };
  const Case cases[] = {
      {"missing staged file",
       [](InstallWorld& w) {
         auto missing = Staged(w, "gone.dll", "x");
         fs::remove(missing.stagedPath);
         return missing;
       },
       tidewell::kInstallNoStagedFile},
      {"folder in the way",
       [](InstallWorld& w) {
         fs::create_directories(w / "prog/dir.dat");
         return Staged(w, "dir.dat", "blocked");
       },
       tidewell::kCopyOtherFailure},
  };
  for (const Case& c : cases) {
    InstallWorld world;
    ::mkdir((world / "prog").c_str(), 0755);
    WriteFile(world / "prog/old.dll", "old");
    tidewell::UpdateList list;
    list.Append(Staged(world, "old.dll", "new"));
    list.Append(Staged(world, "sub/new.dll", "fine"));  // its folder is made, then taken back
    list.Append(c.breaking(world));
    EXPECT_EQ(c.flags, tidewell::InstallStagedFiles(list)) << c.what;
    EXPECT_EQ("old", ReadFile(world / "prog/old.dll")) << c.what;
    EXPECT_FALSE(fs::exists(world / "prog/sub")) << c.what;
    for (const std::string& name : FilesIn(world / "prog"))
      EXPECT_TRUE(name == "old.dll" || name == "dir.dat") << c.what << ": " << name;
    EXPECT_FALSE(fs::exists(world.WinInit())) << c.what;
  }
}

TEST(InstallStagedFiles, LockedFileIsDeferredAndPutInPlaceAtTheNextStart) {
  InstallWorld world;
  ::mkdir((world / "prog").c_str(), 0755);
  WriteFile(world / "prog/tool", "running version");
  ::chmod((world / "prog/tool").c_str(), 0750);
  tidewell::UpdateList list;
  list.Append(Staged(world, "tool", "new version"));
  LockHolder holder(world / "prog/tool", LockHolder::Kind::Flock);
  ASSERT_TRUE(holder.locked());

  EXPECT_EQ(tidewell::kInstallRebootNeeded, tidewell::InstallStagedFiles(list));
  EXPECT_EQ("running version", ReadFile(world / "prog/tool"));
  const auto copies = FilesIn(world.Temp());
  ASSERT_EQ(1u, copies.size());
  const std::string copy = world.Temp() + "/" + copies[0];
  EXPECT_EQ("new version", ReadFile(copy));
  ExpectListedTimes(copy);
  EXPECT_EQ("[Rename]\r\n" + (world / "prog/tool") + "=" + copy + "\r\n",
            ReadFile(world.WinInit()));

  // Still in use: the line stays.
  std::ostringstream err;
  EXPECT_FALSE(tidewell::ApplyPendingMoves(err));
  EXPECT_NE(std::string::npos, err.str().find("in use"));

  holder.Release();
  EXPECT_TRUE(tidewell::ApplyPendingMoves(err));
  EXPECT_EQ("new version", ReadFile(world / "prog/tool"));
  EXPECT_EQ(0750u, PermissionBits(world / "prog/tool"));
  ExpectListedTimes(world / "prog/tool");
  EXPECT_TRUE(FilesIn(world.Temp()).empty());
  EXPECT_EQ("[Rename]\r\n", ReadFile(world.WinInit()));
}

TEST(InstallStagedFiles, DeferredFilesWithTheSameLastNameGetCopiesOfTheirOwn) {
  InstallWorld world;
  fs::create_directories(world / "prog/a");
  fs::create_directories(world / "prog/b");
  WriteFile(world / "prog/a/x.dll", "old a");
  WriteFile(world / "prog/b/x.dll", "old b");
  tidewell::UpdateList list;
  list.Append(Staged(world, "a/x.dll", "new a"));
  list.Append(Staged(world, "b/x.dll", "new b"));
  LockHolder lockA(world / "prog/a/x.dll", LockHolder::Kind::Record);
  LockHolder lockB(world / "prog/b/x.dll", LockHolder::Kind::Flock);
  ASSERT_TRUE(lockA.locked() && lockB.locked());

  EXPECT_EQ(tidewell::kInstallRebootNeeded, tidewell::InstallStagedFiles(list));
  EXPECT_EQ(2u, FilesIn(world.Temp()).size());
  lockA.Release();
  lockB.Release();
  std::ostringstream err;
  EXPECT_TRUE(tidewell::ApplyPendingMoves(err)) << err.str();
  EXPECT_EQ("new a", ReadFile(world / "prog/a/x.dll"));
  EXPECT_EQ("new b", ReadFile(world / "prog/b/x.dll"));
}

// A list that tries to write outside the product's folders.
class HostileList : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(world_ / "prog");
    fs::create_directories(world_ / "outside");
    fs::create_directories(world_ / "shared");
    WriteFile(world_ / "outside/victim", "precious");
    fs::create_directory_symlink(world_ / "outside", world_ / "prog/escape");
    std::string text =
        "[General]\r\nWindows Prefix=win\r\nProgram Prefix=program\r\nBase URL=http://h/s/\r\n";
    text += "[Program Files]\r\n" + Entry(1, "..\\outside\\victim") + Entry(2, "/outside/victim") +
            Entry(3, "escape\\victim") + Entry(4, "escape\\new.dll") + Entry(5, "fine.dll");
    text += "[Windows Files]\r\n" + Entry(1, "..\\..\\outside\\victim");
    text += "[Other Files]\r\n" + Entry(1, "victim") +
            "Other Prefix1=..\r\nOther Local1=" + (world_ / "outside/") + "\r\n" +
            Entry(2, "ok.ocx") + "Other Prefix2=others\r\nOther Local2=" + (world_ / "shared/") +
            "\r\n" + Entry(3, "rel.ocx") + "Other Prefix3=others\r\nOther Local3=shared/\r\n";
    WriteFile(world_ / "list.ini", text);
  }
  static std::string Entry(int n, const std::string& name) {
    const std::string k = std::to_string(n);
    return "Name" + k + "=" + name + "\r\nModified" + k + "=01/01/2040 00:00:00\r\nCreated" + k +
           "=01/01/2040 00:00:00\r\nSize" + k + "=5\r\nCheck Size" + k + "=1\r\n";
  }
  InstallWorld world_;
};

TEST_F(HostileList, NothingIsWrittenOutsideTheProductsFolders) {
  tidewell::UpdateList list;
  list.ReadUpdateList(world_ / "list.ini", world_ / "prog/", world_ / "stage/",
                      tidewell::MachineListDefaults());
  tidewell::CompareWithInstalled(list);
  const auto lists = tidewell::BuildDownloadLists(list);
  for (const std::string& path : lists.paths) {
    ASSERT_EQ(0u, path.rfind(world_ / "stage/", 0)) << path;
    WriteFile(path, "EVIL!");
  }
  // Entries skipped while reading pass quietly; one refused now (through the link) stops the
  // whole installation, harmless entries included.
  EXPECT_EQ(tidewell::kCopyOtherFailure, tidewell::InstallStagedFiles(list));

  EXPECT_EQ("precious", ReadFile(world_ / "outside/victim"));
  EXPECT_EQ((std::vector<std::string>{"victim"}), FilesIn(world_ / "outside"));
  EXPECT_FALSE(fs::exists(world_ / "prog/fine.dll"));
  EXPECT_FALSE(fs::exists(world_ / "shared/ok.ocx"));
}

TEST_F(HostileList, EntriesMadeInCodeAreHeldToTheSameRule) {
  tidewell::UpdateList list;
  for (const std::string name : {"../outside/victim", "escape/victim"}) {
    auto entry = Staged(world_, name, "EVIL!");
    entry.installedPath = world_ / ("prog/" + name);
    list.Append(entry);
  }
  EXPECT_EQ(tidewell::kCopyOtherFailure, tidewell::InstallStagedFiles(list));
  EXPECT_EQ("precious", ReadFile(world_ / "outside/victim"));
}

TEST(DeleteFolderTree, RemovesNestedFoldersButNeverFollowsLinks) {
  InstallWorld world;
  fs::create_directories(world / "stage/program/bin/sub");
  fs::create_directories(world / "keep");
  WriteFile(world / "keep/file", "kept");
  WriteFile(world / "stage/list.tdu", "x");
  WriteFile(world / "stage/program/bin/sub/.hidden", "x");
  WriteFile(world / "stage/program/a..", "x");
  fs::create_directory_symlink(world / "keep", world / "stage/program/link");
  tidewell::DeleteFolderTree(world / "stage/");
  EXPECT_FALSE(fs::exists(world / "stage"));
  EXPECT_EQ("kept", ReadFile(world / "keep/file"));

  fs::create_directory_symlink(world / "keep", world / "alias");
  tidewell::DeleteFolderTree(world / "alias");
  EXPECT_EQ("kept", ReadFile(world / "keep/file"));
  tidewell::DeleteFolderTree(world / "absent");
}

TEST(MapCopyError, GivesTheFlagOfEachFailure) {
  EXPECT_EQ(0, tidewell::MapCopyError(0));
  EXPECT_EQ(0x10, tidewell::MapCopyError(5));
  EXPECT_EQ(0x04, tidewell::MapCopyError(19));
  EXPECT_EQ(0x02, tidewell::MapCopyError(32));
  EXPECT_EQ(0x08, tidewell::MapCopyError(33));
  EXPECT_EQ(0x20, tidewell::MapCopyError(39));
  EXPECT_EQ(0x40, tidewell::MapCopyError(2));
  EXPECT_EQ(0x40, tidewell::MapCopyError(1234));
}

}  // namespace
