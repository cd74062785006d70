// Update runs that must hold up on a customer's machine: names that need escaping, a full
// disk, a deferral that can't be registered, kills at any moment, two runs at once, a
// server that drops a file, and file modes.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

#include "install_test_support.h"
#include "platform_test_support.h"
#include "run_test_support.h"

namespace {

namespace fs = std::filesystem;
using run_test::ProgramProcess;
using run_test::ProgramResult;
using run_test::RunTidewell;
using tidewell_test::ReadWholeFile;

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// Files below folder whose names end with the beside-copy suffix.
std::vector<std::string> CopiesLeftIn(const std::string& folder) {
  std::vector<std::string> found;
  for (const auto& entry : fs::recursive_directory_iterator(folder))
    if (entry.path().filename().string().ends_with(".tidewell-copy"))
      found.push_back(entry.path().string());
  return found;
}

class DependableRun : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fs::exists(std::string(BUILD_DIR) + "/bin/tidewell")) << "build tidewell";
    ASSERT_TRUE(world.StartServer());
    world.Register("Leafline");
  }
  ProgramResult Run() { return RunTidewell({"/LEAFLINE", "--quiet"}, world.Root()); }
  // n program files in version 1 installed, version 2 released.
  void ReleaseMany(int n) {
    for (int i = 0; i < n; ++i) {
      const std::string name = "data/file" + std::to_string(i) + ".dat";
      world.AddProgramFile(name, NewBytes(i));
      world.InstallOld(world.Installed() + name, OldBytes(i));
    }
  }
  static std::string OldBytes(int i) { return "old " + std::to_string(i); }
  static std::string NewBytes(int i) {
    return "new " + std::to_string(i) + std::string(4000 + i, static_cast<char>('a' + i % 26));
  }
  run_test::RunWorld world;
};

TEST_F(DependableRun, NamesThatNeedEscapingInstallAndAControlCharacterIsPassedOver) {
  const std::vector<std::string> names = {"read me.txt", "a#b.txt",         "what?.txt",
                                          "100%.txt",    "caf\xc3\xa9.txt", "my docs/x y.txt"};
  for (const std::string& name : names) world.AddProgramFile(name, "bytes of " + name);
  world.AddProgramFile("tab\there.txt", "refused");
  ASSERT_TRUE(world.BuildUpdateSet());
  const ProgramResult run = Run();
  EXPECT_EQ(0, run.status) << run.out << run.err;
  for (const std::string& name : names)
    EXPECT_EQ("bytes of " + name, ReadWholeFile(world.Installed() + name)) << name;
  EXPECT_FALSE(fs::exists(world.Installed() + "tab\there.txt"));
  EXPECT_TRUE(Contains(run.err, "holds a control character")) << run.err;
  EXPECT_TRUE(world.TempEntries().empty());
}

TEST_F(DependableRun, FullDiskChangesNoInstalledFile) {
  const std::string folder = world.Installed();
  if (::mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=256k") != 0)
    GTEST_SKIP() << "cannot mount a small tmpfs here (" << std::strerror(errno)
                 << "); the full-disk run is not tested";
  struct Unmount {
    std::string path;
    ~Unmount() { ::umount2(path.c_str(), MNT_DETACH); }
  } unmount{folder};
  for (const char* name : {"a.dat", "b.dat"}) {
    world.AddProgramFile(name, std::string(150 * 1024, name[0]));  // only one fits
    world.InstallOld(folder + name, "old");
  }
  ASSERT_TRUE(world.BuildUpdateSet());
  const ProgramResult run = Run();
  EXPECT_EQ(4, run.status) << run.out << run.err;
  EXPECT_TRUE(Contains(run.out, "Your Corvane product has not been updated.")) << run.out;
  EXPECT_TRUE(Contains(run.err, "the disk is full")) << run.err;
  EXPECT_EQ("old", ReadWholeFile(folder + "a.dat"));
  EXPECT_EQ("old", ReadWholeFile(folder + "b.dat"));
  EXPECT_TRUE(CopiesLeftIn(folder).empty());
  EXPECT_TRUE(world.TempEntries().empty());
}

TEST_F(DependableRun, DeferralThatCannotBeRegisteredChangesNothing) {
  world.AddProgramFile("leafline.exe", "leafline version 2");
  world.AddProgramFile("ink.dll", "ink 2");
  world.InstallOld(world.Installed() + "leafline.exe", "leafline version 1");
  ASSERT_TRUE(world.BuildUpdateSet());
  // In use, so it waits for the next start; but no WinInit.Ini can be written below a file.
  tidewell_test::WriteWholeFile(world.Root() + "not-a-folder", "");
  platform_test::ScopedEnv windows("TIDEWELL_WINDIR", world.Root() + "not-a-folder/windows");
  const int fd = ::open((world.Installed() + "leafline.exe").c_str(), O_RDONLY);
  ASSERT_EQ(0, ::flock(fd, LOCK_EX));
  const ProgramResult run = Run();
  ::close(fd);
  EXPECT_EQ(4, run.status) << run.out << run.err;
  EXPECT_TRUE(Contains(run.err, "could not be registered")) << run.err;
  EXPECT_EQ("leafline version 1", ReadWholeFile(world.Installed() + "leafline.exe"));
  EXPECT_FALSE(fs::exists(world.Installed() + "ink.dll"));
  EXPECT_TRUE(CopiesLeftIn(world.Installed()).empty());
  EXPECT_TRUE(world.TempEntries().empty());
}

TEST_F(DependableRun, ApplyPendingFinishesWhatAnInterruptedStartLeft) {
  // The first line's move was made before the start was cut off; the second is still to do.
  const std::string moved = world.Installed() + "moved.exe";
  const std::string pending = world.Installed() + "pending.exe";
  tidewell_test::WriteWholeFile(moved, "new");
  tidewell_test::WriteWholeFile(pending, "old");
  tidewell_test::WriteWholeFile(world.Temp() + "_W_pending", "new");
  tidewell_test::WriteWholeFile(world.Windows() + "WinInit.Ini",
                                "[Rename]\r\n" + moved + "=" + world.Temp() + "_W_moved\r\n" +
                                    pending + "=" + world.Temp() + "_W_pending\r\n");
  const ProgramResult apply = RunTidewell({"--apply-pending"}, world.Root());
  EXPECT_EQ(0, apply.status) << apply.err;
  EXPECT_EQ("new", ReadWholeFile(moved));
  EXPECT_EQ("new", ReadWholeFile(pending));
  EXPECT_EQ("[Rename]\r\n", ReadWholeFile(world.Windows() + "WinInit.Ini"));
  EXPECT_EQ(0, RunTidewell({"--apply-pending"}, world.Root()).status);
}

TEST_F(DependableRun, SecondRunOfTheSameProductEndsAtOnce) {
  ReleaseMany(200);
  ASSERT_TRUE(world.BuildUpdateSet());
  ProgramProcess first("tidewell", {"/LEAFLINE", "--quiet"}, world.Root());
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (world.TempEntries().size() < 2 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));  // its lock and staging folder
  const ProgramResult second = RunTidewell({"/leafline", "--quiet"}, world.Root());
  EXPECT_EQ(6, second.status) << second.out << second.err;
  EXPECT_TRUE(Contains(second.out, "An update of Leafline is already running.\n")) << second.out;
  const ProgramResult done = first.Wait();
  EXPECT_EQ(0, done.status) << done.err;
  EXPECT_EQ(NewBytes(199), ReadWholeFile(world.Installed() + "data/file199.dat"));
  EXPECT_TRUE(world.TempEntries().empty());
}

TEST_F(DependableRun, KillsAtAnyMomentLeaveOldOrNewFilesAndTheNextRunCleansUpAndCompletes) {
  constexpr int kFiles = 300;
  constexpr int kTrials = 10;
  ReleaseMany(kFiles);
  ASSERT_TRUE(world.BuildUpdateSet());
  std::mt19937 random(20261209);
  for (int trial = 0; trial < kTrials; ++trial) {
    for (int i = 0; i < kFiles; ++i)
      world.InstallOld(world.Installed() + "data/file" + std::to_string(i) + ".dat", OldBytes(i));
    ProgramProcess run("tidewell", {"/LEAFLINE", "--quiet"}, world.Root());
    std::this_thread::sleep_for(std::chrono::milliseconds(random() % 3000));
    run.Kill();
    int fresh = 0;
    for (int i = 0; i < kFiles; ++i) {
      const std::string bytes =
          ReadWholeFile(world.Installed() + "data/file" + std::to_string(i) + ".dat");
      ASSERT_TRUE(bytes == OldBytes(i) || bytes == NewBytes(i))
          << "trial " << trial << " file " << i;
      fresh += bytes == NewBytes(i) ? 1 : 0;
    }
    if (trial == 0) {
      // What other killed programs leave: a staging folder, a runtime folder, an old
      // unpacking file, and a copy beside an installed file.
      fs::create_directories(world.Temp() + "td000001");
      tidewell_test::WriteWholeFile(world.Temp() + "td000001/.lock", "");
      fs::create_directories(world.Temp() + "tidewell-runtime-AbCdEf");
      tidewell_test::WriteWholeFile(world.Temp() + "ucfA1b2C3", "half");
      fs::last_write_time(world.Temp() + "ucfA1b2C3",
                          fs::file_time_type::clock::now() - std::chrono::hours(2));
      tidewell_test::WriteWholeFile(world.Installed() + "data/.file7.dat.Q1w2E3.tidewell-copy", "");
    }
    const ProgramResult next = RunTidewell({"/LEAFLINE", "--quiet"}, world.Root());
    ASSERT_EQ(fresh == kFiles ? 2 : 0, next.status) << "trial " << trial << "\n" << next.err;
    EXPECT_EQ(NewBytes(kFiles - 1),
              ReadWholeFile(world.Installed() + "data/file" + std::to_string(kFiles - 1) + ".dat"));
    EXPECT_EQ(std::vector<std::string>{}, world.TempEntries()) << "trial " << trial;
    EXPECT_TRUE(CopiesLeftIn(world.Installed()).empty()) << "trial " << trial;
  }
}

TEST_F(DependableRun, CutOffOrCorruptFileInstallsNothingAndLeavesNoTemporaryFile) {
  world.AddProgramFile("leafline.exe", "leafline version 2");
  world.AddProgramFile("ink.dll", std::string(200000, 'i'));
  world.InstallOld(world.Installed() + "leafline.exe", "leafline version 1");
  ASSERT_TRUE(world.BuildUpdateSet());
  const std::string packed = world.Served() + "program/ink.dll";
  const std::string good = ReadWholeFile(packed);
  // The connection closed a tenth of the way into the file, then the file's bytes spoiled.
  ASSERT_TRUE(world.CutOffFilesEndingIn("ink.dll"));
  for (int round = 0; round < 2; ++round) {
    if (round == 1) {
      ASSERT_TRUE(world.CutOffFilesEndingIn("no-such-file"));
      std::string spoiled = good;
      for (size_t i = 0; i < spoiled.size(); i += 7) spoiled[i] = static_cast<char>(~spoiled[i]);
      tidewell_test::WriteWholeFile(packed, spoiled);
    }
    const ProgramResult run = Run();
    EXPECT_EQ(4, run.status) << "round " << round << "\n" << run.err;
    EXPECT_EQ("leafline version 1", ReadWholeFile(world.Installed() + "leafline.exe"));
    EXPECT_FALSE(fs::exists(world.Installed() + "ink.dll"));
    EXPECT_TRUE(world.TempEntries().empty()) << "round " << round;
  }
}

TEST_F(DependableRun, FilesGetTheirListedModeAndANewProgramRuns) {
  struct Case {
    const char* name;
    mode_t source;
    mode_t installed;
  };
  const Case cases[] = {{"tools/hello.sh", 04755, 0755}, {"notes.txt", 0640, 0640}};
  for (const Case& c : cases) {
    world.AddProgramFile(c.name, "#!/bin/sh\necho hello from the new release\n");
    ASSERT_EQ(0, ::chmod((world.Root() + "release/" + c.name).c_str(), c.source));
  }
  ASSERT_TRUE(world.BuildUpdateSet());
  const ProgramResult run = Run();
  ASSERT_EQ(0, run.status) << run.err;
  for (const Case& c : cases) {
    struct stat status {};
    ASSERT_EQ(0, ::stat((world.Installed() + c.name).c_str(), &status));
    EXPECT_EQ(c.installed, status.st_mode & 07777) << c.name;
  }
  FILE* out = ::popen((world.Installed() + "tools/hello.sh").c_str(), "r");
  ASSERT_NE(nullptr, out);
  char line[64] = {};
  EXPECT_NE(nullptr, std::fgets(line, sizeof line, out));
  ::pclose(out);
  EXPECT_EQ("hello from the new release\n", std::string(line));
}

}  // namespace
