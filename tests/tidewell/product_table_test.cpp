#include "tidewell/app/product_table.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "app_test_support.h"
#include "tidewell/app/string_table.h"

using namespace app_test;
using namespace tidewell;

namespace {

TEST(StringTable, ListsLineUpIntoTheProductTable) {
  const std::string switches = LoadString(kStrSwitches);
  EXPECT_EQ(ListItemCount(switches), 8);
  EXPECT_EQ(ListItem(switches, 0), "/GEN");
  EXPECT_EQ(ListItem(switches, 6), "/UNDEF");
  EXPECT_EQ(ListItem(switches, 7), "/RESUME");
  EXPECT_EQ(ListItem(switches, 8), std::nullopt);
  EXPECT_EQ(ListItem(LoadString(kStrProductNames), 3), "Leafline");
  EXPECT_EQ(ListItem(LoadString(kStrListFileNames), 5), "solidane.tdu");
  EXPECT_EQ(ListItem("a||c", 1), "");
  EXPECT_EQ(ListItem("a||c", 2), "c");
  EXPECT_EQ(ListItem("a", -1), std::nullopt);
}

TEST(StringTable, UnknownIdsAreEmpty) {
  for (int id : {0, 12, 13, 14, 16, -1}) EXPECT_EQ(LoadString(id), "") << id;
  EXPECT_EQ(LoadString(kStrPassPhrase).size(), 24u);
}

TEST(StringTable, UpdateServerComesFromEnvironmentWhenSet) {
  {
    ScopedEnv env("TIDEWELL_UPDATE_SERVER", "");
    EXPECT_EQ(LoadString(kStrUpdateServer), "http://updates.corvane.example/liveupdates/");
  }
  ScopedEnv env("TIDEWELL_UPDATE_SERVER", "http://127.0.0.1:8080/liveupdates/");
  EXPECT_EQ(LoadString(kStrUpdateServer), "http://127.0.0.1:8080/liveupdates/");
}

TEST(ProductTable, NamesAndListFilesByPosition) {
  std::string item;
  EXPECT_TRUE(GetProductName(1, item));
  EXPECT_EQ(item, "Draftmark Basic 5");
  EXPECT_TRUE(GetProductName(5, item));
  EXPECT_EQ(item, "Solidane");
  EXPECT_FALSE(GetProductName(6, item));
  EXPECT_EQ(item, "");
  EXPECT_FALSE(GetProductName(-1, item));
  EXPECT_TRUE(GetListFileName(2, item));
  EXPECT_EQ(item, "studio5.tdu");
  EXPECT_FALSE(GetListFileName(7, item));
}

TEST(ProductTable, ListUrlJoinsServerAndFileName) {
  ScopedEnv env("TIDEWELL_UPDATE_SERVER", "http://example.test/liveupdates/");
  std::string url;
  EXPECT_TRUE(GetListUrl(1, url));
  EXPECT_EQ(url, "http://example.test/liveupdates/basic5.tdu");
  EXPECT_FALSE(GetListUrl(0, url));
  EXPECT_EQ(url, "");
  EXPECT_FALSE(GetListUrl(-3, url));
  EXPECT_TRUE(GetListUrl(6, url));  // beyond the table: the base address alone
  EXPECT_EQ(url, "http://example.test/liveupdates/");
}

TEST(LookupInstallFolder, QuotedLocationLosesQuotesAndGainsSeparator) {
  MachineHive hive(InstalledProduct("Draftmark Basic 5", "\\\"/opt/apps/draftmark\\\""));
  std::string folder;
  EXPECT_TRUE(LookupInstallFolder("Draftmark Basic 5", folder));
  EXPECT_EQ(folder, "/opt/apps/draftmark/");
}

TEST(LookupInstallFolder, PlainAndSeparatorEndedLocations) {
  MachineHive hive(InstalledProduct("Leafline", "/opt/leafline/") +
                   InstalledProduct("Solidane", "/srv/solid"));
  std::string folder;
  EXPECT_TRUE(LookupInstallFolder("leafline", folder));  // key names compare case-blind
  EXPECT_EQ(folder, "/opt/leafline/");
  EXPECT_TRUE(LookupInstallFolder("Solidane", folder));
  EXPECT_EQ(folder, "/srv/solid/");
}

TEST(LookupInstallFolder, MissingKeysOrValueMeanNotInstalled) {
  const std::string uninstallOnly =
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Sketchwell]"
      "\r\n"
      "\"InstallLocation\"=\"/opt/sketchwell\"\r\n\r\n";
  const std::string noValue =
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvane\\Leafline]\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Leafline]\r\n"
      "\"DisplayName\"=\"Leafline\"\r\n\r\n";
  const std::string makerOnly = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvane\\Solidane]\r\n\r\n";
  const std::string dwordValue =
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvane\\Sketchwell]\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Sketchwell]"
      "\r\n"
      "\"InstallLocation\"=dword:00000001\r\n\r\n";
  for (const auto& [body, product] : {std::pair{uninstallOnly, "Sketchwell"},
                                      {noValue, "Leafline"},
                                      {makerOnly, "Solidane"},
                                      {dwordValue, "Sketchwell"}}) {
    MachineHive hive(body);
    std::string folder = "stale";
    EXPECT_FALSE(LookupInstallFolder(product, folder)) << body;
    EXPECT_EQ(folder, "");
  }
}

TEST(LookupInstallFolder, EmptyLocationIsNotTheRootFolder) {
  MachineHive hive(InstalledProduct("Leafline", "") + InstalledProduct("Solidane", "\\\"\\\""));
  std::string folder;
  EXPECT_FALSE(LookupInstallFolder("Leafline", folder));
  EXPECT_FALSE(LookupInstallFolder("Solidane", folder));
  EXPECT_EQ(folder, "");
}

TEST(LookupInstallFolder, MissingHiveFileMeansNotInstalled) {
  ScopedEnv env("TIDEWELL_HKLM", "/nonexistent/machine.reg");
  std::string folder;
  EXPECT_FALSE(LookupInstallFolder("Leafline", folder));
}

class StagingFolder : public ::testing::Test {
 protected:
  std::string temp;
  void SetUp() override {
    std::string pattern = std::filesystem::temp_directory_path().string() + "/twpack-stage-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    temp = pattern + "/";
  }
  void TearDown() override { std::filesystem::remove_all(temp); }
};

TEST_F(StagingFolder, NamedAfterTimeOfDayUnderTempFolder) {
  EXPECT_EQ(MakeStagingFolderAt({2026, 5, 1, 9, 7, 3}, temp), temp + "td090703/");
  EXPECT_EQ(MakeStagingFolderAt({2026, 5, 1, 23, 59, 59}, temp), temp + "td235959/");
  std::string noSlash = temp;
  noSlash.pop_back();
  EXPECT_EQ(MakeStagingFolderAt({2026, 5, 1, 14, 5, 9}, noSlash), temp + "td140509/");
  EXPECT_FALSE(std::filesystem::exists(temp + "td140509"));  // the run creates it
}

TEST_F(StagingFolder, ExistingNamesAreNeverReused) {
  const LocalTime at{2026, 5, 1, 14, 5, 9};
  std::filesystem::create_directory(temp + "td140509");
  std::ofstream(temp + "td140509/keep") << "x";
  EXPECT_EQ(MakeStagingFolderAt(at, temp), temp + "td140509-1/");
  std::ofstream(temp + "td140509-1") << "a file";
  std::filesystem::create_symlink(temp + "gone", temp + "td140509-2");
  EXPECT_EQ(MakeStagingFolderAt(at, temp), temp + "td140509-3/");
  EXPECT_TRUE(std::filesystem::exists(temp + "td140509/keep"));
}

TEST_F(StagingFolder, CurrentTimeUsesTheTempFolder) {
  ScopedEnv env("TMPDIR", temp);
  const std::string folder = MakeStagingFolder();
  EXPECT_EQ(folder.rfind(temp + "td", 0), 0u) << folder;
  EXPECT_EQ(folder.size(), temp.size() + 9);
  EXPECT_EQ(folder.back(), '/');
}

TEST(MakeLocalListPath, TakesThePartAfterTheLastSlash) {
  EXPECT_EQ(MakeLocalListPath("/tmp/td140509/", "http://h/liveupdates/basic5.tdu"),
            "/tmp/td140509/basic5.tdu");
  EXPECT_EQ(MakeLocalListPath("/tmp/td140509/", "basic5.tdu"), "/tmp/td140509/basic5.tdu");
  EXPECT_EQ(MakeLocalListPath("/tmp/td140509/", "http://h/dir/"), "/tmp/td140509/");
}

}  // namespace
